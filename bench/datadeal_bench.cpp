// CPU time of one pass of the data-handling loop on the panel's real AC/DC, DC/DC and battery
// data objects, fed by the simulated cabinet (a process of its own: AC/DC modules 1 to 10 and U2
// on the pty paced as a 19200-baud line, DC/DC modules 1 to 10 on can0, racks on can1; machine
// type PCS-1000K, eight branches), per pass and as a share of its 100 ms period. The static
// transfer switch, which the simulator lacks, answers from arrays. Passes run every 100 ms on
// the real clock while the link threads keep the values moving, as in the panel.
// Usage: datadeal_bench [passes, default 300] [warm-up seconds, default 10]
#include "benchcabinet.h"
#include "bmsdata.h"
#include "datadeal.h"
#include "dcdcdata.h"
#include "devicedata.h"
#include "modbusacdcdata.h"
#include "globalvar.h"
#include "monitorset.h"
#include "nametables.h"
#include "operaterecordfile.h"

#include <QCoreApplication>
#include <algorithm>
#include <signal.h>
#include <sys/wait.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

// Modules 0..12 and branches 1001..1008, 200 points each.
class ArrayDevice : public DeviceData {
public:
    enum { SLOTS = 21, POINTS = 200 };

    ArrayDevice()
    {
        memset(status, 0, sizeof status);
        memset(alarm, 0, sizeof alarm);
        for (int s = 0; s < SLOTS; ++s)
            for (int p = 0; p < POINTS; ++p)
                analog[s][p] = float(s * 1000 + p) / 10.0f;
    }
    static int slotOf(int module)
    {
        if (module >= 0 && module <= 12)
            return module;
        if (module >= 1001 && module <= 1008)
            return module - 988;
        return -1;
    }
    void setStatus(int module, int point, int v)
    {
        const int s = slotOf(module);
        if (s >= 0 && point >= 0 && point < POINTS)
            status[s][point] = v;
    }

    int open() override { return 0; }
    int close() override { return 0; }
    int getAnalog(int module, int index, float* out) override
    {
        const int s = slotOf(module);
        if (s < 0 || index < 0 || index >= POINTS)
            return -1;
        *out = analog[s][index];
        return 0;
    }
    int getStatus(int module, int index) override
    {
        const int s = slotOf(module);
        return s < 0 || index < 0 || index >= POINTS ? -1 : status[s][index];
    }
    int getAlarm(int module, int index) override
    {
        const int s = slotOf(module);
        return s < 0 || index < 0 || index >= POINTS ? -1 : alarm[s][index];
    }
    int getConfig(int module, int index, float* out) override { return getAnalog(module, index, out); }
    int setting(int, int, float, int) override { return 0; }
    int getSettingResult(int) override { return 0; }
    int getOperateRecord(OperateRecord*) override { return 0; }
    int getVersion(char* buf, int len) override
    {
        if (len > 0)
            buf[0] = '\0';
        return 0;
    }
    int getFaultRecordSize() override { return 0; }
    int getFaultRecord(int, FaultRecord*) override { return 0; }

private:
    int status[SLOTS][POINTS];
    int alarm[SLOTS][POINTS];
    float analog[SLOTS][POINTS];
};

double threadCpuUs()
{
    struct timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}


} // namespace

