#ifndef BMSHANDLER_H
#define BMSHANDLER_H

#include "bmsdecoder.h"
#include "canframe.h"
#include "devicedata.h"

#include <atomic>
#include <mutex>
#include <stdint.h>

class CanHandler;

// The battery management system of up to eight racks on one CAN interface: the link, one
// receive thread that hands every frame to the vendor decoders, the rack tables they fill,
// and the few frames some battery systems want from us (a wake-up pair, a periodic request,
// a reply).
//
// Racks 0..7 take indices 0..49; rack r index 100 is its online flag, 199 whether it sent
// anything since the last such question, 299 and 399 its two new-data flags; module 11
// index 99 is the link flag.
class BmsHandler {
public:
    enum {
        RACKS = BmsDecoder::RACKS,
        POINTS = BmsDecoder::POINTS,
        LINK_MODULE = 11,
        LINK_INDEX = 99,
        ONLINE = 100,
        CHANGED = 199,
        NEW_DATA_1 = 299,
        NEW_DATA_2 = 399,
        WAKE_UP = 1000,
        BATTERY_TYPE = 1001,
        REQUEST_MS = 500,        // period of the type-7 request
        ONLINE_REQUESTS = 6,     // requests per look at the racks' answers
        BUSY_TRIES = 5,
        IDLE_MS = 10,
        WAKE_UP_GAP_MS = 50,
        RECEIVE_WAIT_MS = 1000,  // longest wait on a quiet bus; close() cuts it short
    };

    BmsHandler(const char* canIf, int bitrate, int period, int extended);
    ~BmsHandler();

    // Closes first; the link's code (-1..-8), or a thread-creation error.
    int open();
    int close();
    // -1 for a rack outside 0..7, an index outside 0..49 or no out.
    int getAnalog(int rack, int index, float* out);
    // -1 for anything that is no point.
    int getStatus(int rack, int index);
    int getAlarm(int rack, int index);
    int getConfig(int module, int index, float* out);
    // Always 0.
    int setting(int module, int index, float value, int flag);
    int getSettingResult(int module);
    int getSettingResult(int module, unsigned char kind);
    int getOperateRecord(OperateRecord* out);
    int getVersion(char* buf, int len);
    int getFaultRecordSize();
    int getFaultRecord(int i, FaultRecord* out);

    // One turn of the receive thread: at most one frame read and decoded, and the type-7
    // request when its period is over. Returns how long to wait before the next turn.
    int samplePass();
    // The receive thread's wait after a turn. Once a whole wait has brought nothing it waits on
    // the socket instead (up to the next request), so a quiet bus costs no wake-ups while a
    // burst of frames is still read in turns of the usual wait.
    void samplePause(int ms);
    // The type-7 request; every sixth also renews the racks' online flags.
    void timerSendFrame();
    // Two frames to wake the rack, the second 50 ms after the first.
    void sendWakeupFrame(int rack);

    static void* sampleThread(void* handler);

    // For the owner and tests.
    bool receiving() const { return m_running; }
    BmsDecoder& decoder() { return m_decoder; }
    void setTrace(bool on) { m_decoder.setTrace(on); }

private:
    BmsHandler(const BmsHandler&) = delete;
    BmsHandler& operator=(const BmsHandler&) = delete;

    int trySend(const CanFrame* frame);
    void reply();

    std::mutex m_lock;   // every use of the link
    std::atomic<bool> m_running;
    std::atomic<bool> m_stop;
    char m_canIf[128];
    BmsDecoder m_decoder;
    CanFrame m_request;
    CanFrame m_wakeup;
    std::atomic<unsigned> m_lastSeen[RACKS];   // frame counters at the last question 199
    CanHandler* m_can;
    int m_bitrate;
    int m_extended;
    [[maybe_unused]] int m_period;   // given by the caller, not used by the loop
    int64_t m_lastRequest;
    int m_requests;
    uint8_t m_requestByte;
    int m_emptyTurns = 0;   // turns in a row that found nothing waiting
};

#endif
