// CPU time of one pass of the data-handling loop with every device present and every point
// readable, per pass and as a share of its 100 ms period. The devices answer from arrays, as the
// libraries answer from their cached tables; values hold steady, so after the first pass (which
// records every point already set) a pass writes nothing. The loop's sleep runs on the stepped
// clock, so only the work is timed. Usage: datadeal_bench [passes, default 3000]
#include "datadeal.h"
#include "devicedata.h"
#include "globalvar.h"
#include "monitorset.h"
#include "nametables.h"
#include "operaterecordfile.h"
#include "timeseam.h"

#include <QCoreApplication>
#include <algorithm>
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
    const int passes = argc > 1 ? std::max(60, atoi(argv[1])) : 3000;
    char dir[] = "/tmp/sp-bench-XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    const std::string cmd = std::string("mkdir -p '") + dir + "/log' '" + dir + "/bin'";
    if (system(cmd.c_str()) != 0)
        return 1;
    setenv("STATIONPANEL_ROOT", dir, 1);
    if (chdir((std::string(dir) + "/bin").c_str()) != 0)
        return 1;

    QCoreApplication app(argc, argv);
    readmonitorset();
    set[21].value = 0;   // a switch fitted
    TimeSeam::useFakeClock(true);

    ArrayDevice ac, dc, sts, bms;
    for (int m : { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1001, 1002 }) {
        ac.setStatus(m, 0, 1);
        ac.setStatus(m, 53, 1);
    }
    for (int m : { 0, 1, 2, 3, 4, 1001, 1002 }) {
        dc.setStatus(m, 100, 1);
        dc.setStatus(m, 0, 1);
    }
    sts.setStatus(1, 0, 1);

    DATADEAL* d = new DATADEAL;
    d->setDeviceData(&ac, &dc, &sts, &bms, nullptr, nullptr, set);
    d->setModuleState(dcacstate, dcdcstate);
    d->setDataName(text_dcac_status, text_dcdc_status, text_sts_status, text_dcac_alarm, text_dcdc_alarm,
        text_sts_alarm, text_dcac_analog, text_dcdc_analog, text_sts_analog, text_dcac_config, text_dcdc_config,
        text_sts_config);

    // The first pass records every point already set; the next ones only compare.
    double t0 = threadCpuUs();
    d->onePass();
    const double first = threadCpuUs() - t0;
    const int recordsAfterFirst = d->getStatusRecordFile()->size();

    std::vector<double> plain, withStates;
    for (int pass = 2; pass <= passes; ++pass) {
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

    printf("data-handling pass, all devices present (%d passes):\n", passes);
    printf("  first pass (records every point already set): %.1f us\n", first);
    printf("  records and alarms only:          %8.1f us per pass (%.3f %% of 100 ms)\n", mean(plain),
        mean(plain) / 1000.0);
    printf("  with module states (every 6th):   %8.1f us per pass (%.3f %% of 100 ms)\n", mean(withStates),
        mean(withStates) / 1000.0);
    printf("  mean over the schedule:           %8.1f us per pass (%.3f %% of 100 ms), worst %.1f us\n", avg,
        avg / 1000.0, worst);
    printf("  first pass wrote %d status records; the steady passes after it wrote %d\n", recordsAfterFirst - 1,
        d->getStatusRecordFile()->size() - recordsAfterFirst);

    if (system((std::string("rm -rf '") + dir + "'").c_str()) != 0)
        return 1;
    return 0;
}
