#ifndef RELAXED_H
#define RELAXED_H

#include <atomic>

// One value written by a link's own thread and read by any caller without a lock. Each word is
// whole by itself and no other memory is ordered by it, so a relaxed access is all it needs: on
// the board it costs what a plain load or store does. A read-modify-write (+=) is only sound
// when one thread writes the value.
template <typename T>
class Relaxed {
public:
    Relaxed(T v = T()) : m_v(v) {}
    Relaxed(const Relaxed& o) : m_v(o.load()) {}
    Relaxed& operator=(const Relaxed& o)
    {
        store(o.load());
        return *this;
    }
    Relaxed& operator=(T v)
    {
        store(v);
        return *this;
    }
    operator T() const { return load(); }
    T load() const { return m_v.load(std::memory_order_relaxed); }
    void store(T v) { m_v.store(v, std::memory_order_relaxed); }
    Relaxed& operator+=(T v)
    {
        store(load() + v);
        return *this;
    }
    Relaxed& operator-=(T v)
    {
        store(load() - v);
        return *this;
    }
    Relaxed& operator|=(T v)
    {
        store(load() | v);
        return *this;
    }
    Relaxed& operator&=(T v)
    {
        store(load() & v);
        return *this;
    }
    T operator++() { return *this += 1, load(); }
    T operator++(int)
    {
        T old = load();
        store(old + 1);
        return old;
    }

private:
    std::atomic<T> m_v;
};

#endif
