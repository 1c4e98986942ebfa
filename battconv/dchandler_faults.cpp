#include "dchandler.h"
#include "canhandler.h"
#include "configfile.h"
#include "faultrecordfile.h"
#include "paramfile.h"
#include "saturate.h"
#include "temperaturecurve.h"
#include "syspath.h"
#include "timeseam.h"
#include "upgradehexline.h"

#include <algorithm>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <string>
#include <time.h>
#include <unistd.h>

namespace {
const char* const BUILD_DATE = "Jul 15 2019";
const char* const BUILD_TIME = "20:11:28";
const char* const MAP_PATH = "../conf-dcdc/map.pdu";
const char* const ENERGY_PATH = "../log/DcData.log";
const char* const FAULT_RECORD_PATH = "../log/dcdcfaultRecord.log";
const char* const FAULT_WAVE_PATH = "../log/dcFaultData.dat";
// Snapshot positions of the history kept before and after a fault.
const int BEFORE_FAULT[8] = { 0, 12, 28, 44, 52, 56, 58, 59 };
const int AFTER_FAULT[8] = { 0, 1, 3, 7, 15, 31, 47, 59 };
const int SEND_TRIES = 10;

CanFrame commandFrame(int priority, int pf, int da)
{
    CanFrame f;
    memset(&f, 0, sizeof f);
    f.ff = 1;
    f.p = priority & 7;
    f.pf = uint8_t(pf);
    f.da = uint8_t(da);
    f.sa = DcHandler::OWN_ADDRESS;
    f.dlc = 8;
    return f;
}

void put16(uint8_t* at, int value)
{
    at[0] = uint8_t(value & 0xFF);
    at[1] = uint8_t((value >> 8) & 0xFF);
}

// The integer part of a float product, as the modules take it (saturated instead of undefined
// beyond the range).
int integerOf(float v)
{
    return Saturate::toInt32(double(v));
}

std::string localTimeText()
{
    const time_t now = TimeSeam::wallTime();
    struct tm t;
    char text[32] = "";
    if (localtime_r(&now, &t))
        strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &t);
    return text;
}

int startDetached(void* (*fn)(void*), void* arg)
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1048576);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t tid;
    const int err = pthread_create(&tid, &attr, fn, arg);
    pthread_attr_destroy(&attr);
    return err;
}
}

const int DcHandler::analogDataScale[128] = {
    10, 10, 10, 10, 10, 10, 10, 10, 10, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 1, 10, 10, 1, 10, 10, 1, 1, 1, 1,
};

// Shared with the fault-data and parameter threads, so that a destroyed handler stops them
// instead of being used.
struct DcHandler::Background {
    std::mutex lock;   // held for one pass
    bool stop = false;
    DcHandler* handler = nullptr;
};

DcHandler::DcHandler(const char* canIf, int bitrate, int periodMs, bool trace)
    : m_can(nullptr), m_bitrate(bitrate), m_period(periodMs), m_trace(trace), m_running(false), m_stop(false),
      m_upgrading(false), m_lastTimer(0), m_heartCount(0), m_connectCount(0), m_timerCount(0), m_faultFile(nullptr),
      m_faultRecord(nullptr), m_waveRing(FAULT_WAVE_PATH), m_direct(1)
{
    memset(m_canIf, 0, sizeof m_canIf);
    if (canIf)
        strncpy(m_canIf, canIf, sizeof m_canIf - 1);
    memset(m_raw, 0, sizeof m_raw);
    memset(m_faultMask, 0, sizeof m_faultMask);
    m_replyCount = 0;
    m_progress = 0;
    m_deviceType = -1;
    m_countReplies = false;
    m_upgradeAbort = false;
    m_upgradeJoinable = false;
    memset(m_waveRecord, 0, sizeof m_waveRecord);
    for (int m = 0; m <= MODULES; ++m) {
        m_faultSeen[m] = 0;
        m_preCapture[m] = 0;
    }
    memset(m_energy, 0, sizeof m_energy);
    memset(&m_rackRow, 0, sizeof m_rackRow);
    memset(m_systemId, 0, sizeof m_systemId);
    memset(m_p7, 0, sizeof m_p7);
    memset(m_p7Sum, 0, sizeof m_p7Sum);
    m_lastInitValue = 0;
    for (int m = 0; m <= MODULES; ++m) {
        m_pending[m] = 0;
        m_sendTime[m] = 0.0;
        m_resend5[m] = 0;
        m_initFlag[m][0] = m_initFlag[m][1] = m_initFlag[m][2] = 0;
    }
    for (int g = 0; g < GROUPS; ++g) {
        m_groupSendTime[g] = 0.0;
        m_group5[g] = 0.0f;
        m_group9[g] = 0.0f;
    }
    m_systemSendTime = 0.0;
    m_settling = 0;
    // Unity power factor, no active or reactive power.
    m_dispatch[0] = m_dispatch[1] = 0;
    m_dispatch[2] = 100;
    memcpy(m_dispatchRecorded, m_dispatch, sizeof m_dispatch);
    m_command21 = 0;
    memset(m_systemPower, 0, sizeof m_systemPower);
    memset(m_groupPower, 0, sizeof m_groupPower);
    for (auto& a : m_alive)
        a = 0;
    m_init = { 0, -1, 0, -1 };
    m_can = new CanHandler(trace);
    m_faultFile = new pcsdcdc::FaultRecordFile(FAULT_RECORD_PATH, false);
    m_faultFile->read();
    m_faultRecord = new FaultRecord;
    memset(m_faultRecord, 0, sizeof *m_faultRecord);
}

DcHandler::~DcHandler()
{
    // A pass still running must not outlive the handler it works for.
    m_upgradeAbort = true;
    joinUpgrade();
    close();
    if (m_background) {
        std::lock_guard<std::mutex> g(m_background->lock);
        m_background->stop = true;
    }
    m_background.reset();
    delete m_can;
    {
        std::lock_guard<std::mutex> g(m_paramLock);
        for (auto& f : m_paramFiles)
            delete f.second;
        m_paramFiles.clear();
        m_paramMaps.clear();
    }
    delete m_faultFile;
    delete m_faultRecord;
}

int DcHandler::open()
{
    close();
    printf("%s\n", __PRETTY_FUNCTION__);
    {
        std::lock_guard<std::mutex> g(m_sendLock);
        const int r = m_can->open(m_canIf, m_bitrate, 1, 5000);
        if (r != 0)
            return r;
    }
    m_rackMap.clear();
    m_rackConfig.getRackInf("SockConfig.pdu", &m_rackMap);
    openParamFiles();
    if (readCommandTable() != 0)
        return -1;
    readEnergy();
    // The row is chosen before the threads start, so that they never see it half written.
    chooseRack();
    return startThreads();
}

int DcHandler::startThreads()
{
    m_running = true;
    int err = startDetached(sampleThread, this);
    if (err != 0) {
        m_running = false;
        printf("%s receive thread not started: %s\n", __PRETTY_FUNCTION__, strerror(err));
        return err;
    }
    // The fault-data and parameter threads run for good once started; a second open leaves
    // them as they are.
    if (m_background)
        return 0;
    auto state = std::make_shared<Background>();
    state->handler = this;
    auto* faultArg = new std::shared_ptr<Background>(state);
    err = startDetached(RealFaultDataThread, faultArg);
    if (err != 0) {
        delete faultArg;
        printf("%s fault-data thread not started: %s\n", __PRETTY_FUNCTION__, strerror(err));
        return err;
    }
    m_background = state;
    auto* paramArg = new std::shared_ptr<Background>(state);
    err = startDetached(dcParamHandler_thread, paramArg);
    if (err != 0) {
        delete paramArg;
        printf("%s parameter thread not started: %s\n", __PRETTY_FUNCTION__, strerror(err));
        return err;
    }
    return 0;
}

void DcHandler::openParamFiles()
{
    std::lock_guard<std::mutex> g(m_paramLock);
    for (auto& f : m_paramFiles)
        delete f.second;
    m_paramFiles.clear();
    m_paramMaps.clear();
    std::vector<int> ids;
    for (int id = 1; id <= MODULES; ++id)
        ids.push_back(id);
    for (int id = SYSTEM_PARAMS; id <= LAST_GROUP; ++id)
        ids.push_back(id);
    for (int id : ids) {
        ParamFile* f = new ParamFile(id);
        m_paramFiles[id] = f;
        std::map<int, ParamRecord*>& records = m_paramMaps[id];
        if (f->read())
            f->get(records);
    }
}

