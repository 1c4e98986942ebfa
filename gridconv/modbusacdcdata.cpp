#include "modbusacdcdata.h"
#include "achandler.h"
#include "configfile.h"
#include "saturate.h"
#include "timeseam.h"

#include <mutex>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

namespace {
const char* const BUILD_DATE = "Jun 27 2019";
const char* const BUILD_TIME = "14:16:06";
const int CACHED_INDICES[] = { 87, 77, 78, 89, 91 };
}

// Shared with the polling thread, so that a destroyed object stops it instead of being used.
struct ModbusAcDcData::PollState {
    std::mutex lock;   // held for one pass
    bool stop = false;
    AcHandler* handler = nullptr;
};

ModbusAcDcData::ModbusAcDcData(int moduleCount, char* serialDevice, char* serialSettings, int timeoutMs, int debug)
    : m_handler(nullptr), m_moduleCount(moduleCount), m_timeout(timeoutMs), m_debug(debug)
{
    memset(m_device, 0, sizeof m_device);
    memset(m_settings, 0, sizeof m_settings);
    if (serialDevice)
        strncpy(m_device, serialDevice, sizeof m_device - 1);
    if (serialSettings)
        strncpy(m_settings, serialSettings, sizeof m_settings - 1);
    for (auto& c : m_cache)
        c = 0.0f;
    for (auto& d : m_dates)
        d = 1;
    char text[32];
    printf("libgridconv.so  Version %d\t", getVersion(text, sizeof text));
    printf("buildTime   %s\n", text);
}

ModbusAcDcData::~ModbusAcDcData()
{
    if (m_poll) {
        std::lock_guard<std::mutex> g(m_poll->lock);
        m_poll->stop = true;
    }
    m_poll.reset();
    delete m_handler;
    clearMap(m_status);
    clearMap(m_alarm);
    clearMap(m_analog);
}

void ModbusAcDcData::clearMap(std::map<int, DataMap*>& m)
{
    for (auto& e : m)
        delete e.second;
    m.clear();
}

bool ModbusAcDcData::running() const
{
    return m_poll != nullptr;
}

int ModbusAcDcData::open()
{
    // One poller per port: the link is already up.
    if (m_poll)
        return 0;
    if (!m_handler)
        m_handler = new AcHandler(m_moduleCount, "../conf/acconfig.pdu", m_debug != 0);
    if (!m_handler->isOpen()) {
        if (m_handler->SerialOpen(m_device, m_settings, m_timeout, 0) != 0) {
            printf("acHandler->SerialOpen fial \n");
            return -1;
        }
        int r = m_handler->open();
        if (r != 0) {
            printf("acHandler open config file error ret=%d!\n", r);
            return -1;
        }
    }
    if (config_file_open() != 0) {
        printf("ModbusAcDcData::config_file_open read error \n");
        return -1;
    }

    auto state = std::make_shared<PollState>();
    state->handler = m_handler;
    auto* arg = new std::shared_ptr<PollState>(state);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1048576);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t tid;
    const int err = pthread_create(&tid, &attr, acHandler_thread, arg);
    pthread_attr_destroy(&attr);
    if (err != 0) {
        delete arg;
        printf("ModbusAcDcData::open polling thread not started: %s\n", strerror(err));
        return -1;
    }
    m_poll = state;
    m_handler->setPolling(true);
    return 0;
}

void* ModbusAcDcData::acHandler_thread(void* arg)
{
    pthread_setname_np(pthread_self(), "ac-poll");
    auto* held = static_cast<std::shared_ptr<PollState>*>(arg);
    std::shared_ptr<PollState> state = *held;
    delete held;
    for (;;) {
        {
            std::lock_guard<std::mutex> g(state->lock);
            if (state->stop)
                break;
            state->handler->process();
        }
        TimeSeam::waitMs(100);
    }
    return nullptr;
}

