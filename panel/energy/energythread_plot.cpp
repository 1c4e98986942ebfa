#include "energythread.h"
#include "devicedata.h"
#include "globalvar.h"
#include "monitorset.h"
#include "saturate.h"

#include <math.h>

// Meters and the live values of plot_data.

namespace {

enum { METER_MODULE = 10, VOLTAGE_CODE = 35, SIGN_AND_POWER_CODE = 36, LINE_VOLTAGE = 40, CURRENT = 43,
    TOTAL_POWER = 49, SCALED = 100 };

// An exponent code inside its range gives code - 4; any other code -4.
int exponent(uint32_t code, uint32_t lowest, uint32_t highest)
{
    return code >= lowest && code <= highest ? int(code) - 4 : -4;
}

} // namespace

void EnergyThread::scaleMeter(float* m)
{
    const uint32_t code = Saturate::toUint32(m[VOLTAGE_CODE]);
    const uint32_t flags = Saturate::toUint32(m[SIGN_AND_POWER_CODE]);
    const int ev = exponent(code >> 8, 3, 7);
    const int ei = exponent(code & 0xFF, 1, 5);
    const int ep = exponent(flags >> 8, 4, 10);
    double sign[4];
    for (int k = 0; k < 4; ++k)
        sign[k] = (flags >> k) & 1 ? -1.0 : 1.0;
    for (int k = 0; k < 3; ++k) {
        m[SCALED + k] = float(double(m[LINE_VOLTAGE + k]) * pow(10.0, ev));
        m[SCALED + 3 + k] = float(double(m[CURRENT + k]) * pow(10.0, ei) * sign[k]);
    }
    m[SCALED + 6] = float(double(m[TOTAL_POWER]) * pow(10.0, ep) * sign[3] / 1000.0);
}

void EnergyThread::dealwithDb()
{
    if (!m_sts)
        return;
    for (int i = 0; i < METERS; ++i) {
        for (int j = 0; j < METER_POINTS; ++j)
            meterValues[i][j] = stsAnalog(METER_MODULE + i, j);
        scaleMeter(meterValues[i]);
    }
}

void EnergyThread::dealwithPlotData()
{
    const float pcs = acAnalog(0, 53);
    plot_data[0] = pcs;
    plot_data[1] = pvPower();
    if (set[21].value == 0) {
        // The switch measures at the grid connection.
        plot_data[2] = stsAnalog(0, 21);
        plot_data[3] = stsAnalog(0, 48);
    } else {
        const int wiring = Saturate::toInt32(acConfig(0, 109));
        if (wiring == 3 || wiring == 8) {
            const float grid = acAnalog(11, 78);
            plot_data[2] = grid;
            plot_data[3] = grid - pcs;
        } else {
            plot_data[2] = meterValues[0][SCALED + 6];
            plot_data[3] = meterValues[1][SCALED + 6];
        }
    }
    plot_data[4] = BmsSoc;

    float difference = 0.0f;
    bool found = false;
    float full = 0.0f;
    for (int i = 0; i < BRANCHES; ++i) {
        plot_data[10 + i] = acAnalog(1001 + i, 4);
        plot_data[20 + i] = acConfig(1001 + i, 101);
        plot_data[30 + i] = acConfig(1001 + i, 70);
        const float d = plot_data[10 + i] - plot_data[20 + i];
        if (!found && d < 0) {
            difference = d;
            found = true;
        }
        if (Saturate::toInt32(plot_data[30 + i]) & 0x10)
            full = 1.0f;
    }
    plot_data[40] = difference;
    plot_data[41] = full;
}
