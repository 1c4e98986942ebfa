#include "ringstore.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A full ring whose header was lost: several records of one second, the newest, are found
// after the older ones wherever the seam falls, and the last of them is taken as the newest.
TEST(RingStore, AFullRingRebuiltFromEqualNewestStampsKeepsItsOrder)
{
    struct Case {
        const char* name;
        std::vector<std::string> stamps;   // per slot
        std::vector<int> order;            // slots oldest first
    };
    const Case cases[] = {
        { "seam_in_the_middle", { "e", "e", "e", "b", "c", "d" }, { 3, 4, 5, 0, 1, 2 } },
        { "newest_run_across_the_end", { "e", "e", "b", "c", "e", "e" }, { 2, 3, 4, 5, 0, 1 } },
        { "seam_at_the_end", { "a", "b", "c", "e", "e", "e" }, { 0, 1, 2, 3, 4, 5 } },
    };
    const char header[] = "[NEXT]\n0001\n\n[SIZE]\n0000\n";
    RingStore ring("../log/ring.log", header, int(sizeof header - 1), int(sizeof header - 1), 8, 6);
    for (const Case& c : cases) {
        int next = 0, size = 0;
        ring.rebuild(c.stamps, &next, &size);
        EXPECT_EQ(size, 6) << c.name;
        std::vector<int> slots;
        ring.order(next, size, &slots);
        EXPECT_EQ(slots, c.order) << c.name;
    }
}

} // namespace
