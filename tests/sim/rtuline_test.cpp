#include "rtuline.h"

#include <gtest/gtest.h>

// A request ends after 3.5 characters of 10 bits at the line's rate; fast lines keep 1.75 ms.
TEST(RtuLine, SilenceThatEndsARequest)
{
    const struct {
        int baud;
        long us;
    } cases[] = { { 9600, 3646 }, { 19200, 1823 }, { 38400, 1750 }, { 115200, 1750 }, { 0, 1823 } };
    for (const auto& c : cases)
        EXPECT_EQ(RtuLine::silenceUs(c.baud), c.us) << c.baud;
}
