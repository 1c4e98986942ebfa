#include "bmshandler.h"
#include "bmsbussim.h"
#include "runtimetree.h"
#include "simcanport.h"
#include "timeseam.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <thread>

namespace {

bool waitUntil(const std::function<bool()>& done, int ms = 3000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Moves the fake clock to just before the next request is due, then steps it 10 ms at a time
// until the peer sees a frame: a single step to the due time could fall between the receive
// thread's turns and leave it waiting for the next one. Returns the milliseconds moved, or -1.
int stepUntilFrame(SimCanPort& peer, SimFrame* f)
{
    const int jump = 480;
    TimeSeam::advanceMs(jump);
    if (peer.receive(f, 20))
        return jump;
    for (int ms = jump + 10; ms <= 1000; ms += 10) {
        TimeSeam::advanceMs(10);
        if (peer.receive(f, 20))
            return ms;
    }
    return -1;
}

// The fake clock for one test.
struct FakeClock {
    FakeClock() { TimeSeam::useFakeClock(true); }
    ~FakeClock() { TimeSeam::useFakeClock(false); }
};

} // namespace

TEST(BmsHandler, OpenBringsTheLinkUpAndStartsTheReceiver)
{
    RuntimeTree tree;
    BmsHandler h("can1", 250000, 2000, 1);
    EXPECT_FALSE(h.receiving());
    ASSERT_EQ(h.open(), 0);
    EXPECT_TRUE(h.receiving());
    EXPECT_EQ(tree.commands(), "ifconfig can1 down\nip link set can1 up type can bitrate 250000\nifconfig can1 up\n");
    EXPECT_EQ(h.close(), 0);
    EXPECT_FALSE(h.receiving());
    // Open again: the link comes up once more.
    ASSERT_EQ(h.open(), 0);
    EXPECT_TRUE(h.receiving());
}

TEST(BmsHandler, LinkFailureStartsNoReceiver)
{
    RuntimeTree tree;
    BmsHandler h("can1", 800000, 2000, 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(h.open(), -2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "int BmsHandler::open(): can1 at 800000 bit/s not opened (-2)\n");
    EXPECT_FALSE(h.receiving());
    EXPECT_EQ(h.close(), 0);
    EXPECT_EQ(tree.commands(), "");
    // Without a link a turn of the receiver waits instead of spinning.
    EXPECT_EQ(h.samplePass(), BmsHandler::IDLE_MS);
}

TEST(BmsHandler, GenericRacksReachTheTablesOverTheBus)
{
    RuntimeTree tree;
    BmsBusSim sim;
    ASSERT_TRUE(sim.open(tree.root(), "can1", 0, 4));
    BmsHandler h("can1", 250000, 2000, 1);
    h.setting(0, 1001, 0, 0);
    ASSERT_EQ(h.open(), 0);
    sim.edit(3, [](BmsRackSim& r) {
        r.alarm[2] = 3;
        r.alarm[17] = 1;
        r.soc = 42.0;
    });
    sim.reportAll();
    ASSERT_TRUE(waitUntil([&] { return h.decoder().rack(3).frames == 8; }));
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(r);
        const BmsRackSim s = sim.snapshot(r);
        float v = -1;
        ASSERT_EQ(h.getAnalog(r, 0, &v), 0);
        EXPECT_NEAR(v, s.soc / 100, 0.0021);
        h.getAnalog(r, 1, &v);
        EXPECT_NEAR(v, s.rackVoltage(), 0.051);
        h.getAnalog(r, 2, &v);
        EXPECT_NEAR(v, s.current, 0.051);
        h.getAnalog(r, 3, &v);
        EXPECT_NEAR(v, 98.0, 1e-4);
        h.getAnalog(r, 6, &v);
        EXPECT_NEAR(v, 140.0, 1e-3);
        h.getAnalog(r, 7, &v);
        EXPECT_NEAR(v, 160.0, 1e-3);
        h.getAnalog(r, 10, &v);
        EXPECT_NEAR(v, s.cellMax, 0.0006);
        h.getAnalog(r, 16, &v);
        EXPECT_EQ(v, float(lround(s.tempMax)));
        EXPECT_EQ(h.getStatus(r, 0), 3);
        EXPECT_EQ(h.getStatus(r, 1), 1);
        EXPECT_EQ(h.getStatus(r, 2), 1);
        EXPECT_EQ(h.getStatus(r, 299), 1);
        EXPECT_EQ(h.getStatus(r, 399), 1);
    }
    EXPECT_EQ(h.getAlarm(3, 2), 3);
    EXPECT_EQ(h.getAlarm(3, 17), 1);
    EXPECT_EQ(h.getAlarm(0, 2), 0);
    // A rack that never spoke.
    float v = -1;
    h.getAnalog(4, 1, &v);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(h.getStatus(4, 199), 0);
    // Whether a rack spoke since the last question.
    EXPECT_EQ(h.getStatus(3, 199), 1);
    EXPECT_EQ(h.getStatus(3, 199), 0);
    sim.reportAll();
    ASSERT_TRUE(waitUntil([&] { return h.decoder().rack(3).frames == 16; }));
    EXPECT_EQ(h.getStatus(3, 199), 1);
    EXPECT_EQ(h.getStatus(3, 199), 0);
}

TEST(BmsHandler, ReadsOutsideTheTablesAreRefused)
{
    BmsHandler h("can1", 250000, 2000, 1);
    float v = 5;
    EXPECT_EQ(h.getAnalog(8, 0, &v), -1);
    EXPECT_EQ(h.getAnalog(-1, 0, &v), -1);
    EXPECT_EQ(h.getAnalog(0, 50, &v), -1);
    EXPECT_EQ(h.getAnalog(0, -1, &v), -1);
    EXPECT_EQ(h.getAnalog(0, 0, nullptr), -1);
    EXPECT_EQ(v, 5.0f);
    EXPECT_EQ(h.getAnalog(7, 49, &v), 0);
    EXPECT_EQ(v, 0.0f);
    for (int index : { -1, 50, 99, 101, 150, 200, 300, 400, 1000 })
        EXPECT_EQ(h.getStatus(0, index), -1) << index;
    EXPECT_EQ(h.getStatus(8, 100), -1);
    EXPECT_EQ(h.getStatus(11, 100), -1);
    EXPECT_EQ(h.getStatus(-1, 0), -1);
    EXPECT_EQ(h.getStatus(7, 100), 1);   // online until told otherwise
    EXPECT_EQ(h.getStatus(11, 99), 1);   // the link flag
    EXPECT_EQ(h.getAlarm(0, 50), -1);
    EXPECT_EQ(h.getAlarm(8, 0), -1);
    EXPECT_EQ(h.getAlarm(7, 49), 0);
    // The battery system has nothing else to give.
    EXPECT_EQ(h.getConfig(0, 0, &v), 0);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(h.getSettingResult(0), 0);
    EXPECT_EQ(h.getSettingResult(0, 1), 0);
    OperateRecord rec;
    EXPECT_EQ(h.getOperateRecord(&rec), 0);
    char buf[40];
    EXPECT_EQ(h.getVersion(buf, sizeof buf), 0);
    EXPECT_EQ(h.getFaultRecordSize(), 0);
    EXPECT_EQ(h.getFaultRecord(0, nullptr), 0);
}

TEST(BmsHandler, SettingsWriteFlagsAlarmLinkAndType)
{
    BmsHandler h("can1", 250000, 2000, 1);
    struct Row {
        const char* name;
        int module, index;
        float value;
        std::function<bool()> done;
    };
    float v = 0;
    const Row rows[] = {
        { "link flag", 11, 99, 0, [&] { return h.getStatus(11, 99) == 0; } },
        { "first new-data flag", 2, 299, 1, [&] { return h.getStatus(2, 299) == 1 && h.getStatus(2, 399) == 0; } },
        { "second new-data flag", 2, 399, 1, [&] { return h.getStatus(2, 399) == 1; } },
        { "communication alarm", 2, 49, 1, [&] { return h.getAlarm(2, 49) == 1 && h.getAlarm(1, 49) == 0; } },
        { "type 10", 0, 1001, 10,
            [&] { return h.decoder().type() == 10 && h.getAnalog(5, 7, &v) == 0 && v == 1.0f; } },
        { "type 8", 0, 1001, 8,
            [&] { return h.decoder().type() == 8 && h.getAnalog(5, 39, &v) == 0 && v == -0.1f && h.getStatus(5, 1) == 1; } },
        { "type from any rack", 6, 1001, 7, [&] { return h.decoder().type() == 7; } },
        { "no number is type 0", 0, 1001, NAN, [&] { return h.decoder().type() == 0; } },
        { "no rack 8", 8, 49, 1, [&] { return h.getAlarm(7, 49) == 0; } },
        { "other indices write nothing", 3, 7, 5, [&] { return h.getStatus(3, 7) == 0; } },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(h.setting(r.module, r.index, r.value, 0), 0);
        EXPECT_TRUE(r.done());
    }
}

TEST(BmsHandler, Type7AsksEveryHalfSecondAndTakesTheAnswersAsOnlineFlags)
{
    RuntimeTree tree;
    SimCanPort peer;
    ASSERT_TRUE(peer.open(tree.root(), "can1"));
    FakeClock clock;
    BmsHandler h("can1", 500000, 2000, 1);
    h.setting(0, 1001, 7, 0);
    ASSERT_EQ(h.open(), 0);
    SimFrame f;
    EXPECT_FALSE(peer.receive(&f, 50));
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        const int stepped = stepUntilFrame(peer, &f);
        ASSERT_GE(stepped, 490);
        EXPECT_LE(stepped, 600);
        EXPECT_TRUE(f.extended);
        EXPECT_EQ(f.id, 0x00004200u);   // priority 0, PF 0, DA 0x42, SA 0
        EXPECT_EQ(f.length, 8);
        const uint8_t expected[8] = { uint8_t(i % 2 ? 2 : 0), 0, 0, 0, 0, 0, 0, 0 };
        EXPECT_EQ(memcmp(f.data, expected, 8), 0) << f.text();
        if (i == 1) {
            // Rack 2 answers once.
            ASSERT_TRUE(peer.send(SimFrame::j1939(6, 0x01, 0x42, 0x13)));
            ASSERT_TRUE(waitUntil([&] {
                TimeSeam::advanceMs(1);
                return h.decoder().rack(2).requested == 1;
            }));
        }
        if (i < 5) {
            EXPECT_EQ(h.getStatus(0, 100), 1);
        }
        if (i == 5) {
            // The sixth request turns the answers into online flags.
            ASSERT_TRUE(waitUntil([&] { return h.getStatus(0, 100) == 0; }));
            EXPECT_EQ(h.getStatus(2, 100), 1);
            EXPECT_EQ(h.getStatus(7, 100), 0);
            EXPECT_EQ(h.getStatus(1, 100), 0);
            EXPECT_EQ(h.decoder().rack(2).requested, 0);
        }
    }
    // Six requests without an answer.
    ASSERT_TRUE(waitUntil([&] { return h.getStatus(2, 100) == 0; }));
}

