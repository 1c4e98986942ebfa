#ifndef DATADEAL_H
#define DATADEAL_H

#include "globalvar.h"
#include "operaterecord.h"

#include <QThread>
#include <atomic>
#include <pthread.h>
#include <vector>

class QTimer;
class DeviceData;
class ModbusAcDcData;
class Gpio;
class Led;
class Buzz;
struct setvalue;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}
namespace norvale {
class AlarmRecordFile;
class OperateRecordFile;
}

// The panel's data-handling thread. Every 100 ms pass it moves the devices' operation records
// into the operation log, opens and closes alarm lines and writes status changes, and drives
// the buzzer and LEDs; every sixth pass it recomputes the module states and runs the relay,
// trip and link steps; once a second from the 80th pass on it runs the battery step and copies
// three AC/DC values to the DC/DC side. The object lives in the GUI thread: its timers and
// slots run there, only run() runs in the data thread.
class DATADEAL : public QThread {
    Q_OBJECT
public:
    enum {
        DCAC_MODULES = 11, DCDC_MODULES = 10, BRANCHES = 8, ALARM_POINTS = 150,
        DCAC_STATUS_POINTS = 73, DCDC_STATUS_POINTS = 150, STS_STATUS_POINTS = 73
    };

    DATADEAL();
    // Stops the running thread at the end of its pass, then frees what the constructor made.
    ~DATADEAL() override;

    // The devices as DeviceData (the library objects convert to it; a build without a library
    // hands over the view it was made with) and the settings. Before start().
    void setDeviceData(DeviceData* acdc, DeviceData* dcdc, DeviceData* sts, DeviceData* bms,
        modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, setvalue* settings);
    // The AC/DC object itself, whose energy statistics the report reads; null gives no report.
    void setAcDcData(ModbusAcDcData* acdc);
    void setModuleState(StateByte* dcacstate, StateByte* dcdcstate);
    // Status, alarm and analog names of AC/DC, DC/DC and the switch, then their setting names.
    void setDataName(char (*dcacStatus)[32], char (*dcdcStatus)[32], char (*stsStatus)[32],
        char (*dcacAlarm)[32], char (*dcdcAlarm)[32], char (*stsAlarm)[32],
        char (*dcacAnalog)[32], char (*dcdcAnalog)[32], char (*stsAnalog)[32],
        char (*dcacConfig)[48], char (*dcdcConfig)[48], char (*stsConfig)[48]);
    // Takes the snapshot slot from set[9] and restarts the snapshot timer with set[10] minutes.
    void startLog();

    int getAlarmSize();
    void buzzoff();
    norvale::AlarmRecordFile* getAlarmRecordFile();
    norvale::OperateRecordFile* getStatusRecordFile();
    norvale::OperateRecordFile* getOperateRecordFile();
    static void delay_ms(unsigned int ms);

    // One pass of the run loop, its 100 ms sleep included; run() repeats it for ever.
    void onePass();

    // Every pass: records, buzzer, LEDs.
    void dealwithSetting(OperateRecord* buffer);
    void dealwithAlarmRecord();
    void dealwithStatusRecord();
    void dealwithBuzz();
    void startbuzz30s();
    void dealwithLed();
    void download_patch();

    // USB export, asked for through dealwithcommond: one copy each, the energy report and the
    // version file in the GUI thread; the report copy and the archive in threads of their own.
    void download_alarm();
    void download_status();
    void download_operate();
    void download_dcac_fault();
    void download_dcdc_fault();
    void download_sts_fault();
    void download_energy();
    void getDSPVersion();
    static void* download_data(void* arg);
    static void* download_log(void* arg);

    // Panel events, each one record written at once.
    void monitorPoweronState();
    void monitorRemoteState(int flag);
    void monitoWriteLog(int a);
    void monitorforceChargeLog(int a, int kind, int value);

    // Every sixth pass: module states, then relays, trips and links.
    void checkDcacModuleState(int module);
    void checkDcdcModuleState(int module);
    void checkSTSState();
    void dealwithRelay();
    void dealwithTrip();
    void dealwithConnect();
    // Every pass while the offline alarm is on (set[62] 0).
    void dealwithoffline();

    // Once a second from the 80th pass on.
    void dealwithBms();
    void dealwithPower();
    // Online flags of the battery strings: source 0 the RTU slave's registers, 1 the battery device.
    void checkBMSOnline(int source);
    // A DC/DC write with up to three attempts, waiting for each result; an AC/DC write tried
    // once. 0 when the converter took the value, -1 otherwise.
    int setDc(int module, int index, float value);
    int setAc(int module, int index, float value);

    // The number of battery strings, set[23] held to 0..8: it bounds loops over the branches.
    int branchCount() const;

signals:
    void sendcommond(int id, int commond);
    void sendcommond(int commond);
    void replot();

public slots:
    void dealwithcommond(int commond);
    void time_1s_slot();
    void time_1og_slot();
    void time_power_slot();

protected:
    void run() override;
    // Called last in run(), an override's too: the destructor reads it after wait(). QThread's own
    // end-of-run hand-off happens inside Qt, which ThreadSanitizer does not see.
    void runEnds() { m_runsEnded.fetch_add(1, std::memory_order_release); }

private:
    std::atomic<int> m_runsEnded{0};
    // The last value seen of one alarm point and the lines it holds open in the history.
    struct AlarmPoint {
        int last;
        int open;
    };
    enum Source { DCAC, DCDC, STS };

