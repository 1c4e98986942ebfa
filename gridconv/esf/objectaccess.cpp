#include "esf/objectaccess.h"

#include "esf/auto_lock.h"
#include "esf/object.h"

namespace esf {

void ObjectAccess::addObserver(Object* o)
{
    if (!o)
        return;
    auto_lock g(m_mutex);
    m_observers.remove(o);
    m_observers.push_back(o);
}

void ObjectAccess::removeObserver(Object* o)
{
    auto_lock g(m_mutex);
    m_observers.remove(o);
}

void ObjectAccess::notify()
{
    auto_lock g(m_mutex);
    if (!m_update)
        return;
    m_update = false;
    for (Object* o : m_observers)
        o->update(m_id);
}

bool ObjectAccess::check(const Object* a, const Object* b) const
{
    return a && b && a->getId() == b->getId();
}

}
