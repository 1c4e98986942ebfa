#include "energyfixture.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

struct DispatchCase {
    const char* name;
    int dispatch;   // set[54]
    bool running;   // AC/DC status 26
    int strategy;   // set[59]
    int64_t firstMs;
    int64_t secondMs;
    bool dcSchedule;
};

// Inert steps are chosen where a step would act on its own (schedule off, anti-backflow off, the
// PV strategy's string running but neither grid state), so only the loop's pauses remain.
const DispatchCase kDispatch[] = {
    { "dc_stopped", 1, false, 2, 1000, 1000, false },
    { "dc_pv_strategy", 1, true, 1, 1000, 1000, false },
    { "dc_48_periods", 1, true, 2, 450, 200, true },
    { "dc_other_strategy_idles", 1, true, 0, 200, 200, false },
    { "ac_stopped", 0, false, 0, 1000, 1000, false },
    { "ac_peak_shaving", 0, true, 0, 200, 200, false },
    { "ac_other_strategy_idles", 0, true, 1, 200, 200, false },
    { "branch_dispatch_stopped", 2, false, 0, 1000, 1000, false },
};

void PrintTo(const DispatchCase& c, std::ostream* os) { *os << c.name; }

class Dispatch : public ::testing::TestWithParam<DispatchCase> {};

} // namespace