int DcHandler::readCommandTable()
{
    esf::ConfigFile cf;
    if (!cf.open(MAP_PATH)) {
        printf("%s cannot open %s\n", __PRETTY_FUNCTION__, MAP_PATH);
        return -1;
    }
    InitRow init = { 0, -1, 0, -1 };
    if (!cf.find("[INIT]") || !cf.read("%d%d%d%d", &init.first, &init.last, &init.recordLimit, &init.broadcastRow)) {
        // Sections are found only forward: look for the table from the start again.
        printf("%s no [INIT] row in %s: no module initialisation, no records\n", __PRETTY_FUNCTION__, MAP_PATH);
        init = { 0, -1, 0, -1 };
        cf.close();
        if (!cf.open(MAP_PATH))
            return -1;
    }
    m_init = init;
    int count = 0;
    if (cf.find("[CONF_DATA_NUM]"))
        cf.read("%d", &count);
    printf("%s-%d\n", __PRETTY_FUNCTION__, count);
    m_commands.clear();
    // Rows are addressed by indices below 200.
    if (count > INDICES)
        count = INDICES;
    if (count > 0 && cf.find("[CONF_DATA_INFO]")) {
        for (int i = 0; i < count; ++i) {
            CommandRow row;
            char name[64];
            if (!cf.read("%d%d%64s%d%x%d%d%d", &row.number, &row.code, name, &row.priority, &row.pf, &row.scale,
                    &row.field7, &row.field8)) {
                printf("%s %s holds %d of %d rows\n", __PRETTY_FUNCTION__, MAP_PATH, i, count);
                break;
            }
            row.priority &= 7;
            row.pf &= 0xFF;
            m_commands.push_back(row);
        }
    }
    cf.close();
    return 0;
}

void DcHandler::readEnergy()
{
    const int fd = ::open(ENERGY_PATH, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        printf("%s cannot open %s: %s\n", __PRETTY_FUNCTION__, ENERGY_PATH, strerror(errno));
        memset(m_energy, 0, sizeof m_energy);
        return;
    }
    if (pread(fd, m_energy, ENERGY_BYTES, 0) != ENERGY_BYTES) {
        memset(m_energy, 0, sizeof m_energy);
        if (pwrite(fd, m_energy, ENERGY_BYTES, 0) != ENERGY_BYTES)
            printf("%s cannot write %s\n", __PRETTY_FUNCTION__, ENERGY_PATH);
    }
    ::close(fd);
}

