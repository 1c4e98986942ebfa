#include "dcbussim.h"
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

// A frame as the link hands it over: from module m (SA 0x80 + m) unless sa is given.
CanFrame canFrame(int m, int pf, std::initializer_list<int> bytes, int p = 3, int da = 0x7F, int sa = -1)
{
    CanFrame f;
    memset(&f, 0, sizeof f);
    f.ff = 1;
    f.p = p;
    f.pf = pf;
    f.da = da;
    f.sa = sa >= 0 ? sa : 0x80 + m;
    f.dlc = 8;
    int i = 0;
    for (int b : bytes)
        f.data[i++] = uint8_t(b);
    return f;
}

// Four signed words, little-endian.
CanFrame words(int m, int pf, int w0, int w1, int w2, int w3)
{
    return canFrame(m, pf, { w0 & 0xFF, (w0 >> 8) & 0xFF, w1 & 0xFF, (w1 >> 8) & 0xFF, w2 & 0xFF, (w2 >> 8) & 0xFF,
        w3 & 0xFF, (w3 >> 8) & 0xFF });
}

// Statuses of module m: its group memberships (1..8) and whether it speaks for its group and
// for the system.
CanFrame statusFrame(int m, std::initializer_list<int> groups, bool groupHost, bool systemHost = false, int low = 0)
{
    int byte1 = 0;
    for (int g : groups)
        byte1 |= 1 << (g - 1);
    int byte2 = (systemHost ? 0x02 : 0) | (groupHost ? 0x04 : 0);
    return canFrame(m, 1, { low, byte1, byte2, 0, 0, 0, 0, 0 });
}

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

// Decoding is driven frame by frame here, as the receive thread hands frames over.
class DcHandlerDecode : public ::testing::Test {
protected:
    RuntimeTree tree{ true };
    DcHandler h{ "can0", 1000000, kNoTimer, false };

    void feed(const CanFrame& f) { h.process(&f); }
    // A full connection check: the modules that sent since the last one are online.
    void connect()
    {
        for (int i = 0; i < 4; ++i)
            h.checkconnect();
    }
    float analog(int module, int index)
    {
        float v = -12345.0f;
        EXPECT_EQ(h.getAnalog(module, index, &v), 0) << module << "/" << index;
        return v;
    }
};

TEST_F(DcHandlerDecode, StatusAndAlarmBits)
{
    feed(canFrame(4, 1, { 0x05 }));
    EXPECT_EQ(h.getStatus(4, 0), 1);
    EXPECT_EQ(h.getStatus(4, 1), 0);
    EXPECT_EQ(h.getStatus(4, 2), 1);
    feed(canFrame(4, 2, { 0, 0, 0x80 }));
    EXPECT_EQ(h.getStatus(4, 64 + 23), 1);
    // PDU format 4 reaches index 199 and no further.
    feed(canFrame(4, 4, { 0x80, 0xFF }));
    EXPECT_EQ(h.getStatus(4, 199), 1);
    feed(canFrame(4, 9, { 0, 0x10 }));
    EXPECT_EQ(h.getAlarm(4, 64 + 12), 1);
    EXPECT_EQ(h.getAlarm(4, 64 + 11), 0);
    EXPECT_EQ(h.getAlarm(3, 64 + 12), 0);
}

