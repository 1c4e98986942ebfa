#ifndef DCFIXTURE_H
#define DCFIXTURE_H

#include "answerinline.h"
#include "dcbussim.h"
#include "runtimetree.h"
#include "simcanport.h"
#include "simframe.h"
#include "timeseam.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <stdio.h>
#include <string>
#include <thread>
#include <vector>

// Helpers of the DC/DC link tests: parameter-file lines, rack rows and waiting for the
// receive thread.

// A parameter file of n lines, 0 unless given.
inline std::string paramLines(int n, const std::map<int, double>& values)
{
    std::string out;
    for (int i = 0; i < n; ++i) {
        auto it = values.find(i);
        char line[32];
        snprintf(line, sizeof line, "%04d/%010.0f\n", i, it == values.end() ? 0.0 : it->second * 1000);
        out += line;
    }
    return out;
}

// A rack table of the rows given (each a full TAB-separated row).
inline std::string rackTable(const std::string& rows)
{
    int n = 0;
    for (char c : rows)
        n += c == '\n';
    return "[SOCK_NUM]\n" + std::to_string(n) + "\n[SOCK_TYPE]\n" + rows;
}

inline std::string rackRow(int seq, int type, int dcViaAcDc, int moduleCount, const std::string& text2)
{
    return std::to_string(seq) + "\t" + std::to_string(type) + "\tDC\t0\t" + std::to_string(dcViaAcDc) + "\t2\t"
        + std::to_string(moduleCount) + "\t0\t0\t0\t1/2\t" + text2 + "\n";
}

// Generous: a passing wait ends at once, and a loaded test host (or a sanitizer build) may be
// slow to schedule the bus.
inline bool waitFor(const std::function<bool()>& done, int ms = 30000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// A frame of DC/DC module m (bus address 0x80 + m) to the monitor.
inline SimFrame moduleFrame(int m, int pf, int priority = 3, int da = 0x7F)
{
    return SimFrame::j1939(priority, pf, da, 0x80 + m);
}

// Everything on the bus, read as it comes: a listener that stopped reading would hold up the
// senders whose frames queue for it.
class BusLog {
public:
    BusLog(const std::string& root, const char* ifname = "can0")
    {
        port_.open(root, ifname);
        thread_ = std::thread([this] {
            while (!stop_) {
                SimFrame f;
                if (port_.receive(&f, 20)) {
                    std::lock_guard<std::mutex> g(lock_);
                    frames_.push_back(f);
                }
            }
        });
    }
    ~BusLog()
    {
        stop_ = true;
        thread_.join();
    }
    // Frames from our own address 0x11 to da on the command format, with data byte 0 = code.
    std::vector<SimFrame> commands(int da, int code)
    {
        std::lock_guard<std::mutex> g(lock_);
        std::vector<SimFrame> out;
        for (const SimFrame& f : frames_)
            if (f.sa() == 0x11 && f.da() == da && f.pf() == 0x60 && f.data[0] == code)
                out.push_back(f);
        return out;
    }
    // Everything a source sent, in order.
    std::vector<SimFrame> from(int sa)
    {
        std::lock_guard<std::mutex> g(lock_);
        std::vector<SimFrame> out;
        for (const SimFrame& f : frames_)
            if (f.sa() == sa)
                out.push_back(f);
        return out;
    }
    void clear()
    {
        std::lock_guard<std::mutex> g(lock_);
        frames_.clear();
    }

private:
    SimCanPort port_;
    std::atomic<bool> stop_{ false };
    std::mutex lock_;
    std::vector<SimFrame> frames_;
    std::thread thread_;
};

#endif
