#include "energythread.h"
#include "devicedata.h"
#include "globalvar.h"
#include "monitorset.h"

#include <math.h>

// The AC strategies of peak shaving: the schedule with PV coordination, the anti-backflow hold
// of the grid connection and the generator-type microgrid. Powers in kW; a negative PCS
// set-point discharges the battery.

namespace {
enum { AC_STARTED = 53, AC_GRID_TIED = 55, AC_OFF_GRID = 56, AC_SETPOINT = 47 };
}

void EnergyThread::dealwith_GMG()
{
    if (dealwithPower() == 1)
        return;
    const float soc = BmsSoc;
    const float full = plot_data[41];
    const float dV = plot_data[40];
    if (acStatus(0, AC_OFF_GRID) == 1) {
        set_pv(powerCeiling, 500);
        if (soc > 95 || full == 1.0f || dV > -10) {
            set_pv_off();
            return;
        }
        if (!(soc < 70 && full == 0.0f && dV < -20))
            return;
    } else if (acStatus(0, AC_GRID_TIED) == 1) {
        if (set[42].value == 0) {
            set_pv(float(set[46].value), 500);
        } else {
            if (pvRunning() == 0)
                set_pv(float(set[46].value), 500);
            dealwithNiliu();
        }
    } else {
        return;
    }
    set_pv_on();
}

void EnergyThread::dealwithReflux()
{
    if (set[42].value != 1)
        return;
    const int t = set[43].value;
    float lo = t - 2, mid = t, hi = t + 2;
    if (t - 2 < 0) {
        lo = t;
        mid = t + 2;
        hi = t + 4;
    }
    const float grid = plot_data[2];
    if (grid < lo)
        set_ac_power(fminf(0.0f, mid + plot_data[3]), -500, 500, 3500);
    else if (grid > hi)
        set_ac_power(0.0f, -500, 500, 3500);
    delay_ms(1000);
}

void EnergyThread::enterCase(int n)
{
    if (nstat != n)
        pv_delay = 0;
    nstat = n;
}

void EnergyThread::dealwithNiliu()
{
    // Limits below 1 kW would leave no band; they are raised in memory and saved with the
    // next save of the settings.
    if (set[44].value < 1)
        set[44].value = 1;
    if (set[43].value < 1)
        set[43].value = 1;
    const int t = set[43].value;
    const int w = set[44].value;
    const float ceiling = powerCeiling;
    const int lower = t - w > 1 ? t - w : 1;
    int middle = t;
    if (middle - lower < 1)
        middle = lower + 1;
    int upper = t + w;
    if (upper - middle < 1)
        upper = middle + 1;
    const float tol = ceiling / 50 + 1;
    const float upper2 = fmaxf(float(upper), tol);

    const float sp = acAnalog(0, AC_SETPOINT);
    const float pcs = plot_data[0];
    const float grid = plot_data[2];
    plot_data[44] = scheduledPower;
    plot_data[45] = middle;
    plot_data[46] = pcs;
    plot_data[47] = upper2;
    plot_data[48] = lower;
    plot_data[49] = grid;
    ++pv_delay;

    if (grid > lower && grid < upper2) {
        // Inside the band: let the PV inverter grow while it sits at its limit.
        ++pv_use_delay;
        pv_delay = 0;
        if (set[45].value == 1 && pvLimit() - pvPower() <= 1 && set[46].value > pvLimit()
            && fabsf(sp - pcs) < tol && sp < ceiling && pv_use_delay % 60 == 0) {
            set_pv(pvLimit() + 1, 500);
            set_ac_power(pcs + 1, -500, ceiling, 10);
        }
        return;
    }
    pv_use_delay = 0;
    const float missing = middle - grid;   // negative when the grid supplies too much
    if (grid == lower || grid == upper2)
        return;
    const bool below = grid < lower;
    const int pvMax = set[46].value;

    if (acStatus(0, AC_STARTED) == 0) {
        if (below)
            set_pv(pvPower() - missing, 500);
        else if (pv_delay % 20 == 0)
            set_pv(pvPower() - missing, pvMax);
        return;
    }
    if (set[45].value == 0) {
        if (scheduledPower > 0) {
            // Scheduled charging: only the PV inverter moves.
            if (below) {
                enterCase(3);
                if (pv_delay % 3 == 0)
                    set_pv(pvPower() - missing, 500);
            } else {
                enterCase(4);
                if (pv_delay % 20 == 0)
                    set_pv(pvPower() - missing, pvMax);
            }
        } else if (!below) {
            // Scheduled discharge exporting: PV first, the PCS after a minute, never to charging.
            enterCase(2);
            if (pv_delay % 20 == 0) {
                if (pv_delay <= 59) {
                    set_pv(pvPower() - missing, pvMax);
                } else if (pv_delay % 60 == 0) {
                    pv_delay = 0;
                    set_ac_power(pcs + missing, scheduledPower, 0, 3500);
                }
            }
        } else {
            enterCase(1);
            if (sp != 0) {
                if (pcs + missing <= 0)
                    set_ac_power(pcs + missing, scheduledPower, 0, 3500);
                else
                    set_ac_power(0, -500, 500, 3500);
            } else if (pv_delay % 3 == 0) {
                set_pv(pvPower() - missing, 500);
            }
        }
        return;
    }
    if (!below) {
        enterCase(6);
        if (pv_delay % 20 == 0) {
            if (pv_delay <= 59) {
                set_pv(pvPower() - missing, pvMax);
            } else if (pv_delay % 50 == 0) {
                pv_delay = 0;
                set_ac_power(pcs + missing, scheduledPower, ceiling, 3500);
            }
        }
        return;
    }
    const bool entering = nstat != 5;
    enterCase(5);
    if (entering || (fabsf(sp - pcs) <= tol && sp != ceiling))
        set_ac_power(pcs + missing, scheduledPower, ceiling, 3500);
    else if (pv_delay % 3 == 0)
        set_pv(pvPower() - missing, 500);
}

void EnergyThread::dealwith_JMG()
{
    const float soc = BmsSoc;
    if (soc < 30) {
        inGrid();
        set_ac_power(float(set[49].value), -500, 500, 3500);
    } else if (soc <= 85) {
        delay_ms(200);
    } else {
        offGrid();
    }

    const float full = plot_data[41];
    const float dV = plot_data[40];
    const bool room = soc <= 95 && full != 1.0f && dV <= -5;
    const bool low = soc < 70 && full == 0.0f && dV < -20;
    if (acStatus(0, AC_STARTED) == 0) {
        set_pv_off();
    } else if (acStatus(0, AC_OFF_GRID) == 1 || acStatus(0, AC_GRID_TIED) == 1) {
        if (room) {
            set_pv(acStatus(0, AC_OFF_GRID) == 1 ? powerCeiling : float(set[49].value), 500);
            if (low)
                set_pv_on();
        } else {
            set_pv_off();
        }
    }
    delay_ms(500);
}
