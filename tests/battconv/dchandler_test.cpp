#include "dcbussim.h"
#include "dchandler.h"
#include "dcfixture.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <atomic>
#include <fstream>
#include <memory>
#include <set>
#include <string.h>
#include <unistd.h>

// Reaches the state the receive thread keeps.
struct DcHandlerProbe {
    static int alive(DcHandler& h, int m) { return h.m_alive[m]; }
    static double& energy(DcHandler& h, int slot, int k) { return h.m_energy[slot][k]; }
    static std::atomic<int>& pending(DcHandler& h, int m) { return h.m_pending[m]; }
    static std::atomic<double>& sendTime(DcHandler& h, int m) { return h.m_sendTime[m]; }
    static std::atomic<double>& groupSendTime(DcHandler& h, int g) { return h.m_groupSendTime[g - 1001]; }
    static std::atomic<double>& systemSendTime(DcHandler& h) { return h.m_systemSendTime; }
    static int faultSeen(DcHandler& h, int m) { return h.m_faultSeen[m]; }
    static uint32_t faultMask(DcHandler& h, int m) { return h.m_faultMask[m]; }
    static size_t history(DcHandler& h, int m) { return h.m_history[m].size(); }
    static const FaultRealDataLog& waveRecord(DcHandler& h, int m) { return h.m_waveRecord[m]; }
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

TEST_F(DcHandlerSetUp, FramesReadWhileWaitingForAnAcknowledgementAreNotLost)
{
    SimCanPort peer;
    ASSERT_TRUE(peer.open(tree.root(), "can0"));
    DcHandler h("can0", 1000000, kNoTimer, false);
    ASSERT_EQ(h.open(), 0);
    // Module 3 asks to be initialised and raises an alarm at once, and never acknowledges: the
    // alarm frame is read while the handler waits for the first row's answer.
    SimFrame ask = moduleFrame(3, 1);
    ask.data[2] = 1 << 5;   // status 21
    SimFrame alarm = moduleFrame(3, 8);
    alarm.data[0] = 1 << 4;   // alarm 4
    ASSERT_TRUE(peer.send(ask));
    ASSERT_TRUE(peer.send(alarm));
    EXPECT_TRUE(waitFor([&] { return h.getAlarm(3, 4) == 1; }));
    EXPECT_EQ(h.getStatus(3, 21), 1);
}

TEST_F(DcHandlerSetUp, ReceiveThreadRunsTheTimerOnItsPeriod)
{
    TimeSeam::useFakeClock(true);
    SimCanPort peer;
    ASSERT_TRUE(peer.open(tree.root(), "can0"));
    DcHandler h("can0", 1000000, 20, false);
    ASSERT_EQ(h.open(), 0);
    // Time moves a millisecond at a time, each step given a moment of real time for the thread to
    // catch up; the steps until the next heartbeat are counted. A slow thread can only make the
    // count larger, so the test asserts no upper limit but that each heartbeat comes.
    auto nextHeartbeat = [&](bool moduleSpeaks) {
        for (int ms = 1; ms <= 1000; ++ms) {
            if (moduleSpeaks && ms % 5 == 0)
                peer.send(moduleFrame(6, 17));
            TimeSeam::advanceMs(1);
            SimFrame f;
            while (peer.receive(&f, ms >= 20 ? 50 : 2))
                if (f.pf() == 0x60 && f.data[0] == 1)
                    return ms;
        }
        return -1;
    };
    ASSERT_GT(nextHeartbeat(true), 0);
    for (int i = 0; i < 8; ++i) {
        const int gap = nextHeartbeat(true);
        EXPECT_GE(gap, 20) << "period " << i;
        ASSERT_GT(gap, 0) << "period " << i;
    }
    EXPECT_TRUE(waitFor([&] { return h.getStatus(6, 100) == 1; }));
    // Silent for eight periods, two connection checks: offline.
    for (int i = 0; i < 8; ++i)
        ASSERT_GE(nextHeartbeat(false), 20) << "silent period " << i;
    EXPECT_TRUE(waitFor([&] { return h.getStatus(6, 100) == 0 && h.getStatus(0, 100) == 0; }));
    TimeSeam::useFakeClock(false);
}

namespace {
// Waits of the fault-data thread, counted by the time seam's sleep hook.
std::atomic<int> g_faultWaits{ 0 };
void countFaultWaits(void*)
{
    char name[16] = "";
    pthread_getname_np(pthread_self(), name, sizeof name);
    if (strcmp(name, "dc-fault") == 0)
        ++g_faultWaits;
}
}

// The fault-data thread is woken 300 ms late every time, as on a loaded host (the clock is
// stepped 1.3 s at a time): its passes still fall on whole seconds from the first, so the minute
// before a fault holds sixty snapshots and the waveform gets all eight it keeps of them.
TEST_F(DcHandlerSetUp, FaultDataPassesKeepAFixedOneSecondSchedule)
{
    TimeSeam::useFakeClock(true);
    g_faultWaits = 0;
    TimeSeam::setSleepHook(countFaultWaits, nullptr);
    {
        DcHandler h("can0", 1000000, kNoTimer, false);
        const int m = 3;
        const CanFrame analog = words(m, 16, 420, 0, 0, 0);   // analog 0: 42
        h.process(&analog);
        for (int i = 0; i < 4; ++i)
            h.checkconnect();
        ASSERT_EQ(h.getStatus(m, 100), 1);
        ASSERT_EQ(h.open(), 0);
        // Done once the thread waits again: its first wait after the step may be one it was in.
        auto step = [&](int ms) {
            const int before = g_faultWaits;
            TimeSeam::advanceMs(ms);
            return waitFor([&] { return g_faultWaits >= before + 2; });
        };
        ASSERT_TRUE(waitFor([&] { return g_faultWaits > 0; }));
        for (int s = 0; s < 46; ++s)   // 59.8 s
            ASSERT_TRUE(step(1300)) << s;
        EXPECT_EQ(DcHandlerProbe::history(h, m), 60u);
        const CanFrame fault = canFrame(m, 60, {});
        h.process(&fault);
        ASSERT_TRUE(step(1300));
        const FaultRealDataLog& w = DcHandlerProbe::waveRecord(h, m);
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(w.snapshots[k][0], 42.0f) << "slot " << k + 1;
    }
    TimeSeam::setSleepHook(nullptr, nullptr);
    TimeSeam::useFakeClock(false);
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
        { "from 0x81, the first module", canFrame(1, 1, { 1 }, 3, 0x7F), true },
        { "from 0x8A, the last module", canFrame(10, 1, { 1 }, 3, 0x7F), true },
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
    AnswerInline inline_(sim);
    ASSERT_TRUE(sim.open(tree.root(), "can0", 4));
    sim.setPeriod(20);
    sim.module(3)->setAlarm(6, true);
    sim.start();
    DcHandler h("can0", 1000000, 20, false);
    ASSERT_EQ(h.open(), 0);
    ASSERT_TRUE(waitFor([&] { return h.getStatus(0, 100) == 1 && h.getStatus(4, 100) == 1; }));
    // A busy machine may drop a report now and then, as a busy bus does: the next one comes.
    float v = 0;
    EXPECT_TRUE(waitFor([&] { return h.getAnalog(3, 2, &v) == 0 && v == 750.0f; }));
    EXPECT_TRUE(waitFor([&] { return h.getAnalog(3, 20, &v) == 0 && v == 60.0f; }));
    EXPECT_TRUE(waitFor([&] { return h.getAlarm(3, 6) == 1; }));
    EXPECT_EQ(h.getAlarm(1001, 6), 1);
    EXPECT_EQ(h.getAlarm(1002, 6), 0);
    EXPECT_EQ(h.getStatus(2, 9), 1);
    EXPECT_TRUE(waitFor([&] { return h.getAnalog(1002, 21, &v) == 0 && v == 1205.0f; }));
    sim.module(4)->setSilent(true);
    EXPECT_TRUE(waitFor([&] { return h.getStatus(4, 100) == 0; }));
    EXPECT_EQ(h.getStatus(0, 100), 1);
    sim.stop();
}

namespace {

struct Record {
    int modules;
    int oid;
    double before;
    double after;
};

bool operator==(const Record& a, const Record& b)
{
    return a.modules == b.modules && a.oid == b.oid && a.before == b.before && a.after == b.after;
}

std::ostream& operator<<(std::ostream& o, const Record& r)
{
    return o << "{" << r.modules << ", " << r.oid << ", " << r.before << ", " << r.after << "}";
}

// Sample command rows: row r has code 32 + r (row 5: 8, row 9: 11); rows from 20 on go on
// format 0x61, those from 27 on (but 53) with scale 10.
int code(int row)
{
    return row == 5 ? 8 : row == 9 ? 11 : 32 + row;
}

} // namespace

// The handler against simulated modules on the virtual bus: odd modules in group 1, even ones
// in group 2.
class DcHandlerCommands : public ::testing::Test {
protected:
    RuntimeTree tree{ true };
    DcBusSim sim;
    AnswerInline inline_{ sim };
    std::unique_ptr<DcHandler> h;

