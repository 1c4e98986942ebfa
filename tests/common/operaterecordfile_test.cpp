#include "operaterecordfile.h"
#include "runtimetree.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <limits>
#include <math.h>
#include <string.h>

namespace {

const char kPath[] = "../log/operaterecord.log";
const std::string kBlank32(32, ' ');

// "[索引 操作时间 操作类型编号 操作名称 模块编号 原始值 修改值]" in the GBK code page, byte by byte.
const unsigned char kCaption[60] = {
    0x5b, 0xcb, 0xf7, 0xd2, 0xfd, 0x20, 0xb2, 0xd9, 0xd7, 0xf7, 0xca, 0xb1, 0xbc, 0xe4, 0x20,
    0xb2, 0xd9, 0xd7, 0xf7, 0xc0, 0xe0, 0xd0, 0xcd, 0xb1, 0xe0, 0xba, 0xc5, 0x20, 0xb2, 0xd9,
    0xd7, 0xf7, 0xc3, 0xfb, 0xb3, 0xc6, 0x20, 0xc4, 0xa3, 0xbf, 0xe9, 0xb1, 0xe0, 0xba, 0xc5,
    0x20, 0xd4, 0xad, 0xca, 0xbc, 0xd6, 0xb5, 0x20, 0xd0, 0xde, 0xb8, 0xc4, 0xd6, 0xb5, 0x5d,
};

std::string header(const char* next, const char* size)
{
    return std::string("[NEXT]\n") + next + "\n\n[SIZE]\n" + size + "\n\n"
        + std::string(reinterpret_cast<const char*>(kCaption), sizeof kCaption) + "\n[RECORD]";
}

OperateRecord record(const char* time, int oid, int modules, double rdata, double mdata)
{
    OperateRecord r;
    memset(&r, 0, sizeof r);
    strncpy(r.time, time, sizeof r.time - 1);
    r.oid = oid;
    r.modules = modules;
    r.rdata = rdata;
    r.mdata = mdata;
    return r;
}

TEST(OperateRecordFile, AMissingFileIsCreatedWithItsGbkCaption)
{
    RuntimeTree tree;
    norvale::OperateRecordFile f(kPath, false);
    EXPECT_TRUE(f.read());
    EXPECT_EQ(f.size(), 0);
    EXPECT_EQ(tree.readFile("log/operaterecord.log"), header("0001", "0000"));
    EXPECT_EQ(header("0001", "0000").size(), 95u);
}

TEST(OperateRecordFile, OneRecordIsOneNinetyByteSlot)
{
    RuntimeTree tree;
    norvale::OperateRecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    OperateRecord r = record("2024-01-02 03:04:05", 87, 101, 12.3456, -1.0);
    ASSERT_TRUE(f.set(&r));
    ASSERT_TRUE(f.write());
    EXPECT_EQ(tree.readFile("log/operaterecord.log"),
        header("0002", "0001") + "\n0000/2024-01-02 03:04:05/0087/" + kBlank32 + "/0101/0000012345/-000001000");

    norvale::OperateRecordFile again(kPath, false);
    ASSERT_TRUE(again.read());
    OperateRecord got;
    ASSERT_EQ(again.get(0, &got), 1);
    EXPECT_EQ(got.index, 0);
    EXPECT_STREQ(got.time, "2024-01-02 03:04:05");
    EXPECT_EQ(got.oid, 87);
    EXPECT_EQ(got.modules, 101);
    EXPECT_DOUBLE_EQ(got.rdata, 12.345);
    EXPECT_DOUBLE_EQ(got.mdata, -1.0);
    EXPECT_EQ(again.get(1, &got), 0);
    EXPECT_EQ(again.get(0, nullptr), 0);
}

TEST(OperateRecordFile, EveryFieldStaysInsideItsWidth)
{
    RuntimeTree tree;
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1704164645);  // 2024-01-02 03:04:05 UTC
    char now[32];
    time_t t = 1704164645;
    struct tm tmv;
    localtime_r(&t, &tmv);
    strftime(now, sizeof now, "%Y-%m-%d %H:%M:%S", &tmv);

