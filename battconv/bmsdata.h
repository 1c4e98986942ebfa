#ifndef BMSDATA_H
#define BMSDATA_H

#include "devicedata.h"

class BmsHandler;

// The panel's door to the battery management system on the second CAN interface: a facade
// over the handler. Racks 0..7; the battery type arrives as setting(0, 1001, type) before
// open().
class BmsData : public DeviceData {
public:
    // The panel passes "can1", the bit rate of the battery type, 2000 and 0 for the battery
    // types that use 11-bit identifiers (1 otherwise).
    BmsData(const char* canName, int bitRate, int timeoutMs, int ext);
    ~BmsData() override;

    int open() override;
    int close() override;
    int getAnalog(int module, int index, float* out) override;
    int getStatus(int module, int index) override;
    int getAlarm(int module, int index) override;
    int getConfig(int module, int index, float* out) override;
    int setting(int module, int index, float value, int broadcastFlag) override;
    int getSettingResult(int module) override;
    int getOperateRecord(OperateRecord* out) override;
    // The battery system has no version, fault records or files: 0, nothing written.
    int getVersion(char* buf, int len) override;
    int getFaultRecordSize() override;
    int getFaultRecord(int i, FaultRecord* out) override;

    // For tests and benchmarks.
    BmsHandler* handler() { return m_handler; }

private:
    BmsData(const BmsData&) = delete;
    BmsData& operator=(const BmsData&) = delete;

    BmsHandler* m_handler;
};

#endif