    // Rack row of machine type 3 (written only when given) and modules 1..n.
    void start(int n, bool init = false, const std::string& rack = std::string())
    {
        if (!rack.empty()) {
            tree.writeFile("bin/SockConfig.pdu", rackTable(rack));
            tree.writeFile("conf-dcdc/param_1000.ini", paramLines(60, { { 53, 3 } }));
        }
        if (n > 0) {
            ASSERT_TRUE(sim.open(tree.root(), "can0", n));
            sim.setPeriod(25);
            for (int m = 1; m <= n; ++m)
                sim.module(m)->requestInit(init);
            sim.start();
        }
        // A module counts as online when it sent within four periods: eight of its reports, so
        // that a busy host delaying a few does not take it offline under a test.
        h.reset(new DcHandler("can0", 1000000, 50, false));
        ASSERT_EQ(h->open(), 0);
        for (int m = 1; m <= n; ++m)
            ASSERT_TRUE(waitFor([&] { return h->getStatus(m, 100) == 1; })) << "module " << m;
    }

    std::vector<Record> records()
    {
        std::vector<Record> out;
        OperateRecord r;
        while (h->getOperateRecord(&r) == 1)
            out.push_back({ r.modules, r.oid, r.rdata, r.mdata });
        return out;
    }

    // Lets module m hear n more heartbeats. Frames of one sender arrive in order, so whatever the
    // handler sent before is in by then.
    bool heard(int m, int n = 2)
    {
        const int from = sim.module(m)->heartbeats();
        return waitFor([&] { return sim.module(m)->heartbeats() >= from + n; }, 10000);
    }
    // Whether a count stops moving: it stays the same while module m hears six heartbeats.
    bool settles(int m, const std::function<int()>& count)
    {
        int last = count(), from = sim.module(m)->heartbeats();
        return waitFor(
            [&] {
                if (count() != last) {
                    last = count();
                    from = sim.module(m)->heartbeats();
                }
                return sim.module(m)->heartbeats() >= from + 6;
            },
            10000);
    }

