#ifndef ESF_AUTO_LOCK_H
#define ESF_AUTO_LOCK_H

#include "esf/mutex.h"

namespace esf {

// Holds a mutex for the life of a scope.
class auto_lock {
public:
    explicit auto_lock(Mutex& m) : m_mutex(m) { m_mutex.lock(); }
    ~auto_lock() { m_mutex.unlock(); }

private:
    auto_lock(const auto_lock&) = delete;
    auto_lock& operator=(const auto_lock&) = delete;
    Mutex& m_mutex;
};

}

#endif
