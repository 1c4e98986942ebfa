#include "energythread.h"
#include "devicedata.h"
#include "devicedataof.h"
#include "globalvar.h"
#include "localdatatable.h"
#include "monitorset.h"
#include "timeseam.h"
#include "writepoll.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

namespace {

enum {
    // Dispatch target of the cabinet's power set-points on the DC/DC device.
    DISPATCH_MODULE = 20, DISPATCH_ACTIVE_POWER = 87,
    // AC/DC system points.
    AC_RUNNING = 26, AC_STARTED = 53, AC_GRID_TIED = 55, AC_OFF_GRID = 56, AC_SETPOINT = 47, AC_CEILING = 74,
    // A pass that has slept nothing pauses this long, so that the loop never spins.
    IDLE_PAUSE_MS = 200,
    // Slices of a pause in the control thread, so that a stop request is seen in time.
    PAUSE_SLICE_MS = 20
};

// Half-hour period 0..47 of a local time.
int periodOf(const struct tm& t)
{
    return LocalDataTable::period(t.tm_hour, t.tm_min);
}

} // namespace

EnergyThread::EnergyThread(QObject* parent)
    : QThread(parent)
    , nowSeconds(0)
    , pvConnected(false)
    , powerCeiling(0)
    , scheduledPower(0)
    , insulationMeasuring(0)
    , insulationCurrent(0)
    , m_acdc(nullptr)
    , m_dcdc(nullptr)
    , m_sts(nullptr)
    , m_rtu(nullptr)
    , m_tcp(nullptr)
    , powerPeriod(-1)
    , dcPowerPeriod(-1)
    , passSleptMs(0)
    , pv_delay(0)
    , pv_use_delay(0)
    , nstat(0)
    , pvOnAttemptMs(-1)
    , pvOffAttemptMs(-1)
    , pvSocket(-1)
    , pvConnecting(false)
    , pvConnectStartMs(0)
    , pvPort(502)
    , pvRetryDueMs(TimeSeam::monotonicMs() + 3000)
    , pvReadDueMs(0)
    , pvErrorLogged(false)
    , state1_timer_flag(0)
    , state2_timer_flag(0)
    , constantChg_timer(0)
    , floatChg_timer(0)
    , floatCur_timer(0)
    , timer_A(0)
    , timer_B(0)
    , timer_C(0)
    , revstate2flag(0)
    , timercloseniuliuflag(0)
    , timer_close_niliu(0)
    , setcuttent(1.0f)
    , gridChargeRequested(0)
    , antiBackflowAutoEnabled(0)
    , delay_cnt(0)
    , insulationDeadlineMs(-1)
{
    memset(&nowTm, 0, sizeof nowTm);
    memset(meterValues, 0, sizeof meterValues);
    memset(pvValues, 0, sizeof pvValues);
    memset(pvBuffer, 0, sizeof pvBuffer);
    memset(insulationEnable, 0, sizeof insulationEnable);
    memset(insulationState, 0, sizeof insulationState);
    memset(insulationValues, 0, sizeof insulationValues);
    memset(insulationAlarm, 0, sizeof insulationAlarm);
    memset(idataOld, 0, sizeof idataOld);
    for (int m = 0; m < MONITORS; ++m)
        insulationOnline[m] = 1;
}

EnergyThread::~EnergyThread()
{
    requestInterruption();
    {
        QMutexLocker hold(&m_pauseLock);
        m_pauseWake.wakeAll();
    }
    // On a test's stepped clock the loop's pause only ends when time moves: move it on.
    while (!wait(10)) {
        if (TimeSeam::fakeClock())
            TimeSeam::advanceMs(PAUSE_SLICE_MS);
    }
    pvClose();
}

void EnergyThread::setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
    modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp)
{
    setDeviceData(deviceDataOf(acdc), deviceDataOf(dcdc), deviceDataOf(sts), deviceDataOf(rtu), deviceDataOf(tcp));
}

void EnergyThread::setDeviceData(DeviceData* acdc, DeviceData* dcdc, DeviceData* sts, DeviceData* rtu,
    DeviceData* tcp)
{
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_rtu = rtu;
    m_tcp = tcp;
}