int ModbusAcDcData::readMap(void* file, const char* numKey, const char* dataKey, std::map<int, DataMap*>& out)
{
    esf::ConfigFile* cf = static_cast<esf::ConfigFile*>(file);
    int count = 0;
    if (!cf->find(numKey) || !cf->read("%d", &count) || !cf->find(dataKey))
        return -1;
    for (int i = 0; i < count; ++i) {
        int seq = 0, index = 0, handlerIndex = 0;
        char name[128];
        if (!cf->read("%d%d%128s%d", &seq, &index, name, &handlerIndex))
            return -1;
        // The handler answers indices 0..499 only.
        if (handlerIndex < 0 || handlerIndex >= AcHandler::VALUE_INDICES) {
            printf("ModbusAcDcData::config_file_open %s point %d: handler index %d outside 0..499, not used\n",
                dataKey, index, handlerIndex);
            continue;
        }
        DataMap*& slot = out[index];
        if (!slot)
            slot = new DataMap;
        slot->index = index;
        slot->handlerIndex = handlerIndex;
    }
    return 0;
}

int ModbusAcDcData::config_file_open()
{
    clearMap(m_status);
    clearMap(m_alarm);
    clearMap(m_analog);
    flatten(m_status, &m_statusFlat);
    flatten(m_alarm, &m_alarmFlat);
    flatten(m_analog, &m_analogFlat);
    esf::ConfigFile cf;
    if (!cf.open("../conf/map.pdu"))
        return -1;
    int r = readMap(&cf, "[STATUS_NUM]", "[STATUS_DATA]", m_status);
    if (r == 0)
        r = readMap(&cf, "[ALARM_NUM]", "[ALARM_DATA]", m_alarm);
    if (r == 0)
        r = readMap(&cf, "[ANALOG_NUM]", "[ANALOG_DATA]", m_analog);
    cf.close();
    flatten(m_status, &m_statusFlat);
    flatten(m_alarm, &m_alarmFlat);
    flatten(m_analog, &m_analogFlat);
    return r;
}

int ModbusAcDcData::close()
{
    return 0;
}

void ModbusAcDcData::flatten(const std::map<int, DataMap*>& m, std::vector<int>* flat)
{
    flat->clear();
    for (const auto& e : m)
        if (e.first >= 0 && e.first < FLAT_LIMIT) {
            if (size_t(e.first) >= flat->size())
                flat->resize(size_t(e.first) + 1, -1);
            (*flat)[size_t(e.first)] = e.second->handlerIndex;
        }
}

int ModbusAcDcData::mapped(const std::map<int, DataMap*>& m, const std::vector<int>& flat, int module, int index,
    float* out)
{
    int handlerIndex = -1;
    if (index >= 0 && size_t(index) < flat.size()) {
        handlerIndex = flat[size_t(index)];
    } else if (index < 0 || index >= FLAT_LIMIT) {
        auto it = m.find(index);
        if (it != m.end())
            handlerIndex = it->second->handlerIndex;
    }
    if (handlerIndex < 0)
        return -1;
    if (!m_handler || m_handler->getdata(module, handlerIndex, out) != 0)
        return -2;
    return 0;
}

int ModbusAcDcData::getAnalog(int module, int index, float* out)
{
    if (!out)
        return -1;
    if (index >= 1000 && index <= 1143) {
        if (!m_handler)
            return -1;
        if (index <= 1047)
            m_handler->getCharge(m_dates[0], m_dates[1], m_dates[2], index - 999, out);
        else if (index <= 1095)
            m_handler->getDischarge(m_dates[3], m_dates[4], m_dates[5], index - 1047, out);
        else
            m_handler->getMoney(m_dates[6], m_dates[7], m_dates[8], index - 1095, out);
        return 0;
    }
    if (index == 1200 || index == 1201) {
        if (!m_handler)
            return -1;
        time_t now = TimeSeam::wallTime();
        struct tm t;
        if (!localtime_r(&now, &t))
            return -1;
        if (index == 1200)
            m_handler->getCharge(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, 0, out);
        else
            m_handler->getDischarge(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, 0, out);
        return 0;
    }
    const int r = mapped(m_analog, m_analogFlat, module, index, out);
    if (r == -1)
        *out = 0.0f;
    return r;
}