int DcHandler::writeEnergy()
{
    const int fd = ::open(ENERGY_PATH, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const bool ok = pwrite(fd, m_energy, ENERGY_BYTES, 0) == ENERGY_BYTES;
    ::close(fd);
    return ok ? 0 : -1;
}

double DcHandler::energyTotal(int id, int k) const
{
    int slot = -1;
    if (isModule(id))
        slot = id - 1;
    else if (isGroup(id))
        slot = MODULES + id - FIRST_GROUP;
    if (slot < 0 || k < 0 || k > 1)
        return 0.0;
    return m_energy[slot][k];
}

void DcHandler::chooseRack()
{
    float type = 0.0f;
    getConfig(0, 53, &type);
    const int t = Saturate::toInt32(type);
    printf("type %d\n", t);
    if (m_rackMap.find(t) == m_rackMap.end()) {
        RackInfoStuct zero;
        memset(&zero, 0, sizeof zero);
        zero.machineType = t;
        m_rackMap[t] = zero;
    }
    m_rackRow = m_rackMap[t];
    printf("m_currentRackInfo %d,%d\n", m_rackRow.moduleCount, m_rackRow.seq);

    char text[sizeof m_rackRow.text2 + 1];
    memcpy(text, m_rackRow.text2, sizeof m_rackRow.text2);
    text[sizeof m_rackRow.text2] = '\0';
    char* parts[MODULES + 1] = { nullptr };
    char slash[] = "/";
    const int n = esf::ConfigFile::split(text, slash, parts, MODULES);
    for (int m = 1; m <= MODULES; ++m) {
        int id = 0;
        if (m <= n && parts[m - 1])
            id = int(strtol(parts[m - 1], nullptr, 10));
        // Only the system's and the groups' files exist; anything else reads the system's.
        m_systemId[m] = id >= 0 && id <= GROUPS ? id : 0;
    }
    m_direct = m_rackRow.dcViaAcDc == 0 ? 1 : 0;
}

int DcHandler::close()
{
    m_stop = true;
    m_can->interrupt();
    while (m_running)
        TimeSeam::sleepMs(10);
    m_stop = false;
    std::lock_guard<std::mutex> g(m_sendLock);
    m_can->close();
    m_backlog.clear();
    return 0;
}

void* DcHandler::sampleThread(void* arg)
{
    pthread_setname_np(pthread_self(), "dc-recv");
    DcHandler* h = static_cast<DcHandler*>(arg);
    h->m_lastTimer = getCurrentTimeMillis();
    while (!h->m_stop) {
        const int wait = h->samplePass();
        if (wait > 0)
            h->samplePause(wait);
    }
    h->m_running = false;
    return nullptr;
}

void DcHandler::samplePause(int ms)
{
    if (m_emptyTurns >= 2 && !m_upgrading && !TimeSeam::fakeClock()) {
        // Up to the next timer event; close() cuts the wait short.
        const int longest = m_period > 0 && m_period < RECEIVE_WAIT_MS ? m_period : RECEIVE_WAIT_MS;
        const double due = m_lastTimer + m_period - getCurrentTimeMillis();
        const int wait = due < 1 ? 1 : due > longest ? longest : int(due);
        const int r = m_can->waitReadable(wait);
        if (r == 0 || r == -6)
            return;
    }
    TimeSeam::waitMs(ms);
}

int DcHandler::samplePass()
{
    const int idle = m_upgrading ? 1 : 5;
    int wait = 0;
    if (!m_sendLock.try_lock()) {
        wait = idle;
        m_emptyTurns = 0;
    } else {
        CanFrame f;
        int r = CanHandler::FRAME_SIZE;
        if (!m_backlog.empty()) {
            f = m_backlog.front();
            m_backlog.pop_front();
        } else {
            r = m_can->recv(&f);
        }
        m_sendLock.unlock();
        m_emptyTurns = r == -4 ? m_emptyTurns + 1 : 0;
        if (r == CanHandler::FRAME_SIZE)
            process(&f);
        else if (r != -5 && r != -8)
            wait = idle;   // nothing waiting, or no link: a refused frame was at least read
    }
    if (!m_upgrading) {
        const double now = getCurrentTimeMillis();
        if (fabs(now - m_lastTimer) >= m_period) {
            timerEvent();
            m_lastTimer = now;
        }
    }
    return wait;
}

void DcHandler::timerEvent()
{
    CanFrame f = commandFrame(2, COMMAND_PF, BROADCAST);
    f.data[0] = 1;
    f.data[2] = uint8_t(m_heartCount);
    send(&f);
    m_heartCount = m_heartCount >= 254 ? 0 : m_heartCount + 1;
    checkconnect();
    if (++m_timerCount >= ENERGY_SAVE_TICKS) {
        m_timerCount = 0;
        writeEnergy();
    }
}

void DcHandler::checkconnect()
{
    if (++m_connectCount < CONNECT_TICKS)
        return;
    m_connectCount = 0;
    int any = 0;
    for (int m = 1; m <= MODULES; ++m) {
        m_status[m][ONLINE] = m_alive[m].exchange(0) ? 1 : 0;
        any |= m_status[m][ONLINE];
    }
    m_status[0][ONLINE] = any;
}

void* DcHandler::everySecond(void* arg, void (DcHandler::*pass)())
{
    auto* held = static_cast<std::shared_ptr<Background>*>(arg);
    std::shared_ptr<Background> state = *held;
    delete held;
    for (;;) {
        {
            std::lock_guard<std::mutex> g(state->lock);
            if (state->stop)
                break;
            (state->handler->*pass)();
        }
        TimeSeam::waitMs(1000);
    }
    return nullptr;
}

void* DcHandler::RealFaultDataThread(void* arg)
{
    pthread_setname_np(pthread_self(), "dc-fault");
    return everySecond(arg, &DcHandler::RealFaultData);
}

void* DcHandler::dcParamHandler_thread(void* arg)
{
    pthread_setname_np(pthread_self(), "dc-param");
    return everySecond(arg, &DcHandler::dcParamPass);
}

void DcHandler::dcParamPass()
{
    std::lock_guard<std::mutex> g(m_paramLock);
    for (auto& f : m_paramFiles)
        f.second->ansywrite();
}

DcHandler::RealAnalogStruct DcHandler::snapshot(int m) const
{
    RealAnalogStruct s;
    memset(&s, 0, sizeof s);
    for (int i = 0; i < 32; ++i)
        s.values[i] = m_analog[m][i];
    return s;
}

void DcHandler::RealFaultData()
{
    for (int m = 1; m <= MODULES; ++m) {
        if (!online(m))
            continue;
        const RealAnalogStruct now = snapshot(m);
        std::deque<RealAnalogStruct>& history = m_history[m];
        FaultRealDataLog& record = m_waveRecord[m];
        if (!m_faultSeen[m]) {
            if (history.size() > HISTORY - 1)
                history.pop_front();
            history.push_back(now);
        } else if (m_preCapture[m]) {
            FaultWaveRing::get_time(&record.time);
            // A history shorter than a minute leaves its slots empty rather than holding the
            // previous fault's snapshots.
            for (int k = 0; k < 8; ++k) {
                if (history.size() == HISTORY)
                    memcpy(record.snapshots[k], history[BEFORE_FAULT[k]].values, sizeof record.snapshots[0]);
                else
                    memset(record.snapshots[k], 0, sizeof record.snapshots[0]);
            }
            history.clear();
            m_preCapture[m] = 0;
        } else {
            if (history.size() <= HISTORY - 1)
                history.push_back(now);
            if (history.size() == HISTORY) {
                for (int k = 0; k < 8; ++k)
                    memcpy(record.snapshots[9 + k], history[AFTER_FAULT[k]].values, sizeof record.snapshots[0]);
                record.module = m;
                writeFaultRealData(&record);
                m_faultSeen[m] = 0;
            }
        }
    }
}

int DcHandler::writeFaultRealData(FaultRealDataLog* record)
{
    return m_waveRing.writeFaultRealData(record);
}

int DcHandler::faultRequest(int module, int upload, const char* function)
{
    if (!isModule(module)) {
        printf("%s(%d)-modulenum error\n", function, module);
        return -1;
    }
    CanFrame f = commandFrame(2, COMMAND_PF, MODULE_BASE + module);
    f.data[0] = 6;
    f.data[2] = uint8_t(upload);
    return send(&f);
}

int DcHandler::faultUpNow(int module)
{
    return faultRequest(module, 1, __PRETTY_FUNCTION__);
}

int DcHandler::faultUpStop(int module)
{
    return faultRequest(module, 0, __PRETTY_FUNCTION__);
}

void DcHandler::decodeFaultFrame(int m, int pf)
{
    m_faultSeen[m] = 1;
    m_preCapture[m] = 1;
    memset(m_waveRecord[m].snapshots[8], 0, sizeof m_waveRecord[m].snapshots[8]);
    for (int i = 0; i < 32; ++i)
        m_waveRecord[m].snapshots[8][i] = m_analog[m][i];
    if (pf - FIRST_FAULT_PF < 32)
        m_faultMask[m] |= uint32_t(1) << (pf - FIRST_FAULT_PF);
    if (m_faultMask[m] == FAULT_MASK_FULL) {
        faultUpStop(m);
        faultSave(uint8_t(m));
        m_faultMask[m] = 0;
    }
}

void DcHandler::faultSave(unsigned char module)
{
    if (!isModule(module)) {
        printf("%s(%d)-modulenum error\n", __PRETTY_FUNCTION__, module);
        return;
    }
    FaultRecord& r = *m_faultRecord;
    memset(&r, 0, sizeof r);
    const std::string time = localTimeText();
    strncpy(r.time, time.c_str(), sizeof r.time - 1);
    r.type = 2;
    r.module = module;
    // Column c holds frames 3c..3c+2; row 4 * (frame within its three) + word.
    for (int k = 0; k < FAULT_FRAMES; ++k) {
        uint8_t* raw = m_raw[module][FIRST_FAULT_PF + k];
        for (int w = 0; w < 4; ++w) {
            r.data[4 * (k % 3) + w][k / 3] = uint16_t(raw[2 * w] | (raw[2 * w + 1] << 8));
            raw[2 * w] = raw[2 * w + 1] = 0;
        }
    }
    m_faultFile->add(&r);
    m_faultFile->write();
}

double DcHandler::getCurrentTimeMillis()
{
    return double(TimeSeam::monotonicMs());
}

int DcHandler::send(const CanFrame* frame)
{
    std::lock_guard<std::mutex> g(m_sendLock);
    int r = -1;
    for (int i = 0; i < SEND_TRIES; ++i) {
        r = m_can->send(frame);
        if (r == CanHandler::FRAME_SIZE)
            return 0;
    }
    return r;
}

void DcHandler::process(const CanFrame* f)
{
    if (!f || !f->ff || (f->da != 0x7F && f->da != 0x11 && f->da != 0x12))
        return;
    if (f->p == 7) {
        decodePriority7(f);
        return;
    }
    if (f->p == 1) {
        decodeUpgradeReply(f);
        return;
    }
    if (f->sa < MODULE_BASE + 1 || f->sa > MODULE_BASE + MODULES)
        return;
    const int m = f->sa - MODULE_BASE;
    m_alive[m] = 1;
    if (f->pf < RAW_PFS)
        memcpy(m_raw[m][f->pf], f->data, 8);
    const int pf = f->pf;
    const bool acknowledgement = pf >= 96 && pf <= 111;
    if (pf >= 1 && pf <= 7) {
        decodeBits(m_status, m, (pf - 1) * 64, f);
        afterStatusFrame(m);
    } else if (pf >= 8 && pf <= 15) {
        decodeBits(m_alarm, m, (pf - 8) * 64, f);
    } else if (pf >= 16 && pf <= 47) {
        decodeAnalogs(m, f);
    } else if (acknowledgement) {
        decodeAcknowledgement(m, f);
    } else if (pf >= FIRST_FAULT_PF && pf <= LAST_FAULT_PF) {
        decodeFaultFrame(m, pf);
    }
    // A setting nobody waits for is given up after six seconds.
    if (!acknowledgement && m_pending[m] == 2 && m_settling == 0
        && fabs(getCurrentTimeMillis() - m_sendTime[m]) > 6000)
        m_pending[m] = 0;
    // Row 5 of a group setting goes again with every frame until the module confirms it.
    const int g = firstGroup(m);
    if (m_resend5[m] && m_initFlag[m][1] && g)
        initControlCmd(m, 5, m_group5[g - FIRST_GROUP]);
}

int DcHandler::firstGroup(int m) const
{
    for (int g = FIRST_GROUP; g <= LAST_GROUP; ++g)
        if (member(m, g))
            return g;
    return 0;
}

void DcHandler::afterStatusFrame(int m)
{
    if (m_status[m][19] == 1)
        faultUpNow(m);
    const int g = firstGroup(m);
    if (m_initFlag[m][0] && m_status[m][21] == 0 && g)
        initControlCmd(m, 5, m_group5[g - FIRST_GROUP]);
    if (m_initFlag[m][2] && m_status[m][21] == 0 && g)
        initControlCmd(m, 9, m_group9[g - FIRST_GROUP]);
    if (m_status[m][21] == 1)
        init_dsp(m);
    if (m_status[m][23] == 1)
        writeEnergy();
}

void DcHandler::decodeAcknowledgement(int m, const CanFrame* f)
{
    const int code = f->data[0] | (f->data[1] << 8);
    m_pending[m] = 0;
    if (f->pf == 96 && code == 8) {
        m_resend5[m] = 0;
        m_initFlag[m][0] = 0;
    } else if (f->pf == 96 && code == 11) {
        m_initFlag[m][2] = 0;
    }
}

void DcHandler::decodeBits(Relaxed<int> (*table)[INDICES], int m, int first, const CanFrame* f)
{
    for (int k = 0; k < 8; ++k)
        for (int b = 0; b < 8; ++b) {
            const int index = first + 8 * k + b;
            if (index < INDICES)
                table[m][index] = (f->data[k] >> b) & 1;
        }
}

void DcHandler::decodeAnalogs(int m, const CanFrame* f)
{
    for (int i = 0; i < 4; ++i) {
        const int index = (f->pf - 16) * 4 + i;
        const int16_t word = int16_t(f->data[2 * i] | (f->data[2 * i + 1] << 8));
        // Indices without a divisor are kept as the module sent them.
        const int divisor = analogDataScale[index] != 0 ? analogDataScale[index] : 1;
        const float value = float(word) / float(divisor);
        if (f->pf == 20 && (i == 2 || i == 3)) {
            const int k = i - 2;
            m_energy[m - 1][k] += value;
            for (int g = FIRST_GROUP; g <= FIRST_GROUP + 3; ++g)
                if (member(m, g))
                    m_energy[MODULES + g - FIRST_GROUP][k] += value;
            m_analog[m][index] = float(m_energy[m - 1][k]);
        } else {
            m_analog[m][index] = value;
        }
    }
}

void DcHandler::decodePriority7(const CanFrame* f)
{
    if (f->pf != 0xC0 || f->sa < 0x41 || f->sa > 0x40 + MODULES)
        return;
    const int n = f->sa - 0x40;
    m_p7[n][0] = int16_t(f->data[2] | (f->data[3] << 8)) * 0.01f;
    m_p7[n][1] = int16_t(f->data[4] | (f->data[5] << 8)) * 0.01f;
    float sums[2] = { 0.0f, 0.0f };
    for (int k = 1; k <= MODULES; ++k) {
        sums[0] += m_p7[k][0];
        sums[1] += m_p7[k][1];
    }
    m_p7Sum[0] = sums[0];
    m_p7Sum[1] = sums[1];
}

bool DcHandler::paramValue(int id, int index, float* out)
{
    std::lock_guard<std::mutex> g(m_paramLock);
    auto file = m_paramMaps.find(id);
    if (file == m_paramMaps.end())
        return false;
    auto it = file->second.find(index);
    if (it == file->second.end() || !it->second)
        return false;
    *out = it->second->value;
    return true;
}

int DcHandler::getConfig(int module, int index, float* out)
{
    if (!out || index < 0 || index >= INDICES)
        return -1;
    int id;
    if (module == 0)
        id = SYSTEM_PARAMS;
    else if (isModule(module) || isGroup(module))
        id = module;
    else
        return -1;
    float v;
    if (paramValue(id, index, &v))
        *out = v;
    return 0;
}

int DcHandler::groupStatus(int g, int index)
{
    const bool fromHost = (index >= 0 && index <= 7) || index == 16 || (index >= 48 && index <= 55);
    const bool anyOf = index == 24 || index == 25 || index == ONLINE;
    if (!fromHost && !anyOf)
        return 0;
    for (int m = 1; m <= MODULES; ++m) {
        if (!online(m) || !member(m, g))
            continue;
        if (fromHost && m_status[m][18] == 1)
            return m_status[m][index];
        if (anyOf && m_status[m][index] == 1)
            return 1;
    }
    return 0;
}

int DcHandler::getStatus(int module, int index)
{
    if (index < 0 || index >= INDICES) {
        printf("%s(%d)-error index=%d\n", __PRETTY_FUNCTION__, __LINE__, index);
        return 0;
    }
    if (isModule(module))
        return m_status[module][index];
    if (isGroup(module))
        return groupStatus(module, index);
    if ((module >= 65 && module <= 79) || (module >= 128 && module <= 143))
        return upgradeStatus(module, index);
    if (module == 0) {
        if (index == ONLINE)
            return m_status[0][ONLINE];
        const bool fromHost = (index >= 0 && index <= 7) || (index >= 32 && index <= 47);
        const bool anyOf = index == 24 || index == 25;
        for (int m = 1; m <= MODULES; ++m) {
            if (!online(m))
                continue;
            if (fromHost && m_status[m][17] == 1)
                return m_status[m][index];
            if (anyOf && m_status[m][index] == 1)
                return 1;
        }
        return 0;
    }
    return 0;
}

int DcHandler::groupAlarm(int g, int index)
{
    for (int m = 1; m <= MODULES; ++m)
        if (online(m) && member(m, g) && m_alarm[m][index] != 0)
            return 1;
    return 0;
}

int DcHandler::getAlarm(int module, int index)
{
    if (index < 0 || index >= INDICES)
        return 0;
    if (isModule(module))
        return m_alarm[module][index] != 0 ? 1 : 0;
    if (isGroup(module))
        return groupAlarm(module, index);
    if (module == 0) {
        for (int g = FIRST_GROUP; g <= LAST_GROUP; ++g)
            if (groupStatus(g, ONLINE) && groupAlarm(g, index))
                return 1;
    }
    return 0;
}

float DcHandler::moduleAnalog(int m, int index)
{
    if (index == 20)
        return float(TemperatureCurve::getTemperature(m_analog[m][20]));
    if (index == 25)
        return float(TemperatureCurve::getEnvTemperatureU1(m_analog[m][25]));
    return m_analog[m][index];
}

float DcHandler::groupAnalog(int g, int index)
{
    if (index >= 80 && index <= 83) {
        const uint32_t total = uint32_t(Saturate::toInt32(m_energy[MODULES + g - FIRST_GROUP][index <= 81 ? 0 : 1]));
        return float((index % 2 == 0) ? (total >> 16) & 0xFFFF : total & 0xFFFF);
    }
    const bool fromHost = (index >= 0 && index <= 3) || index == 20 || index == 21 || (index >= 23 && index <= 27);
    const bool summed = (index >= 4 && index <= 8) || index == 18 || index == 19;
    float sum = 0.0f;
    for (int m = 1; m <= MODULES; ++m) {
        if (!online(m) || !member(m, g))
            continue;
        if (fromHost && m_status[m][18] == 1)
            return moduleAnalog(m, index);
        if (summed)
            sum += moduleAnalog(m, index);
    }
    return sum;
}

int DcHandler::getAnalog(int module, int index, float* out)
{
    if (!out || index < 0 || index >= INDICES)
        return -1;
    if (isModule(module)) {
        *out = moduleAnalog(module, index);
    } else if (isGroup(module)) {
        *out = groupAnalog(module, index);
    } else if (module == 0) {
        // No group ever reports status 17, so the values that would come from the system's
        // host are summed over the groups as well.
        const bool summed = (index >= 0 && index <= 8) || index == 18 || index == 19 || index == 20
            || (index >= 23 && index <= 27);
        float sum = 0.0f;
        if (summed)
            for (int g = FIRST_GROUP; g <= LAST_GROUP; ++g)
                if (groupStatus(g, ONLINE))
                    sum += groupAnalog(g, index);
        *out = sum;
    } else if (module == 20) {
        if (index == 100)
            *out = m_p7Sum[0];
        else if (index == 101)
            *out = m_p7Sum[1];
    } else {
        *out = 0.0f;
    }
    return 0;
}

int DcHandler::setting(int module, int index, float value, int broadcastFlag)
{
    if (index >= 1000 && index <= 1002 && (module == 0 || isGroup(module)))
        return powerSetpoint(module, index, value);
    if (isModule(module))
        return moduleSetting(module, index, value, broadcastFlag);
    if (isGroup(module))
        return groupSetting(module, index, value, broadcastFlag);
    if (module == 0)
        return systemSetting(index, value);
    if (module == 20 || module == 30)
        return dispatchSetting(module, index, value);
    if (module >= 21 && module <= 23)
        return commandSetting(module, index, value);
    if ((module >= 65 && module <= 79) || (module >= 128 && module <= 143))
        return upgradeSetting(module, index, value);
    printf("%s module %d error\n", __PRETTY_FUNCTION__, module);
    return -1;
}

CanFrame DcHandler::rowFrame(int row, int da, float value) const
{
    const CommandRow& r = m_commands[row];
    CanFrame f = commandFrame(r.priority, r.pf, da);
    f.data[0] = uint8_t(r.code);
    put16(f.data + 2, integerOf(float(r.scale) * value));
    return f;
}

bool DcHandler::addParam(int id, int index, float value)
{
    std::lock_guard<std::mutex> g(m_paramLock);
    auto file = m_paramFiles.find(id);
    if (file == m_paramFiles.end())
        return false;
    ParamRecord r = { index, value, 0 };
    if (file->second->add(&r) != 1)
        return false;
    // A record of an index the file did not hold yet is a new object of the file.
    file->second->get(m_paramMaps[id]);
    return true;
}

bool DcHandler::requestWrite(int id)
{
    std::lock_guard<std::mutex> g(m_paramLock);
    auto file = m_paramFiles.find(id);
    return file != m_paramFiles.end() && file->second->write() == 1;
}

void DcHandler::keepInitValue(int index, float value)
{
    if (index == 7 || index == 31)
        m_lastInitValue = int16_t(integerOf(value));
}

int DcHandler::moduleSetting(int m, int n, float value, int)
{
    if (!validRow(n)) {
        printf("%s module %d: no command row %d\n", __PRETTY_FUNCTION__, m, n);
        return -1;
    }
    float before = -1.0f;
    paramValue(m, n, &before);
    if (!online(m))
        return -1;
    int state = m_pending[m];
    if (state == 2 || !m_pending[m].compare_exchange_strong(state, 2))
        return -2;
    if (!addParam(m, n, value)) {
        m_pending[m] = 0;
        return -2;
    }
    keepInitValue(n, value);
    if (n < m_init.recordLimit && !requestWrite(m)) {
        m_pending[m] = 0;
        return -2;
    }
    const CanFrame f = rowFrame(n, n == m_init.broadcastRow ? BROADCAST : MODULE_BASE + m, value);
    m_sendTime[m] = getCurrentTimeMillis();
    const int r = internalsend(&f, m);
    if (r != 0)
        return r;
    float after = -1.0f;
    paramValue(m, n, &after);
    if (n != m_init.broadcastRow && n < m_init.recordLimit) {
        queueRecord(200 + m, n, before, after);
        traceRecord(__PRETTY_FUNCTION__, m, n, before, after);
    }
    return 0;
}

int DcHandler::groupSetting(int g, int n, float value, int broadcastFlag)
{
    if (!validRow(n)) {
        printf("%s group %d: no command row %d\n", __PRETTY_FUNCTION__, g, n);
        return -1;
    }
    const int gi = g - FIRST_GROUP;
    m_groupSendTime[gi] = getCurrentTimeMillis();
    if (n == 5) {
        m_group5[gi] = value;
        for (int m = 1; m <= MODULES; ++m)
            m_resend5[m] = 1;
    } else if (n == 9) {
        m_group9[gi] = value;
    }
    int result = 0;
    for (int m = 1; m <= MODULES; ++m) {
        if (onlineMember(m, g) && moduleSetting(m, n, value, broadcastFlag) != 0) {
            result = 1;
            break;
        }
    }
    float before = -1.0f;
    paramValue(g, n, &before);
    if (!addParam(g, n, value))
        return -2;
    keepInitValue(n, value);
    if (n < m_init.recordLimit && !requestWrite(g))
        return -2;
    if (n != m_init.broadcastRow && broadcastFlag == 0) {
        float after = -1.0f;
        paramValue(g, n, &after);
        queueRecord(200 + g, n, before, after);
        traceRecord(__PRETTY_FUNCTION__, g, n, before, after);
    }
    return result;
}

int DcHandler::systemSetting(int n, float value)
{
    if (!validRow(n)) {
        printf("%s: no command row %d\n", __PRETTY_FUNCTION__, n);
        return -1;
    }
    m_systemSendTime = getCurrentTimeMillis();
    int result = 0;
    for (int g = FIRST_GROUP; g <= LAST_GROUP; ++g) {
        if (groupSetting(g, n, value, 1) != 0) {
            result = 1;
            break;
        }
    }
    float before = -1.0f;
    paramValue(SYSTEM_PARAMS, n, &before);
    if (!addParam(SYSTEM_PARAMS, n, value))
        return -2;
    if (n == 31)
        keepInitValue(n, value);
    if (n < m_init.recordLimit && !requestWrite(SYSTEM_PARAMS))
        return -2;
    if (n != m_init.broadcastRow) {
        float after = -1.0f;
        paramValue(SYSTEM_PARAMS, n, &after);
        queueRecord(1200, n, before, after);
        traceRecord(__PRETTY_FUNCTION__, 0, n, before, after);
    }
    return result;
}

std::vector<int> DcHandler::dcUnitAddresses(int module) const
{
    std::vector<int> all;
    for (int a = 1; a <= m_rackRow.moduleCount && a <= 0xFF - 0x40; ++a)
        all.push_back(0x40 + a);
    if (module == 0)
        return all;
    const int gi = module - FIRST_GROUP;
    switch (m_rackRow.seq) {
    case 15:
    case 32:
        return { 0x41 + 2 * gi, 0x42 + 2 * gi };
    case 27:
        return { 0x41 + 4 * gi, 0x42 + 4 * gi, 0x43 + 4 * gi, 0x44 + 4 * gi };
    case 16:
    case 23:
    case 26:
    case 29:
        return { 0x41 + gi };
    default:
        return all;
    }
}

int DcHandler::powerSetpoint(int module, int index, float value)
{
    const int k = index - 1000;
    const int v = integerOf(value * 10.0f);
    int old;
    int values[3];
    int source;
    {
        std::lock_guard<std::mutex> g(m_commandLock);
        if (module == 0) {
            old = m_systemPower[k];
            m_systemPower[k] = v;
            for (int gi = 0; gi < GROUPS; ++gi)
                m_groupPower[gi][k] = v;
            memcpy(values, m_systemPower, sizeof values);
            source = m_direct ? 40 : 30;
        } else {
            const int gi = module - FIRST_GROUP;
            old = m_groupPower[gi][k];
            m_groupPower[gi][k] = v;
            memcpy(values, m_groupPower[gi], sizeof values);
            source = m_direct ? module - 960 : module - 970;
        }
    }
    writeOperaterecord(source, index, old, value, false);

    CanFrame f = commandFrame(2, COMMAND_PF, 0);
    f.data[0] = 13;
    for (int i = 0; i < 3; ++i)
        put16(f.data + 2 + 2 * i, values[i]);
    int result = 0;
    if (m_direct) {
        for (int m = 1; m <= MODULES; ++m) {
            if (!online(m) || (module != 0 && !member(m, module)))
                continue;
            f.da = uint8_t(MODULE_BASE + m);
            const int r = quickThreeSend(&f);
            if (r != 0)
                result = r;
        }
    } else {
        for (int a : dcUnitAddresses(module)) {
            f.da = uint8_t(a);
            const int r = quickThreeSend(&f);
            if (r != 0)
                result = r;
        }
    }
    return result;
}

int DcHandler::dispatchSetting(int module, int index, float value)
{
    const int slot = index == 87 ? 0 : index == 76 ? 1 : index == 85 ? 2 : -1;
    int values[3];
    if (slot >= 0) {
        const int stored = integerOf(value * (slot == 2 ? 100.0f : 10.0f));
        int recorded = 0;
        {
            std::lock_guard<std::mutex> g(m_commandLock);
            m_dispatch[slot] = stored;
            if (module == 20) {
                recorded = m_dispatchRecorded[slot];
                m_dispatchRecorded[slot] = stored;
            }
        }
        if (module == 20) {
            if (slot == 2)
                writeOperaterecord(20, index, recorded, stored, true);
            else
                writeOperaterecord(20, index, recorded, value, false);
        }
    }
    if (module == 30)
        return slot >= 0 ? 0 : -1;
    {
        std::lock_guard<std::mutex> g(m_commandLock);
        memcpy(values, m_dispatch, sizeof values);
    }
    CanFrame f = commandFrame(2, COMMAND_PF, BROADCAST);
    f.data[0] = 12;
    for (int i = 0; i < 3; ++i)
        put16(f.data + 2 + 2 * i, values[i]);
    return quickThreeSend(&f);
}

int DcHandler::commandSetting(int module, int index, float value)
{
    CanFrame f = commandFrame(2, COMMAND_PF, BROADCAST);
    if (module == 21) {
        if (index != 0)
            return -1;
        const int v = integerOf(value);
        int old;
        {
            std::lock_guard<std::mutex> g(m_commandLock);
            old = m_command21;
            m_command21 = v;
        }
        writeOperaterecord(21, index, old, value, false);
        f.data[0] = 14;
        put16(f.data + 2, v);
    } else if (module == 22) {
        f.data[0] = 15;
        if (index >= 0 && index <= 2)
            put16(f.data + 2 + 2 * index, integerOf(value));
    } else {
        if (index != 0 && index != 1)
            return -1;
        f.data[0] = 16;
        if (index == 1) {
            f.data[2] = 1;
            writeOnOffOper(61, 0);
        } else {
            f.data[4] = 1;
            writeOnOffOper(62, 1);
        }
    }
    return quickThreeSend(&f);
}

void DcHandler::queueRecord(int code, int oid, double before, double after)
{
    OperateRecord r;
    memset(&r, 0, sizeof r);
    r.index = 0;
    const std::string now = localTimeText();
    strncpy(r.time, now.c_str(), sizeof r.time - 1);
    r.oid = oid;
    strcpy(r.name, "  ");
    r.modules = code;
    r.rdata = before;
    r.mdata = after;
    r.dirty = 1;
    std::lock_guard<std::mutex> g(m_recordLock);
    m_records.push_back(r);
}

void DcHandler::traceRecord(const char* function, int module, int index, double before, double after)
{
    if (m_trace)
        printf("%s-operateRecord  moduleId %d  index %d  raw_data %f  modifi_data %f \n", function, module, index,
            before, after);
}

void DcHandler::writeOperaterecord(int source, int index, double before, double after, bool powerFactor)
{
    if (!powerFactor) {
        // Only a change of direction, a start or a stop is worth a record.
        if ((before > 0 && after > 0) || (before < 0 && after < 0) || (before == 0 && after == 0))
            return;
    } else {
        // Power factors in hundredths: unity (either sign), leading or lagging.
        auto classed = [](double v) { return (v == 100 || v == -100) ? 100.0 : v == 0 ? 0.1 : v; };
        auto kind = [](double v) { return v == 100 ? 0 : v > 0 ? 1 : 2; };
        before = classed(before);
        after = classed(after);
        if (kind(before) == kind(after))
            return;
    }
    queueRecord(1500 + source, index, before, after);
}

void DcHandler::writeOnOffOper(int code, int value)
{
    queueRecord(1100, code, 1.0, 1.0);
    if (m_rackRow.dcViaAcDc != 1)
        queueRecord(1200, value, 1.0, 1.0);
    else
        printf("===============acid %d\n", code);
}

int DcHandler::quickThreeSend(const CanFrame* f)
{
    int r = -1;
    for (int i = 0; i < 3; ++i) {
        r = send(f);
        TimeSeam::sleepMs(2);
    }
    return r;
}

void DcHandler::keepForLater(const CanFrame& f)
{
    // Bounded like a CAN controller's receive buffer: a link that floods while we wait loses
    // its oldest frames, not our memory.
    if (m_backlog.size() >= 1024)
        m_backlog.pop_front();
    m_backlog.push_back(f);
}

void DcHandler::dealwithframe(const CanFrame* f)
{
    if (!f->ff || (f->da != 0x11 && f->da != 0x12) || f->p == 1)
        return;
    if (f->sa < MODULE_BASE + 1 || f->sa > MODULE_BASE + MODULES || f->pf < 0x60 || f->pf > 0x6F)
        return;
    const int m = f->sa - MODULE_BASE;
    m_pending[m] = 0;
    if (f->pf == 0x60 && (f->data[0] | (f->data[1] << 8)) == 8)
        m_resend5[m] = 0;
}

int DcHandler::internalsend(const CanFrame* f, int m)
{
    m_pending[m] = 2;
    std::unique_lock<std::mutex> g(m_sendLock);
    int sleeps = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (m_can->send(f) != CanHandler::FRAME_SIZE)
            continue;
        for (;;) {
            // Everything waiting is read each millisecond: on a busy bus one frame at a time
            // would fall behind the acknowledgement.
            CanFrame in;
            for (int k = 0; k < 64 && m_can->recv(&in) == CanHandler::FRAME_SIZE; ++k) {
                dealwithframe(&in);
                if (in.pf < 0x60 || in.pf > 0x6F)
                    keepForLater(in);
            }
            if (m_pending[m] == 0)
                return 0;
            if (sleeps >= 21)
                break;
            TimeSeam::sleepMs(1);
            ++sleeps;
        }
    }
    g.unlock();
    // Not acknowledged: getSettingResult reports the failure once.
    m_pending[m] = 1;
    return -1;
}

