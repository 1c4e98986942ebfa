// DC/DC link: set-up, the receive, fault-data and parameter threads, and frame dispatch.
#include "dchandler.h"
#include "canhandler.h"
#include "configfile.h"
#include "dchandler_p.h"
#include "faultrecordfile.h"
#include "paramfile.h"
#include "saturate.h"
#include "timeseam.h"

#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {
const char* const BUILD_DATE = "Jul 15 2019";
const char* const BUILD_TIME = "20:11:28";
const char* const MAP_PATH = "../conf-dcdc/map.pdu";
const char* const ENERGY_PATH = "../log/DcData.log";
const char* const FAULT_RECORD_PATH = "../log/dcdcfaultRecord.log";
const char* const FAULT_WAVE_PATH = "../log/dcFaultData.dat";
const int SEND_TRIES = 10;

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
        m_faultLast[m] = -1;
        m_faultWhole[m] = false;
    }
    m_faultUploadsDropped = 0;
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
    // Each deadline is the last one plus a second: a pass that starts late or runs long does not
    // push the later ones back, so that a minute holds sixty snapshots before a fault.
    int64_t deadline = TimeSeam::monotonicMs();
    for (;;) {
        {
            std::lock_guard<std::mutex> g(state->lock);
            if (state->stop)
                break;
            (state->handler->*pass)();
        }
        deadline += 1000;
        const int64_t wait = deadline - TimeSeam::monotonicMs();
        if (wait > 0)
            TimeSeam::waitMs(wait);
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

int DcHandler::getVersion(char* buf, int len)
{
    if (!buf || len < 32)
        return -1;
    memset(buf, 0, size_t(len));
    snprintf(buf, size_t(len), "%s %s", BUILD_DATE, BUILD_TIME);
    return VERSION;
}
