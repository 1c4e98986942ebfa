#include "energythread.h"
#include "devicedata.h"
#include "globalvar.h"
#include "monitorset.h"
#include "saturate.h"

#include <math.h>

// The PV-storage charging strategy: the battery strings (DC/DC branch 1001) between idle or
// discharge (state 1) and charging with a current ramp (state 2), and grid charging requested
// from the AC/DC converter when the battery runs low off-grid.

namespace {

enum { STRING = 1001, AC_GRID_TIED = 55, AC_OFF_GRID = 56, AC_SETPOINT = 47, AC_CEILING = 74,
    CONTROL_WORD = 67, ANTI_BACKFLOW = 280, GRID_CHARGE_BIT = 1 };
// Battery types with rules of their own: 0 lithium (by the BMS's state of charge), 4 lead-acid.
enum { LITHIUM = 0, LEAD_ACID = 4 };

void countUp(int& c)
{
    ++c;
}

void countDown(int& c)
{
    if (c > 0)
        --c;
}

void count(int& c, bool up)
{
    if (up)
        countUp(c);
    else
        countDown(c);
}

} // namespace

int EnergyThread::getBattSoc(float v)
{
    static float table[101];
    static bool filled = false;
    if (!filled) {
        for (int k = 0; k <= 100; ++k)
            table[k] = float(2.143 - 0.002 * k);
        filled = true;
    }
    if (v >= table[0])
        return 100;
    if (v <= table[100])
        return 0;
    for (int k = 1; k <= 100; ++k) {
        const float mid = (table[k] + table[k - 1]) / 2.0f;
        if (v > mid)
            return 100 - (k - 1);
    }
    return 0;   // not a number
}

void EnergyThread::requestGridCharge(bool on)
{
    gridChargeRequested = on ? 1 : 0;
    if (on)
        g_acCrtlCmd |= GRID_CHARGE_BIT;
    else
        g_acCrtlCmd &= ~GRID_CHARGE_BIT;
    setAc(0, CONTROL_WORD, float(g_acCrtlCmd));
}

