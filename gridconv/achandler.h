#ifndef ACHANDLER_H
#define ACHANDLER_H

#include "energyimage.h"
#include "faultrecord.h"
#include "faultwavering.h"
#include "operaterecord.h"
#include "paramrecord.h"
#include "rackconfig.h"
#include "relaxed.h"

#include <atomic>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <pthread.h>

class FaultRecordFile;
namespace cp {
class ModbusConnection;
class Serial;
}
namespace Modbus485 {
class ParamFile;
}

// Everything the AC/DC link knows: one Modbus connection per module id on the shared line, the
// modules' values, the parameter files of every module and DC branch, the rules that combine
// module values into system and branch values, the energy statistics and the fault records.
//
// Module ids: 0 the system, 1..N the converter modules (N from the rack table, at most 10),
// 11 the U2 unit and 12 a second special unit, 1001..1008 the DC branches (a parameter file
// each, values computed from their member modules).
class AcHandler {
    friend struct AcHandlerProbe;

public:
    enum {
        TABLE_SIZE = 512,       // per-index tables and fixed-point values
        VALUE_INDICES = 500,    // value indices a reader may ask for
        HIGHEST_ID = 12,
        U2_UNIT = 11,
        SECOND_UNIT = 12,
        FIRST_BRANCH = 1001,
        BRANCHES = 8,
        MAX_MODULES = 10,       // module ids above meet the special units
        MAX_INIT_LENGTH = 120,  // registers in one initial-settings block
        RX_SIZE = 4096,
    };

    struct DeviceStruct {
        cp::ModbusConnection* connection;        // null for branches
        std::map<int, float>* valueMap;          // last poll as delivered; null for branches
        int writePending;                        // 0 none, 1 queued, 2 being sent
        int pendingIndex;
        float pendingValue;
        int result;                              // of the last write
        unsigned char rxBuff[RX_SIZE];           // last raw reply fetched for a fault record
        int rxLength;
        int faultKind;
        int faultRequest;
        Modbus485::ParamFile* paramFile;
        std::map<int, ParamRecord*>* paramMap;   // records owned by the file
        int param301;
        // Written by the polling thread, read by any caller without a lock.
        Relaxed<int> values[TABLE_SIZE];         // value x 1000; value 0 is the not-available flag
        Relaxed<int> receivedCount;              // values of the last poll; reporting from 2 on
        int forSystem;                           // the pending write is part of a system write
    };

    AcHandler(int moduleCount, const char* pduPath, bool debug);
    virtual ~AcHandler();

    // 0, or the negative code of the failing step: -1 no serial port, -3 a module's signal
    // tables, -7 a branch parameter file, -8 and -10..-15 "../conf/sysdataprocess.pdu",
    // -16..-18 the setting rows of the signal tables.
    virtual int open();
    virtual int close();
    virtual int SerialOpen(const char* device, const char* settings, int timeoutMs, int delayMs);
    // One polling pass; nothing while not open.
    virtual void process();

    // Settings queue. setting: 0 queued; -1 not open, nothing polling, no such module or index
    // outside 0..500; -2 the module (or a member) already has a write queued; -3 the module is
    // not available. Results: 2 pending, 0 done, 1 failed, -1/-2 as for setting.
    int setting(int module, int index, float value, int broadcastFlag);
    void internalSetting();
    int getSettingResult(int module);
    // 1 one record moved out, 0 none waiting, -1 not open or null out.
    int getOperateRecord(OperateRecord* out);
    // Sends a module that asked for them its initial settings from the parameter files.
    void replayInitialSettings(int module);
    // Whether a thread runs process(): writes are refused without one, as they could never
    // finish. The owner that drives process() says so.
    void setPolling(bool on) { m_polling = on; }
    bool polling() const { return m_polling; }

