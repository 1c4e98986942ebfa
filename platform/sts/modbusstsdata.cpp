#include "modbusstsdata.h"
#include "paramfile.h"
#include "paramline.h"
#include "timeseam.h"

#include <math.h>
#include <set>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

namespace {

const int kModuleNumbers[] = { 0, 1, 10, 11, 20, 21, 22, 23, 24, 25, 26, 27 };
const size_t kMaxPending = 256;
const size_t kMaxRecords = 64;
const size_t kMaxFaults = 256;
const char kFaultFile[] = "../log/stsfaultRecord.log";

// A value whose parameter line would not be exactly 16 bytes is refused.
bool lineFits(int index, float value)
{
    char line[ParamLine::SIZE + 1];
    return ParamLine::format(index, value, line) == 1;
}

void timeText(char (&out)[32])
{
    const time_t t = TimeSeam::wallTime();
    struct tm tmv;
    localtime_r(&t, &tmv);
    memset(out, 0, sizeof out);
    strftime(out, sizeof out, "%Y-%m-%d %H:%M:%S", &tmv);
}

} // namespace

ModbusSTSData::ModbusSTSData(int address, const char* port, const char* lineSettings, int timeoutMs, int trace)
    : address_(address)
    , port_(port ? port : "")
    , lineSettings_(lineSettings ? lineSettings : "")
    , timeoutMs_(timeoutMs)
    , trace_(trace)
    , open_(false)
{
    for (int n : kModuleNumbers) {
        Module m;
        m.number = n;
        m.online = true;
        m.result = 0;
        m.analog.assign(POINTS, 0.0f);
        m.config.assign(POINTS, 0.0f);
        m.status.assign(POINTS, 0);
        m.alarm.assign(POINTS, 0);
        modules_.push_back(m);
    }
    seed();
}

ModbusSTSData::~ModbusSTSData()
{
}

std::string ModbusSTSData::paramPath(int id)
{
    char path[64];
    snprintf(path, sizeof path, "../conf-sts/param_%d.ini", id);
    return path;
}

ModbusSTSData::Module* ModbusSTSData::find(int module)
{
    for (Module& m : modules_) {
        if (m.number == module)
            return &m;
    }
    return nullptr;
}

