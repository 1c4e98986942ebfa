#include "debugargs.h"

#include <gtest/gtest.h>
#include <vector>

TEST(DebugArgs, TraceMaskFromTheCommandLine)
{
    struct Case { std::vector<const char*> argv; int mask; } cases[] = {
        { { "stationpanel" }, 0 },
        { { "stationpanel", "debug", "9" }, 9 },
        { { "stationpanel", "debugging", "3" }, 3 },
        { { "stationpanel", "debug" }, 0 },
        { { "stationpanel", "debug", "x1" }, 0 },
        { { "stationpanel", "debug", "12x" }, 0 },
        { { "stationpanel", "-qws", "9" }, 0 },
    };
    for (auto& c : cases) {
        std::vector<char*> argv;
        for (const char* a : c.argv)
            argv.push_back(const_cast<char*>(a));
        EXPECT_EQ(parseDebugArgs(int(argv.size()), argv.data()), c.mask) << c.argv.size();
    }
}
