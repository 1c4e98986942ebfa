// AC/DC link: set-up, the parameter thread and the polling cycle.
#include "achandler.h"
#include "achandler_p.h"
#include "configfile.h"
#include "faultrecordfile.h"
#include "modbusconnection.h"
#include "paramfile.h"
#include "saturate.h"
#include "serial.h"
#include "timeseam.h"

#include <pthread.h>
#include <stdio.h>
#include <string.h>

namespace {

const char* const OPEN_NAME = "virtual int AcHandler::open()";
const char* const PROCESS_FILE = "../conf/sysdataprocess.pdu";
const char* const PARAM_DIR = "../conf";

// A value index taken from a file: inside the per-index tables, or -1 (unused).
int boundedIndex(const char* what, int v)
{
    if (v >= 0 && v < AcHandler::TABLE_SIZE)
        return v;
    printf("AcHandler::open %s %d outside 0..%d, not used\n", what, v, AcHandler::TABLE_SIZE - 1);
    return -1;
}

int clamp(const char* what, int v, int lo, int hi)
{
    if (v >= lo && v <= hi)
        return v;
    int c = v < lo ? lo : hi;
    printf("AcHandler::open %s %d outside %d..%d, taken as %d\n", what, v, lo, hi, c);
    return c;
}

float at(std::map<int, float>& v, int index)
{
    auto it = v.find(index);
    return it == v.end() ? 0.0f : it->second;
}

}

struct AcHandler::ParamThreadState {
    std::mutex lock; // held for one pass; close() takes it to stop the thread
    bool stop = false;
    AcHandler* handler = nullptr;
};

AcHandler::AcHandler(int moduleCount, const char* pduPath, bool debug)
    : m_debug(debug), m_serial(nullptr), m_moduleCount(moduleCount), m_u2(0), m_systemHost(0),
      m_highestId(HIGHEST_ID), m_systemIndexCount(0), m_masterFlagIndex(-1), m_faultRecordFlagIndex(-1),
      m_initSettingFlagIndex(-1), m_initSettingLength(0), m_setting69(0), m_systemWriteDone(1),
      m_writeWaiting(0), m_open(0), m_faultFile(nullptr), m_mutexReady(false),
      m_energy("../log/AcData.log", "../log/AcData.year"), m_passesSinceSave(0), m_setting67(0),
      m_setting69Flag(0), m_param107(0.0f), m_waveRing("../log/acFaultData.dat"), m_systemParts(0),
      m_systemResult(0), m_polling(false), m_passes(0)
{
    memset(m_path, 0, sizeof m_path);
    if (pduPath)
        strncpy(m_path, pduPath, sizeof m_path - 1);
    for (int b = 0; b < BRANCHES; ++b) {
        m_branchHost[b] = -1;
        m_branch70[b] = 0.0f;
        m_branch66[b] = 0.0f;
    }
    for (int m = 0; m <= HIGHEST_ID; ++m) {
        m_slot70[m] = 0.0f;
        m_send70[m] = 0;
        m_resend70[m] = 0;
        m_resend66[m] = 0;
        m_slot70Seq[m] = 0;
        m_slot70ForSystem[m] = 0;
        m_saveRequest[m] = 0;
    }
    memset(&m_faultRecord, 0, sizeof m_faultRecord);
    memset(m_processType, 0, sizeof m_processType);
    memset(m_settingFlag, 0, sizeof m_settingFlag);
    memset(&m_rackRow, 0, sizeof m_rackRow);
    m_correction[0] = m_correction[1] = 0.0;
}

AcHandler::~AcHandler()
{
    close();
    if (m_serial) {
        m_serial->close();
        delete m_serial;
    }
}

int AcHandler::SerialOpen(const char* device, const char* settings, int timeoutMs, int delayMs)
{
    cp::Serial* s = new cp::Serial(device, settings, timeoutMs, delayMs);
    if (s->open() != 1) {
        s->close();
        delete s;
        printf("Serial %s open fail \n", device ? device : "");
        return -1;
    }
    if (m_serial) {
        m_serial->close();
        delete m_serial;
    }
    m_serial = s;
    return 0;
}

void AcHandler::freeDevice(DeviceStruct* d)
{
    if (!d)
        return;
    if (d->connection) {
        d->connection->close();
        delete d->connection;
    }
    delete d->valueMap;
    delete d->paramMap;
    delete d->paramFile;
    delete d;
}

