#include "esf/time.h"

#include "timeseam.h"

#include <gtest/gtest.h>
#include <string>

using esf::Time;

TEST(EsfTime, MillisecondClocksFollowTheSeam)
{
    TimeSeam::useFakeClock(true);
    double w0 = Time::getCurrentTimeMillis();
    double m0 = Time::getMonotonicMillis();
    TimeSeam::advanceMs(50);
    EXPECT_DOUBLE_EQ(Time::getCurrentTimeMillis() - w0, 50.0);
    EXPECT_DOUBLE_EQ(Time::getMonotonicMillis() - m0, 50.0);
    // A step of the wall clock leaves the interval clock alone.
    TimeSeam::setWallTime(1000);
    EXPECT_DOUBLE_EQ(Time::getCurrentTimeMillis(), 1000000.0);
    EXPECT_DOUBLE_EQ(Time::getMonotonicMillis() - m0, 50.0);
    TimeSeam::useFakeClock(false);
}

TEST(EsfTime, FieldsAndFormatting)
{
    Time t(2019, 3, 4, 5, 6, 7);
    EXPECT_EQ(t.GetYear(), 2019);
    EXPECT_EQ(t.GetMonth(), 3);
    EXPECT_EQ(t.GetDay(), 4);
    EXPECT_EQ(t.GetHour(), 5);
    EXPECT_EQ(t.GetMinute(), 6);
    EXPECT_EQ(t.GetSecond(), 7);
    char buf[32];
    EXPECT_EQ(t.format("%Y-%m-%d %H:%M:%S", buf, sizeof buf), 19);
    EXPECT_EQ(std::string(buf), "2019-03-04 05:06:07");
    char small[8] = "xxxxxxx";
    EXPECT_EQ(Time::format("%Y-%m-%d", small, sizeof small, 2020, 1, 2, 3, 4, 5), 0);
    EXPECT_EQ(small[0], '\0') << "too short: left empty";
    EXPECT_EQ(Time(t.getTime()).GetDay(), 4);

    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(Time(2021, 12, 31, 23, 59, 58).getTime());
    EXPECT_EQ(Time::getCurrentTimeString("%Y%m%d%H%M%S", buf, sizeof buf), 14);
    EXPECT_EQ(std::string(buf), "20211231235958");
    TimeSeam::useFakeClock(false);
}