int DcHandler::initControlCmd(int m, int row, float value)
{
    if (!isModule(m) || !validRow(row))
        return -1;
    const CommandRow& r = m_commands[row];
    CanFrame f = commandFrame(2, COMMAND_PF, MODULE_BASE + m);
    f.data[0] = uint8_t(r.code);
    put16(f.data + 2, integerOf(float(r.scale) * value));
    std::lock_guard<std::mutex> g(m_sendLock);
    const int sent = m_can->send(&f);
    return sent == CanHandler::FRAME_SIZE ? 0 : sent;
}

int DcHandler::init_dsp(int m)
{
    if (!isModule(m)) {
        printf("%s(%d)-modulenum error\n", __PRETTY_FUNCTION__, m);
        return -1;
    }
    const int id = SYSTEM_PARAMS + m_systemId[m];
    bool answered = true;
    for (int r = m_init.first; r <= m_init.last; ++r) {
        if (!validRow(r))
            continue;
        const CommandRow& row = m_commands[r];
        float value = 0.0f;
        paramValue(id, r, &value);
        if (r == 31)
            value = float(m_lastInitValue);
        if ((r == 28 || r == 29) && value != 0.0f)
            value = 0.000005f;
        else
            value += value < 0.0f ? -0.000005f : 0.000005f;
        CanFrame f = commandFrame(row.priority, row.pf, MODULE_BASE + m);
        f.data[0] = uint8_t(row.code);
        put16(f.data + 2, integerOf(float(row.scale) * value));
        if (m_trace)
            printf("%s- module %d  systemId %d  index %d fdata %f \n", __PRETTY_FUNCTION__, m, m_systemId[m], r,
                double(value));
        send(&f);
        bool got = false;
        for (int t = 0; t < 5 && !got; ++t) {
            {
                std::lock_guard<std::mutex> g(m_sendLock);
                CanFrame in;
                for (int k = 0; k < 64 && !got && m_can->recv(&in) == CanHandler::FRAME_SIZE; ++k) {
                    got = in.pf == row.pf && in.sa == MODULE_BASE + m;
                    if (!got)
                        keepForLater(in);
                }
            }
            if (!got)
                TimeSeam::sleepMs(1);
        }
        answered = answered && got;
    }
    if (answered) {
        CanFrame done = commandFrame(2, COMMAND_PF, MODULE_BASE + m);
        done.data[0] = 7;
        done.data[2] = 1;
        send(&done);
    }
    TimeSeam::sleepMs(5);
    initControlCmd(m, 7, float(m_lastInitValue));
    m_initFlag[m][0] = m_initFlag[m][1] = m_initFlag[m][2] = 1;
    return 0;
}