    // System values.
    // 0 = available; -1 not open or negative; -3 no such module.
    int getModuleStatus(int module);
    void systemprocessingdata();
    // Branch rules (branch 1..8): engineering values over the branch's member modules.
    float or_process_fun(int branch, int index);
    float and_process_fun(int branch, int index);
    float add_process_fun(int branch, int index);
    float average_process_fun(int branch, int index);
    float max_process_fun(int branch, int index);
    float min_process_fun(int branch, int index);
    float host_process_fun(int branch, int index);
    float extreme_process_fun(int branch, int index, bool largest);
    // System rules: write system value index from the modules' fixed-point values.
    void or_process_fun(int index);
    void and_process_fun(int index);
    void add_process_fun(int index);
    void average_process_fun(int index);
    void max_process_fun(int index);
    void min_process_fun(int index);
    void host_process_fun(int index);
    void extreme_process_fun(int index, bool largest);
    void u2_or_add_process_fun(int index);
    void u2_or_host_fun(int index);
    void u2_or_calc_fuc(int index);
    void is_u2(int machineType);

    // Value access. 0; -1 not open or index outside 0..499; -2 no such module.
    int getdata(int module, int index, float* out);
    // A module's parameter: 0; -1 not open, null out, no such module or no such parameter.
    int getConfig(int module, int index, float* out);
    static int getTemperature(float raw);
    static int getEnvTemperatureU1(float raw);
    static int getTemperatureModule11(float raw);

    // Energy statistics.
    void loadData();
    int writeData();
    int getCharge(int year, int month, int day, int halfHour, float* out);
    int getDischarge(int year, int month, int day, int halfHour, float* out);
    int getMoney(int year, int month, int day, int halfHour, float* out);
    int getDayDischarge(int year, int month, int day, float* out);
    // Adds one poll's energy increments of module m (values as its connection delivered them)
    // to its accumulators, its first branch's and the system's, and to the dated tables at the
    // local time now.
    void integrateEnergy(int module, const std::map<int, float>& values);

    // Fault capture: the reply of a fault-block read (length bytes, CRC included) into one
    // record of the fault record file.
    void fillFaultRecode(int module, int type, unsigned char* reply, int length);
    int writeFaultRealData(FaultRealDataLog* record);
    int getFaultRecordSize();
    int getFaultRecord(int i, FaultRecord* out);

    // The DC branch a module is wired to from the current rack row's first text ("1/1/2/..."):
    // 0 none (its own parameters), 1..8, or -1 when the piece is outside 0..8.
    int rackBranchOf(int module);

    // Parameter-file thread: one pass writes every file that asked for it.
    static void* acParamHandler_thread(void* handler);
    void acDealWithParamFile();

    // For the owner and tests.
    int isOpen() const { return m_open; }
    int moduleCount() const { return m_moduleCount; }
    int u2Flag() const { return m_u2; }
    const std::list<int>& pollList() const { return m_pollList; }
    const RackInfoStuct& currentRack() const { return m_rackRow; }
    int processType(int index) const;
    int settingFlag(int index) const;
    int masterFlagIndex() const { return m_masterFlagIndex; }
    int faultRecordFlagIndex() const { return m_faultRecordFlagIndex; }
    int initSettingFlagIndex() const { return m_initSettingFlagIndex; }
    int initSettingLength() const { return m_initSettingLength; }
    int systemIndexCount() const { return m_systemIndexCount; }
    const std::list<int>& lostList() const { return m_lostList; }
    int branchHost(int branch) const { return branch >= 1 && branch <= BRANCHES ? m_branchHost[branch - 1] : -1; }
    int systemHost() const { return m_systemHost; }
    long passCount() const { return m_passes; }
    DeviceStruct* device(int id);
    EnergyImage& energy() { return m_energy; }

private:
    AcHandler(const AcHandler&) = delete;
    AcHandler& operator=(const AcHandler&) = delete;

    struct ParamThreadState;

    int openConnections();
    int readProcessFile();
    int readSettingFlags();
    void chooseRack();
    void selectRackRow(int key);
    void putDevice(int id, DeviceStruct* d);
    static void freeDevice(DeviceStruct* d);

    bool isModule(int module) const;           // 1..N, 11 or 12
    bool hasValues(int module) const;          // 0..N, 11 or 12
    int raw(int module, int index);
    bool takesPart(int module, int branch, int index, float* value);
    void copyFromU2(int index);
    void sumRule(int index);
    int accumulatorGroup(int module) const;

