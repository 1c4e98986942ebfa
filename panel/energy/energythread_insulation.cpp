#include "energythread.h"
#include "devicedata.h"
#include "monitorset.h"
#include "timeseam.h"

// Insulation monitoring of the battery strings: monitor i is channel 20 + i of the switch
// device; a fault goes to converter string 1001 + i, the measurement state to the slaves'
// registers 401 + i.

namespace {
enum { CHANNEL = 20, VALUE_SLOTS = 31, SLOT_POSITIVE = 4, SLOT_NEGATIVE = 5, SLOT_POSITIVE_BUS = 6,
    SLOT_NEGATIVE_BUS = 7, SLOT_ONLINE = 48, SLOT_MEASURED_POSITIVE = 49, SLOT_MEASURED_NEGATIVE = 50,
    MODE = 23, MODE_NORMAL = 1, MODE_MEASURE = 2, WINDOW_MS = 13000, ONLINE_FROM_PASS = 4 };
enum { STATE_MEASURING = 2, STATE_NORMAL = 3, STATE_ALARM = 4 };
}

int EnergyThread::nextEnabledMonitor(int from) const
{
    const int n = branchCount();
    if (n == 0)
        return 0;
    int m = from >= 0 && from < n ? from : 0;
    for (int k = 0; k < n; ++k) {
        if (insulationEnable[m] == 1)
            return m;
        m = m + 1 >= n ? 0 : m + 1;
    }
    return m;
}

void EnergyThread::publishInsulationState(int monitor, int state)
{
    insulationState[monitor] = state;
    if (m_rtu)
        m_rtu->setting(0, 401 + monitor, float(state), 0);
    if (m_tcp)
        m_tcp->setting(0, 401 + monitor, float(state), 0);
}

void EnergyThread::writeInsulationFault(int i, int value)
{
    const int string = 1001 + i;
    if (set[24].value == 1) {
        if (acStatus(string, 0) == 1 && value != idataOld[i]) {
            m_acdc->setting(string, 66, float(value), 0);
            idataOld[i] = value;
        }
        return;
    }
    if (dcStatus(string, 100) != 1 || idataOld[i] == value)
        return;
    if (value == 1) {
        for (int tries = 0; tries < 3; ++tries) {
            if (setDc(string, 9, 1.0f) == 0)
                break;
        }
    } else {
        m_dcdc->setting(string, 9, 0.0f, 0);
    }
    idataOld[i] = value;
}

void EnergyThread::continuousInsulation()
{
    if (!m_sts)
        return;
    if (delay_cnt < 5)
        ++delay_cnt;
    const int n = branchCount();
    // The turn starts at the first enabled monitor, so a disabled first one does not stop them all.
    if (!insulationMeasuring)
        insulationCurrent = nextEnabledMonitor(insulationCurrent);

    for (int i = 0; i < n; ++i) {
        if (insulationEnable[i] != 1)
            continue;
        float* v = insulationValues[i];
        for (int j = 0; j < VALUE_SLOTS; ++j)
            v[j] = stsAnalog(CHANNEL + i, j);
        if (delay_cnt >= ONLINE_FROM_PASS) {
            insulationOnline[i] = m_sts->getStatus(CHANNEL + i, 0) == 1 ? 1 : 0;
            v[SLOT_ONLINE] = float(insulationOnline[i]);
        }
        const bool online = insulationOnline[i] != 0;
        if (v[SLOT_POSITIVE_BUS] == 1.0f || v[SLOT_NEGATIVE_BUS] == 1.0f || !online) {
            writeInsulationFault(i, 1);
            if (!online) {
                for (int j = 0; j < VALUE_SLOTS; ++j)
                    v[j] = 0.0f;
            }
        } else if (v[SLOT_POSITIVE_BUS] == 0.0f && v[SLOT_NEGATIVE_BUS] == 0.0f && insulationAlarm[i] == 0) {
            writeInsulationFault(i, 0);
        }

        if (!insulationMeasuring && i == insulationCurrent) {
            setSts(CHANNEL + i, MODE, float(MODE_MEASURE));
            insulationMeasuring = 1;
            publishInsulationState(i, STATE_MEASURING);
            insulationDeadlineMs = TimeSeam::monotonicMs() + WINDOW_MS;
        }
    }
    // Closed after the monitors are read, so that its outcome stands until the next pass opens
    // the next window.
    if (insulationMeasuring && TimeSeam::monotonicMs() >= insulationDeadlineMs)
        timer_6s();
}

void EnergyThread::timer_6s()
{
    insulationDeadlineMs = -1;
    const int c = insulationCurrent;
    if (c < 0 || c >= BRANCHES || !m_sts) {
        insulationMeasuring = 0;
        return;
    }
    float* v = insulationValues[c];
    const float positiveBus = stsAnalog(CHANNEL + c, SLOT_POSITIVE_BUS);
    const float negativeBus = stsAnalog(CHANNEL + c, SLOT_NEGATIVE_BUS);
    insulationOnline[c] = m_sts->getStatus(CHANNEL + c, 0) == 1 ? 1 : 0;
    v[SLOT_MEASURED_POSITIVE] = stsAnalog(CHANNEL + c, SLOT_POSITIVE);
    v[SLOT_MEASURED_NEGATIVE] = stsAnalog(CHANNEL + c, SLOT_NEGATIVE);
    if (positiveBus != 1.0f && negativeBus != 1.0f && insulationOnline[c]) {
        publishInsulationState(c, STATE_NORMAL);
        insulationAlarm[c] = 0;
    } else {
        publishInsulationState(c, STATE_ALARM);
        insulationAlarm[c] = 1;
        if (!insulationOnline[c]) {
            v[SLOT_MEASURED_POSITIVE] = 0.0f;
            v[SLOT_MEASURED_NEGATIVE] = 0.0f;
        }
    }
    setSts(CHANNEL + c, MODE, float(MODE_NORMAL));
    const int n = branchCount();
    insulationCurrent = nextEnabledMonitor(c + 1 >= n ? 0 : c + 1);
    insulationMeasuring = 0;
}