TEST_F(DcHandlerDecode, AnalogWordsAndTheirDivisors)
{
    feed(words(7, 16, 2500, -30, 0, 1));
    EXPECT_FLOAT_EQ(analog(7, 0), 250.0f);
    EXPECT_FLOAT_EQ(analog(7, 1), -3.0f);
    EXPECT_FLOAT_EQ(analog(7, 2), 0.0f);
    EXPECT_FLOAT_EQ(analog(7, 3), 0.1f);
    feed(words(7, 18, 1205, 0, 0, 0));
    EXPECT_FLOAT_EQ(analog(7, 8), 120.5f);
    EXPECT_FLOAT_EQ(analog(7, 9), 0.0f);
    // Heat sink and ambient sensors through their curves.
    feed(words(7, 21, 2773, 1205, 0, 123));
    feed(words(7, 22, 0, 1959, 0, 0));
    EXPECT_FLOAT_EQ(analog(7, 20), 60.0f);
    EXPECT_FLOAT_EQ(analog(7, 21), 1205.0f);
    EXPECT_FLOAT_EQ(analog(7, 23), 12.3f);
    EXPECT_FLOAT_EQ(analog(7, 25), 25.0f);
    // Formats without a divisor keep the word.
    feed(words(7, 24, -7, 40000, 0, 0));
    EXPECT_FLOAT_EQ(analog(7, 32), -7.0f);
    EXPECT_FLOAT_EQ(analog(7, 33), -25536.0f);
}

TEST_F(DcHandlerDecode, OnlyFramesToTheMonitorFromModulesAreDecoded)
{
    struct Case {
        const char* name;
        CanFrame frame;
        bool decoded;
    } cases[] = {
        { "to 0x7F", canFrame(5, 1, { 1 }, 3, 0x7F), true },
        { "to 0x11", canFrame(5, 1, { 1 }, 3, 0x11), true },
        { "to 0x12", canFrame(5, 1, { 1 }, 6, 0x12), true },
        { "to 0x20", canFrame(5, 1, { 1 }, 3, 0x20), false },
        { "priority 1", canFrame(5, 1, { 1 }, 1, 0x7F), false },
        { "priority 7", canFrame(5, 1, { 1 }, 7, 0x7F), false },
        { "from 0x8B", canFrame(0, 1, { 1 }, 3, 0x7F, 0x8B), false },
        { "from 0x80", canFrame(0, 1, { 1 }, 3, 0x7F, 0x80), false },
    };
    for (Case& c : cases) {
        DcHandler fresh("can0", 1000000, kNoTimer, false);
        fresh.process(&c.frame);
        for (int i = 0; i < 4; ++i)
            fresh.checkconnect();
        const int m = c.frame.sa - 0x80;
        const bool decoded = m >= 1 && m <= 10 && fresh.getStatus(m, 0) == 1 && fresh.getStatus(m, 100) == 1;
        EXPECT_EQ(decoded, c.decoded) << c.name;
    }
    CanFrame shortId = canFrame(5, 1, { 1 });
    shortId.ff = 0;
    feed(shortId);
    EXPECT_EQ(h.getStatus(5, 0), 0);
}

TEST_F(DcHandlerDecode, PriorityOfSevenCarriesTwoSummedReadings)
{
    feed(canFrame(0, 0xC0, { 0, 0, 0x10, 0x27, 0x0C, 0xFE }, 7, 0x7F, 0x41));
    EXPECT_FLOAT_EQ(analog(20, 100), 100.0f);
    EXPECT_FLOAT_EQ(analog(20, 101), -5.0f);
    feed(canFrame(0, 0xC0, { 0, 0, 0xE8, 0x03, 0, 0 }, 7, 0x12, 0x4A));
    EXPECT_FLOAT_EQ(analog(20, 100), 110.0f);
    // Another sender, format or destination changes nothing.
    feed(canFrame(0, 0xC0, { 0, 0, 0xE8, 0x03 }, 7, 0x7F, 0x4B));
    feed(canFrame(0, 0xC1, { 0, 0, 0xE8, 0x03 }, 7, 0x7F, 0x42));
    feed(canFrame(0, 0xC0, { 0, 0, 0xE8, 0x03 }, 7, 0x30, 0x42));
    EXPECT_FLOAT_EQ(analog(20, 100), 110.0f);
    // No module is touched, and other indices of 20 are left as they were.
    connect();
    EXPECT_EQ(h.getStatus(0, 100), 0);
    float v = 3.5f;
    EXPECT_EQ(h.getAnalog(20, 7, &v), 0);
    EXPECT_EQ(v, 3.5f);
}

