#include "typedvalue.h"

#include <gtest/gtest.h>
#include <math.h>

using cp::TypedValue;

TEST(TypedValue, TypedDecimalsTimesTheScale)
{
    struct Case { const char* name; float value; int scale; int64_t word; } cases[] = {
        { "2.3 x 10", 2.3f, 10, 23 },
        { "1.15 x 100", 1.15f, 100, 115 },
        { "0.95 x 100", 0.95f, 100, 95 },
        { "0.29 x 100", 0.29f, 100, 29 },
        { "230.5 x 10", 230.5f, 10, 2305 },
        { "-49.8 x 100", -49.8f, 100, -4980 },
        { "-2.3 x 10", -2.3f, 10, -23 },
        { "0.1 x 10", 0.1f, 10, 1 },
        { "-0.1 x 10", -0.1f, 10, -1 },
        { "digits beyond the scale are cut", 2.37f, 10, 23 },
        { "toward zero below it", -2.37f, 10, -23 },
        { "1.005 x 100", 1.005f, 100, 100 },
        { "0.0001 x 100", 0.0001f, 100, 0 },
        { "zero", 0.0f, 10, 0 },
        { "scale 1", 12.9f, 1, 12 },
        { "scale 0", 12.9f, 0, 0 },
        { "whole value", 3.0e9f, 1000, 3000000000000LL },
        { "seven digits", 123456.7f, 10, 1234567 },
        { "tiny", 1e-30f, 1000, 0 },
    };
    for (const Case& c : cases) {
        int64_t word = -777;
        ASSERT_TRUE(TypedValue::scaledWord(c.value, c.scale, &word)) << c.name;
        EXPECT_EQ(word, c.word) << c.name;
    }
    EXPECT_EQ(TypedValue::scaled(2.3f, 10), 23.0);
    EXPECT_EQ(TypedValue::scaled(1.15f, 100), 115.0);
    EXPECT_EQ(TypedValue::scaled(2.37f, 10), 23.7);
}

TEST(TypedValue, ValuesWithoutAWordAreRefused)
{
    int64_t word = 5;
    EXPECT_FALSE(TypedValue::scaledWord(NAN, 10, &word));
    EXPECT_FALSE(TypedValue::scaledWord(INFINITY, 10, &word));
    EXPECT_FALSE(TypedValue::scaledWord(3.0e38f, 1000000, &word)) << "beyond 64 bits";
    EXPECT_EQ(word, 5);
}