int DcHandler::pendingResult(int module, bool (DcHandler::*watched)(int, int) const, int group, double since,
    int limitMs)
{
    bool inFlight = false;
    bool failed = false;
    for (int m = 1; m <= MODULES; ++m) {
        if (module != 0 && m != module)
            continue;
        if (watched && !(this->*watched)(m, group))
            continue;
        const int p = m_pending[m];
        inFlight = inFlight || p == 2;
        if (p == 1) {
            failed = true;
            m_pending[m] = 0;
        }
    }
    if (failed) {
        m_settling = 0;
        return 1;
    }
    if (!inFlight) {
        m_settling = 0;
        return 0;
    }
    if (fabs(getCurrentTimeMillis() - since) > limitMs) {
        for (int m = 1; m <= MODULES; ++m)
            if (module == 0 || m == module)
                m_pending[m] = 0;
        m_settling = 0;
        return 1;
    }
    m_settling = 1;
    return 2;
}

int DcHandler::getSettingResult(int module)
{
    if (isModule(module))
        return pendingResult(module, nullptr, 0, m_sendTime[module], 1999);
    if (isGroup(module))
        return pendingResult(0, &DcHandler::onlineMember, module, m_groupSendTime[module - FIRST_GROUP], 4999);
    if (module == 0)
        return pendingResult(0, &DcHandler::onlineModule, 0, m_systemSendTime, 4999);
    return -1;
}

