#include "saturate.h"

#include <gtest/gtest.h>
#include <math.h>

TEST(Saturate, NotANumberIsZeroAndTheRangeEndsHold)
{
    struct Case { double v; int32_t i32; uint32_t u32; int16_t i16; };
    const Case cases[] = {
        { NAN, 0, 0, 0 },
        { 1.9, 1, 1, 1 },
        { -1.9, -1, 0, -1 },
        { 70000.7, 70000, 70000, INT16_MAX },
        { -70000.7, -70000, 0, INT16_MIN },
        { 1e300, INT32_MAX, UINT32_MAX, INT16_MAX },
        { -INFINITY, INT32_MIN, 0, INT16_MIN },
        { 4294967295.0, INT32_MAX, UINT32_MAX, INT16_MAX },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Saturate::toInt32(c.v), c.i32) << c.v;
        EXPECT_EQ(Saturate::toUint32(c.v), c.u32) << c.v;
        EXPECT_EQ(Saturate::toInt16(c.v), c.i16) << c.v;
    }
}
