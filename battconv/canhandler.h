#ifndef CANHANDLER_H
#define CANHANDLER_H

#include "canframe.h"

#include <stdint.h>

class CanBackend;

// One CAN interface: a raw socket on it and two calls that move one frame each. open() also
// brings the interface up at the bit rate asked for. The handler takes no lock: its owner
// serialises every call with its own mutex.
class CanHandler {
public:
    explicit CanHandler(bool trace);
    virtual ~CanHandler();

    // 0; -1 no socket; -2 a bit rate other than 125000, 250000, 500000, 1000000 or no name;
    // -3 no such interface; -4 bind failed; -6, -7, -8 one of the three link commands failed.
    // A call while a socket is held returns 0 and does nothing; a failed call keeps no socket.
    int open(const char* ifname, int bitrate, unsigned char extended, int nonblocking);
    // The result of closing the socket, or the (negative) handle when none was held.
    int close();
    // 16; -1 closed; -2 null frame; -3 system error; -4 short write, EINTR or EAGAIN.
    int send(const CanFrame* frame);
    // 16; -1 closed; -2 null frame; -3 system error; -4 nothing waiting (or short, EINTR);
    // -5 an error frame; -8 a remote request or a frame of the other identifier length.
    int recv(CanFrame* frame);
    // 0 ready; -1 closed; -6 ms not positive or time-out; -3 error. Waited in slices of 5 s.
    int waitReadable(int ms);
    // Ends a waitReadable of another thread, or the next one, at once with -6: the owner's
    // receive thread can then wait on a quiet bus for as long as it likes and still stop
    // promptly.
    void interrupt();
    int waitWritable(int ms);
    // Wall-clock milliseconds.
    static double getCurrentTimeMillis();
    int sleep(int ms);

    bool isOpen() const { return m_socket >= 0; }
    // The bound address: the address family and the interface index.
    int family() const { return m_family; }
    int interfaceIndex() const { return m_ifindex; }

    enum { FRAME_SIZE = 16, SLICE_MS = 5000 };

private:
    CanHandler(const CanHandler&) = delete;
    CanHandler& operator=(const CanHandler&) = delete;

    int wait(int ms, bool forWrite);
    int failOpen(int code);
    void trace(const char* direction, const CanFrame* frame);
    void refused(int kind, const char* text);

    int m_socket;
    int m_wake;   // an event counter that interrupt() raises
    int m_family;
    int m_ifindex;
    unsigned char m_extended;
    int m_nonblocking;
    bool m_trace;
    // A flood of frames it cannot take must not flood the log: one line per kind a second,
    // with the count of those not shown.
    enum { NOT_SUPPORTED, ERROR_FRAME, REFUSED_KINDS, REFUSED_LOG_MS = 1000 };
    int64_t m_refusedAt[REFUSED_KINDS];
    int m_refusedQuiet[REFUSED_KINDS];
    CanBackend* m_backend;
};

#endif
