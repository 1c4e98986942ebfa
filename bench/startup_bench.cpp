// Start-up of the panel to its first painted frame, then CPU time (per thread) and resident
// memory while it sits idle on its one-line diagram with the full simulated cabinet running:
// AC/DC modules 1 to 10 and the U2 unit on the pty, DC/DC modules 1 to 10 on can0, two racks on
// can1, a machine type of ten modules and eight DC branches. The simulator carries the AC/DC
// line's bytes as a 19200-baud line would (10 bits a character, the request's 3.5 characters of
// silence before each reply), so the panel polls at a cabinet's rate, not at the pty's; the bench
// prints the transactions a second the simulator served over the idle window.
// Usage: startup_bench [idle seconds, default 60] [warm-up seconds, default 10] [baud, default
// 19200; 0: the pty's own speed]
// Runs offscreen in a throw-away runtime tree laid out from the repository's template; the
// simulator is a process of its own, so its CPU is not counted.
#include "benchcabinet.h"
#include "form.h"
#include "monitorset.h"
#include "mymainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <map>
#include <signal.h>
#include <sstream>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const double kIdleGoalPercent = 1.0;
const long kMemoryGoalKiB = 60 * 1024;

class FirstPaint : public QObject {
public:
    qint64 at = -1;
    QElapsedTimer* clock = nullptr;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && at < 0)
            at = clock->nsecsElapsed();
        return false;
    }
};

