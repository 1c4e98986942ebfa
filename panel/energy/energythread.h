#ifndef ENERGYTHREAD_H
#define ENERGYTHREAD_H

#include "pvreply.h"

#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>
#include <stdint.h>
#include <time.h>

class DeviceData;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}

// The energy-management controller. Each pass reads the meters, refreshes plot_data, supervises
// the insulation monitors and runs the strategy chosen on the energy page: the half-hour
// schedules, the anti-backflow hold, PV coordination, the generator microgrid or the PV charging
// strategy. run() repeats onePass() for ever. The object lives in the GUI thread but owns no
// timer or socket there: every deadline is checked by the loop, so all its work runs in the
// control thread.
class EnergyThread : public QThread {
    Q_OBJECT
public:
    enum { METERS = 2, METER_SLOTS = 1000, METER_POINTS = 79, MONITORS = 10, MONITOR_SLOTS = 100, BRANCHES = 8 };
    // The PV inverter's values: input registers 200..239, then what is derived from them.
    enum { PV_REGISTERS = PvReply::REGISTERS, PV_LIMIT = PvReply::LIMIT, PV_POWER = PvReply::POWER,
        PV_RUNNING = PvReply::RUNNING, PV_HOLD_BIT = PvReply::HOLD_BIT, PV_VALUES = 110 };

    explicit EnergyThread(QObject* parent = nullptr);
    // Only a test ever destroys one: the loop is asked to stop and waited for.
    ~EnergyThread() override;

    // The five devices, before start(). A library that is not part of the build gives no view,
    // and the steps that need it then do nothing.
    void setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts, modbus::ModbusrtuDevice* rtu,
        modbus::ModbustcpDevice* tcp);
    // The same through the DeviceData views (tests, and devices made without their library).
    void setDeviceData(DeviceData* acdc, DeviceData* dcdc, DeviceData* sts, DeviceData* rtu, DeviceData* tcp);

    // What run() does once before its loop: the insulation states of the monitors to the slaves.
    void publishInsulationEnable();
    // One pass of the loop, its pause at the end included.
    void onePass();
    // Sleeps through the time seam; in the control thread it waits for a stepped clock instead of
    // stepping it, and gives up early when the thread is asked to stop.
    void delay_ms(unsigned int ms);

    // The write idiom: 0 when the device took the value, -1 otherwise.
    int setAc(int module, int index, float value);
    int setDc(int module, int index, float value);
    int setSts(int module, int index, float value);
    // Sends the active-power set-point to the dispatch target when it differs from the present one.
    void set_ac_power(float value, float min, float max, int wait);
    void inGrid();
    void offGrid();

    // Half-hour schedules: 1 when a value was applied this call.
    int dealwithPower_time();
    int dealwithPower();
    int dealwithDcPowerCurrent_time();

    // Meters and live values.
    void dealwithDb();
    void dealwithPlotData();
    // Scales the raw values of one meter (slots 35, 36, 40..45, 49) into slots 100..106.
    static void scaleMeter(float* values);
    // Anti-backflow and microgrid strategies.
    void dealwith_GMG();
    void dealwithReflux();
    void dealwithNiliu();
    void dealwith_JMG();
    // PV inverter commands: its power limit (kW), start and stop. Nothing goes out while the
    // link is down; start and stop are each attempted at most once per 30 s.
    void set_pv(float value, float max);
    void set_pv_on();
    void set_pv_off();

    // The PV inverter link, a Modbus TCP master. All of it runs in the control thread: the
    // retry timer is a deadline the loop checks, the connection is made without blocking.
    // The inverter's port (502 on the board).
    void setPvPort(int port);
    void openPvmbs(const QString& host);
    // Every 3 s while the link is down: connect again to the address of set[48].
    void timer_3s();
    void connect_Pv_Ok();
    void connect_pv_err();
    // The read cycle of the inverter's measurements and state.
    void dealwithPV();
    // Once per pass: completes a connection under way, fires the retry timer, and runs the
    // read cycle at most once a second while the link is up.
    void servicePvLink();
    // PV charging strategy: one step a second.
    void dealwithPvStrategy();
    // State of charge (%) of a lead-acid cell at this voltage: the nearest of 101 table
    // voltages from 2.143 V (100 %) down to 1.943 V (0 %), a tie going to the lower one.
    static int getBattSoc(float cellVoltage);
    // Insulation monitoring: every pass; one active measurement at a time, in turn over the
    // enabled monitors.
    void continuousInsulation();
    // The end of the measurement window, 13 s after it opened; the loop calls it.
    void timer_6s();

    // Shared with the energy page, which shows them. Written by the control thread only.
    time_t nowSeconds;
    struct tm nowTm;
    float meterValues[METERS][METER_SLOTS];
    float pvValues[PV_VALUES];
    float pvLimit() const { return pvValues[PV_LIMIT]; }
    float pvPower() const { return pvValues[PV_POWER]; }
    float pvRunning() const { return pvValues[PV_RUNNING]; }
    float pvHoldBit() const { return pvValues[PV_HOLD_BIT]; }
    bool pvConnected;
    float powerCeiling;
    float scheduledPower;
    // Insulation monitors: enable flags copied in by the page before start(), and the state of
    // each as published to the slaves (0 disabled, 1 idle, 2 measuring, 3 normal, 4 alarm).
    int insulationEnable[MONITORS];
    int insulationState[BRANCHES];
    // Monitor values: slots 0..30 as the monitor reports them, 48 its online status, 49 and 50
    // the resistances to ground at the end of its last measurement.
    float insulationValues[MONITORS][MONITOR_SLOTS];
    int insulationOnline[MONITORS];
    int insulationAlarm[MONITORS];
    int insulationMeasuring;
    int insulationCurrent;

