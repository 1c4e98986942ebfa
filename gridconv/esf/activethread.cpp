#include "esf/activethread.h"

#include "esf/activethreadmanager.h"
#include "esf/event.h"

namespace esf {

ActiveThread::ActiveThread(const char* name, Log* log, bool debug) : Thread(name, log, debug), m_heartbeat(false)
{
}

int ActiveThread::start()
{
    int r = Thread::start();
    if (r)
        ActiveThreadManager::instance()->addActiveThread(this);
    return r;
}

void ActiveThread::stop()
{
    ActiveThreadManager::instance()->removeActiveThread(this);
    Thread::stop();
}

void ActiveThread::destroy(Event* e)
{
    delete e;
}

void ActiveThread::heartbeat()
{
    if (isActive())
        m_heartbeat = true;
}

}
