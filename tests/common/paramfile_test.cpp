#include "paramfile.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <limits>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <thread>

namespace {

// Ten lines, parameter i holding i.
const char kDefault[] =
    "0000/0000000000\n0001/0000001000\n0002/0000002000\n0003/0000003000\n0004/0000004000\n"
    "0005/0000005000\n0006/0000006000\n0007/0000007000\n0008/0000008000\n0009/0000009000\n";

void writeDefault(const RuntimeTree& tree, const char* dir)
{
    mkdir(tree.path(std::string(dir) + "/default").c_str(), 0755);
    tree.writeFile(std::string(dir) + "/default/param.ini", kDefault);
}

std::map<int, float> values(Modbus485::ParamFile& f)
{
    std::map<int, ParamRecord*> m;
    f.get(m);
    std::map<int, float> out;
    for (auto& r : m)
        out[r.first] = r.second->value;
    return out;
}

std::string withLine(std::string text, int index, const std::string& line)
{
    text.replace(size_t(index) * 16, 16, line);
    return text;
}

TEST(ParamFile, FirstReadStartsFromTheDefault)
{
    RuntimeTree tree;
    writeDefault(tree, "conf");
    Modbus485::ParamFile f("../conf", 3);
    EXPECT_EQ(f.read(), 1);
    EXPECT_EQ(tree.readFile("conf/param_3.ini"), kDefault);
    std::map<int, ParamRecord*> m;
    f.get(m);
    ASSERT_EQ(m.size(), 10u);
    EXPECT_FLOAT_EQ(m[7]->value, 7.0f);
    EXPECT_EQ(m[7]->saved, 1);
}

struct WriteCase {
    const char* name;
    int index;
    float value;
    const char* line;  // "" = refused
};

const WriteCase kWrites[] = {
    { "index_5", 5, 230.0f, "0005/0000230000\n" },
    { "negative_half", 7, -0.5f, "0007/-000000500\n" },
    { "negative", 2, -1.25f, "0002/-000001250\n" },
    { "example_12_beyond_the_end", 12, 50.5f, "0012/0000050500\n" },
    { "nan", 3, std::numeric_limits<float>::quiet_NaN(), "" },
    { "infinite", 4, std::numeric_limits<float>::infinity(), "" },
    { "too_large", 6, 1.0e10f, "" },
    { "index_1024", 1024, 1.0f, "" },
    { "index_minus_1", -1, 1.0f, "" },
};

TEST(ParamFile, WritePassPutsChangedLinesAtSixteenTimesIndex)
{
    RuntimeTree tree;
    writeDefault(tree, "conf");
    for (const WriteCase& c : kWrites) {
        tree.writeFile("conf/param_1.ini", kDefault);
        Modbus485::ParamFile f("../conf", 1);
        ASSERT_EQ(f.read(), 1);
        ParamRecord r{ c.index, c.value, 1 };
        EXPECT_EQ(f.add(&r), c.line[0] ? 1 : 0) << c.name;
        EXPECT_EQ(f.write(), 1);
        EXPECT_TRUE(f.takeWriteRequest());
        EXPECT_FALSE(f.takeWriteRequest());
        EXPECT_EQ(f.ansywrite(), 1) << c.name;
        std::string expect = kDefault;
        if (c.line[0]) {
            expect.resize(std::max(expect.size(), size_t(c.index) * 16 + 16), '\0');
            expect = withLine(expect, c.index, c.line);
        }
        EXPECT_EQ(tree.readFile("conf/param_1.ini"), expect) << c.name;
    }
}

TEST(ParamFile, UnchangedRecordsAreNeverRewritten)
{
    RuntimeTree tree;
    tree.writeFile("conf/param_2.ini", kDefault);
    Modbus485::ParamFile f("../conf", 2);
    ASSERT_EQ(f.read(), 1);
    // Lines patched behind the file's back show which lines a pass rewrites.
    std::string patched = withLine(withLine(kDefault, 4, "0004/XXXXXXXXXX\n"), 6, "0006/YYYYYYYYYY\n");
    tree.writeFile("conf/param_2.ini", patched);

    ParamRecord same{ 4, 4.0f, 0 };
    EXPECT_EQ(f.add(&same), 1);
    std::map<int, ParamRecord*> m;
    f.get(m);
    EXPECT_EQ(m[4]->saved, 1);
    // A record changed through get()'s pointer and handed back is written again.
    m[6]->value = 66.0f;
    EXPECT_EQ(f.add(m[6]), 1);
    EXPECT_EQ(f.ansywrite(), 1);
    EXPECT_EQ(tree.readFile("conf/param_2.ini"), withLine(patched, 6, "0006/0000066000\n"));
}

TEST(ParamFile, WritePassOnAMissingFileCopiesTheDefaultAndWritesEveryRecord)
{
    RuntimeTree tree;
    writeDefault(tree, "conf");
    tree.writeFile("conf/param_4.ini", withLine(kDefault, 2, "0002/0000007000\n"));
    Modbus485::ParamFile f("../conf", 4);
    ASSERT_EQ(f.read(), 1);
    ParamRecord r{ 8, 80.0f, 0 };
    ASSERT_EQ(f.add(&r), 1);
    ASSERT_EQ(unlink(tree.path("conf/param_4.ini").c_str()), 0);
    EXPECT_EQ(f.ansywrite(), 1);
    EXPECT_EQ(tree.readFile("conf/param_4.ini"),
        withLine(withLine(kDefault, 2, "0002/0000007000\n"), 8, "0008/0000080000\n"));
}

TEST(ParamFile, AFileThatExistsButCannotBeOpenedIsLeftAlone)
{
    RuntimeTree tree;
    writeDefault(tree, "conf");
    ASSERT_EQ(mkdir(tree.path("conf/param_5.ini").c_str(), 0755), 0);
    Modbus485::ParamFile f("../conf", 5);
    EXPECT_EQ(f.read(), 0);
    EXPECT_TRUE(values(f).empty());
    ParamRecord r{ 1, 2.0f, 0 };
    ASSERT_EQ(f.add(&r), 1);
    EXPECT_EQ(f.ansywrite(), 0);
    struct stat st;
    ASSERT_EQ(stat(tree.path("conf/param_5.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST(ParamFile, NoFileAndNoDefaultReadsNothing)
{
    RuntimeTree tree;
    Modbus485::ParamFile f("../conf", 6);
    EXPECT_EQ(f.read(), 0);
    EXPECT_TRUE(values(f).empty());
    EXPECT_FALSE(tree.exists("conf/param_6.ini"));
}

struct ReadCase {
    const char* name;
    std::string text;
    std::map<int, float> expect;
};

std::string lines(int from, int to, int damaged)
{
    std::string text;
    for (int i = from; i <= to; ++i) {
        char line[32];
        snprintf(line, sizeof line, "%04d/%010d\n", i, i == damaged ? 0 : i * 1000);
        if (i == damaged)
            memcpy(line + 9, "#\x01", 2);
        text += line;
    }
    return text;
}

TEST(ParamFile, ABadLineCostsOnlyItsOwnParameter)
{
    std::map<int, float> all;
    for (int i = 0; i < 200; ++i)
        if (i != 50)
            all[i] = float(i);
    const ReadCase cases[] = {
        { "line_50_of_200_damaged", lines(0, 199, 50), all },
        { "empty", "", {} },
        { "later_duplicate_wins", "0001/0000001000\n0001/0000002500\n", { { 1, 2.5f } } },
        { "no_slash_skipped", "0001/0000001000\n12\n0003/0000003000\n", { { 1, 1.0f }, { 3, 3.0f } } },
        { "letter_in_value_skipped", "0001/0000001000\n0002/00000x2000\n0003/0000003000\n",
            { { 1, 1.0f }, { 3, 3.0f } } },
        { "last_line_without_newline", "0001/0000001000\n0002/0000002000", { { 1, 1.0f } } },
        { "beyond_int32", "0001/9999999999\n", { { 1, 2147483647 / 1000.0f } } },
        { "index_from_text", "0040/0000001000\n", { { 40, 1.0f } } },
        { "gap_of_zero_bytes_passed_over",
            "0000/0000001000\n" + std::string(48, '\0') + "0004/0000004000\n", { { 0, 1.0f }, { 4, 4.0f } } },
        { "line_over_255_skipped", "0001/0000001000\n0002/" + std::string(300, '1') + "\n0003/0000003000\n",
            { { 1, 1.0f }, { 3, 3.0f } } },
    };
    RuntimeTree tree;
    for (const ReadCase& c : cases) {
        tree.writeFile("conf/param_7.ini", c.text);
        Modbus485::ParamFile f("../conf", 7);
        EXPECT_EQ(f.read(), 1) << c.name;
        EXPECT_EQ(values(f), c.expect) << c.name;
    }
}

TEST(ParamFile, DcDcFormLivesInConfDcdc)
{
    RuntimeTree tree;
    writeDefault(tree, "conf-dcdc");
    ParamFile f(1000);
    EXPECT_EQ(f.read(), 1);
    EXPECT_EQ(tree.readFile("conf-dcdc/param_1000.ini"), kDefault);
    ParamRecord big{ 1024, 1.0f, 0 };
    EXPECT_EQ(f.add(&big), 0);
    ParamRecord r{ 3, -3.5f, 0 };
    EXPECT_EQ(f.add(&r), 1);
    EXPECT_EQ(f.write(), 1);
    EXPECT_EQ(f.setWriteState(), 1);
    EXPECT_FALSE(f.takeWriteRequest());
    EXPECT_EQ(f.ansywrite(), 1);
    EXPECT_EQ(tree.readFile("conf-dcdc/param_1000.ini"), withLine(kDefault, 3, "0003/-000003500\n"));
}

TEST(ParamFile, AddAndWritePassOnTwoThreads)
{
    RuntimeTree tree;
    tree.writeFile("conf/param_8.ini", kDefault);
    Modbus485::ParamFile f("../conf", 8);
    ASSERT_EQ(f.read(), 1);
    std::thread writer([&f] {
        for (int i = 0; i < 300; ++i)
            f.ansywrite();
    });
    for (int i = 0; i < 3000; ++i) {
        ParamRecord r{ i % 10, float(i), 0 };
        f.add(&r);
        f.write();
    }
    writer.join();
    f.ansywrite();
    Modbus485::ParamFile again("../conf", 8);
    ASSERT_EQ(again.read(), 1);
    std::map<int, float> expect;
    for (int i = 0; i < 10; ++i)
        expect[i] = float(2990 + i);
    EXPECT_EQ(values(again), expect);
}

// Another writer of the file (the panel's certification patch, say) holds its lock: the library
// neither writes a line nor lays the default out until it lets go.
TEST(ParamFile, WritersWaitForTheFilesLock)
{
    struct Case {
        const char* name;
        bool fileThere;   // false: the write comes from the default copy made by read()
    };
    const Case cases[] = { { "write pass", true }, { "default laid out by read", false } };
    for (const Case& c : cases) {
        RuntimeTree tree;
        writeDefault(tree, "conf");
        if (c.fileThere)
            tree.writeFile("conf/param_4.ini", kDefault);
        Modbus485::ParamFile f("../conf", 4);
        if (c.fileThere) {
            ASSERT_EQ(f.read(), 1);
            ParamRecord r{ 6, 66.0f, 0 };
            ASSERT_EQ(f.add(&r), 1);
        }
        std::atomic<bool> done{ false };
        std::thread writer;
        {
            ParamFileLock other(tree.path("conf/param_4.ini"));
            ASSERT_TRUE(other.held());
            writer = std::thread([&] {
                if (c.fileThere)
                    f.ansywrite();
                else
                    f.read();
                done = true;
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            EXPECT_FALSE(done) << c.name;
            if (c.fileThere)
                EXPECT_EQ(tree.readFile("conf/param_4.ini"), kDefault) << c.name;
            else
                EXPECT_FALSE(tree.exists("conf/param_4.ini")) << c.name;
        }
        writer.join();
        EXPECT_EQ(tree.readFile("conf/param_4.ini"), c.fileThere ? withLine(kDefault, 6, "0006/0000066000\n") : kDefault)
            << c.name;
        EXPECT_TRUE(tree.exists("conf/param_4.ini.lock")) << c.name;
    }
}

} // namespace
