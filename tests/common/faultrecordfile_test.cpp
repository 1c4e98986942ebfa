#include "faultrecordfile.h"
#include "runtimetree.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <string.h>
#include <sys/stat.h>

namespace {

const char kPath[] = "../log/dcacfaultRecord.log";

// "[索引、故障发生时间、模块类型、模块编号、故障数据]" in the GBK code page, byte by byte.
const unsigned char kCaption[50] = {
    0x5b, 0xcb, 0xf7, 0xd2, 0xfd, 0xa1, 0xa2, 0xb9, 0xca, 0xd5, 0xcf, 0xb7, 0xa2, 0xc9, 0xfa, 0xca, 0xb1,
    0xbc, 0xe4, 0xa1, 0xa2, 0xc4, 0xa3, 0xbf, 0xe9, 0xc0, 0xe0, 0xd0, 0xcd, 0xa1, 0xa2, 0xc4, 0xa3, 0xbf,
    0xe9, 0xb1, 0xe0, 0xba, 0xc5, 0xa1, 0xa2, 0xb9, 0xca, 0xd5, 0xcf, 0xca, 0xfd, 0xbe, 0xdd, 0x5d,
};

std::string header(const char* next, const char* size)
{
    return std::string("[NEXT]\n") + next + "\n\n[SIZE]\n" + size + "\n\n"
        + std::string(reinterpret_cast<const char*>(kCaption), sizeof kCaption) + "\n[RECORD]";
}

FaultRecord fault(const char* time, int type, int module, uint16_t base)
{
    FaultRecord r;
    memset(&r, 0, sizeof r);
    strcpy(r.time, time);
    r.type = type;
    r.module = module;
    for (int i = 0; i < FAULT_DATA_WORDS; ++i)
        r.data[i / FAULT_DATA_COLS][i % FAULT_DATA_COLS] = uint16_t(base + i);
    return r;
}

// A slot as the format gives it: newline, title line, "[data]", 18 rows of seven "%05d,", blank line.
std::string slot(int k, const char* time, int type, int module, uint16_t base)
{
    char title[64];
    snprintf(title, sizeof title, "\n%04d/%s/%04d/%04d\n[data]\n", k, time, type, module);
    std::string s = title;
    for (int row = 0; row < 18; ++row) {
        for (int col = 0; col < 7; ++col) {
            char w[8];
            snprintf(w, sizeof w, "%05d,", base + row * 7 + col);
            s += w;
        }
        s += "\n";
    }
    return s + "\n";
}

std::vector<std::string> asideFiles(const RuntimeTree& tree)
{
    std::vector<std::string> out;
    DIR* d = opendir(tree.path("log").c_str());
    while (struct dirent* e = readdir(d))
        if (strncmp(e->d_name, "dcacfaultRecord.log.bad-", 24) == 0)
            out.push_back(e->d_name);
    closedir(d);
    return out;
}

TEST(FaultRecordFile, AMissingFileIsCreatedWithItsGbkCaption)
{
    RuntimeTree tree;
    FaultRecordFile f(kPath, false);
    EXPECT_EQ(f.read(), 1);
    EXPECT_EQ(f.size(), 0);
    EXPECT_EQ(tree.readFile("log/dcacfaultRecord.log"), header("0001", "0000"));
}

TEST(FaultRecordFile, OneFaultIsOne818ByteSlot)
{
    RuntimeTree tree;
    FaultRecordFile f(kPath, false);
    ASSERT_EQ(f.read(), 1);
    FaultRecord r = fault("2024-01-02 03:04:05", 1, 3, 7);
    ASSERT_EQ(f.add(&r), 1);
    ASSERT_EQ(f.write(), 1);
    std::string expect = header("0002", "0001") + slot(0, "2024-01-02 03:04:05", 1, 3, 7);
    ASSERT_EQ(slot(0, "2024-01-02 03:04:05", 1, 3, 7).size(), 818u);
    EXPECT_EQ(tree.readFile("log/dcacfaultRecord.log"), expect);
    EXPECT_EQ(expect.substr(85 + 43, 7), "00007,0");

    FaultRecordFile again(kPath, false);
    ASSERT_EQ(again.read(), 1);
    FaultRecord got;
    ASSERT_EQ(again.get(0, &got), 1);
    EXPECT_STREQ(got.time, "2024-01-02 03:04:05");
    EXPECT_EQ(got.type, 1);
    EXPECT_EQ(got.module, 3);
    EXPECT_EQ(got.index, 0);
    EXPECT_EQ(memcmp(got.data, r.data, sizeof r.data), 0);
    EXPECT_EQ(again.get(1, &got), 0);
    EXPECT_EQ(again.get(0, nullptr), 0);
}

TEST(FaultRecordFile, The257thFaultOverwritesSlotZero)
{
    RuntimeTree tree;
    FaultRecordFile f(kPath, false);
    ASSERT_EQ(f.read(), 1);
    for (int i = 0; i < 256; ++i) {
        FaultRecord r = fault("2024-01-02 03:04:05", 1, i, 0);
        ASSERT_EQ(f.add(&r), 1);
    }
    ASSERT_EQ(f.write(), 1);
    FaultRecord r = fault("2024-09-09 09:09:09", 2, 999, 100);
    ASSERT_EQ(f.add(&r), 1);
    ASSERT_EQ(f.write(), 1);
    std::string bytes = tree.readFile("log/dcacfaultRecord.log");
    EXPECT_EQ(bytes.size(), 85u + 818u * 256u);
    EXPECT_EQ(bytes.substr(0, 85), header("0002", "0256"));
    EXPECT_EQ(bytes.substr(85, 818), slot(0, "2024-09-09 09:09:09", 2, 999, 100));
    EXPECT_EQ(bytes.substr(85 + 818, 818), slot(1, "2024-01-02 03:04:05", 1, 1, 0));
    FaultRecord got;
    ASSERT_EQ(f.size(), 256);
    f.get(0, &got);
    EXPECT_EQ(got.module, 1);

    FaultRecordFile again(kPath, false);
    ASSERT_EQ(again.read(), 1);
    ASSERT_EQ(again.size(), 256);
    again.get(0, &got);
    EXPECT_EQ(got.module, 1);
    again.get(255, &got);
    EXPECT_EQ(got.module, 999);
}

std::vector<int> modules(FaultRecordFile& f)
{
    std::vector<int> out;
    FaultRecord r;
    for (int i = 0; f.get(i, &r); ++i)
        out.push_back(r.module);
    return out;
}

TEST(FaultRecordFile, ATornCounterOrSlotLosesAtMostTheRecordBeingWritten)
{
    const std::string s0 = slot(0, "2024-01-02 03:04:05", 1, 3, 7);
    const std::string s1 = slot(1, "2024-01-02 03:04:06", 1, 4, 8);
    const std::string s2 = slot(2, "2024-01-02 03:04:07", 1, 5, 9);
    const std::string torn2 = s2.substr(0, 300) + std::string(518, '\0');
    std::string badCaption = header("0003", "0002");
    badCaption[40] = 'x';
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<int> kept;  // modules read back, oldest first
        int newSlot;            // where the next fault goes
        const char* next;       // counters after it is written
        const char* size;
    };
    const Case cases[] = {
        { "next_written_size_not", header("0004", "0002") + s0 + s1 + s2, { 3, 4, 5 }, 3, "0005", "0004" },
        { "next_beyond_the_slots", header("0009", "0001") + s0, { 3 }, 1, "0003", "0002" },
        { "newest_slot_torn_before_the_counters", header("0003", "0002") + s0 + s1 + torn2, { 3, 4 }, 2, "0004", "0003" },
        { "newest_slot_torn_after_the_counters", header("0004", "0003") + s0 + s1 + torn2, { 3, 4 }, 3, "0005", "0004" },
        { "eighteen_character_time", header("0003", "0002") + slot(0, "2024-01-02 03:04:0", 1, 3, 7) + "\n" + s1, { 4 }, 2,
            "0004", "0003" },
        { "only_a_fresh_header", header("0001", "0000"), {}, 0, "0002", "0001" },
        { "header_text_damaged", badCaption + s0 + s1, { 3, 4 }, 2, "0004", "0003" },
        { "slot_filled_with_garbage", header("0004", "0003") + s0 + std::string(818, 'x') + s2, { 3, 5 }, 3, "0005",
            "0004" },
    };
    for (const Case& c : cases) {
        RuntimeTree tree;
        tree.writeFile("log/dcacfaultRecord.log", c.bytes);
        FaultRecordFile f(kPath, false);
        ASSERT_EQ(f.read(), 1) << c.name;
        EXPECT_EQ(modules(f), c.kept) << c.name;
        EXPECT_TRUE(asideFiles(tree).empty()) << c.name;
        FaultRecord r = fault("2024-02-02 02:02:02", 2, 99, 1);
        ASSERT_EQ(f.add(&r), 1) << c.name;
        ASSERT_EQ(f.write(), 1) << c.name;
        std::string after = tree.readFile("log/dcacfaultRecord.log");
        EXPECT_EQ(after.substr(0, 85), header(c.next, c.size)) << c.name;
        ASSERT_GE(after.size(), 85u + 818u * size_t(c.newSlot + 1)) << c.name;
        EXPECT_EQ(after.substr(85 + 818 * size_t(c.newSlot), 818), slot(c.newSlot, "2024-02-02 02:02:02", 2, 99, 1))
            << c.name;
        FaultRecordFile again(kPath, false);
        ASSERT_EQ(again.read(), 1);
        std::vector<int> expect = c.kept;
        expect.push_back(99);
        EXPECT_EQ(modules(again), expect) << c.name;
    }
}

