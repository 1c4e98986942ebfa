#include "achandler.h"
#include "configfile.h"
#include "faultrecordfile.h"
#include "modbusconnection.h"
#include "paramfile.h"
#include "saturate.h"
#include "serial.h"
#include "temperaturecurve.h"
#include "timeseam.h"

#include <math.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

namespace {

const char* const OPEN_NAME = "virtual int AcHandler::open()";
const char* const PROCESS_FILE = "../conf/sysdataprocess.pdu";
const char* const PARAM_DIR = "../conf";

bool isAccumulatorIndex(int index)
{
    return index == 122 || index == 123 || index == 124 || index == 162 || index == 163
        || (index >= 178 && index <= 185);
}

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
      m_setting69Flag(0), m_param107(0.0f), m_waveRing("../log/acFaultData.dat")
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

void AcHandler::putDevice(int id, DeviceStruct* d)
{
    auto it = m_devices.find(id);
    if (it != m_devices.end()) {
        freeDevice(it->second);
        it->second = d;
    } else {
        m_devices[id] = d;
    }
}

AcHandler::DeviceStruct* AcHandler::device(int id)
{
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

void AcHandler::chooseRack()
{
    float type = 0.0f;
    getConfig(0, 156, &type);
    int t = Saturate::toInt32(type);
    if (m_debug)
        printf("%s-Mach Type Index %d\n ", OPEN_NAME, t);
    int key = t < 111 ? t : 0;
    if (m_rackMap.find(key) == m_rackMap.end()) {
        RackInfoStuct zero;
        memset(&zero, 0, sizeof zero);
        m_rackMap[key] = zero;
    }
    m_rackRow = m_rackMap[key];
    m_u2 = m_rackRow.typeOption != 0 ? 1 : 0;
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

void AcHandler::process()
{
    if (m_open != 1)
        return;
}

void* AcHandler::acParamHandler_thread(void* arg)
{
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
        TimeSeam::sleepMs(500);
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

// ---- system values -------------------------------------------------------------------------

bool AcHandler::isModule(int module) const
{
    return (module >= 1 && module <= m_moduleCount) || module == U2_UNIT || module == SECOND_UNIT;
}

bool AcHandler::hasValues(int module) const
{
    return module == 0 || isModule(module);
}

int AcHandler::raw(int module, int index)
{
    DeviceStruct* d = device(module);
    if (!d || index < 0 || index >= TABLE_SIZE)
        return 0;
    return d->values[index];
}

int AcHandler::getModuleStatus(int module)
{
    if (m_open != 1 || module < 0)
        return -1;
    if (module >= FIRST_BRANCH) {
        if (module >= FIRST_BRANCH + BRANCHES)
            return -3;
        return Saturate::toInt32(and_process_fun(module - 1000, 0));
    }
    if (module == 0)
        return raw(0, 0);
    DeviceStruct* d = isModule(module) ? device(module) : nullptr;
    if (!d)
        return -3;
    if (d->receivedCount < 2)
        return 1;
    return d->values[0];
}

void AcHandler::systemprocessingdata()
{
    if (m_open != 1 || !device(0))
        return;
    for (int i = 0; i < m_systemIndexCount && i < TABLE_SIZE; ++i) {
        switch (m_processType[i]) {
        case 1: or_process_fun(i); break;
        case 2: and_process_fun(i); break;
        case 3: add_process_fun(i); break;
        case 4: average_process_fun(i); break;
        case 5: max_process_fun(i); break;
        case 6: min_process_fun(i); break;
        case 7: host_process_fun(i); break;
        case 8: u2_or_add_process_fun(i); break;
        case 9: u2_or_host_fun(i); break;
        case 10: u2_or_calc_fuc(i); break;
        default: device(0)->values[i] = 0; break;
        }
    }
}

void AcHandler::or_process_fun(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    int v = 0;
    for (int j = 1; j <= m_moduleCount; ++j)
        if (getModuleStatus(j) == 0)
            v |= raw(j, index);
    if (index != 49 && index != 50) {
        for (int u : { U2_UNIT, SECOND_UNIT })
            if (getModuleStatus(u) == 0)
                v |= raw(u, index);
    }
    sys->values[index] = v;
}

void AcHandler::and_process_fun(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    int v = 1000;
    for (int j = 1; j <= m_moduleCount && v; ++j)
        if (getModuleStatus(j) == 0 && raw(j, index) == 0)
            v = 0;
    for (int u : { U2_UNIT, SECOND_UNIT })
        if (v && getModuleStatus(u) == 0 && raw(u, index) == 0)
            v = 0;
    sys->values[index] = v;
}

void AcHandler::sumRule(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    if (index == 177) {
        int r176 = sys->values[176];
        sys->values[177] = r176 == 0 ? 0 : Saturate::toInt32(sys->values[174] * 1000.0 / r176);
        return;
    }
    float s = 0.0f;
    for (int j = 1; j <= m_moduleCount; ++j)
        if (getModuleStatus(j) == 0)
            s += float(raw(j, index));
    sys->values[index] = Saturate::toInt32(s);
}

void AcHandler::add_process_fun(int index)
{
    sumRule(index);
}

void AcHandler::average_process_fun(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    float s = 0.0f;
    int n = 0;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (getModuleStatus(j) == 0) {
            s += float(raw(j, index));
            ++n;
        }
    }
    sys->values[index] = n ? Saturate::toInt32(s / float(n)) : 0;
}

void AcHandler::max_process_fun(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    bool any = false;
    int v = 0;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (getModuleStatus(j) != 0)
            continue;
        int r = raw(j, index);
        if (!any || r > v)
            v = r;
        any = true;
    }
    sys->values[index] = v;
}

void AcHandler::min_process_fun(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    bool any = false;
    int v = 0;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (getModuleStatus(j) != 0)
            continue;
        int r = raw(j, index);
        if (!any || r < v)
            v = r;
        any = true;
    }
    sys->values[index] = v;
}

void AcHandler::host_process_fun(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    if (m_systemHost == 0)
        sys->values[index] = 0;
    else if (m_systemHost >= 1 && m_systemHost <= HIGHEST_ID)
        sys->values[index] = raw(m_systemHost, index);
}

void AcHandler::copyFromU2(int index)
{
    DeviceStruct* sys = device(0);
    if (sys && index >= 0 && index < TABLE_SIZE)
        sys->values[index] = raw(U2_UNIT, index);
}

void AcHandler::u2_or_add_process_fun(int index)
{
    if (m_u2)
        copyFromU2(index);
    else
        sumRule(index);
}

void AcHandler::u2_or_host_fun(int index)
{
    if (m_u2)
        copyFromU2(index);
    else
        host_process_fun(index);
}

void AcHandler::u2_or_calc_fuc(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    if (m_u2) {
        copyFromU2(index);
        return;
    }
    int* r = sys->values;
    auto v = [r](int k) { return float(r[k]) / 1000.0f; };
    auto ratio = [](int num, int den) { return den == 0 ? 0 : Saturate::toInt32(fabs(num * 1000.0 / den)); };
    switch (index) {
    case 142:
    case 143:
    case 144: {
        // Phase magnitude from its two components.
        float a = v(index - 6), b = v(index - 3);
        float s = a * a + b * b;
        r[index] = Saturate::toInt32(sqrt(double(s)) * 1000.0);
        break;
    }
    case 145:
    case 146:
    case 147:
        r[index] = ratio(r[index - 9], r[index - 3]);
        break;
    case 176:
        r[176] = Saturate::toInt32(double(r[142]) + double(r[143]) + double(r[144]));
        break;
    case 177:
        r[177] = ratio(r[174], r[176]);
        break;
    default:
        break;
    }
}

void AcHandler::is_u2(int machineType)
{
    switch (machineType) {
    case 14: case 15: case 16: case 24: case 100: case 101:
        m_u2 = 0;
        break;
    default:
        m_u2 = 1;
        break;
    }
}

bool AcHandler::takesPart(int module, int branch, int index, float* value)
{
    if (getModuleStatus(module) != 0)
        return false;
    float member = 0.0f;
    if (getdata(module, 8 + branch, &member) == 0 && Saturate::toInt32(member) == 0)
        return false;
    return getdata(module, index, value) == 0;
}

float AcHandler::or_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    int v = 0;
    float x;
    for (int j = 1; j <= m_moduleCount; ++j)
        if (takesPart(j, branch, index, &x))
            v |= Saturate::toInt32(x);
    return float(v);
}