namespace {
// The slot of an id in the handler's table of devices, -1 for an id that has none.
int deviceSlotOf(int id)
{
    if (id >= 0 && id <= AcHandler::HIGHEST_ID)
        return id;
    if (id >= AcHandler::FIRST_BRANCH && id < AcHandler::FIRST_BRANCH + AcHandler::BRANCHES)
        return AcHandler::HIGHEST_ID + 1 + (id - AcHandler::FIRST_BRANCH);
    return -1;
}
}

void AcHandler::putDevice(int id, DeviceStruct* d)
{
    auto it = m_devices.find(id);
    if (it != m_devices.end()) {
        freeDevice(it->second);
        it->second = d;
    } else {
        m_devices[id] = d;
    }
    const int slot = deviceSlotOf(id);
    if (slot >= 0)
        m_deviceSlot[slot] = d;
}

AcHandler::DeviceStruct* AcHandler::device(int id)
{
    const int slot = deviceSlotOf(id);
    if (slot >= 0)
        return m_deviceSlot[slot];
    auto it = m_devices.find(id);
    return it == m_devices.end() ? nullptr : it->second;
}

int AcHandler::processType(int index) const
{
    return index >= 0 && index < TABLE_SIZE ? m_processType[index] : 0;
}

int AcHandler::settingFlag(int index) const
{
    return index >= 0 && index < TABLE_SIZE ? m_settingFlag[index] : 0;
}

int AcHandler::open()
{
    // A second open would rebuild what the threads are using.
    if (m_open == 1)
        return 0;
    if (!m_mutexReady) {
        pthread_mutex_init(&m_mutex, nullptr);
        m_mutexReady = true;
    }
    if (!m_serial) {
        printf("%s - serial point null error!\n", OPEN_NAME);
        return -1;
    }
    m_rackConfig.getRackInf("SockConfig.pdu", &m_rackMap);

    int r = openConnections();
    if (r != 0)
        return r;

    DeviceStruct* system = device(0);
    for (int i = 0; i < VALUE_INDICES; ++i) {
        (*system->valueMap)[i] = 0.0f;
        system->values[i] = 0;
    }
    // Value 0 is the not-available flag; it stays set until a module's own value arrives.
    for (int id = 0; id <= m_highestId; ++id)
        device(id)->values[0] = 1000;

    if ((r = readProcessFile()) != 0 || (r = readSettingFlags()) != 0)
        return r;

    delete m_faultFile;
    m_faultFile = new FaultRecordFile("../log/dcacfaultRecord.log", false);
    m_faultFile->read();
    m_open = 1;

    loadData();
    chooseRack();

    m_paramThread = std::make_shared<ParamThreadState>();
    m_paramThread->handler = this;
    auto* arg = new std::shared_ptr<ParamThreadState>(m_paramThread);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1048576);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t tid;
    if (pthread_create(&tid, &attr, acParamHandler_thread, arg) != 0)
        delete arg;
    pthread_attr_destroy(&attr);
    return 0;
}

int AcHandler::openConnections()
{
    for (int id = 0; id <= m_highestId; ++id) {
        cp::ModbusConnection* c = new cp::ModbusConnection(m_path, m_serial, id, m_debug);
        if (c->open() != 1) {
            c->close();
            delete c;
            return -3;
        }
        DeviceStruct* d = new DeviceStruct();
        d->connection = c;
        d->valueMap = new std::map<int, float>();
        d->paramFile = new Modbus485::ParamFile(PARAM_DIR, id);
        d->paramMap = new std::map<int, ParamRecord*>();
        d->paramFile->read();
        d->paramFile->get(*d->paramMap);
        auto p = d->paramMap->find(301);
        if (p != d->paramMap->end() && p->second)
            d->param301 = Saturate::toInt32(p->second->value);
        putDevice(id, d);
    }
    for (int id = FIRST_BRANCH; id < FIRST_BRANCH + BRANCHES; ++id) {
        DeviceStruct* d = new DeviceStruct();
        d->paramFile = new Modbus485::ParamFile(PARAM_DIR, id);
        d->paramMap = new std::map<int, ParamRecord*>();
        if (d->paramFile->read() == 0) {
            freeDevice(d);
            return -7;
        }
        d->paramFile->get(*d->paramMap);
        putDevice(id, d);
    }
    return 0;
}

