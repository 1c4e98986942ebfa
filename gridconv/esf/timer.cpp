#include "esf/timer.h"

#include "esf/auto_lock.h"
#include "timeseam.h"

#include <vector>

namespace esf {

Timer::Timer() : Thread("Timer")
{
}

int Timer::set(int id, int intervalMs, TimerCallback callback, void* arg)
{
    if (!callback || intervalMs < 1)
        return 0;
    auto_lock g(m_mutex);
    m_tasks[id] = TimerTask{ id, intervalMs, callback, arg, TimeSeam::monotonicMs() };
    return 1;
}

int Timer::kill(int id)
{
    auto_lock g(m_mutex);
    return (int)m_tasks.erase(id);
}

void Timer::clear()
{
    auto_lock g(m_mutex);
    m_tasks.clear();
}

void Timer::onePass()
{
    std::vector<TimerTask> due;
    {
        auto_lock g(m_mutex);
        int64_t now = TimeSeam::monotonicMs();
        for (auto& t : m_tasks) {
            if (now - t.second.lastRunMs >= t.second.intervalMs) {
                t.second.lastRunMs = now;
                due.push_back(t.second);
            }
        }
    }
    // Callbacks run without the lock so that they may set or kill tasks.
    for (const TimerTask& t : due)
        t.callback(t.id, t.arg);
}

void Timer::run()
{
    while (!isQuit()) {
        onePass();
        Thread::sleep(100);
    }
}

}
