#ifndef TIMESEAM_H
#define TIMESEAM_H

#include <stdint.h>
#include <time.h>

// Every clock read and every sleep goes through here, so that a test can step time instead of
// waiting for it. Exported on purpose: each shared object that compiles common/ must still see
// one clock per process.
class __attribute__((visibility("default"))) TimeSeam {
public:
    // Monotonic time for intervals, time-outs and debounces.
    static int64_t monotonicMs();
    static int64_t monotonicUs();
    // Wall-clock time for time stamps and schedules.
    static int64_t wallMs();
    static time_t wallTime();
    static void sleepMs(int64_t ms);
    static void sleepUs(int64_t us);
    // The period of a background thread. Unlike sleepMs it never steps the fake clock: it waits
    // until a test has stepped it that far, so a free-running thread cannot race a test's time.
    static void waitMs(int64_t ms);

    // Test control: a fake clock starts at the real values and moves only when stepped or
    // slept on (a sleep then returns at once after advancing both clocks).
    static void useFakeClock(bool on);
    static bool fakeClock();
    static void advanceMs(int64_t ms);
    static void setWallTime(time_t t);
    // Test control: a function every sleep and wait calls first, so that a simulated peer can
    // answer inside the sleeper's own wait rather than on a thread a loaded host may hold back.
    // It must not sleep. nullptr removes it; that returns once no call of it is running.
    static void setSleepHook(void (*hook)(void*), void* arg);
};

#endif
