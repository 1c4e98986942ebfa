#include "configfile.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <string.h>

using esf::ConfigFile;

namespace {

// Opens a file holding "[T]" and one row, positioned at the row.
struct OneRow {
    RuntimeTree tree;
    ConfigFile cf;
    explicit OneRow(const std::string& row)
    {
        tree.writeFile("bin/t.pdu", "[T]\n" + row + "\n");
        EXPECT_EQ(cf.open("t.pdu"), 1);
        EXPECT_EQ(cf.find("[T]"), 1);
    }
};

std::string fmtInts(std::initializer_list<int> v)
{
    std::string s;
    for (int i : v)
        s += std::to_string(i) + ";";
    return s;
}

} // namespace

TEST(ConfigFile, ReadsRowsByFormat)
{
    struct Case {
        const char* name;
        const char* row;
        std::function<std::string(ConfigFile&)> read;
        const char* expected;
    };
    const Case cases[] = {
        { "ints", "12\t-3\t7", [](ConfigFile& c) { int a = 9, b = 9, d = 9; c.read("%d%d%d", &a, &b, &d); return fmtInts({ a, b, d }); }, "12;-3;7;" },
        { "comment after a word", "12\t// note", [](ConfigFile& c) { int a = 9, b = 9; c.read("%d%d", &a, &b); return fmtInts({ a, b }); }, "12;0;" },
        { "hex", "ff\t1A", [](ConfigFile& c) { int a = 0, b = 0; c.read("%x%x", &a, &b); return fmtInts({ a, b }); }, "255;26;" },
        { "hex word as decimal", "ff", [](ConfigFile& c) { int a = 9; c.read("%d", &a); return fmtInts({ a }); }, "0;" },
        { "float", "2.5\t-0.125", [](ConfigFile& c) { float a = 0, b = 0; c.read("%f%f", &a, &b); return std::to_string(a) + ";" + std::to_string(b); }, "2.500000;-0.125000" },
        { "text keeps spaces", "a b\tc", [](ConfigFile& c) { char a[32], b[32]; c.read("%s%s", a, b); return std::string(a) + "|" + b; }, "a b|c" },
        { "slash pieces", "1/2/3", [](ConfigFile& c) { int a = 0, b = 0, d = 0; c.read("%/d/d/d", &a, &b, &d); return fmtInts({ a, b, d }); }, "1;2;3;" },
        { "slash word whole", "1/2/3", [](ConfigFile& c) { int a = 0; c.read("%d", &a); return fmtInts({ a }); }, "1;" },
        { "mixed pieces", "4\t5\tname\t1/2/3/4\ttail", [](ConfigFile& c) {
              int a, b, p[4]; char n[32], t[32];
              c.read("%d%d%s%/d/d/d/d%s", &a, &b, n, &p[0], &p[1], &p[2], &p[3], t);
              return fmtInts({ a, b, p[0], p[1], p[2], p[3] }) + n + "|" + t; }, "4;5;1;2;3;4;name|tail" },
        { "piece types", "10/ff/1.5/ab", [](ConfigFile& c) {
              int d = 0, x = 0; float f = 0; char s[8];
              c.read("%/d/x/f/s", &d, &x, &f, s);
              return fmtInts({ d, x }) + std::to_string(f) + s; }, "10;255;1.500000ab" },
        { "missing pieces give zero", "7", [](ConfigFile& c) { int a = 9, b = 9; c.read("%/d/d", &a, &b); return fmtInts({ a, b }); }, "7;0;" },
        { "exhausted line gives empty words", "1", [](ConfigFile& c) { int a, b = 9; char s[8] = "x"; c.read("%d%d%s", &a, &b, s); return fmtInts({ a, b }) + "[" + s + "]"; }, "1;0;[]" },
        { "crlf", "3\t4\r", [](ConfigFile& c) { int a = 0, b = 0; c.read("%d%d", &a, &b); return fmtInts({ a, b }); }, "3;4;" },
        { "leading tabs", "\t\t5\t6", [](ConfigFile& c) { int a = 0, b = 0; c.read("%d%d", &a, &b); return fmtInts({ a, b }); }, "5;6;" },
        { "width cuts text", "abcdefghij", [](ConfigFile& c) { char s[8]; memset(s, 'Z', sizeof s); c.read("%4s", s); return std::string(s) + "|" + s[7]; }, "abc|Z" },
        { "other characters ignored", "1\t2", [](ConfigFile& c) { int a = 0, b = 0; c.read("%d,%d", &a, &b); return fmtInts({ a, b }); }, "1;2;" },
    };
    for (const Case& c : cases) {
        OneRow r(c.row);
        EXPECT_EQ(c.read(r.cf), c.expected) << c.name;
    }
}

