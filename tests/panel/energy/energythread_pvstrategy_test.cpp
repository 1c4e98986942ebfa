#include "energyfixture.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

// The PV charging strategy grid-tied or off-grid, string 1 running, the strategy's pass chosen.
struct PvStrategy : Energy {
    explicit PvStrategy(int type, std::initializer_list<std::pair<int, int>> settings = {})
        : Energy(settings)
    {
        set[54].value = 1;
        set[59].value = 1;
        set[58].value = 80;
        for (const auto& s : settings)
            set[s.first].value = s.second;
        running(true);
        dc.config[{ 1001, 35 }] = float(type);
        dc.status[{ 1001, 0 }] = 1;
        dc.status[{ 1001, 1 }] = 1;
        gridTied();
    }
    void gridTied()
    {
        ac.status[{ 0, 55 }] = 1;
        ac.status[{ 0, 56 }] = 0;
    }
    void offGrid()
    {
        ac.status[{ 0, 55 }] = 0;
        ac.status[{ 0, 56 }] = 1;
    }
    void steps(int n)
    {
        for (int i = 0; i < n; ++i)
            t.dealwithPvStrategy();
    }
    // Current set-points written to the DC/DC system.
    std::vector<float> currents() const { return writesTo(dc, 0, 1001); }
};

int64_t timed(EnergyThread& t)
{
    const int64_t before = TimeSeam::monotonicMs();
    t.dealwithPvStrategy();
    return TimeSeam::monotonicMs() - before;
}

} // namespace

TEST(EnergyThread, BatterySocFromCellVoltage)
{
    EXPECT_EQ(EnergyThread::getBattSoc(2.2f), 100);
    EXPECT_EQ(EnergyThread::getBattSoc(2.143f), 100);
    EXPECT_EQ(EnergyThread::getBattSoc(2.101f), 79);
    EXPECT_EQ(EnergyThread::getBattSoc(2.0005f), 29);
    EXPECT_EQ(EnergyThread::getBattSoc(2.0f), 28);   // the midpoint of 2.001 and 1.999 goes down
    EXPECT_EQ(EnergyThread::getBattSoc(1.9445f), 1);
    EXPECT_EQ(EnergyThread::getBattSoc(1.943f), 0);
    EXPECT_EQ(EnergyThread::getBattSoc(1.9f), 0);
    EXPECT_EQ(EnergyThread::getBattSoc(NAN), 0);
}

TEST(EnergyThread, PvStrategyIdlesWhileTheStringIsStopped)
{
    PvStrategy e(0);
    e.dc.status[{ 1001, 0 }] = 0;
    EXPECT_EQ(timed(e.t), 1000);
    EXPECT_TRUE(e.dc.writes.empty());
    EXPECT_TRUE(e.ac.writes.empty());
}

TEST(EnergyThread, PvStrategyStateOneHoldsTheStringsAtZero)
{
    PvStrategy e(0);
    e.dc.status[{ 1001, 1 }] = 0;
    EXPECT_EQ(timed(e.t), 1000);
    EXPECT_EQ(e.currents(), std::vector<float>{ 0.0f });
    EXPECT_EQ(Energy::writesTo(e.dc, 0, 1000), std::vector<float>{ 0.0f });
}

TEST(EnergyThread, PvStrategyChargesAfterFiveMinutesLowThenRamps)
{
    PvStrategy e(0);
    g_bmsStringOnline[0] = 1;
    BmsSoc = 50.0f;
    e.dc.config[{ 1001, 24 }] = 20.0f;   // target current
    e.steps(299);
    EXPECT_EQ(g_pvstate, 1);
    EXPECT_EQ(g_showsoc, 50.0f);
    e.steps(1);
    EXPECT_EQ(g_pvstate, 2);
    EXPECT_TRUE(e.currents().empty());
    EXPECT_EQ(timed(e.t), 1000);   // the first step of state 2 sends -1 and waits
    e.steps(6);
    EXPECT_EQ(e.currents(), (std::vector<float>{ -1.0f, 6.0f, 11.0f, 16.0f, 20.0f }));
    // A current above the target brings the set-point down to it at once.
    e.dc.config[{ 1001, 24 }] = 12.0f;
    e.dc.analog[{ 1001, 4 }] = 15.0f;
    e.steps(2);
    EXPECT_EQ(e.currents().back(), 12.0f);
    EXPECT_EQ(e.currents().size(), 6u);
}