void EnergyThread::dealwithPvStrategy()
{
    const int type = Saturate::toInt32(dcConfig(STRING, 35));
    if (dcStatus(STRING, 0) == 0) {
        delay_ms(1000);
        return;
    }
    const bool gridChargeAllowed = acConfig(0, 277) == 1.0f;

    if (acStatus(0, AC_GRID_TIED) == 1) {
        timer_A = timer_B = timer_C = 0;
        if (g_pvstate == 1) {
            if (dcStatus(STRING, 1) == 0 && dcStatus(STRING, 50) == 0) {
                setDc(0, 1001, 0.0f);
                setDc(0, 1000, 0.0f);
                delay_ms(1000);
                return;
            }
            constantChg_timer = floatCur_timer = floatChg_timer = state2_timer_flag = 0;
            const bool bmsOnline = g_bmsStringOnline[0] == 1;
            float soc = BmsSoc;
            if (type == LEAD_ACID && !bmsOnline) {
                // Without the BMS the cell voltage tells; an unknown cell count tells nothing.
                const float cells = dcConfig(STRING, 42);
                soc = cells > 0 ? float(getBattSoc(dcAnalog(STRING, 0) / cells)) : 100.0f;
            }
            g_showsoc = soc;
            const bool low = soc < set[58].value && (type == LEAD_ACID || bmsOnline);
            count(state1_timer_flag, low || dcStatus(STRING, 51) == 1);
            if (state1_timer_flag > 299) {
                g_pvstate = 2;
                state1_timer_flag = 0;
                revstate2flag = 1;
                setcuttent = 1.0f;
            }
        } else if (g_pvstate == 2) {
            if (revstate2flag == 1) {
                setDc(0, 1001, -1.0f);
                revstate2flag = 0;
                delay_ms(1000);
                return;
            }
            // Current ramp: up 5 A a step towards the target, down to it at once.
            const float target = dcConfig(STRING, 24);
            const float measured = dcAnalog(STRING, 4);
            if (measured < target && setcuttent != target) {
                setcuttent += 5.0f;
                if (setcuttent > target)
                    setcuttent = target;
                setDc(0, 1001, setcuttent);
            } else if (measured > target && setcuttent != target) {
                setDc(0, 1001, target);
                setcuttent = target;
            }

            const bool floatCharging = dcStatus(STRING, 7) == 1;
            count(constantChg_timer, dcStatus(STRING, 6) == 1 || floatCharging);
            if (constantChg_timer >= 3600 || (type == LITHIUM && BmsSoc > 90)) {
                // A request is taken back even when grid charging was disallowed meanwhile.
                if (gridChargeRequested == 1)
                    requestGridCharge(false);
                // The anti-backflow function that came with the request goes, once.
                if (antiBackflowAutoEnabled == 1) {
                    antiBackflowAutoEnabled = 0;
                    timercloseniuliuflag = 1;
                    timer_close_niliu = 0;
                }
            }
            count(floatChg_timer, floatCharging);
            if (type == LEAD_ACID)
                count(floatCur_timer, floatCharging && dcAnalog(STRING, 4) < dcConfig(STRING, 41) * 0.003f);
            if (floatChg_timer > 43200 || floatCur_timer > 7200)
                g_pvstate = 1;
            count(state2_timer_flag, (type == LITHIUM && BmsSoc == 100) || dcStatus(STRING, 50) == 1);
            if (state2_timer_flag > 1800) {
                g_pvstate = 1;
                state2_timer_flag = 0;
            }
        }
        if (timercloseniuliuflag == 1 && ++timer_close_niliu > 30) {
            timercloseniuliuflag = 0;
            setAc(0, ANTI_BACKFLOW, 0.0f);
            set[42].value = 0;
            savemonitorset();
        }
    } else if (acStatus(0, AC_OFF_GRID) == 1) {
        state1_timer_flag = state2_timer_flag = constantChg_timer = floatChg_timer = floatCur_timer = 0;
        bool triggered = false;
        if (type == LEAD_ACID && dcStatus(STRING, 49) == 1) {
            const float current = -dcAnalog(STRING, 4);
            const float capacity = dcConfig(STRING, 41);
            const float voltage = dcAnalog(STRING, 0);
            const float reference = dcConfig(STRING, 46);
            const float cells = dcConfig(STRING, 42);
            count(timer_A, current >= 0.1f * capacity && voltage < reference + 0.1f * cells);
            count(timer_B, current >= 0.01f * capacity && current < 0.1f * capacity
                    && voltage < reference + 0.15f * cells);
            count(timer_C, current < 0.01f * capacity && voltage < reference + 0.2f * cells);
            if (timer_A > 4 || timer_B > 4 || timer_C > 4) {
                timer_A = timer_B = timer_C = 0;
                triggered = true;
            }
        }
        if (gridChargeRequested == 0 && gridChargeAllowed && (triggered || (type == LITHIUM && BmsSoc < 30))) {
            requestGridCharge(true);
            if (set[42].value == 0) {
                setAc(0, ANTI_BACKFLOW, 1.0f);
                set[42].value = 1;
                savemonitorset();
                antiBackflowAutoEnabled = 1;
            }
        }
    }
    pvStrategyPower();
}

void EnergyThread::pvStrategyPower()
{
    // The loop does not read the ceiling in this mode: the step reads it for both branches.
    powerCeiling = acAnalog(0, AC_CEILING);
    if (set[42].value != 1 && gridChargeRequested != 1) {
        set_ac_power(-powerCeiling, -500, 500, 3500);
        return;
    }
    const int t = set[43].value;
    float lo = t - 2, mid = t, hi = t + 2;
    if (t - 2 < 0) {
        lo = t;
        mid = t + 2;
        hi = t + 4;
    }
    const float a11 = acAnalog(11, 0);
    // With this wiring the load reads with the other sign; the shared value is left as shown.
    float load = plot_data[3];
    if (acConfig(0, 109) == 8.0f)
        load = -load;
    const float grid = plot_data[2];
    if (grid < lo) {
        set_ac_power(fminf(0.0f, mid + load), -500, 500, 3500);
    } else if (grid > hi) {
        const float sp = acAnalog(0, AC_SETPOINT);
        if (sp < 0 && -sp - a11 > 5)
            return;
        set_ac_power(fminf(0.0f, sp + (-0.02f * powerCeiling - 1) * 0.5f), -500, 500, 3500);
    }
}