TEST_P(Dispatch, PausesAndSteps)
{
    const DispatchCase& c = GetParam();
    Energy e({ { 54, c.dispatch }, { 59, c.strategy }, { 41, 1 } });
    e.running(c.running);
    e.dc.status[{ 1001, 0 }] = 1;
    localData[48 + 20] = 7.0f;
    EXPECT_EQ(e.pass(), c.firstMs);
    EXPECT_EQ(e.pass(), c.secondMs);
    EXPECT_EQ(Energy::writesTo(e.dc, 1001, 1001).size(), c.dcSchedule ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(EnergyThread, Dispatch, ::testing::ValuesIn(kDispatch),
    [](const ::testing::TestParamInfo<DispatchCase>& i) { return std::string(i.param.name); });

TEST(EnergyThread, CeilingIsReadOnlyWhileTheAcSystemRunsInAcDispatch)
{
    Energy e({ { 54, 0 }, { 59, 1 } });
    e.ac.analog[{ 0, 74 }] = 120.0f;
    e.pass();
    EXPECT_EQ(e.t.powerCeiling, 0.0f);
    e.running(true);
    e.pass();
    EXPECT_EQ(e.t.powerCeiling, 120.0f);
}

TEST(EnergyThread, DcScheduleAppliesAtEachHalfHourOnly)
{
    Energy e({ { 54, 1 }, { 59, 2 }, { 23, 3 } });
    e.running(true);
    for (int k = 1; k <= 3; ++k) {
        localData[48 * k + 20] = 10.0f * k;    // 10:00 to 10:30
        localData[48 * k + 21] = -5.0f * k;    // 10:30 to 11:00
    }
    Energy::at(10, 10);
    EXPECT_EQ(e.pass(), 450);   // first pass since start applies
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(Energy::writesTo(e.dc, 1000 + k, 1001), std::vector<float>{ 10.0f * k });
        EXPECT_EQ(Energy::writesTo(e.dc, 1000 + k, 1000), std::vector<float>{ 10.0f * k });
    }
    // Current set-point before power set-point, branch by branch.
    ASSERT_EQ(e.dc.writes.size(), 6u);
    EXPECT_EQ(e.dc.writes[0].module, 1001);
    EXPECT_EQ(e.dc.writes[0].index, 1001);
    EXPECT_EQ(e.dc.writes[1].index, 1000);

    for (int s = 0; s < 100; ++s) {
        Energy::at(10, 10 + s / 5, (s % 5) * 12);
        EXPECT_EQ(e.pass(), 200);
    }
    EXPECT_EQ(e.dc.writes.size(), 6u);

    Energy::at(10, 30, 0);
    EXPECT_EQ(e.pass(), 450);
    EXPECT_EQ(Energy::writesTo(e.dc, 1002, 1001).back(), -10.0f);
    Energy::at(10, 30, 30);
    EXPECT_EQ(e.pass(), 200);
    EXPECT_EQ(e.dc.writes.size(), 12u);
}

TEST(EnergyThread, DcScheduleAppliesAgainOnTriggerAndRecovery)
{
    Energy e({ { 54, 1 }, { 59, 2 }, { 23, 1 } });
    e.running(true);
    e.pass();
    EXPECT_EQ(e.dc.writes.size(), 2u);
    allData.schedule = 100;
    e.pass();
    EXPECT_EQ(e.dc.writes.size(), 4u);
    EXPECT_EQ(allData.schedule, 0);
    g_recover_flag = 1;
    e.pass();
    EXPECT_EQ(e.dc.writes.size(), 6u);
    EXPECT_EQ(g_recover_flag, 0);
    e.pass();
    EXPECT_EQ(e.dc.writes.size(), 6u);
}

TEST(EnergyThread, DcScheduleRetriesEachWriteThreeTimes)
{
    Energy e({ { 54, 1 }, { 59, 2 }, { 23, 2 } });
    e.running(true);
    e.dc.finalResult = 1;
    e.pass();
    EXPECT_EQ(Energy::writesTo(e.dc, 1001, 1001).size(), 3u);
    EXPECT_EQ(Energy::writesTo(e.dc, 1001, 1000).size(), 3u);
    EXPECT_EQ(Energy::writesTo(e.dc, 1002, 1000).size(), 3u);
}

TEST(EnergyThread, DcScheduleStopsAtEightBranches)
{
    Energy e({ { 54, 1 }, { 59, 2 }, { 23, 12 } });
    e.running(true);
    e.pass();
    EXPECT_EQ(e.dc.writes.size(), 16u);
    EXPECT_TRUE(Energy::writesTo(e.dc, 1009, 1001).empty());
}

TEST(EnergyThread, ScheduleFollowsTheClockAcrossAPeriodSkippedByAClockChange)
{
    Energy e({ { 54, 1 }, { 59, 2 }, { 23, 1 } });
    e.running(true);
    localData[48 + 20] = 1.0f;
    localData[48 + 21] = 2.0f;
    Energy::at(10, 10);
    e.pass();
    // The clock is set forward past 10:30 between two passes.
    Energy::at(10, 40);
    e.pass();
    EXPECT_EQ(Energy::writesTo(e.dc, 1001, 1000), (std::vector<float>{ 1.0f, 2.0f }));
}

struct PeriodCase {
    int hour, minute, slot;
};

void PrintTo(const PeriodCase& c, std::ostream* os) { *os << c.hour << ":" << c.minute; }

class AcSchedule : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(AcSchedule, TakesTheHalfHourOfTheClock)
{
    const PeriodCase& c = GetParam();
    Energy e;
    e.running(true);
    for (int s = 0; s < 48; ++s)
        localData[s] = 100.0f + s;
    Energy::at(c.hour, c.minute);
    e.t.onePass();   // the pass takes the time
    e.dc.writes.clear();
    allData.schedule = 100;
    EXPECT_EQ(e.t.dealwithPower_time(), 1);
    EXPECT_EQ(e.t.scheduledPower, 100.0f + c.slot);
    EXPECT_EQ(Energy::writesTo(e.dc, 20, 87), std::vector<float>{ 100.0f + c.slot });
}

INSTANTIATE_TEST_SUITE_P(EnergyThread, AcSchedule,
    ::testing::Values(PeriodCase{ 23, 45, 47 }, PeriodCase{ 0, 10, 0 }, PeriodCase{ 0, 30, 1 },
        PeriodCase{ 12, 29, 24 }, PeriodCase{ 12, 30, 25 }),
    [](const ::testing::TestParamInfo<PeriodCase>& i) {
        return "at_" + std::to_string(i.param.hour) + "_" + std::to_string(i.param.minute);
    });

TEST(EnergyThread, NegativeScheduleIsWithheldWhileAntiBackflowIsOn)
{
    for (int antiBackflow : { 0, 1 }) {
        Energy e({ { 42, antiBackflow } });
        localData[20] = -30.0f;
        e.t.onePass();   // takes the time while the system is stopped
        e.running(true);
        const int64_t before = TimeSeam::monotonicMs();
        EXPECT_EQ(e.t.dealwithPower_time(), 1);
        EXPECT_EQ(TimeSeam::monotonicMs() - before, 250);
        EXPECT_EQ(e.t.scheduledPower, -30.0f);
        EXPECT_EQ(Energy::writesTo(e.dc, 20, 87).size(), antiBackflow ? 0u : 1u) << antiBackflow;
    }
}

TEST(EnergyThread, AcScheduleWaitsForTheRunningSystemAndTheSwitch)
{
    Energy e;
    e.t.onePass();
    EXPECT_EQ(e.t.dealwithPower_time(), 0);
    EXPECT_TRUE(e.dc.writes.empty());
    e.running(true);
    set[41].value = 1;
    EXPECT_EQ(e.t.dealwithPower(), 0);
    set[41].value = 0;
    EXPECT_EQ(e.t.dealwithPower(), 1);
    EXPECT_EQ(e.t.dealwithPower(), 0);
}

TEST(EnergyThread, StoppedSystemStillRunsTheSteadySteps)
{
    Energy e({ { 54, 0 }, { 59, 0 } });
    localData[20] = 50.0f;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(e.pass(), 1000);
    EXPECT_TRUE(e.dc.writes.empty());
    EXPECT_TRUE(e.ac.writes.empty());
}

struct PowerCase {
    const char* name;
    float value, min, max, present;
    bool written;
    float sent;
};

void PrintTo(const PowerCase& c, std::ostream* os) { *os << c.name; }

class SetAcPower : public ::testing::TestWithParam<PowerCase> {};

TEST_P(SetAcPower, ClampsAndSkipsTheSameValue)
{
    const PowerCase& c = GetParam();
    Energy e;
    e.ac.analog[{ 0, 47 }] = c.present;
    const int64_t before = TimeSeam::monotonicMs();
    e.t.set_ac_power(c.value, c.min, c.max, 3500);
    const std::vector<float> sent = Energy::writesTo(e.dc, 20, 87);
    EXPECT_EQ(sent.size(), c.written ? 1u : 0u);
    EXPECT_EQ(TimeSeam::monotonicMs() - before, c.written ? 3500 : 0);
    if (c.written && !sent.empty()) {
        EXPECT_EQ(sent[0], c.sent);
    }
}

INSTANTIATE_TEST_SUITE_P(EnergyThread, SetAcPower,
    ::testing::Values(PowerCase{ "inside", 20.0f, -500.0f, 500.0f, 0.0f, true, 20.0f },
        PowerCase{ "below", -800.0f, -500.0f, 500.0f, 0.0f, true, -500.0f },
        PowerCase{ "above", 800.0f, -500.0f, 500.0f, 0.0f, true, 500.0f },
        PowerCase{ "unchanged", 20.0f, -500.0f, 500.0f, 20.0f, false, 0.0f },
        PowerCase{ "clamped_unchanged", 900.0f, -500.0f, 500.0f, 500.0f, false, 0.0f },
        PowerCase{ "crossed_bounds_keep_the_ceiling", -50.0f, 30.0f, 10.0f, 0.0f, true, 10.0f },
        PowerCase{ "not_a_number", NAN, -500.0f, 500.0f, 0.0f, false, 0.0f }),
    [](const ::testing::TestParamInfo<PowerCase>& i) { return std::string(i.param.name); });

TEST(EnergyThread, GridSwitchingFollowsTheSystemState)
{
    Energy e({ { 21, 0 } });
    OperateRecord r;
    while (e.sts.getOperateRecord(&r) == 1) {
    }
    // Neither off-grid nor grid-tied: nothing.
    e.t.inGrid();
    e.t.offGrid();
    EXPECT_TRUE(e.ac.writes.empty());

    e.ac.status[{ 0, 55 }] = 1;
    const int64_t before = TimeSeam::monotonicMs();
    e.t.offGrid();
    EXPECT_EQ(TimeSeam::monotonicMs() - before, 250);
    EXPECT_TRUE(e.ac.wrote(0, 69, 1.0f));
    EXPECT_TRUE(e.dc.wrote(0, 7, 1.0f));
    ASSERT_EQ(e.sts.getOperateRecord(&r), 1);
    EXPECT_EQ(r.oid, 1);
    EXPECT_EQ(r.mdata, 1.0);
    e.t.inGrid();   // still grid-tied
    EXPECT_EQ(e.ac.writes.size(), 1u);

    e.ac.status[{ 0, 55 }] = 0;
    e.ac.status[{ 0, 56 }] = 1;
    set[21].value = 1;   // no switch fitted
    e.t.inGrid();
    EXPECT_TRUE(e.ac.wrote(0, 69, 0.0f));
    EXPECT_TRUE(e.dc.wrote(0, 7, 0.0f));
    TimeSeam::advanceMs(1000);
    EXPECT_EQ(e.sts.getOperateRecord(&r), 0);
}

TEST(EnergyThread, StartPublishesTheMonitorEnables)
{
    Energy e;
    e.t.insulationEnable[0] = 1;
    e.t.insulationEnable[2] = 1;
    e.t.insulationEnable[9] = 1;   // beyond the eight registers
    e.t.publishInsulationEnable();
    for (int k = 0; k < 8; ++k) {
        const float want = (k == 0 || k == 2) ? 1.0f : 0.0f;
        EXPECT_EQ(Energy::reg(e.rtu, 401 + k), want) << k;
        EXPECT_EQ(Energy::reg(e.tcp, 401 + k), want) << k;
        EXPECT_EQ(e.t.insulationState[k], int(want)) << k;
    }
    EXPECT_EQ(Energy::reg(e.tcp, 409), -1.0f);
}

TEST(EnergyThread, WriteIdiomReportsTheDevicesResult)
{
    Energy e;
    EXPECT_EQ(e.t.setAc(0, 67, 1.0f), 0);
    e.ac.finalResult = 1;
    EXPECT_EQ(e.t.setAc(0, 67, 1.0f), -1);
    e.dc.settingResult = -2;
    EXPECT_EQ(e.t.setDc(0, 1001, 1.0f), -1);
    EXPECT_EQ(e.t.setSts(20, 23, 2.0f), 0);
    e.sts.setOnline(21, false);
    EXPECT_EQ(e.t.setSts(21, 23, 2.0f), -1);
}

TEST(EnergyThread, MissingDevicesAreSkipped)
{
    Energy e({ { 54, 1 }, { 59, 2 } });
    e.t.setDeviceData(static_cast<DeviceData*>(nullptr), nullptr, nullptr, nullptr, nullptr);
    e.t.publishInsulationEnable();
    EXPECT_EQ(e.pass(), 1000);
    EXPECT_EQ(e.t.setDc(1001, 1000, 1.0f), -1);
    e.t.set_ac_power(10.0f, -500.0f, 500.0f, 10);
    e.t.inGrid();
}

TEST(EnergyThread, RunsInItsOwnThreadAndStopsWhenDestroyed)
{
    Energy e({ { 54, 1 }, { 59, 2 }, { 23, 1 } });
    e.running(true);
    localData[48 + 20] = 3.0f;
    EnergyThread* t = new EnergyThread;
    t->setDeviceData(&e.ac, &e.dc, &e.sts, &e.rtu, &e.tcp);
    t->insulationEnable[1] = 1;
    t->start();
    // The thread waits for the stepped clock; its first pass applies the schedule.
    for (int i = 0; i < 5000 && Energy::reg(e.tcp, 402) != 1.0f; ++i)
        QThread::msleep(1);
    EXPECT_EQ(Energy::reg(e.rtu, 402), 1.0f);
    // The first pass writes both set points: the clock is stepped until it has.
    for (int i = 0; i < 20000 && e.dc.settings < 2; ++i) {
        TimeSeam::advanceMs(10);
        QThread::msleep(1);
    }
    delete t;   // joins, so the fakes are read from here on only
    ASSERT_GE(e.dc.writes.size(), 2u);
    EXPECT_EQ(e.dc.writes[0].value, 3.0f);
}
