#include "timeseam.h"

#include <gtest/gtest.h>

TEST(TimeSeam, RealClocksMoveAndSleepWaits)
{
    TimeSeam::useFakeClock(false);
    int64_t m0 = TimeSeam::monotonicMs();
    EXPECT_LE(std::llabs(TimeSeam::wallTime() - time(nullptr)), 1);
    TimeSeam::sleepMs(20);
    EXPECT_GE(TimeSeam::monotonicMs() - m0, 20);
}

TEST(TimeSeam, FakeClockStepsBothClocksWithoutWaiting)
{
    TimeSeam::useFakeClock(true);
    int64_t m0 = TimeSeam::monotonicMs();
    time_t w0 = TimeSeam::wallTime();
    TimeSeam::sleepMs(60 * 1000);
    EXPECT_EQ(TimeSeam::monotonicMs() - m0, 60 * 1000);
    EXPECT_EQ(TimeSeam::wallTime() - w0, 60);
    TimeSeam::advanceMs(500);
    EXPECT_EQ(TimeSeam::monotonicMs() - m0, 60 * 1000 + 500);

    // Setting the wall clock leaves the monotonic clock alone.
    TimeSeam::setWallTime(1700000000);
    EXPECT_EQ(TimeSeam::wallTime(), 1700000000);
    EXPECT_EQ(TimeSeam::monotonicMs() - m0, 60 * 1000 + 500);
    TimeSeam::useFakeClock(false);
    EXPECT_FALSE(TimeSeam::fakeClock());
}

TEST(TestEnvironment, FixedLocaleAndZone)
{
    ASSERT_NE(getenv("TZ"), nullptr);
    EXPECT_STREQ(getenv("TZ"), "Asia/Shanghai");
    ASSERT_NE(getenv("LC_ALL"), nullptr);
    EXPECT_STREQ(getenv("LC_ALL"), "C");
}
