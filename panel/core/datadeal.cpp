#include "datadeal.h"
#include "alarmrecordfile.h"
#include "buzz.h"
#include "debugargs.h"
#include "devicedata.h"
#include "globalvar.h"
#include "gpio.h"
#include "led.h"
#include "monitorset.h"
#include "nametables.h"
#include "operaterecordfile.h"
#include "racktable.h"
#include "timeseam.h"

#include <QMetaObject>
#include <QTimer>
#include <stdio.h>
#include <string.h>
#include <string>
#include <time.h>

namespace {

enum {
    STATE_OFFLINE = 16, STATE_NORMAL = 17, STATE_FAULT = 18, STATE_ALARM = 19, STATE_FULL = 20,
    STATE_CHARGING = 21, STATE_EMPTY = 22, STATE_DISCHARGING = 23, STATE_STANDBY = 24, STATE_SLEEP = 25,
    STATE_STOPPED = 26, STATE_RUNNING = 27, STATE_PV = 28, STATE_NONE = 29, STATE_CV_FLOAT = 32,
    STATE_CV_EQUALISE = 33
};
enum { LED_FAULT = 16, LED_ALARM_BLINK = 48, LED_RUN = 1 };
enum { BUZZ_SECONDS = 30, GRACE_SECONDS = 30 };

const char* const kStampFormat = "%Y-%m-%d %H:%M:%S";

void stampNow(char out[32])
{
    const time_t t = TimeSeam::wallTime();
    struct tm tm;
    localtime_r(&t, &tm);
    strftime(out, 32, kStampFormat, &tm);
}

// A point of a device that is not there reads clear; a negative answer counts as set, since the
// rules test for non-zero.
int statusOf(DeviceData* d, int module, int index)
{
    return d ? d->getStatus(module, index) : 0;
}

// A row of a name table for a trace; an index past the table, or no table, gives an empty name.
template <int W>
std::string nameAt(char (*table)[W], int rows, int index)
{
    if (!table || index < 0 || index >= rows)
        return std::string();
    return std::string(table[index], strnlen(table[index], W));
}

} // namespace

DATADEAL::DATADEAL()
    : m_dcacstate(nullptr)
    , m_dcdcstate(nullptr)
    , m_acdc(nullptr)
    , m_dcdc(nullptr)
    , m_sts(nullptr)
    , m_bms(nullptr)
    , m_rtu(nullptr)
    , m_tcp(nullptr)
    , m_set(set)
    , alarmSize(0)
    , dcacStatusName(nullptr)
    , dcdcStatusName(nullptr)
    , stsStatusName(nullptr)
    , dcacAlarmName(nullptr)
    , dcdcAlarmName(nullptr)
    , stsAlarmName(nullptr)
    , dcacAnalogName(nullptr)
    , dcdcAnalogName(nullptr)
    , stsAnalogName(nullptr)
    , dcacConfigName(nullptr)
    , dcdcConfigName(nullptr)
    , stsConfigName(nullptr)
    , logSlot(0)
    , connectToggle(true)
    , batteryPeriod(0)
    , batteryPoll(0)
    , graceSeconds(0)
    , offlineFlag(0)
    , passBattery(1)
    , passStart(1)
    , passState(1)
{
    operateFile = new norvale::OperateRecordFile("../log/operaterecord.log", false);
    statusFile = new norvale::OperateRecordFile("../log/status_history.log", false);
    alarmFile = new norvale::AlarmRecordFile("../log/history.log", false);
    if (!operateFile->read())
        printf("%s(%d)-open operaterecord.log  error\n", __PRETTY_FUNCTION__, __LINE__);
    if (!statusFile->read())
        printf("%s(%d)-open status_history.log  error\n", __PRETTY_FUNCTION__, __LINE__);
    if (!alarmFile->read())
        printf("%s(%d)-open history.log  error\n", __PRETTY_FUNCTION__, __LINE__);

    memset(alarmDcac, 0, sizeof alarmDcac);
    memset(alarmDcdc, 0, sizeof alarmDcdc);
    memset(alarmSts, 0, sizeof alarmSts);
    memset(statusDcacBranch, 0, sizeof statusDcacBranch);
    memset(statusDcac, 0, sizeof statusDcac);
    memset(statusDcdcBranch, 0, sizeof statusDcdcBranch);
    memset(statusDcdc, 0, sizeof statusDcdc);
    memset(statusSts, 0, sizeof statusSts);
    memset(&recordBuffer, 0, sizeof recordBuffer);
    memset(g_power, 0, sizeof g_power);

    m_gpio = new Gpio("/dev/gpio");
    m_gpio->open();
    m_led = new Led(m_gpio->get_handle());
    m_buzz = new Buzz("/dev/pwm");
    m_led->show_start();
    m_buzz->start();

    g_alarm_1s_count = 0;
    date_power = 0;
    for (StateByte& r : allData.relay)
        r = 0;
    allData.reserved = 0;
    memset(allData.openLatch, 0, sizeof allData.openLatch);
    for (int i = 0; i < 9; ++i)
        allData.openTimer[i] = -1;
    pthread_mutex_init(&logMutex, nullptr);

    buzzTimer = new QTimer(this);
    logTimer = new QTimer(this);
    powerTimer = new QTimer(this);
    connect(buzzTimer, SIGNAL(timeout()), this, SLOT(time_1s_slot()));
    connect(logTimer, SIGNAL(timeout()), this, SLOT(time_1og_slot()));
    connect(powerTimer, SIGNAL(timeout()), this, SLOT(time_power_slot()));
    powerTimer->start(1000);

    monitorPoweronState();

    isdownALLing = 0;
    offlineFlag = 0;
    graceSeconds = 0;
}

