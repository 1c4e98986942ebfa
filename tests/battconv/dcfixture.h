#ifndef DCFIXTURE_H
#define DCFIXTURE_H

#include "runtimetree.h"
#include "simcanport.h"
#include "simframe.h"

#include <chrono>
#include <functional>
#include <map>
#include <stdio.h>
#include <string>
#include <thread>

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

inline bool waitFor(const std::function<bool()>& done, int ms = 3000)
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

#endif
