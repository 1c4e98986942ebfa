#include "esf/mutex.h"

#include "timeseam.h"

namespace esf {

Mutex::Mutex()
{
    pthread_mutex_init(&m_mutex, nullptr);
}

Mutex::~Mutex()
{
    pthread_mutex_destroy(&m_mutex);
}

void Mutex::lock()
{
    pthread_mutex_lock(&m_mutex);
}

void Mutex::unlock()
{
    pthread_mutex_unlock(&m_mutex);
}

int Mutex::lock(int timeoutMs)
{
    for (int waited = 0;; waited += 20) {
        if (pthread_mutex_trylock(&m_mutex) == 0)
            return 1;
        if (waited >= timeoutMs)
            return 0;
        TimeSeam::sleepMs(20);
    }
}

}
