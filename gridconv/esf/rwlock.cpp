#include "esf/rwlock.h"

#include "timeseam.h"

#include <time.h>

namespace esf {

Rwlock::Rwlock() : m_writersWaiting(0)
{
    pthread_rwlock_init(&m_lock, nullptr);
    pthread_mutex_init(&m_mutex, nullptr);
    pthread_cond_init(&m_cond, nullptr);
}

Rwlock::~Rwlock()
{
    pthread_cond_destroy(&m_cond);
    pthread_mutex_destroy(&m_mutex);
    pthread_rwlock_destroy(&m_lock);
}

int Rwlock::tryEvery20Ms(bool write, int timeoutMs)
{
    for (int waited = 0;; waited += 20) {
        int r = write ? pthread_rwlock_trywrlock(&m_lock) : pthread_rwlock_tryrdlock(&m_lock);
        if (r == 0)
            return 1;
        if (waited >= timeoutMs)
            return 0;
        TimeSeam::sleepMs(20);
    }
}

int Rwlock::rdlock(int timeoutMs)
{
    pthread_mutex_lock(&m_mutex);
    while (m_writersWaiting > 0) {
        struct timespec until;
        clock_gettime(CLOCK_REALTIME, &until);
        until.tv_sec += 2;
        pthread_cond_timedwait(&m_cond, &m_mutex, &until);
    }
    pthread_mutex_unlock(&m_mutex);
    return tryEvery20Ms(false, timeoutMs);
}

int Rwlock::wrlock(int timeoutMs)
{
    pthread_mutex_lock(&m_mutex);
    ++m_writersWaiting;
    pthread_mutex_unlock(&m_mutex);
    int r = tryEvery20Ms(true, timeoutMs);
    pthread_mutex_lock(&m_mutex);
    --m_writersWaiting;
    pthread_cond_broadcast(&m_cond);
    pthread_mutex_unlock(&m_mutex);
    return r;
}

void Rwlock::rdunlock()
{
    pthread_rwlock_unlock(&m_lock);
}

void Rwlock::wrunlock()
{
    pthread_rwlock_unlock(&m_lock);
}

}
