#ifndef ESF_OBJECT_H
#define ESF_OBJECT_H

namespace esf {

// An object with an id and a valid flag; as an observer it is told which access object changed.
class Object {
public:
    explicit Object(int id = 0) : m_id(id), m_valid(true) {}
    virtual ~Object() {}
    int getId() const { return m_id; }
    bool isValid() const { return m_valid; }
    void setValid(bool valid) { m_valid = valid; }
    virtual void update(int accessId) { (void)accessId; }

private:
    int m_id;
    bool m_valid;
};

}

#endif