void DATADEAL::setDeviceData(DeviceData* acdc, DeviceData* dcdc, DeviceData* sts, DeviceData* bms,
    modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, setvalue* settings)
{
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_bms = bms;
    m_rtu = rtu;
    m_tcp = tcp;
    m_set = settings ? settings : set;
}

void DATADEAL::setModuleState(StateByte* dcacstate, StateByte* dcdcstate)
{
    m_dcacstate = dcacstate;
    m_dcdcstate = dcdcstate;
}

void DATADEAL::setDataName(char (*dcacStatus)[32], char (*dcdcStatus)[32], char (*stsStatus)[32],
    char (*dcacAlarm)[32], char (*dcdcAlarm)[32], char (*stsAlarm)[32],
    char (*dcacAnalog)[32], char (*dcdcAnalog)[32], char (*stsAnalog)[32],
    char (*dcacConfig)[48], char (*dcdcConfig)[48], char (*stsConfig)[48])
{
    dcacStatusName = dcacStatus;
    dcdcStatusName = dcdcStatus;
    stsStatusName = stsStatus;
    dcacAlarmName = dcacAlarm;
    dcdcAlarmName = dcdcAlarm;
    stsAlarmName = stsAlarm;
    dcacAnalogName = dcacAnalog;
    dcdcAnalogName = dcdcAnalog;
    stsAnalogName = stsAnalog;
    dcacConfigName = dcacConfig;
    dcdcConfigName = dcdcConfig;
    stsConfigName = stsConfig;
}

void DATADEAL::startTimerIn(QTimer* timer, int ms)
{
    // The timers belong to the GUI thread; the data thread may only ask it to start them.
    if (QThread::currentThread() == timer->thread())
        timer->start(ms);
    else
        QMetaObject::invokeMethod(timer, "start", Qt::QueuedConnection, Q_ARG(int, ms));
}

void DATADEAL::stopTimerIn(QTimer* timer)
{
    if (QThread::currentThread() == timer->thread())
        timer->stop();
    else
        QMetaObject::invokeMethod(timer, "stop", Qt::QueuedConnection);
}

void DATADEAL::startLog()
{
    pthread_mutex_lock(&logMutex);
    logSlot = m_set[9].value;
    // A period the settings page cannot give (0 would fire on every turn of the event loop,
    // a huge one overflows the milliseconds) falls back to the default 15 minutes.
    int minutes = m_set[10].value;
    if (minutes < 1 || minutes > 1440)
        minutes = 15;
    stopTimerIn(logTimer);
    startTimerIn(logTimer, minutes * 60000);
    pthread_mutex_unlock(&logMutex);
}

int DATADEAL::getAlarmSize()
{
    return alarmSize;
}

void DATADEAL::buzzoff()
{
    Buzz::beep(0, 0);
}