TEST(ConfigFile, FindSkipsCommentsBlankLinesAndIndentedHeaders)
{
    RuntimeTree tree;
    tree.writeFile("bin/a.pdu",
        "// file comment\r\n"
        "\r\n"
        "[FIRST]\t// with a comment\r\n"
        "1\t2\r\n"
        "\n\n"
        "\t\t[SECOND]\r\n"
        "   \t // only a comment\n"
        "3\t4\n");
    ConfigFile cf;
    ASSERT_EQ(cf.open("a.pdu"), 1);
    int a = 0, b = 0;
    EXPECT_EQ(cf.find("[FIRST]"), 1);
    EXPECT_EQ(cf.read("%d%d", &a, &b), 1);
    EXPECT_EQ(a + b, 3);
    EXPECT_EQ(cf.find("[SECOND]"), 1);
    EXPECT_EQ(cf.read("%d%d", &a, &b), 1);
    EXPECT_EQ(a * 10 + b, 34);
    EXPECT_EQ(cf.read("%d", &a), 0);   // end of file
    // find never rewinds: an earlier section is found only after reopening.
    EXPECT_EQ(cf.find("[FIRST]"), 0);
    EXPECT_EQ(cf.close(), 0);
    ASSERT_EQ(cf.open("a.pdu"), 1);
    EXPECT_EQ(cf.find("[second]"), 0);   // case-sensitive
    ASSERT_EQ(cf.close(), 0);
    ASSERT_EQ(cf.open("a.pdu"), 1);
    EXPECT_EQ(cf.find("[SECOND]"), 1);
    EXPECT_EQ(cf.find("[FIRST]"), 0);
}

TEST(ConfigFile, OpenFailures)
{
    RuntimeTree tree;
    tree.writeFile("bin/a.pdu", "[A]\n");
    ConfigFile cf;
    EXPECT_EQ(cf.open(nullptr), 0);
    EXPECT_EQ(cf.open(""), 0);
    EXPECT_EQ(cf.open("missing.pdu"), 0);
    EXPECT_EQ(cf.close(), 0);
    EXPECT_EQ(cf.open("a.pdu"), 1);
    EXPECT_EQ(cf.open("a.pdu"), 0);   // already open
    EXPECT_EQ(cf.find(""), 0);
    EXPECT_EQ(cf.read(""), 0);
    int* none = nullptr;
    EXPECT_EQ(cf.find("[A]"), 1);
    EXPECT_EQ(cf.read("%d", none), 0);
}

TEST(ConfigFile, LongLineIsCutAndItsRestNeverBecomesARow)
{
    RuntimeTree tree;
    // 700 characters: a 600-character word, then a TAB and what would look like a row.
    std::string word(600, 'w');
    tree.writeFile("bin/a.pdu", "[A]\n" + word + "\t99\n7\n");
    ConfigFile cf;
    ASSERT_EQ(cf.open("a.pdu"), 1);
    ASSERT_EQ(cf.find("[A]"), 1);
    char name[32];
    memset(name, 'Z', sizeof name);
    char guard[16];
    memset(guard, 'G', sizeof guard);
    int n = 0;
    EXPECT_EQ(cf.read("%32s%d", name, &n), 1);
    EXPECT_EQ(std::string(name), std::string(31, 'w'));
    EXPECT_EQ(n, 0);                          // the TAB and 99 were beyond the 511 kept characters
    EXPECT_EQ(guard[0], 'G');
    EXPECT_EQ(cf.read("%d", &n), 1);
    EXPECT_EQ(n, 7);                          // the next row is the real next line
}

// A line holds 511 characters: the 511th is the last one kept, the 512th the first one cut.
TEST(ConfigFile, LineOfTheLongestLengthKeepsItsLastCharacter)
{
    struct Case {
        const char* name;
        std::string row;
        int number;
    };
    const Case cases[] = {
        { "511 characters", std::string(509, 'w') + "\t7", 7 },
        { "512 characters", std::string(509, 'w') + "\t78", 7 },
    };
    for (const Case& c : cases) {
        OneRow r(c.row);
        char word[600];
        int n = -1;
        EXPECT_EQ(r.cf.read("%s%d", word, &n), 1) << c.name;
        EXPECT_EQ(strlen(word), 509u) << c.name;
        EXPECT_EQ(n, c.number) << c.name;
    }
}

TEST(ConfigFile, ReplaceLinePadsInPlace)
{
    RuntimeTree tree;
    tree.writeFile("bin/a.ini", "0001/0000001000\n0002/0000002000\n");
    ConfigFile cf;
    ASSERT_EQ(cf.open("a.ini"), 1);
    EXPECT_EQ(cf.replaceLine("0001/9"), 1);
    EXPECT_EQ(cf.replaceLine("0002/00000020000"), 0);   // longer than the line
    cf.close();
    EXPECT_EQ(tree.readFile("bin/a.ini"), "0001/9         \n0002/0000002000\n");
}

TEST(ConfigFile, SplitIntoPiecesAndValues)
{
    char t1[] = "0001/2026-01-02 03:04:05/0100/0002";
    char* parts[5];
    char slash[] = "/";
    ASSERT_EQ(ConfigFile::split(t1, slash, parts, 5), 4);
    EXPECT_STREQ(parts[1], "2026-01-02 03:04:05");
    EXPECT_STREQ(parts[3], "0002");
    EXPECT_EQ(parts[4], nullptr);

    char t2[] = "a/b/c";
    EXPECT_EQ(ConfigFile::split(t2, slash, parts, 2), 2);
    EXPECT_STREQ(parts[0], "a");
    EXPECT_STREQ(parts[1], "b");

    char t3[] = "00001,00002,00300,";
    char comma[] = ",";
    int v[2] = { 5, 5 };
    EXPECT_EQ(ConfigFile::split(t3, comma, v, sizeof v, 10), 2);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 2);

    char empty[] = "";
    EXPECT_EQ(ConfigFile::split(empty, slash, parts, 5), -1);
    EXPECT_EQ(ConfigFile::split(t2, slash, parts, 0), -1);
    EXPECT_EQ(ConfigFile::split(t2, empty, v, sizeof v, 10), -1);
}