TEST(FaultRecordFile, AFileThatIsNoRingIsKeptAsideAndRecordingGoesOn)
{
    for (const std::string& bytes : { std::string("[NEXT]\n00"), std::string(5000, '\xff') }) {
        RuntimeTree tree;
        tree.writeFile("log/dcacfaultRecord.log", bytes);
        FaultRecordFile f(kPath, false);
        EXPECT_EQ(f.read(), 1);
        EXPECT_EQ(f.size(), 0);
        std::vector<std::string> aside = asideFiles(tree);
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(tree.readFile("log/" + aside[0]), bytes);
        EXPECT_EQ(tree.readFile("log/dcacfaultRecord.log"), header("0001", "0000"));
        FaultRecord r = fault("2024-01-02 03:04:05", 1, 3, 7);
        EXPECT_EQ(f.add(&r), 1);
        EXPECT_EQ(f.write(), 1);
        EXPECT_EQ(tree.readFile("log/dcacfaultRecord.log"), header("0002", "0001") + slot(0, "2024-01-02 03:04:05", 1, 3, 7));
    }
}

TEST(FaultRecordFile, EmptySlotsArePassedOver)
{
    RuntimeTree tree;
    tree.writeFile("log/dcacfaultRecord.log", header("0004", "0003") + slot(0, "2024-01-02 03:04:05", 1, 3, 7)
            + std::string(818, '\0') + slot(2, "2024-01-02 03:04:07", 1, 5, 9));
    FaultRecordFile f(kPath, false);
    ASSERT_EQ(f.read(), 1);
    EXPECT_EQ(f.size(), 2);
    EXPECT_TRUE(asideFiles(tree).empty());
}

