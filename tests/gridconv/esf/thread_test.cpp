#include "esf/thread.h"

#include "esf/log.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <string>

using esf::Thread;

TEST(EsfThread, SleepSteppsTheSeamInPieces)
{
    TimeSeam::useFakeClock(true);
    struct Case {
        int ms;
        int64_t slept;
    } cases[] = { { 12000, 12000 }, { 10000, 10000 }, { 5000, 5000 }, { 30, 30 }, { 0, 0 }, { -5, 0 } };
    for (const Case& c : cases) {
        int64_t t0 = TimeSeam::monotonicMs();
        EXPECT_EQ(Thread::sleep(c.ms), 0);
        EXPECT_EQ(TimeSeam::monotonicMs() - t0, c.slept) << c.ms;
    }
    TimeSeam::useFakeClock(false);
}

namespace {
struct Recorder : esf::Log {
    std::string lines;
    void log(const char* text) override { lines += std::string(text) + "\n"; }
};

struct Worker : Thread {
    using Thread::Thread;
    std::atomic<int> passes{ 0 };
    void run() override
    {
        while (!isQuit() && passes < 1000000)
            ++passes, TimeSeam::sleepMs(1);
    }
};
}

TEST(EsfThread, RunsDetachedUntilStopped)
{
    Recorder rec;
    Worker w("poller", &rec, false);
    EXPECT_STREQ(w.getName(), "poller");
    EXPECT_EQ(w.getState(), 0);
    ASSERT_EQ(w.start(), 1);
    EXPECT_TRUE(w.isActive());
    while (w.passes == 0)
        TimeSeam::sleepMs(1);
    w.stop();
    EXPECT_TRUE(w.isQuit());
    for (int i = 0; i < 2000 && w.getState() != 2; ++i)
        TimeSeam::sleepMs(1);
    EXPECT_EQ(w.getState(), 2);
    EXPECT_EQ(w.getPid(), getpid());
    w.log("hello");
    EXPECT_EQ(rec.lines, "hello\n");
}
