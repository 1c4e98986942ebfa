#ifndef BMSDECODER_H
#define BMSDECODER_H

#include "canframe.h"

#include <atomic>
#include <stdint.h>

// The battery management systems' protocols: which one a frame belongs to, by its identifier
// and the battery type, and what its fields become in the rack tables. It knows nothing of
// the link that carried the frame.
//
// Every table index written here is a constant below 50 and every rack comes from a checked
// range of the identifier. A frame shorter than the bytes its message uses is dropped whole:
// the bytes past its length are whatever the sender left there, not values.
class BmsDecoder {
public:
    enum {
        RACKS = 8,
        POINTS = 50,        // analog, status and alarm indices of a rack
        COMM_ALARM = 49,    // cleared by every frame of the rack
    };

    // The protocol that took a frame.
    enum Protocol { NONE, GENERIC, BMS_D, BMS_D2, BMS_F, BMS_G, BMS_E, BMS_H, KWBE };

    // What one rack reports. Written by the receive thread, read by every caller without a
    // lock, so every value is an atomic word.
    struct Rack {
        std::atomic<float> analog[POINTS];
        std::atomic<int> status[POINTS];
        std::atomic<int> alarm[POINTS];
        std::atomic<int> online;
        std::atomic<unsigned> frames;      // frames counted, wrapping
        std::atomic<int> requested;        // a BMS-F frame came since the last look
        std::atomic<int> newData[2];       // status 299 and 399
    };

    BmsDecoder();

    // Hands the frame to the first protocol that takes it. NONE: no protocol wanted it, or it
    // was ignored (a rack out of range, a message too short for its fields).
    Protocol dispatch(const CanFrame& f);

    // The decoders. Each returns true when the frame counted as one of a rack's.
    bool processGeneric(const CanFrame& f);
    bool process_BmsG_2(const CanFrame& f);
    bool process_KwBe(const CanFrame& f);
    bool process_BmsE_CAN(const CanFrame& f);
    bool process_BmsH(const CanFrame& f);
    bool process_BmsD(const CanFrame& f);
    bool process_BmsD_2(const CanFrame& f);
    bool process_BmsF(const CanFrame& f);

    // The battery type and the values each type starts from.
    void init_BMS_Status(int type);
    int type() const { return m_type; }

    Rack& rack(int r) { return m_racks[r]; }
    const Rack& rack(int r) const { return m_racks[r]; }
    static bool validRack(int r) { return r >= 0 && r < RACKS; }
    static bool validPoint(int i) { return i >= 0 && i < POINTS; }

    int link() const { return m_link; }
    void setLink(int v) { m_link = v; }

    // Prints the generic protocol's frames.
    void setTrace(bool on) { m_trace = on; }

private:
    BmsDecoder(const BmsDecoder&) = delete;
    BmsDecoder& operator=(const BmsDecoder&) = delete;

    // One row of the BMS-D tables: message, sub-code, where w1, w2, w3 go.
    struct WordRow {
        uint8_t sa;
        uint16_t sub;
        bool alarm;
        uint8_t first;
        uint8_t count;
        bool newData;
    };
    bool wordRows(const CanFrame& f, int r, const WordRow* rows, int n, const char* fn);

    void counted(int r);
    void setAnalog(int r, int i, double v);
    void setStatus(int r, int i, int v);
    void setAlarm(int r, int i, int v);
    void setNewData(int r);

    Rack m_racks[RACKS];
    std::atomic<int> m_link;
    std::atomic<int> m_type;
    std::atomic<bool> m_trace;
};

#endif