    void alarmEdge(AlarmPoint& p, int value, Source src, int module, int code, int point, const char* stamp,
        bool* changed, bool* raised);
    void closeAlarmLines(AlarmPoint& p, int lines, int code, int point, const char* stamp);
    void traceAlarm(Source src, bool rising, int module, int point, int value);
    void statusEdge(int& last, int value, Source src, bool branch, int module, int code, int point,
        const char* stamp);
    void writeEvent(norvale::OperateRecordFile* file, int code, double oldValue, double newValue);
    void traceOperateRecord(Source src, const OperateRecord& r);
    static void startTimerIn(QTimer* timer, int ms);
    static void stopTimerIn(QTimer* timer);

    // Steps of the battery pass.
    DeviceData* batterySource(int type) const;
    void readBmsSoc(int type);
    unsigned int batteryBits(int type);
    unsigned int stringBits(int type, int string);
    int heartbeatBit(int type, int string);
    unsigned int relayOpenBits(int string);
    void sendWord(int string, unsigned int word);
    void passLimits(int type, int strings);
    void passLimit(DeviceData* source, int flagModule, int flagPoint, int branch, int type, int string);
    bool readLimit(int type, int string, bool charge, float* limit);
    void sendSecondWords(int strings);
    void applyDcVoltage();
    void forceChargeAndWake(int strings);
    int waitResult(DeviceData* device, int module);
    bool pulseTrip(const int* outputs, int count);

    StateByte* m_dcacstate;
    StateByte* m_dcdcstate;

    AlarmPoint alarmDcac[DCAC_MODULES][ALARM_POINTS];
    AlarmPoint alarmDcdc[DCDC_MODULES][ALARM_POINTS];
    AlarmPoint alarmSts[ALARM_POINTS];
    int statusDcacBranch[BRANCHES][DCAC_STATUS_POINTS];
    int statusDcac[DCAC_MODULES][DCAC_STATUS_POINTS];
    int statusDcdcBranch[BRANCHES][DCDC_STATUS_POINTS];
    int statusDcdc[DCDC_MODULES][DCDC_STATUS_POINTS];
    int statusSts[STS_STATUS_POINTS];

    norvale::OperateRecordFile* operateFile;
    norvale::OperateRecordFile* statusFile;
    norvale::AlarmRecordFile* alarmFile;

    DeviceData* m_acdc;
    DeviceData* m_dcdc;
    DeviceData* m_sts;
    DeviceData* m_bms;
    modbus::ModbusrtuDevice* m_rtu;
    modbus::ModbustcpDevice* m_tcp;
    setvalue* m_set;

    std::atomic<int> alarmSize;

    Gpio* m_gpio;
    Led* m_led;
    Buzz* m_buzz;

    char (*dcacStatusName)[32];
    char (*dcdcStatusName)[32];
    char (*stsStatusName)[32];
    char (*dcacAlarmName)[32];
    char (*dcdcAlarmName)[32];
    char (*stsAlarmName)[32];
    char (*dcacAnalogName)[32];
    char (*dcdcAnalogName)[32];
    char (*stsAnalogName)[32];
    char (*dcacConfigName)[48];
    char (*dcdcConfigName)[48];
    char (*stsConfigName)[48];

    int logSlot;
    pthread_mutex_t logMutex;

    void serveExport(int commond);
    void exportAll();
    void copyOut(int id, int count, int started, int done, const char* from, const char* name);

    ModbusAcDcData* m_acdcData = nullptr;
    // A request that arrives while another is served (the copies let GUI events through) waits.
    bool m_exporting = false;
    std::vector<int> m_waitingRequests;
    // True while an export-all gathers its files into "Logfiles/".
    bool m_gathering = false;
    bool m_reportBuilt = false;

    QTimer* buzzTimer;
    QTimer* logTimer;
    QTimer* powerTimer;

    bool connectToggle;
    // Seconds counted by the power timer in the GUI thread, cleared by the battery step.
    std::atomic<int> batteryPeriod;
    std::atomic<int> batteryPoll;
    // Seconds since construction, held at 30: no offline alarm before then.
    std::atomic<int> graceSeconds;
    int offlineFlag;

    // Battery strings: the command word last sent, the communication-loss bit (8 or 0), the
    // second word last sent (one battery type), and whether a forced charge runs.
    int idataOld[BRANCHES] = {};
    int ibmsStat[BRANCHES] = {};
    int jy_dataold[BRANCHES] = {};
    int forceChargeLatch[BRANCHES] = {};
    // Branches 1001.. whose trip pulse went out and whose request has not cleared yet.
    int tripFlag[BRANCHES] = {};

    // Pass counters of the run loop: battery, start-up and module-state passes.
    OperateRecord recordBuffer;
    int passBattery;
    int passStart;
    int passState;
};

#endif
