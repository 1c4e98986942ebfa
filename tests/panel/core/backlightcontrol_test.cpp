#include "backlightcontrol.h"
#include "fakehardware.h"

#include <gtest/gtest.h>

TEST(BackLightControl, OneByteOnAndOff)
{
    FakeHardware* hw = FakeHardware::install();
    BackLightControl bk("/dev/backlight");
    EXPECT_GE(bk.openBK(), 0);
    bk.bkOn();
    bk.bkOff();
    EXPECT_EQ(hw->written["/dev/backlight"], std::string("\x01\x00", 2));
}

TEST(BackLightControl, WithoutADeviceNothingIsWritten)
{
    FakeHardware* hw = FakeHardware::install();
    hw->missing.insert("/dev/backlight");
    BackLightControl bk("/dev/backlight");
    EXPECT_LT(bk.openBK(), 0);
    bk.bkOn();
    EXPECT_TRUE(hw->written.empty());
}