    // What a module last got, once it is the value expected or a wait ran out. A value may
    // reach its module a little after setting() returns: a broadcast is not acknowledged, and
    // any acknowledgement of the module ends the wait, also a late one of an earlier command.
    int lastValue(int module, int code, int word = 1, int expected = 0)
    {
        waitFor([&] { return sim.module(module)->lastValue(code, word) == expected; }, 10000);
        return sim.module(module)->lastValue(code, word);
    }
};

TEST_F(DcHandlerCommands, ModuleSettingIsAcknowledgedRecordedAndFiled)
{
    ASSERT_NO_FATAL_FAILURE(start(3));
    EXPECT_EQ(h->setting(2, 24, 3.0f, 0), 0);
    EXPECT_EQ(lastValue(2, code(24), 1, 3), 3);
    EXPECT_EQ(sim.module(1)->commandsReceived(code(24)), 0);
    EXPECT_EQ(h->getSettingResult(2), 0);
    EXPECT_EQ(h->setting(2, 30, 1.55f, 0), 0);
    EXPECT_EQ(lastValue(2, code(30), 1, 15), 15);
    float v = 0;
    EXPECT_EQ(h->getConfig(2, 30, &v), 0);
    EXPECT_FLOAT_EQ(v, 1.55f);

    OperateRecord r;
    ASSERT_EQ(h->getOperateRecord(&r), 1);
    EXPECT_EQ(r.modules, 202);
    EXPECT_EQ(r.oid, 24);
    EXPECT_EQ(r.rdata, 140.0);   // the sample default of the maximum charge current
    EXPECT_EQ(r.mdata, 3.0);
    EXPECT_STREQ(r.name, "  ");
    EXPECT_EQ(r.dirty, 1);
    EXPECT_EQ(strlen(r.time), 19u);
    EXPECT_EQ(r.time[4], '-');
    ASSERT_EQ(h->getOperateRecord(&r), 1);
    EXPECT_EQ(r.oid, 30);
    EXPECT_EQ(r.mdata, double(1.55f));
    EXPECT_EQ(h->getOperateRecord(&r), 0);
    EXPECT_EQ(h->getOperateRecord(nullptr), -1);
    // The parameter thread writes the changed lines within a second.
    EXPECT_TRUE(waitFor([&] {
        const std::string f = tree.readFile("conf-dcdc/param_2.ini");
        return f.size() >= 31 * 16 && f.substr(24 * 16, 16) == "0024/0000003000\n"
            && f.substr(30 * 16, 16) == "0030/0000001550\n";
    }));
}

TEST_F(DcHandlerCommands, OfflineBusyAndUnknownAreRefused)
{
    ASSERT_NO_FATAL_FAILURE(start(2));
    EXPECT_EQ(h->setting(5, 24, 1.0f, 0), -1);
    EXPECT_EQ(h->setting(2, 150, 1.0f, 0), -1);
    EXPECT_EQ(h->setting(2, -1, 1.0f, 0), -1);
    EXPECT_EQ(h->setting(11, 0, 1.0f, 0), -1);
    EXPECT_EQ(h->setting(129, 5, 1.0f, 0), -1);
    DcHandlerProbe::pending(*h, 2) = 2;
    DcHandlerProbe::sendTime(*h, 2) = DcHandler::getCurrentTimeMillis();
    EXPECT_EQ(h->setting(2, 24, 1.0f, 0), -2);
    EXPECT_EQ(h->getSettingResult(2), 2);
    EXPECT_EQ(sim.module(2)->commandsReceived(code(24)), 0);
    EXPECT_TRUE(records().empty());
    for (int id : { -1, 11, 20, 1000, 1009 })
        EXPECT_EQ(h->getSettingResult(id), -1) << id;
}

TEST_F(DcHandlerCommands, ResultTimesOutAfterTwoSecondsForAModuleFiveForAGroup)
{
    ASSERT_NO_FATAL_FAILURE(start(3));
    // A second either side of each limit: the clock runs on while the test does.
    const double now = DcHandler::getCurrentTimeMillis();
    DcHandlerProbe::pending(*h, 2) = 2;
    DcHandlerProbe::sendTime(*h, 2) = now - 1000;
    EXPECT_EQ(h->getSettingResult(2), 2);
    DcHandlerProbe::sendTime(*h, 2) = now - 3000;
    EXPECT_EQ(h->getSettingResult(2), 1);
    EXPECT_EQ(h->getSettingResult(2), 0);

    DcHandlerProbe::pending(*h, 3) = 2;
    DcHandlerProbe::groupSendTime(*h, 1001) = now - 4000;
    DcHandlerProbe::systemSendTime(*h) = now - 4000;
    EXPECT_EQ(h->getSettingResult(1002), 0);
    EXPECT_EQ(h->getSettingResult(1001), 2);
    EXPECT_EQ(h->getSettingResult(0), 2);
    DcHandlerProbe::groupSendTime(*h, 1001) = now - 6000;
    EXPECT_EQ(h->getSettingResult(1001), 1);
    EXPECT_EQ(h->getSettingResult(1001), 0);
    EXPECT_EQ(h->getSettingResult(0), 0);
}

TEST_F(DcHandlerCommands, UnacknowledgedSettingFailsAndSaysSoOnce)
{
    ASSERT_NO_FATAL_FAILURE(start(2));
    sim.module(2)->setAcknowledging(false);
    EXPECT_EQ(h->setting(2, 24, 5.0f, 0), -1);
    EXPECT_TRUE(waitFor([&] { return sim.module(2)->commandsReceived(code(24)) == 3; }, 1000));
    EXPECT_EQ(h->getSettingResult(2), 1);
    EXPECT_EQ(h->getSettingResult(2), 0);
    EXPECT_TRUE(records().empty());
    // The module is free for the next setting. Its acknowledgement window is a few
    // milliseconds of real time, which a loaded machine (or ThreadSanitizer) may miss once.
    sim.module(2)->setAcknowledging(true);
    EXPECT_TRUE(waitFor([&] { return h->setting(2, 24, 6.0f, 0) == 0; }, 10000));
}

TEST_F(DcHandlerCommands, GroupAndSystemSettingsReachTheirOnlineMembers)
{
    ASSERT_NO_FATAL_FAILURE(start(3));
    EXPECT_EQ(h->setting(1001, 24, 4.0f, 0), 0);
    EXPECT_EQ(lastValue(1, code(24), 1, 4), 4);
    EXPECT_EQ(lastValue(3, code(24), 1, 4), 4);
    EXPECT_EQ(sim.module(2)->commandsReceived(code(24)), 0);
    EXPECT_EQ(h->getSettingResult(1001), 0);
    // Each record holds the old value, the sample default of the maximum charge current.
    EXPECT_EQ(records(), (std::vector<Record>{ { 201, 24, 140, 4 }, { 203, 24, 140, 4 }, { 1201, 24, 140, 4 } }));

    EXPECT_EQ(h->setting(0, 26, 1.0f, 0), 0);
    for (int m = 1; m <= 3; ++m)
        EXPECT_EQ(lastValue(m, code(26), 1, 1), 1) << m;
    EXPECT_EQ(h->getSettingResult(0), 0);
    EXPECT_EQ(records(), (std::vector<Record>{ { 201, 26, 0, 1 }, { 203, 26, 0, 1 }, { 202, 26, 0, 1 }, { 1200, 26, 0, 1 } }));
    float v = 0;
    EXPECT_EQ(h->getConfig(0, 26, &v), 0);
    EXPECT_EQ(v, 1.0f);
    v = 0;
    EXPECT_EQ(h->getConfig(1008, 26, &v), 0);
    EXPECT_EQ(v, 1.0f);

    // The first member that fails ends the group setting.
    sim.module(1)->setAcknowledging(false);
    EXPECT_EQ(h->setting(1001, 24, 6.0f, 0), 1);
    EXPECT_EQ(sim.module(3)->lastValue(code(24)), 4);
    EXPECT_EQ(h->getSettingResult(1001), 1);
    EXPECT_EQ(h->getSettingResult(1001), 0);
    EXPECT_EQ(records(), (std::vector<Record>{ { 1201, 24, 4, 6 } }));
    EXPECT_EQ(h->setting(0, 24, 7.0f, 0), 1);
}

TEST_F(DcHandlerCommands, DispatchSetPointsAreBroadcastAndRecordedOnSignChanges)
{
    ASSERT_NO_FATAL_FAILURE(start(1));
    EXPECT_EQ(h->setting(20, 87, 50.0f, 0), 0);
    EXPECT_EQ(lastValue(1, 12, 1, 500), 500);
    EXPECT_EQ(sim.module(1)->lastValue(12, 2), 0);
    EXPECT_EQ(sim.module(1)->lastValue(12, 3), 100);
    EXPECT_EQ(h->setting(20, 87, 60.0f, 0), 0);
    EXPECT_EQ(h->setting(20, 87, -10.0f, 0), 0);
    EXPECT_EQ(h->setting(20, 85, -1.0f, 0), 0);
    EXPECT_EQ(h->setting(20, 85, 0.95f, 0), 0);
    EXPECT_EQ(h->setting(20, 85, -1.0f, 0), 0);
    EXPECT_EQ(records(), (std::vector<Record>{ { 1520, 87, 0, 50 }, { 1520, 87, 600, -10 }, { 1520, 85, 100, 95 },
                             { 1520, 85, 95, 100 } }));
    // Module 30 only stores; the next dispatch carries what it stored.
    waitFor([&] { return sim.module(1)->commandsReceived(12) == 18; }, 1000);
    EXPECT_EQ(h->setting(30, 76, 12.0f, 0), 0);
    EXPECT_EQ(h->setting(30, 99, 12.0f, 0), -1);
    ASSERT_TRUE(heard(1));
    EXPECT_EQ(sim.module(1)->commandsReceived(12), 18);
    EXPECT_EQ(h->setting(20, 1, 0.0f, 0), 0);
    EXPECT_EQ(lastValue(1, 12, 2, 120), 120);
    EXPECT_EQ(sim.module(1)->lastValue(12, 1), -100);
    EXPECT_EQ(sim.module(1)->lastValue(12, 3), -100);
    EXPECT_TRUE(records().empty());
}

TEST_F(DcHandlerCommands, BroadcastCommands)
{
    ASSERT_NO_FATAL_FAILURE(start(1, false, rackRow(0, 3, 0, 10, "1")));
    EXPECT_EQ(h->setting(21, 0, 7.0f, 0), 0);
    EXPECT_EQ(lastValue(1, 14, 1, 7), 7);
    EXPECT_EQ(h->setting(21, 0, 3.0f, 0), 0);
    EXPECT_EQ(h->setting(21, 1, 3.0f, 0), -1);
    EXPECT_EQ(h->setting(22, 1, 9.0f, 0), 0);
    EXPECT_EQ(lastValue(1, 15, 2, 9), 9);
    EXPECT_EQ(sim.module(1)->lastValue(15, 1), 0);
    EXPECT_EQ(h->setting(22, 5, 9.0f, 0), 0);
    EXPECT_EQ(lastValue(1, 15, 2, 0), 0);
    EXPECT_EQ(h->setting(23, 1, 0.0f, 0), 0);
    EXPECT_EQ(lastValue(1, 16, 1, 1), 1);
    EXPECT_EQ(h->setting(23, 0, 0.0f, 0), 0);
    EXPECT_EQ(lastValue(1, 16, 2, 1), 1);
    EXPECT_EQ(sim.module(1)->lastValue(16, 1), 0);
    EXPECT_EQ(h->setting(23, 2, 0.0f, 0), -1);
    EXPECT_EQ(records(), (std::vector<Record>{ { 1521, 0, 0, 7 }, { 1100, 61, 1, 1 }, { 1200, 0, 1, 1 },
                             { 1100, 62, 1, 1 }, { 1200, 1, 1, 1 } }));
}

TEST_F(DcHandlerCommands, PowerSetPointsGoToTheOnlineMembers)
{
    ASSERT_NO_FATAL_FAILURE(start(3, false, rackRow(0, 3, 0, 10, "1/2/1")));
    ASSERT_EQ(h->directAddressing(), 1);
    EXPECT_EQ(h->setting(1001, 1000, 12.5f, 0), 0);
    EXPECT_EQ(lastValue(1, 13, 1, 125), 125);
    EXPECT_EQ(lastValue(3, 13, 1, 125), 125);
    EXPECT_TRUE(waitFor([&] { return sim.module(1)->commandsReceived(13) == 3; }, 1000));
    EXPECT_EQ(h->setting(0, 1001, -3.0f, 0), 0);
    for (int m = 1; m <= 3; ++m) {
        EXPECT_EQ(lastValue(m, 13, 2, -30), -30) << m;
        EXPECT_EQ(sim.module(m)->lastValue(13, 1), 0) << m;
    }
    EXPECT_EQ(h->setting(1001, 1002, 1.0f, 0), 0);
    EXPECT_EQ(lastValue(1, 13, 3, 10), 10);
    EXPECT_EQ(sim.module(1)->lastValue(13, 1), 125);
    EXPECT_EQ(sim.module(1)->lastValue(13, 2), -30);
    ASSERT_TRUE(heard(2));
    EXPECT_EQ(sim.module(2)->commandsReceived(13), 3);
    EXPECT_EQ(records(), (std::vector<Record>{ { 1541, 1000, 0, 12.5 }, { 1540, 1001, 0, -3 }, { 1541, 1002, 0, 1 } }));
}

TEST_F(DcHandlerCommands, PowerSetPointsThroughTheDcUnits)
{
    struct Case {
        int seq;
        int units;     // the rack row's module count
        int module;
        std::set<int> addresses;
    } cases[] = {
        { 27, 10, 1002, { 0x45, 0x46, 0x47, 0x48 } },
        { 15, 10, 1003, { 0x45, 0x46 } },
        { 32, 10, 1001, { 0x41, 0x42 } },
        { 23, 10, 1008, { 0x48 } },
        { 5, 3, 1001, { 0x41, 0x42, 0x43 } },
        { 27, 3, 0, { 0x41, 0x42, 0x43 } },
        { 5, 0, 0, {} },
    };
    for (const Case& c : cases) {
        RuntimeTree tree(true);
        tree.writeFile("bin/SockConfig.pdu", rackTable(rackRow(c.seq, 3, 1, c.units, "1")));
        tree.writeFile("conf-dcdc/param_1000.ini", paramLines(60, { { 53, 3 } }));
        BusLog bus(tree.root());
        DcHandler dc("can0", 1000000, kNoTimer, false);
        ASSERT_EQ(dc.open(), 0);
        ASSERT_EQ(dc.directAddressing(), 0);
        EXPECT_EQ(dc.setting(c.module, 1000, 2.0f, 0), 0);
        // A heartbeat after the set points: once it is on the log, so are they.
        dc.timerEvent();
        ASSERT_TRUE(waitFor([&] { return !bus.commands(0xBF, 1).empty(); }));
        std::set<int> seen;
        for (int a = 0x41; a <= 0x4F; ++a) {
            const std::vector<SimFrame> frames = bus.commands(a, 13);
            if (!frames.empty()) {
                seen.insert(a);
                EXPECT_EQ(frames.size(), 3u);
                EXPECT_EQ(frames[0].word(1), 20);
            }
        }
        EXPECT_EQ(seen, c.addresses) << "seq " << c.seq << " module " << c.module;
        // Switched through the AC/DC device: the second on/off record is left out.
        testing::internal::CaptureStdout();
        EXPECT_EQ(dc.setting(23, 1, 0.0f, 0), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "===============acid 61\n");
        OperateRecord r;
        ASSERT_EQ(dc.getOperateRecord(&r), 1);
        EXPECT_EQ(r.modules, 1500 + (c.module == 0 ? 30 : c.module - 970));
        ASSERT_EQ(dc.getOperateRecord(&r), 1);
        EXPECT_EQ(r.modules, 1100);
        EXPECT_EQ(dc.getOperateRecord(&r), 0);
    }
}

TEST_F(DcHandlerCommands, ModuleAskingToBeInitialisedGetsItsSystemsParameters)
{
    tree.writeFile("conf-dcdc/param_1001.ini", paramLines(50, { { 24, 7 }, { 28, 3 }, { 30, -2.5 }, { 45, 1 } }));
    ASSERT_NO_FATAL_FAILURE(start(1, true));
    DcModuleSim* m = sim.module(1);
    ASSERT_TRUE(waitFor([&] { return !m->status(DcModuleSim::STATUS_INIT_REQUEST); }));
    EXPECT_EQ(h->systemId(1), 1);
    EXPECT_EQ(m->lastValue(code(24)), 7);
    EXPECT_EQ(m->lastValue(code(28)), 0);   // rows 28 and 29 with a value send only a trace of it
    EXPECT_EQ(m->lastValue(code(30)), -25);
    EXPECT_EQ(m->lastValue(code(45)), 10);
    EXPECT_EQ(m->lastValue(code(46)), 0);
    EXPECT_EQ(m->commandsReceived(code(47)), 0);
    // Every row before the "initialised" command, then row 7 with the last value of 7 or 31.
    const std::vector<SimFrame> got = m->commands();
    size_t done = 0;
    while (done < got.size() && !(got[done].data[0] == 7 && got[done].word(1) == 1))
        ++done;
    ASSERT_LT(done, got.size());
    std::set<int> before;
    for (size_t i = 0; i < done; ++i)
        before.insert(got[i].data[0]);
    for (int row = 20; row <= 46; ++row)
        EXPECT_TRUE(before.count(code(row))) << row;
    EXPECT_TRUE(waitFor([&] { return m->commandsReceived(code(7)) >= 1; }));
    // Rows 5 and 9 follow with the group's pending values, until the module confirms them.
    EXPECT_TRUE(waitFor([&] { return m->commandsReceived(8) >= 1 && m->commandsReceived(11) >= 1; }));
    EXPECT_TRUE(settles(1, [&] { return m->commandsReceived(8) + m->commandsReceived(11); }));
    EXPECT_EQ(h->getStatus(1, 21), 0);
}

TEST_F(DcHandlerCommands, GroupRowFiveIsRepeatedToInitialisedModulesUntilConfirmed)
{
    ASSERT_NO_FATAL_FAILURE(start(2, true));
    for (int m = 1; m <= 2; ++m)
        ASSERT_TRUE(waitFor([&] { return !sim.module(m)->status(DcModuleSim::STATUS_INIT_REQUEST); }));
    ASSERT_TRUE(settles(2, [&] { return sim.module(2)->commandsReceived(8); }));
    const int before = sim.module(2)->commandsReceived(8);
    EXPECT_EQ(h->setting(1001, 5, 2.0f, 0), 0);
    EXPECT_EQ(lastValue(1, 8, 1, 2), 2);
    // Module 2 is in group 2: it gets row 5 with its own group's value, and then no more.
    EXPECT_TRUE(waitFor([&] { return sim.module(2)->commandsReceived(8) > before; }));
    EXPECT_EQ(sim.module(2)->lastValue(8), 0);
    EXPECT_TRUE(settles(2, [&] { return sim.module(2)->commandsReceived(8); }));
}

// Fault data of module 5 as its 21 frames carry it: word w of frame k is 0x100 * k + w.
TEST_F(DcHandlerDecode, TwentyFaultFramesSaveNothingTheTwentyFirstSavesOneRecord)
{
    for (int k = 0; k < 21; ++k) {
        if (k == 20) {
            EXPECT_EQ(h.getFaultRecordSize(), 0);
        }
        feed(words(5, 48 + k, 0x100 * k, 0x100 * k + 1, 0x100 * k + 2, 0x100 * k + 3));
    }
    ASSERT_EQ(h.getFaultRecordSize(), 1);
    EXPECT_EQ(DcHandlerProbe::faultMask(h, 5), 0u);
    FaultRecord r;
    memset(&r, 0x55, sizeof r);
    EXPECT_EQ(h.getFaultRecord(0, &r), 0);
    EXPECT_EQ(r.type, 2);
    EXPECT_EQ(r.module, 5);
    // Column c: frames 3c..3c+2; row 4 * (frame within its three) + word.
    const uint16_t expected[12][7] = {
        { 0x000, 0x300, 0x600, 0x900, 0xC00, 0xF00, 0x1200 },
        { 0x001, 0x301, 0x601, 0x901, 0xC01, 0xF01, 0x1201 },
        { 0x002, 0x302, 0x602, 0x902, 0xC02, 0xF02, 0x1202 },
        { 0x003, 0x303, 0x603, 0x903, 0xC03, 0xF03, 0x1203 },
        { 0x100, 0x400, 0x700, 0xA00, 0xD00, 0x1000, 0x1300 },
        { 0x101, 0x401, 0x701, 0xA01, 0xD01, 0x1001, 0x1301 },
        { 0x102, 0x402, 0x702, 0xA02, 0xD02, 0x1002, 0x1302 },
        { 0x103, 0x403, 0x703, 0xA03, 0xD03, 0x1003, 0x1303 },
        { 0x200, 0x500, 0x800, 0xB00, 0xE00, 0x1100, 0x1400 },
        { 0x201, 0x501, 0x801, 0xB01, 0xE01, 0x1101, 0x1401 },
        { 0x202, 0x502, 0x802, 0xB02, 0xE02, 0x1102, 0x1402 },
        { 0x203, 0x503, 0x803, 0xB03, 0xE03, 0x1103, 0x1403 },
    };
    for (int row = 0; row < FAULT_DATA_ROWS; ++row)
        for (int c = 0; c < FAULT_DATA_COLS; ++c)
            EXPECT_EQ(r.data[row][c], row < 12 ? expected[row][c] : 0) << row << "/" << c;
    // The stored frames were consumed: the same frames again give the same record, a second one.
    for (int k = 0; k < 21; ++k)
        feed(words(5, 48 + k, 0x100 * k, 0x100 * k + 1, 0x100 * k + 2, 0x100 * k + 3));
    ASSERT_EQ(h.getFaultRecordSize(), 2);
}

// Fault uploads that lose frames, as under a flood of frames: upload u delivers only the frames
// listed (k: PF 48 + k), word w of frame k being 0x1000 * (u + 1) + 0x10 * k + w. Each case runs
// on a module of its own. Whatever was lost, a stored record is one upload's frames, all of them.
TEST_F(DcHandlerDecode, AFaultUploadThatLostFramesIsDroppedNeverStoredMixed)
{
    auto span = [](int first, int last) {
        std::vector<int> v;
        for (int k = first; k <= last; ++k)
            v.push_back(k);
        return v;
    };
    auto join = [](std::vector<int> a, const std::vector<int>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<int> whole = span(0, 20);
    struct Case {
        const char* name;
        std::vector<std::vector<int>> uploads;
        std::vector<int> stored;   // the uploads whose records are stored, in order
        int dropped;
    };
    const Case cases[] = {
        { "whole", { whole }, { 0 }, 0 },
        { "two whole", { whole, whole }, { 0, 1 }, 0 },
        { "last frames lost, then a whole one", { span(0, 12), whole }, { 1 }, 1 },
        { "first frames lost, then a whole one", { span(3, 20), whole }, { 1 }, 1 },
        { "two in the middle lost, then a whole one", { join(span(0, 5), span(8, 20)), whole }, { 1 }, 1 },
        { "the tail of one and the head of the next lost", { span(0, 12), span(8, 20), whole }, { 2 }, 2 },
        { "frames beyond the upload in between", { join(join(span(0, 10), { 22, 40 }), span(11, 20)) }, { 0 }, 0 },
    };
    auto word = [](int u, int k, int w) { return 0x1000 * (u + 1) + 0x10 * k + w; };
    int m = 0;
    int records = 0;
    for (const Case& c : cases) {
        ++m;
        const int droppedBefore = h.faultUploadsDropped();
        for (size_t u = 0; u < c.uploads.size(); ++u)
            for (int k : c.uploads[u])
                feed(words(m, 48 + k, word(int(u), k, 0), word(int(u), k, 1), word(int(u), k, 2), word(int(u), k, 3)));
        EXPECT_EQ(h.faultUploadsDropped() - droppedBefore, c.dropped) << c.name;
        ASSERT_EQ(h.getFaultRecordSize(), records + int(c.stored.size())) << c.name;
        for (int u : c.stored) {
            FaultRecord r;
            ASSERT_EQ(h.getFaultRecord(records++, &r), 0);
            EXPECT_EQ(r.module, m) << c.name;
            bool same = true;
            for (int k = 0; k < 21; ++k)
                for (int w = 0; w < 4; ++w)
                    same = same && r.data[4 * (k % 3) + w][k / 3] == word(u, k, w);
            EXPECT_TRUE(same) << c.name << ": the record is not upload " << u << " whole";
        }
    }
}

TEST_F(DcHandlerDecode, FaultFrameBeyondTheUploadStartsTheWaveformButSetsNoBit)
{
    feed(canFrame(6, 90, { 1 }));
    EXPECT_EQ(DcHandlerProbe::faultMask(h, 6), 0u);
    EXPECT_EQ(DcHandlerProbe::faultSeen(h, 6), 1);
    EXPECT_EQ(h.getFaultRecordSize(), 0);
}

// A minute of history before the fault, a minute after it (with ten passes offline in the
// middle, which take nothing), then the record in the ring, compared with one laid out by hand.
TEST_F(DcHandlerDecode, WaveformAroundAFaultGoesToTheRing)
{
    const int m = 3;
    auto report = [&](int v) { feed(words(m, 16, v * 10, 0, 0, 0)); };
    report(0);
    connect();
    for (int v = 0; v < 65; ++v) {   // the first five leave the history again
        report(v < 5 ? 500 + v : v - 5);
        h.RealFaultData();
    }
    report(777);
    feed(canFrame(m, 60, {}));
    h.RealFaultData();   // stamps the record and keeps the minute before
    for (int j = 0; j < 30; ++j) {
        report(100 + j);
        h.RealFaultData();
    }
    connect();
    connect();   // nothing sent since the last check: offline
    ASSERT_EQ(h.getStatus(m, 100), 0);
    for (int j = 0; j < 10; ++j)
        h.RealFaultData();
    EXPECT_EQ(DcHandlerProbe::faultSeen(h, m), 1);
    report(130);
    connect();
    for (int j = 30; j < 60; ++j) {
        report(100 + j);
        EXPECT_EQ(DcHandlerProbe::faultSeen(h, m), 1) << j;
        h.RealFaultData();
    }
    EXPECT_EQ(DcHandlerProbe::faultSeen(h, m), 0);

    FaultRealDataLog want;
    memset(&want, 0, sizeof want);
    want.module = m;
    const int before[8] = { 0, 12, 28, 44, 52, 56, 58, 59 };
    const int after[8] = { 0, 1, 3, 7, 15, 31, 47, 59 };
    for (int k = 0; k < 8; ++k) {
        want.snapshots[k][0] = float(before[k]);   // slots 1..8
        want.snapshots[9 + k][0] = float(100 + after[k]);   // slots 10..17
    }
    want.snapshots[8][0] = 777.0f;   // slot 9
    const std::string ring = tree.readFile("log/dcFaultData.dat");
    ASSERT_EQ(ring.size(), 2u + 6812u);
    EXPECT_EQ(ring.substr(0, 2), std::string("\x01\x00", 2));
    FaultRealDataLog got;
    memcpy(&got, ring.data() + 2, sizeof got);
    EXPECT_GE(got.time.year, 2000);
    want.time = got.time;
    for (int s = 0; s < 17; ++s)
        EXPECT_EQ(memcmp(got.snapshots[s], want.snapshots[s], sizeof want.snapshots[s]), 0) << "slot " << s;
    EXPECT_EQ(got.module, m);
}

TEST(DcHandlerOnTheBus, ModuleFaultIsAskedForStoredAndStopped)
{
    RuntimeTree tree(true);
    DcBusSim sim;
    AnswerInline inline_(sim);
    ASSERT_TRUE(sim.open(tree.root(), "can0", 2));
    sim.setPeriod(20);
    sim.start();
    BusLog bus(tree.root());
    DcHandler h("can0", 1000000, kNoTimer, false);
    ASSERT_EQ(h.open(), 0);
    ASSERT_TRUE(waitFor([&] { return h.getStatus(2, 100) == 1 || h.getStatus(2, 21) == 1; }));
    sim.module(2)->raiseFault();
    ASSERT_TRUE(waitFor([&] { return h.getFaultRecordSize() == 1; }));
    FaultRecord r;
    EXPECT_EQ(h.getFaultRecord(0, &r), 0);
    EXPECT_EQ(r.module, 2);
    EXPECT_EQ(r.type, 2);
    EXPECT_EQ(r.data[0][0], 0x1000);
    EXPECT_EQ(r.data[4][0], 0x1001);
    EXPECT_EQ(r.data[11][6], 0x4014);
    EXPECT_EQ(r.data[3][2], 0x4006);
    EXPECT_EQ(r.time[4], '-');
    // The request and the stop: priority 2 to the module, code 6, byte 2 one and then zero.
    // Status frames still showing the fault may ask more than once on either side of the stop,
    // so the stop is looked for among the later commands rather than expected second or last.
    const std::vector<uint8_t> stop = { 6, 0, 0, 0, 0, 0, 0, 0 };
    auto stopAt = [&](const std::vector<SimFrame>& sent) {
        for (size_t k = 1; k < sent.size(); ++k)
            if (std::vector<uint8_t>(sent[k].data, sent[k].data + 8) == stop)
                return k;
        return size_t(0);
    };
    EXPECT_TRUE(waitFor([&] { return stopAt(bus.commands(0x82, 6)) > 0; }));
    const std::vector<SimFrame> sent = bus.commands(0x82, 6);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().priority(), 2);
    EXPECT_EQ(std::vector<uint8_t>(sent.front().data, sent.front().data + 8),
        std::vector<uint8_t>({ 6, 0, 1, 0, 0, 0, 0, 0 }));
    EXPECT_EQ(sim.module(2)->faultUploads(), 1);
    EXPECT_EQ(h.faultUpNow(11), -1);
    sim.stop();
}

namespace {

// Steps the fake clock about fifty times faster than real time, so that the upgrade's
// ten-second waits pass quickly while the simulated modules answer in real time.
class FastClock {
public:
    FastClock()
    {
        TimeSeam::useFakeClock(true);
        thread_ = std::thread([this] {
            while (!stop_) {
                TimeSeam::advanceMs(2);
                std::this_thread::sleep_for(std::chrono::microseconds(40));
            }
        });
    }
    ~FastClock()
    {
        stop_ = true;
        thread_.join();
        TimeSeam::useFakeClock(false);
    }

private:
    std::atomic<bool> stop_{ false };
    std::thread thread_;
};

std::string dataFile(const char* name)
{
    FILE* f = fopen((std::string(TEST_DATA_DIR) + "/" + name).c_str(), "rb");
    std::string out;
    if (!f)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    fclose(f);
    return out;
}

} // namespace

// Firmware upgrades of simulated DC/DC modules (addresses 0x81.. = 129..).
class DcHandlerUpgrade : public ::testing::Test {
protected:
    RuntimeTree tree{ true };
    FastClock clock;
    DcBusSim sim;
    AnswerInline inline_{ sim };
    std::unique_ptr<BusLog> bus;
    std::unique_ptr<DcHandler> h;

