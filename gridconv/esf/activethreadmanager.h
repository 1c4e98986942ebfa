#ifndef ESF_ACTIVETHREADMANAGER_H
#define ESF_ACTIVETHREADMANAGER_H

#include "esf/mutex.h"
#include "esf/thread.h"

#include <list>

namespace esf {

class ActiveThread;

// The one supervisor of the active threads: every 60 s each registered thread must have shown
// a heartbeat, or the watchdog stops being kicked and the board restarts.
class ActiveThreadManager : public Thread {
public:
    typedef void (*WatchdogKick)(void* arg);

    static ActiveThreadManager* instance();
    int init(WatchdogKick kick, void* arg);
    void addActiveThread(ActiveThread* t);
    void removeActiveThread(ActiveThread* t);
    void remove();
    // One check of every registered thread: 1 all alive, 0 one was silent.
    int checkOnce();
    bool healthy() const { return m_healthy; }

protected:
    void run() override;

private:
    ActiveThreadManager();
    Mutex m_mutex;
    std::list<ActiveThread*> m_threads;
    WatchdogKick m_kick;
    void* m_kickArg;
    bool m_healthy;
};

}

#endif
