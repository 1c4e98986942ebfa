#ifndef ESF_TIMERTASK_H
#define ESF_TIMERTASK_H

#include <stdint.h>

namespace esf {

typedef void (*TimerCallback)(int id, void* arg);

// One periodic task of a Timer.
struct TimerTask {
    int id;
    int intervalMs;
    TimerCallback callback;
    void* arg;
    int64_t lastRunMs;
};

}

#endif