int EnergyThread::branchCount()
{
    const int n = set[23].value;
    return n < 0 ? 0 : n > BRANCHES ? BRANCHES : n;
}

float EnergyThread::acAnalog(int module, int index) const
{
    float v = 0.0f;
    if (m_acdc && m_acdc->getAnalog(module, index, &v) != 0)
        v = 0.0f;
    return isfinite(v) ? v : 0.0f;
}

int EnergyThread::acStatus(int module, int index) const
{
    return m_acdc ? m_acdc->getStatus(module, index) : 0;
}

float EnergyThread::acConfig(int module, int index) const
{
    float v = 0.0f;
    if (m_acdc && m_acdc->getConfig(module, index, &v) != 0)
        v = 0.0f;
    return isfinite(v) ? v : 0.0f;
}

float EnergyThread::dcAnalog(int module, int index) const
{
    float v = 0.0f;
    if (m_dcdc && m_dcdc->getAnalog(module, index, &v) != 0)
        v = 0.0f;
    return isfinite(v) ? v : 0.0f;
}

int EnergyThread::dcStatus(int module, int index) const
{
    return m_dcdc ? m_dcdc->getStatus(module, index) : 0;
}

float EnergyThread::dcConfig(int module, int index) const
{
    float v = 0.0f;
    if (m_dcdc && m_dcdc->getConfig(module, index, &v) != 0)
        v = 0.0f;
    return isfinite(v) ? v : 0.0f;
}

float EnergyThread::stsAnalog(int module, int index) const
{
    float v = 0.0f;
    if (m_sts && m_sts->getAnalog(module, index, &v) != 0)
        v = 0.0f;
    return isfinite(v) ? v : 0.0f;
}

void EnergyThread::delay_ms(unsigned int ms)
{
    passSleptMs += ms;
    if (QThread::currentThread() != this) {
        // Called directly (a test's pass): a stepped clock moves on at once.
        TimeSeam::sleepMs(ms);
        return;
    }
    if (!TimeSeam::fakeClock()) {
        // One wait that the destructor cuts short, rather than slices that wake the thread
        // fifty times a second.
        const int64_t until = TimeSeam::monotonicMs() + ms;
        QMutexLocker hold(&m_pauseLock);
        for (int64_t left = ms; left > 0 && !isInterruptionRequested(); left = until - TimeSeam::monotonicMs())
            m_pauseWake.wait(&m_pauseLock, (unsigned long)left);
        return;
    }
    int64_t left = ms;
    while (left > 0 && !isInterruptionRequested()) {
        const int64_t slice = left < int64_t(PAUSE_SLICE_MS) ? left : int64_t(PAUSE_SLICE_MS);
        TimeSeam::waitMs(slice);
        left -= slice;
    }
}

int EnergyThread::setAc(int module, int index, float value)
{
    return writeAndPoll(m_acdc, module, index, value);
}

int EnergyThread::setDc(int module, int index, float value)
{
    return writeAndPoll(m_dcdc, module, index, value);
}

int EnergyThread::setSts(int module, int index, float value)
{
    return writeAndPoll(m_sts, module, index, value);
}

void EnergyThread::set_ac_power(float value, float min, float max, int wait)
{
    if (!isfinite(value))
        return;
    if (value < min)
        value = min;
    // The upper bound is checked last: when a caller's bounds cross, the ceiling holds.
    if (value > max)
        value = max;
    if (acAnalog(0, AC_SETPOINT) == value)
        return;
    if (m_dcdc)
        m_dcdc->setting(DISPATCH_MODULE, DISPATCH_ACTIVE_POWER, value, 0);
    delay_ms(wait);
}

void EnergyThread::inGrid()
{
    if (acStatus(0, AC_OFF_GRID) != 1)
        return;
    if (set[21].value == 0 && m_sts)
        m_sts->setting(0, 1, 0.0f, 0);
    if (m_acdc)
        m_acdc->setting(0, 69, 0.0f, 0);
    if (m_dcdc)
        m_dcdc->setting(0, 7, 0.0f, 0);
    delay_ms(250);
}

