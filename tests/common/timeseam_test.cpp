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
    std::atomic<int64_t> began(-1), ended(-1);
    std::thread t([&] {
        began = TimeSeam::monotonicMs();
        TimeSeam::waitMs(100);
        ended = TimeSeam::monotonicMs();
    });
    // Step the clock in small steps until the waiting thread is through.
    int64_t stepped = 0;
    while (ended < 0 && stepped < 10000) {
        struct timespec nap = { 0, 2000000 };
        nanosleep(&nap, nullptr);
        TimeSeam::advanceMs(10);
        stepped += 10;
    }
    t.join();
    EXPECT_GE(ended - began, 100);
    // Only the test moved the clock.
    EXPECT_EQ(TimeSeam::monotonicMs() - m0, stepped);
    TimeSeam::useFakeClock(false);
}
