#ifndef LOGGEDDEVICE_H
#define LOGGEDDEVICE_H

#include "fakedevice.h"

#include <string>
#include <vector>

// A fake that also writes its commands ("ac 0 61 1") into one log shared by several devices, so
// the order of writes across devices shows, and that can stay pending for a number of polls.
class LoggedDevice : public FakeDevice {
public:
    LoggedDevice(const char* name, std::vector<std::string>* log)
        : name_(name)
        , log_(log)
    {
    }
    int setting(int module, int index, float value, int flag) override
    {
        log_->push_back(name_ + " " + std::to_string(module) + " " + std::to_string(index) + " "
            + std::to_string(int(value)));
        return FakeDevice::setting(module, index, value, flag);
    }
    int getSettingResult(int module) override
    {
        if (pendingPolls > 0) {
            --pendingPolls;
            return 2;
        }
        return FakeDevice::getSettingResult(module);
    }
    int pendingPolls = 0;

private:
    std::string name_;
    std::vector<std::string>* log_;
};

#endif
