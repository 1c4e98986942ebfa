#ifndef ESF_LOG_H
#define ESF_LOG_H

namespace esf {

// Where a thread's log lines go; this one writes them to standard output.
class Log {
public:
    virtual ~Log() {}
    virtual void log(const char* text);
};

}

#endif