double cpuSeconds()
{
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

long statusKiB(const char* key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    const size_t n = strlen(key);
    while (std::getline(f, line))
        if (line.compare(0, n, key) == 0)
            return atol(line.c_str() + n);
    return -1;
}

struct ThreadCpu {
    std::string name;
    double seconds = 0;
    long switches = 0;   // voluntary context switches: the thread's wake-ups
};

long voluntarySwitches(const std::string& task)
{
    std::ifstream f(task + "/status");
    std::string line;
    while (std::getline(f, line))
        if (line.compare(0, 24, "voluntary_ctxt_switches:") == 0)
            return atol(line.c_str() + 24);
    return 0;
}

// CPU time of every thread of this process by thread id, from /proc/self/task.
std::map<int, ThreadCpu> threadCpu()
{
    std::map<int, ThreadCpu> out;
    const double tick = double(sysconf(_SC_CLK_TCK));
    DIR* d = opendir("/proc/self/task");
    if (!d)
        return out;
    while (struct dirent* e = readdir(d)) {
        const int tid = atoi(e->d_name);
        if (tid <= 0)
            continue;
        const std::string task = std::string("/proc/self/task/") + e->d_name;
        std::ifstream f(task + "/stat");
        std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        const size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        std::istringstream rest(stat.substr(close + 2));
        std::string field;
        long utime = 0, stime = 0;
        // Fields after the name: state is 3; utime 14 and stime 15.
        for (int k = 3; k <= 15 && rest >> field; ++k) {
            if (k == 14)
                utime = atol(field.c_str());
            if (k == 15)
                stime = atol(field.c_str());
        }
        // The scheduler's own count in nanoseconds where the kernel keeps it: ticks of 10 ms
        // cannot tell a thread's 0.1 % from nothing over a minute.
        double seconds = (utime + stime) / tick;
        std::ifstream sched(task + "/schedstat");
        unsigned long long ns = 0;
        if (sched >> ns)
            seconds = ns / 1e9;
        out[tid] = { stat.substr(open + 1, close - open - 1), seconds, voluntarySwitches(task) };
    }
    closedir(d);
    return out;
}

// The simulator's count of AC/DC requests and the time it took it, from the lines SIGUSR1 makes
// it print: the last two give the rate over the window between them.
bool lineRate(const std::string& log, double* perSecond)
{
    std::ifstream in(log);
    std::string line;
    std::vector<std::pair<long, double>> marks;
    while (std::getline(in, line)) {
        long n;
        double at;
        if (sscanf(line.c_str(), "cabinetsim: AC/DC requests %ld at %lf s", &n, &at) == 2)
            marks.push_back({ n, at });
    }
    if (marks.size() < 2)
        return false;
    const auto& a = marks[marks.size() - 2];
    const auto& b = marks.back();
    if (b.second <= a.second)
        return false;
    *perSecond = (b.first - a.first) / (b.second - a.second);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    const int idle = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    const int warmUp = argc > 2 ? std::max(0, atoi(argv[2])) : 10;
    const int baud = argc > 3 ? std::max(0, atoi(argv[3])) : BenchCabinet::kLineBaud;
    const std::string root = BenchCabinet::makeTree();
    if (root.empty())
        return 1;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The panel and the simulator talk on stdout; the figures go to a copy of it.
    FILE* report = fdopen(dup(1), "w");
    if (!report || !freopen((root + "/panel.log").c_str(), "w", stdout) || !freopen((root + "/panel.log").c_str(), "a", stderr))
        return 1;
    setvbuf(report, nullptr, _IOLBF, 0);

    // The machine type, the branch count and a transfer switch, as the settings page would keep
    // them; the simulator reads the battery type from the same file.
    {
        int qargc = 1;
        QCoreApplication settings(qargc, argv);
        readmonitorset();
        set[24].value = 0;
        if (!BenchCabinet::setMachine())
            return 1;
    }

    const pid_t sim = BenchCabinet::startSimulator(root, baud, BenchCabinet::kLineCharBits);

    QElapsedTimer clock;
    clock.start();
    const double cpu0 = cpuSeconds();
    QApplication app(argc, argv);
    readmonitorset();
    FirstPaint paint;
    paint.clock = &clock;
    MyMainWindow* w = new MyMainWindow;
    w->installEventFilter(&paint);
    w->show();
    w->form()->slot_toolbar(1);   // the diagram, as its tool-bar button shows it
    while (paint.at < 0 && clock.elapsed() < 10000)
        app.processEvents(QEventLoop::AllEvents, 10);
    const double startCpu = cpuSeconds() - cpu0;
    fprintf(report, "start-up to first painted frame: %.1f ms (CPU %.1f ms), resident %ld KiB\n", paint.at / 1e6,
        startCpu * 1000, statusKiB("VmRSS:"));

    // Modules come online and the links settle before the idle window opens.
    QTimer::singleShot(warmUp * 1000, &app, SLOT(quit()));
    app.exec();

    if (sim > 0)
        kill(sim, SIGUSR1);
    const std::map<int, ThreadCpu> before = threadCpu();
    QElapsedTimer wall;
    wall.start();
    const double idle0 = cpuSeconds();
    QTimer::singleShot(idle * 1000, &app, SLOT(quit()));
    app.exec();
    const double idleCpu = cpuSeconds() - idle0;
    const double seconds = wall.nsecsElapsed() / 1e9;
    const std::map<int, ThreadCpu> after = threadCpu();
    if (sim > 0)
        kill(sim, SIGUSR1);

    const double percent = 100.0 * idleCpu / seconds;
    const long rss = statusKiB("VmRSS:");
    // The simulator prints its count within its 200 ms tick.
    usleep(500000);
    double rate = 0;
    const bool rated = lineRate(root + "/sim.log", &rate);
    char line[96];
    if (baud > 0)
        snprintf(line, sizeof line, "paced as %d baud, %d bits a character", baud, BenchCabinet::kLineCharBits);
    else
        snprintf(line, sizeof line, "not paced");
    char tps[48] = "?";
    if (rated)
        snprintf(tps, sizeof tps, "%.1f", rate);
    fprintf(report, "idle %.1f s on the diagram, simulated cabinet running: CPU %.3f s = %.2f %% of one core (goal < %.0f %%)"
        " at %s AC/DC transactions a second (line %s)\n",
        seconds, idleCpu, percent, kIdleGoalPercent, tps, line);
    fprintf(report, "resident %ld KiB = %.1f MB (goal < %ld MB), peak %ld KiB\n", rss, rss / 1024.0,
        kMemoryGoalKiB / 1024, statusKiB("VmHWM:"));
    std::vector<std::pair<double, std::string>> rows;
    for (const auto& t : after) {
        auto b = before.find(t.first);
        const bool had = b != before.end();
        const double used = t.second.seconds - (had ? b->second.seconds : 0);
        const long woken = t.second.switches - (had ? b->second.switches : 0);
        char text[160];
        snprintf(text, sizeof text, "%7d %-16s %7.3f %6.2f %% %8.1f", t.first, t.second.name.c_str(), used,
            100.0 * used / seconds, woken / seconds);
        rows.push_back({ used, text });
    }
    std::sort(rows.rbegin(), rows.rend());
    fprintf(report, "CPU per thread while idle:\n%7s %-16s %7s %8s %8s\n", "thread", "name", "CPU s", "1 core",
        "wakes/s");
    for (const auto& r : rows)
        fprintf(report, "%s\n", r.second.c_str());

    if (sim > 0) {
        kill(sim, SIGTERM);
        waitpid(sim, nullptr, 0);
    }
    if (system(("rm -rf '" + root + "'").c_str()) != 0)
        return 1;
    return 0;
}
