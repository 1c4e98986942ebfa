#ifndef LED_H
#define LED_H

#include <atomic>
#include <memory>
#include <pthread.h>

// The status LEDs on GPIO outputs, played from their own thread with a 100 ms tick. The data
// thread sets all modes at once through sys_ctl: four bits per LED, LED i in bits 4i..4i+3;
// 0 off, 1 on, 2 toggles every tick, 3 toggles every sixth tick, 4..15 leave the LED alone.
class Led {
public:
    enum { LEDS = 8 };

    explicit Led(int ioHandle);
    // The thread keeps running until its next tick, then ends without touching this object.
    ~Led();
    void sys_ctl(int state);
    int get_led_state();
    // Starts the LED thread (detached, 1 MiB stack); the creation result.
    int show_start();
    // -1 without a descriptor, else the driver's answer.
    static int ioctl(int pin, int level);
    // One tick of every LED's pattern; the thread repeats it every 100 ms.
    void tick();

    static int io_handle;
    static int led_pin[LEDS];   // LED 0 on output 12, LED 1 on output 11, the rest none (-1)
    static std::atomic<int> sys_state;

private:
    struct Runner;
    static void* loop(void* runner);

    int count[LEDS];
    pthread_t thread;
    std::shared_ptr<Runner> runner;
};

#endif
