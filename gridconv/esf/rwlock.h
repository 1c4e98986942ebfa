#ifndef ESF_RWLOCK_H
#define ESF_RWLOCK_H

#include <pthread.h>

namespace esf {

// A read-write lock that lets a waiting writer in before new readers. Lock calls return 1
// when locked and 0 at the time-out.
class Rwlock {
public:
    Rwlock();
    virtual ~Rwlock();
    int rdlock(int timeoutMs);
    int wrlock(int timeoutMs);
    int rdlock() { return rdlock(2000); }
    int wrlock() { return wrlock(2000); }
    void rdunlock();
    void wrunlock();

private:
    Rwlock(const Rwlock&) = delete;
    Rwlock& operator=(const Rwlock&) = delete;
    int tryEvery20Ms(bool write, int timeoutMs);

    pthread_rwlock_t m_lock;
    pthread_mutex_t m_mutex;
    pthread_cond_t m_cond;
    int m_writersWaiting;
};

}

#endif