// A switch between grid and load at 230 V / 50 Hz carrying about 10 kW, two meters that agree
// with it, and eight monitors that see healthy insulation.
void ModbusSTSData::seed()
{
    Module& sw = *find(0);
    const float gridV[3] = { 230.1f, 229.8f, 230.4f }, gridI[3] = { 15.2f, 15.0f, 15.1f };
    const float loadV[3] = { 229.9f, 230.2f, 230.0f }, loadI[3] = { 12.1f, 12.0f, 12.2f };
    float gridP = 0, loadP = 0;
    for (int k = 0; k < 3; ++k) {
        sw.analog[0 + k] = gridV[k];
        sw.analog[3 + k] = gridI[k];
        sw.analog[27 + k] = loadV[k];
        sw.analog[30 + k] = loadI[k];
        gridP += gridV[k] * gridI[k] / 1000.0f;
        loadP += loadV[k] * loadI[k] / 1000.0f;
    }
    sw.analog[6] = 50.0f;
    sw.analog[33] = 50.0f;
    sw.analog[21] = gridP;
    sw.analog[48] = loadP;
    // Protection thresholds at the defaults the settings page names; calibration factors 1.
    sw.config[41] = 1.0f;
    sw.config[44] = 1.10f;
    sw.config[45] = 0.85f;
    sw.config[46] = 1.00f;
    sw.config[47] = -1.50f;
    for (int i = 101; i <= 112; ++i)
        sw.config[i] = 1.0f;
    // The grid-code parameters. The panel takes a parameter file whose 60, 61 and 70 are all
    // zero for an old installation, so the defaults are not zero there.
    const float gridCode[19] = { 1.10f, 0.85f, 1.20f, 0.50f, 0.20f, 0.16f, 51.5f, 47.5f, 0.20f, 0.20f,
        2.00f, 0.90f, 1.10f, 60.0f, 1.0f, 0.5f, 0.5f, 10.0f, 10.0f };
    for (int i = 0; i < 19; ++i)
        sw.config[60 + i] = gridCode[i];

    Module& own = *find(1);
    own.status[18] = 1; // grid-side contact closed
    own.status[19] = 1; // load-side contact closed
    own.analog[66] = 101.0f;
    own.analog[67] = 201.0f;
    own.config[20] = 230.0f;
    own.config[21] = 50.0f;

    // Meters report raw registers: 0x0302 gives volts x 0.1 and amperes x 0.01, power code 4
    // gives watts; 40..42 line voltages, 43..45 currents, 49 total power.
    const float meterI[2] = { 1510.0f, 1210.0f };
    const float meterP[2] = { 10419.0f, 8326.0f };
    for (int i = 0; i < 2; ++i) {
        Module& m = *find(10 + i);
        m.analog[35] = float(0x0302);
        m.analog[36] = float(0x0400);
        for (int k = 0; k < 3; ++k) {
            m.analog[37 + k] = 2301.0f;
            m.analog[40 + k] = 3985.0f;
            m.analog[43 + k] = meterI[i];
        }
        m.analog[49] = meterP[i];
    }

    // Monitors: bus voltage, resistances to ground in kilohms, no bus fault, normal mode.
    for (int i = 0; i < MONITORS; ++i) {
        Module& m = *find(20 + i);
        m.analog[0] = 760.0f;
        m.analog[4] = 5000.0f;
        m.analog[5] = 5000.0f;
        m.config[23] = 1.0f;
    }
}

int ModbusSTSData::open()
{
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    loadParams(0);
    loadParams(1);
    if (trace_)
        printf("ModbusSTSData::open address=%d port=%s line=%s timeout=%d (stand-in, no serial line)\n",
            address_, port_.c_str(), lineSettings_.c_str(), timeoutMs_);
    return 0;
}

int ModbusSTSData::close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    return 0;
}

// Completes every queued setting whose round trip is over, oldest first per module.
void ModbusSTSData::settle()
{
    if (pending_.empty())
        return;
    const int64_t now = TimeSeam::monotonicMs();
    int wait = timeoutMs_ < WRITE_MS ? WRITE_MS : timeoutMs_;
    std::set<int> blocked;
    for (auto it = pending_.begin(); it != pending_.end();) {
        Module* m = find(it->module);
        if (!m || blocked.count(it->module)) {
            ++it;
            continue;
        }
        const int64_t due = it->queuedMs + (m->online ? WRITE_MS : wait);
        if (now < due) {
            blocked.insert(it->module);
            ++it;
            continue;
        }
        if (m->online) {
            apply(*m, *it);
            m->result = 0;
        } else {
            printf("ModbusSTSData::setting module=%d index=%d no answer\n", it->module, it->index);
            m->result = 1;
        }
        it = pending_.erase(it);
    }
    for (const Pending& p : pending_) {
        if (Module* m = find(p.module))
            m->result = 2;
    }
}