int DcHandler::getOperateRecord(OperateRecord* out)
{
    if (!out)
        return -1;
    std::lock_guard<std::mutex> g(m_recordLock);
    if (m_records.empty())
        return 0;
    *out = m_records.front();
    m_records.pop_front();
    return 1;
}

int DcHandler::getVersion(char* buf, int len)
{
    if (!buf || len < 32)
        return -1;
    memset(buf, 0, size_t(len));
    snprintf(buf, size_t(len), "%s %s", BUILD_DATE, BUILD_TIME);
    return VERSION;
}

int DcHandler::getFaultRecordSize()
{
    return m_faultFile->size();
}

int DcHandler::getFaultRecord(int i, FaultRecord* out)
{
    m_faultFile->get(i, out);
    return 0;
}

const uint8_t DcHandler::upgradeCmdFrames[4][8] = {
    { 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08 },
    { 0x22, 0x22, 0, 0, 0, 0, 0, 0 },
    { 0x33, 0x33, 0, 0, 0, 0, 0, 0 },
    { 0x66, 0x66, 0, 0, 0, 0, 0, 0 },
};

namespace {
const int UPGRADE_PF[4] = { 0x01, 0x02, 0x03, 0x07 };

bool containsNoCase(const char* text, const char* part)
{
    const size_t n = strlen(part);
    for (const char* p = text; *p; ++p)
        if (strncasecmp(p, part, n) == 0)
            return true;
    return false;
}
}