int AcHandler::readProcessFile()
{
    esf::ConfigFile cf;
    if (!cf.open(PROCESS_FILE))
        return -8;
    int flags[4] = { -1, -1, -1, 0 };
    const char* keys[4] = { "[PCS_MASTER_FLAG_INDEX]", "[PCS_FAULTRECORD_FLAG_INDEX]", "[INIT_SETTING_FLAG_INDEX]",
        "[INIT_SETTING_LENGTH]" };
    for (int k = 0; k < 4; ++k) {
        if (!cf.find(keys[k]) || !cf.read("%d", &flags[k])) {
            cf.close();
            return -10 - k;
        }
    }
    m_masterFlagIndex = boundedIndex("master flag index", flags[0]);
    m_faultRecordFlagIndex = boundedIndex("fault record flag index", flags[1]);
    m_initSettingFlagIndex = boundedIndex("initial setting flag index", flags[2]);
    // One initial-settings block carries at most 120 registers.
    m_initSettingLength = clamp("initial setting length", flags[3], 0, MAX_INIT_LENGTH);

    int count = 0;
    if (!cf.find("[DATA_SIGNAL_NUM]") || !cf.read("%d", &count)) {
        cf.close();
        return -14;
    }
    count = clamp("system index count", count, 0, TABLE_SIZE);
    m_systemIndexCount = count;
    if (count > 0 && !cf.find("[DATA_SIGNAL]")) {
        cf.close();
        return -15;
    }
    for (int i = 0; i < count; ++i) {
        int seq = 0, index = 0, type = 0;
        char name[64];
        if (!cf.read("%d%d%64s%d", &seq, &index, name, &type)) {
            cf.close();
            return -15;
        }
        if (boundedIndex("system index", index) >= 0)
            m_processType[index] = type;
    }
    cf.close();
    return 0;
}

int AcHandler::readSettingFlags()
{
    esf::ConfigFile cf;
    if (!cf.open(m_path))
        return -16;
    int count = 0;
    if (!cf.find("[SETTING_SIGNAL_NUM]") || !cf.read("%d", &count)) {
        cf.close();
        return -17;
    }
    if (count > 0 && !cf.find("[SETTING_SIGNAL]")) {
        cf.close();
        return -18;
    }
    for (int i = 0; i < count; ++i) {
        int seq = 0, index = 0, c[5] = { 0, 0, 0, 0, 0 }, flag = 0;
        char name[64];
        if (!cf.read("%d%d%64s%d%d%d%d%d%d", &seq, &index, name, &c[0], &c[1], &c[2], &c[3], &c[4], &flag)) {
            cf.close();
            return -18;
        }
        if (boundedIndex("setting index", index) >= 0)
            m_settingFlag[index] = flag;
    }
    cf.close();
    return 0;
}

void AcHandler::selectRackRow(int key)
{
    if (m_rackMap.find(key) == m_rackMap.end()) {
        RackInfoStuct zero;
        memset(&zero, 0, sizeof zero);
        m_rackMap[key] = zero;
    }
    m_rackRow = m_rackMap[key];
    m_u2 = m_rackRow.typeOption != 0 ? 1 : 0;
}

void AcHandler::chooseRack()
{
    float type = 0.0f;
    getConfig(0, 156, &type);
    int t = Saturate::toInt32(type);
    if (m_debug)
        printf("%s-Mach Type Index %d\n ", OPEN_NAME, t);
    selectRackRow(t < 111 ? t : 0);
    // Module ids above 10 belong to the special units, and the per-module arrays end there.
    m_moduleCount = clamp("rack module count", m_rackRow.moduleCount, 0, MAX_MODULES);
    printf("ac module %d\n", m_moduleCount);
    m_pollList.clear();
    for (int m = 1; m <= m_moduleCount; ++m)
        m_pollList.push_back(m);
    m_pollList.push_back(U2_UNIT);
    m_lostList.clear();
}

