#include "upgradehexline.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <string>
#include <vector>

TEST(UpgradeHexLine, RecordsAreConvertedWordSwappedOrRefused)
{
    struct Case {
        const char* name;
        std::string digits;
        int n;
        std::vector<uint8_t> head;   // the first bytes of the output
    };
    const Case cases[] = {
        { "four bytes", "0011AABB", 4, { 0x11, 0x00, 0xBB, 0xAA, 0 } },
        { "lower case", "0011aabb", 4, { 0x11, 0x00, 0xBB, 0xAA, 0 } },
        { "odd byte count pads", "010203", 3, { 0x02, 0x01, 0x00, 0x03, 0 } },
        { "end record", "00000001FF", 5, { 0x00, 0x00, 0x01, 0x00, 0x00, 0xFF } },
        { "hundred bytes", std::string(200, '7'), 100, { 0x77, 0x77 } },
        { "empty", "", -1, { 0, 0 } },
        { "odd digits", "0011AAB", -1, { 0, 0 } },
        { "not a digit", "0011AG", -1, { 0, 0, 0 } },
        { "space", "00 1", -1, { 0, 0 } },
        { "more than a hundred bytes", std::string(202, '7'), -1, { 0, 0 } },
    };
    for (const Case& c : cases) {
        uint8_t out[UpgradeHexLine::FRAME_BYTES];
        memset(out, 0x5A, sizeof out);
        EXPECT_EQ(UpgradeHexLine::convert(c.digits.data(), c.digits.size(), out), c.n) << c.name;
        for (size_t i = 0; i < c.head.size(); ++i)
            EXPECT_EQ(out[i], c.head[i]) << c.name << " byte " << i;
        for (int i = c.n < 0 ? 0 : c.n + c.n % 2; i < UpgradeHexLine::FRAME_BYTES; ++i)
            ASSERT_EQ(out[i], 0) << c.name << " byte " << i;
    }
}

TEST(UpgradeHexLine, RecordChecksAreOfTheRecordAsWritten)
{
    struct Case {
        const char* name;
        const char* digits;
        int type;
    };
    const Case cases[] = {
        { "data record", "040000001122334452", 0 },
        { "odd length data record", "03000400aabbccc8", 0 },
        { "end record", "00000001FF", 1 },
        { "wrong checksum", "040000001122334453", -1 },
        { "count says more than there is", "050000001122334451", -1 },
        { "count says less than there is", "030000001122334453", -1 },
        { "too short for a record", "0000FF", -1 },
        { "not hexadecimal", "04000000112233G452", -1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(UpgradeHexLine::check(c.digits, strlen(c.digits)), c.type) << c.name;
}

TEST(UpgradeHexLine, AFileIsSoundOnlyWithEveryRecordAndItsEndRecord)
{
    struct Case {
        const char* name;
        const char* text;
        int result;
    };
    const Case cases[] = {
        { "sound", ":040000001122334452\r\n:03000400aabbccc8\n:00000001FF\n", 0 },
        { "other lines are passed over", "; build 7\n\n:040000001122334452\n:00000001FF", 0 },
        { "wrong checksum on line 2", ":040000001122334452\n:03000400aabbccc9\n:00000001FF\n", 2 },
        { "wrong length field", ":050000001122334452\n:00000001FF\n", 1 },
        { "no end record", ":040000001122334452\n:03000400aabbccc8\n", 3 },
        { "cut inside the end record", ":040000001122334452\n:000000\n", 2 },
        { "a record after the end", ":00000001FF\n:040000001122334452\n", 2 },
        { "end record with data", ":0100000111ED\n", 1 },
        { "empty", "", 1 },
    };
    char dir[] = "/tmp/hexcheckXXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const std::string path = std::string(dir) + "/fw.hex";
    for (const Case& c : cases) {
        FILE* f = fopen(path.c_str(), "w");
        ASSERT_TRUE(f);
        fputs(c.text, f);
        fclose(f);
        EXPECT_EQ(UpgradeHexLine::checkFile(path.c_str()), c.result) << c.name;
    }
    unlink(path.c_str());
    EXPECT_EQ(UpgradeHexLine::checkFile(path.c_str()), -1);
    rmdir(dir);
}

namespace {

// A stream of head, then fill repeated up to size bytes, that counts what it hands out.
struct Endless {
    std::string head;
    char fill;
    size_t size;
    size_t served = 0;
};

ssize_t readEndless(void* cookie, char* buf, size_t n)
{
    Endless* e = static_cast<Endless*>(cookie);
    size_t i = 0;
    for (; i < n && e->served < e->size; ++i, ++e->served)
        buf[i] = e->served < e->head.size() ? e->head[e->served] : e->fill;
    return ssize_t(i);
}

// A record line with count data bytes and a sound checksum.
std::string record(int count)
{
    std::string line = ":";
    unsigned sum = 0;
    auto put = [&](unsigned b) {
        char d[3];
        snprintf(d, sizeof d, "%02X", b & 0xFF);
        line += d;
        sum += b;
    };
    put(unsigned(count));
    put(0x12);
    put(0x34);
    put(0);
    for (int i = 0; i < count; ++i)
        put(unsigned(i * 7));
    put(0x100 - (sum & 0xFF));
    return line;
}

} // namespace

TEST(UpgradeHexLine, ALineLongerThanAnyRecordIsRefusedWithoutReadingIt)
{
    const std::string longest = record(UpgradeHexLine::MAX_BYTES - 5);
    ASSERT_EQ(longest.size(), size_t(UpgradeHexLine::LINE_CHARS));
    const size_t size = 32u << 20;
    struct Case {
        const char* name;
        std::string head;
        char fill;
        int result;
    };
    const Case cases[] = {
        { "one endless record line", ":", '0', 1 },
        { "one endless line of text", "", 'x', 1 },
        { "an endless line after sound records", longest + "\r\n" + record(4) + "\n", 'A', 3 },
        { "one digit past the longest record", longest + "0", '\n', 1 },
        { "a line of carriage returns", ":00000001FF", '\r', 1 },
        { "the longest record then the end", longest + "\r\n:00000001FF\r\n", '\n', 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Endless e{ c.head, c.fill, size };
        cookie_io_functions_t io = {};
        io.read = readEndless;
        FILE* fp = fopencookie(&e, "r", io);
        ASSERT_TRUE(fp);
        EXPECT_EQ(UpgradeHexLine::checkStream(fp), c.result);
        fclose(fp);
        if (c.result != 0) {
            EXPECT_LT(e.served, size_t(1) << 20) << "read on past the refused line";
        }
    }
}
