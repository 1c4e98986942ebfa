#ifndef DEVICEDATA_H
#define DEVICEDATA_H

#include "operaterecord.h"
#include "faultrecord.h"

// Every piece of equipment is reached through this interface. Implementations answer from
// values their own threads keep current, so no call waits on a bus. The slot order of the
// virtual operations is part of the binary interface with the maker's closed libraries.
class DeviceData {
public:
    virtual ~DeviceData() {}
    virtual int open() = 0;
    virtual int close() = 0;
    virtual int getAnalog(int module, int index, float* out) = 0;
    virtual int getStatus(int module, int index) = 0;
    virtual int getAlarm(int module, int index) = 0;
    virtual int getConfig(int module, int index, float* out) = 0;
    // 0 = queued; non-zero = refused. Callers pass broadcastFlag 0.
    virtual int setting(int module, int index, float value, int broadcastFlag) = 0;
    // 2 = pending, 0 = done, anything else = failed.
    virtual int getSettingResult(int module) = 0;
    // 1 = one record moved out, 0 = none waiting, -1 = not open (*out zeroed).
    virtual int getOperateRecord(OperateRecord* out) = 0;
    virtual int getVersion(char* buf, int len) = 0;
    virtual int getFaultRecordSize() = 0;
    // 1 = copied, 0 = no such record.
    virtual int getFaultRecord(int i, FaultRecord* out) = 0;
};

#endif
