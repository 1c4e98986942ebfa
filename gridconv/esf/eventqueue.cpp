#include "esf/eventqueue.h"

#include "esf/auto_lock.h"
#include "esf/event.h"

namespace esf {

EventQueue::~EventQueue()
{
    clear();
}

void EventQueue::push(Event* e)
{
    if (!e)
        return;
    auto_lock g(m_mutex);
    while (m_events.size() >= (size_t)LIMIT) {
        delete m_events.front();
        m_events.pop_front();
    }
    m_events.push_back(e);
}

Event* EventQueue::pop()
{
    auto_lock g(m_mutex);
    if (m_events.empty())
        return nullptr;
    Event* e = m_events.front();
    m_events.pop_front();
    return e;
}

int EventQueue::size()
{
    auto_lock g(m_mutex);
    return (int)m_events.size();
}

bool EventQueue::empty()
{
    return size() == 0;
}

void EventQueue::clear()
{
    auto_lock g(m_mutex);
    for (Event* e : m_events)
        delete e;
    m_events.clear();
}

}
