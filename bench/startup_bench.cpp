// Start-up of the panel to its first painted frame, then CPU time and resident memory while it
// sits idle. Usage: startup_bench [idle seconds, default 60]
// Runs offscreen in a throw-away runtime tree laid out from the repository's template.
#include "monitorset.h"
#include "mymainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <fstream>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

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

long rssKiB()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.compare(0, 6, "VmRSS:") == 0)
            return atol(line.c_str() + 6);
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    const int idle = argc > 1 ? atoi(argv[1]) : 60;
    char dir[] = "/tmp/sp-bench-XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    std::string cmd = std::string("cp -a '") + STATIONPANEL_TEMPLATE_DIR + "/.' '" + dir + "/' && mkdir -p '" + dir
        + "/log' '" + dir + "/bin'";
    if (system(cmd.c_str()) != 0)
        return 1;
    setenv("STATIONPANEL_ROOT", dir, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (chdir((std::string(dir) + "/bin").c_str()) != 0)
        return 1;

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
    while (paint.at < 0 && clock.elapsed() < 10000)
        app.processEvents(QEventLoop::AllEvents, 10);
    const double startCpu = cpuSeconds() - cpu0;
    printf("start-up to first painted frame: %.1f ms (CPU %.1f ms), resident %ld KiB\n", paint.at / 1e6,
        startCpu * 1000, rssKiB());

    const double idle0 = cpuSeconds();
    QTimer::singleShot(idle * 1000, &app, SLOT(quit()));
    app.exec();
    const double idleCpu = cpuSeconds() - idle0;
    printf("idle %d s: CPU %.3f s (%.2f %%), resident %ld KiB\n", idle, idleCpu, 100.0 * idleCpu / idle, rssKiB());
    if (system((std::string("rm -rf '") + dir + "'").c_str()) != 0)
        return 1;
    return 0;
}
