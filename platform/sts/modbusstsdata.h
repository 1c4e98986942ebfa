#ifndef MODBUSSTSDATA_H
#define MODBUSSTSDATA_H

#include "devicedata.h"

#include <deque>
#include <stdint.h>
#include <mutex>
#include <string>
#include <vector>

// Stand-in for the maker's switch-device library: the static transfer switch (modules 0 and 1),
// the grid and load meters (10, 11) and the insulation monitors of the strings (20..27), held in
// memory with plausible values. No serial line is opened. A setting is pending for one short bus
// round trip (or the time-out when the module is offline) and completes when any call comes
// after that, so no thread is needed and a stepped clock drives it in tests.
class ModbusSTSData : public DeviceData {
public:
    enum { POINTS = 200, MONITORS = 8, WRITE_MS = 100, RECORD_CODE = 301 };

    ModbusSTSData(int address, const char* port, const char* lineSettings, int timeoutMs, int trace);
    ~ModbusSTSData() override;

    int open() override;
    int close() override;
    int getAnalog(int module, int index, float* out) override;
    int getStatus(int module, int index) override;
    int getAlarm(int module, int index) override;
    int getConfig(int module, int index, float* out) override;
    // 0 queued, -1 not open or bad index or value, -2 unknown module or queue full.
    int setting(int module, int index, float value, int broadcastFlag) override;
    // 2 pending, 0 done, 1 module did not answer, -1 not open, -2 unknown module.
    int getSettingResult(int module) override;
    int getOperateRecord(OperateRecord* out) override;
    int getVersion(char* buf, int len) override;
    int getFaultRecordSize() override;
    int getFaultRecord(int i, FaultRecord* out) override;

    // The equipment's side, for tests and the simulated cabinet: what the switch, a meter or a
    // monitor would report next. Each returns 0, or -1 for an unknown module or index.
    int setAnalog(int module, int index, float value);
    int setStatus(int module, int index, int value);
    int setAlarm(int module, int index, int value);
    // An offline module reads status 0 = 0 and lets its settings fail after the time-out.
    int setOnline(int module, bool online);
    // Appends one fault record (at most 256 are kept) and rewrites the fault record file.
    void addFaultRecord(const FaultRecord& record);

    int address() const { return address_; }
    const std::string& port() const { return port_; }
    const std::string& lineSettings() const { return lineSettings_; }
    int timeoutMs() const { return timeoutMs_; }
    int trace() const { return trace_; }

    static std::string paramPath(int id);

private:
    struct Module {
        int number;
        bool online;
        int result;
        std::vector<float> analog, config;
        std::vector<int> status, alarm;
    };
    struct Pending {
        int module;
        int index;
        float value;
        int64_t queuedMs;
    };

    Module* find(int module);
    void seed();
    void settle();
    void apply(Module& m, const Pending& p);
    void loadParams(int id);
    void writeParamLine(int id, int index, float value);
    void writeFaultFile();

    int address_;
    std::string port_;
    std::string lineSettings_;
    int timeoutMs_;
    int trace_;
    bool open_;
    std::mutex mutex_;
    std::vector<Module> modules_;
    std::deque<Pending> pending_;
    std::deque<OperateRecord> records_;
    std::vector<FaultRecord> faults_;
};

#endif
