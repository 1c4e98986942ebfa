#ifndef SIMCANPORT_H
#define SIMCANPORT_H

#include "simframe.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

// The simulated cabinet's own endpoint on the virtual CAN bus: a Unix datagram socket in
// <root>/can/<interface>/; a frame sent reaches every other socket of that directory. A peer
// whose queue is full is waited for a little, the way a CAN controller retries arbitration.
// A burst goes as few datagrams of up to MAX_BURST frames back to back, since a Unix socket
// queues only ten datagrams where a kernel CAN socket holds hundreds of frames.
class SimCanPort {
public:
    SimCanPort();
    ~SimCanPort();

    bool open(const std::string& root, const std::string& ifname);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    enum { MAX_BURST = 256 };

    // Sends to every other endpoint; false when none took it.
    bool send(const SimFrame& f);
    // The frames in order, as bursts; false when some burst reached nobody.
    bool sendBurst(const std::vector<SimFrame>& frames);
    // Sends later, from the port's own thread, in the order posted. A thread that also reads
    // the bus posts its replies: were it to wait on a full peer that is itself waiting to send
    // to us, neither would read again until the wait ran out and frames were lost.
    void post(const SimFrame& f);
    // Waits up to timeoutMs (0: no wait, negative: for good) for one frame; a burst read
    // is handed out a frame at a time.
    bool receive(SimFrame* f, int timeoutMs);
    // Whether a frame waits, after up to timeoutMs; nothing is taken. Safe beside a receive()
    // of another thread, unlike receive() itself.
    bool waitReadable(int timeoutMs);
    // Raw bytes, for tests that want to put malformed datagrams on the bus.
    bool sendBytes(const void* bytes, size_t len);

    long sent() const { return sent_; }

private:
    enum Delivery { SENT, FULL, GONE };
    std::vector<std::string> peers() const;
    // To one peer; wait: block a while on a full one, as sendBytes does.
    Delivery deliver(const std::string& peer, const void* bytes, size_t len, bool wait);
    void sendLoop();

    int fd_ = -1;
    std::deque<SimFrame> inbox_;   // the rest of a burst read
    std::string dir_;
    std::string name_;
    std::mutex sendLock_;
    std::mutex stallLock_;
    std::set<std::string> stalled_;   // peers that lose frames until they have room again
    std::atomic<long> sent_{ 0 };
    std::mutex postLock_;
    std::condition_variable posted_;
    struct Posted {
        std::string peer;
        SimFrame frame;
    };
    std::deque<Posted> outbox_;
    bool closing_ = false;
    std::thread sender_;
};

#endif