int DcHandler::upgradeSetting(int address, int index, float value)
{
    // The lists belong to the pass while it runs.
    if (m_upgrading && index >= 0 && index <= 2) {
        printf("%s(%d) upgrade running\n", __PRETTY_FUNCTION__, address);
        return -1;
    }
    if (index == 0) {
        {
            std::lock_guard<std::mutex> g(m_upgradeLock);
            m_replyList.clear();
            m_workList.clear();
            m_resendList.clear();
            m_replyCount = 0;
            m_deviceType = integerOf(value);
        }
        return chooseUpgradeFile(integerOf(value));
    }
    if (index == 1) {
        std::lock_guard<std::mutex> g(m_upgradeLock);
        UpgradeModule e;
        memset(&e, 0, sizeof e);
        e.address = address & 0xFF;
        m_replyList.push_back(e);
        m_workList.push_back(address);
        m_countReplies = address == 79 || address == 143;
        return 0;
    }
    if (index == 2) {
        joinUpgrade();
        m_upgradeAbort = false;
        m_upgrading = true;
        commandSetting(22, 1, 1.0f);
        const int err = pthread_create(&m_upgradeTid, nullptr, upgradeThread, this);
        if (err != 0) {
            m_upgrading = false;
            printf("%s upgrade thread not started: %s\n", __PRETTY_FUNCTION__, strerror(err));
            return err;
        }
        m_upgradeJoinable = true;
        return 0;
    }
    printf("%s(%d)-error index=%d\n", __PRETTY_FUNCTION__, address, index);
    return -1;
}

int DcHandler::chooseUpgradeFile(int type)
{
    static const char* const KEYS[4] = { "AC", "DC", "U2", "Sts" };
    {
        std::lock_guard<std::mutex> g(m_upgradeLock);
        m_upgradeFile.clear();
    }
    if (type < 0 || type > 3) {
        printf("%s type %d error\n", __PRETTY_FUNCTION__, type);
        return -3;
    }
    struct dirent** entries = nullptr;
    const std::string dir = SysPath::resolve("/tmp");
    const int count = scandir(dir.c_str(), &entries, nullptr, alphasort);
    std::vector<std::string> found;
    for (int i = 0; i < count; ++i) {
        const char* name = entries[i]->d_name;
        if (containsNoCase(name, KEYS[type]) && containsNoCase(name, ".hex"))
            found.push_back(name);
        free(entries[i]);
    }
    free(entries);
    if (found.size() == 1) {
        const std::string path = "/tmp/" + found[0];
        // A damaged file is refused whole, before a module is told to expect it.
        const int bad = UpgradeHexLine::checkFile(SysPath::resolve(path).c_str());
        if (bad != 0) {
            printf("%s %s refused: %s %d\n", __PRETTY_FUNCTION__, found[0].c_str(),
                bad < 0 ? "cannot be read" : "fails its check at line", bad);
            return BAD_UPGRADE_FILE;
        }
        std::lock_guard<std::mutex> g(m_upgradeLock);
        m_upgradeFile = path;
        return 0;
    }
    if (found.empty()) {
        printf("%s no %s file in /tmp\n", __PRETTY_FUNCTION__, KEYS[type]);
        return -3;
    }
    // Which of several is meant nobody knows; none stays to be taken by mistake later. The
    // names come from a USB stick: removed directly, never through a shell.
    for (const std::string& name : found)
        if (unlink(SysPath::resolve("/tmp/" + name).c_str()) != 0)
            printf("%s cannot remove %s: %s\n", __PRETTY_FUNCTION__, name.c_str(), strerror(errno));
    printf("%s %zu %s files in /tmp, removed\n", __PRETTY_FUNCTION__, found.size(), KEYS[type]);
    return -3;
}

std::string DcHandler::upgradeFile() const
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    return m_upgradeFile;
}

DcHandler::UpgradeModule* DcHandler::upgradeEntry(int address)
{
    for (UpgradeModule& e : m_replyList)
        if (e.address == (address & 0xFF))
            return &e;
    return nullptr;
}

int DcHandler::upgradeStatus(int address, int index)
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    const UpgradeModule* e = upgradeEntry(address);
    if (!e)
        return int(m_replyList.size());
    switch (index) {
    case 0: return e->result[R_BOOT];
    case 1: return e->result[R_DECRYPT];
    case 2: return e->result[R_ERASE];
    case 3: return e->result[R_END];
    case 4: return e->result[R_LINE];
    case 5: return e->result[R_DATA];
    case 6: return m_progress;
    case 7: return e->result[R_SINGLE];
    default: return 0;
    }
}

int DcHandler::upgradeResult(int address, int which)
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    const UpgradeModule* e = upgradeEntry(address);
    return e ? e->result[which] : 0;
}

void DcHandler::setUpgradeResult(int address, int which, int value)
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    if (UpgradeModule* e = upgradeEntry(address))
        e->result[which] = value;
}

void DcHandler::decodeUpgradeReply(const CanFrame* f)
{
    int which;
    switch (f->pf) {
    case 0x81: which = R_BOOT; break;
    case 0x82: which = R_DECRYPT; break;
    case 0x84: which = R_ERASE; break;
    case 0x88: which = R_LINE; break;
    case 0x89: which = R_END; break;
    default: return;
    }
    const int code = f->data[0] | (f->data[1] << 8);
    if (code != 0xCCCC && code != 0x3333)
        return;
    std::lock_guard<std::mutex> g(m_upgradeLock);
    if (m_countReplies && code == 0xCCCC && (which == R_BOOT || which == R_DECRYPT)) {
        // Every entry examined up to the sender counts: with the one default address, one a reply.
        for (const UpgradeModule& e : m_replyList) {
            ++m_replyCount;
            if (e.address == f->sa)
                break;
        }
    }
    if (UpgradeModule* e = upgradeEntry(f->sa))
        e->result[which] = code == 0xCCCC ? 1 : -1;
}

void DcHandler::sendUpgradeCmd(int step, int da)
{
    CanFrame f = commandFrame(1, UPGRADE_PF[step], da);
    f.sa = UPGRADE_ADDRESS;
    memcpy(f.data, upgradeCmdFrames[step], 8);
    send(&f);
}

void DcHandler::sendUpgradeLine(int address, const uint8_t* bytes, int n)
{
    for (int k = 0; 8 * k < n; ++k) {
        CanFrame f = commandFrame(1, k * 16 + 6, address);
        f.sa = UPGRADE_ADDRESS;
        memcpy(f.data, bytes + 8 * k, 8);
        send(&f);
    }
}

bool DcHandler::upgradePause(int ms)
{
    if (m_upgradeAbort)
        return false;
    TimeSeam::waitMs(ms);
    return !m_upgradeAbort;
}

bool DcHandler::workListEmpty()
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    return m_workList.empty();
}

void DcHandler::dropFromWorkList(int address)
{
    std::lock_guard<std::mutex> g(m_upgradeLock);
    m_workList.erase(std::remove(m_workList.begin(), m_workList.end(), address), m_workList.end());
}

