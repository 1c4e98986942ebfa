#ifndef DCHANDLER_H
#define DCHANDLER_H

#include "canframe.h"
#include "devicedata.h"
#include "faultwavering.h"
#include "paramrecord.h"
#include "rackconfig.h"
#include "relaxed.h"

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <stdint.h>
#include <string>
#include <vector>

class CanHandler;
class ParamFile;
namespace pcsdcdc {
class FaultRecordFile;
}

// Everything the DC/DC link knows: the CAN link on its interface, every value the modules
// report, the command table of "../conf-dcdc/map.pdu", the parameter files, the fault records,
// the energy totals, and the library's threads. It does not know which transport carries its
// frames.
//
// Module ids: 0 the whole DC side, 1..10 the modules (bus addresses 0x81..0x8A), 1001..1008
// the groups (battery strings; a module belongs to group g when its status g - 993 is 1),
// 20..23 and 30 dispatch and broadcast commands; 65..79 and 128..143 the targets of a firmware
// upgrade (79 and 143 every module of a kind at its default address).
class DcHandler : public DeviceData {
    friend struct DcHandlerProbe;

public:
    enum {
        MODULES = 10,
        INDICES = 200,          // per module: status, alarm and analog indices
        GROUPS = 8,
        FIRST_GROUP = 1001,
        LAST_GROUP = 1008,
        SYSTEM_PARAMS = 1000,   // parameter file id of the system
        RAW_PFS = 255,          // PDU formats 0..254 kept per module
        ENERGY_SLOTS = MODULES + GROUPS,
        ENERGY_BYTES = ENERGY_SLOTS * 2 * 8,
        ONLINE = 100,           // status index of the online flag
        VERSION = 1205,
        OWN_ADDRESS = 0x11,
        BROADCAST = 0xBF,
        MODULE_BASE = 0x80,
        COMMAND_PF = 0x60,
        ENERGY_SAVE_TICKS = 900,
        CONNECT_TICKS = 4,
        FIRST_FAULT_PF = 48,
        LAST_FAULT_PF = 95,
        FAULT_FRAMES = 21,
        FAULT_MASK_FULL = 0x1FFFFF,
        HISTORY = 60,
        UPGRADE_ADDRESS = 0x12,
        UPGRADE_ROUNDS = 3,
        STEP_POLLS = 1000,      // of 10 ms
        LINE_POLLS = 10000,     // of 1 ms
        BAD_UPGRADE_FILE = -9,  // setting(…, 0, type): the one file fails its record checks
        RECEIVE_WAIT_MS = 1000, // longest wait on a quiet bus (the timer period is shorter)
    };

    // Results of one upgrade target: 0 waiting, 1 success, -1 failure reply (data phase: file
    // unusable), -2 failed after resending.
    enum UpgradeResult { R_BOOT, R_DECRYPT, R_ERASE, R_LINE, R_DATA, R_END, R_SINGLE, UPGRADE_RESULTS };
    struct UpgradeModule {
        int address;
        int result[UPGRADE_RESULTS];
    };
    // Data bytes of the boot, decryption, erase and end commands.
    static const uint8_t upgradeCmdFrames[4][8];

    // One snapshot of a module's analogs 0..31 for the fault waveform; the rest stays zero.
    struct RealAnalogStruct {
        float values[100];
    };

    // One row of the command table.
    struct CommandRow {
        int number;     // kept, unused
        int code;       // data byte 0 of the command frame
        int priority;   // 0..7
        int pf;         // PDU format
        int scale;      // the value sent is the integer part of scale times the value
        int field7;     // kept, unused
        int field8;
    };
    // The [INIT] row: the rows sent when a module is initialised, the record limit (rows below
    // it are parameters that leave an operate record) and the row that is broadcast.
    struct InitRow {
        int first;
        int last;
        int recordLimit;
        int broadcastRow;
    };

    DcHandler(const char* canIf, int bitrate, int periodMs, bool trace);
    ~DcHandler() override;

