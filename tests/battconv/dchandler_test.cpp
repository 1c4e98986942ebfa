#include "dchandler.h"
#include "dcfixture.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <string.h>
#include <unistd.h>

// Reaches the state the receive thread keeps.
struct DcHandlerProbe {
    static int alive(DcHandler& h, int m) { return h.m_alive[m]; }
    static double& energy(DcHandler& h, int slot, int k) { return h.m_energy[slot][k]; }
};

namespace {

const int kNoTimer = 100000000;   // a period the receive thread never reaches

std::string energyBytes(const double (&block)[18][2])
{
    return std::string(reinterpret_cast<const char*>(block), sizeof block);
}

class DcHandlerSetUp : public ::testing::Test {
protected:
    RuntimeTree tree{ true };
};

} // namespace

TEST_F(DcHandlerSetUp, OpenBringsUpLinkTablesFilesAndThreads)
{
    DcHandler h("can0", 1000000, kNoTimer, false);
    testing::internal::CaptureStdout();
    ASSERT_EQ(h.open(), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("virtual int DcHandler::open()\n"), std::string::npos) << out;
    EXPECT_NE(out.find("int DcHandler::readCommandTable()-100\n"), std::string::npos) << out;
    EXPECT_NE(out.find("type 0\nm_currentRackInfo 1,0\n"), std::string::npos) << out;
    EXPECT_EQ(tree.commands(),
        "ifconfig can0 down\nip link set can0 up type can bitrate 1000000\nifconfig can0 up\n");
    EXPECT_TRUE(h.receiving());
    ASSERT_EQ(h.commandTable().size(), 100u);
    EXPECT_EQ(h.commandTable()[5].code, 8);
    EXPECT_EQ(h.commandTable()[20].pf, 0x61);
    EXPECT_EQ(h.initRow().first, 20);
    EXPECT_EQ(h.initRow().last, 46);
    EXPECT_EQ(h.initRow().recordLimit, 100);
    EXPECT_EQ(h.initRow().broadcastRow, 99);
    EXPECT_EQ(tree.readFile("log/DcData.log"), std::string(288, '\0'));
    // Every module, the system and the groups get their parameter file from the default.
    for (int id : { 1, 10, 1000, 1008 })
        EXPECT_TRUE(tree.exists("conf-dcdc/param_" + std::to_string(id) + ".ini")) << id;
    EXPECT_EQ(h.close(), 0);
    EXPECT_FALSE(h.receiving());
    // Open again: the link comes up again, the threads that never stop are not doubled.
    ASSERT_EQ(h.open(), 0);
    EXPECT_TRUE(h.receiving());
}

TEST_F(DcHandlerSetUp, WithoutTheMapFileNothingIsReceived)
{
    unlink(tree.path("conf-dcdc/map.pdu").c_str());
    DcHandler h("can0", 1000000, kNoTimer, false);
    EXPECT_EQ(h.open(), -1);
    EXPECT_FALSE(h.receiving());
    EXPECT_NE(tree.commands(), "");
    EXPECT_TRUE(tree.exists("conf-dcdc/param_1000.ini"));
    EXPECT_FALSE(tree.exists("log/DcData.log"));
}

TEST_F(DcHandlerSetUp, LinkFailureReadsNothing)
{
    DcHandler rate("can0", 800000, kNoTimer, false);
    EXPECT_EQ(rate.open(), -2);
    DcHandler name("can 0", 1000000, kNoTimer, false);
    EXPECT_EQ(name.open(), -3);
    EXPECT_FALSE(name.receiving());
    EXPECT_FALSE(tree.exists("conf-dcdc/param_1.ini"));
    EXPECT_FALSE(tree.exists("log/DcData.log"));
    EXPECT_EQ(tree.commands(), "");
}

TEST_F(DcHandlerSetUp, EnergyBlockIsReadWholeOrStartsFromZero)
{
    tree.writeFile("log/DcData.log", std::string(100, '\x7f'));
    {
        DcHandler h("can0", 1000000, kNoTimer, false);
        ASSERT_EQ(h.open(), 0);
        EXPECT_EQ(tree.readFile("log/DcData.log"), std::string(288, '\0'));
        EXPECT_EQ(h.energyTotal(1, 0), 0.0);
    }
    double block[18][2] = {};
    block[0][0] = 12.5;     // module 1, total 1
    block[9][1] = -3.0;     // module 10, total 2
    block[10][1] = 99.25;   // group 1001, total 2
    tree.writeFile("log/DcData.log", energyBytes(block));
    DcHandler h("can0", 1000000, kNoTimer, false);
    ASSERT_EQ(h.open(), 0);
    EXPECT_EQ(h.energyTotal(1, 0), 12.5);
    EXPECT_EQ(h.energyTotal(10, 1), -3.0);
    EXPECT_EQ(h.energyTotal(1001, 1), 99.25);
    EXPECT_EQ(h.energyTotal(1008, 0), 0.0);
    EXPECT_EQ(tree.readFile("log/DcData.log"), energyBytes(block));
}

TEST_F(DcHandlerSetUp, EnergyBlockIsWrittenEvery900thTick)
{
    DcHandler h("can0", 1000000, kNoTimer, false);
    ASSERT_EQ(h.open(), 0);
    DcHandlerProbe::energy(h, 2, 0) = 7.0;
    for (int i = 0; i < 899; ++i)
        h.timerEvent();
    EXPECT_EQ(tree.readFile("log/DcData.log"), std::string(288, '\0'));
    h.timerEvent();
    double block[18][2] = {};
    block[2][0] = 7.0;
    EXPECT_EQ(tree.readFile("log/DcData.log"), energyBytes(block));
}

