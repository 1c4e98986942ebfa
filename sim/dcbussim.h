#ifndef DCBUSSIM_H
#define DCBUSSIM_H

#include "dcmodulesim.h"
#include "simcanport.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// The DC/DC modules of the simulated cabinet on one virtual CAN bus: each reports its frames
// every period and answers the commands addressed to it at once.
class DcBusSim {
public:
    DcBusSim();
    ~DcBusSim();

    // Joins <root>/can/<ifname> with modules 1..count.
    bool open(const std::string& root, const std::string& ifname, int count);
    void setPeriod(int ms) { periodMs_ = ms; }
    void start();
    void stop();

    DcModuleSim* module(int number);
    std::map<int, DcModuleSim*>& modules() { return modules_; }
    // Reports of every module once, at once (for tests that drive the bus themselves).
    void reportAll();
    // Answers at once whatever the bus brought, on the caller's thread: a test calls it from
    // inside the waits of the link it tests, so that no scheduling delay of the simulator's own
    // thread can outlast a short acknowledgement window. It never sleeps.
    void answerPending();
    long framesReceived() const { return received_; }

private:
    void receiveLoop();
    void answerLocked();
    void reportLoop();

    SimCanPort port_;
    std::mutex answerLock_;   // one thread at a time reads and answers, in the bus's order
    std::map<int, DcModuleSim*> modules_;
    std::atomic<bool> stop_{ false };
    std::atomic<int> periodMs_{ 200 };
    std::atomic<long> received_{ 0 };
    std::thread receiver_, reporter_;
};

#endif