float AcHandler::and_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    if (m_moduleCount < 1)
        return 1.0f;
    uint32_t v = 0xFFFFFFFFu;
    float x;
    for (int j = 1; j <= m_moduleCount; ++j)
        if (takesPart(j, branch, index, &x))
            v &= Saturate::toUint32(x);
    return v == 0xFFFFFFFFu ? 1.0f : float(v);
}

float AcHandler::add_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    if (index == 177) {
        float p = 0.0f, s = 0.0f;
        getdata(1000 + branch, 174, &p);
        getdata(1000 + branch, 176, &s);
        return s == 0.0f ? 0.0f : p / s;
    }
    float sum = 0.0f, x;
    for (int j = 1; j <= m_moduleCount; ++j)
        if (takesPart(j, branch, index, &x))
            sum += x;
    return sum;
}

float AcHandler::average_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    float sum = 0.0f, x;
    int n = 0;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (takesPart(j, branch, index, &x)) {
            sum += x;
            ++n;
        }
    }
    return n ? sum / float(n) : 0.0f;
}

float AcHandler::max_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    bool any = false;
    float v = 0.0f, x;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (takesPart(j, branch, index, &x)) {
            if (!any || x > v)
                v = x;
            any = true;
        }
    }
    return v;
}

float AcHandler::min_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    bool any = false;
    float v = 0.0f, x;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (takesPart(j, branch, index, &x)) {
            if (!any || x < v)
                v = x;
            any = true;
        }
    }
    return v;
}

