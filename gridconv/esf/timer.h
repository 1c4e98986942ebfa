#ifndef ESF_TIMER_H
#define ESF_TIMER_H

#include "esf/mutex.h"
#include "esf/thread.h"
#include "esf/timertask.h"

#include <map>

namespace esf {

// Runs each task's callback once its interval has passed; checks every 100 ms.
class Timer : public Thread {
public:
    Timer();
    ~Timer() override { join(); }
    int set(int id, int intervalMs, TimerCallback callback, void* arg);
    int kill(int id);
    void clear();
    // One check of every task; what the thread does every 100 ms.
    void onePass();

protected:
    void run() override;

private:
    Mutex m_mutex;
    std::map<int, TimerTask> m_tasks;
};

}

#endif