norvale::AlarmRecordFile* DATADEAL::getAlarmRecordFile()
{
    return alarmFile;
}

norvale::OperateRecordFile* DATADEAL::getStatusRecordFile()
{
    return statusFile;
}

norvale::OperateRecordFile* DATADEAL::getOperateRecordFile()
{
    return operateFile;
}

void DATADEAL::delay_ms(unsigned int ms)
{
    TimeSeam::sleepMs(ms);
}

int DATADEAL::branchCount() const
{
    const int n = m_set[23].value;
    return n < 0 ? 0 : n > BRANCHES ? BRANCHES : n;
}

DATADEAL::~DATADEAL()
{
    if (isRunning()) {
        requestInterruption();
        wait();
    }
    (void)m_runsEnded.load(std::memory_order_acquire);
    delete operateFile;
    delete statusFile;
    delete alarmFile;
    delete m_buzz;
    delete m_led;
    if (m_gpio)
        m_gpio->close();
    delete m_gpio;
    pthread_mutex_destroy(&logMutex);
}

void DATADEAL::run()
{
    memset(&recordBuffer, 0, sizeof recordBuffer);
    while (!isInterruptionRequested())
        onePass();
    runEnds();
}

void DATADEAL::onePass()
{
    if (passBattery > 9 && passStart > 79) {
        dealwithBms();
        dealwithPower();
        passBattery = 1;
        passStart = 81;
    } else {
        ++passBattery;
        ++passStart;
    }

    dealwithSetting(&recordBuffer);
    dealwithAlarmRecord();
    dealwithStatusRecord();
    download_patch();

    delay_ms(100);

    ++passState;
    if (passState > 5) {
        for (int m = 0; m <= DCAC_MODULES; ++m)
            checkDcacModuleState(m);
        for (int m = 0; m <= DCDC_MODULES; ++m)
            checkDcdcModuleState(m);
        checkSTSState();
        for (int b = 1001; b <= 1000 + BRANCHES; ++b) {
            checkDcacModuleState(b);
            checkDcdcModuleState(b);
        }
        dealwithRelay();
        dealwithTrip();
        dealwithConnect();
        passState = 0;
    }
}

// ---- operation records ----

void DATADEAL::traceOperateRecord(Source src, const OperateRecord& r)
{
    switch (src) {
    case DCAC:
        printf("%s-DCAC OperateRecord:moduleId=%d  index=%d %s  val=%f\n", "dealwithSetting", r.modules, r.oid,
            nameAt(dcacConfigName, DCAC_CONFIG_ROWS, r.oid).c_str(), r.mdata);
        break;
    case DCDC:
        printf("%s-DCDC OperateRecord:moduleId=%d  index=%d %s  val=%f\n", "dealwithSetting", r.modules, r.oid,
            nameAt(dcdcConfigName, DCDC_CONFIG_ROWS, r.oid).c_str(), r.mdata);
        break;
    case STS:
        printf("%s-STS OperateRecord:moduleId=%d  index=%d %s  val=%f\n", "dealwithSetting", r.modules, r.oid,
            nameAt(stsConfigName, STS_CONFIG_ROWS, r.oid).c_str(), r.mdata);
        break;
    }
}

void DATADEAL::dealwithSetting(OperateRecord* buffer)
{
    enum { BUDGET = 6, POWER_SETPOINT = 87, NOT_STORED = 112 };
    if (!buffer)
        return;
    if (m_acdc) {
        // The power set-point is rewritten all the time by the energy management: it neither
        // reaches the log nor uses up the budget.
        int counted = 0;
        while (counted < BUDGET && m_acdc->getOperateRecord(buffer) == 1) {
            traceOperateRecord(DCAC, *buffer);
            if (buffer->oid == POWER_SETPOINT)
                continue;
            ++counted;
            if (buffer->modules != NOT_STORED) {
                operateFile->set(buffer);
                operateFile->write();
            }
        }
    }
    if (m_dcdc) {
        for (int n = 0; n < BUDGET && m_dcdc->getOperateRecord(buffer) == 1; ++n) {
            traceOperateRecord(DCDC, *buffer);
            operateFile->set(buffer);
            operateFile->write();
        }
    }
    if (m_sts) {
        for (int n = 0; n < BUDGET && m_sts->getOperateRecord(buffer) == 1; ++n) {
            traceOperateRecord(STS, *buffer);
            if (m_set[21].value == 0) {
                operateFile->set(buffer);
                operateFile->write();
            }
        }
    }
}