TEST(FaultRecordFile, AnExistingFileThatCannotBeOpenedIsLeftAlone)
{
    RuntimeTree tree;
    ASSERT_EQ(mkdir(tree.path("log/dcacfaultRecord.log").c_str(), 0755), 0);
    FaultRecordFile f(kPath, false);
    EXPECT_EQ(f.read(), 0);
    FaultRecord r = fault("2024-01-02 03:04:05", 1, 3, 7);
    EXPECT_EQ(f.add(&r), 0);
    EXPECT_EQ(f.add(nullptr), 0);
    struct stat st;
    ASSERT_EQ(stat(tree.path("log/dcacfaultRecord.log").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    // Once the file can be opened, the next fault loads it and is recorded.
    ASSERT_EQ(rmdir(tree.path("log/dcacfaultRecord.log").c_str()), 0);
    EXPECT_EQ(f.add(&r), 1);
    EXPECT_EQ(f.write(), 1);
    EXPECT_EQ(f.size(), 1);
}

TEST(FaultRecordFile, TheBatteryLinkCopyBehavesTheSame)
{
    RuntimeTree tree;
    pcsdcdc::FaultRecordFile f("../log/dcdcfaultRecord.log", false);
    ASSERT_EQ(f.read(), 1);
    FaultRecord r = fault("2024-01-02 03:04:05", 2, 4, 11);
    ASSERT_EQ(f.add(&r), 1);
    ASSERT_EQ(f.write(), 1);
    EXPECT_EQ(tree.readFile("log/dcdcfaultRecord.log"), header("0002", "0001") + slot(0, "2024-01-02 03:04:05", 2, 4, 11));
}

} // namespace
