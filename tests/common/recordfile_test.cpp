#include "recordfile.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <string.h>
#include <sys/stat.h>

namespace {

const char kPath[] = "../log/history.log";
const size_t kFirstSlot = 36;
const size_t kSlot = 80;
const size_t kRingEnd = kFirstSlot + kSlot * 6500;

std::string header(const char* next, const char* size)
{
    return std::string("[NEXT]\n") + next + "\n\n[SIZE]\n" + size + "\n\n[RECORD]" + std::string(2, '\0');
}

// One slot as the format gives it: a newline and "%04d/%010d/%010d/%010d/%s/%s/%01d".
std::string slot(int k, int code, int point, const char* start, const char* end, int active)
{
    char buf[128];
    snprintf(buf, sizeof buf, "\n%04d/%010d/%010d/%010d/%s/%s/%01d", k, code, point, 0, start, end, active);
    return buf;
}

const char* const kOpen = "                   ";

norvale::Record record(int code, int point, const char* start, const char* end, int active)
{
    norvale::Record r;
    memset(&r, 0, sizeof r);
    r.item1 = code;
    r.item2 = point;
    strcpy(r.startTime, start);
    strcpy(r.endTime, end);
    r.active = char(active);
    return r;
}

std::vector<int> codes(norvale::RecordFile& f)
{
    std::vector<int> out;
    for (int i = 0; i < f.size(); ++i) {
        norvale::Record r;
        f.get(i, &r);
        out.push_back(r.item1);
    }
    return out;
}

std::string threeAlarms()
{
    return slot(0, 100, 1, "2024-01-01 00:00:01", kOpen, 1) + slot(1, 101, 1, "2024-01-01 00:00:02", kOpen, 1)
        + slot(2, 102, 1, "2024-01-01 00:00:03", kOpen, 1);
}

struct CorruptCase {
    const char* name;
    std::string bytes;
    std::vector<int> codes;  // cache after read(), oldest first
    int newSlot;             // where the next new alarm goes
    const char* next;        // counters after that alarm is written
    const char* size;
};

TEST(RecordFile, DamagedFilesReadWithoutHarmAndNeverWriteOutsideTheRing)
{
    std::string noField = slot(1, 101, 1, "2024-01-01 00:00:02", kOpen, 1);
    noField.replace(noField.rfind('/'), 2, "  ");
    std::string shortTime = slot(1, 101, 1, "2024-01-01 00:00:0", kOpen, 1) + " ";
    const CorruptCase cases[] = {
        { "sound", header("0004", "0003") + threeAlarms(), { 100, 101, 102 }, 3, "0005", "0004" },
        { "next_zero", header("0000", "0003") + threeAlarms(), { 100, 101, 102 }, 3, "0005", "0004" },
        { "next_not_digits", header("00x4", "0003") + threeAlarms(), { 100, 101, 102 }, 3, "0005", "0004" },
        { "next_beyond_capacity", header("9999", "0003") + threeAlarms(), { 100, 101, 102 }, 3, "0005", "0004" },
        { "size_beyond_capacity", header("0004", "7000") + threeAlarms(), { 100, 101, 102 }, 3, "0005", "0004" },
        { "next_and_size_disagree", header("0002", "0003") + threeAlarms(), { 100, 101, 102 }, 3, "0005", "0004" },
        { "shorter_than_header", "[NEXT]\n00", {}, 0, "0002", "0001" },
        { "missing_field", header("0004", "0003") + slot(0, 100, 1, "2024-01-01 00:00:01", kOpen, 1) + noField
                + slot(2, 102, 1, "2024-01-01 00:00:03", kOpen, 1),
            { 100, 102 }, 3, "0005", "0004" },
        { "eighteen_character_time", header("0004", "0003") + slot(0, 100, 1, "2024-01-01 00:00:01", kOpen, 1)
                + shortTime + slot(2, 102, 1, "2024-01-01 00:00:03", kOpen, 1),
            { 100, 102 }, 3, "0005", "0004" },
        { "nul_hole", header("0004", "0003") + slot(0, 100, 1, "2024-01-01 00:00:01", kOpen, 1) + std::string(kSlot, '\0')
                + slot(2, 102, 1, "2024-01-01 00:00:03", kOpen, 1),
            { 100, 102 }, 3, "0005", "0004" },
        { "garbage", std::string(5000, '\xff'), {}, 0, "0002", "0001" },
        // A file that ends inside a slot: the cut slot reads as nothing.
        { "cut_inside_a_slot", header("0003", "0002") + threeAlarms().substr(0, kSlot + 40), { 100 }, 2, "0004",
            "0003" },
        // A full ring by its counters in a short file: the slots past its end are empty.
        { "full_counters_short_file", header("0001", "6500") + threeAlarms(), { 100, 101, 102 }, 0, "0002",
            "6500" },
    };
    for (const CorruptCase& c : cases) {
        RuntimeTree tree;
        tree.writeFile("log/history.log", c.bytes);
        norvale::RecordFile f(kPath, false);
        ASSERT_TRUE(f.read()) << c.name;
        EXPECT_EQ(codes(f), c.codes) << c.name;
        norvale::Record r = record(300, 9, "2024-02-02 02:02:02", kOpen, 1);
        ASSERT_TRUE(f.set(&r));
        ASSERT_TRUE(f.write()) << c.name;
        std::string after = tree.readFile("log/history.log");
        ASSERT_GE(after.size(), 26u) << c.name;
        EXPECT_LE(after.size(), std::max(kRingEnd, c.bytes.size())) << c.name;
        EXPECT_EQ(after.substr(7, 4), c.next) << c.name;
        EXPECT_EQ(after.substr(20, 4), c.size) << c.name;
        size_t at = kFirstSlot + kSlot * size_t(c.newSlot);
        ASSERT_GE(after.size(), at + kSlot) << c.name;
        EXPECT_EQ(after.substr(at, kSlot), slot(c.newSlot, 300, 9, "2024-02-02 02:02:02", kOpen, 1)) << c.name;
    }
}

TEST(RecordFile, FullRingWithALostHeaderFindsTheSeamByTime)
{
    RuntimeTree tree;
    // Slot 2 holds the oldest alarm, slot 1 the newest.
    std::string bytes = std::string(kFirstSlot, 'x');
    for (int k = 0; k < 6500; ++k) {
        int age = (k + 6500 - 2) % 6500;
        char t[32];
        snprintf(t, sizeof t, "2024-01-01 %02d:%02d:%02d", age / 3600, age / 60 % 60, age % 60);
        bytes += slot(k, k, 0, t, "2024-01-02 00:00:00", 0);
    }
    tree.writeFile("log/history.log", bytes);
    norvale::RecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    ASSERT_EQ(f.size(), 6500);
    std::vector<int> c = codes(f);
    EXPECT_EQ(c.front(), 2);
    EXPECT_EQ(c.back(), 1);
    std::string after = tree.readFile("log/history.log");
    EXPECT_EQ(after.substr(0, kFirstSlot - 2), header("0003", "6500").substr(0, kFirstSlot - 2));
}

TEST(RecordFile, ClosingRewritesTheSlotTheRecordWasReadFrom)
{
    RuntimeTree tree;
    // Slot 1's line claims slot 99.
    std::string damagedIndex = slot(99, 101, 4, "2024-01-01 00:00:02", kOpen, 1);
    tree.writeFile("log/history.log", header("0003", "0002") + slot(0, 100, 1, "2024-01-01 00:00:01", kOpen, 1) + damagedIndex);
    norvale::RecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    norvale::Record close = record(101, 4, kOpen, "2024-01-01 00:05:00", 0);
    ASSERT_TRUE(f.set(&close));
    ASSERT_TRUE(f.write());
    EXPECT_EQ(tree.readFile("log/history.log"),
        header("0003", "0002") + slot(0, 100, 1, "2024-01-01 00:00:01", kOpen, 1)
            + slot(1, 101, 4, "2024-01-01 00:00:02", "2024-01-01 00:05:00", 0));
}

TEST(RecordFile, NumbersAreClampedToTheirFields)
{
    RuntimeTree tree;
    norvale::RecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    norvale::Record r = record(INT32_MIN, INT32_MAX, "2024-01-01 00:00:01", kOpen, 7);
    r.item3 = -5;
    ASSERT_TRUE(f.set(&r));
    ASSERT_TRUE(f.write());
    EXPECT_EQ(tree.readFile("log/history.log"),
        header("0002", "0001") + "\n0000/-999999999/2147483647/-000000005/2024-01-01 00:00:01/" + kOpen + "/1");
}

TEST(RecordFile, SetRefusesTimesThatAreNotNineteenCharacters)
{
    RuntimeTree tree;
    norvale::RecordFile f(kPath, false);
    ASSERT_TRUE(f.read());
    norvale::Record r = record(100, 1, "2024-01-01 00:00", kOpen, 1);
    EXPECT_FALSE(f.set(&r));
    EXPECT_FALSE(f.set(nullptr));
    EXPECT_EQ(f.size(), 0);
}

TEST(RecordFile, AnExistingFileThatCannotBeOpenedIsLeftAlone)
{
    RuntimeTree tree;
    ASSERT_EQ(mkdir(tree.path("log/history.log").c_str(), 0755), 0);
    norvale::RecordFile f(kPath, false);
    EXPECT_FALSE(f.read());
    norvale::Record r = record(100, 1, "2024-01-01 00:00:01", kOpen, 1);
    EXPECT_TRUE(f.set(&r));
    EXPECT_FALSE(f.write());
    struct stat st;
    ASSERT_EQ(stat(tree.path("log/history.log").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

} // namespace
