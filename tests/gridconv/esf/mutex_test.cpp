#include "esf/auto_lock.h"
#include "esf/mutex.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <thread>

TEST(EsfMutex, TimedLockGivesUpAfterItsTimeout)
{
    TimeSeam::useFakeClock(true);
    esf::Mutex m;
    {
        esf::auto_lock held(m);
        int r = -1;
        int64_t t0 = TimeSeam::monotonicMs();
        std::thread other([&] { r = m.lock(100); });
        other.join();
        EXPECT_EQ(r, 0);
        EXPECT_GE(TimeSeam::monotonicMs() - t0, 100);
    }
    EXPECT_EQ(m.lock(100), 1);
    m.unlock();
    TimeSeam::useFakeClock(false);
}
