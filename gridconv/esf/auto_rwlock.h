#ifndef ESF_AUTO_RWLOCK_H
#define ESF_AUTO_RWLOCK_H

#include "esf/rwlock.h"

namespace esf {

// Holds a read or write lock for the life of a scope, if it could be taken.
class auto_rwlock {
public:
    auto_rwlock(Rwlock& lock, bool write) : m_lock(lock), m_write(write)
    {
        m_locked = write ? lock.wrlock() : lock.rdlock();
    }
    ~auto_rwlock()
    {
        if (m_locked)
            m_write ? m_lock.wrunlock() : m_lock.rdunlock();
    }
    bool islock() const { return m_locked != 0; }

private:
    auto_rwlock(const auto_rwlock&) = delete;
    auto_rwlock& operator=(const auto_rwlock&) = delete;
    Rwlock& m_lock;
    bool m_write;
    int m_locked;
};

}

#endif