TEST(EnergyThread, PvStrategyLowCountDependsOnTheBms)
{
    {
        // A lithium string whose BMS is offline never counts as low.
        PvStrategy e(0);
        BmsSoc = 10.0f;
        e.steps(400);
        EXPECT_EQ(g_pvstate, 1);
    }
    {
        // Charge end (status 51) counts whatever the state of charge.
        PvStrategy e(0);
        BmsSoc = 95.0f;
        e.dc.status[{ 1001, 51 }] = 1;
        e.steps(300);
        EXPECT_EQ(g_pvstate, 2);
    }
    {
        // The count goes back down while the battery is not low.
        PvStrategy e(0);
        g_bmsStringOnline[0] = 1;
        BmsSoc = 50.0f;
        e.steps(250);
        BmsSoc = 90.0f;
        e.steps(100);
        BmsSoc = 50.0f;
        e.steps(149);   // 150 + 149
        EXPECT_EQ(g_pvstate, 1);
        e.steps(1);
        EXPECT_EQ(g_pvstate, 2);
    }
}

TEST(EnergyThread, PvStrategyLeadAcidSocFromTheCellsWithoutItsBms)
{
    PvStrategy e(4);
    e.dc.analog[{ 1001, 0 }] = 24.0f * 2.0005f;
    e.dc.config[{ 1001, 42 }] = 24.0f;
    e.steps(1);
    EXPECT_EQ(g_showsoc, 29.0f);
    e.steps(299);
    EXPECT_EQ(g_pvstate, 2);

    PvStrategy unknown(4);
    unknown.dc.analog[{ 1001, 0 }] = 40.0f;   // no cell count: no estimate, no charging
    unknown.steps(400);
    EXPECT_EQ(g_showsoc, 100.0f);
    EXPECT_EQ(g_pvstate, 1);

    PvStrategy withBms(4);
    g_bmsStringOnline[0] = 1;
    BmsSoc = 60.0f;
    withBms.steps(1);
    EXPECT_EQ(g_showsoc, 60.0f);
}

TEST(EnergyThread, PvStrategyEndsChargingByFloatAndFullTimes)
{
    struct Row {
        const char* name;
        int type;
        int status, steps;
        float current;
    } rows[] = {
        { "float_twelve_hours", 3, 7, 43201, 50.0f },
        { "float_current_two_hours", 4, 7, 7201, 0.5f },   // below 0.3 % of 200 Ah
        { "charge_end_half_an_hour", 3, 50, 1801, 50.0f },
    };
    for (const Row& r : rows) {
        PvStrategy e(r.type);
        g_pvstate = 2;
        e.dc.config[{ 1001, 41 }] = 200.0f;
        e.dc.analog[{ 1001, 4 }] = r.current;
        e.dc.status[{ 1001, r.status }] = 1;
        e.steps(r.steps - 1);
        EXPECT_EQ(g_pvstate, 2) << r.name;
        e.steps(1);
        EXPECT_EQ(g_pvstate, 1) << r.name;
    }
    // A lithium battery at 100 % ends it too.
    PvStrategy e(0);
    g_pvstate = 2;
    BmsSoc = 100.0f;
    e.steps(1801);
    EXPECT_EQ(g_pvstate, 1);
}

