#include "esf/thread.h"

#include "esf/log.h"
#include "timeseam.h"

#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace esf {

Thread::Thread(const char* name, Log* log, bool debug)
    : m_log(log), m_debug(debug), m_id(), m_joinable(false), m_pid(0), m_state(0), m_quit(false)
{
    memset(m_name, 0, sizeof m_name);
    if (name)
        strncpy(m_name, name, sizeof m_name - 1);
}

Thread::~Thread()
{
    join();
}

void Thread::join()
{
    stop();
    if (!m_joinable)
        return;
    m_joinable = false;
    if (pthread_equal(pthread_self(), m_id))
        pthread_detach(m_id);
    else
        pthread_join(m_id, nullptr);
}

int Thread::sleep(int ms)
{
    if (ms < 1) {
        TimeSeam::sleepMs(0);
        return 0;
    }
    while (ms >= 5000) {
        TimeSeam::sleepMs(5000);
        ms -= 5000;
        if (ms == 0)
            return 0;
    }
    TimeSeam::sleepMs(ms);
    return 0;
}

void* Thread::entry(void* self)
{
    Thread* t = static_cast<Thread*>(self);
    t->m_pid = getpid();
    // The kernel keeps 15 characters of a thread's name.
    char name[16] = { 0 };
    memcpy(name, t->m_name, strnlen(t->m_name, sizeof name - 1));
    pthread_setname_np(pthread_self(), name);
    t->run();
    t->m_state = 2;
    return nullptr;
}

int Thread::start()
{
    // A thread of an earlier start is waited for, so that only one ever runs.
    if (m_joinable && m_state == 1)
        return 0;
    join();
    m_quit = false;
    m_state = 1;
    if (pthread_create(&m_id, nullptr, entry, this) != 0) {
        m_state = 0;
        printf("Thread::start cannot create %s\n", m_name);
        return 0;
    }
    m_joinable = true;
    return 1;
}

void Thread::log(const char* text)
{
    if (m_log)
        m_log->log(text);
}

void Thread::debug(const char* text)
{
    if (m_debug && text)
        printf("%s\n", text);
}

}
