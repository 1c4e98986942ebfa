// The simulated cabinet: AC/DC converter modules on the pty the panel opens as /dev/ttySAC1
// under the runtime root, DC/DC converter modules on the virtual CAN bus "can0" under the root.
// Operator commands (see simcontrol.h) are read from the FIFO <root>/sim.ctl and from standard
// input. --pace <baud> carries the AC/DC line's bytes at that rate, --char-bits <n> bits each
// (default 10, 8N1). SIGUSR1 prints the requests served on the AC/DC line so far and the
// monotonic clock's seconds, for a benchmark to take the line's rate from.
#include "acmodulesim.h"
#include "dcbussim.h"
#include "rtuline.h"
#include "simcontrol.h"
#include "bmsbussim.h"
#include "bmsrtusim.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {
std::atomic<bool> g_stop(false);
std::atomic<bool> g_count(false);

void onSignal(int)
{
    g_stop = true;
}

void onCount(int)
{
    g_count = true;
}

void readCommands(FILE* in, SimControl* control)
{
    char line[256];
    while (!g_stop && fgets(line, sizeof line, in)) {
        line[strcspn(line, "\r\n")] = '\0';
        std::string err = control->command(line);
        printf("%s%s\n", line, err.empty() ? "  ok" : ("  -> " + err).c_str());
        fflush(stdout);
    }
}
}

int main(int argc, char* argv[])
{
    std::string root;
    int pace = 0;
    int charBits = 10;
    int battery = -1;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--root") && i + 1 < argc)
            root = argv[++i];
        else if (!strcmp(argv[i], "--pace") && i + 1 < argc)
            pace = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--char-bits") && i + 1 < argc)
            charBits = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--battery") && i + 1 < argc)
            battery = atoi(argv[++i]);
        else {
            fprintf(stderr, "usage: cabinetsim --root <runtime root> [--pace <baud>] [--char-bits <n>] [--battery <type>]\n");
            return 2;
        }
    }
    if (root.empty()) {
        fprintf(stderr, "cabinetsim: --root is required\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // Every stop, a closed terminal's hang-up included, leaves through the end of main, which
    // removes the FIFO, the line's link and the bus endpoints; a hang-up ignored by the caller
    // (nohup) stays ignored.
    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    if (signal(SIGHUP, onSignal) == SIG_IGN)
        signal(SIGHUP, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGUSR1, onCount);
    mkdir((root + "/dev").c_str(), 0755);

    RtuLine acLine;
    if (!acLine.open(root + "/dev/ttySAC1"))
        return 1;
    acLine.setPacing(pace, charBits);
    std::map<int, AcModuleSim*> modules;
    for (int node = 1; node <= 11; ++node) {
        modules[node] = new AcModuleSim(node);
        acLine.attach(node, modules[node]);
    }
    acLine.start();
    printf("cabinetsim: AC/DC modules 1-10 and U2 (11) on %s as %s/dev/ttySAC1\n", acLine.ptyPath().c_str(),
        root.c_str());
    fflush(stdout);

    DcBusSim dcBus;
    if (!dcBus.open(root, "can0", 10)) {
        fprintf(stderr, "cabinetsim: cannot join the CAN bus can0 under %s\n", root.c_str());
        return 1;
    }
    dcBus.start();
    printf("cabinetsim: DC/DC modules 1-10 on the virtual CAN bus %s/can/can0\n", root.c_str());
    fflush(stdout);

    SimControl control(&acLine, &modules, &dcBus);
    const std::string fifo = root + "/sim.ctl";
    unlink(fifo.c_str());
    if (mkfifo(fifo.c_str(), 0600) == 0) {
        std::thread([fifo, &control] {
            while (!g_stop) {
                FILE* in = fopen(fifo.c_str(), "r");
                if (!in)
                    break;
                readCommands(in, &control);
                fclose(in);
            }
        }).detach();
        printf("cabinetsim: commands to %s (for example: echo 'ac 2 alarm 0 3 1' > %s)\n", fifo.c_str(), fifo.c_str());
        fflush(stdout);
    }
    if (!isatty(0))
        std::thread([&control] { readCommands(stdin, &control); }).detach();

    // Battery racks on "can1" in the protocol of the panel's battery type (setting 26).
    const int batteryType = battery >= 0 ? battery : BmsBusSim::batteryTypeIn(root);
    std::unique_ptr<BmsBusSim> batteries = BmsBusSim::launch(root, batteryType);
    // BMS-A writes its units into the panel's upward RTU slave instead.
    std::unique_ptr<BmsRtuSim> bmsA;
    if (batteryType == 1 || batteryType == 2)
        bmsA = BmsRtuSim::launch(root, batteryType);
    else
        printf("cabinetsim: no upper system: nothing is connected to the panel's upward RS-485 port "
               "(ttySAC3), as on a cabinet without one\n");

    auto last = std::chrono::steady_clock::now();
    while (!g_stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        auto now = std::chrono::steady_clock::now();
        double dt = std::chrono::duration<double>(now - last).count();
        last = now;
        for (auto& m : modules)
            m.second->tick(dt);
        if (g_count.exchange(false)) {
            struct timespec ts;
            clock_gettime(CLOCK_MONOTONIC, &ts);
            printf("cabinetsim: AC/DC requests %ld at %.3f s\n", acLine.requests(), ts.tv_sec + ts.tv_nsec / 1e9);
            fflush(stdout);
        }
    }
    dcBus.stop();
    acLine.stop();
    unlink(fifo.c_str());
    return 0;
}
