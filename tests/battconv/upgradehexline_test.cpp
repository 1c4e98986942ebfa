#include "upgradehexline.h"

#include <gtest/gtest.h>
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