// ---- alarms ----

void DATADEAL::closeAlarmLines(AlarmPoint& p, int lines, int code, int point, const char* stamp)
{
    ChargerFault f;
    memset(&f, 0, sizeof f);
    f.code = code;
    f.index = point;
    strncpy(f.endTime, stamp, sizeof f.endTime - 1);
    f.active = 0;
    for (int n = 0; n < lines; ++n)
        alarmFile->set(&f);
    p.open -= lines;
    alarmSize -= lines;
}

void DATADEAL::traceAlarm(Source src, bool rising, int module, int point, int value)
{
    switch (src) {
    case DCAC:
        printf("%s-DCAC alarm:moduleId=%d  index=%d  %s status=%d\n", "dealwithAlarmRecord", module, point,
            nameAt(dcacAlarmName, NAME_ROWS, point).c_str(), value);
        break;
    case DCDC:
        if (rising)
            printf("%s-DCDC alarm:moduleId=%d  index=%d %s status=%d\n", "dealwithAlarmRecord", module, point,
                nameAt(dcdcAlarmName, NAME_ROWS, point).c_str(), value);
        else
            printf("%s-DCDC alarm disappear:moduleId=%d  index=%d %s status=%d\n", "dealwithAlarmRecord", module,
                point, nameAt(dcdcAlarmName, NAME_ROWS, point).c_str(), value);
        break;
    case STS:
        printf("%s-STS alarm:moduleId=%d  index=%d  %s status=%d\n", "dealwithAlarmRecord", module, point,
            nameAt(stsAlarmName, NAME_ROWS, point).c_str(), value);
        break;
    }
}

void DATADEAL::alarmEdge(AlarmPoint& p, int value, Source src, int module, int code, int point, const char* stamp,
    bool* changed, bool* raised)
{
    if (value == p.last)
        return;
    const bool rising = value > p.last;
    if (rising) {
        ChargerFault f;
        memset(&f, 0, sizeof f);
        f.code = code;
        f.index = point;
        strncpy(f.startTime, stamp, sizeof f.startTime - 1);
        f.active = 1;
        alarmFile->set(&f);
        p.open += 1;
        alarmSize += 1;
        *raised = true;
    } else {
        // A fall to 0 ends the alarm: every line the point still holds open is closed. A fall
        // to a lower non-zero level closes only the newest.
        closeAlarmLines(p, value == 0 ? p.open : (p.open > 0 ? 1 : 0), code, point, stamp);
    }
    p.last = value;
    *changed = true;
    traceAlarm(src, rising, module, point, value);
}

void DATADEAL::dealwithAlarmRecord()
{
    char stamp[32];
    stampNow(stamp);
    bool changed = false;
    bool raised = false;

    if (m_acdc) {
        for (int m = 1; m <= DCAC_MODULES; ++m) {
            const bool offline = m_dcacstate && m_dcacstate[m] == STATE_OFFLINE;
            for (int i = 0; i < ALARM_POINTS; ++i) {
                const int v = m_acdc->getAlarm(m, i);
                if (v < 0)
                    continue;
                AlarmPoint& p = alarmDcac[m - 1][i];
                if (offline) {
                    // An offline module's alarms end with it; they open again when it returns.
                    if (p.last != 0) {
                        p.last = 0;
                        closeAlarmLines(p, p.open, 100 + m, i, stamp);
                        traceAlarm(DCAC, false, m, i, 0);
                        changed = true;
                    }
                    continue;
                }
                alarmEdge(p, v, DCAC, m, 100 + m, i, stamp, &changed, &raised);
            }
        }
    }
    if (m_dcdc) {
        for (int m = 1; m <= DCDC_MODULES; ++m)
            for (int i = 0; i < ALARM_POINTS; ++i) {
                const int v = m_dcdc->getAlarm(m, i);
                if (v >= 0)
                    alarmEdge(alarmDcdc[m - 1][i], v, DCDC, m, 200 + m, i, stamp, &changed, &raised);
            }
    }
    if (m_sts) {
        for (int i = 0; i < ALARM_POINTS; ++i) {
            const int v = m_sts->getAlarm(1, i);
            if (v >= 0)
                alarmEdge(alarmSts[i], v, STS, 1, 301, i, stamp, &changed, &raised);
        }
    }

    if (changed)
        alarmFile->write();
    if (raised) {
        g_alarm_flag = 1;
        dealwithBuzz();
    } else if (g_alarm_flag == 1) {
        dealwithBuzz();
    }
    if (alarmSize == 0)
        Buzz::beep(0, 0);
    if (m_set[62].value == 0)
        dealwithoffline();
    dealwithLed();
}

