#include "achandler.h"
#include "configfile.h"
#include "faultrecordfile.h"
#include "modbusconnection.h"
#include "paramfile.h"
#include "saturate.h"
#include "serial.h"
#include "temperaturecurve.h"
#include "timeseam.h"
#include "typedvalue.h"

#include <pthread.h>
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

bool AcHandler::counts(int module)
{
    if (m_statusTaken && module >= 0 && module <= HIGHEST_ID)
        return m_statusAt[module] == 0;
    return getModuleStatus(module) == 0;
}

void AcHandler::systemprocessingdata()
{
    if (m_open != 1 || !device(0))
        return;
    for (int m = 0; m <= HIGHEST_ID; ++m)
        m_statusAt[m] = getModuleStatus(m);
    m_statusTaken = true;
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
    m_statusTaken = false;
}

void AcHandler::or_process_fun(int index)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    int v = 0;
    for (int j = 1; j <= m_moduleCount; ++j)
        if (counts(j))
            v |= raw(j, index);
    if (index != 49 && index != 50) {
        for (int u : { U2_UNIT, SECOND_UNIT })
            if (counts(u))
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
        if (counts(j) && raw(j, index) == 0)
            v = 0;
    for (int u : { U2_UNIT, SECOND_UNIT })
        if (v && counts(u) && raw(u, index) == 0)
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
        if (counts(j))
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
        if (counts(j)) {
            s += float(raw(j, index));
            ++n;
        }
    }
    sys->values[index] = n ? Saturate::toInt32(s / float(n)) : 0;
}

// The largest (or smallest) fixed-point value of the counted modules; 0 when none counts.
void AcHandler::extreme_process_fun(int index, bool largest)
{
    DeviceStruct* sys = device(0);
    if (!sys || index < 0 || index >= TABLE_SIZE)
        return;
    bool any = false;
    int v = 0;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (!counts(j))
            continue;
        int r = raw(j, index);
        if (!any || (largest ? r > v : r < v))
            v = r;
        any = true;
    }
    sys->values[index] = v;
}

void AcHandler::max_process_fun(int index)
{
    extreme_process_fun(index, true);
}

void AcHandler::min_process_fun(int index)
{
    extreme_process_fun(index, false);
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
    Relaxed<int>* r = sys->values;
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
    // A member module that answers: its status (getModuleStatus) is 0 and its membership value
    // 8 + branch is not, read here from the module's values at once, since a branch value asks
    // this of every module for every point.
    if (m_open != 1 || module < 1 || module >= FIRST_BRANCH)
        return false;
    DeviceStruct* d = isModule(module) ? device(module) : nullptr;
    if (!d || d->receivedCount < 2 || d->values[0] != 0)
        return false;
    // Whole units after the scale of 1000: a member from 1.000 up (or down from -1.000).
    const int membership = d->values[8 + branch];
    if (membership > -1000 && membership < 1000)
        return false;
    // A module's own value as getdata gives it, without its checks again for every member.
    if (isAccumulatorIndex(index))
        return getdata(module, index, value) == 0;
    *value = float(d->values[index]) / 1000.0f;
    return true;
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

// The first member's value, replaced by a strictly larger (smaller) one; 0.0 when none.
float AcHandler::extreme_process_fun(int branch, int index, bool largest)
{
    if (branch < 1 || branch > BRANCHES)
        return 0.0f;
    bool any = false;
    float v = 0.0f, x;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (takesPart(j, branch, index, &x)) {
            if (!any || (largest ? x > v : x < v))
                v = x;
            any = true;
        }
    }
    return v;
}

float AcHandler::max_process_fun(int branch, int index)
{
    return extreme_process_fun(branch, index, true);
}

