#include "dchandler.h"
#include "canhandler.h"
#include "configfile.h"
#include "faultrecordfile.h"
#include "paramfile.h"
#include "saturate.h"
#include "temperaturecurve.h"
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
      m_faultRecord(nullptr), m_direct(1)
{
    memset(m_canIf, 0, sizeof m_canIf);
    if (canIf)
        strncpy(m_canIf, canIf, sizeof m_canIf - 1);
    memset(m_status, 0, sizeof m_status);
    memset(m_alarm, 0, sizeof m_alarm);
    memset(m_analog, 0, sizeof m_analog);
    memset(m_raw, 0, sizeof m_raw);
    memset(m_energy, 0, sizeof m_energy);
    memset(&m_rackRow, 0, sizeof m_rackRow);
    memset(m_systemId, 0, sizeof m_systemId);
    memset(m_p7, 0, sizeof m_p7);
    memset(m_p7Sum, 0, sizeof m_p7Sum);
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
    while (m_running)
        TimeSeam::sleepMs(10);
    m_stop = false;
    std::lock_guard<std::mutex> g(m_sendLock);
    m_can->close();
    return 0;
}

void* DcHandler::sampleThread(void* arg)
{
    DcHandler* h = static_cast<DcHandler*>(arg);
    h->m_lastTimer = getCurrentTimeMillis();
    while (!h->m_stop) {
        const int wait = h->samplePass();
        if (wait > 0)
            TimeSeam::waitMs(wait);
    }
    h->m_running = false;
    return nullptr;
}

int DcHandler::samplePass()
{
    const int idle = m_upgrading ? 1 : 5;
    int wait = 0;
    if (!m_sendLock.try_lock()) {
        wait = idle;
    } else {
        CanFrame f;
        const int r = m_can->recv(&f);
        m_sendLock.unlock();
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

void* DcHandler::RealFaultDataThread(void* arg)
{
    auto* held = static_cast<std::shared_ptr<Background>*>(arg);
    std::shared_ptr<Background> state = *held;
    delete held;
    for (;;) {
        {
            std::lock_guard<std::mutex> g(state->lock);
            if (state->stop)
                break;
            state->handler->RealFaultData();
        }
        TimeSeam::waitMs(1000);
    }
    return nullptr;
}

void* DcHandler::dcParamHandler_thread(void* arg)
{
    auto* held = static_cast<std::shared_ptr<Background>*>(arg);
    std::shared_ptr<Background> state = *held;
    delete held;
    for (;;) {
        {
            std::lock_guard<std::mutex> g(state->lock);
            if (state->stop)
                break;
            state->handler->dcParamPass();
        }
        TimeSeam::waitMs(1000);
    }
    return nullptr;
}

void DcHandler::dcParamPass()
{
    std::lock_guard<std::mutex> g(m_paramLock);
    for (auto& f : m_paramFiles)
        f.second->ansywrite();
}

void DcHandler::RealFaultData()
{
    // The waveform capture around a module fault comes with the fault capture.
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
    // Priority 1 carries the replies of a firmware upgrade, which come with the upgrade.
    if (f->p == 1)
        return;
    if (f->sa < MODULE_BASE + 1 || f->sa > MODULE_BASE + MODULES)
        return;
    const int m = f->sa - MODULE_BASE;
    m_alive[m] = 1;
    if (f->pf < RAW_PFS)
        memcpy(m_raw[m][f->pf], f->data, 8);
    const int pf = f->pf;
    if (pf >= 1 && pf <= 7) {
        decodeBits(m_status, m, (pf - 1) * 64, f);
        if (m_status[m][23] == 1)
            writeEnergy();
    } else if (pf >= 8 && pf <= 15) {
        decodeBits(m_alarm, m, (pf - 8) * 64, f);
    } else if (pf >= 16 && pf <= 47) {
        decodeAnalogs(m, f);
    }
}

void DcHandler::decodeBits(int (*table)[INDICES], int m, int first, const CanFrame* f)
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
    (void)value;
    (void)broadcastFlag;
    printf("%s module %d index %d: no commands yet\n", __PRETTY_FUNCTION__, module, index);
    return -1;
}

int DcHandler::getSettingResult(int module)
{
    (void)module;
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
