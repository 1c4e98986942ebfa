#ifndef UPWARDREGISTERSTORE_H
#define UPWARDREGISTERSTORE_H

#include "devicedata.h"

#include <atomic>
#include <map>
#include <mutex>
#include <stdint.h>
#include <string>
#include <utility>

// What the four upward servers share in this stand-in: a store of registers keyed by module
// and register number, built over the AC/DC, DC/DC and switch objects whose data a real server
// would serve. No port or serial line is opened. The panel writes with setting() and reads with
// getStatus()/getAnalog(); the upper system (a test or the simulated cabinet) acts through the
// upper*() calls, each of which counts as a request for getHeart().
class UpwardRegisterStore : public DeviceData {
public:
    ~UpwardRegisterStore() override;

    int open() override;
    int close() override;
    // 0 with the last value written, -1 with 0 when the register was never written.
    int getAnalog(int module, int index, float* out) override;
    // The last value written, as an integer; 0 when never written.
    int getStatus(int module, int index) override;
    int getAlarm(int module, int index) override;
    int getConfig(int module, int index, float* out) override;
    // Stores the value at once: 0, or -1 for a value that is not a finite number.
    int setting(int module, int index, float value, int broadcastFlag) override;
    int getSettingResult(int module) override;
    int getOperateRecord(OperateRecord* out) override;
    int getVersion(char* buf, int len) override;
    int getFaultRecordSize() override;
    int getFaultRecord(int i, FaultRecord* out) override;

    // The raw 16-bit word of a register (battery units are modules 3001 + u). *out is always
    // written, 0 for a register never written: 0, or -1 when never written.
    int getAnalog(int module, int index, short* out);
    // Non-zero when the upper system made a request since the last call; clears the count.
    int getHeart();

    // The upper system's side.
    int upperWrite(int module, int reg, float value);
    // A raw register as a battery system writes it; read back signed (0xFFFF is -1).
    int upperWriteWord(int module, int reg, uint16_t word);
    // 1 with the value when the register was written, 0 with 0 otherwise.
    int upperRead(int module, int reg, float* out);
    // A request that touches no register (a poll of other data).
    void upperPoll();

    DeviceData* acDevice() const { return ac_; }
    DeviceData* dcDevice() const { return dc_; }
    DeviceData* stsDevice() const { return sts_; }
    int trace() const { return trace_; }
    bool isOpen() const { return open_; }

protected:
    UpwardRegisterStore(const char* name, DeviceData* ac, DeviceData* dc, DeviceData* sts, int trace);

    // The register itself, without counting a request of the upper system.
    bool lookup(int module, int reg, float* out);
    void store(int module, int reg, float value);

private:
    typedef std::pair<int, int> Key;

    std::string name_;
    DeviceData* ac_;
    DeviceData* dc_;
    DeviceData* sts_;
    int trace_;
    std::atomic<bool> open_;
    std::atomic<bool> heard_;
    std::mutex mutex_;
    std::map<Key, float> registers_;
};

#endif