void EnergyThread::offGrid()
{
    if (acStatus(0, AC_GRID_TIED) != 1)
        return;
    if (set[21].value == 0 && m_sts)
        m_sts->setting(0, 1, 1.0f, 0);
    if (m_acdc)
        m_acdc->setting(0, 69, 1.0f, 0);
    if (m_dcdc)
        m_dcdc->setting(0, 7, 1.0f, 0);
    delay_ms(250);
}

int EnergyThread::dealwithPower_time()
{
    if (acStatus(0, AC_RUNNING) != 1)
        return 0;
    // A new half hour is due at whatever minute the pass first sees it, so that a clock set
    // forward or a long pass does not skip a period.
    const int period = periodOf(nowTm);
    const bool due = powerPeriod < 0 || period != powerPeriod || allData.schedule == 100 || g_recover_flag == 1;
    if (!due)
        return 0;
    allData.schedule = 0;
    g_recover_flag = 0;
    printf("定时充电   开始\n");
    const float value = localData[period];
    scheduledPower = value;
    // A discharge is withheld while the grid connection must not export.
    if (!(value < 0 && set[42].value == 1) && m_dcdc)
        m_dcdc->setting(DISPATCH_MODULE, DISPATCH_ACTIVE_POWER, value, 0);
    delay_ms(250);
    powerPeriod = period;
    return 1;
}

int EnergyThread::dealwithPower()
{
    if (set[41].value != 0)
        return 0;
    return dealwithPower_time();
}

int EnergyThread::dealwithDcPowerCurrent_time()
{
    if (acStatus(0, AC_RUNNING) != 1)
        return 0;
    const int period = periodOf(nowTm);
    const bool due = dcPowerPeriod < 0 || period != dcPowerPeriod || allData.schedule == 100 || g_recover_flag == 1;
    if (!due)
        return 0;
    allData.schedule = 0;
    g_recover_flag = 0;
    const int branches = branchCount();
    for (int k = 1; k <= branches; ++k) {
        const float value = localData[48 * k + period];
        for (int tries = 0; tries < 3; ++tries) {
            if (setDc(1000 + k, 1001, value) == 0)
                break;
        }
        for (int tries = 0; tries < 3; ++tries) {
            if (setDc(1000 + k, 1000, value) == 0)
                break;
        }
    }
    delay_ms(250);
    dcPowerPeriod = period;
    return 1;
}

void EnergyThread::publishInsulationEnable()
{
    for (int k = 0; k < BRANCHES; ++k) {
        const bool on = insulationEnable[k] == 1;
        const float v = on ? 1.0f : 0.0f;
        if (m_rtu)
            m_rtu->setting(0, 401 + k, v, 0);
        if (m_tcp)
            m_tcp->setting(0, 401 + k, v, 0);
        insulationState[k] = on ? 1 : 0;
    }
}

void EnergyThread::run()
{
    publishInsulationEnable();
    while (!isInterruptionRequested())
        onePass();
}

void EnergyThread::onePass()
{
    passSleptMs = 0;
    nowSeconds = TimeSeam::wallTime();
    localtime_r(&nowSeconds, &nowTm);

    servicePvLink();
    dealwithDb();
    dealwithPlotData();
    continuousInsulation();

    const bool running = acStatus(0, AC_RUNNING) == 1;
    int pause = 0;
    if (set[54].value == 1) {
        if (!running) {
            pause = 1000;
        } else if (set[59].value == 1) {
            dealwithPvStrategy();
            pause = 1000;
        } else if (set[59].value == 2) {
            dealwithDcPowerCurrent_time();
            pause = 200;
        }
    } else if (!running) {
        pause = 1000;
    } else {
        powerCeiling = acAnalog(0, AC_CEILING);
        if (set[59].value == 0) {
            dealwith_GMG();
            dealwithReflux();
            if (set[40].value != 0)
                dealwith_JMG();
        }
    }
    if (pause == 0 && passSleptMs == 0)
        pause = IDLE_PAUSE_MS;
    if (pause > 0)
        delay_ms(pause);
}

