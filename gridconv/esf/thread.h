#ifndef ESF_THREAD_H
#define ESF_THREAD_H

#include <atomic>
#include <pthread.h>
#include <sys/types.h>

namespace esf {

class Log;

// A named thread running the virtual run(); state 0 idle, 1 running, 2 finished. The object
// must outlive its thread: a class whose run() uses its own members calls join() in its
// destructor, and this destructor joins as the last resort.
class Thread {
public:
    explicit Thread(const char* name = nullptr, Log* log = nullptr, bool debug = false);
    virtual ~Thread();

    // Sleeps on the time seam, in pieces of at most 5 s; returns 0.
    static int sleep(int ms);

    virtual int start();
    virtual void stop() { m_quit = true; }
    // stop(), then waits until run() has returned; from the thread itself it only detaches.
    void join();
    bool isQuit() const { return m_quit; }
    pthread_t getId() const { return m_id; }
    pid_t getPid() const { return m_pid; }
    const char* getName() const { return m_name; }
    bool isActive() const { return m_state == 1; }
    int getState() const { return m_state; }
    bool isDebug() const { return m_debug; }
    void log(const char* text);
    void debug(const char* text);

protected:
    virtual void run() = 0;

private:
    static void* entry(void* self);

    char m_name[128];
    Log* m_log;
    bool m_debug;
    pthread_t m_id;
    bool m_joinable;
    std::atomic<pid_t> m_pid;
    std::atomic<int> m_state;
    std::atomic<bool> m_quit;
};

}

#endif
