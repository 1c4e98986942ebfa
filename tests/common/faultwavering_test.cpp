#include "faultwavering.h"
#include "runtimetree.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

const char* kRing = "../log/acFaultData.dat";

FaultRealDataLog record(int module)
{
    FaultRealDataLog r;
    memset(&r, 0, sizeof r);
    r.time.year = 2019;
    r.time.month = 6;
    r.time.day = 3;
    r.time.hour = 10;
    r.time.minute = 29;
    r.time.second = 7;
    r.module = module;
    r.snapshots[0][0] = 1.5f;
    r.snapshots[16][99] = -2.0f;
    return r;
}

// The record's bytes written out by hand from the layout.
std::string golden(int module)
{
    std::string b(6812, '\0');
    b[0] = char(2019 & 0xFF);
    b[1] = char(2019 >> 8);
    b[2] = 6;
    b[4] = 3;
    b[5] = 10;
    b[6] = 29;
    b[7] = 7;
    b[8] = char(module);
    const char onePointFive[4] = { 0x00, 0x00, char(0xC0), 0x3F };
    const char minusTwo[4] = { 0x00, 0x00, 0x00, char(0xC0) };
    b.replace(12, 4, onePointFive, 4);
    b.replace(6812 - 4, 4, minusTwo, 4);
    return b;
}

unsigned nextSlot(const std::string& file)
{
    return (unsigned char)file[0] | (unsigned char)file[1] << 8;
}

}

TEST(FaultWaveRing, EmptyFileTakesItsFirstRecordAtOffsetTwo)
{
    RuntimeTree tree;
    FaultWaveRing ring(kRing);
    FaultRealDataLog r = record(5);
    EXPECT_EQ(ring.writeFaultRealData(&r), 0);
    std::string file = tree.readFile("log/acFaultData.dat");
    ASSERT_EQ(file.size(), 2u + 6812u);
    EXPECT_EQ(nextSlot(file), 1u);
    EXPECT_EQ(file.substr(2), golden(5));
}

TEST(FaultWaveRing, HundredAndSecondRecordGoesToSlotZero)
{
    RuntimeTree tree;
    FaultWaveRing ring(kRing);
    for (int k = 0; k < 102; ++k) {
        FaultRealDataLog r = record(k);
        ASSERT_EQ(ring.writeFaultRealData(&r), 0) << k;
    }
    std::string file = tree.readFile("log/acFaultData.dat");
    ASSERT_EQ(file.size(), 688014u);
    EXPECT_EQ(nextSlot(file), 1u);
    EXPECT_EQ(file.substr(2, 6812), golden(101));
    EXPECT_EQ(file.substr(2 + 6812 * 100, 6812), golden(100));
}

TEST(FaultWaveRing, DamagedSlotWordStartsOver)
{
    RuntimeTree tree;
    tree.writeFile("log/acFaultData.dat", std::string("\xC8\x00", 2));   // slot 200
    FaultWaveRing ring(kRing);
    FaultRealDataLog r = record(9);
    EXPECT_EQ(ring.writeFaultRealData(&r), 0);
    std::string file = tree.readFile("log/acFaultData.dat");
    ASSERT_EQ(file.size(), 2u + 6812u);
    EXPECT_EQ(nextSlot(file), 1u);
    EXPECT_EQ(file.substr(2), golden(9));
    EXPECT_EQ(ring.writeFaultRealData(nullptr), -1);
}

TEST(FaultWaveRing, TimeOfCaptureIsTheLocalTimeNow)
{
    TimeSeam::useFakeClock(true);
    struct tm t = {};
    t.tm_year = 2021 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 58;
    t.tm_isdst = -1;
    TimeSeam::setWallTime(mktime(&t));
    Time now;
    FaultWaveRing::get_time(&now);
    TimeSeam::useFakeClock(false);
    EXPECT_EQ(now.year, 2021);
    EXPECT_EQ(now.month, 12);
    EXPECT_EQ(now.day, 31);
    EXPECT_EQ(now.hour, 23);
    EXPECT_EQ(now.minute, 59);
    EXPECT_EQ(now.second, 58);
}
