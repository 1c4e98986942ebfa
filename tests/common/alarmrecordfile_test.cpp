#include "alarmrecordfile.h"
#include "runtimetree.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <thread>

namespace {

const char kPath[] = "../log/history.log";
const char kOpen[] = "                   ";
const char kBar[] = "-------------------";

std::string header(const char* next, const char* size)
{
    return std::string("[NEXT]\n") + next + "\n\n[SIZE]\n" + size + "\n\n[RECORD]";
}

std::string slot(int k, int code, int point, const char* start, const char* end, int active)
{
    char buf[128];
    snprintf(buf, sizeof buf, "\n%04d/%010d/%010d/%010d/%s/%s/%01d", k, code, point, 0, start, end, active);
    return buf;
}

ChargerFault fault(int code, int point, const char* start, const char* end, int active)
{
    ChargerFault f;
    memset(&f, 0, sizeof f);
    f.code = code;
    f.index = point;
    strcpy(f.startTime, start);
    strcpy(f.endTime, end);
    f.active = char(active);
    return f;
}

TEST(AlarmRecordFile, AMissingFileIsCreatedEmpty)
{
    RuntimeTree tree;
    norvale::AlarmRecordFile f(kPath, false);
    EXPECT_TRUE(f.read());
    EXPECT_EQ(f.size(), 0);
    EXPECT_EQ(tree.readFile("log/history.log"), "[NEXT]\n0001\n\n[SIZE]\n0000\n\n[RECORD]");
}

TEST(AlarmRecordFile, AnAlarmIsOpenedAndClosedInItsSlot)
{
    RuntimeTree tree;
    norvale::AlarmRecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    ChargerFault open = fault(101, 5, "2024-01-02 03:04:05", "", 1);
    ASSERT_TRUE(f.set(&open));
    ASSERT_TRUE(f.write());
    const std::string opened = header("0002", "0001") + std::string(2, '\0')
        + "\n0000/0000000101/0000000005/0000000000/2024-01-02 03:04:05/                   /1";
    EXPECT_EQ(tree.readFile("log/history.log"), opened);

    ChargerFault close = fault(101, 5, "", "2024-01-02 03:09:00", 0);
    ASSERT_TRUE(f.set(&close));
    ASSERT_TRUE(f.write());
    EXPECT_EQ(tree.readFile("log/history.log"), header("0002", "0001") + std::string(2, '\0')
            + "\n0000/0000000101/0000000005/0000000000/2024-01-02 03:04:05/2024-01-02 03:09:00/0");

    ChargerFault got;
    ASSERT_EQ(f.get(0, &got), 1);
    EXPECT_EQ(got.code, 101);
    EXPECT_EQ(got.index, 5);
    EXPECT_STREQ(got.startTime, "2024-01-02 03:04:05");
    EXPECT_STREQ(got.endTime, "2024-01-02 03:09:00");
    EXPECT_EQ(got.active, 0);
    EXPECT_EQ(f.get(1, &got), 0);
    EXPECT_EQ(f.get(-1, &got), 0);
    EXPECT_EQ(f.get(0, nullptr), 0);
}

TEST(AlarmRecordFile, ClosingWithoutAnOpenAlarmChangesNothing)
{
    RuntimeTree tree;
    norvale::AlarmRecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    ChargerFault open = fault(101, 5, "2024-01-02 03:04:05", "", 1);
    ASSERT_TRUE(f.set(&open));
    ChargerFault other = fault(101, 6, "", "2024-01-02 03:09:00", 0);
    EXPECT_FALSE(f.set(&other));
    ChargerFault got;
    ASSERT_EQ(f.get(0, &got), 1);
    EXPECT_STREQ(got.endTime, kOpen);
}

TEST(AlarmRecordFile, TheAlarmAfterAFullRingTakesSlotZeroAgain)
{
    RuntimeTree tree;
    norvale::AlarmRecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    for (int i = 0; i < 6499; ++i) {
        ChargerFault a = fault(i, 0, "2024-01-01 00:00:00", "", 1);
        ASSERT_TRUE(f.set(&a));
    }
    ASSERT_TRUE(f.write());
    EXPECT_EQ(tree.readFile("log/history.log").substr(0, 34), header("6500", "6499"));
    ChargerFault last = fault(6499, 0, "2024-01-01 00:00:00", "", 1);
    ASSERT_TRUE(f.set(&last));
    ASSERT_TRUE(f.write());
    EXPECT_EQ(tree.readFile("log/history.log").substr(0, 34), header("0001", "6500"));

    ChargerFault wrap = fault(7777, 3, "2024-03-03 03:03:03", "", 1);
    ASSERT_TRUE(f.set(&wrap));
    ASSERT_TRUE(f.write());
    std::string bytes = tree.readFile("log/history.log");
    EXPECT_EQ(bytes.size(), 36u + 80u * 6500u);
    EXPECT_EQ(bytes.substr(0, 34), header("0002", "6500"));
    EXPECT_EQ(bytes.substr(36, 80), slot(0, 7777, 3, "2024-03-03 03:03:03", kOpen, 1));
    EXPECT_EQ(bytes.substr(36 + 80, 80), slot(1, 1, 0, "2024-01-01 00:00:00", kOpen, 1));
    ASSERT_EQ(f.size(), 6500);
    ChargerFault got;
    f.get(0, &got);
    EXPECT_EQ(got.code, 1);
    f.get(6499, &got);
    EXPECT_EQ(got.code, 7777);
}

TEST(AlarmRecordFile, ReadingRestoresOldestToNewestAcrossTheSeam)
{
    RuntimeTree tree;
    std::string bytes = header("0003", "6500") + std::string(2, '\0');
    for (int k = 0; k < 6500; ++k)
        bytes += slot(k, k, 1, "2024-01-01 00:00:00", "2024-01-01 00:00:01", 0);
    tree.writeFile("log/history.log", bytes);
    norvale::AlarmRecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    ASSERT_EQ(f.size(), 6500);
    ChargerFault got;
    const int expect[][2] = { { 0, 2 }, { 1, 3 }, { 6497, 6499 }, { 6498, 0 }, { 6499, 1 } };
    for (auto& e : expect) {
        ASSERT_EQ(f.get(e[0], &got), 1);
        EXPECT_EQ(got.code, e[1]) << "position " << e[0];
    }
    EXPECT_EQ(tree.readFile("log/history.log"), bytes);
}

TEST(AlarmRecordFile, AlarmsLeftOpenAreClosedWithBarsAtStart)
{
    RuntimeTree tree;
    const std::string closed = slot(0, 100, 1, "2024-01-01 00:00:01", "2024-01-01 00:00:09", 0);
    tree.writeFile("log/history.log", header("0004", "0003") + std::string(2, '\0') + closed
            + slot(1, 7, 1, "2024-01-01 00:00:02", kOpen, 1) + slot(2, 7, 1, "2024-01-01 00:00:03", kOpen, 1));
    norvale::AlarmRecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    EXPECT_EQ(tree.readFile("log/history.log"), header("0004", "0003") + std::string(2, '\0') + closed
            + slot(1, 7, 1, "2024-01-01 00:00:02", kBar, 0) + slot(2, 7, 1, "2024-01-01 00:00:03", kBar, 0));
    ChargerFault got;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(f.get(i, &got), 1);
        EXPECT_EQ(got.active, 0);
    }
    // Nothing is open any more: a close finds no alarm.
    ChargerFault close = fault(7, 1, "", "2024-01-01 00:01:00", 0);
    EXPECT_FALSE(f.set(&close));
}