void ModbusSTSData::apply(Module& m, const Pending& p)
{
    const float old = m.config[p.index];
    m.config[p.index] = p.value;
    if (m.number == 0 && p.index == 2 && p.value == 1.0f) {
        // Clearing the switch's faults.
        Module& own = *find(1);
        for (int& a : own.alarm)
            a = 0;
        for (int& a : m.alarm)
            a = 0;
        own.status[12] = 0;
        own.status[13] = 0;
    }
    if (m.number == 0 && p.index >= 101 && p.index <= 112 && old != 0.0f && p.value != 0.0f) {
        // A new calibration coefficient shows in its channel's reading at once.
        static const int reading[12] = { 0, 1, 2, 3, 4, 5, 27, 28, 29, 30, 31, 32 };
        m.analog[reading[p.index - 101]] *= p.value / old;
    }
    if (m.number == 0 && p.index >= 113 && p.index <= 115) {
        // A debug address picks a value of the switch, reported as analog 63..65.
        const int at = int(p.value);
        m.analog[63 + p.index - 113] = at >= 0 && at < POINTS ? m.analog[at] : 0.0f;
    }
    if (m.number != 0 && m.number != 1)
        return;
    writeParamLine(m.number, p.index, p.value);
    OperateRecord r;
    memset(&r, 0, sizeof r);
    timeText(r.time);
    r.oid = p.index;
    r.modules = RECORD_CODE;
    r.rdata = old;
    r.mdata = p.value;
    if (records_.size() >= kMaxRecords)
        records_.pop_front();
    records_.push_back(r);
}

int ModbusSTSData::getAnalog(int module, int index, float* out)
{
    if (!out)
        return -1;
    std::lock_guard<std::mutex> lock(mutex_);
    settle();
    *out = 0.0f;
    Module* m = find(module);
    if (!m)
        return -2;
    if (index < 0 || index >= POINTS)
        return -1;
    *out = m->analog[index];
    return 0;
}

int ModbusSTSData::getStatus(int module, int index)
{
    std::lock_guard<std::mutex> lock(mutex_);
    settle();
    Module* m = find(module);
    if (!m || index < 0 || index >= POINTS)
        return -1;
    if (index == 0)
        return open_ && m->online ? 1 : 0;
    return m->status[index];
}

int ModbusSTSData::getAlarm(int module, int index)
{
    std::lock_guard<std::mutex> lock(mutex_);
    settle();
    Module* m = find(module);
    if (!m || index < 0 || index >= POINTS)
        return -1;
    return m->alarm[index];
}

int ModbusSTSData::getConfig(int module, int index, float* out)
{
    if (!out)
        return -1;
    std::lock_guard<std::mutex> lock(mutex_);
    settle();
    *out = 0.0f;
    Module* m = find(module);
    if (!m)
        return -2;
    if (index < 0 || index >= POINTS)
        return -1;
    *out = m->config[index];
    return 0;
}

int ModbusSTSData::setting(int module, int index, float value, int broadcastFlag)
{
    (void)broadcastFlag;
    std::lock_guard<std::mutex> lock(mutex_);
    settle();
    Module* m = find(module);
    if (!m)
        return -2;
    if (!open_ || index < 0 || index >= POINTS || !lineFits(index, value)) {
        printf("ModbusSTSData::setting refused module=%d index=%d value=%f open=%d\n", module, index,
            double(value), int(open_));
        return -1;
    }
    if (pending_.size() >= kMaxPending)
        return -2;
    if (trace_)
        printf("ModbusSTSData::setting module=%d index=%d value=%f\n", module, index, double(value));
    pending_.push_back(Pending { module, index, value, TimeSeam::monotonicMs() });
    m->result = 2;
    return 0;
}

int ModbusSTSData::getSettingResult(int module)
{
    std::lock_guard<std::mutex> lock(mutex_);
    settle();
    Module* m = find(module);
    if (!m)
        return -2;
    if (!open_)
        return -1;
    return m->result;
}

int ModbusSTSData::getOperateRecord(OperateRecord* out)
{
    if (!out)
        return -1;
    std::lock_guard<std::mutex> lock(mutex_);
    settle();
    memset(out, 0, sizeof *out);
    if (!open_)
        return -1;
    if (records_.empty())
        return 0;
    *out = records_.front();
    records_.pop_front();
    return 1;
}

int ModbusSTSData::getVersion(char* buf, int len)
{
    if (!buf || len <= 0)
        return -1;
    snprintf(buf, size_t(len), "%s", "libsts stand-in 1.00");
    return 0;
}

int ModbusSTSData::getFaultRecordSize()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return int(faults_.size());
}

