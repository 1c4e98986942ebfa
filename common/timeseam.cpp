#include "timeseam.h"

#include <atomic>
#include <mutex>
#include <sched.h>
#include <sys/time.h>
#include <errno.h>

namespace {
std::atomic<bool> g_fake(false);
std::atomic<int64_t> g_fakeMonoUs(0);
std::atomic<int64_t> g_fakeWallUs(0);

std::atomic<bool> g_hooked(false);
std::mutex g_hookLock;
void (*g_hook)(void*) = nullptr;
void* g_hookArg = nullptr;
thread_local bool t_inHook = false;

void runHook()
{
    if (!g_hooked.load(std::memory_order_acquire) || t_inHook)
        return;
    std::lock_guard<std::mutex> g(g_hookLock);
    if (!g_hook)
        return;
    t_inHook = true;
    g_hook(g_hookArg);
    t_inHook = false;
}

int64_t realMonoUs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

int64_t realWallUs()
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}
}

int64_t TimeSeam::monotonicUs()
{
    return g_fake ? g_fakeMonoUs.load() : realMonoUs();
}

int64_t TimeSeam::monotonicMs()
{
    return monotonicUs() / 1000;
}

int64_t TimeSeam::wallMs()
{
    return (g_fake ? g_fakeWallUs.load() : realWallUs()) / 1000;
}

time_t TimeSeam::wallTime()
{
    return time_t(wallMs() / 1000);
}

void TimeSeam::sleepUs(int64_t us)
{
    if (us < 0)
        us = 0;
    runHook();
    if (g_fake) {
        g_fakeMonoUs += us;
        g_fakeWallUs += us;
        sched_yield();
        return;
    }
    struct timespec req = { time_t(us / 1000000), long(us % 1000000) * 1000 };
    while (nanosleep(&req, &req) != 0 && errno == EINTR) {
    }
}

void TimeSeam::sleepMs(int64_t ms)
{
    sleepUs(ms * 1000);
}

void TimeSeam::waitMs(int64_t ms)
{
    if (!g_fake) {
        sleepMs(ms);
        return;
    }
    const int64_t until = g_fakeMonoUs + (ms < 0 ? 0 : ms) * 1000;
    while (g_fake && g_fakeMonoUs < until) {
        runHook();
        struct timespec nap = { 0, 1000000 };
        nanosleep(&nap, nullptr);
    }
}

void TimeSeam::useFakeClock(bool on)
{
    if (on && !g_fake) {
        g_fakeMonoUs = realMonoUs();
        g_fakeWallUs = realWallUs();
    }
    g_fake = on;
}

bool TimeSeam::fakeClock()
{
    return g_fake;
}

void TimeSeam::advanceMs(int64_t ms)
{
    g_fakeMonoUs += ms * 1000;
    g_fakeWallUs += ms * 1000;
}

void TimeSeam::setWallTime(time_t t)
{
    g_fakeWallUs = int64_t(t) * 1000000;
}

void TimeSeam::setSleepHook(void (*hook)(void*), void* arg)
{
    std::lock_guard<std::mutex> g(g_hookLock);
    g_hook = hook;
    g_hookArg = arg;
    g_hooked.store(hook != nullptr, std::memory_order_release);
}