bool DcHandler::singleAnswerCheck(int address)
{
    bool several = m_replyCount > 1;
    for (int s = 0; s < 6 && !several; ++s) {
        if (!upgradePause(1000))
            return false;
        several = m_replyCount > 1;
    }
    setUpgradeResult(address, R_SINGLE, several ? -2 : 1);
    if (several) {
        printf("DcHandler::singleAnswerCheck several modules answered at %d\n", address);
        std::lock_guard<std::mutex> g(m_upgradeLock);
        m_workList.clear();
    }
    return !several;
}

void DcHandler::waitStep(int which)
{
    std::vector<int> targets;
    {
        std::lock_guard<std::mutex> g(m_upgradeLock);
        targets = m_workList;
    }
    const bool single = m_countReplies && (which == R_BOOT || which == R_DECRYPT);
    int polls = 0;
    for (int address : targets) {
        for (;;) {
            const int r = upgradeResult(address, which);
            if (r == 1) {
                if (single)
                    singleAnswerCheck(address);
                break;
            }
            if (r == -1 || polls >= STEP_POLLS) {
                std::lock_guard<std::mutex> g(m_upgradeLock);
                m_resendList.push_back(uint8_t(address));
                if (UpgradeModule* e = upgradeEntry(address))
                    e->result[which] = 0;
                break;
            }
            if (!upgradePause(10))
                return;
            ++polls;
        }
        if (workListEmpty())
            return;
    }
}

void DcHandler::resendStep(int step, int which)
{
    const bool single = m_countReplies && (which == R_BOOT || which == R_DECRYPT);
    for (int round = 0; round < UPGRADE_ROUNDS; ++round) {
        std::vector<uint8_t> waiting;
        {
            std::lock_guard<std::mutex> g(m_upgradeLock);
            waiting = m_resendList;
        }
        if (waiting.empty())
            return;
        for (uint8_t address : waiting) {
            sendUpgradeCmd(step, address);
            if (!upgradePause(5))
                return;
        }
        int polls = 0;
        for (uint8_t address : waiting) {
            for (;;) {
                const int r = upgradeResult(address, which);
                if (r == 1) {
                    if (single)
                        singleAnswerCheck(address);
                    std::lock_guard<std::mutex> g(m_upgradeLock);
                    m_resendList.erase(std::remove(m_resendList.begin(), m_resendList.end(), address),
                        m_resendList.end());
                    break;
                }
                if (r == -1)
                    setUpgradeResult(address, which, 0);   // asked again next round
                if (r == -1 || polls >= STEP_POLLS)
                    break;
                if (!upgradePause(10))
                    return;
                ++polls;
            }
            if (workListEmpty())
                return;
        }
    }
    std::lock_guard<std::mutex> g(m_upgradeLock);
    for (uint8_t address : m_resendList) {
        if (UpgradeModule* e = upgradeEntry(address))
            e->result[which] = -2;
        m_workList.erase(std::remove(m_workList.begin(), m_workList.end(), int(address)), m_workList.end());
        printf("DcHandler::resendStep target %d failed step %d\n", address, step);
    }
    m_resendList.clear();
}

bool DcHandler::sendLineAcknowledged(int address, const uint8_t* bytes, int n)
{
    sendUpgradeLine(address, bytes, n);
    for (int round = 0; round <= UPGRADE_ROUNDS; ++round) {
        if (round > 0)
            sendUpgradeLine(address, bytes, n);
        bool done = false;
        for (int polls = 0; polls < LINE_POLLS; ++polls) {
            const int r = upgradeResult(address, R_LINE);
            if (r == 1) {
                done = true;
                break;
            }
            if (r == -1)
                break;
            if (!upgradePause(1))
                return false;
        }
        setUpgradeResult(address, R_LINE, 0);
        if (done)
            return true;
    }
    return false;
}

void DcHandler::dataPhase()
{
    const std::string file = upgradeFile();
    size_t i = 0;
    for (;;) {
        int address;
        {
            std::lock_guard<std::mutex> g(m_upgradeLock);
            if (i >= m_workList.size())
                return;
            address = m_workList[i];
        }
        FILE* fp = file.empty() ? nullptr : fopen(SysPath::resolve(file).c_str(), "r");
        if (!fp) {
            printf("DcHandler::dataPhase cannot open %s\n", file.c_str());
            setUpgradeResult(address, R_DATA, -1);
            dropFromWorkList(address);
            continue;
        }
        char* line = nullptr;
        size_t cap = 0;
        ssize_t len;
        int lineNo = 0;
        bool dropped = false;
        while (!dropped && (len = getline(&line, &cap, fp)) >= 0) {
            ++lineNo;
            while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r'))
                --len;
            m_progress += int(len) + 2;
            if (len == 0 || line[0] != ':')
                continue;
            uint8_t bytes[UpgradeHexLine::FRAME_BYTES];
            const int n = UpgradeHexLine::convert(line + 1, size_t(len - 1), bytes);
            if (n < 0) {
                // Nothing of a damaged file goes further to this target.
                printf("DcHandler::dataPhase %s line %d malformed\n", file.c_str(), lineNo);
                setUpgradeResult(address, R_DATA, -1);
                dropFromWorkList(address);
                dropped = true;
            } else if (!sendLineAcknowledged(address, bytes, n)) {
                if (m_upgradeAbort)
                    break;
                printf("DcHandler::dataPhase target %d line %d not acknowledged\n", address, lineNo);
                setUpgradeResult(address, R_DATA, -2);
                dropFromWorkList(address);
                dropped = true;
            }
        }
        free(line);
        fclose(fp);
        if (m_upgradeAbort)
            return;
        if (!dropped)
            ++i;
    }
}

void DcHandler::startUpgrade()
{
    const int broadcast = m_deviceType == 1 ? 0xBF : 0x7F;
    std::vector<int> targets;
    {
        std::lock_guard<std::mutex> g(m_upgradeLock);
        targets = m_workList;
        m_resendList.clear();
    }
    // The file may have changed since it was chosen: checked again before the first frame, so
    // that no module is left erased with half a program.
    const std::string file = upgradeFile();
    if (file.empty() || UpgradeHexLine::checkFile(SysPath::resolve(file).c_str()) != 0) {
        printf("DcHandler::startUpgrade %s is missing or damaged, nothing sent\n", file.c_str());
        std::lock_guard<std::mutex> g(m_upgradeLock);
        for (int address : m_workList)
            if (UpgradeModule* e = upgradeEntry(address))
                e->result[R_DATA] = -1;
        m_workList.clear();
        targets.clear();
    }
    for (int address : targets) {
        sendUpgradeCmd(0, address);
        upgradePause(5);
    }
    waitStep(R_BOOT);
    resendStep(0, R_BOOT);
    if (!workListEmpty() && !m_upgradeAbort) {
        if (m_countReplies) {
            m_replyCount = 0;
            std::lock_guard<std::mutex> g(m_upgradeLock);
            if (!m_workList.empty())
                if (UpgradeModule* e = upgradeEntry(m_workList.front()))
                    e->result[R_SINGLE] = 0;
        }
        sendUpgradeCmd(1, broadcast);
        waitStep(R_DECRYPT);
        resendStep(1, R_DECRYPT);
    }
    if (!workListEmpty() && !m_upgradeAbort) {
        sendUpgradeCmd(2, broadcast);
        waitStep(R_ERASE);
        resendStep(2, R_ERASE);
    }
    if (!workListEmpty() && !m_upgradeAbort) {
        m_progress = 0;
        dataPhase();
    }
    if (!workListEmpty() && !m_upgradeAbort) {
        {
            std::lock_guard<std::mutex> g(m_upgradeLock);
            for (int address : m_workList)
                if (UpgradeModule* e = upgradeEntry(address))
                    e->result[R_DATA] = 1;
        }
        sendUpgradeCmd(3, broadcast);
        waitStep(R_END);
        resendStep(3, R_END);
    }
    m_upgrading = false;
    commandSetting(22, 2, 1.0f);
}

void* DcHandler::upgradeThread(void* arg)
{
    pthread_setname_np(pthread_self(), "dc-upgrade");
    static_cast<DcHandler*>(arg)->startUpgrade();
    return nullptr;
}

void DcHandler::joinUpgrade()
{
    if (m_upgradeJoinable) {
        pthread_join(m_upgradeTid, nullptr);
        m_upgradeJoinable = false;
    }
}
