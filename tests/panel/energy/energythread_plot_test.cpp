#include "energyfixture.h"

#include <gtest/gtest.h>

namespace {

struct MeterCase {
    const char* name;
    float code, flags;
    float voltage, current, power;                  // raw slots 40..42, 43..45, 49
    float volts, ampsA, ampsB, kilowatts;           // slots 100, 103, 104, 106
};

void PrintTo(const MeterCase& c, std::ostream* os) { *os << c.name; }

const MeterCase kMeters[] = {
    // 0x0502: ev = 1, ei = -2; 0x0400: ep = 0, all positive.
    { "volts_times_ten_amps_hundredths", float(0x0502), float(0x0400), 40.0f, 150.0f, 10000.0f, 400.0f, 1.5f, 1.5f,
        10.0f },
    // 0x0806: both codes out of range give -4.
    { "codes_out_of_range", float(0x0806), float(0x0400), 40000.0f, 20000.0f, 10000.0f, 4.0f, 2.0f, 2.0f, 10.0f },
    // 0x0609: ep = 2, current A and total power negative.
    { "signs_and_power_code", float(0x0302), float(0x0609), 3985.0f, 1510.0f, 123.0f, 398.5f, -15.1f, 15.1f,
        -12.3f },
    // A power code out of range (3) gives -4 as well.
    { "power_code_out_of_range", float(0x0302), float(0x0300), 0.0f, 0.0f, 5000000.0f, 0.0f, 0.0f, 0.0f, 0.5f },
    // A meter that does not answer reports zeros.
    { "silent_meter", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f },
    // A negative or absurd code reads as 0.
    { "negative_codes", -1.0f, -1.0f, 1.0f, 1.0f, 1000.0f, 0.0001f, 0.0001f, 0.0001f, 0.0001f },
};

class MeterScaling : public ::testing::TestWithParam<MeterCase> {};

} // namespace

TEST_P(MeterScaling, ScalesByTheCodes)
{
    const MeterCase& c = GetParam();
    Energy e;
    for (int k = 0; k < 3; ++k) {
        e.sts.setAnalog(10, 40 + k, c.voltage);
        e.sts.setAnalog(10, 43 + k, c.current);
    }
    e.sts.setAnalog(10, 35, c.code);
    e.sts.setAnalog(10, 36, c.flags);
    e.sts.setAnalog(10, 49, c.power);
    e.t.dealwithDb();
    const float* m = e.t.meterValues[0];
    EXPECT_EQ(m[35], c.code);
    EXPECT_EQ(m[49], c.power);
    for (int k = 0; k < 3; ++k)
        EXPECT_FLOAT_EQ(m[100 + k], c.volts) << k;
    EXPECT_FLOAT_EQ(m[103], c.ampsA);
    EXPECT_FLOAT_EQ(m[104], c.ampsB);
    EXPECT_FLOAT_EQ(m[106], c.kilowatts);
}

INSTANTIATE_TEST_SUITE_P(EnergyThread, MeterScaling, ::testing::ValuesIn(kMeters),
    [](const ::testing::TestParamInfo<MeterCase>& i) { return std::string(i.param.name); });

TEST(EnergyThread, ReadsBothMetersFromTheSwitchDevice)
{
    Energy e;
    e.sts.setAnalog(11, 78, 7.5f);
    e.t.dealwithDb();
    // The stand-in's meters: 398.5 V, 15.1 A and 10.419 kW at the grid, 12.1 A and 8.326 kW at the load.
    EXPECT_FLOAT_EQ(e.t.meterValues[0][100], 398.5f);
    EXPECT_FLOAT_EQ(e.t.meterValues[0][105], 15.1f);
    EXPECT_FLOAT_EQ(e.t.meterValues[0][106], 10.419f);
    EXPECT_FLOAT_EQ(e.t.meterValues[1][103], 12.1f);
    EXPECT_FLOAT_EQ(e.t.meterValues[1][106], 8.326f);
    EXPECT_EQ(e.t.meterValues[1][78], 7.5f);
    EXPECT_EQ(e.t.meterValues[1][79], 0.0f);
}

struct SourceCase {
    const char* name;
    int noSwitch;   // set[21]
    float wiring;   // AC/DC configuration 109
    float grid, load;
};

void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.name; }

class GridAndLoad : public ::testing::TestWithParam<SourceCase> {};

TEST_P(GridAndLoad, ComeFromTheSourceTheCabinetHas)
{
    const SourceCase& c = GetParam();
    Energy e({ { 21, c.noSwitch } });
    e.sts.setAnalog(0, 21, 11.0f);
    e.sts.setAnalog(0, 48, 12.0f);
    e.ac.config[{ 0, 109 }] = c.wiring;
    e.ac.analog[{ 11, 78 }] = 30.0f;
    e.ac.analog[{ 0, 53 }] = -4.0f;
    e.t.dealwithDb();
    e.t.dealwithPlotData();
    EXPECT_EQ(plot_data[0], -4.0f);
    EXPECT_FLOAT_EQ(plot_data[2], c.grid);
    EXPECT_FLOAT_EQ(plot_data[3], c.load);
}

INSTANTIATE_TEST_SUITE_P(EnergyThread, GridAndLoad,
    ::testing::Values(SourceCase{ "switch_fitted", 0, 3.0f, 11.0f, 12.0f },
        SourceCase{ "measured_by_the_converter", 1, 3.0f, 30.0f, 34.0f },
        SourceCase{ "measured_by_the_converter_with_breaker", 1, 8.0f, 30.0f, 34.0f },
        SourceCase{ "meters", 1, 0.0f, 10.419f, 8.326f }),
    [](const ::testing::TestParamInfo<SourceCase>& i) { return std::string(i.param.name); });

TEST(EnergyThread, BranchValuesVoltageDifferenceAndFullFlag)
{
    Energy e;
    BmsSoc = 64.5f;
    e.t.pvValues[EnergyThread::PV_POWER] = 3.5f;
    for (int i = 0; i < 8; ++i) {
        e.ac.analog[{ 1001 + i, 4 }] = 700.0f + i;
        e.ac.config[{ 1001 + i, 101 }] = 690.0f;
        e.ac.config[{ 1001 + i, 70 }] = 3.0f;
    }
    e.t.dealwithPlotData();
    EXPECT_EQ(plot_data[1], 3.5f);
    EXPECT_EQ(plot_data[4], 64.5f);
    EXPECT_EQ(plot_data[12], 702.0f);
    EXPECT_EQ(plot_data[27], 690.0f);
    EXPECT_EQ(plot_data[33], 3.0f);
    EXPECT_EQ(plot_data[40], 0.0f);
    EXPECT_EQ(plot_data[41], 0.0f);

    // Branches 3 and 5 below their references: the first one counts.
    e.ac.analog[{ 1003, 4 }] = 680.0f;
    e.ac.analog[{ 1005, 4 }] = 650.0f;
    e.ac.config[{ 1007, 70 }] = 19.7f;   // 0x13: full
    e.t.dealwithPlotData();
    EXPECT_EQ(plot_data[40], -10.0f);
    EXPECT_EQ(plot_data[41], 1.0f);
}

TEST(EnergyThread, StoppedSystemStillRefreshesPlotData)
{
    Energy e({ { 21, 0 } });
    e.sts.setAnalog(0, 21, 21.0f);
    EXPECT_EQ(e.pass(), 1000);
    EXPECT_EQ(plot_data[2], 21.0f);
    EXPECT_FLOAT_EQ(e.t.meterValues[0][106], 10.419f);
}