int AcHandler::close()
{
    if (m_paramThread) {
        std::lock_guard<std::mutex> g(m_paramThread->lock);
        m_paramThread->stop = true;
    }
    m_paramThread.reset();
    m_open = 0;
    for (DeviceStruct*& d : m_deviceSlot)
        d = nullptr;
    for (auto& d : m_devices)
        freeDevice(d.second);
    m_devices.clear();
    delete m_faultFile;
    m_faultFile = nullptr;
    if (m_mutexReady) {
        pthread_mutex_destroy(&m_mutex);
        m_mutexReady = false;
    }
    return 0;
}

void* AcHandler::acParamHandler_thread(void* arg)
{
    pthread_setname_np(pthread_self(), "ac-param");
    auto* held = static_cast<std::shared_ptr<ParamThreadState>*>(arg);
    std::shared_ptr<ParamThreadState> state = *held;
    delete held;
    for (;;) {
        {
            std::lock_guard<std::mutex> g(state->lock);
            if (state->stop)
                break;
            state->handler->acDealWithParamFile();
        }
        TimeSeam::waitMs(500);
    }
    return nullptr;
}

void AcHandler::acDealWithParamFile()
{
    std::lock_guard<std::mutex> g(m_paramPassLock);
    // Ascending ids: the system, the modules and units, then the branches.
    for (auto& d : m_devices) {
        if (d.second && d.second->paramFile && d.second->paramFile->takeWriteRequest())
            d.second->paramFile->ansywrite();
    }
}

int AcHandler::rackBranchOf(int module)
{
    if (module < 1 || module > MAX_MODULES)
        return 0;
    // The row's own text stays whole: it is split on a copy.
    char text[sizeof m_rackRow.text1 + 1];
    memcpy(text, m_rackRow.text1, sizeof m_rackRow.text1);
    text[sizeof m_rackRow.text1] = '\0';
    int pieces[MAX_MODULES];
    memset(pieces, 0, sizeof pieces);
    char slash[] = "/";
    if (text[0])
        esf::ConfigFile::split(text, slash, pieces, int(sizeof pieces), 10);
    int s = pieces[module - 1];
    return s < 0 || s > BRANCHES ? -1 : s;
}

// ---- polling cycle -------------------------------------------------------------------------

void AcHandler::pollModule(DeviceStruct* d)
{
    d->connection->process(false);
    // A write that came in during the poll goes out before the next module's.
    if (m_writeWaiting.exchange(0))
        internalSetting();
    d->connection->getData(*d->valueMap);
    d->receivedCount = int(d->valueMap->size());
}

void AcHandler::storeFixedPoint(DeviceStruct* d)
{
    std::map<int, float>& v = *d->valueMap;
    if (v.empty())
        return;
    int top = v.rbegin()->first;
    if (top >= TABLE_SIZE)
        top = TABLE_SIZE - 1;
    // One walk along the map, not a look-up per index; an index the poll did not publish is
    // added as 0, as a look-up would add it.
    auto it = v.lower_bound(0);
    for (int i = 0; i <= top; ++i, ++it) {
        if (it == v.end() || it->first != i)
            it = v.emplace_hint(it, i, 0.0f);
        d->values[i] = Saturate::toInt32(double(it->second * 1000.0f));
    }
}

void AcHandler::process()
{
    if (m_open != 1)
        return;
    internalSetting();

    // One lost module is probed per pass, in turn; one that answers is polled from the next pass.
    int probed = -1;
    if (!m_lostList.empty()) {
        const int m = m_lostList.front();
        probed = m;
        m_lostList.pop_front();
        DeviceStruct* d = device(m);
        if (d && d->connection) {
            pollModule(d);
            if (Saturate::toInt32(at(*d->valueMap, 0)) == 0)
                m_pollList.push_back(m);
            else
                m_lostList.push_back(m);
            storeFixedPoint(d);
        }
    }

    for (auto it = m_pollList.begin(); it != m_pollList.end();) {
        const int m = *it;
        DeviceStruct* d = device(m);
        if (!d || !d->connection || m == probed) {
            ++it;
            continue;
        }
        pollModule(d);
        if (Saturate::toInt32(at(*d->valueMap, 0)) != 0) {
            it = m_pollList.erase(it);
            m_lostList.push_back(m);
        } else {
            ++it;
        }
        serveModule(m, d);
    }

    if (++m_passesSinceSave > 18000) {
        m_passesSinceSave = 0;
        writeData();
    }
    ++m_passes;
}

