#include "watchdog.h"
#include "fakehardware.h"

#include <gtest/gtest.h>
#include <linux/watchdog.h>

TEST(Watchdog, ArmedForThirtySecondsAndFed)
{
    FakeHardware* hw = FakeHardware::install();
    Watchdog dog("/dev/watchdog");
    EXPECT_GT(dog.open(), 0);
    EXPECT_EQ(dog.feed(), 0);
    const auto calls = hw->ioctlsOf("/dev/watchdog");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].request, (unsigned long)WDIOC_SETTIMEOUT);
    EXPECT_EQ(calls[0].arg, 30);
    EXPECT_EQ(calls[1].request, (unsigned long)WDIOC_KEEPALIVE);

    EXPECT_EQ(dog.stop(), 0);
    EXPECT_EQ(hw->written["/dev/watchdog"], "V");
    EXPECT_EQ(Watchdog::handle, -1);
    EXPECT_EQ(dog.feed(), -1);
}

TEST(Watchdog, MissingDeviceMakesFeedsDoNothing)
{
    FakeHardware* hw = FakeHardware::install();
    hw->missing.insert("/dev/watchdog");
    Watchdog dog("/dev/watchdog");
    EXPECT_LT(dog.open(), 0);
    EXPECT_EQ(dog.feed(), -1);
    EXPECT_EQ(dog.settime(10), -1);
    EXPECT_TRUE(hw->ioctlsOf("/dev/watchdog").empty());
}