float AcHandler::host_process_fun(int branch, int index)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    int host = m_branchHost[branch - 1];
    if (host < 0 || host > HIGHEST_ID || index < 0 || index >= TABLE_SIZE)
        return 0.0f;
    return float(raw(host, index)) / 1000.0f;
}

// ---- value access --------------------------------------------------------------------------

int AcHandler::accumulatorGroup(int module) const
{
    if ((module >= 0 && module <= m_moduleCount) || module == U2_UNIT)
        return module;
    if (module >= FIRST_BRANCH && module < FIRST_BRANCH + BRANCHES)
        return HIGHEST_ID + (module - 1000);
    return -1;
}

int AcHandler::getdata(int module, int index, float* out)
{
    if (m_open != 1 || !out)
        return -1;
    if (index < 0 || index >= VALUE_INDICES) {
        *out = 0.0f;
        return -1;
    }
    if (isAccumulatorIndex(index)) {
        int g = accumulatorGroup(module);
        if (g < 0) {
            *out = 0.0f;
            return -2;
        }
        const double* acc = m_energy.data().accumulators[g];
        switch (index) {
        case 122: *out = float(acc[EnergyImage::A] + (module == 0 ? m_correction[0] : 0.0)); break;
        case 123: *out = float(acc[EnergyImage::B] + (module == 0 ? m_correction[1] : 0.0)); break;
        case 162: *out = float(acc[EnergyImage::C]); break;
        case 163: *out = float(acc[EnergyImage::D]); break;
        case 124: *out = float(acc[EnergyImage::E]); break;
        default: {
            // Two 16-bit halves for the upward registers: high with its sign, low unsigned.
            int32_t whole = Saturate::toInt32(acc[(index - 178) / 2]);
            if (index % 2 == 0)
                *out = float(whole >> 16);
            else
                *out = float(uint32_t(whole) & 0xFFFFu);
            break;
        }
        }
        return 0;
    }
    if (hasValues(module)) {
        DeviceStruct* d = device(module);
        if (!d) {
            *out = 0.0f;
            return -2;
        }
        *out = float(d->values[index]) / 1000.0f;
        return 0;
    }
    if (module >= FIRST_BRANCH && module < FIRST_BRANCH + BRANCHES) {
        int b = module - 1000;
        switch (m_processType[index]) {
        case 1: *out = or_process_fun(b, index); break;
        case 2: *out = and_process_fun(b, index); break;
        case 3: *out = add_process_fun(b, index); break;
        case 4: *out = average_process_fun(b, index); break;
        case 5: *out = max_process_fun(b, index); break;
        case 6: *out = min_process_fun(b, index); break;
        case 7: *out = host_process_fun(b, index); break;
        default: *out = 0.0f; break;
        }
        return 0;
    }
    *out = 0.0f;
    return -2;
}

int AcHandler::getConfig(int module, int index, float* out)
{
    if (m_open != 1) {
        if (out)
            *out = 0.0f;
        return -1;
    }
    if (!out)
        return -1;
    if (!(module >= 0 && module <= HIGHEST_ID) && !(module >= FIRST_BRANCH && module < FIRST_BRANCH + BRANCHES))
        return -1;
    DeviceStruct* d = device(module);
    if (!d || !d->paramMap)
        return -1;
    auto it = d->paramMap->find(index);
    if (it == d->paramMap->end() || !it->second)
        return -1;
    *out = it->second->value;
    return 0;
}

