#include "paramline.h"

#include <gtest/gtest.h>
#include <limits>
#include <math.h>
#include <string>

namespace {

struct LineCase {
    const char* name;
    int index;
    float value;
    const char* line;  // "" = refused
};

const LineCase kLines[] = {
    { "example_12", 12, 50.5f, "0012/0000050500\n" },
    { "negative", 3, -1.25f, "0003/-000001250\n" },
    { "whole", 5, 230.0f, "0005/0000230000\n" },
    { "negative_half", 7, -0.5f, "0007/-000000500\n" },
    { "zero", 0, 0.0f, "0000/0000000000\n" },
    { "negative_zero", 1, -0.0f, "0001/0000000000\n" },
    { "tiny_negative_rounds_to_zero", 2, -0.0004f, "0002/0000000000\n" },
    { "tenth", 9, 0.1f, "0009/0000000100\n" },
    { "last_index", 1023, 2000000.0f, "1023/2000000000\n" },
    { "negative_wide", 4, -99999.0f, "0004/-099999000\n" },
    { "product_in_single_precision", 4, -999999.0f, "0004/-999998976\n" },
    { "index_negative", -1, 1.0f, "" },
    { "index_1024", 1024, 1.0f, "" },
    { "too_large", 6, 1.0e10f, "" },
    { "too_negative", 6, -1.0e6f, "" },
    { "nan", 6, std::numeric_limits<float>::quiet_NaN(), "" },
    { "infinite", 6, std::numeric_limits<float>::infinity(), "" },
    { "minus_infinite", 6, -std::numeric_limits<float>::infinity(), "" },
};

TEST(ParamLine, FormatsSixteenBytesOrRefuses)
{
    for (const LineCase& c : kLines) {
        char line[ParamLine::SIZE + 1];
        int ok = ParamLine::format(c.index, c.value, line);
        EXPECT_EQ(ok, c.line[0] ? 1 : 0) << c.name;
        EXPECT_STREQ(line, c.line) << c.name;
    }
}

struct ParseCase {
    const char* name;
    const char* line;
    int ok;
    int index;
    float value;
};

const ParseCase kParses[] = {
    { "plain", "0012/0000050500", 1, 12, 50.5f },
    { "negative", "0003/-000001250", 1, 3, -1.25f },
    { "above_int32", "0001/9999999999", 1, 1, 2147483647 / 1000.0f },
    { "below_int32", "0001/-9999999999", 1, 1, -2147483648.0f / 1000.0f },
    { "more_fields", "0002/0000001000/x", 1, 2, 1.0f },
    { "no_slash", "12", 0, 0, 0.0f },
    { "line_end_after_the_value", "0012/0000050500\n", 1, 12, 50.5f },
    { "letter_in_the_value", "0012/00000x0500", 0, 0, 0.0f },
    { "value_cut_to_its_sign", "0012/-", 0, 0, 0.0f },
    { "empty_value", "0012/", 0, 0, 0.0f },
    { "letter_in_the_index", "00a2/0000050500", 0, 0, 0.0f },
    { "blank_inside_the_value", "0012/00000 0500", 0, 0, 0.0f },
    { "empty", "", 0, 0, 0.0f },
};

TEST(ParamLine, ParsesIndexAndThousandfold)
{
    for (const ParseCase& c : kParses) {
        int index = -7;
        float value = -7.0f;
        EXPECT_EQ(ParamLine::parse(c.line, &index, &value), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(index, c.index) << c.name;
            EXPECT_FLOAT_EQ(value, c.value) << c.name;
        }
    }
}

TEST(ParamLine, WriteAtPatchesOneLineInPlace)
{
    FILE* fp = tmpfile();
    ASSERT_TRUE(fp);
    const std::string before = "0000/0000001000\n0001/0000002000\n0002/0000003000\n";
    fwrite(before.data(), 1, before.size(), fp);
    EXPECT_EQ(ParamLine::writeAt(fp, 1, -2.5f), 1);
    EXPECT_EQ(ParamLine::writeAt(fp, 2, NAN), 0);
    EXPECT_EQ(ParamLine::writeAt(fp, -1, 1.0f), 0);
    char buf[64] = {};
    rewind(fp);
    size_t n = fread(buf, 1, sizeof buf, fp);
    EXPECT_EQ(std::string(buf, n), "0000/0000001000\n0001/-000002500\n0002/0000003000\n");
    fclose(fp);
}

} // namespace
