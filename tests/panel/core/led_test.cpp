#include "led.h"
#include "gpio.h"
#include "fakehardware.h"

#include <gtest/gtest.h>
#include <string>

namespace {
std::string levels(FakeHardware* hw, Led& led, int pin, int ticks)
{
    std::string out;
    for (int t = 0; t < ticks; ++t) {
        led.tick();
        out += hw->pin(pin) ? '#' : '.';
    }
    return out;
}
}

TEST(Led, FastAndSlowBlink)
{
    FakeHardware* hw = FakeHardware::install();
    Gpio gpio("/dev/gpio");
    ASSERT_GE(gpio.open(), 0);
    Led led(gpio.get_handle());
    led.sys_ctl(0x32);   // LED 0 (output 12) every tick, LED 1 (output 11) every sixth
    std::string fast, slow;
    for (int t = 0; t < 24; ++t) {
        led.tick();
        fast += hw->pin(12) ? '#' : '.';
        slow += hw->pin(11) ? '#' : '.';
    }
    EXPECT_EQ(fast, "#.#.#.#.#.#.#.#.#.#.#.#.");
    EXPECT_EQ(slow, "######......######......");
    EXPECT_EQ(led.get_led_state(), 0x32);
}

TEST(Led, SteadyModesAndModesThatLeaveTheLedAlone)
{
    FakeHardware* hw = FakeHardware::install();
    Gpio gpio("/dev/gpio");
    ASSERT_GE(gpio.open(), 0);
    Led led(gpio.get_handle());
    led.sys_ctl(0x10);
    EXPECT_EQ(levels(hw, led, 11, 3), "###");
    EXPECT_EQ(hw->pin(12), 0);
    led.sys_ctl(0x01);
    EXPECT_EQ(levels(hw, led, 12, 3), "###");
    EXPECT_EQ(hw->pin(11), 0);
    hw->setPin(11, 1);
    led.sys_ctl(0xF4);
    hw->clearLog();
    EXPECT_EQ(levels(hw, led, 11, 3), "###");
    EXPECT_TRUE(hw->ioctlsOf("/dev/gpio").empty());
}

TEST(Led, NothingWrittenWithoutADevice)
{
    FakeHardware::install();
    Led led(-1);
    EXPECT_EQ(Led::ioctl(12, 1), -1);
}
