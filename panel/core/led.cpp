#include "led.h"
#include "gpio.h"
#include "hardwarebackend.h"
#include "timeseam.h"

#include <mutex>
#include <pthread.h>
#include <string.h>

int Led::io_handle = -1;
int Led::led_pin[Led::LEDS] = { 12, 11, -1, -1, -1, -1, -1, -1 };
std::atomic<int> Led::sys_state(0);

// Shared by the object and its thread: the thread ticks the LEDs only while the object lives.
struct Led::Runner {
    std::mutex lock;
    Led* led;
};

Led::Led(int ioHandle)
    : thread()
{
    io_handle = ioHandle;
    memset(count, 0, sizeof count);
}

Led::~Led()
{
    if (runner) {
        std::lock_guard<std::mutex> g(runner->lock);
        runner->led = nullptr;
    }
}

void Led::sys_ctl(int state)
{
    sys_state = state;
}

int Led::get_led_state()
{
    return sys_state;
}

int Led::ioctl(int pin, int level)
{
    if (io_handle < 0)
        return -1;
    return HardwareBackend::instance()->ioctl(io_handle, (unsigned long)level, (unsigned long)pin);
}

void Led::tick()
{
    const int state = sys_state;
    for (int i = 0; i < LEDS; ++i) {
        const int pin = led_pin[i];
        if (pin < 0)
            continue;
        const int mode = (state >> (4 * i)) & 0xF;
        switch (mode) {
        case 0:
        case 1:
            ioctl(pin, mode);
            count[i] = 0;
            break;
        case 2:
        case 3:
            if (count[i] > 0) {
                --count[i];
                break;
            }
            ioctl(pin, Gpio::read(pin) == 1 ? 0 : 1);
            count[i] = mode == 2 ? 0 : 5;
            break;
        default:
            break;
        }
    }
}

void* Led::loop(void* arg)
{
    pthread_setname_np(pthread_self(), "led");
    std::unique_ptr<std::shared_ptr<Runner>> handed(static_cast<std::shared_ptr<Runner>*>(arg));
    std::shared_ptr<Runner> r = *handed;
    handed.reset();
    for (;;) {
        {
            std::lock_guard<std::mutex> g(r->lock);
            if (!r->led)
                break;
            r->led->tick();
        }
        TimeSeam::waitMs(100);
    }
    return nullptr;
}

int Led::show_start()
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1024 * 1024);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    if (!runner) {
        runner = std::make_shared<Runner>();
        runner->led = this;
    }
    auto* handed = new std::shared_ptr<Runner>(runner);
    const int r = pthread_create(&thread, &attr, loop, handed);
    pthread_attr_destroy(&attr);
    if (r != 0)
        delete handed;
    return r;
}