int AcHandler::getTemperature(float raw)
{
    return TemperatureCurve::getTemperature(raw);
}

int AcHandler::getEnvTemperatureU1(float raw)
{
    return TemperatureCurve::getEnvTemperatureU1(raw);
}

int AcHandler::getTemperatureModule11(float raw)
{
    return TemperatureCurve::getTemperatureModule11(raw);
}

// ---- energy --------------------------------------------------------------------------------

void AcHandler::loadData()
{
    m_energy.load();
}

int AcHandler::writeData()
{
    return m_energy.writeData();
}

int AcHandler::getCharge(int year, int month, int day, int halfHour, float* out)
{
    return m_energy.getCharge(year, month, day, halfHour, out);
}

int AcHandler::getDischarge(int year, int month, int day, int halfHour, float* out)
{
    return m_energy.getDischarge(year, month, day, halfHour, out);
}

int AcHandler::getMoney(int year, int month, int day, int halfHour, float* out)
{
    return m_energy.getMoney(year, month, day, halfHour, out);
}

int AcHandler::getDayDischarge(int year, int month, int day, float* out)
{
    return m_energy.getDayDischarge(year, month, day, out);
}

void AcHandler::integrateEnergy(int module, const std::map<int, float>& values)
{
    if (module < 0 || module > HIGHEST_ID)
        return;
    auto value = [&values](int k) {
        auto it = values.find(k);
        // A value that is not a number would spoil a total for good.
        return it == values.end() || !isfinite(it->second) ? 0.0f : it->second;
    };
    const float a = value(122), b = value(123), c = value(162), d = value(163), e = value(124);
    auto addTo = [&](int group) {
        double* g = m_energy.data().accumulators[group];
        g[EnergyImage::A] += a;
        g[EnergyImage::B] += b;
        g[EnergyImage::C] += c;
        g[EnergyImage::D] += d;
        g[EnergyImage::E] += e;
    };
    addTo(module);

    time_t now = TimeSeam::wallTime();
    struct tm t;
    if (localtime_r(&now, &t)) {
        if (module != U2_UNIT)
            m_energy.addHalfHour(t, a, b);
        else
            m_energy.addDayDischarge(t, d);
    }

    // Only branch members count for the system, each in its first branch only.
    for (int br = 1; br <= BRANCHES; ++br) {
        if (value(8 + br) == 1.0f) {
            addTo(HIGHEST_ID + br);
            addTo(0);
            break;
        }
    }
}

// ---- fault capture -------------------------------------------------------------------------

void AcHandler::fillFaultRecode(int module, int type, unsigned char* reply, int length)
{
    memset(&m_faultRecord, 0, sizeof m_faultRecord);
    time_t now = TimeSeam::wallTime();
    struct tm t;
    if (localtime_r(&now, &t))
        strftime(m_faultRecord.time, sizeof m_faultRecord.time, "%Y-%m-%d %H:%M:%S", &t);
    m_faultRecord.type = type;
    m_faultRecord.module = module;

    // Registers the reply really carries: its byte count, bounded by what arrived before the CRC.
    int words = 0;
    if (reply && length >= 5) {
        int bytes = reply[2];
        if (bytes > length - 5)
            bytes = length - 5;
        words = bytes / 2;
    }
    // The module sends seven blocks of 18 registers; the record holds them as 18 rows of 7.
    for (int i = 0; i < FAULT_DATA_WORDS && i < words; ++i) {
        int block = i / FAULT_DATA_ROWS, word = i % FAULT_DATA_ROWS;
        m_faultRecord.data[word][block] = uint16_t(reply[3 + 2 * i] << 8 | reply[4 + 2 * i]);
    }
    if (m_faultFile) {
        m_faultFile->add(&m_faultRecord);
        m_faultFile->write();
    }
    printf("555555\n");
}

int AcHandler::writeFaultRealData(FaultRealDataLog* record)
{
    return m_waveRing.writeFaultRealData(record);
}

int AcHandler::getFaultRecordSize()
{
    if (m_open != 1 || !m_faultFile)
        return -1;
    return m_faultFile->size();
}

int AcHandler::getFaultRecord(int i, FaultRecord* out)
{
    if (m_open != 1 || !m_faultFile) {
        if (out)
            memset(out, 0, sizeof *out);
        return -1;
    }
    return m_faultFile->get(i, out);
}