protected:
    void run() override;

private:
    // The thread's pauses wait on this; the destructor wakes it.
    QMutex m_pauseLock;
    QWaitCondition m_pauseWake;

    // Reads of the devices; a missing device or point reads 0.
    float acAnalog(int module, int index) const;
    int acStatus(int module, int index) const;
    float acConfig(int module, int index) const;
    float stsAnalog(int module, int index) const;
    float dcAnalog(int module, int index) const;
    int dcStatus(int module, int index) const;
    float dcConfig(int module, int index) const;
    // The number of battery strings, set[23] held to 0..8: it bounds every loop over them.
    static int branchCount();

    DeviceData* m_acdc;
    DeviceData* m_dcdc;
    DeviceData* m_sts;
    DeviceData* m_rtu;
    DeviceData* m_tcp;

    // Half-hour period each schedule step applied last, -1 before the first.
    int powerPeriod;
    int dcPowerPeriod;
    // Milliseconds slept in the current pass.
    int64_t passSleptMs;

    // The anti-backflow regulator: passes counted in the current case, passes of the PV
    // utilisation check, and the case (1..6).
    int pv_delay;
    int pv_use_delay;
    int nstat;
    // Regulation case n begins: its pass count restarts when the case changes.
    void enterCase(int n);

    // Monotonic time of the last PV start and stop attempt, -1 before the first: a clock set
    // back must not hold the inverter off.
    int64_t pvOnAttemptMs;
    int64_t pvOffAttemptMs;
    // Writes one holding register of the inverter and reads its answer.
    void pvWriteRegister(int transaction, int reg, int value);
    // Sends one 12-byte request; false (and the link down) when it cannot go out.
    bool pvRequest(int transaction, int function, int reg, int value);
    // Waits up to ms for one whole answer and reads it into pvBuffer; its length, 0 for none.
    int pvAnswer(int ms);
    void pvClose();

    int pvSocket;
    bool pvConnecting;
    int64_t pvConnectStartMs;
    int pvPort;
    // Next firing of the retry timer, -1 while it is stopped.
    int64_t pvRetryDueMs;
    int64_t pvReadDueMs;
    bool pvErrorLogged;
    unsigned char pvBuffer[1000];

    // The PV charging strategy: pass counters of its states, charge phases and off-grid charge
    // conditions, the anti-backflow switch-off after a grid-charging request, and the current
    // set-point of the ramp.
    int state1_timer_flag;
    int state2_timer_flag;
    int constantChg_timer;
    int floatChg_timer;
    int floatCur_timer;
    int timer_A;
    int timer_B;
    int timer_C;
    int revstate2flag;
    int timercloseniuliuflag;
    int timer_close_niliu;
    float setcuttent;
    int gridChargeRequested;
    int antiBackflowAutoEnabled;
    // Insulation monitoring: passes since start (up to 5), the fault value last written per
    // string, and the end of the open measurement window (-1 none).
    int delay_cnt;
    int idataOld[BRANCHES];
    int64_t insulationDeadlineMs;
    // The first enabled monitor from `from` on, wrapping at the string count; `from` itself
    // when none is.
    int nextEnabledMonitor(int from) const;
    void writeInsulationFault(int string, int value);
    void publishInsulationState(int monitor, int state);

    // The grid-charging request bit of the AC/DC control word, set or cleared and written whole.
    void requestGridCharge(bool on);
    // The step's last part: the set-point that holds the grid connection.
    void pvStrategyPower();
};

#endif
