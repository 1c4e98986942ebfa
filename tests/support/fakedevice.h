#ifndef FAKEDEVICE_H
#define FAKEDEVICE_H

#include "devicedata.h"

#include <atomic>
#include <deque>
#include <map>
#include <utility>
#include <vector>

// A device whose points a test sets and whose writes it reads back.
class FakeDevice : public DeviceData {
public:
    struct Write {
        int module;
        int index;
        float value;
    };

    int open() override { ++opens; return openResult; }
    int close() override { return 0; }
    int getAnalog(int module, int index, float* out) override
    {
        auto it = analog.find({ module, index });
        *out = it == analog.end() ? 0.0f : it->second;
        return it == analog.end() ? -1 : 0;
    }
    int getStatus(int module, int index) override { return lookup(status, module, index); }
    int getAlarm(int module, int index) override { return lookup(alarm, module, index); }
    int getConfig(int module, int index, float* out) override
    {
        auto it = config.find({ module, index });
        if (it == config.end())
            return -1;
        *out = it->second;
        return 0;
    }
    int setting(int module, int index, float value, int) override
    {
        writes.push_back({ module, index, value });
        ++settings;
        return settingResult;
    }
    int getSettingResult(int) override { return finalResult; }
    int getOperateRecord(OperateRecord* out) override
    {
        if (records.empty())
            return 0;
        *out = records.front();
        records.pop_front();
        return 1;
    }
    int getVersion(char* buf, int len) override
    {
        if (len > 0)
            buf[0] = '\0';
        return 0;
    }
    int getFaultRecordSize() override { return 0; }
    int getFaultRecord(int, FaultRecord*) override { return 0; }

    bool wrote(int module, int index, float value) const
    {
        for (const Write& w : writes)
            if (w.module == module && w.index == index && w.value == value)
                return true;
        return false;
    }

    std::map<std::pair<int, int>, float> analog;
    std::map<std::pair<int, int>, int> status;
    std::map<std::pair<int, int>, int> alarm;
    std::map<std::pair<int, int>, float> config;
    std::deque<OperateRecord> records;
    std::vector<Write> writes;
    std::atomic<int> settings{ 0 };   // writes so far, safe to read from another thread
    int settingResult = 0;
    int finalResult = 0;
    int openResult = 0;
    int opens = 0;

private:
    static int lookup(const std::map<std::pair<int, int>, int>& m, int module, int index)
    {
        auto it = m.find({ module, index });
        return it == m.end() ? 0 : it->second;
    }
};

#endif
