#include "buzz.h"
#include "fakehardware.h"

#include <gtest/gtest.h>
#include <string>

namespace {
std::string play(Buzz& buzz, int ticks)
{
    std::string out;
    for (int t = 0; t < ticks; ++t) {
        buzz.tick();
        out += Buzz::beepFlag ? '#' : '.';
    }
    return out;
}
int mode()
{
    return Buzz::sys_beep_state & 0xFF;
}
}

TEST(Buzz, Patterns)
{
    struct Case { const char* name; int mode, times, ticks; const char* sound; int modeAfter; } cases[] = {
        { "three short beeps, then silence", 2, 3, 30, "#####.....#####.....#####.....", 0 },
        { "long pattern without end", 3, 0, 45, "#####...............#####...............#####", 3 },
        { "a tone of three ticks", 1, 3, 6, "###...", 0 },
        { "a tone until the mode changes", 1, 0, 8, "########", 1 },
        { "an unknown mode becomes silence", 9, 1, 3, "...", 0 },
    };
    FakeHardware* hw = FakeHardware::install();
    Buzz buzz("/dev/pwm");
    ASSERT_GE(Buzz::open(), 0);
    for (const auto& c : cases) {
        Buzz::beep(0, 0);
        play(buzz, 1);
        hw->clearLog();
        Buzz::beep(c.mode, c.times);
        EXPECT_EQ(play(buzz, c.ticks), c.sound) << c.name;
        EXPECT_EQ(mode(), c.modeAfter) << c.name;
    }
    // The tone goes out at 1000 Hz; silence is request 0.
    Buzz::beep(2, 1);
    hw->clearLog();
    play(buzz, 6);
    const auto pwm = hw->ioctlsOf("/dev/pwm");
    ASSERT_EQ(pwm.size(), 2u);
    EXPECT_EQ(pwm[0].request, 1u);
    EXPECT_EQ(pwm[0].arg, 1000);
    EXPECT_EQ(pwm[1].request, 0u);
}

TEST(Buzz, RefusedDriverIsLoggedAndThePanelGoesOn)
{
    FakeHardware* hw = FakeHardware::install();
    hw->failing.insert("/dev/pwm");
    Buzz buzz("/dev/pwm");
    ASSERT_GE(Buzz::open(), 0);
    Buzz::beep(1, 0);
    testing::internal::CaptureStdout();
    buzz.tick();
    Buzz::beep(0, 0);
    buzz.tick();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("set the frequency of the buzzer"), std::string::npos) << out;
    EXPECT_NE(out.find("stop the buzzer"), std::string::npos) << out;
    EXPECT_EQ(Buzz::beepFlag, 0);
}

TEST(Buzz, NoThreadWithoutADevice)
{
    FakeHardware* hw = FakeHardware::install();
    hw->missing.insert("/dev/pwm");
    Buzz buzz("/dev/pwm");
    EXPECT_LT(buzz.start(), 0);
    EXPECT_LT(Buzz::buzzFd, 0);
}
