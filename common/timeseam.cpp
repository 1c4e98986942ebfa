#include "timeseam.h"

#include <atomic>
#include <sched.h>
#include <sys/time.h>
#include <errno.h>

namespace {
std::atomic<bool> g_fake(false);
std::atomic<int64_t> g_fakeMonoUs(0);
std::atomic<int64_t> g_fakeWallUs(0);

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