TEST_F(DcHandlerSetUp, RackRowGivesSystemIdsAndAddressing)
{
    struct Case {
        const char* name;
        int type;             // parameter 53 of the system
        std::string rows;
        int ids[10];
        int direct;
        int moduleCount;
    } cases[] = {
        { "row present", 3, rackRow(7, 3, 0, 4, "1/2/3/4/5/6/7/8/9/x") + rackRow(8, 3, 1, 9, "2"),
            { 1, 2, 3, 4, 5, 6, 7, 8, 0, 0 }, 1, 4 },
        { "through the AC/DC device", 4, rackRow(0, 4, 1, 2, "2/2"), { 2, 2, 0, 0, 0, 0, 0, 0, 0, 0 }, 0, 2 },
        { "machine type absent", 5, rackRow(0, 4, 1, 2, "2/2"), { 0 }, 1, 0 },
    };
    for (const Case& c : cases) {
        tree.writeFile("bin/SockConfig.pdu", rackTable(c.rows));
        tree.writeFile("conf-dcdc/param_1000.ini", paramLines(60, { { 53, c.type } }));
        DcHandler h("can0", 1000000, kNoTimer, false);
        ASSERT_EQ(h.open(), 0) << c.name;
        EXPECT_EQ(h.currentRack().machineType, c.type) << c.name;
        EXPECT_EQ(h.currentRack().moduleCount, c.moduleCount) << c.name;
        EXPECT_EQ(h.directAddressing(), c.direct) << c.name;
        for (int m = 1; m <= 10; ++m)
            EXPECT_EQ(h.systemId(m), c.ids[m - 1]) << c.name << " module " << m;
    }
}

TEST_F(DcHandlerSetUp, HeartbeatCountsToTwoHundredFiftyFourAndWraps)
{
    SimCanPort peer;
    ASSERT_TRUE(peer.open(tree.root(), "can0"));
    DcHandler h("can0", 1000000, kNoTimer, false);
    ASSERT_EQ(h.open(), 0);
    for (int i = 0; i < 257; ++i) {
        h.timerEvent();
        SimFrame f;
        ASSERT_TRUE(peer.receive(&f, 1000)) << i;
        EXPECT_TRUE(f.extended);
        EXPECT_EQ(f.id, 0x0860BF11u);
        const uint8_t expected[8] = { 1, 0, uint8_t(i % 255), 0, 0, 0, 0, 0 };
        EXPECT_EQ(memcmp(f.data, expected, 8), 0) << i << ": " << f.text();
    }
}

TEST_F(DcHandlerSetUp, ModuleIsOnlineWhileItSendsAnything)
{
    SimCanPort peer;
    ASSERT_TRUE(peer.open(tree.root(), "can0"));
    DcHandler h("can0", 1000000, kNoTimer, false);
    ASSERT_EQ(h.open(), 0);
    // Frames to another destination do not count.
    ASSERT_TRUE(peer.send(moduleFrame(2, 16, 3, 0x20)));
    ASSERT_TRUE(peer.send(moduleFrame(3, 16)));
    ASSERT_TRUE(waitFor([&] { return DcHandlerProbe::alive(h, 3) != 0; }));
    EXPECT_EQ(DcHandlerProbe::alive(h, 2), 0);
    for (int i = 0; i < 3; ++i)
        h.checkconnect();
    EXPECT_EQ(h.getStatus(3, 100), 0);
    h.checkconnect();
    EXPECT_EQ(h.getStatus(3, 100), 1);
    EXPECT_EQ(h.getStatus(2, 100), 0);
    EXPECT_EQ(h.getStatus(0, 100), 1);
    for (int i = 0; i < 4; ++i)
        h.checkconnect();
    EXPECT_EQ(h.getStatus(3, 100), 0);
    EXPECT_EQ(h.getStatus(0, 100), 0);
}

TEST_F(DcHandlerSetUp, ReceiveThreadRunsTheTimerOnItsPeriod)
{
    SimCanPort peer;
    ASSERT_TRUE(peer.open(tree.root(), "can0"));
    DcHandler h("can0", 1000000, 20, false);
    ASSERT_EQ(h.open(), 0);
    int heartbeats = 0;
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    while (std::chrono::steady_clock::now() < until) {
        peer.send(moduleFrame(6, 17));
        SimFrame f;
        while (peer.receive(&f, 0))
            heartbeats += f.pf() == 0x60 && f.data[0] == 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(heartbeats, 5);
    EXPECT_EQ(h.getStatus(6, 100), 1);
    // Silent for more than eight periods: offline.
    EXPECT_TRUE(waitFor([&] { return h.getStatus(6, 100) == 0 && h.getStatus(0, 100) == 0; }, 2000));
}

TEST_F(DcHandlerSetUp, VersionNeedsThirtyTwoBytes)
{
    DcHandler h("can0", 1000000, kNoTimer, false);
    char buf[64];
    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(h.getVersion(buf, 31), -1);
    EXPECT_EQ(h.getVersion(nullptr, 64), -1);
    EXPECT_EQ(h.getVersion(buf, 40), 1205);
    EXPECT_STREQ(buf, "Jul 15 2019 20:11:28");
    EXPECT_EQ(buf[39], '\0');
    EXPECT_EQ(buf[40], 'x');
}
