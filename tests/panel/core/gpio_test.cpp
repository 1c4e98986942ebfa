#include "gpio.h"
#include "fakehardware.h"

#include <gtest/gtest.h>
#include <climits>

TEST(Gpio, ReadsOnePinByTheLengthOfTheRead)
{
    FakeHardware* hw = FakeHardware::install();
    hw->setPin(5, 1);
    Gpio gpio("/dev/gpio");
    ASSERT_GE(gpio.open(), 0);
    EXPECT_EQ(Gpio::read(5), 1);
    EXPECT_EQ(Gpio::read(6), 0);
    EXPECT_EQ(Gpio::read(0), -2);   // a read of no bytes gets no level

    char levels[14];
    EXPECT_EQ(gpio.read(levels, 40), 13);
    EXPECT_EQ(levels[5], 1);
    EXPECT_EQ(Gpio::io_value[5], 1);
}

TEST(Gpio, PinsOutsideTheDeviceAreRefusedBeforeAnyRead)
{
    FakeHardware* hw = FakeHardware::install();
    Gpio gpio("/dev/gpio");
    ASSERT_GE(gpio.open(), 0);
    for (int pin : { -1, 14, 100, INT_MIN, INT_MAX }) {
        EXPECT_EQ(Gpio::read(pin), -1) << pin;
        EXPECT_EQ(Gpio::ioctl(pin, true), -1) << pin;
    }
    EXPECT_EQ(hw->reads, 0);
    EXPECT_TRUE(hw->ioctlsOf("/dev/gpio").empty());
}

TEST(Gpio, OutputsOnlyOnOutputPinsOfAnOpenDevice)
{
    FakeHardware* hw = FakeHardware::install();
    Gpio gpio("/dev/gpio");
    EXPECT_EQ(Gpio::ioctl(2, true), -1);
    EXPECT_EQ(Gpio::read(2), -1);
    ASSERT_GE(gpio.open(), 0);
    for (int pin : { 1, 3, 5, 7, 9, 13 })
        EXPECT_EQ(Gpio::ioctl(pin, true), -1) << pin;
    EXPECT_TRUE(hw->ioctlsOf("/dev/gpio").empty());
    EXPECT_EQ(Gpio::ioctl(2, true), 0);
    EXPECT_EQ(hw->pin(2), 1);
    EXPECT_EQ(Gpio::ioctl(2, false), 0);
    EXPECT_EQ(hw->pin(2), 0);
}
