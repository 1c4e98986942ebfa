#include "energythread.h"
#include "saturate.h"
#include "timeseam.h"

#include <math.h>

// The PV inverter's commands.

namespace {
enum { GATE_MS = 30000, REG_POWER_LIMIT = 612, REG_START = 900, REG_STOP = 901,
    TID_POWER_LIMIT = 0x0000, TID_START_STOP = 0x0200 };

// The gate is open when 30 s have passed since the last attempt, or there was none.
bool gateOpen(int64_t last, int64_t now)
{
    return last < 0 || now - last >= GATE_MS;
}
}

void EnergyThread::set_pv(float value, float max)
{
    if (!isfinite(value))
        return;
    if (value < 0)
        value = 0;
    if (value > max)
        value = max;
    if (!pvConnected)
        return;
    // The limit is raised only while the inverter uses all of it; lowering is always allowed.
    if (!(pvLimit() - pvPower() <= 1 || value <= pvLimit()))
        return;
    const float change = pvLimit() - value;
    if (!(change * change > 0.5f))
        return;
    const uint32_t tenths = Saturate::toUint32(double(value) * 10.0);
    pvWriteRegister(TID_POWER_LIMIT, REG_POWER_LIMIT, tenths > 0xFFFF ? 0xFFFF : int(tenths));
}

void EnergyThread::set_pv_on()
{
    const int64_t now = TimeSeam::monotonicMs();
    if (!gateOpen(pvOnAttemptMs, now))
        return;
    pvOnAttemptMs = now;
    if (pvRunning() == 0 && pvHoldBit() == 0 && pvConnected)
        pvWriteRegister(TID_START_STOP, REG_START, 1);
}

void EnergyThread::set_pv_off()
{
    const int64_t now = TimeSeam::monotonicMs();
    if (!gateOpen(pvOffAttemptMs, now))
        return;
    pvOffAttemptMs = now;
    set_pv(0, 500);
    if (pvRunning() == 1 && pvConnected)
        pvWriteRegister(TID_START_STOP, REG_STOP, 1);
}

void EnergyThread::pvWriteRegister(int transaction, int reg, int value)
{
    (void)transaction;
    (void)reg;
    (void)value;
}
