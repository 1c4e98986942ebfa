#include "upwardregisterstore.h"

#include <limits.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

UpwardRegisterStore::UpwardRegisterStore(const char* name, DeviceData* ac, DeviceData* dc, DeviceData* sts, int trace)
    : name_(name)
    , ac_(ac)
    , dc_(dc)
    , sts_(sts)
    , trace_(trace)
    , open_(false)
    , heard_(false)
{
}

UpwardRegisterStore::~UpwardRegisterStore()
{
}

int UpwardRegisterStore::open()
{
    open_ = true;
    if (trace_)
        printf("%s::open (stand-in, nothing served)\n", name_.c_str());
    return 0;
}

int UpwardRegisterStore::close()
{
    open_ = false;
    return 0;
}

bool UpwardRegisterStore::lookup(int module, int reg, float* out)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = registers_.find(Key(module, reg));
    *out = it == registers_.end() ? 0.0f : it->second;
    return it != registers_.end();
}

void UpwardRegisterStore::store(int module, int reg, float value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    registers_[Key(module, reg)] = value;
}

int UpwardRegisterStore::getAnalog(int module, int index, float* out)
{
    if (!out)
        return -1;
    return lookup(module, index, out) ? 0 : -1;
}

int UpwardRegisterStore::getStatus(int module, int index)
{
    float v;
    lookup(module, index, &v);
    if (!(v > float(INT_MIN) && v < float(INT_MAX)))
        return 0;
    return int(v);
}

int UpwardRegisterStore::getAlarm(int module, int index)
{
    return getStatus(module, index);
}

int UpwardRegisterStore::getConfig(int module, int index, float* out)
{
    return getAnalog(module, index, out);
}

int UpwardRegisterStore::setting(int module, int index, float value, int broadcastFlag)
{
    (void)broadcastFlag;
    if (!isfinite(value)) {
        printf("%s::setting refused module=%d register=%d\n", name_.c_str(), module, index);
        return -1;
    }
    store(module, index, value);
    return 0;
}

int UpwardRegisterStore::getSettingResult(int module)
{
    (void)module;
    return 0;
}

int UpwardRegisterStore::getOperateRecord(OperateRecord* out)
{
    if (!out)
        return -1;
    memset(out, 0, sizeof *out);
    return open_ ? 0 : -1;
}

int UpwardRegisterStore::getVersion(char* buf, int len)
{
    if (!buf || len <= 0)
        return -1;
    snprintf(buf, size_t(len), "%s stand-in 1.00", name_.c_str());
    return 0;
}

int UpwardRegisterStore::getFaultRecordSize()
{
    return 0;
}

int UpwardRegisterStore::getFaultRecord(int i, FaultRecord* out)
{
    (void)i;
    (void)out;
    return 0;
}

int UpwardRegisterStore::getAnalog(int module, int index, short* out)
{
    if (!out)
        return -1;
    float v;
    const bool written = lookup(module, index, &v);
    // A register holds 16 bits: keep the low word of the integer part, as the line would.
    long long n = isfinite(v) ? (long long)v : 0;
    *out = short(uint16_t(n & 0xFFFF));
    return written ? 0 : -1;
}

int UpwardRegisterStore::getHeart()
{
    return heard_.exchange(false) ? 1 : 0;
}

int UpwardRegisterStore::upperWrite(int module, int reg, float value)
{
    heard_ = true;
    if (!isfinite(value))
        return -1;
    if (trace_)
        printf("%s::upperWrite module=%d register=%d value=%f\n", name_.c_str(), module, reg, double(value));
    store(module, reg, value);
    return 0;
}

int UpwardRegisterStore::upperWriteWord(int module, int reg, uint16_t word)
{
    return upperWrite(module, reg, float(int16_t(word)));
}

int UpwardRegisterStore::upperRead(int module, int reg, float* out)
{
    heard_ = true;
    float v;
    const bool written = lookup(module, reg, &v);
    if (out)
        *out = v;
    return written ? 1 : 0;
}

void UpwardRegisterStore::upperPoll()
{
    heard_ = true;
}