void DATADEAL::dealwithBuzz()
{
    const bool system = statusOf(m_acdc, 0, 52) || statusOf(m_dcdc, 0, 25) || statusOf(m_sts, 1, 13)
        || statusOf(m_acdc, 0, 51) || statusOf(m_dcdc, 0, 24) || statusOf(m_sts, 1, 12);
    if (system) {
        startbuzz30s();
    } else {
        Buzz::beep(0, 0);
        g_alarm_1s_count = 0;
    }
}

void DATADEAL::startbuzz30s()
{
    if (g_alarm_1s_count != 0)
        return;
    Buzz::beep(1, 0);
    g_alarm_1s_count = 1;
    startTimerIn(buzzTimer, 1000);
}

void DATADEAL::time_1s_slot()
{
    if (g_alarm_1s_count == 0)
        return;
    g_alarm_1s_count += 1;
    if (g_alarm_1s_count >= BUZZ_SECONDS) {
        g_alarm_1s_count = 0;
        g_alarm_flag = 0;
        Buzz::beep(0, 0);
        buzzTimer->stop();
    }
}

void DATADEAL::dealwithLed()
{
    int word = 0;
    if (statusOf(m_acdc, 0, 52) || statusOf(m_dcdc, 0, 25) || statusOf(m_sts, 1, 13) || g_remoteout485flag
        || g_remoteoutTCPflag)
        word = LED_FAULT;
    else if (statusOf(m_acdc, 0, 51) || statusOf(m_dcdc, 0, 24) || statusOf(m_sts, 1, 12))
        word = LED_ALARM_BLINK;
    else if (offlineFlag == 1)
        word = m_set[62].value == 0 ? LED_ALARM_BLINK : 0;
    if ((statusOf(m_acdc, 0, 53) || statusOf(m_dcdc, 0, 0)) && word != LED_FAULT)
        word |= LED_RUN;
    m_led->sys_ctl(word);
}

// ---- status changes ----

void DATADEAL::statusEdge(int& last, int value, Source src, bool branch, int module, int code, int point,
    const char* stamp)
{
    if (value < 0 || value == last)
        return;
    OperateRecord r;
    memset(&r, 0, sizeof r);
    strncpy(r.time, stamp, sizeof r.time - 1);
    r.oid = point;
    r.modules = code;
    r.rdata = last;
    r.mdata = value;
    statusFile->set(&r);
    statusFile->write();
    last = value;
    // Every change is in the status log; the console shows them with the device's trace switch.
    if (!(debug & (src == DCDC ? 2 : 1)))
        return;
    switch (src) {
    case DCAC:
        if (branch)
            printf("%s-DCAC status change:moduleId=%d  index=%d %s status=%d\n", "dealwithStatusRecord", module, point,
                nameAt(dcacStatusName, NAME_ROWS, point).c_str(), value);
        else
            printf("%s-DCAC status change:moduleId=%d  index=%d  %s status=%d\n", "dealwithStatusRecord", module, point,
                nameAt(dcacStatusName, NAME_ROWS, point).c_str(), value);
        break;
    case DCDC:
        printf("%s-DCDC status change:moduleId=%d  index=%d  %s status=%d\n", "dealwithStatusRecord", module, point,
            nameAt(dcdcStatusName, NAME_ROWS, point).c_str(), value);
        break;
    case STS:
        printf("%s-STS status change:moduleId=%d  index=%d  %s status=%d\n", "dealwithStatusRecord", module, point,
            nameAt(stsStatusName, NAME_ROWS, point).c_str(), value);
        break;
    }
}