TEST(EnergyThread, PvStrategyGridChargingRoundTrip)
{
    PvStrategy e(0, { { 42, 0 } });
    e.ac.config[{ 0, 277 }] = 1.0f;
    g_acCrtlCmd = 2;   // the heartbeat bit stays as it is
    // Off-grid below 30 %: grid charging is asked for, with the anti-backflow function.
    e.offGrid();
    BmsSoc = 25.0f;
    e.steps(1);
    EXPECT_EQ(g_acCrtlCmd, 3);
    EXPECT_EQ(Energy::writesTo(e.ac, 0, 67), std::vector<float>{ 3.0f });
    EXPECT_EQ(Energy::writesTo(e.ac, 0, 280), std::vector<float>{ 1.0f });
    EXPECT_EQ(set[42].value, 1);
    set[42].value = 0;
    readmonitorset();
    EXPECT_EQ(set[42].value, 1);
    e.steps(5);
    EXPECT_EQ(Energy::writesTo(e.ac, 0, 67).size(), 1u);

    // Back on the grid and charging: above 90 % the request goes, and 30 s later the function.
    e.gridTied();
    g_pvstate = 2;
    BmsSoc = 91.0f;
    e.steps(1);
    EXPECT_EQ(g_acCrtlCmd, 2);
    EXPECT_EQ(Energy::writesTo(e.ac, 0, 67), (std::vector<float>{ 3.0f, 2.0f }));
    e.steps(29);
    EXPECT_EQ(Energy::writesTo(e.ac, 0, 280).size(), 1u);
    e.steps(1);
    EXPECT_EQ(Energy::writesTo(e.ac, 0, 280), (std::vector<float>{ 1.0f, 0.0f }));
    EXPECT_EQ(set[42].value, 0);
    e.steps(100);
    EXPECT_EQ(Energy::writesTo(e.ac, 0, 280).size(), 2u);
    EXPECT_EQ(Energy::writesTo(e.ac, 0, 67).size(), 2u);
}

TEST(EnergyThread, PvStrategyKeepsAnAntiBackflowTheOperatorSwitchedOn)
{
    PvStrategy e(0, { { 42, 1 } });
    e.ac.config[{ 0, 277 }] = 1.0f;
    e.offGrid();
    BmsSoc = 25.0f;
    e.steps(1);
    EXPECT_EQ(g_acCrtlCmd, 1);
    EXPECT_TRUE(Energy::writesTo(e.ac, 0, 280).empty());
    e.gridTied();
    g_pvstate = 2;
    BmsSoc = 95.0f;
    e.steps(100);
    EXPECT_EQ(g_acCrtlCmd, 0);
    EXPECT_TRUE(Energy::writesTo(e.ac, 0, 280).empty());
    EXPECT_EQ(set[42].value, 1);
}

TEST(EnergyThread, PvStrategyNeedsGridChargingAllowed)
{
    PvStrategy e(0);
    e.offGrid();
    BmsSoc = 10.0f;
    e.steps(10);
    EXPECT_EQ(g_acCrtlCmd, 0);
    EXPECT_TRUE(e.ac.writes.empty());
}

TEST(EnergyThread, PvStrategyLeadAcidOffGridChargeConditions)
{
    struct Row {
        const char* name;
        float current, voltage;   // discharge current (A), string voltage (V)
        bool requested;
    } rows[] = {
        // 200 Ah, 24 cells, reference 48 V: A >= 20 A below 50.4 V; B 2..20 A below 51.6 V;
        // C below 2 A below 52.8 V.
        { "heavy_discharge", 30.0f, 50.0f, true },
        { "heavy_discharge_high_voltage", 30.0f, 50.5f, false },
        { "medium_discharge", 10.0f, 51.0f, true },
        { "light_discharge", 1.0f, 52.0f, true },
        { "light_discharge_high_voltage", 1.0f, 53.0f, false },
    };
    for (const Row& r : rows) {
        PvStrategy e(4, { { 42, 1 } });
        e.ac.config[{ 0, 277 }] = 1.0f;
        e.offGrid();
        e.dc.status[{ 1001, 49 }] = 1;
        e.dc.analog[{ 1001, 4 }] = -r.current;
        e.dc.analog[{ 1001, 0 }] = r.voltage;
        e.dc.config[{ 1001, 41 }] = 200.0f;
        e.dc.config[{ 1001, 42 }] = 24.0f;
        e.dc.config[{ 1001, 46 }] = 48.0f;
        e.steps(4);
        EXPECT_EQ(g_acCrtlCmd, 0) << r.name;
        e.steps(1);
        EXPECT_EQ(g_acCrtlCmd, r.requested ? 1 : 0) << r.name;
        g_acCrtlCmd = 0;
    }
}

