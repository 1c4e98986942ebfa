#include "energyfixture.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// The loop with the AC/DC system stopped (a pass a second) and the given monitors enabled.
struct Insulation : Energy {
    Insulation(int strings, std::initializer_list<int> enabled, int dcThroughAcDc = 0)
        : Energy({ { 23, strings }, { 24, dcThroughAcDc } })
    {
        for (int m : enabled)
            t.insulationEnable[m] = 1;
        t.publishInsulationEnable();
        for (int i = 0; i < 8; ++i) {
            dc.status[{ 1001 + i, 100 }] = 1;
            ac.status[{ 1001 + i, 0 }] = 1;
        }
    }
    // The monitor whose window is open according to the slave registers, -1 none.
    int measuring()
    {
        int found = -1;
        for (int i = 0; i < 8; ++i) {
            if (reg(tcp, 401 + i) == 2.0f) {
                EXPECT_EQ(found, -1) << "two windows open";
                found = i;
            }
        }
        return found;
    }
    // Passes until the time has moved on by ms; the monitor measuring after each pass as a string
    // of its numbers ('-' none), one character a pass.
    std::string run(int64_t ms)
    {
        std::string trace;
        const int64_t until = TimeSeam::monotonicMs() + ms;
        while (TimeSeam::monotonicMs() < until) {
            t.onePass();
            const int m = measuring();
            trace += m < 0 ? '-' : char('0' + m);
        }
        return trace;
    }
};

// Turns "000-222-000-000" into "0200": the order of the windows.
std::string windows(const std::string& trace)
{
    std::string out;
    char previous = '-';
    for (char c : trace) {
        if (c != '-' && c != previous)
            out += c;
        previous = c;
    }
    return out;
}

} // namespace

TEST(EnergyThread, InsulationWindowsTakeTurnsOverTheEnabledMonitors)
{
    Insulation e(3, { 0, 2 });
    EXPECT_EQ(Energy::reg(e.rtu, 401), 1.0f);
    EXPECT_EQ(Energy::reg(e.rtu, 402), 0.0f);
    const std::string trace = e.run(56000);
    EXPECT_EQ(windows(trace), "0202");
    // Each window stays open 13 s and is closed by the first pass after that; the next one opens
    // at the next pass, so the outcome shows for a pass.
    EXPECT_EQ(trace.substr(0, 16), std::string(13, '0') + "-22");
    for (int i = 0; i < 3 && e.measuring() != 0; ++i)
        e.pass();
    ASSERT_EQ(e.measuring(), 0);
    // Between its turns a monitor keeps the outcome of its last one.
    EXPECT_EQ(e.t.insulationState[2], 3);
    EXPECT_EQ(Energy::reg(e.rtu, 403), 3.0f);
    EXPECT_EQ(Energy::reg(e.rtu, 402), 0.0f);
    float mode = 0;
    e.sts.getConfig(20, 23, &mode);
    EXPECT_EQ(mode, 2.0f);
    e.sts.getConfig(22, 23, &mode);
    EXPECT_EQ(mode, 1.0f);
}

TEST(EnergyThread, InsulationTurnStartsAtTheFirstEnabledMonitor)
{
    Insulation e(4, { 2 });
    e.pass();
    EXPECT_EQ(e.measuring(), 2);
    EXPECT_EQ(e.t.insulationState[2], 2);
    EXPECT_EQ(windows(e.run(40000)), "222");
    EXPECT_EQ(Energy::reg(e.rtu, 401), 0.0f);
}

TEST(EnergyThread, InsulationMeasurementEndsNormalOrInAlarm)
{
    Insulation e(1, { 0 });
    e.sts.setAnalog(20, 4, 4200.0f);
    e.sts.setAnalog(20, 5, 3900.0f);
    e.run(14000);
    EXPECT_EQ(e.t.insulationState[0], 3);
    EXPECT_EQ(Energy::reg(e.tcp, 401), 3.0f);
    EXPECT_EQ(e.t.insulationValues[0][49], 4200.0f);
    EXPECT_EQ(e.t.insulationValues[0][50], 3900.0f);
    EXPECT_EQ(e.t.insulationValues[0][4], 4200.0f);
    EXPECT_EQ(e.t.insulationValues[0][48], 1.0f);

    // The monitor goes silent during its next window: alarm, no resistances.
    e.pass();
    EXPECT_EQ(e.measuring(), 0);
    e.sts.setOnline(20, false);
    e.run(13000);
    EXPECT_EQ(e.t.insulationState[0], 4);
    EXPECT_EQ(Energy::reg(e.rtu, 401), 4.0f);
    EXPECT_EQ(e.t.insulationAlarm[0], 1);
    EXPECT_EQ(e.t.insulationValues[0][49], 0.0f);
    EXPECT_EQ(e.t.insulationValues[0][50], 0.0f);
    EXPECT_EQ(e.t.insulationValues[0][4], 0.0f);   // an offline monitor reads 0
    EXPECT_EQ(e.t.insulationValues[0][48], 0.0f);
}

