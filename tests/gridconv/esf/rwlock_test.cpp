#include "esf/auto_rwlock.h"
#include "esf/rwlock.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <thread>

TEST(EsfRwlock, ReadersShareWritersExclude)
{
    TimeSeam::useFakeClock(true);
    esf::Rwlock l;
    {
        esf::auto_rwlock r1(l, false);
        EXPECT_TRUE(r1.islock());
        int second = -1, writer = -1;
        std::thread([&] { second = l.rdlock(0); if (second) l.rdunlock(); }).join();
        EXPECT_EQ(second, 1);
        std::thread([&] { writer = l.wrlock(60); }).join();
        EXPECT_EQ(writer, 0) << "a reader holds it";
    }
    esf::auto_rwlock w(l, true);
    EXPECT_TRUE(w.islock());
    int reader = -1;
    std::thread([&] { reader = l.rdlock(60); }).join();
    EXPECT_EQ(reader, 0);
    TimeSeam::useFakeClock(false);
}
