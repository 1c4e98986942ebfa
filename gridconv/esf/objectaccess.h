#ifndef ESF_OBJECTACCESS_H
#define ESF_OBJECTACCESS_H

#include "esf/mutex.h"

#include <list>

namespace esf {

class Object;

// Access to a set of objects with observers told of updates. The data operations are hooks
// for a subclass; here they hold nothing.
class ObjectAccess {
public:
    explicit ObjectAccess(int id = 0) : m_id(id), m_update(false) {}
    virtual ~ObjectAccess() {}
    int getId() const { return m_id; }
    bool getUpdate() const { return m_update; }
    void setUpdate(bool update) { m_update = update; }
    void addObserver(Object* o);
    void removeObserver(Object* o);
    // Tells every observer this object's id when an update is pending, and clears it.
    void notify();
    bool check(const Object* a, const Object* b) const;

    virtual int readAll() { return 0; }
    virtual int writeAll() { return 0; }
    virtual int getAll(Object** out, int n) { (void)out; (void)n; return -1; }
    virtual Object* get(int id) { (void)id; return nullptr; }
    virtual int set(Object* o) { (void)o; return 0; }
    virtual int add(Object* o) { (void)o; return 0; }
    virtual int del(int id) { (void)id; return 0; }

protected:
    Mutex m_mutex;

private:
    int m_id;
    bool m_update;
    std::list<Object*> m_observers;
};

}

#endif