    // 0; the link's code (-1..-8); -1 "../conf-dcdc/map.pdu" missing; a thread-creation error.
    int open() override;
    int close() override;
    int getAnalog(int module, int index, float* out) override;
    int getStatus(int module, int index) override;
    int getAlarm(int module, int index) override;
    int getConfig(int module, int index, float* out) override;
    int setting(int module, int index, float value, int broadcastFlag) override;
    int getSettingResult(int module) override;
    int getOperateRecord(OperateRecord* out) override;
    // 1205 with the build date and time; -1 for a null buffer or one shorter than 32 bytes.
    int getVersion(char* buf, int len) override;
    int getFaultRecordSize() override;
    int getFaultRecord(int i, FaultRecord* out) override;

    // Under the send mutex, up to 10 tries until the link takes the frame: 0, else the last
    // link code.
    int send(const CanFrame* frame);
    // send() three times, 2 ms apart: the last result.
    int quickThreeSend(const CanFrame* frame);
    // One acknowledged exchange with module m: 0 acknowledged, -1 not (after three tries).
    int internalsend(const CanFrame* frame, int module);
    // Command row `row` with a value to one module, once: 0, else the link code (-1 no row).
    int initControlCmd(int module, int row, float value);
    // Sends a module the [INIT] rows from the parameter file of its system id.
    int init_dsp(int module);

    // Decodes one received frame.
    void process(const CanFrame* frame);

    // Divisors of the analog words of PDU formats 16..47, four a frame.
    static const int analogDataScale[128];

    // One turn of the receive thread: one frame read and decoded, and the timer event when its
    // period is over. Returns how long to wait before the next turn (0: go on at once).
    int samplePass();
    // The receive thread's wait after a turn. Once a whole wait has brought nothing it waits on
    // the socket instead (up to the next timer event), so a quiet bus costs no wake-ups while
    // a burst of frames is still read in turns of the usual wait.
    void samplePause(int ms);
    // Heartbeat, connection check and, every 900th time, the energy file.
    void timerEvent();
    // Every 4th call: a module that sent anything since the last such call is online.
    void checkconnect();
    // One pass of the fault-data thread: the waveform capture around module faults.
    void RealFaultData();
    // Asks module 1..10 for its fault data, or tells it to stop: 0, -1 bad module, else the
    // link code.
    int faultUpNow(int module);
    int faultUpStop(int module);
    // The 21 fault frames of a module as one record in the fault record file.
    void faultSave(unsigned char module);
    // Appends one waveform record to "../log/dcFaultData.dat".
    int writeFaultRealData(FaultRealDataLog* record);

    // The upgrade pass over the registered targets; run by the upgrade thread.
    void startUpgrade();
    static void* upgradeThread(void* handler);
    bool upgradeRunning() const { return m_upgrading; }
    std::string upgradeFile() const;
    // One pass of the parameter thread: every parameter file writes its changed lines.
    void dcParamPass();
    // The energy block to "../log/DcData.log": 0, or -1 when the file cannot be written.
    int writeEnergy();

    // Milliseconds for intervals (monotonic).
    static double getCurrentTimeMillis();

    static void* sampleThread(void* handler);
    static void* RealFaultDataThread(void* state);
    static void* dcParamHandler_thread(void* state);
    // The body of both: one pass a second, on a fixed schedule, until the handler asks the thread
    // to stop.
    static void* everySecond(void* state, void (DcHandler::*pass)());

    // For the owner and tests.
    bool receiving() const { return m_running; }
    const RackInfoStuct& currentRack() const { return m_rackRow; }
    int systemId(int module) const { return module >= 1 && module <= MODULES ? m_systemId[module] : 0; }
    int directAddressing() const { return m_direct; }
    int heartCount() const { return m_heartCount; }
    const std::vector<CommandRow>& commandTable() const { return m_commands; }
    const InitRow& initRow() const { return m_init; }
    double energyTotal(int id, int k) const;
    // Fault uploads that lost frames and were dropped, never stored.
    int faultUploadsDropped() const { return m_faultUploadsDropped; }

private:
    DcHandler(const DcHandler&) = delete;
    DcHandler& operator=(const DcHandler&) = delete;

    struct Background;

