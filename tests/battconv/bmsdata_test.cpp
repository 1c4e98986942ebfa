#include "bmsdata.h"
#include "bmsbussim.h"
#include "bmshandler.h"
#include "runtimetree.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <thread>

namespace {

bool waitUntil(const std::function<bool()>& done, int ms = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace

TEST(BmsData, ForwardsToTheHandlerAndHasNothingElse)
{
    RuntimeTree tree;
    BmsData d("can1", 250000, 2000, 1);
    EXPECT_EQ(d.setting(0, 1001, 8, 0), 0);
    float v = 0;
    EXPECT_EQ(d.getAnalog(0, 39, &v), 0);
    EXPECT_FLOAT_EQ(v, -0.1f);
    EXPECT_EQ(d.getAnalog(8, 0, &v), -1);
    EXPECT_EQ(d.getStatus(0, 1), 1);
    EXPECT_EQ(d.getStatus(11, 99), 1);
    EXPECT_EQ(d.setting(0, 49, 1, 0), 0);
    EXPECT_EQ(d.getAlarm(0, 49), 1);
    EXPECT_EQ(d.getConfig(0, 0, &v), 0);
    EXPECT_EQ(d.getSettingResult(0), 0);
    char buf[8];
    memset(buf, 'x', sizeof buf);
    EXPECT_EQ(d.getVersion(buf, sizeof buf), 0);
    EXPECT_EQ(std::string(buf, sizeof buf), "xxxxxxxx");
    FaultRecord fault;
    memset(&fault, 0x5A, sizeof fault);
    EXPECT_EQ(d.getFaultRecordSize(), 0);
    EXPECT_EQ(d.getFaultRecord(0, &fault), 0);
    EXPECT_EQ(fault.module, 0x5A5A5A5A);
    OperateRecord rec;
    EXPECT_EQ(d.getOperateRecord(&rec), 0);
    EXPECT_EQ(d.open(), 0);
    EXPECT_TRUE(d.handler()->receiving());
    EXPECT_EQ(d.close(), 0);
    EXPECT_FALSE(d.handler()->receiving());
}

// As the panel builds and reads it: type 8, the generic protocol of the simulated racks.
TEST(BmsData, PanelReadsTheSimulatedGenericRacks)
{
    RuntimeTree tree;
    testing::internal::CaptureStdout();
    std::unique_ptr<BmsBusSim> sim = BmsBusSim::launch(tree.root(), 8);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(sim);
    sim->setPeriod(100);
    BmsData d("can1", 250000, 2000, 1);
    d.setting(0, 1001, 8, 0);
    ASSERT_EQ(d.open(), 0);
    // The heartbeat point the panel sets is cleared by the rack's next frame.
    d.setting(1, 49, 1, 0);
    ASSERT_TRUE(waitUntil([&] { return d.getAlarm(1, 49) == 0 && d.getStatus(1, 299) == 1; }));
    EXPECT_EQ(d.getStatus(1, 199), 1);
    float soc = 0;
    d.getAnalog(0, 0, &soc);
    EXPECT_NEAR(soc * 100, sim->snapshot(0).soc, 0.5);
    float limit = 0;
    d.getAnalog(1, 6, &limit);
    EXPECT_NEAR(limit, 140.0, 1e-3);
    d.getAnalog(1, 7, &limit);
    EXPECT_NEAR(limit, 160.0, 1e-3);
    EXPECT_EQ(d.getStatus(0, 2), 1);
    EXPECT_EQ(d.getStatus(2, 199), 0);
}

TEST(BmsData, SimulatedBmsFRacksAnswerTheRequestAndWakeUp)
{
    RuntimeTree tree;
    testing::internal::CaptureStdout();
    std::unique_ptr<BmsBusSim> sim = BmsBusSim::launch(tree.root(), 7);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(sim);
    sim->edit(1, [](BmsRackSim& r) { r.awake = false; });
    BmsData d("can1", 500000, 2000, 1);
    d.setting(0, 1001, 7, 0);
    ASSERT_EQ(d.open(), 0);
    ASSERT_TRUE(waitUntil([&] { return d.getStatus(1, 299) == 1 && d.getStatus(0, 299) == 1; }));
    const BmsRackSim s = sim->snapshot(0);
    float v = 0;
    d.getAnalog(0, 3, &v);
    EXPECT_NEAR(v, s.soc, 0.51);
    d.getAnalog(1, 7, &v);
    EXPECT_NEAR(v, 140.0, 1e-3);
    d.getAnalog(1, 8, &v);
    EXPECT_NEAR(v, 160.0, 1e-3);
    d.getAnalog(0, 0, &v);
    EXPECT_NEAR(v, s.rackVoltage(), 0.051);
    EXPECT_EQ(d.getStatus(0, 5), 2);   // discharging
    EXPECT_EQ(d.getStatus(1, 5), 0);   // asleep
    EXPECT_GE(sim->requests(), 1);
    d.setting(1, 1000, 1, 0);
    ASSERT_TRUE(waitUntil([&] { return sim->wakeups() == 2; }));
    EXPECT_TRUE(sim->snapshot(1).awake);
    EXPECT_EQ(sim->snapshot(1).wakeups, 2);
    ASSERT_TRUE(waitUntil([&] { return d.getStatus(1, 5) == 2; }));
}
