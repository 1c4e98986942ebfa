#ifndef ESF_EVENT_H
#define ESF_EVENT_H

namespace esf {

class Event {
public:
    explicit Event(int id = 0) : m_id(id) {}
    virtual ~Event() {}
    int getId() const { return m_id; }

private:
    int m_id;
};

}

#endif