    int startThreads();
    void openParamFiles();
    int readCommandTable();
    void readEnergy();
    void chooseRack();
    bool paramValue(int id, int index, float* out);
    // Settings by kind of target.
    int moduleSetting(int module, int index, float value, int broadcastFlag);
    int groupSetting(int group, int index, float value, int broadcastFlag);
    int systemSetting(int index, float value);
    int powerSetpoint(int module, int index, float value);
    int dispatchSetting(int module, int index, float value);
    int commandSetting(int module, int index, float value);
    std::vector<int> dcUnitAddresses(int module) const;
    CanFrame rowFrame(int row, int da, float value) const;
    bool validRow(int row) const { return row >= 0 && row < int(m_commands.size()); }
    bool addParam(int id, int index, float value);
    bool requestWrite(int id);
    void keepInitValue(int index, float value);
    int firstGroup(int module) const;
    int pendingResult(int module, bool (DcHandler::*watched)(int, int) const, int group, double since, int limitMs);
    bool onlineMember(int module, int group) const { return online(module) && member(module, group); }
    bool onlineModule(int module, int) const { return online(module); }

    // Operate records.
    void queueRecord(int code, int oid, double before, double after);
    void traceRecord(const char* function, int module, int index, double before, double after);
    void writeOperaterecord(int source, int index, double before, double after, bool powerFactor);
    void writeOnOffOper(int code, int value);
    // An acknowledgement read inside an exchange.
    void dealwithframe(const CanFrame* frame);
    void afterStatusFrame(int module);
    void decodeAcknowledgement(int module, const CanFrame* frame);
    void decodeFaultFrame(int module, int pf);
    // Frame k (0..20) of a module's fault upload.
    void collectFaultFrame(int module, int k);
    void dropFaultUpload(int module, const char* lost);
    // Firmware upgrade.
    int upgradeSetting(int address, int index, float value);
    int upgradeStatus(int address, int index);
    int chooseUpgradeFile(int type);
    void decodeUpgradeReply(const CanFrame* frame);
    UpgradeModule* upgradeEntry(int address);
    int upgradeResult(int address, int which);
    void setUpgradeResult(int address, int which, int value);
    void sendUpgradeCmd(int step, int da);
    void sendUpgradeLine(int address, const uint8_t* bytes, int n);
    bool upgradePause(int ms);
    bool workListEmpty();
    void dropFromWorkList(int address);
    void waitStep(int which);
    void resendStep(int step, int which);
    bool singleAnswerCheck(int address);
    void dataPhase();
    bool sendLineAcknowledged(int address, const uint8_t* bytes, int n);
    void joinUpgrade();
    int faultRequest(int module, int upload, const char* function);
    RealAnalogStruct snapshot(int module) const;

    bool isModule(int module) const { return module >= 1 && module <= MODULES; }
    bool isGroup(int module) const { return module >= FIRST_GROUP && module <= LAST_GROUP; }
    bool online(int module) const { return m_status[module][ONLINE] != 0; }
    bool member(int module, int group) const { return m_status[module][group - 993] == 1; }
    void decodeBits(Relaxed<int> (*table)[INDICES], int module, int first, const CanFrame* f);
    void decodeAnalogs(int module, const CanFrame* f);
    void decodePriority7(const CanFrame* f);
    float moduleAnalog(int module, int index);
    int groupStatus(int group, int index);
    float groupAnalog(int group, int index);
    int groupAlarm(int group, int index);

    // Operate records, oldest first.
    std::deque<OperateRecord> m_records;
    std::mutex m_recordLock;

    CanHandler* m_can;
    std::mutex m_sendLock;   // every use of the link, and m_backlog
    // Frames read while waiting for an acknowledgement that were not it: the receive thread
    // takes them before reading the link again, so that a status or fault frame is not lost.
    std::deque<CanFrame> m_backlog;
    void keepForLater(const CanFrame& f);

    char m_canIf[128];
    int m_bitrate;
    int m_period;
    bool m_trace;

    std::atomic<bool> m_running;
    std::atomic<bool> m_stop;
    std::atomic<bool> m_upgrading;
    double m_lastTimer;
    int m_emptyTurns = 0;   // turns in a row that found nothing waiting
    int m_heartCount;
    int m_connectCount;
    int m_timerCount;