void AcHandler::serveModule(int m, DeviceStruct* d)
{
    std::map<int, float>& v = *d->valueMap;
    cp::ModbusConnection* c = d->connection;

    if (m_masterFlagIndex >= 0 && Saturate::toInt32(at(v, m_masterFlagIndex)) == 1) {
        for (int b = 1; b <= BRANCHES; ++b) {
            if (at(v, 8 + b) == 1.0f) {
                m_branchHost[b - 1] = m;
                if (m_debug)
                    printf("%s -subsys=%d  host=%d \n", PROCESS_NAME, b, m);
            }
        }
    }
    if (Saturate::toInt32(at(v, 186)) == 1) {
        m_systemHost = m;
        if (m_debug)
            printf("%s -system  host=%d\n", PROCESS_NAME, m);
    }

    // Requests count only when this poll read them: a value kept from an earlier poll would
    // answer the same request twice.
    int initRequest = 0;
    if (m_initSettingFlagIndex >= 0 && c->isFresh(m_initSettingFlagIndex))
        initRequest = Saturate::toInt32(at(v, m_initSettingFlagIndex));
    d->faultRequest = 0;
    if (m_faultRecordFlagIndex >= 0 && c->isFresh(m_faultRecordFlagIndex))
        d->faultRequest = Saturate::toInt32(at(v, m_faultRecordFlagIndex));

    if (m < U2_UNIT) {
        v[156] = float(getTemperature(at(v, 156)));
        v[164] = float(getEnvTemperatureU1(at(v, 164)));
    } else {
        v[156] = float(getTemperatureModule11(at(v, 156)));
        v[164] = float(getTemperatureModule11(at(v, 164)));
    }

    v[174] = at(v, 136) + at(v, 137) + at(v, 138);
    v[175] = at(v, 139) + at(v, 140) + at(v, 141);
    v[176] = at(v, 142) + at(v, 143) + at(v, 144);
    v[177] = v[176] == 0.0f ? 0.0f : v[174] / v[176];

    if (Saturate::toInt32(at(v, 0)) == 0)
        integrateFresh(m, d);
    // The image is written once when a module raises its save request, not while it stays up.
    if (m <= HIGHEST_ID) {
        const int save = at(v, 4) == 1.0f ? 1 : 0;
        if (save && !m_saveRequest[m])
            writeData();
        m_saveRequest[m] = save;
    }

    storeFixedPoint(d);

    if (initRequest == 0)
        resendSetpoints(m, d);
    else
        replayInitialSettings(m);

    readFaultRecord(m, d);
    systemprocessingdata();
}

void AcHandler::integrateFresh(int m, DeviceStruct* d)
{
    static const int increments[] = { 122, 123, 162, 163, 124 };
    cp::ModbusConnection* c = d->connection;
    int fresh = 0;
    for (int k : increments)
        fresh += c->isFresh(k) ? 1 : 0;
    // Increments this poll did not read were added when they were read.
    if (fresh == 0)
        return;
    if (fresh == 5) {
        integrateEnergy(m, *d->valueMap);
        return;
    }
    std::map<int, float> v = *d->valueMap;
    for (int k : increments)
        if (!c->isFresh(k))
            v[k] = 0.0f;
    integrateEnergy(m, v);
}

void AcHandler::resendSetpoints(int m, DeviceStruct* d)
{
    if (m > HIGHEST_ID || (!m_resend70[m] && !m_resend66[m]))
        return;
    int b = 0;
    for (int k = 1; k <= BRANCHES && !b; ++k)
        if (d->values[8 + k] >= 1000 && d->values[8 + k] <= 1999)
            b = k;
    if (!b)
        return;
    float v70 = 0.0f, v66 = 0.0f;
    int seq = 0;
    {
        std::lock_guard<std::mutex> g(m_writeLock);
        v70 = m_branch70[b - 1];
        v66 = m_branch66[b - 1];
        seq = m_slot70Seq[m];
    }
    if (m_resend70[m] && d->connection->control(70, v70, nullptr, 0, false) != 0) {
        m_resend70[m] = 0;
        std::lock_guard<std::mutex> g(m_writeLock);
        if (m_slot70Seq[m] == seq)
            m_send70[m] = 0;
    }
    if (m_resend66[m] && d->connection->control(66, v66, nullptr, 0, false) != 0)
        m_resend66[m] = 0;
}
