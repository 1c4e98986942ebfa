#include "esf/timer.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <vector>

namespace {
std::vector<int> g_fired;
void fired(int id, void*) { g_fired.push_back(id); }
}

TEST(EsfTimer, TasksRunWhenTheirIntervalHasPassed)
{
    TimeSeam::useFakeClock(true);
    esf::Timer t;
    EXPECT_EQ(t.set(1, 100, fired, nullptr), 1);
    EXPECT_EQ(t.set(2, 250, fired, nullptr), 1);
    EXPECT_EQ(t.set(3, 0, fired, nullptr), 0);
    g_fired.clear();
    t.onePass();
    EXPECT_TRUE(g_fired.empty());
    TimeSeam::advanceMs(100);
    t.onePass();
    TimeSeam::advanceMs(100);
    t.onePass();
    TimeSeam::advanceMs(100);
    t.onePass();
    EXPECT_EQ(g_fired, (std::vector<int>{ 1, 1, 1, 2 }));
    EXPECT_EQ(t.kill(1), 1);
    t.set(2, 50, fired, nullptr);
    g_fired.clear();
    TimeSeam::advanceMs(50);
    t.onePass();
    EXPECT_EQ(g_fired, (std::vector<int>{ 2 }));
    t.clear();
    TimeSeam::advanceMs(1000);
    t.onePass();
    EXPECT_EQ(g_fired.size(), 1u);
    TimeSeam::useFakeClock(false);
}
