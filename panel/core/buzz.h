#ifndef BUZZ_H
#define BUZZ_H

#include <atomic>
#include <memory>
#include <pthread.h>

// The buzzer on the PWM output ("/dev/pwm"), played from its own thread with a 100 ms tick. The
// data thread chooses the pattern with beep(mode, times): 0 silent, 1 one continuous tone,
// 2 500 ms on and 500 ms off, 3 500 ms on and 1500 ms off; times 0 repeats without end.
class Buzz {
public:
    explicit Buzz(const char* path);
    // The thread keeps running until its next tick, then ends without touching this object.
    ~Buzz();
    // The open descriptor, else opens the device (closed again at process exit).
    static int open();
    // open(), then the buzzer thread (detached, 1 MiB stack): the open failure or the creation result.
    int start();
    static void beep(int mode, int times);
    // Sounds at buzz_freq. A driver that refuses is logged; the panel keeps supervising.
    static int beep();
    static int stop();
    static void set_freq(int hz);
    static int close();
    // One tick of the pattern; the thread repeats it every 100 ms.
    void tick();

    static char device_dir[128];
    static int buzzFd;
    static std::atomic<int> buzz_freq;
    static std::atomic<int> beepFlag;
    static std::atomic<int> sys_beep_state;
    static std::atomic<int> beepTimes;
    static std::atomic<int> noStopFlag;

private:
    struct Runner;
    static void* loop(void* runner);
    void startBeep();
    void toSilence(int mode);

    int count;
    int lastMode;
    pthread_t thread;
    std::shared_ptr<Runner> runner;
};

#endif
