#ifndef ESF_MUTEX_H
#define ESF_MUTEX_H

#include <pthread.h>

namespace esf {

class Mutex {
public:
    Mutex();
    virtual ~Mutex();
    void lock();
    void unlock();
    // Tries every 20 ms until the time-out: 1 locked, 0 timed out.
    int lock(int timeoutMs);

private:
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    pthread_mutex_t m_mutex;
};

}

#endif
