#ifndef ENERGYFIXTURE_H
#define ENERGYFIXTURE_H

#include "energythread.h"
#include "fakedevice.h"
#include "globalvar.h"
#include "modbusrtudevice.h"
#include "modbusstsdata.h"
#include "modbustcpdevice.h"
#include "monitorset.h"
#include "runtimetree.h"
#include "timeseam.h"

#include <initializer_list>
#include <string.h>
#include <time.h>
#include <utility>
#include <vector>

// A control thread over fake converters, the stand-in switch device (meters and insulation
// monitors) and the stand-in upward slaves, in a fresh runtime tree on a stepped clock. Its
// passes and steps are called directly; the thread is never started.
struct Energy {
    RuntimeTree tree;
    FakeDevice ac, dc;
    ModbusSTSData sts{ 1, "/dev/ttySAC2", "19200,n,8,1", 800, 0 };
    modbus::ModbusrtuDevice rtu{ nullptr, nullptr, nullptr, "/dev/ttySAC3", 19200, 1, 1, 0, 0 };
    modbus::ModbustcpDevice tcp{ nullptr, nullptr, nullptr, 502, 1, 0, 0 };
    EnergyThread t;

    explicit Energy(std::initializer_list<std::pair<int, int>> settings = {})
    {
        TimeSeam::useFakeClock(true);
        for (int i = 0; i < 80; ++i) {
            set[i].value = 0;
            set[i].text = QString();
        }
        set[21].value = 1;
        set[23].value = 2;
        for (const auto& s : settings)
            set[s.first].value = s.second;
        for (Relaxed<float>& v : plot_data)
            v = 0.0f;
        memset(localData, 0, sizeof localData);
        allData = AllData{};
        memset(g_bmsStringOnline, 0, sizeof g_bmsStringOnline);
        g_recover_flag = 0;
        g_pvstate = 1;
        g_showsoc = 0;
        g_acCrtlCmd = 0;
        BmsSoc = 50.0f;
        sts.open();
        rtu.open();
        tcp.open();
        t.setDeviceData(&ac, &dc, &sts, &rtu, &tcp);
        at(10, 10);
    }
    ~Energy() { TimeSeam::useFakeClock(false); }

    // Puts the wall clock at h:m:s local time on a fixed day.
    static void at(int h, int m, int s = 0)
    {
        struct tm tm;
        memset(&tm, 0, sizeof tm);
        tm.tm_year = 2024 - 1900;
        tm.tm_mon = 4;
        tm.tm_mday = 10;
        tm.tm_hour = h;
        tm.tm_min = m;
        tm.tm_sec = s;
        tm.tm_isdst = -1;
        TimeSeam::setWallTime(mktime(&tm));
    }

    // The AC/DC system running (status 26) or not.
    void running(bool on) { ac.status[{ 0, 26 }] = on ? 1 : 0; }

    // One pass; the milliseconds it slept.
    int64_t pass()
    {
        const int64_t before = TimeSeam::monotonicMs();
        t.onePass();
        return TimeSeam::monotonicMs() - before;
    }

    // Writes of a fake device to one module and index, in order.
    static std::vector<float> writesTo(const FakeDevice& d, int module, int index)
    {
        std::vector<float> out;
        for (const FakeDevice::Write& w : d.writes)
            if (w.module == module && w.index == index)
                out.push_back(w.value);
        return out;
    }

    // The register value last stored in an upward slave, or -1 when never written.
    static float reg(UpwardRegisterStore& slave, int index)
    {
        float v = 0;
        return slave.getAnalog(0, index, &v) == 0 ? v : -1.0f;
    }
};

#endif
