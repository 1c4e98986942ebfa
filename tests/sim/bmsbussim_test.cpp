#include "bmsbussim.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::string be32(uint32_t v)
{
    return std::string{ char(v >> 24), char(v >> 16), char(v >> 8), char(v) };
}

} // namespace

TEST(BmsBusSim, BatteryTypeComesFromThePanelsSettingsFile)
{
    RuntimeTree tree;
    EXPECT_EQ(BmsBusSim::batteryTypeIn(tree.root()), 0);
    // Entries 0..25 with no text except entry 3 ("ab" in UTF-16), then entry 26 = 7.
    std::string bytes;
    for (uint32_t i = 0; i < 26; ++i) {
        bytes += be32(i * 3);
        bytes += i == 3 ? be32(4) + std::string("\0a\0b", 4) : be32(0xFFFFFFFFu);
    }
    bytes += be32(7) + be32(0xFFFFFFFFu);
    tree.writeFile("bin/monitorset.txt", bytes + be32(0) + be32(0xFFFFFFFFu));
    EXPECT_EQ(BmsBusSim::batteryTypeIn(tree.root()), 7);
    tree.writeFile("bin/monitorset.txt", bytes.substr(0, bytes.size() - 8));
    EXPECT_EQ(BmsBusSim::batteryTypeIn(tree.root()), 0);
}

TEST(BmsBusSim, RacksSpeakTheirProtocols)
{
    BmsRackSim generic(BmsRackSim::GENERIC, 1);
    const std::vector<SimFrame> g = generic.frames();
    ASSERT_EQ(g.size(), 8u);
    EXPECT_TRUE(g[0].extended);
    EXPECT_EQ(g[0].id, 0x18F21292u);   // priority 6, PF 0xF2, message 0x12, rack 1 at 0x92
    EXPECT_EQ(g[0].data[0], 155);      // 62 % in steps of 0.4 %
    EXPECT_EQ(g[0].data[7], 3);

    BmsRackSim f(BmsRackSim::BMS_F, 2);
    const std::vector<SimFrame> answers = f.frames();
    ASSERT_EQ(answers.size(), 10u);
    EXPECT_EQ(answers[0].id, 0x18014213u);   // DA 0x42, message 1 of rack 2 (low nibble 3)
    EXPECT_EQ(answers[8].id, 0x18017313u);   // DA 0x73, message 1
    EXPECT_EQ(answers[0].data[6], 59);

    BmsRackSim kwbe(BmsRackSim::KWBE, 0);
    std::vector<uint32_t> ids;
    for (const SimFrame& s : kwbe.frames()) {
        EXPECT_FALSE(s.extended);
        ids.push_back(s.id);
    }
    EXPECT_EQ(ids, (std::vector<uint32_t>{ 0x359, 0x351, 0x355, 0x356, 0x399 }));
}

TEST(BmsBusSim, ChargeFollowsTheCurrentAndTurnsAround)
{
    BmsRackSim r(BmsRackSim::GENERIC, 0);
    const double v0 = r.rackVoltage();
    r.tick(3600);   // an hour at -30 A of 280 Ah
    EXPECT_NEAR(r.soc, 65.0 - 30.0 / 280 * 100, 1e-9);
    EXPECT_LT(r.rackVoltage(), v0);
    r.soc = 10.5;
    r.tick(600);
    EXPECT_GT(r.current, 0);
    r.soc = 94.9;
    r.tick(600);
    EXPECT_LT(r.current, 0);
    EXPECT_GE(r.soc, 0);
    EXPECT_LE(r.soc, 100);
}
