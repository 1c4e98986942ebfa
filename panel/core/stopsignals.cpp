#include "stopsignals.h"

#include "syspath.h"
#include "virtualcanbackend.h"

#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <thread>
#include <unistd.h>

namespace StopSignals {

namespace {

void stop(int sig)
{
    removeOwnFiles();
    fflush(stdout);
    fflush(stderr);
    // Ends by the signal itself, so that whoever started the panel sees how it ended.
    signal(sig, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, sig);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(sig);
    _exit(128 + sig);
}

} // namespace

void install()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    struct sigaction hup;
    if (sigaction(SIGHUP, nullptr, &hup) == 0 && hup.sa_handler != SIG_IGN)
        sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // POSIX lets a system drop an ignored signal even while it is blocked.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    std::thread([set] {
        for (;;) {
            int sig = 0;
            if (sigwait(&set, &sig) == 0)
                stop(sig);
        }
    }).detach();
}

void removeOwnFiles()
{
    const std::string root = SysPath::root();
    if (!root.empty())
        VirtualCanBackend::removeEndpointsOf(root, int(getpid()));
}

} // namespace StopSignals