TEST(EnergyThread, PvStrategyDischargesAtTheCeilingWithoutAntiBackflow)
{
    PvStrategy e(0, { { 42, 0 } });
    e.ac.analog[{ 0, 74 }] = 600.0f;
    EXPECT_EQ(timed(e.t), 3500);
    EXPECT_EQ(Energy::writesTo(e.dc, 20, 87), std::vector<float>{ -500.0f });
    e.ac.analog[{ 0, 47 }] = -500.0f;
    EXPECT_EQ(timed(e.t), 0);
    EXPECT_EQ(Energy::writesTo(e.dc, 20, 87).size(), 1u);
}

struct HoldCase {
    const char* name;
    float grid, load, wiring, setpoint, a11;
    bool written;
    float sent;
};

void PrintTo(const HoldCase& c, std::ostream* os) { *os << c.name; }

class PvStrategyHold : public ::testing::TestWithParam<HoldCase> {};

TEST_P(PvStrategyHold, HoldsTheGridBand)
{
    const HoldCase& c = GetParam();
    PvStrategy e(0, { { 42, 1 }, { 43, 5 } });   // band 3, 5, 7
    g_bmsStringOnline[0] = 1;
    BmsSoc = 95.0f;
    e.ac.analog[{ 0, 74 }] = 100.0f;
    e.ac.config[{ 0, 109 }] = c.wiring;
    e.ac.analog[{ 0, 47 }] = c.setpoint;
    e.ac.analog[{ 11, 0 }] = c.a11;
    e.dc.status[{ 1001, 50 }] = 1;   // keeps state 1 from idling the strings
    // dealwithPlotData is not run: the values stand as set.
    plot_data[2] = c.grid;
    plot_data[3] = c.load;
    e.t.dealwithPvStrategy();
    const std::vector<float> sent = Energy::writesTo(e.dc, 20, 87);
    ASSERT_EQ(sent.size(), c.written ? 1u : 0u);
    if (c.written) {
        EXPECT_FLOAT_EQ(sent[0], c.sent);
    }
    EXPECT_EQ(plot_data[3], c.load);
}

INSTANTIATE_TEST_SUITE_P(EnergyThread, PvStrategyHold,
    ::testing::Values(HoldCase{ "below", 1.0f, -20.0f, 0.0f, 0.0f, 0.0f, true, -15.0f },
        HoldCase{ "below_load_negated_with_wiring_8", 1.0f, 20.0f, 8.0f, 0.0f, 0.0f, true, -15.0f },
        HoldCase{ "below_never_charges", 1.0f, 20.0f, 0.0f, -3.0f, 0.0f, true, 0.0f },
        HoldCase{ "inside", 6.0f, -20.0f, 0.0f, -3.0f, 0.0f, false, 0.0f },
        HoldCase{ "above_steps_down", 9.0f, 0.0f, 0.0f, -10.0f, 8.0f, true, -11.5f },
        HoldCase{ "above_waits_for_a_discharge_under_way", 9.0f, 0.0f, 0.0f, -20.0f, 8.0f, false, 0.0f }),
    [](const ::testing::TestParamInfo<HoldCase>& i) { return std::string(i.param.name); });
