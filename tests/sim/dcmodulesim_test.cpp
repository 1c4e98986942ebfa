#include "dcmodulesim.h"
#include "simcontrol.h"
#include "dcbussim.h"

#include <gtest/gtest.h>

namespace {
SimFrame command(int da, int pf, int code, int w1 = 0, int priority = 2)
{
    SimFrame f = SimFrame::j1939(priority, pf, da, 0x11);
    f.setWord(0, code);
    f.setWord(1, w1);
    return f;
}
}

TEST(SimFrame, PacksTheKernelsFrameImage)
{
    SimFrame f = SimFrame::j1939(2, 0x60, 0xBF, 0x11);
    f.data[0] = 1;
    uint8_t bytes[16];
    f.pack(bytes);
    const uint8_t expected[16] = { 0x11, 0xBF, 0x60, 0x88, 8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0 };
    EXPECT_EQ(memcmp(bytes, expected, 16), 0);
    SimFrame s;
    s.extended = false;
    s.id = 0x305;
    s.remote = true;
    s.pack(bytes);
    EXPECT_EQ(bytes[0], 0x05);
    EXPECT_EQ(bytes[1], 0x03);
    EXPECT_EQ(bytes[3], 0x40);
    SimFrame back = SimFrame::unpack(bytes);
    EXPECT_FALSE(back.extended);
    EXPECT_TRUE(back.remote);
    EXPECT_EQ(back.id, 0x305u);
}

TEST(DcModuleSim, AcknowledgesWhatIsAddressedToIt)
{
    DcModuleSim m(3);
    std::vector<SimFrame> r = m.receive(command(0x83, 0x61, 77, 250));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].sa(), 0x83);
    EXPECT_EQ(r[0].da(), 0x11);
    EXPECT_EQ(r[0].pf(), 0x61);
    EXPECT_EQ(r[0].word(0), 77);
    EXPECT_EQ(m.lastValue(77), 250);
    // Broadcasts are taken without an answer; others' commands and upgrade frames are not seen.
    EXPECT_TRUE(m.receive(command(0xBF, 0x60, 1)).empty());
    EXPECT_EQ(m.heartbeats(), 1);
    EXPECT_EQ(m.receive(command(0xBF, 0x61, 131, 5)).size(), 1u);
    EXPECT_TRUE(m.receive(command(0x84, 0x61, 78)).empty());
    EXPECT_TRUE(m.receive(command(0x83, 0x01, 79, 0, 1)).empty());
    EXPECT_EQ(m.commandsReceived(78), 0);
    m.setAcknowledging(false);
    EXPECT_TRUE(m.receive(command(0x83, 0x61, 77, 1)).empty());
    EXPECT_EQ(m.commandsReceived(77), 2);
}

TEST(DcModuleSim, AsksForInitialisationUntilTold)
{
    DcModuleSim m(1);
    EXPECT_TRUE(m.status(DcModuleSim::STATUS_INIT_REQUEST));
    std::vector<SimFrame> frames = m.report();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames[0].pf(), 1);
    EXPECT_EQ(frames[0].da(), 0x7F);
    EXPECT_EQ(frames[0].data[2] & 0x20, 0x20);   // status 21
    EXPECT_EQ(frames[1].data[4] & 0x10, 0x10);   // status 100
    m.receive(command(0x81, 0x60, DcModuleSim::CODE_INITIALISED, 1));
    EXPECT_FALSE(m.status(DcModuleSim::STATUS_INIT_REQUEST));
}

TEST(DcModuleSim, DebugAddressesReportOneOfItsAnalogs)
{
    DcModuleSim m(3);
    m.setAnalog(2, 7300);
    m.setAnalog(5, 125);
    auto debugWords = [&m]() {
        for (const SimFrame& f : m.report())
            if (f.pf() == 19)
                return std::vector<int>{ f.word(0), f.word(1), f.word(2) };
        return std::vector<int>{};
    };
    EXPECT_EQ(debugWords(), (std::vector<int>{ 0, 0, 0 }));
    m.receive(command(0x83, 0x61, DcModuleSim::CODE_DEBUG_ADDRESS, 2));
    m.receive(command(0x83, 0x61, DcModuleSim::CODE_DEBUG_ADDRESS + 2, 5));
    m.receive(command(0x83, 0x61, DcModuleSim::CODE_DEBUG_ADDRESS + 1, 40000));
    EXPECT_EQ(debugWords(), (std::vector<int>{ 7300, 0, 125 }));
}

TEST(DcModuleSim, ReportsTheLimitsItWasGiven)
{
    DcModuleSim m(2);
    // Analogs 10, 15, 16, 17: PF 18 word 2, PF 19 word 3, PF 20 words 0 and 1.
    auto limits = [&m]() {
        std::vector<int> out(4, -1);
        for (const SimFrame& f : m.report()) {
            if (f.pf() == 18)
                out[0] = f.word(2);
            else if (f.pf() == 19)
                out[1] = f.word(3);
            else if (f.pf() == 20) {
                out[2] = f.word(0);
                out[3] = f.word(1);
            }
        }
        return out;
    };
    EXPECT_EQ(limits(), (std::vector<int>{ 0, 0, 0, 0 }));
    m.receive(command(0x82, 0x61, DcModuleSim::CODE_MAX_CHARGE_CURRENT, 140));
    m.receive(command(0x82, 0x61, DcModuleSim::CODE_MAX_DISCHARGE_CURRENT, 1400));
    m.receive(command(0x82, 0x61, DcModuleSim::CODE_CHARGE_VOLTAGE, 7140));
    m.receive(command(0x82, 0x61, DcModuleSim::CODE_DISCHARGE_VOLTAGE, 5916));
    EXPECT_EQ(limits(), (std::vector<int>{ 591, 140, 140, 714 }));
}

TEST(SimControl, DcCommands)
{
    DcBusSim bus;
    bus.modules()[2] = new DcModuleSim(2);
    SimControl control(nullptr, nullptr, &bus);
    EXPECT_EQ(control.command("dc 2 alarm 5 1"), "");
    EXPECT_EQ(control.command("dc 2 state running"), "");
    EXPECT_EQ(control.command("dc 2 group 4 1"), "");
    EXPECT_EQ(control.command("dc 2 silent 1"), "");
    EXPECT_TRUE(bus.module(2)->status(DcModuleSim::STATUS_RUNNING));
    EXPECT_TRUE(bus.module(2)->status(DcModuleSim::STATUS_ALARM));
    EXPECT_TRUE(bus.module(2)->status(11));
    EXPECT_TRUE(bus.module(2)->report().empty());
    EXPECT_NE(control.command("dc 9 state running"), "");
    EXPECT_NE(control.command("dc 2 state flying"), "");
}
