#ifndef BMSBUSSIM_H
#define BMSBUSSIM_H

#include "bmsracksim.h"
#include "simcanport.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The battery racks of the simulated cabinet on one virtual CAN bus. Racks of the generic
// protocol and of type 4 report every period; BMS-F racks answer the monitor's request. A
// wake-up pair wakes a rack; the type-4 battery counts the monitor's replies.
class BmsBusSim {
public:
    BmsBusSim();
    ~BmsBusSim();

    // Joins <root>/can/<ifname> with racks 0..count-1 of the battery type's protocol (type 4
    // has one battery).
    bool open(const std::string& root, const std::string& ifname, int batteryType, int count);
    void setPeriod(int ms) { periodMs_ = ms; }
    void start();
    void stop();

    // The cabinet's battery system: two racks on "can1", running; null when the bus cannot
    // be joined.
    static std::unique_ptr<BmsBusSim> launch(const std::string& root, int batteryType);
    // The battery type (setting 26) in the panel's settings file <root>/bin/monitorset.txt,
    // or 0 when there is none.
    static int batteryTypeIn(const std::string& root);
    // Entry `entry` of that file, or `otherwise` when the file has none.
    static int settingIn(const std::string& root, int entry, int otherwise);

    BmsRackSim::Protocol protocol() const { return protocol_; }
    int racks() const { return int(racks_.size()); }
    // Changes a rack's values under the lock the sending threads take.
    void edit(int rack, const std::function<void(BmsRackSim&)>& change);
    BmsRackSim snapshot(int rack);
    // Every rack's frames once, at once.
    void reportAll() { report(false); }

    long requests() const { return requests_; }
    long replies() const { return replies_; }
    long wakeups() const { return wakeups_; }

private:
    void receiveLoop();
    void reportLoop();
    void received(const SimFrame& f);

    // Frames of every rack, sent at once or posted (from the thread that reads the bus).
    void report(bool post);

    SimCanPort port_;
    BmsRackSim::Protocol protocol_ = BmsRackSim::GENERIC;
    std::vector<BmsRackSim> racks_;
    std::mutex lock_;
    std::atomic<bool> stop_{ true };
    std::atomic<int> periodMs_{ 1000 };
    std::atomic<long> requests_{ 0 };
    std::atomic<long> replies_{ 0 };
    std::atomic<long> wakeups_{ 0 };
    std::thread receiver_, reporter_;
};

#endif
