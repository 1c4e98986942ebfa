#include "energyfixture.h"

#include <gtest/gtest.h>

namespace {

// Milliseconds one call of a step sleeps.
template <class F>
int64_t timed(F f)
{
    const int64_t before = TimeSeam::monotonicMs();
    f();
    return TimeSeam::monotonicMs() - before;
}

struct RefluxCase {
    const char* name;
    int limit;        // set[43]
    float grid, load, present;
    bool written;
    float sent;
};

void PrintTo(const RefluxCase& c, std::ostream* os) { *os << c.name; }

// Band lo, mid, hi = T - 2, T, T + 2, or T, T + 2, T + 4 when T - 2 < 0.
const RefluxCase kReflux[] = {
    { "t1_below_the_band", 1, 0.5f, -10.0f, 0.0f, true, -7.0f },
    { "t1_at_the_lower_edge", 1, 1.0f, -10.0f, 0.0f, false, 0.0f },
    { "t1_inside", 1, 3.0f, -10.0f, 0.0f, false, 0.0f },
    { "t1_at_the_upper_edge", 1, 5.0f, -10.0f, -20.0f, false, 0.0f },
    { "t1_above", 1, 5.5f, -10.0f, -20.0f, true, 0.0f },
    { "t5_below_takes_at_most_zero", 5, 2.5f, 20.0f, -3.0f, true, 0.0f },
    { "t5_below", 5, 2.5f, -8.0f, 0.0f, true, -3.0f },
    { "t5_inside", 5, 6.9f, -8.0f, 0.0f, false, 0.0f },
    { "t5_above_already_zero", 5, 7.5f, -8.0f, 0.0f, false, 0.0f },
};

class Reflux : public ::testing::TestWithParam<RefluxCase> {};

} // namespace

TEST_P(Reflux, HoldsTheGridPowerInItsBand)
{
    const RefluxCase& c = GetParam();
    Energy e({ { 42, 1 }, { 43, c.limit } });
    plot_data[2] = c.grid;
    plot_data[3] = c.load;
    e.ac.analog[{ 0, 47 }] = c.present;
    EXPECT_EQ(timed([&] { e.t.dealwithReflux(); }), c.written ? 4500 : 1000);
    const std::vector<float> sent = Energy::writesTo(e.dc, 20, 87);
    ASSERT_EQ(sent.size(), c.written ? 1u : 0u);
    if (c.written) {
        EXPECT_EQ(sent[0], c.sent);
    }
}

INSTANTIATE_TEST_SUITE_P(EnergyThread, Reflux, ::testing::ValuesIn(kReflux),
    [](const ::testing::TestParamInfo<RefluxCase>& i) { return std::string(i.param.name); });

TEST(EnergyThread, RefluxIsOffWithoutAntiBackflow)
{
    Energy e({ { 42, 0 }, { 43, 5 } });
    plot_data[2] = -50.0f;
    EXPECT_EQ(timed([&] { e.t.dealwithReflux(); }), 0);
    EXPECT_TRUE(e.dc.writes.empty());
}

TEST(EnergyThread, NiliuRaisesLimitsAndPublishesItsBand)
{
    struct Row {
        int t, w;
        float ceiling;
        int t2, w2;
        float lower, middle, upper2;
    } rows[] = {
        { 5, 0, 100.0f, 5, 1, 4, 5, 6 },        // U2 = max(6, 3)
        { 5, 0, 500.0f, 5, 1, 4, 5, 11 },       // U2 = max(6, 11)
        { 0, 3, 0.0f, 1, 3, 1, 2, 4 },          // T raised to 1; M = L + 1; U = T + W = 4
        { 1, 1, 0.0f, 1, 1, 1, 2, 3 },          // M = L + 1, U = M + 1
        { 20, 4, 0.0f, 20, 4, 16, 20, 24 },
    };
    for (const Row& r : rows) {
        Energy e({ { 43, r.t }, { 44, r.w } });
        e.t.powerCeiling = r.ceiling;
        e.t.scheduledPower = -12.0f;
        plot_data[0] = 7.0f;
        plot_data[2] = r.middle;   // inside the band: no regulation
        e.t.dealwithNiliu();
        EXPECT_EQ(set[43].value, r.t2) << r.t;
        EXPECT_EQ(set[44].value, r.w2) << r.t;
        EXPECT_EQ(plot_data[44], -12.0f);
        EXPECT_EQ(plot_data[45], r.middle) << r.t;
        EXPECT_EQ(plot_data[46], 7.0f);
        EXPECT_EQ(plot_data[47], r.upper2) << r.t;
        EXPECT_EQ(plot_data[48], r.lower) << r.t;
        EXPECT_EQ(plot_data[49], r.middle);
        EXPECT_TRUE(e.dc.writes.empty());
    }
}