TEST_F(DcHandlerDecode, EnergyIncrementsGoToTheModuleAndItsFirstFourGroups)
{
    feed(statusFrame(1, { 1, 4 }, false));
    feed(statusFrame(5, { 5 }, false));
    feed(words(1, 20, 0, 0, 30, 7));
    feed(words(1, 20, 0, 0, 12, -2));
    feed(words(5, 20, 0, 0, 100, 100));
    connect();
    EXPECT_DOUBLE_EQ(h.energyTotal(1, 0), 42.0);
    EXPECT_DOUBLE_EQ(h.energyTotal(1, 1), 5.0);
    EXPECT_FLOAT_EQ(analog(1, 18), 42.0f);
    EXPECT_FLOAT_EQ(analog(1, 19), 5.0f);
    EXPECT_DOUBLE_EQ(h.energyTotal(1001, 0), 42.0);
    EXPECT_DOUBLE_EQ(h.energyTotal(1004, 1), 5.0);
    EXPECT_DOUBLE_EQ(h.energyTotal(5, 0), 100.0);
    EXPECT_DOUBLE_EQ(h.energyTotal(1005, 0), 0.0);
    // A group's totals as two 16-bit halves.
    DcHandlerProbe::energy(h, 10, 0) = 70000.9;
    EXPECT_FLOAT_EQ(analog(1001, 80), 1.0f);
    EXPECT_FLOAT_EQ(analog(1001, 81), 4464.0f);
    EXPECT_FLOAT_EQ(analog(1004, 83), 5.0f);
}

TEST_F(DcHandlerDecode, SaveRequestWritesTheEnergyBlockAtOnce)
{
    tree.writeFile("log/DcData.log", std::string(288, '\0'));
    feed(words(2, 20, 0, 0, 9, 0));
    EXPECT_EQ(tree.readFile("log/DcData.log"), std::string(288, '\0'));
    feed(canFrame(2, 1, { 0, 0, 0x80 }));   // status 23
    double block[18][2] = {};
    block[1][0] = 9.0;
    EXPECT_EQ(tree.readFile("log/DcData.log"), energyBytes(block));
}

TEST_F(DcHandlerDecode, GroupsAndSystemCombineOnlineModules)
{
    // Modules 1 and 2 in group 1 (2 speaks for it), 3 in group 2 (speaking for it and for the
    // system), 4 in group 1 but silent.
    feed(statusFrame(1, { 1 }, false, false, 0x01));
    feed(statusFrame(2, { 1 }, true, false, 0x02));
    feed(statusFrame(3, { 2 }, true, true, 0x04));
    for (int m = 1; m <= 3; ++m)
        feed(words(m, 16, 100 * m, 10 * m, 0, 0));
    for (int m = 1; m <= 3; ++m)
        feed(words(m, 17, 5 * m, 0, 0, 0));
    feed(canFrame(1, 8, { 0x08 }));
    feed(canFrame(1, 1, { 0x01, 0x01, 0x00, 0x01 }));   // module 1 also has status 24
    connect();
    feed(statusFrame(4, { 1 }, true, true, 0x80));
    feed(words(4, 17, 500, 0, 0, 0));

    EXPECT_EQ(h.getStatus(1001, 100), 1);
    EXPECT_EQ(h.getStatus(1002, 100), 1);
    EXPECT_EQ(h.getStatus(1003, 100), 0);
    // Taken from the member that speaks for the group...
    EXPECT_EQ(h.getStatus(1001, 1), 1);
    EXPECT_EQ(h.getStatus(1001, 0), 0);
    EXPECT_FLOAT_EQ(analog(1001, 0), 20.0f);
    EXPECT_FLOAT_EQ(analog(1002, 1), 3.0f);
    // ...or summed over the online members.
    EXPECT_FLOAT_EQ(analog(1001, 4), 1.5f);
    EXPECT_FLOAT_EQ(analog(1002, 4), 1.5f);
    EXPECT_FLOAT_EQ(analog(1003, 4), 0.0f);
    EXPECT_EQ(h.getStatus(1001, 24), 1);
    EXPECT_EQ(h.getStatus(1002, 24), 0);
    EXPECT_EQ(h.getStatus(1001, 30), 0);
    EXPECT_EQ(h.getAlarm(1001, 3), 1);
    EXPECT_EQ(h.getAlarm(1002, 3), 0);
    // The system: its host module for states, the groups summed for values.
    EXPECT_EQ(h.getStatus(0, 100), 1);
    EXPECT_EQ(h.getStatus(0, 2), 1);
    EXPECT_EQ(h.getStatus(0, 24), 1);
    EXPECT_EQ(h.getAlarm(0, 3), 1);
    EXPECT_FLOAT_EQ(analog(0, 4), 3.0f);
    EXPECT_FLOAT_EQ(analog(0, 0), 50.0f);
    EXPECT_FLOAT_EQ(analog(0, 9), 0.0f);
    EXPECT_FLOAT_EQ(analog(0, 21), 0.0f);
    // Module 4 is offline and counts nowhere.
    EXPECT_EQ(h.getStatus(4, 7), 1);
    EXPECT_EQ(h.getStatus(1001, 7), 0);
    EXPECT_EQ(h.getStatus(0, 7), 0);
}

