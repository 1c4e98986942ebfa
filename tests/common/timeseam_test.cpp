#include "timeseam.h"

#include <gtest/gtest.h>
#include <atomic>
#include <thread>

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

TEST(TimeSeam, WaitFollowsTheSteppedClockWithoutSteppingIt)
{
    TimeSeam::useFakeClock(true);
    const int64_t m0 = TimeSeam::monotonicMs();
    std::atomic<bool> done(false);
    std::thread t([&] {
        TimeSeam::waitMs(100);
        done = true;
    });
    TimeSeam::advanceMs(60);
    struct timespec nap = { 0, 20000000 };
    nanosleep(&nap, nullptr);
    EXPECT_FALSE(done);
    EXPECT_EQ(TimeSeam::monotonicMs() - m0, 60);
    TimeSeam::advanceMs(40);
    t.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(TimeSeam::monotonicMs() - m0, 100);
    TimeSeam::useFakeClock(false);
}