TEST(BmsHandler, OtherTypesSendNoRequest)
{
    RuntimeTree tree;
    SimCanPort peer;
    ASSERT_TRUE(peer.open(tree.root(), "can1"));
    FakeClock clock;
    BmsHandler h("can1", 250000, 2000, 1);
    h.setting(0, 1001, 8, 0);
    ASSERT_EQ(h.open(), 0);
    for (int i = 0; i < 4; ++i)
        TimeSeam::advanceMs(500);
    SimFrame f;
    EXPECT_FALSE(peer.receive(&f, 100));
    EXPECT_EQ(h.getStatus(3, 100), 1);
}

TEST(BmsHandler, Type4RepliesToEveryFrameOfTheBattery)
{
    RuntimeTree tree;
    BmsBusSim sim;
    ASSERT_TRUE(sim.open(tree.root(), "can1", 4, 1));
    sim.setPeriod(100000000);
    sim.start();
    BmsHandler h("can1", 500000, 2000, 0);
    h.setting(0, 1001, 4, 0);
    ASSERT_EQ(h.open(), 0);
    sim.reportAll();
    ASSERT_TRUE(waitUntil([&] { return sim.replies() == 5; }));
    const BmsRackSim s = sim.snapshot(0);
    float v = 0;
    h.getAnalog(0, 3, &v);
    EXPECT_NEAR(v, 691.2, 1e-3);   // charge voltage
    h.getAnalog(0, 5, &v);
    EXPECT_NEAR(v, 160.0, 1e-3);   // discharge limit
    h.getAnalog(0, 6, &v);
    EXPECT_EQ(v, float(lround(s.soc)));
    h.getAnalog(0, 8, &v);
    EXPECT_NEAR(v, s.rackVoltage(), 0.006);
    h.getAnalog(0, 9, &v);
    EXPECT_NEAR(v, -30.0, 1e-4);
    EXPECT_EQ(h.decoder().rack(0).frames, 5u);
    // A 29-bit frame does not pass the 11-bit link: nothing decoded, nothing answered.
    SimCanPort peer;
    ASSERT_TRUE(peer.open(tree.root(), "can1"));
    testing::internal::CaptureStdout();
    ASSERT_TRUE(peer.send(SimFrame::j1939(6, 0xF2, 0x12, 0x91)));
    // Frames are read in order: once this one is answered, the one before was seen.
    SimFrame soc;
    soc.extended = false;
    soc.id = 0x355;
    soc.length = 4;
    soc.data[0] = 77;
    ASSERT_TRUE(peer.send(soc));
    ASSERT_TRUE(waitUntil([&] { return sim.replies() == 6; }));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("ERROR_NOTSUPPORT"), std::string::npos);
    EXPECT_EQ(h.decoder().rack(0).frames, 6u);
    h.getAnalog(0, 6, &v);
    EXPECT_EQ(v, 77.0f);
    sim.stop();
}