int ModbusSTSData::getFaultRecord(int i, FaultRecord* out)
{
    if (!out)
        return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (i < 0 || i >= int(faults_.size()))
        return 0;
    *out = faults_[size_t(i)];
    return 1;
}

int ModbusSTSData::setAnalog(int module, int index, float value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    Module* m = find(module);
    if (!m || index < 0 || index >= POINTS)
        return -1;
    m->analog[index] = value;
    return 0;
}

int ModbusSTSData::setStatus(int module, int index, int value)
{
    if (index == 0)
        return setOnline(module, value != 0);
    std::lock_guard<std::mutex> lock(mutex_);
    Module* m = find(module);
    if (!m || index < 0 || index >= POINTS)
        return -1;
    m->status[index] = value;
    return 0;
}

int ModbusSTSData::setAlarm(int module, int index, int value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    Module* m = find(module);
    if (!m || index < 0 || index >= POINTS)
        return -1;
    m->alarm[index] = value;
    return 0;
}

int ModbusSTSData::setOnline(int module, bool online)
{
    std::lock_guard<std::mutex> lock(mutex_);
    Module* m = find(module);
    if (!m)
        return -1;
    m->online = online;
    return 0;
}

void ModbusSTSData::addFaultRecord(const FaultRecord& record)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (faults_.size() >= kMaxFaults)
        faults_.erase(faults_.begin());
    faults_.push_back(record);
    for (size_t i = 0; i < faults_.size(); ++i)
        faults_[i].index = int32_t(i);
    writeFaultFile();
}

void ModbusSTSData::writeFaultFile()
{
    FILE* f = fopen(kFaultFile, "wb");
    if (!f) {
        printf("ModbusSTSData::addFaultRecord cannot write %s\n", kFaultFile);
        return;
    }
    for (const FaultRecord& r : faults_) {
        char t[sizeof r.time + 1];
        memcpy(t, r.time, sizeof r.time);
        t[sizeof r.time] = '\0';
        fprintf(f, "%d\t%s\t%d\t%d\n", int(r.index), t, int(r.type), int(r.module));
    }
    fclose(f);
}

// Takes the stored parameters of module 0 or 1 over the defaults and adds the lines the file
// lacks, creating it when missing, so that it always holds a line for every parameter.
void ModbusSTSData::loadParams(int id)
{
    Module& m = *find(id);
    const std::string path = paramPath(id);
    // The certification switch-over replaces these files whole under the same lock.
    ParamFileLock writing(path);
    std::vector<bool> have(POINTS, false);
    if (FILE* f = fopen(path.c_str(), "rb")) {
        char line[256];
        while (fgets(line, sizeof line, f) && strchr(line, '\n')) {
            int index = 0;
            float value = 0.0f;
            if (!ParamLine::parse(line, &index, &value))
                continue;   // a damaged line costs only itself
            if (index >= 0 && index < POINTS) {
                m.config[size_t(index)] = value;
                have[size_t(index)] = true;
            }
        }
        fclose(f);
    }
    FILE* f = fopen(path.c_str(), "r+b");
    if (!f)
        f = fopen(path.c_str(), "w+b");
    if (!f) {
        printf("ModbusSTSData::open cannot write %s\n", path.c_str());
        return;
    }
    for (int i = 0; i < POINTS; ++i) {
        if (!have[size_t(i)])
            ParamLine::writeAt(f, i, m.config[size_t(i)]);
    }
    fclose(f);
}

void ModbusSTSData::writeParamLine(int id, int index, float value)
{
    if (!lineFits(index, value))
        return;
    const std::string path = paramPath(id);
    {
        ParamFileLock writing(path);
        if (FILE* f = fopen(path.c_str(), "r+b")) {
            if (ParamLine::writeAt(f, index, value) != 1)
                printf("ModbusSTSData::setting cannot write %s\n", path.c_str());
            fclose(f);
            return;
        }
    }
    // The file went away: lay it out again from the table, which holds the new value.
    loadParams(id);
}