void DATADEAL::dealwithStatusRecord()
{
    enum { DCDC_UNRECORDED_POINT = 21 };
    char stamp[32];
    stampNow(stamp);
    if (m_acdc) {
        for (int b = 0; b < BRANCHES; ++b)
            for (int i = 0; i < DCAC_STATUS_POINTS; ++i) {
                const int module = 1001 + b;
                statusEdge(statusDcacBranch[b][i], m_acdc->getStatus(module, i), DCAC, true, module, module + 100,
                    i, stamp);
            }
        for (int m = 1; m <= DCAC_MODULES; ++m)
            for (int i = 0; i < DCAC_STATUS_POINTS; ++i)
                statusEdge(statusDcac[m - 1][i], m_acdc->getStatus(m, i), DCAC, false, m, 100 + m, i, stamp);
    }
    if (m_dcdc) {
        for (int b = 0; b < BRANCHES; ++b)
            for (int i = 0; i < DCDC_STATUS_POINTS; ++i) {
                if (i == DCDC_UNRECORDED_POINT)
                    continue;
                const int module = 1001 + b;
                statusEdge(statusDcdcBranch[b][i], m_dcdc->getStatus(module, i), DCDC, true, module, module + 200,
                    i, stamp);
            }
        for (int m = 1; m <= DCDC_MODULES; ++m)
            for (int i = 0; i < DCDC_STATUS_POINTS; ++i) {
                if (i == DCDC_UNRECORDED_POINT)
                    continue;
                statusEdge(statusDcdc[m - 1][i], m_dcdc->getStatus(m, i), DCDC, false, m, 200 + m, i, stamp);
            }
    }
    if (m_sts) {
        for (int i = 0; i < STS_STATUS_POINTS; ++i)
            statusEdge(statusSts[i], m_sts->getStatus(1, i), STS, false, 1, 301, i, stamp);
    }
}

// ---- panel events ----

void DATADEAL::writeEvent(norvale::OperateRecordFile* file, int code, double oldValue, double newValue)
{
    OperateRecord r;
    memset(&r, 0, sizeof r);
    stampNow(r.time);
    r.oid = 0;
    r.modules = code;
    r.rdata = oldValue;
    r.mdata = newValue;
    file->set(&r);
    file->write();
}

void DATADEAL::monitorPoweronState()
{
    writeEvent(statusFile, 2000, 0.0, 1.0);
}

void DATADEAL::monitorRemoteState(int flag)
{
    writeEvent(operateFile, flag ? 3100 : 3101, 0.0, 1.0);
}

void DATADEAL::monitoWriteLog(int a)
{
    writeEvent(operateFile, 3000 + a, 0.0, 1.0);
}

void DATADEAL::monitorforceChargeLog(int a, int kind, int value)
{
    const int code = kind == 0 ? 3200 + a : kind == 1 ? 3210 + a : 0;
    double oldValue = 0.0;
    double newValue = 0.0;
    if (value == 0) {
        newValue = 1.0;
    } else if (value == 1) {
        oldValue = 1.0;
    }
    writeEvent(operateFile, code, oldValue, newValue);
}

// ---- module states ----

void DATADEAL::checkDcacModuleState(int module)
{
    const bool branch = module >= 1001 && module <= 1000 + BRANCHES;
    if (!m_dcacstate || !((module >= 0 && module <= DCAC_MODULES) || branch))
        return;
    StateByte* a = m_dcacstate;
    const int slot = branch ? module - 981 : module;
    auto on = [&](int point) { return statusOf(m_acdc, module, point) != 0; };

    if (!branch && on(1))
        a[19] = on(53) ? STATE_RUNNING : 0;
    a[slot + 30] = on(52) ? STATE_FAULT : on(51) ? STATE_ALARM : STATE_NORMAL;
    unsigned char state;
    if (!on(0)) {
        a[slot + 30] = STATE_NONE;
        state = STATE_OFFLINE;
    } else if (on(62)) {
        state = STATE_SLEEP;
    } else if (!on(53)) {
        state = STATE_STOPPED;
    } else if (branch && on(54)) {
        state = STATE_STANDBY;
    } else if (on(61)) {
        state = STATE_PV;
    } else if (on(59)) {
        state = STATE_FULL;
    } else if (on(8)) {
        state = STATE_CV_FLOAT;
    } else if (on(7)) {
        state = STATE_CV_EQUALISE;
    } else if (on(57)) {
        state = STATE_CHARGING;
    } else if (on(60)) {
        state = STATE_EMPTY;
    } else if (on(58)) {
        state = STATE_DISCHARGING;
    } else {
        state = STATE_RUNNING;
    }
    a[slot] = state;
}