namespace {

// The regulator at T = 5, W = 1 (band 4 < G < 6) with a ceiling of 100 kW (tolerance 3), the
// PCS started and at -10 kW, its set-point reading 0.
struct Regulator : Energy {
    explicit Regulator(int pvMax)
        : Energy({ { 43, 5 }, { 44, 1 }, { 45, pvMax }, { 46, 200 } })
    {
        t.powerCeiling = 100.0f;
        ac.status[{ 0, 53 }] = 1;
        plot_data[0] = -10.0f;
    }
    // Passes with grid power g; the passes (1-based) on which the PCS set-point was sent.
    std::vector<int> run(int passes, float g)
    {
        std::vector<int> at;
        for (int i = 1; i <= passes; ++i) {
            plot_data[2] = g;
            const size_t before = writesTo(dc, 20, 87).size();
            t.dealwithNiliu();
            if (writesTo(dc, 20, 87).size() > before)
                at.push_back(i);
        }
        return at;
    }
};

} // namespace

TEST(EnergyThread, NiliuCase2MovesThePcsEverySixtyPasses)
{
    Regulator r(0);
    r.t.scheduledPower = -100.0f;
    // G = 20 > U2 = 6: D = 5 - 20 = -15, PCS to -25 (within the schedule and 0).
    EXPECT_EQ(r.run(181, 20.0f), (std::vector<int>{ 61, 121, 181 }));
    EXPECT_EQ(Energy::writesTo(r.dc, 20, 87)[0], -25.0f);
}

TEST(EnergyThread, NiliuCase2NeverTurnsThePcsToCharging)
{
    Regulator r(0);
    r.t.scheduledPower = -100.0f;
    plot_data[0] = 30.0f;   // P + D = 15 is clamped to 0
    r.ac.analog[{ 0, 47 }] = 5.0f;
    r.run(61, 20.0f);
    EXPECT_EQ(Energy::writesTo(r.dc, 20, 87), std::vector<float>{ 0.0f });
}

TEST(EnergyThread, NiliuCase6MovesThePcsEveryHundredPasses)
{
    Regulator r(1);
    r.t.scheduledPower = -100.0f;
    EXPECT_EQ(r.run(201, 20.0f), (std::vector<int>{ 101, 201 }));
}

TEST(EnergyThread, NiliuCase5FollowsWhileThePcsKeepsUp)
{
    Regulator r(1);
    r.t.scheduledPower = -100.0f;
    // G = 0 < L = 4: D = 5, PCS to -5; the set-point reads -10 = P, within the tolerance.
    r.ac.analog[{ 0, 47 }] = -10.0f;
    EXPECT_EQ(r.run(3, 0.0f), (std::vector<int>{ 1, 2, 3 }));
    // The PCS lags its set-point: only the entry of the case moves it.
    r.ac.analog[{ 0, 47 }] = 50.0f;
    EXPECT_TRUE(r.run(5, 0.0f).empty());
    r.run(1, 20.0f);   // case 6
    EXPECT_EQ(r.run(2, 0.0f), (std::vector<int>{ 1 }));
}

TEST(EnergyThread, NiliuCase1DischargesLessOrStops)
{
    Regulator r(0);
    r.t.scheduledPower = -100.0f;
    r.ac.analog[{ 0, 47 }] = -10.0f;
    r.run(1, 0.0f);   // P + D = -5
    plot_data[0] = 2.0f;
    r.run(1, 0.0f);   // P + D = 7 > 0: the PCS is stopped
    EXPECT_EQ(Energy::writesTo(r.dc, 20, 87), (std::vector<float>{ -5.0f, 0.0f }));
    // With no set-point in force the PCS is left alone.
    r.ac.analog[{ 0, 47 }] = 0.0f;
    EXPECT_TRUE(r.run(6, 0.0f).empty());
}

TEST(EnergyThread, NiliuLeavesThePcsAloneWhileChargingOrNotStarted)
{
    {
        Regulator r(0);
        r.t.scheduledPower = 50.0f;   // cases 3 and 4: the PV inverter only
        EXPECT_TRUE(r.run(100, 0.0f).empty());
        EXPECT_TRUE(r.run(100, 20.0f).empty());
    }
    {
        Regulator r(1);
        r.ac.status[{ 0, 53 }] = 0;
        EXPECT_TRUE(r.run(100, 0.0f).empty());
        EXPECT_TRUE(r.run(100, 20.0f).empty());
    }
}

TEST(EnergyThread, NiliuAtTheLowerBoundKeepsCounting)
{
    Regulator r(0);
    r.t.scheduledPower = -100.0f;
    r.run(1, 20.0f);                               // enters case 2, count 0
    EXPECT_TRUE(r.run(59, 4.0f).empty());          // G = L: no step, the count goes on
    EXPECT_EQ(r.run(1, 20.0f), std::vector<int>{ 1 });   // count 60
}

