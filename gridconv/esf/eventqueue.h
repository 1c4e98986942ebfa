#ifndef ESF_EVENTQUEUE_H
#define ESF_EVENTQUEUE_H

#include "esf/mutex.h"

#include <deque>

namespace esf {

class Event;

// A locked queue of owned events; past 100 the oldest is dropped to make room.
class EventQueue {
public:
    enum { LIMIT = 100 };
    EventQueue() {}
    virtual ~EventQueue();
    void push(Event* e);
    Event* pop();
    int size();
    bool empty();
    void clear();

private:
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;
    Mutex m_mutex;
    std::deque<Event*> m_events;
};

}

#endif
