#include "bmshandler.h"
#include "canhandler.h"
#include "saturate.h"
#include "timeseam.h"

#include <pthread.h>
#include <stdio.h>
#include <string.h>

namespace {

CanFrame j1939(int priority, int pf, int da, int sa)
{
    CanFrame f;
    memset(&f, 0, sizeof f);
    f.ff = 1;
    f.p = priority & 7;
    f.pf = uint8_t(pf);
    f.da = uint8_t(da);
    f.sa = uint8_t(sa);
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

} // namespace

BmsHandler::BmsHandler(const char* canIf, int bitrate, int period, int extended)
    : m_running(false), m_stop(false), m_can(nullptr), m_bitrate(bitrate), m_extended(extended), m_period(period),
      m_lastRequest(0), m_requests(0), m_requestByte(0)
{
    memset(m_canIf, 0, sizeof m_canIf);
    if (canIf)
        strncpy(m_canIf, canIf, sizeof m_canIf - 1);
    m_request = j1939(0, 0x00, 0x42, 0x00);
    m_wakeup = j1939(0, 0x00, 0x82, 0x00);
    m_wakeup.data[0] = 0xAA;
    for (auto& seen : m_lastSeen)
        seen = 0;
    m_can = new CanHandler(false);
}

BmsHandler::~BmsHandler()
{
    close();
    delete m_can;
}

int BmsHandler::open()
{
    close();
    {
        std::lock_guard<std::mutex> g(m_lock);
        const int r = m_can->open(m_canIf, m_bitrate, m_extended ? 1 : 0, 5000);
        if (r != 0) {
            printf("%s: %s at %d bit/s not opened (%d)\n", __PRETTY_FUNCTION__, m_canIf, m_bitrate, r);
            return r;
        }
    }
    // Marked running before it starts, so that a close right after this open waits for it.
    m_running = true;
    m_lastRequest = TimeSeam::monotonicMs();
    const int err = startDetached(sampleThread, this);
    if (err != 0) {
        m_running = false;
        printf("%s: receive thread not started: %s\n", __PRETTY_FUNCTION__, strerror(err));
        return err;
    }
    return 0;
}

int BmsHandler::close()
{
    m_stop = true;
    m_can->interrupt();
    while (m_running)
        TimeSeam::sleepMs(10);
    m_stop = false;
    std::lock_guard<std::mutex> g(m_lock);
    m_can->close();
    return 0;
}

void* BmsHandler::sampleThread(void* arg)
{
    pthread_setname_np(pthread_self(), "bms-recv");
    BmsHandler* h = static_cast<BmsHandler*>(arg);
    h->m_running = true;
    while (!h->m_stop) {
        const int wait = h->samplePass();
        if (wait > 0)
            h->samplePause(wait);
    }
    h->m_running = false;
    return nullptr;
}

void BmsHandler::samplePause(int ms)
{
    if (m_emptyTurns >= 2 && !TimeSeam::fakeClock()) {
        int wait = RECEIVE_WAIT_MS;
        if (m_decoder.type() == 7) {
            const int64_t due = m_lastRequest + REQUEST_MS - TimeSeam::monotonicMs();
            wait = due < 1 ? 1 : due < wait ? int(due) : wait;
        }
        const int r = m_can->waitReadable(wait);
        if (r == 0 || r == -6)
            return;
    }
    TimeSeam::waitMs(ms);
}

int BmsHandler::samplePass()
{
    int wait = 0;
    bool held = false;
    for (int i = 0; i < BUSY_TRIES && !held; ++i)
        held = m_lock.try_lock();
    if (!held) {
        wait = IDLE_MS;
        m_emptyTurns = 0;
    } else {
        CanFrame f;
        const int r = m_can->recv(&f);
        m_lock.unlock();
        m_emptyTurns = r == -4 ? m_emptyTurns + 1 : 0;
        if (r == CanHandler::FRAME_SIZE) {
            if (m_decoder.dispatch(f) == BmsDecoder::KWBE)
                reply();
        } else if (r != -5 && r != -8) {
            // Nothing waiting, or no link at all: either way a turn at once would only spin.
            wait = IDLE_MS;
        }
    }
    if (m_decoder.type() == 7) {
        const int64_t now = TimeSeam::monotonicMs();
        if (now - m_lastRequest >= REQUEST_MS) {
            timerSendFrame();
            m_lastRequest = now;
        }
    }
    return wait;
}

int BmsHandler::trySend(const CanFrame* frame)
{
    if (!m_lock.try_lock())
        return -2;
    const int r = m_can->send(frame);
    m_lock.unlock();
    return r == CanHandler::FRAME_SIZE ? 0 : r;
}

void BmsHandler::reply()
{
    CanFrame f;
    memset(&f, 0, sizeof f);
    f.sa = 0x05;
    f.da = 0x03;
    f.dlc = 8;
    trySend(&f);
}

void BmsHandler::timerSendFrame()
{
    m_request.data[0] = m_requestByte;
    if (trySend(&m_request) == 0)
        m_requestByte = m_requestByte ? 0 : 2;
    if (++m_requests >= ONLINE_REQUESTS) {
        m_requests = 0;
        for (int r = 0; r < RACKS; ++r) {
            BmsDecoder::Rack& rack = m_decoder.rack(r);
            rack.online = rack.requested.exchange(0);
        }
    }
}

void BmsHandler::sendWakeupFrame(int rack)
{
    if (!BmsDecoder::validRack(rack))
        return;
    // An operator's wake-up is not skipped because the receive thread happens to hold the
    // link: it holds it for one non-blocking read only.
    for (int k = 0; k < 2; ++k) {
        if (k == 1)
            TimeSeam::sleepMs(WAKE_UP_GAP_MS);
        int r;
        {
            std::lock_guard<std::mutex> g(m_lock);
            m_wakeup.sa = uint8_t(rack + 16 * k);
            r = m_can->send(&m_wakeup);
        }
        if (r != CanHandler::FRAME_SIZE)
            printf("%s: rack %d frame %d not sent (%d)\n", __PRETTY_FUNCTION__, rack, k + 1, r);
    }
}

int BmsHandler::getAnalog(int rack, int index, float* out)
{
    if (!out || !BmsDecoder::validRack(rack) || !BmsDecoder::validPoint(index))
        return -1;
    *out = m_decoder.rack(rack).analog[index];
    return 0;
}

int BmsHandler::getStatus(int rack, int index)
{
    if (rack == LINK_MODULE && index == LINK_INDEX)
        return m_decoder.link();
    if (!BmsDecoder::validRack(rack))
        return -1;
    BmsDecoder::Rack& r = m_decoder.rack(rack);
    switch (index) {
    case ONLINE:
        return r.online;
    case CHANGED: {
        const unsigned now = r.frames;
        return m_lastSeen[rack].exchange(now) != now ? 1 : 0;
    }
    case NEW_DATA_1:
        return r.newData[0];
    case NEW_DATA_2:
        return r.newData[1];
    default:
        return BmsDecoder::validPoint(index) ? r.status[index].load() : -1;
    }
}

int BmsHandler::getAlarm(int rack, int index)
{
    if (!BmsDecoder::validRack(rack) || !BmsDecoder::validPoint(index))
        return -1;
    return m_decoder.rack(rack).alarm[index];
}

int BmsHandler::setting(int module, int index, float value, int flag)
{
    (void)flag;
    const int v = Saturate::toInt32(value);
    if (module == LINK_MODULE && index == LINK_INDEX) {
        m_decoder.setLink(v);
        return 0;
    }
    if (!BmsDecoder::validRack(module))
        return 0;
    BmsDecoder::Rack& r = m_decoder.rack(module);
    switch (index) {
    case NEW_DATA_1:
        r.newData[0] = v;
        break;
    case NEW_DATA_2:
        r.newData[1] = v;
        break;
    case BmsDecoder::COMM_ALARM:
        r.alarm[BmsDecoder::COMM_ALARM] = v;
        break;
    case WAKE_UP:
        sendWakeupFrame(module);
        break;
    case BATTERY_TYPE:
        m_decoder.init_BMS_Status(v);
        break;
    default:
        break;
    }
    return 0;
}

int BmsHandler::getConfig(int module, int index, float* out)
{
    (void)module;
    (void)index;
    (void)out;
    return 0;
}

int BmsHandler::getSettingResult(int module)
{
    (void)module;
    return 0;
}

int BmsHandler::getSettingResult(int module, unsigned char kind)
{
    (void)module;
    (void)kind;
    return 0;
}

int BmsHandler::getOperateRecord(OperateRecord* out)
{
    (void)out;
    return 0;
}

int BmsHandler::getVersion(char* buf, int len)
{
    (void)buf;
    (void)len;
    return 0;
}

int BmsHandler::getFaultRecordSize()
{
    return 0;
}

int BmsHandler::getFaultRecord(int i, FaultRecord* out)
{
    (void)i;
    (void)out;
    return 0;
}
