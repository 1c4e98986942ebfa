// A stopped panel takes its virtual-bus endpoints along and ends by the signal that stopped it.
// Each case runs a child process, since the signal ends it.
#include "stopsignals.h"

#include "runtimetree.h"
#include "virtualcanbackend.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_THREAD__)
#define SP_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SP_UNDER_TSAN 1
#endif
#endif

namespace {

std::vector<std::string> endpointsOf(const std::string& root, const char* bus, int pid)
{
    std::vector<std::string> found;
    const std::string prefix = "ep-" + std::to_string(pid) + "-";
    if (DIR* d = opendir((root + "/can/" + bus).c_str())) {
        while (struct dirent* e = readdir(d))
            if (std::string(e->d_name).compare(0, prefix.size(), prefix) == 0)
                found.push_back(e->d_name);
        closedir(d);
    }
    return found;
}

// The child's state as waitpid gives it; -1 while it still runs after the wait.
int waitFor(pid_t child, int ms)
{
    for (int i = 0; i < ms / 10; ++i) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child)
            return status;
        usleep(10 * 1000);
    }
    return -1;
}

// A child that ignores `ignored` from its start (0: none), joins can0 and can1 and waits for
// its end. Returns its pid once it is ready.
pid_t startPanelLike(int ignored)
{
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        if (ignored)
            signal(ignored, SIG_IGN);
        VirtualCanBackend can0(getenv("STATIONPANEL_ROOT")), can1(getenv("STATIONPANEL_ROOT"));
        for (VirtualCanBackend* b : { &can0, &can1 }) {
            const int fd = b->create();
            if (fd < 0 || b->interfaceIndex(fd, b == &can0 ? "can0" : "can1") < 0 || b->bind(fd, 1) != 0)
                _exit(3);
        }
        StopSignals::install();
        if (write(ready[1], "r", 1) != 1)
            _exit(4);
        for (;;)
            pause();
    }
    close(ready[1]);
    char c = 0;
    const bool ok = read(ready[0], &c, 1) == 1;
    close(ready[0]);
    return ok ? child : -1;
}

} // namespace

TEST(StopSignals, EachStopRemovesOwnEndpointsAndEndsByTheSignal)
{
#ifdef SP_UNDER_TSAN
    GTEST_SKIP() << "ThreadSanitizer does not let a child of a threaded process start threads";
#endif
    struct Case {
        const char* name;
        int sig;
        int ignoredAtStart;
        bool stops;
    } cases[] = {
        { "Ctrl-C", SIGINT, 0, true },
        { "SIGTERM", SIGTERM, 0, true },
        { "terminal closed", SIGHUP, 0, true },
        { "SIGINT from a script whose jobs start with it ignored", SIGINT, SIGINT, true },
        { "SIGTERM ignored by the caller", SIGTERM, SIGTERM, true },
        { "hang-up under nohup", SIGHUP, SIGHUP, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RuntimeTree tree;
        // Another process's endpoint on the same bus stays.
        VirtualCanBackend other(tree.root());
        const int fd = other.create();
        ASSERT_GE(other.interfaceIndex(fd, "can0"), 0);
        ASSERT_EQ(other.bind(fd, 1), 0);

        const pid_t child = startPanelLike(c.ignoredAtStart);
        ASSERT_GT(child, 0);
        ASSERT_EQ(endpointsOf(tree.root(), "can0", child).size(), 1u);
        ASSERT_EQ(endpointsOf(tree.root(), "can1", child).size(), 1u);

        kill(child, c.sig);
        int status = waitFor(child, c.stops ? 10000 : 300);
        if (c.stops) {
            ASSERT_NE(status, -1) << "still running";
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.sig) << status;
        } else {
            ASSERT_EQ(status, -1) << "ended by an ignored hang-up";
            EXPECT_EQ(endpointsOf(tree.root(), "can0", child).size(), 1u);
            kill(child, SIGTERM);
            status = waitFor(child, 10000);
            ASSERT_NE(status, -1) << "still running after SIGTERM";
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        }
        EXPECT_TRUE(endpointsOf(tree.root(), "can0", child).empty());
        EXPECT_TRUE(endpointsOf(tree.root(), "can1", child).empty());
        EXPECT_EQ(endpointsOf(tree.root(), "can0", getpid()).size(), 1u);
        other.close(fd);
    }
}