TEST(EnergyThread, NiliuGrowsThePcsWithThePvAtItsLimit)
{
    Regulator r(1);
    r.t.pvValues[EnergyThread::PV_LIMIT] = 50.0f;
    r.t.pvValues[EnergyThread::PV_POWER] = 49.5f;
    r.ac.analog[{ 0, 47 }] = -11.0f;   // |SP - P| = 1 < 3, SP below the ceiling
    EXPECT_EQ(r.run(120, 5.0f), (std::vector<int>{ 60, 120 }));
    EXPECT_EQ(Energy::writesTo(r.dc, 20, 87)[0], -9.0f);
    // Not while the inverter has headroom.
    r.t.pvValues[EnergyThread::PV_POWER] = 40.0f;
    EXPECT_TRUE(r.run(120, 5.0f).empty());
}

TEST(EnergyThread, PeakShavingPassRunsScheduleRegulatorAndHold)
{
    Energy e({ { 42, 1 }, { 43, 5 }, { 44, 1 } });
    e.running(true);
    e.ac.status[{ 0, 55 }] = 1;
    e.ac.status[{ 0, 53 }] = 1;
    e.ac.analog[{ 0, 74 }] = 100.0f;
    localData[20] = -40.0f;
    // First pass: the schedule (a discharge, withheld under anti-backflow) ends the step; the
    // hold sees the grid meter's 10.419 kW above its band but the PCS is at 0 already.
    EXPECT_EQ(e.pass(), 250 + 1000);
    EXPECT_EQ(plot_data[45], 0.0f);
    EXPECT_EQ(e.t.scheduledPower, -40.0f);
    // Then the regulator runs in every pass (case 2: exporting under a scheduled discharge).
    EXPECT_EQ(e.pass(), 1000);
    EXPECT_EQ(plot_data[45], 5.0f);
    EXPECT_FLOAT_EQ(plot_data[49], 10.419f);
    for (int i = 0; i < 59; ++i)
        EXPECT_EQ(e.pass(), 1000);
    EXPECT_TRUE(e.dc.writes.empty());
    EXPECT_EQ(e.pass(), 3500 + 1000);
    ASSERT_EQ(Energy::writesTo(e.dc, 20, 87).size(), 1u);
    EXPECT_FLOAT_EQ(Energy::writesTo(e.dc, 20, 87)[0], 5.0f - 10.419f);
}

struct JmgCase {
    const char* name;
    float soc;
    int offGrid, gridTied;
    bool toGrid, toOffGrid;
    int64_t sleptMs;
};

void PrintTo(const JmgCase& c, std::ostream* os) { *os << c.name; }

class Jmg : public ::testing::TestWithParam<JmgCase> {};

TEST_P(Jmg, SwitchesByStateOfCharge)
{
    const JmgCase& c = GetParam();
    Energy e({ { 49, 40 }, { 21, 1 } });
    BmsSoc = c.soc;
    e.ac.status[{ 0, 56 }] = c.offGrid;
    e.ac.status[{ 0, 55 }] = c.gridTied;
    e.ac.status[{ 0, 53 }] = 1;
    EXPECT_EQ(timed([&] { e.t.dealwith_JMG(); }), c.sleptMs);
    EXPECT_EQ(e.ac.wrote(0, 69, 0.0f), c.toGrid);
    EXPECT_EQ(e.ac.wrote(0, 69, 1.0f), c.toOffGrid);
    if (c.soc < 30) {
        EXPECT_EQ(Energy::writesTo(e.dc, 20, 87), std::vector<float>{ 40.0f });
    } else {
        EXPECT_TRUE(Energy::writesTo(e.dc, 20, 87).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(EnergyThread, Jmg,
    ::testing::Values(JmgCase{ "low_off_grid_goes_to_the_grid", 29.0f, 1, 0, true, false, 250 + 3500 + 500 },
        JmgCase{ "low_grid_tied_charges", 20.0f, 0, 1, false, false, 3500 + 500 },
        JmgCase{ "soc_30_stays", 30.0f, 1, 0, false, false, 200 + 500 },
        JmgCase{ "soc_85_stays", 85.0f, 0, 1, false, false, 200 + 500 },
        JmgCase{ "high_grid_tied_leaves_the_grid", 85.5f, 0, 1, false, true, 250 + 500 },
        JmgCase{ "high_off_grid_stays", 90.0f, 1, 0, false, false, 500 }),
    [](const ::testing::TestParamInfo<JmgCase>& i) { return std::string(i.param.name); });