void DATADEAL::checkDcdcModuleState(int module)
{
    const bool branch = module >= 1001 && module <= 1000 + BRANCHES;
    if (!m_dcdcstate || !((module >= 0 && module <= DCDC_MODULES) || branch))
        return;
    StateByte* d = m_dcdcstate;
    const int slot = branch ? module - 981 : module;
    auto on = [&](int point) { return statusOf(m_dcdc, module, point) != 0; };

    d[slot + 30] = on(25) ? STATE_FAULT : on(24) ? STATE_ALARM : STATE_NORMAL;
    unsigned char state;
    if (!on(100)) {
        d[slot + 30] = STATE_NONE;
        state = STATE_OFFLINE;
    } else if (on(53)) {
        state = STATE_SLEEP;
    } else if (!on(0)) {
        state = STATE_STOPPED;
    } else if (branch && on(1)) {
        state = STATE_STANDBY;
    } else if (on(52)) {
        state = STATE_PV;
    } else if (on(50)) {
        state = STATE_FULL;
    } else if (on(7)) {
        state = STATE_CV_FLOAT;
    } else if (on(6)) {
        state = STATE_CV_EQUALISE;
    } else if (on(48)) {
        state = STATE_CHARGING;
    } else if (on(51)) {
        state = STATE_EMPTY;
    } else if (on(49)) {
        state = STATE_DISCHARGING;
    } else {
        state = STATE_RUNNING;
    }
    d[slot] = state;
}

void DATADEAL::checkSTSState()
{
    if (!m_dcacstate)
        return;
    unsigned char state;
    if (statusOf(m_sts, 1, 0) == 0)
        state = STATE_OFFLINE;
    else if (statusOf(m_sts, 1, 13))
        state = STATE_FAULT;
    else if (statusOf(m_sts, 1, 12))
        state = STATE_ALARM;
    else
        state = STATE_RUNNING;
    m_dcacstate[12] = state;
}

void DATADEAL::dealwithoffline()
{
    if (graceSeconds < GRACE_SECONDS || !m_dcacstate || !m_dcdcstate) {
        offlineFlag = 0;
        return;
    }
    const int needed = currentRackInfo.moduleCount;
    int acOnline = 0;
    int dcOnline = 0;
    for (int m = 1; m <= 10; ++m) {
        if (m_dcacstate[m] != STATE_OFFLINE)
            ++acOnline;
        if (m_dcdcstate[m] != STATE_OFFLINE)
            ++dcOnline;
    }
    bool tooFew = acOnline < needed;
    if (m_set[24].value != 1)
        tooFew = tooFew || dcOnline < needed;
    if (m_set[21].value == 0 && m_dcacstate[12] == STATE_OFFLINE)
        tooFew = true;
    if (tooFew) {
        offlineFlag = 1;
        emit sendcommond(28);
    } else {
        offlineFlag = 0;
    }
}

// ---- once a second ----

void DATADEAL::dealwithPower()
{
    static const struct {
        int analog;
        int setting;
    } pairs[] = { { 47, 87 }, { 48, 76 }, { 70, 85 } };
    if (!m_acdc || !m_dcdc)
        return;
    for (const auto& p : pairs) {
        // A read that fails leaves its value unknown: that pair waits for the next second
        // rather than sending the converter whatever the variable held.
        float value = 0.0f;
        float current = 0.0f;
        if (m_acdc->getAnalog(0, p.analog, &value) < 0 || m_dcdc->getConfig(20, p.setting, &current) < 0)
            continue;
        if (value != current)
            m_dcdc->setting(30, p.setting, value, 0);
    }
}

void DATADEAL::time_power_slot()
{
    if (m_acdc)
        m_acdc->getAnalog(0, 53, &g_power[0]);
    batteryPeriod += 1;
    batteryPoll += 1;
    if (graceSeconds < GRACE_SECONDS)
        graceSeconds += 1;
}

// The battery step (dealwithBms) and the relay, trip and link steps are in datadeal_supervision.cpp.

// ---- export and snapshot ----

// In datadeal_export.cpp.