TEST_F(DcHandlerDecode, IndicesFromTwoHundredAreRefused)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(h.getStatus(1, 200), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("virtual int DcHandler::getStatus(int, int)(", 0), 0u) << out;
    EXPECT_NE(out.find(")-error index=200\n"), std::string::npos) << out;
    float v = 0;
    EXPECT_EQ(h.getAnalog(1, 200, &v), -1);
    EXPECT_EQ(h.getAnalog(1, 0, nullptr), -1);
    EXPECT_EQ(h.getAlarm(1, 200), 0);
    EXPECT_EQ(h.getConfig(1, 200, &v), -1);
    EXPECT_EQ(h.getConfig(11, 0, &v), -1);
    EXPECT_EQ(h.getConfig(1, 0, nullptr), -1);
    EXPECT_EQ(h.getStatus(11, 0), 0);
    EXPECT_EQ(h.getAnalog(11, 0, &v), 0);
    EXPECT_EQ(v, 0.0f);
}

TEST(DcHandlerOnTheBus, SimulatedModulesAreReadAndGrouped)
{
    RuntimeTree tree(true);
    DcBusSim sim;
    ASSERT_TRUE(sim.open(tree.root(), "can0", 4));
    sim.setPeriod(20);
    sim.module(3)->setAlarm(6, true);
    sim.start();
    DcHandler h("can0", 1000000, 20, false);
    ASSERT_EQ(h.open(), 0);
    ASSERT_TRUE(waitFor([&] { return h.getStatus(0, 100) == 1 && h.getStatus(4, 100) == 1; }));
    float v = 0;
    EXPECT_EQ(h.getAnalog(3, 2, &v), 0);
    EXPECT_FLOAT_EQ(v, 750.0f);
    EXPECT_EQ(h.getAnalog(3, 20, &v), 0);
    EXPECT_FLOAT_EQ(v, 60.0f);
    EXPECT_EQ(h.getAlarm(3, 6), 1);
    EXPECT_EQ(h.getAlarm(1001, 6), 1);
    EXPECT_EQ(h.getAlarm(1002, 6), 0);
    EXPECT_EQ(h.getStatus(2, 9), 1);
    EXPECT_EQ(h.getAnalog(1002, 21, &v), 0);
    EXPECT_FLOAT_EQ(v, 1205.0f);
    sim.module(4)->setSilent(true);
    EXPECT_TRUE(waitFor([&] { return h.getStatus(4, 100) == 0; }));
    EXPECT_EQ(h.getStatus(0, 100), 1);
    sim.stop();
}