int main(int argc, char* argv[])
{
    const int passes = argc > 1 ? std::max(20, atoi(argv[1])) : 300;
    const int warmUp = argc > 2 ? std::max(0, atoi(argv[2])) : 10;
    const std::string root = BenchCabinet::makeTree();
    if (root.empty())
        return 1;
    // The libraries talk on stdout; the figures go to a copy of it.
    FILE* report = fdopen(dup(1), "w");
    if (!report || !freopen((root + "/bench.log").c_str(), "w", stdout) || !freopen((root + "/bench.log").c_str(), "a", stderr))
        return 1;
    setvbuf(report, nullptr, _IOLBF, 0);

    QCoreApplication app(argc, argv);
    readmonitorset();
    if (!BenchCabinet::setMachine())
        return 1;

    const pid_t sim = BenchCabinet::startSimulator(root, BenchCabinet::kLineBaud, BenchCabinet::kLineCharBits);

    // As the main window makes them.
    ModbusAcDcData ac(13, const_cast<char*>("/dev/ttySAC1"), const_cast<char*>("19200,n,8,1"), 300, 0);
    BmsData bms(const_cast<char*>("can1"), 250000, 2000, 1);
    bms.setting(0, 1001, float(set[26].value), 0);
    DcdcData dc(const_cast<char*>("can0"), 1000000, 800, 0);
    bms.open();
    if (ac.open() < 0 || dc.open() < 0) {
        fprintf(report, "datadeal_bench: the links did not open (see %s/bench.log)\n", root.c_str());
        return 1;
    }
    ArrayDevice sts;
    sts.setStatus(1, 0, 1);
    // Modules come online and the links settle before the passes are timed.
    sleep(unsigned(warmUp));
    int acOnline = 0, dcOnline = 0;
    for (int m = 1; m <= 10; ++m) {
        acOnline += ac.getStatus(m, 0) == 1;
        dcOnline += dc.getStatus(m, 100) == 1;
    }

    // The point names from the template's tables, as the main window loads them.
    loadDeviceNames(false);
    loadInterfaceFile(false, set[26].value, set[55].value, set[53].value);
    DATADEAL* d = new DATADEAL;
    d->setDeviceData(&ac, &dc, &sts, &bms, nullptr, nullptr, set);
    d->setModuleState(dcacstate, dcdcstate);
    d->setDataName(text_dcac_status, text_dcdc_status, text_sts_status, text_dcac_alarm, text_dcdc_alarm,
        text_sts_alarm, text_dcac_analog, text_dcdc_analog, text_sts_analog, text_dcac_config, text_dcdc_config,
        text_sts_config);

    // The first pass records every point already set; the next ones compare, and record what
    // the simulated cabinet changed.
    double t0 = threadCpuUs();
    d->onePass();
    const double first = threadCpuUs() - t0;
    const int recordsAfterFirst = d->getStatusRecordFile()->size();

    std::vector<double> plain, withStates;
    for (int pass = 2; pass <= passes; ++pass) {
        usleep(100000);
        t0 = threadCpuUs();
        d->onePass();
        const double us = threadCpuUs() - t0;
        ((pass - 5) % 6 == 0 ? withStates : plain).push_back(us);
        d->time_power_slot();
    }
    auto mean = [](const std::vector<double>& v) {
        double s = 0;
        for (double x : v)
            s += x;
        return v.empty() ? 0.0 : s / v.size();
    };
    std::vector<double> all(plain);
    all.insert(all.end(), withStates.begin(), withStates.end());
    const double avg = mean(all);
    const double worst = *std::max_element(all.begin(), all.end());

    std::vector<double> sorted(all);
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    fprintf(report, "data-handling pass on the real AC/DC, DC/DC and battery objects, simulated cabinet running "
        "(%d of 10 AC/DC and %d of 10 DC/DC modules online; %d passes, one each 100 ms):\n", acOnline, dcOnline,
        passes);
    fprintf(report, "  first pass (records every point already set): %.1f us\n", first);
    fprintf(report, "  records and alarms only:          %8.1f us per pass (%.3f %% of 100 ms)\n", mean(plain),
        mean(plain) / 1000.0);
    fprintf(report, "  with module states (every 6th):   %8.1f us per pass (%.3f %% of 100 ms)\n", mean(withStates),
        mean(withStates) / 1000.0);
    fprintf(report, "  mean over the schedule:           %8.1f us per pass (%.3f %% of 100 ms), median %.1f us, worst %.1f us\n",
        avg, avg / 1000.0, median, worst);
    fprintf(report, "  first pass wrote %d status records; the passes after it wrote %d\n", recordsAfterFirst - 1,
        d->getStatusRecordFile()->size() - recordsAfterFirst);

    delete d;
    ac.close();
    dc.close();
    bms.close();
    if (sim > 0) {
        kill(sim, SIGTERM);
        waitpid(sim, nullptr, 0);
    }
    if (system(("rm -rf '" + root + "'").c_str()) != 0)
        return 1;
    return 0;
}