    void start(int modules, const std::string& file = "DC_small.hex", const std::string& text = dataFile("dc_small.hex"))
    {
        ASSERT_TRUE(sim.open(tree.root(), "can0", modules));
        sim.setPeriod(100);
        for (int m = 1; m <= modules; ++m)
            sim.module(m)->requestInit(false);
        sim.start();
        bus.reset(new BusLog(tree.root()));
        h.reset(new DcHandler("can0", 1000000, kNoTimer, false));
        ASSERT_EQ(h->open(), 0);
        tree.writeFile("tmp/" + file, text);
    }
    // Index 0, 1 per target, 2: the worker's sequence.
    void upgrade(const std::vector<int>& targets)
    {
        ASSERT_EQ(h->setting(targets.front(), 0, 1.0f, 0), 0);
        for (int a : targets)
            ASSERT_EQ(h->setting(a, 1, 0.0f, 0), 0);
        ASSERT_EQ(h->setting(targets.front(), 2, 0.0f, 0), 0);
        EXPECT_TRUE(h->upgradeRunning());
    }
    bool finished() { return waitFor([&] { return !h->upgradeRunning(); }, 60000); }
    // The modules are told after the upgrade (each broadcast command three times): once the log
    // has that, it has every frame the upgrade sent before.
    bool logged() { return waitFor([&] { return bus->commands(0xBF, 15).size() >= 6; }); }
};

TEST_F(DcHandlerUpgrade, FileIsChosenByKindAndSeveralAreRemovedWithoutAShell)
{
    struct Case {
        const char* name;
        std::vector<std::string> files;
        int type;
        int result;
        std::string kept;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        { "one of its kind", { "a_AC_1.hex", "b_dc_2.HEX" }, 1, 0, "/tmp/b_dc_2.HEX", { "a_AC_1.hex", "b_dc_2.HEX" } },
        { "static switch", { "sts.hex", "u2.hex" }, 3, 0, "/tmp/sts.hex", { "sts.hex", "u2.hex" } },
        { "no file", { "DC.bin", "AC.hex" }, 1, -3, "", { "DC.bin", "AC.hex" } },
        { "unknown kind", { "DC.hex" }, 4, -3, "", { "DC.hex" } },
        { "several removed", { "dc;touch x.hex", "DC $(reboot).hex", "ac.hex" }, 1, -3, "", { "ac.hex" } },
    };
    for (const Case& c : cases) {
        RuntimeTree t(true);
        DcHandler handler("can0", 1000000, kNoTimer, false);
        for (const std::string& f : c.files)
            t.writeFile("tmp/" + f, ":00000001FF\n");
        EXPECT_EQ(handler.setting(129, 0, float(c.type), 0), c.result) << c.name;
        EXPECT_EQ(handler.upgradeFile(), c.kept) << c.name;
        for (const std::string& f : c.files) {
            const bool kept = std::find(c.left.begin(), c.left.end(), f) != c.left.end();
            EXPECT_EQ(access(t.path("tmp/" + f).c_str(), F_OK) == 0, kept) << c.name << ": " << f;
        }
        EXPECT_EQ(t.commands(), "") << c.name;
    }
}

TEST_F(DcHandlerUpgrade, TwoModulesGoThroughEveryStep)
{
    ASSERT_NO_FATAL_FAILURE(start(2));
    ASSERT_NO_FATAL_FAILURE(upgrade({ 129, 130 }));
    ASSERT_TRUE(finished());
    for (int a : { 129, 130 }) {
        for (int step : { 0, 1, 2, 3, 5 })
            EXPECT_EQ(h->getStatus(a, step), 1) << a << " step " << step;
        EXPECT_EQ(h->getStatus(a, 7), 0) << a;
        DcModuleSim* m = sim.module(a - 0x80);
        EXPECT_TRUE(m->upgraded()) << a;
        // The records as the file holds them, each checked by the module.
        const std::vector<std::vector<uint8_t>> want = {
            { 0x04, 0x00, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x52 },
            { 0x10, 0x00, 0x10, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C,
                0x0D, 0x0E, 0x0F, 0x68 },
            { 0x03, 0x00, 0x04, 0x00, 0xAA, 0xBB, 0xCC, 0xC8 },
            { 0x00, 0x00, 0x00, 0x01, 0xFF },
        };
        EXPECT_EQ(m->upgradeRecords(), want) << a;
        // Decryption, erase and end once each, broadcast.
        EXPECT_EQ(m->upgradeRequests(0x02), 1);
        EXPECT_EQ(m->upgradeRequests(0x03), 1);
        EXPECT_EQ(m->upgradeRequests(0x07), 1);
    }
    // Four lines of 19, 43, 17 and 11 characters, each counted with its line end, per target.
    EXPECT_EQ(h->getStatus(129, 6), 2 * 98);
    // An address not registered answers how many are.
    EXPECT_EQ(h->getStatus(77, 0), 2);
    // Steps 1..3 went to the DC/DC broadcast address, the heartbeat held off meanwhile.
    ASSERT_TRUE(logged());
    int broadcasts = 0;
    for (const SimFrame& f : bus->from(0x12)) {
        EXPECT_EQ(f.priority(), 1);
        if (f.pf() == 0x02 || f.pf() == 0x03 || f.pf() == 0x07) {
            EXPECT_EQ(f.da(), 0xBF);
            ++broadcasts;
        }
    }
    EXPECT_EQ(broadcasts, 3);
    // The modules are told before and after (each broadcast command goes three times).
    EXPECT_EQ(bus->commands(0xBF, 15).front().word(2), 1);
    EXPECT_EQ(bus->commands(0xBF, 15).back().word(3), 1);
}

TEST_F(DcHandlerUpgrade, ColonLineGoesOutAsOneSwappedDataFrame)
{
    ASSERT_NO_FATAL_FAILURE(start(1, "dc.hex", ":02000000AABB99\n:00000001FF\n"));
    ASSERT_NO_FATAL_FAILURE(upgrade({ 129 }));
    ASSERT_TRUE(finished());
    ASSERT_TRUE(logged());
    std::vector<SimFrame> data;
    for (const SimFrame& f : bus->from(0x12))
        if ((f.pf() & 0x0F) == 6)
            data.push_back(f);
    // One frame for each line: the record with the bytes of each word swapped.
    ASSERT_EQ(data.size(), 2u);
    EXPECT_EQ(data[0].pf(), 0x06);
    EXPECT_EQ(data[0].da(), 129);
    EXPECT_EQ(std::vector<uint8_t>(data[0].data, data[0].data + 8),
        std::vector<uint8_t>({ 0x00, 0x02, 0x00, 0x00, 0xBB, 0xAA, 0x00, 0x99 }));
    EXPECT_EQ(h->getStatus(129, 5), 1);
    EXPECT_EQ(sim.module(1)->upgradeRequests(0x07), 1);
}

TEST_F(DcHandlerUpgrade, SilentTargetIsDroppedAfterResendingAndOthersGoOn)
{
    ASSERT_NO_FATAL_FAILURE(start(3));
    sim.module(2)->injectUpgradeFault(0x81, DcModuleSim::UPGRADE_SILENT, -1);
    // A failure reply is asked again.
    sim.module(3)->injectUpgradeFault(0x84, DcModuleSim::UPGRADE_FAIL, 1);
    ASSERT_NO_FATAL_FAILURE(upgrade({ 129, 130, 131 }));
    ASSERT_TRUE(finished());
    EXPECT_EQ(h->getStatus(130, 0), -2);
    EXPECT_EQ(sim.module(2)->upgradeRequests(0x01), 4);
    EXPECT_EQ(sim.module(3)->upgradeRequests(0x03), 2);
    for (int a : { 129, 131 }) {
        EXPECT_EQ(h->getStatus(a, 3), 1) << a;
        EXPECT_TRUE(sim.module(a - 0x80)->upgraded()) << a;
    }
}

// A file changed on the stick's copy after its last check is still read a record at a time: a
// line longer than any record stops the target, as the check would have.
TEST_F(DcHandlerUpgrade, AFileChangedAfterItsCheckIsReadNoFurtherThanARecord)
{
    ASSERT_NO_FATAL_FAILURE(start(1, "dc.hex", ":040000001122334452\n:00000001FF\n"));
    struct Swap {
        DcBusSim* sim;
        std::string path;
        std::atomic<bool> done;
    } swap{ &sim, tree.path("tmp/dc.hex"), { false } };
    // Once the boot request is out, the check is behind: the file changes in a sleep of the worker.
    TimeSeam::setSleepHook(
        [](void* arg) {
            Swap* s = static_cast<Swap*>(arg);
            s->sim->answerPending();
            if (s->sim->module(1)->upgradeRequests(0x01) > 0 && !s->done.exchange(true))
                std::ofstream(s->path) << ":040000001122334452\n" << std::string(4096, '0') << "\n:00000001FF\n";
        },
        &swap);
    // Off again before swap goes, also when an assertion ends the test early.
    struct HookOff {
        ~HookOff() { TimeSeam::setSleepHook(nullptr, nullptr); }
    } hookOff;
    ASSERT_NO_FATAL_FAILURE(upgrade({ 129 }));
    ASSERT_TRUE(finished());
    ASSERT_TRUE(swap.done);
    EXPECT_EQ(h->getStatus(129, 5), -1);
    EXPECT_EQ(sim.module(1)->upgradeRecords().size(), 1u) << "the first record went, nothing after the long line";
}

TEST_F(DcHandlerUpgrade, AFileThatFailsItsChecksIsRefusedBeforeAnythingIsSent)
{
    const char* const files[] = {
        ":040000001122334452\n:03000400aabbccc9\n:00000001FF\n",   // wrong checksum
        ":040000001122334452\n:04000000112233G452\n:00000001FF\n",  // not hexadecimal
        ":040000001122334452\n:03000400aabbccc8\n",                 // no end record
    };
    for (const char* text : files) {
        unlink(tree.path("tmp/dc.hex").c_str());
        if (!h)
            ASSERT_NO_FATAL_FAILURE(start(1, "dc.hex", text));
        else
            tree.writeFile("tmp/dc.hex", text);
        EXPECT_EQ(h->setting(129, 0, 1.0f, 0), DcHandler::BAD_UPGRADE_FILE) << text;
        // A caller that starts anyway sends nothing either.
        ASSERT_EQ(h->setting(129, 1, 0.0f, 0), 0);
        ASSERT_EQ(h->setting(129, 2, 0.0f, 0), 0);
        ASSERT_TRUE(finished());
        EXPECT_EQ(h->getStatus(129, 5), -1) << text;
        EXPECT_TRUE(bus->from(0x12).empty()) << text;
        EXPECT_EQ(sim.module(1)->upgradeRequests(0x01), 0) << text;
        EXPECT_TRUE(sim.module(1)->upgradeRecords().empty()) << text;
    }
}

TEST_F(DcHandlerUpgrade, DefaultAddressAnsweredByOneOrBySeveral)
{
    ASSERT_NO_FATAL_FAILURE(start(2));
    sim.module(1)->setUpgradeAddress(143);
    sim.module(2)->setUpgradeAddress(143);
    ASSERT_NO_FATAL_FAILURE(upgrade({ 143 }));
    ASSERT_TRUE(finished());
    EXPECT_EQ(h->getStatus(143, 7), -2);
    EXPECT_EQ(sim.module(1)->upgradeRequests(0x02), 0);

    sim.module(2)->setUpgradeAddress(-1);
    ASSERT_NO_FATAL_FAILURE(upgrade({ 143 }));
    ASSERT_TRUE(finished());
    EXPECT_EQ(h->getStatus(143, 7), 1);
    EXPECT_EQ(h->getStatus(143, 3), 1);
    EXPECT_TRUE(sim.module(1)->upgraded());
}
