#ifndef ESF_CONNECTION_H
#define ESF_CONNECTION_H

#include <map>

struct ParamRecord;

namespace esf {

// One protocol link to one device, driven by its owner's polling thread.
class Connection {
public:
    virtual ~Connection() {}
    virtual int open() = 0;
    virtual int close() = 0;
    virtual int process(bool flag) = 0;
    virtual const char* info() = 0;
    virtual int init(std::map<int, ParamRecord*>* params) = 0;
    virtual int getWave(std::map<int, char*>& out) = 0;
    virtual int getWaveSize(std::map<int, int>& out) = 0;
    virtual int getData(std::map<int, float>& out) = 0;
    virtual int setEvent(std::map<int, int>& in) = 0;
    virtual int getEvent(std::map<int, int>& out) = 0;
    virtual int getEventLevel(int id) = 0;
    virtual int control(int id, float value, char* data, int len, bool broadcast) = 0;
    virtual int getRxbuff(unsigned char* out) = 0;
    virtual void setInterruptEvent() = 0;
};

}

#endif
