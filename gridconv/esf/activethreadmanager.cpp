#include "esf/activethreadmanager.h"

#include "esf/activethread.h"
#include "esf/auto_lock.h"
#include "esf/time.h"

#include <stdio.h>
#include <unistd.h>

namespace esf {

ActiveThreadManager::ActiveThreadManager()
    : Thread("ActiveThreadManager"), m_kick(nullptr), m_kickArg(nullptr), m_healthy(true)
{
}

ActiveThreadManager* ActiveThreadManager::instance()
{
    // Lives for the whole process, like the threads it watches.
    static ActiveThreadManager* manager = new ActiveThreadManager();
    return manager;
}

int ActiveThreadManager::init(WatchdogKick kick, void* arg)
{
    m_kick = kick;
    m_kickArg = arg;
    return 1;
}

void ActiveThreadManager::addActiveThread(ActiveThread* t)
{
    auto_lock g(m_mutex);
    m_threads.remove(t);
    m_threads.push_back(t);
}

void ActiveThreadManager::removeActiveThread(ActiveThread* t)
{
    auto_lock g(m_mutex);
    m_threads.remove(t);
}

void ActiveThreadManager::remove()
{
    auto_lock g(m_mutex);
    m_threads.clear();
}

int ActiveThreadManager::checkOnce()
{
    auto_lock g(m_mutex);
    for (ActiveThread* t : m_threads) {
        if (!t->checkHeartbeat()) {
            char stamp[32];
            Time::getCurrentTimeString("%Y-%m-%d %H:%M:%S", stamp, sizeof stamp);
            fprintf(stderr, "%s The %s [%d] is no response, and the system will be restarted!\n", stamp,
                t->getName(), (int)t->getPid());
            m_healthy = false;
        }
    }
    return m_healthy ? 1 : 0;
}

void ActiveThreadManager::run()
{
    printf("The %s [%d] is running...\n", getName(), (int)getpid());
    while (!isQuit()) {
        for (int i = 0; i < 6 && !isQuit(); ++i) {
            Thread::sleep(10000);
            if (m_healthy && m_kick)
                m_kick(m_kickArg);
        }
        checkOnce();
    }
}

}
