#include "temperaturecurve.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {
struct Row { int temperature; int raw; };
}

TEST(TemperatureCurve, HeatsinkAtEveryMeasuredRowAndBeyondTheEnds)
{
    const Row rows[] = { { 40, 3350 }, { 41, 3323 }, { 42, 3294 }, { 50, 3004 }, { 60, 2773 }, { 80, 2070 },
        { 100, 1488 }, { 117, 1115 }, { 120, 1040 } };
    for (const Row& r : rows) {
        EXPECT_EQ(TemperatureCurve::heatsinkRaw[r.temperature - 40], r.raw) << r.temperature;
        EXPECT_EQ(TemperatureCurve::getTemperature(float(r.raw)), r.temperature) << r.raw;
    }
    struct Case { float raw; int expected; };
    const Case cases[] = {
        { 3400, 40 }, { 3351, 40 }, { 1000, 120 }, { 1040, 120 }, { -5, 120 },
        { 3337, 40 }, { 3336, 41 },    // 13 from 3350 is not more than half of 27
        { 1041, 120 }, { NAN, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(TemperatureCurve::getTemperature(c.raw), c.expected) << c.raw;
}

TEST(TemperatureCurve, AmbientAtEveryMeasuredRowAndBeyondTheEnds)
{
    const Row rows[] = { { -20, 296 }, { -19, 316 }, { -18, 337 }, { 0, 872 }, { 20, 1732 }, { 25, 1959 },
        { 50, 2922 }, { 80, 3533 }, { 99, 3710 } };
    for (const Row& r : rows) {
        EXPECT_EQ(TemperatureCurve::environmentRaw[r.temperature + 20], r.raw) << r.temperature;
        EXPECT_EQ(TemperatureCurve::getEnvTemperatureU1(float(r.raw)), r.temperature) << r.raw;
    }
    struct Case { float raw; int expected; };
    const Case cases[] = {
        { 0, -20 }, { 296, -20 }, { 305, -20 }, { 306, -19 }, { 3710, 99 }, { 5000, 99 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(TemperatureCurve::getEnvTemperatureU1(c.raw), c.expected) << c.raw;
}

TEST(TemperatureCurve, SpecialUnitsAtEveryMeasuredRowAndBeyondTheEnds)
{
    const Row rows[] = { { -20, 3753 }, { -19, 3738 }, { 0, 3176 }, { 25, 2130 }, { 50, 1064 }, { 80, 455 } };
    for (const Row& r : rows) {
        EXPECT_EQ(TemperatureCurve::unit11Raw[r.temperature + 20], r.raw) << r.temperature;
        EXPECT_EQ(TemperatureCurve::getTemperatureModule11(float(r.raw)), r.temperature) << r.raw;
    }
    struct Case { float raw; int expected; };
    const Case cases[] = {
        { 4000, -20 }, { 3746, -20 }, { 3745, -19 }, { 455, 80 }, { 100, 80 }, { NAN, 80 }, { 1e20f, -20 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(TemperatureCurve::getTemperatureModule11(c.raw), c.expected) << c.raw;
}

TEST(TemperatureCurve, TablesAreStrictlyMonotonicAndTheirRowsConvertBack)
{
    for (int k = 1; k < TemperatureCurve::HEATSINK_SIZE; ++k) {
        EXPECT_LT(TemperatureCurve::heatsinkRaw[k], TemperatureCurve::heatsinkRaw[k - 1]) << k;
        // The last interval belongs to the top end as a whole.
        int expected = k == TemperatureCurve::HEATSINK_SIZE - 2 ? 120 : 40 + k;
        EXPECT_EQ(TemperatureCurve::getTemperature(float(TemperatureCurve::heatsinkRaw[k])), expected) << k;
    }
    for (int k = 1; k < TemperatureCurve::ENVIRONMENT_SIZE; ++k) {
        EXPECT_GT(TemperatureCurve::environmentRaw[k], TemperatureCurve::environmentRaw[k - 1]) << k;
        EXPECT_EQ(TemperatureCurve::getEnvTemperatureU1(float(TemperatureCurve::environmentRaw[k])), k - 20) << k;
    }
    for (int k = 1; k < TemperatureCurve::UNIT11_SIZE; ++k) {
        EXPECT_LT(TemperatureCurve::unit11Raw[k], TemperatureCurve::unit11Raw[k - 1]) << k;
        EXPECT_EQ(TemperatureCurve::getTemperatureModule11(float(TemperatureCurve::unit11Raw[k])), k - 20) << k;
    }
}
