#ifndef ESF_ACTIVETHREAD_H
#define ESF_ACTIVETHREAD_H

#include "esf/eventqueue.h"
#include "esf/thread.h"

#include <atomic>

namespace esf {

// A thread with an input and an output event queue that proves it is alive by a heartbeat,
// which the ActiveThreadManager checks.
class ActiveThread : public Thread {
public:
    explicit ActiveThread(const char* name = nullptr, Log* log = nullptr, bool debug = false);
    // Leaves the manager's list and waits for the thread before the queues go.
    ~ActiveThread() override { join(); }
    int start() override;
    void stop() override;

    void push(Event* e) { m_in.push(e); }
    Event* pop() { return m_in.pop(); }
    // Hands an event of the output queue to the caller, who gives it back with destroy().
    Event* create() { return m_out.pop(); }
    void destroy(Event* e);
    void post(Event* e) { m_out.push(e); }

    void heartbeat();
    bool checkHeartbeat() { return m_heartbeat.exchange(false); }

private:
    EventQueue m_in;
    EventQueue m_out;
    std::atomic<bool> m_heartbeat;
};

}

#endif