    // Settings queue; queueWrite, beginSystemWrite and branchSetting need m_writeLock held.
    int queueWrite(int module, int index, float value, bool forSystem);
    void beginSystemWrite();
    int systemSetting(int index, float value);
    int branchSetting(int branch, int index, float value, int broadcastFlag);
    bool paramValue(int id, int index, float* out);
    void addParam(int id, int index, float value, bool write = true);
    void rememberSystemCommand(int index, float value);
    void queueRecord(int code, int index, double oldValue, double newValue, int dirty);
    void recordSent(int module, int index, float value);

    // Polling cycle.
    void pollModule(DeviceStruct* d);
    void serveModule(int module, DeviceStruct* d);
    void storeFixedPoint(DeviceStruct* d);
    void integrateFresh(int module, DeviceStruct* d);
    void resendSetpoints(int module, DeviceStruct* d);
    void readFaultRecord(int module, DeviceStruct* d);
    void fillBlock(unsigned char* block, DeviceStruct* source, int first, bool oneShot, int branch, int module);
    void resetOneShot(DeviceStruct* source, int index);
    // Whether a module's values count in a system rule (its status is 0).
    bool counts(int module);

    char m_path[128];
    bool m_debug;
    cp::Serial* m_serial;
    int m_moduleCount;
    int m_u2;
    // The modules' statuses, taken once per systemprocessingdata: each of its some 200 rules
    // asks them of every module, and they cannot change while it runs on the polling thread.
    bool m_statusTaken = false;
    int m_statusAt[HIGHEST_ID + 1] = {};
    int m_branchHost[BRANCHES];
    int m_systemHost;
    int m_highestId;
    int m_systemIndexCount;
    int m_masterFlagIndex;
    int m_faultRecordFlagIndex;
    int m_initSettingFlagIndex;
    int m_initSettingLength;
    uint16_t m_setting69;
    int m_systemWriteDone;
    std::atomic<int> m_writeWaiting;
    std::list<OperateRecord> m_records;
    std::mutex m_recordLock;
    std::list<int> m_pollList;
    std::list<int> m_lostList;
    int m_open;
    std::map<int, DeviceStruct*> m_devices;
    // The same devices by id without a tree walk: the getters look one up for every value, and
    // a branch value walks every member module (ids 0..12, then the branches 1001..1008).
    DeviceStruct* m_deviceSlot[HIGHEST_ID + 1 + BRANCHES] = {};
    FaultRecordFile* m_faultFile;
    FaultRecord m_faultRecord;
    int m_processType[TABLE_SIZE];
    int m_settingFlag[TABLE_SIZE];
    pthread_mutex_t m_mutex;
    bool m_mutexReady;
    EnergyImage m_energy;
    int m_passesSinceSave;
    RackInfoStuct m_rackRow;
    RackInfoMap m_rackMap;
    RackConfig m_rackConfig;

    // Set-points kept for the modules and branches.
    float m_branch70[BRANCHES];
    float m_branch66[BRANCHES];
    float m_slot70[HIGHEST_ID + 1];
    int m_send70[HIGHEST_ID + 1];
    int m_resend70[HIGHEST_ID + 1];
    int m_resend66[HIGHEST_ID + 1];
    int m_setting67;
    int m_setting69Flag;
    float m_param107;
    double m_correction[2];             // under the energy image's lock

    FaultWaveRing m_waveRing;
    std::shared_ptr<ParamThreadState> m_paramThread;
    std::mutex m_paramPassLock; // one write pass at a time, the thread's or a direct call

    // Callers queue writes while the polling thread takes and finishes them: the pending
    // state of every module, the system write and the set-points change under this lock.
    std::mutex m_writeLock;
    int m_systemParts;                  // writes of the outstanding system write not yet sent
    int m_systemResult;                 // their results, or'ed
    int m_slot70Seq[HIGHEST_ID + 1];    // bumped by every new index-70 set-point
    int m_slot70ForSystem[HIGHEST_ID + 1];
    int m_saveRequest[HIGHEST_ID + 1];  // value 4 at the last poll, for its rising edge
    std::atomic<bool> m_polling;
    std::atomic<long> m_passes;
};

#endif