    // Row 0 holds system values where noted. Written by the receive thread, read by every
    // caller without a lock: each value is one aligned word.
    Relaxed<int> m_status[MODULES + 1][INDICES];
    Relaxed<int> m_alarm[MODULES + 1][INDICES];
    Relaxed<float> m_analog[MODULES + 1][INDICES];
    std::atomic<int> m_alive[MODULES + 1];
    uint8_t m_raw[MODULES + 1][RAW_PFS][8];

    // Two readings of each sender 0x41..0x4A on priority 7, and their sums.
    float m_p7[MODULES + 1][2];
    float m_p7Sum[2];

    std::vector<CommandRow> m_commands;
    InitRow m_init;
    std::atomic<int> m_lastInitValue;   // of index 7 or 31, sent when a module is initialised

    // Settings in flight: per module 0 idle, 2 being sent, 1 not acknowledged (reported once
    // by getSettingResult); the send times of the last module, group and system settings; 1
    // while getSettingResult reports a setting pending.
    std::atomic<int> m_pending[MODULES + 1];
    std::atomic<double> m_sendTime[MODULES + 1];
    std::atomic<double> m_groupSendTime[GROUPS];
    std::atomic<double> m_systemSendTime;
    std::atomic<int> m_settling;

    // Module initialisation: three flags per module (row 5 and row 9 still to be confirmed, and
    // initialised at all), the row-5 resend flag, and each group's pending values of rows 5, 9.
    int m_initFlag[MODULES + 1][3];
    std::atomic<int> m_resend5[MODULES + 1];
    std::atomic<float> m_group5[GROUPS];
    std::atomic<float> m_group9[GROUPS];

    // Dispatch set-points (87, 76 and 85 as sent: tenths, tenths, hundredths) and the copies
    // the last records of module 20 were made against, command 21, and the power set-points of
    // the system and of each group (tenths).
    std::mutex m_commandLock;
    int m_dispatch[3];
    int m_dispatchRecorded[3];
    int m_command21;
    int m_systemPower[3];
    int m_groupPower[GROUPS][3];

    // Running energy totals: modules 1..10, then groups 1001..1008; two each.
    double m_energy[ENERGY_SLOTS][2];

    // Parameter files of ids 1..10 and 1000..1008 and the owner's view of their records.
    std::map<int, ParamFile*> m_paramFiles;
    std::map<int, std::map<int, ParamRecord*>> m_paramMaps;
    std::mutex m_paramLock;

    pcsdcdc::FaultRecordFile* m_faultFile;
    FaultRecord* m_faultRecord;

    // Fault capture per module: the frames of the upload being collected (bit k: PF 48 + k), the
    // last of its frames that came (-1 none) and whether all before it came in order, the
    // fault-seen and pre-capture flags, the snapshot history and the waveform being built; and
    // the uploads dropped for lost frames.
    uint32_t m_faultMask[MODULES + 1];
    int m_faultLast[MODULES + 1];
    bool m_faultWhole[MODULES + 1];
    std::atomic<int> m_faultUploadsDropped;
    std::atomic<int> m_faultSeen[MODULES + 1];
    std::atomic<int> m_preCapture[MODULES + 1];
    std::deque<RealAnalogStruct> m_history[MODULES + 1];
    FaultRealDataLog m_waveRecord[MODULES + 1];   // slot n of the layout is snapshots[n - 1]
    FaultWaveRing m_waveRing;

    // Firmware upgrade: the file, the reply list (every registered target), the work list (the
    // targets still being upgraded), the resend list, the reply and progress counters, the
    // device type and the count-replies flag; the upgrade mutex guards the lists.
    std::string m_upgradeFile;
    std::vector<UpgradeModule> m_replyList;
    std::vector<int> m_workList;
    std::vector<uint8_t> m_resendList;
    std::atomic<int> m_replyCount;
    std::atomic<int> m_progress;
    int m_deviceType;
    std::atomic<bool> m_countReplies;
    std::atomic<bool> m_upgradeAbort;
    mutable std::mutex m_upgradeLock;
    pthread_t m_upgradeTid;
    bool m_upgradeJoinable;

    RackConfig m_rackConfig;
    RackInfoMap m_rackMap;
    RackInfoStuct m_rackRow;
    int m_systemId[MODULES + 1];
    int m_direct;

    std::shared_ptr<Background> m_background;
};

#endif
