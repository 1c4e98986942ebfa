#ifndef DCDCDATA_H
#define DCDCDATA_H

#include "devicedata.h"

#include <atomic>

class DcHandler;

// The panel's one door to the DC/DC converter modules: a thin facade over the handler that
// owns the CAN link. The three dispatch set-points of module 20 (power factor 85, active
// power 87, reactive power 76) are answered from what was last written, without asking the
// handler.
class DcdcData : public DeviceData {
public:
    // The panel passes "can0", 1000000, 800 and bit 1 of its debug mask.
    DcdcData(const char* canIf, int bitrate, int periodMs, bool trace);
    ~DcdcData() override;

    int open() override;
    int close() override;
    int getAnalog(int module, int index, float* out) override;
    int getStatus(int module, int index) override;
    int getAlarm(int module, int index) override;
    int getConfig(int module, int index, float* out) override;
    int setting(int module, int index, float value, int broadcastFlag) override;
    int getSettingResult(int module) override;
    int getOperateRecord(OperateRecord* out) override;
    int getVersion(char* buf, int len) override;
    int getFaultRecordSize() override;
    int getFaultRecord(int i, FaultRecord* out) override;

    // For tests and benchmarks.
    DcHandler* handler() { return m_handler; }

private:
    DcdcData(const DcdcData&) = delete;
    DcdcData& operator=(const DcdcData&) = delete;

    std::atomic<float>* cached(int module, int index);

    DcHandler* m_handler;
    std::atomic<float> m_powerFactor;   // index 85
    std::atomic<float> m_active;        // index 87
    std::atomic<float> m_reactive;      // index 76
};

#endif