TEST(BmsHandler, WakeUpPairGoesToTheRackFiftyMillisecondsApart)
{
    RuntimeTree tree;
    SimCanPort peer;
    ASSERT_TRUE(peer.open(tree.root(), "can1"));
    BmsHandler h("can1", 250000, 2000, 1);
    ASSERT_EQ(h.open(), 0);
    FakeClock clock;
    const int64_t t0 = TimeSeam::monotonicMs();
    EXPECT_EQ(h.setting(3, 1000, 1, 0), 0);
    EXPECT_EQ(TimeSeam::monotonicMs() - t0, 50);
    const uint32_t ids[2] = { 0x00008203u, 0x00008213u };   // priority 0, PF 0, DA 0x82, SA 3 and 19
    for (uint32_t id : ids) {
        SimFrame f;
        ASSERT_TRUE(peer.receive(&f, 2000));
        EXPECT_TRUE(f.extended);
        EXPECT_EQ(f.id, id);
        EXPECT_EQ(f.length, 8);
        const uint8_t expected[8] = { 0xAA, 0, 0, 0, 0, 0, 0, 0 };
        EXPECT_EQ(memcmp(f.data, expected, 8), 0) << f.text();
    }
    EXPECT_EQ(h.setting(8, 1000, 1, 0), 0);
    SimFrame f;
    EXPECT_FALSE(peer.receive(&f, 100));
}
