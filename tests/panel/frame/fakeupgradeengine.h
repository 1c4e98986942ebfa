#ifndef FAKEUPGRADEENGINE_H
#define FAKEUPGRADEENGINE_H

#include "fakedevice.h"
#include "timeseam.h"

#include <dirent.h>
#include <map>
#include <mutex>
#include <stdint.h>
#include <string>
#include <string.h>
#include <utility>
#include <vector>

// The DC/DC device as the upgrade worker drives it: setting(address, 0, kind) prepares the file,
// index 1 registers a module, index 2 starts; getStatus(address, step) answers from a script.
// Also a plain fake device for the module detection; calls may come from any thread.
class FakeUpgradeEngine : public FakeDevice {
public:
    struct Poll {
        int address;
        int step;
        int64_t ms;
    };

    // Answers of getStatus(address, step), one per call, the last one kept.
    void script(int address, int step, std::vector<int> answers)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        answers_[{ address, step }] = std::move(answers);
    }
    // Every step of this module succeeds at the first poll.
    void succeeds(int address)
    {
        for (int step : { 0, 1, 2, 3, 5, 7 })
            script(address, step, { 1 });
        script(address, 6, { 100 });
    }

    int getStatus(int module, int index) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        polls_.push_back({ module, index, TimeSeam::monotonicMs() });
        auto it = answers_.find({ module, index });
        if (it == answers_.end() || it->second.empty())
            return FakeDevice::getStatus(module, index);
        const int v = it->second.front();
        if (it->second.size() > 1)
            it->second.erase(it->second.begin());
        return v;
    }

    int setting(int module, int index, float value, int flag) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        FakeDevice::setting(module, index, value, flag);
        if (index != 0)
            return 0;
        if (filesIn.empty())
            return prepareResult;
        // As the engine does: exactly one file of the kind in the directory, else -3.
        static const char* const words[] = { "AC", "DC", "U2", "Sts" };
        const int kind = int(value);
        if (kind < 0 || kind > 3)
            return -3;
        std::vector<std::string> found;
        if (DIR* d = opendir(filesIn.c_str())) {
            while (struct dirent* e = readdir(d))
                if (strcasestr(e->d_name, words[kind]) && strcasestr(e->d_name, ".hex"))
                    found.push_back(e->d_name);
            closedir(d);
        }
        if (found.size() != 1)
            return -3;
        prepared.push_back(found.front());
        return 0;
    }

    std::vector<Poll> polls()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return polls_;
    }
    std::vector<Poll> polls(int address, int step)
    {
        std::vector<Poll> out;
        for (const Poll& p : polls())
            if (p.address == address && p.step == step)
                out.push_back(p);
        return out;
    }
    // The settings with this index, as "module/value".
    std::vector<std::string> settings(int index)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> out;
        for (const Write& w : writes)
            if (w.index == index)
                out.push_back(std::to_string(w.module) + "/" + std::to_string(int(w.value)));
        return out;
    }

    int prepareResult = 0;
    std::string filesIn;               // when set, index 0 looks here for the kind's file
    std::vector<std::string> prepared; // the files index 0 found

private:
    std::mutex mutex_;
    std::map<std::pair<int, int>, std::vector<int>> answers_;
    std::vector<Poll> polls_;
};

#endif
