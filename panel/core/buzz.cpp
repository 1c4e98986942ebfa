#include "buzz.h"
#include "hardwarebackend.h"
#include "timeseam.h"

#include <errno.h>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

char Buzz::device_dir[128] = "/dev/pwm";
int Buzz::buzzFd = -1;
std::atomic<int> Buzz::buzz_freq(1000);
std::atomic<int> Buzz::beepFlag(0);
std::atomic<int> Buzz::sys_beep_state(0);
std::atomic<int> Buzz::beepTimes(0);
std::atomic<int> Buzz::noStopFlag(0);

namespace {
enum { BEEP_TICKS = 5, SHORT_PAUSE_TICKS = 5, LONG_PAUSE_TICKS = 15 };
bool g_closeAtExit = false;

void closeAtExit()
{
    Buzz::close();
}
}

// Shared by the object and its thread: the thread plays the pattern only while the object lives.
struct Buzz::Runner {
    std::mutex lock;
    Buzz* buzz;
};

Buzz::~Buzz()
{
    if (runner) {
        std::lock_guard<std::mutex> g(runner->lock);
        runner->buzz = nullptr;
    }
}

Buzz::Buzz(const char* path)
    : count(0)
    , lastMode(0)
    , thread()
{
    if (path && *path) {
        strncpy(device_dir, path, sizeof device_dir - 1);
        device_dir[sizeof device_dir - 1] = '\0';
    }
}

int Buzz::open()
{
    if (buzzFd >= 0)
        return buzzFd;
    buzzFd = HardwareBackend::instance()->open(device_dir, O_RDWR | O_NONBLOCK);
    if (buzzFd >= 0 && !g_closeAtExit) {
        g_closeAtExit = true;
        atexit(closeAtExit);
    }
    return buzzFd;
}

int Buzz::start()
{
    const int fd = open();
    if (fd < 0)
        return fd;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1024 * 1024);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    if (!runner) {
        runner = std::make_shared<Runner>();
        runner->buzz = this;
    }
    auto* handed = new std::shared_ptr<Runner>(runner);
    const int r = pthread_create(&thread, &attr, loop, handed);
    pthread_attr_destroy(&attr);
    if (r != 0)
        delete handed;
    return r;
}

void Buzz::beep(int mode, int times)
{
    if (times == 0) {
        noStopFlag = 1;
        beepTimes = 1;
    } else {
        noStopFlag = 0;
        beepTimes = times;
    }
    sys_beep_state = (sys_beep_state & ~0xFF) | (mode & 0xFF);
}

int Buzz::beep()
{
    beepFlag = 1;
    if (buzzFd < 0)
        return -1;
    const int r = HardwareBackend::instance()->ioctl(buzzFd, 1, (unsigned long)(int)buzz_freq);
    if (r < 0)
        printf("Buzz::beep set the frequency of the buzzer: %s\n", strerror(errno));
    return r;
}

int Buzz::stop()
{
    beepFlag = 0;
    if (buzzFd < 0)
        return -1;
    const int r = HardwareBackend::instance()->ioctl(buzzFd, 0, 0);
    if (r < 0)
        printf("Buzz::stop stop the buzzer: %s\n", strerror(errno));
    return r;
}

void Buzz::set_freq(int hz)
{
    buzz_freq = hz;
}

int Buzz::close()
{
    if (buzzFd < 0)
        return 0;
    stop();
    const int r = HardwareBackend::instance()->close(buzzFd);
    buzzFd = -1;
    return r;
}

void Buzz::startBeep()
{
    beep();
    if (!noStopFlag)
        --beepTimes;
    count = BEEP_TICKS - 1;
}

void Buzz::toSilence(int mode)
{
    if (beepFlag)
        stop();
    // Only the mode this tick played ends; one chosen meanwhile by the data thread stays.
    int seen = sys_beep_state;
    if ((seen & 0xFF) == mode)
        sys_beep_state.compare_exchange_strong(seen, seen & ~0xFF);
    lastMode = 0;
}

void Buzz::tick()
{
    const int mode = sys_beep_state & 0xFF;
    const bool entry = mode != lastMode;
    lastMode = mode;
    switch (mode) {
    case 0:
        if (beepFlag)
            stop();
        break;
    case 1:
        if (entry) {
            beep();
            count = beepTimes;
            break;
        }
        if (noStopFlag)
            break;
        if (count > 0)
            --count;
        if (count <= 0)
            toSilence(mode);
        break;
    case 2:
    case 3:
        if (entry) {
            startBeep();
            break;
        }
        if (count > 0) {
            --count;
            break;
        }
        if (beepFlag) {
            stop();
            if (!noStopFlag && beepTimes <= 0) {
                toSilence(mode);
                break;
            }
            count = (mode == 2 ? SHORT_PAUSE_TICKS : LONG_PAUSE_TICKS) - 1;
        } else {
            startBeep();
        }
        break;
    default:
        toSilence(mode);
        break;
    }
}

void* Buzz::loop(void* arg)
{
    pthread_setname_np(pthread_self(), "buzz");
    std::unique_ptr<std::shared_ptr<Runner>> handed(static_cast<std::shared_ptr<Runner>*>(arg));
    std::shared_ptr<Runner> r = *handed;
    handed.reset();
    for (;;) {
        {
            std::lock_guard<std::mutex> g(r->lock);
            if (!r->buzz)
                break;
            r->buzz->tick();
        }
        TimeSeam::waitMs(100);
    }
    return nullptr;
}