int ModbusAcDcData::getStatus(int module, int index)
{
    float v = 0.0f;
    const int r = mapped(m_status, m_statusFlat, module, index, &v);
    if (r == -1)
        return -1;
    if (r != 0)
        return 0;
    // Point 0 reads the link-fault value: 1 means the module answers.
    if (index == 0)
        return v < 0.9f ? 1 : 0;
    return Saturate::toInt32(v);
}

int ModbusAcDcData::getAlarm(int module, int index)
{
    if (index < 0)
        return 0;
    float v = 0.0f;
    const int r = mapped(m_alarm, m_alarmFlat, module, index, &v);
    if (r == -1)
        return -1;
    if (r != 0)
        return 0;
    return Saturate::toInt32(v);
}

int ModbusAcDcData::cacheSlot(int index)
{
    for (int k = 0; k < CACHED; ++k)
        if (CACHED_INDICES[k] == index)
            return k;
    return -1;
}

int ModbusAcDcData::getConfig(int module, int index, float* out)
{
    if (!out)
        return -1;
    const int slot = cacheSlot(index);
    if (slot >= 0) {
        *out = m_cache[slot];
        return 0;
    }
    if (!m_handler) {
        *out = 0.0f;
        return -1;
    }
    return m_handler->getConfig(module, index, out);
}

int ModbusAcDcData::setting(int module, int index, float value, int broadcastFlag)
{
    if (index >= 1000 && index <= 1008) {
        m_dates[index - 1000] = Saturate::toInt32(value);
        return 0;
    }
    const int r = m_handler ? m_handler->setting(module, index, value, broadcastFlag) : -1;
    if (r < 0)
        printf("ret=%d moduleId=%d index=%d fdata=%f broadcastFlag=%d \n", r, module, index, value, broadcastFlag);
    // A refused write must not show as the configured value.
    const int slot = cacheSlot(index);
    if (slot >= 0 && r == 0)
        m_cache[slot] = value;
    return r;
}

int ModbusAcDcData::getSettingResult(int module)
{
    return m_handler ? m_handler->getSettingResult(module) : -1;
}

int ModbusAcDcData::getOperateRecord(OperateRecord* out)
{
    if (!m_handler) {
        if (out)
            memset(out, 0, sizeof *out);
        return -1;
    }
    return m_handler->getOperateRecord(out);
}

int ModbusAcDcData::getVersion(char* buf, int len)
{
    if (!buf || len < 32)
        return -1;
    memset(buf, 0, size_t(len));
    snprintf(buf, size_t(len), "%s %s", BUILD_DATE, BUILD_TIME);
    return VERSION;
}

int ModbusAcDcData::getFaultRecordSize()
{
    return m_handler ? m_handler->getFaultRecordSize() : -1;
}

int ModbusAcDcData::getFaultRecord(int i, FaultRecord* out)
{
    if (!m_handler) {
        if (out)
            memset(out, 0, sizeof *out);
        return -1;
    }
    return m_handler->getFaultRecord(i, out);
}

int ModbusAcDcData::getCharge(int year, int month, int day, int halfHour, float* out)
{
    return m_handler ? m_handler->getCharge(year, month, day, halfHour, out) : -1;
}

int ModbusAcDcData::getDischarge(int year, int month, int day, int halfHour, float* out)
{
    return m_handler ? m_handler->getDischarge(year, month, day, halfHour, out) : -1;
}

int ModbusAcDcData::getMoney(int year, int month, int day, int halfHour, float* out)
{
    return m_handler ? m_handler->getMoney(year, month, day, halfHour, out) : -1;
}

int ModbusAcDcData::getDayDischarge(int year, int month, int day, float* out)
{
    return m_handler ? m_handler->getDayDischarge(year, month, day, out) : -1;
}