TEST(EnergyThread, InsulationFaultIsWrittenOnceUntilCleared)
{
    Insulation e(2, { 1 });
    auto faults = [&] { return Energy::writesTo(e.dc, 1002, 9); };
    e.run(3000);
    EXPECT_TRUE(faults().empty());   // clear from the start: nothing to write
    e.sts.setAnalog(21, 7, 1.0f);
    e.run(5000);
    EXPECT_EQ(faults(), std::vector<float>{ 1.0f });
    e.sts.setAnalog(21, 7, 0.0f);
    e.run(5000);
    EXPECT_EQ(faults(), (std::vector<float>{ 1.0f, 0.0f }));
    e.sts.setAnalog(21, 6, 1.0f);
    e.run(5000);
    EXPECT_EQ(faults(), (std::vector<float>{ 1.0f, 0.0f, 1.0f }));
    EXPECT_TRUE(Energy::writesTo(e.dc, 1001, 9).empty());
    EXPECT_TRUE(e.ac.writes.empty());
}

TEST(EnergyThread, InsulationFaultOfAStringDrivenThroughTheAcDcLink)
{
    Insulation e(2, { 0 }, 1);
    e.sts.setAnalog(20, 6, 1.0f);
    e.run(5000);
    EXPECT_EQ(Energy::writesTo(e.ac, 1001, 66), std::vector<float>{ 1.0f });
    EXPECT_TRUE(Energy::writesTo(e.dc, 1001, 9).empty());
    e.sts.setAnalog(20, 6, 0.0f);
    e.run(5000);
    EXPECT_EQ(Energy::writesTo(e.ac, 1001, 66), (std::vector<float>{ 1.0f, 0.0f }));
}

TEST(EnergyThread, InsulationFaultWaitsForTheStringAndRetries)
{
    Insulation e(1, { 0 });
    e.dc.status[{ 1001, 100 }] = 0;   // the string does not answer
    e.sts.setAnalog(20, 6, 1.0f);
    e.run(5000);
    EXPECT_TRUE(Energy::writesTo(e.dc, 1001, 9).empty());
    e.dc.status[{ 1001, 100 }] = 1;
    e.dc.finalResult = 1;             // and then refuses each try
    e.pass();
    EXPECT_EQ(Energy::writesTo(e.dc, 1001, 9).size(), 3u);
    e.run(5000);
    EXPECT_EQ(Energy::writesTo(e.dc, 1001, 9).size(), 3u);
}

TEST(EnergyThread, InsulationOfflineMonitorCountsFromTheFourthPass)
{
    Insulation e(1, { 0 });
    e.sts.setOnline(20, false);
    for (int p = 1; p <= 3; ++p) {
        e.pass();
        EXPECT_TRUE(Energy::writesTo(e.dc, 1001, 9).empty()) << p;
        EXPECT_EQ(e.t.insulationOnline[0], 1) << p;
    }
    e.pass();
    EXPECT_EQ(e.t.insulationOnline[0], 0);
    EXPECT_EQ(Energy::writesTo(e.dc, 1001, 9), std::vector<float>{ 1.0f });
    EXPECT_EQ(e.t.insulationValues[0][0], 0.0f);
}

TEST(EnergyThread, InsulationAlarmHoldsTheFaultUntilANormalMeasurement)
{
    Insulation e(1, { 0 });
    e.sts.setAnalog(20, 6, 1.0f);
    e.run(14000);   // the measurement ends in alarm
    EXPECT_EQ(e.t.insulationAlarm[0], 1);
    e.sts.setAnalog(20, 6, 0.0f);
    e.run(5000);    // bus clear, but the last measurement was in alarm
    EXPECT_EQ(Energy::writesTo(e.dc, 1001, 9), std::vector<float>{ 1.0f });
    e.run(14000);   // the next one ends normal
    EXPECT_EQ(e.t.insulationAlarm[0], 0);
    EXPECT_EQ(Energy::writesTo(e.dc, 1001, 9), (std::vector<float>{ 1.0f, 0.0f }));
}

TEST(EnergyThread, InsulationIdleWithoutMonitorsOrSwitchDevice)
{
    {
        Insulation e(3, {});
        e.run(30000);
        EXPECT_EQ(e.measuring(), -1);
        EXPECT_EQ(e.t.insulationValues[0][4], 0.0f);   // a disabled monitor is not read
    }
    {
        Insulation e(3, { 0 });
        e.t.setDeviceData(&e.ac, &e.dc, nullptr, &e.rtu, &e.tcp);
        e.run(30000);
        EXPECT_EQ(e.t.insulationState[0], 1);
    }
}