TEST(AlarmRecordFile, PagesReadWhileTheDataThreadWrites)
{
    RuntimeTree tree;
    norvale::AlarmRecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    std::atomic<bool> done{ false };
    std::thread data([&f, &done] {
        for (int i = 0; i < 200; ++i) {
            ChargerFault open = fault(100 + i % 7, i, "2024-01-02 03:04:05", "", 1);
            f.set(&open);
            ChargerFault close = fault(100 + i % 7, i, "", "2024-01-02 03:04:06", 0);
            f.set(&close);
            f.write();
        }
        done = true;
    });
    // Each read sees a whole alarm: the newest, opened or already closed, never a torn one, and
    // the history only grows.
    int seen = 0, torn = 0, last = 0, shrank = 0;
    for (bool finished = false; !finished;) {
        finished = done;
        const int n = f.size();
        shrank += n < last;
        last = n;
        ChargerFault got;
        if (n <= 0 || f.get(n - 1, &got) != 1)
            continue;
        ++seen;
        const bool whole = got.index == n - 1 && got.code == 100 + (n - 1) % 7
            && std::string(got.startTime) == "2024-01-02 03:04:05"
            && ((got.active == 1 && std::string(got.endTime) == kOpen)
                || (got.active == 0 && std::string(got.endTime) == "2024-01-02 03:04:06"));
        if (!whole && torn++ == 0)
            ADD_FAILURE() << "alarm " << n - 1 << " read as " << got.code << "/" << got.index << "/" << got.startTime
                          << "/" << got.endTime << "/" << int(got.active);
    }
    data.join();
    EXPECT_GE(seen, 1);
    EXPECT_EQ(torn, 0) << "of " << seen << " reads";
    EXPECT_EQ(shrank, 0);
    EXPECT_EQ(f.size(), 200);
    ChargerFault lastOne;
    ASSERT_EQ(f.get(199, &lastOne), 1);
    EXPECT_EQ(lastOne.active, 0);
    norvale::AlarmRecordFile again(kPath, false);
    ASSERT_TRUE(again.read());
    EXPECT_EQ(again.size(), 200);
}

} // namespace