    struct Case {
        const char* name;
        OperateRecord r;
        std::string line;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        { "nan_is_zero", record("2024-01-02 03:04:05", 1, 2, nan, nan),
            "2024-01-02 03:04:05/0001/" + kBlank32 + "/0002/0000000000/0000000000" },
        { "values_clamped", record("2024-01-02 03:04:05", 1, 2, 1e12, -1e12),
            "2024-01-02 03:04:05/0001/" + kBlank32 + "/0002/2147483647/-999999999" },
        { "codes_clamped", record("2024-01-02 03:04:05", 123456, -5000, 0, 0),
            "2024-01-02 03:04:05/9999/" + kBlank32 + "/-999/0000000000/0000000000" },
        { "short_time_padded", record("2024-01-02 03:04", 1, 2, 0, 0),
            "2024-01-02 03:04   /0001/" + kBlank32 + "/0002/0000000000/0000000000" },
        { "slash_in_time_replaced", record("2024/01/02 03:04:05", 1, 2, 0, 0),
            std::string(now) + "/0001/" + kBlank32 + "/0002/0000000000/0000000000" },
        { "empty_time_replaced", record("", 1, 2, 0, 0),
            std::string(now) + "/0001/" + kBlank32 + "/0002/0000000000/0000000000" },
    };
    norvale::OperateRecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    for (const Case& c : cases) {
        OperateRecord r = c.r;
        memset(r.time + strlen(r.time) + 1, 'z', sizeof r.time - strlen(r.time) - 1);
        ASSERT_TRUE(f.set(&r)) << c.name;
    }
    // A time text that fills all 32 bytes without an end.
    OperateRecord unterminated = record("", 1, 2, 0, 0);
    memset(unterminated.time, '7', sizeof unterminated.time);
    ASSERT_TRUE(f.set(&unterminated));
    ASSERT_TRUE(f.write());
    std::string bytes = tree.readFile("log/operaterecord.log");
    ASSERT_EQ(bytes.size(), 95u + 90u * 7u);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        char k[8];
        snprintf(k, sizeof k, "%04d/", int(i));
        EXPECT_EQ(bytes.substr(95 + 90 * i, 90), "\n" + std::string(k) + cases[i].line) << cases[i].name;
    }
    EXPECT_EQ(bytes.substr(95 + 90 * 6, 25), "\n0006/" + std::string(now));
    TimeSeam::useFakeClock(false);
}

TEST(OperateRecordFile, SetBeforeReadIsRefused)
{
    RuntimeTree tree;
    norvale::OperateRecordFile f(kPath, false);
    OperateRecord r = record("2024-01-02 03:04:05", 1, 2, 0, 0);
    EXPECT_FALSE(f.set(&r));
    ASSERT_TRUE(f.read());
    EXPECT_FALSE(f.set(nullptr));
    EXPECT_TRUE(f.set(&r));
}

TEST(OperateRecordFile, TheRecordAfterAFullRingTakesSlotZeroAgain)
{
    RuntimeTree tree;
    norvale::OperateRecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    for (int i = 0; i < 9999; ++i) {
        OperateRecord r = record("2024-01-02 03:04:05", i % 10000, 100, i, 0);
        ASSERT_TRUE(f.set(&r));
    }
    ASSERT_TRUE(f.write());
    EXPECT_EQ(tree.readFile("log/operaterecord.log").substr(0, 26), header("0001", "9999").substr(0, 26));
    OperateRecord r = record("2024-05-05 05:05:05", 42, 2000, 0, 1);
    ASSERT_TRUE(f.set(&r));
    ASSERT_TRUE(f.write());
    std::string bytes = tree.readFile("log/operaterecord.log");
    EXPECT_EQ(bytes.size(), 95u + 90u * 9999u);
    EXPECT_EQ(bytes.substr(0, 95), header("0002", "9999"));
    EXPECT_EQ(bytes.substr(95, 90), "\n0000/2024-05-05 05:05:05/0042/" + kBlank32 + "/2000/0000000000/0000001000");
    ASSERT_EQ(f.size(), 9999);
    OperateRecord got;
    f.get(0, &got);
    EXPECT_DOUBLE_EQ(got.rdata, 1.0);

    norvale::OperateRecordFile again(kPath, false);
    ASSERT_TRUE(again.read());
    ASSERT_EQ(again.size(), 9999);
    again.get(0, &got);
    EXPECT_DOUBLE_EQ(got.rdata, 1.0);
    again.get(9998, &got);
    EXPECT_EQ(got.oid, 42);
}

TEST(OperateRecordFile, ADamagedHeaderIsRebuiltFromTheSlots)
{
    RuntimeTree tree;
    const std::string slots = "\n0000/2024-01-02 03:04:05/0001/" + kBlank32 + "/0101/0000000000/0000001000"
        + "\n0001/2024-01-02 03:04:06/0002/" + kBlank32 + "/0101/0000000000/0000002000";
    tree.writeFile("log/operaterecord.log", header("0001", "0005") + slots);
    norvale::OperateRecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    EXPECT_EQ(f.size(), 2);
    EXPECT_EQ(tree.readFile("log/operaterecord.log"), header("0003", "0002") + slots);
}

} // namespace