float AcHandler::min_process_fun(int branch, int index)
{
    return extreme_process_fun(branch, index, false);
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
        std::lock_guard<std::recursive_mutex> energyLock(m_energy.lock());
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
    std::lock_guard<std::recursive_mutex> energyLock(m_energy.lock());
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

// ---- settings queue ------------------------------------------------------------------------

namespace {

const char* const INTERNAL_SETTING_NAME = "void AcHandler::internalSetting()";
const char* const PROCESS_NAME = "virtual void AcHandler::process()";

// Configuration values that the parameter files do not take from a write.
bool isSpecial(int index)
{
    return index == 77 || index == 78 || index == 87 || index == 89 || index == 91;
}

// Indices whose changes the operation log keeps.
bool isLogged(int index)
{
    return index <= 199 || (index >= 261 && index <= 380);
}

bool isModuleLogged(int index)
{
    return index <= 200 || (index >= 261 && index <= 380);
}

float at(std::map<int, float>& v, int index)
{
    auto it = v.find(index);
    return it == v.end() ? 0.0f : it->second;
}

}

bool AcHandler::paramValue(int id, int index, float* out)
{
    DeviceStruct* d = device(id);
    if (!d || !d->paramMap)
        return false;
    auto it = d->paramMap->find(index);
    if (it == d->paramMap->end() || !it->second)
        return false;
    *out = it->second->value;
    return true;
}

void AcHandler::addParam(int id, int index, float value, bool write)
{
    DeviceStruct* d = device(id);
    if (!d || !d->paramFile)
        return;
    ParamRecord r;
    r.index = index;
    r.value = value;
    r.saved = 0;
    if (d->paramFile->add(&r) != 1)
        printf("AcHandler::addParam device %d index %d value %f not taken\n", id, index, value);
    if (write)
        d->paramFile->write();
}

void AcHandler::rememberSystemCommand(int index, float value)
{
    if (index == 69) {
        m_setting69 = uint16_t(Saturate::toInt16(value));
        m_setting69Flag = 1;
    } else if (index == 67) {
        m_setting67 = Saturate::toInt32(value);
    }
}

void AcHandler::queueRecord(int code, int index, double oldValue, double newValue, int dirty)
{
    OperateRecord r;
    memset(&r, 0, sizeof r);
    time_t now = TimeSeam::wallTime();
    struct tm t;
    if (localtime_r(&now, &t))
        strftime(r.time, sizeof r.time, "%Y-%m-%d %H:%M:%S", &t);
    r.oid = index;
    strcpy(r.name, "  ");
    r.modules = code;
    r.rdata = oldValue;
    r.mdata = newValue;
    r.dirty = dirty;
    std::lock_guard<std::mutex> g(m_recordLock);
    m_records.push_back(r);
}

int AcHandler::queueWrite(int module, int index, float value, bool forSystem)
{
    DeviceStruct* d = device(module);
    if (!d || !d->connection)
        return -1;
    if (d->writePending != 0)
        return -2;
    d->pendingIndex = index;
    d->pendingValue = value;
    d->result = 0;
    d->forSystem = forSystem ? 1 : 0;
    d->writePending = 1;
    if (forSystem)
        ++m_systemParts;
    m_writeWaiting = 1;
    return 0;
}

void AcHandler::beginSystemWrite()
{
    // A write that joins an outstanding one shares its result.
    if (m_systemWriteDone) {
        m_systemResult = 0;
        m_systemWriteDone = 0;
    }
}

int AcHandler::setting(int module, int index, float value, int broadcastFlag)
{
    if (m_open != 1)
        return -1;
    if (module == 0 && index >= 10000 && index <= 10098) {
        // The tables are saved whole by another thread: no half-updated table reaches the file.
        std::lock_guard<std::recursive_mutex> energyLock(m_energy.lock());
        EnergyImage::Data& e = m_energy.data();
        if (index >= 10000 && index <= 10047) {
            e.firstPrice[index - 10000] = value;
            return 0;
        }
        if (index >= 10050 && index <= 10097) {
            e.secondPrice[index - 10050] = value;
            return 0;
        }
        if (index == 10048 || index == 10098) {
            m_correction[index == 10048 ? 0 : 1] = value;
            return 0;
        }
    }
    if (m_debug)
        printf("AcHandler::setting  moduleId=%d  index=%d fdata=%f broadcastFlag=%d \n", module, index, value,
            broadcastFlag);
    if (index > 500 || index < 0)
        return -1;
    const bool single = isModule(module);
    const bool branch = module >= FIRST_BRANCH && module < FIRST_BRANCH + BRANCHES;
    if (!single && module != 0 && !branch) {
        printf("AcHandler::setting module %d does not exist\n", module);
        return -1;
    }
    // Nobody would ever send it, and the caller would wait for its result for good.
    if (!m_polling) {
        printf("AcHandler::setting module %d index %d refused: the line is not polled\n", module, index);
        return -1;
    }

    int result = 0;
    if (single) {
        if (getModuleStatus(module) != 0) {
            result = -3;
        } else {
            std::lock_guard<std::mutex> g(m_writeLock);
            result = queueWrite(module, index, value, false);
        }
    } else if (module == 0) {
        result = systemSetting(index, value);
    } else {
        std::lock_guard<std::mutex> g(m_writeLock);
        beginSystemWrite();
        result = branchSetting(module - 1000, index, value, broadcastFlag);
    }
    // Ends a poll in progress, so the write goes out at once.
    DeviceStruct* sys = device(0);
    if (sys && sys->connection)
        sys->connection->setInterruptEvent();
    return result;
}

int AcHandler::systemSetting(int index, float value)
{
    const bool special = isSpecial(index);
    float old = 0.0f;
    const bool known = paramValue(0, index, &old);
    int result = 0;
    {
        std::lock_guard<std::mutex> g(m_writeLock);
        if (known && !special) {
            addParam(0, index, value);
            rememberSystemCommand(index, value);
        }
        beginSystemWrite();
        for (int u : { U2_UNIT, SECOND_UNIT }) {
            if (getModuleStatus(u) == 0)
                result |= queueWrite(u, index, value, true) != 0 ? -2 : 0;
            else if (!special)
                addParam(u, index, value);
        }
        for (int b = 1; b <= BRANCHES; ++b)
            result |= branchSetting(b, index, value, 1);
        m_writeWaiting = 1;
    }
    printf("ac setting \n");
    queueRecord(1100, index, known ? old : 0.0, value, isLogged(index) ? 1 : 0);
    return result;
}

int AcHandler::branchSetting(int b, int index, float value, int broadcastFlag)
{
    const int id = 1000 + b;
    float old = 0.0f;
    const bool known = paramValue(id, index, &old);
    if (known && !isSpecial(index)) {
        addParam(id, index, value);
        rememberSystemCommand(index, value);
    }
    if (index == 70)
        m_branch70[b - 1] = value;
    else if (index == 66)
        m_branch66[b - 1] = value;

    int result = 0;
    for (int j = 1; j <= m_moduleCount; ++j) {
        if (getModuleStatus(j) != 0)
            continue;
        const int member = raw(j, 8 + b);
        if (member < 1000 || member > 1999)
            continue;
        if (index == 70) {
            m_slot70[j] = value;
            m_send70[j] = 1;
            ++m_slot70Seq[j];
            if (!m_slot70ForSystem[j]) {
                m_slot70ForSystem[j] = 1;
                ++m_systemParts;
            }
        } else if (queueWrite(j, index, value, true) != 0) {
            result = -2;
        }
    }
    m_systemWriteDone = 0;
    m_writeWaiting = 1;
    if (broadcastFlag == 0)
        queueRecord(1100 + b, index, known ? old : 0.0, value, isLogged(index) ? 1 : 0);
    return result;
}

void AcHandler::recordSent(int module, int index, float value)
{
    float old = 0.0f;
    if (!paramValue(module, index, &old))
        return;
    printf("%s(%d)\n", INTERNAL_SETTING_NAME, 1831);
    const bool logged = isModuleLogged(index);
    if (logged)
        queueRecord(100 + module, index, old, value, 1);
    if (!isSpecial(index))
        addParam(module, index, value, logged);
}

void AcHandler::internalSetting()
{
    if (m_open != 1)
        return;
    for (int j = 1; j <= HIGHEST_ID; ++j) {
        DeviceStruct* d = device(j);
        if (!d || !d->connection)
            continue;
        int index = 0, seq = 0;
        float value = 0.0f;
        bool write = false, setpoint = false, forSystem = false;
        {
            std::lock_guard<std::mutex> g(m_writeLock);
            if (d->writePending == 1) {
                d->writePending = 2;
                index = d->pendingIndex;
                value = d->pendingValue;
                forSystem = d->forSystem != 0;
                write = true;
            } else if (m_send70[j] == 1) {
                value = m_slot70[j];
                seq = m_slot70Seq[j];
                forSystem = m_slot70ForSystem[j] != 0;
                setpoint = true;
            }
        }
        if (write) {
            int r = 0;
            if (getModuleStatus(j) == 0 || j <= MAX_MODULES)
                r = d->connection->control(index, value, nullptr, 0, false) == 1 ? 0 : 1;
            if (m_debug)
                printf("internalSetting module %d  index=%d fdata=%f ret=%d\n", j, index, value, r);
            // The record is queued before the result shows, so a caller that sees the write done
            // also finds its record.
            if (r == 0)
                recordSent(j, index, value);
            {
                std::lock_guard<std::mutex> g(m_writeLock);
                d->result = r;
                d->writePending = 0;
                if (forSystem) {
                    m_systemResult |= r;
                    --m_systemParts;
                }
            }
        } else if (setpoint) {
            const bool ok = d->connection->control(70, value, nullptr, 0, false) != 0;
            if (ok)
                recordSent(j, 70, value);
            {
                std::lock_guard<std::mutex> g(m_writeLock);
                // A newer set-point that came in meanwhile still has to go out.
                if (ok && m_slot70Seq[j] == seq)
                    m_send70[j] = 0;
                if (forSystem && m_slot70ForSystem[j]) {
                    m_slot70ForSystem[j] = 0;
                    m_systemResult |= ok ? 0 : 1;
                    --m_systemParts;
                }
            }
        }
    }
    std::lock_guard<std::mutex> g(m_writeLock);
    if (m_systemWriteDone == 0 && m_systemParts <= 0) {
        m_systemParts = 0;
        device(0)->result = getModuleStatus(0) == 0 ? m_systemResult : 1;
        m_systemWriteDone = 1;
    }
}

int AcHandler::getSettingResult(int module)
{
    if (m_open != 1 || module < 0)
        return -1;
    if (module > m_moduleCount && module != U2_UNIT && module != SECOND_UNIT && module < FIRST_BRANCH)
        return -2;
    if (module >= FIRST_BRANCH)
        module = 0;
    DeviceStruct* d = device(module);
    if (!d)
        return -2;
    if (d->values[0] != 0)
        return 1;
    std::lock_guard<std::mutex> g(m_writeLock);
    if (module == 0)
        return m_systemWriteDone == 0 ? 2 : d->result;
    return d->writePending != 0 ? 2 : d->result;
}

int AcHandler::getOperateRecord(OperateRecord* out)
{
    if (m_open != 1) {
        if (out)
            memset(out, 0, sizeof *out);
        return -1;
    }
    if (!out)
        return -1;
    std::lock_guard<std::mutex> g(m_recordLock);
    if (m_records.empty())
        return 0;
    memset(out, 0, sizeof *out);
    *out = m_records.front();
    m_records.pop_front();
    return 1;
}

// ---- initial-settings replay ---------------------------------------------------------------

void AcHandler::resetOneShot(DeviceStruct* source, int index)
{
    // Every file that holds the parameter forgets it, the source's own file included, so that
    // the value on disk agrees with the one in memory.
    std::list<Modbus485::ParamFile*> files;
    if (source && source->paramFile)
        files.push_back(source->paramFile);
    for (int id : { 0, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008 }) {
        DeviceStruct* d = device(id);
        if (d && d->paramFile && d != source)
            files.push_back(d->paramFile);
    }
    ParamRecord r;
    r.index = index;
    r.value = 0.0f;
    r.saved = 0;
    for (Modbus485::ParamFile* f : files) {
        f->add(&r);
        f->write();
    }
}

void AcHandler::fillBlock(unsigned char* block, DeviceStruct* source, int first, bool oneShot, int branch, int module)
{
    memset(block, 0, 256);
    for (int k = 0; k < m_initSettingLength && k < MAX_INIT_LENGTH; ++k) {
        const int index = first + k;
        // A parameter the file lacks goes out as 0 in its own place.
        float value = 0.0f;
        if (source->paramMap) {
            auto it = source->paramMap->find(index);
            if (it != source->paramMap->end() && it->second)
                value = it->second->value;
        }
        if (oneShot && (index == 87 || index == 92 || index == 96) && value != 0.0f) {
            resetOneShot(source, index);
            value = 0.0f;
        }
        // The same conversion as a setting of this parameter, so both send the same word.
        const int scale = m_settingFlag[index];
        int64_t whole = 0;
        if (!cp::TypedValue::scaledWord(value, scale, &whole))
            whole = 0;
        const int32_t word = Saturate::toInt32(double(whole));
        block[2 * k] = uint8_t((uint32_t(word) >> 8) & 0xFF);
        block[2 * k + 1] = uint8_t(uint32_t(word) & 0xFF);
        if (m_debug)
            printf("%s-initAc subsys %d module=%d  index %d  fdata %f  \n ", PROCESS_NAME, branch, module, index,
                scale * value);
    }
}

void AcHandler::replayInitialSettings(int module)
{
    DeviceStruct* md = device(module);
    if (m_open != 1 || !md || !md->connection)
        return;
    DeviceStruct* source = md;
    int branch = 0;
    if (module < U2_UNIT) {
        float type = 0.0f;
        getConfig(0, 156, &type);
        const int t = Saturate::toInt32(type);
        if (m_debug)
            printf("%s-Mach Type Index %d\n ", PROCESS_NAME, t);
        selectRackRow(t > 110 ? 0 : t);
        branch = rackBranchOf(module);
        if (branch >= 1 && branch <= BRANCHES)
            source = device(1000 + branch);
    }
    // A branch outside 1..8 in the rack text sends no parameters.
    if (branch >= 0 && source) {
        unsigned char block[256];
        int v69 = 0;
        {
            std::lock_guard<std::mutex> g(m_writeLock);
            v69 = m_setting69;
        }
        fillBlock(block, source, 71, true, branch, module);
        block[36] = uint8_t(v69 >> 8);
        block[37] = uint8_t(v69 & 0xFF);
        md->connection->control(400, 0.0f, reinterpret_cast<char*>(block), 240, false);
        fillBlock(block, source, 261, false, branch, module);
        md->connection->control(404, 0.0f, reinterpret_cast<char*>(block), 240, false);
    }
    int flag69 = 0, v69 = 0, v67 = 0;
    {
        std::lock_guard<std::mutex> g(m_writeLock);
        flag69 = m_setting69Flag;
        v69 = m_setting69;
        v67 = m_setting67;
    }
    if (flag69 == 1)
        md->connection->control(69, float(int16_t(uint16_t(v69))), nullptr, 0, false);
    md->connection->control(67, float(v67), nullptr, 0, false);
    if (module <= HIGHEST_ID) {
        m_resend70[module] = 1;
        m_resend66[module] = 1;
    }
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

void AcHandler::readFaultRecord(int m, DeviceStruct* d)
{
    const int kind = d->faultRequest;
    if (kind == 0)
        return;
    d->faultRequest = 0;
    cp::ModbusConnection* c = d->connection;
    // A table may give the read as a command row or as a settings row; a settings row is sent
    // as it stands, so only one whose function code reads (1 to 4) may answer: any other would
    // write that setting.
    const int id = 400 + kind;
    if (c->ctrlSignals().find(id) == c->ctrlSignals().end()) {
        auto row = c->settingSignals().find(id);
        if (row == c->settingSignals().end() || row->second->fun < 1 || row->second->fun > 4) {
            printf("AcHandler::process module %d fault record kind %d has no read row\n", m, kind);
            return;
        }
    }
    if (c->control(id, 0.0f, nullptr, 0, false) == 0)
        return;
    d->rxLength = c->getRxbuff(d->rxBuff);
    d->faultKind = kind;
    if (kind == 1)
        fillFaultRecode(m, 1, d->rxBuff, d->rxLength);
}
