// The AC/DC link against the simulated modules on a pty that paces every frame as 19200 baud
// 8N1 would carry it: the time of one full polling pass for 1, 4 and 10 modules (plus the U2
// unit) against the wire time of the same frames plus the gaps the protocol prescribes (the
// slave's 3.5 characters of silence before it answers, the master's 20 ms of silence after a
// reply), and the time from setting() to a final getSettingResult() through the device object
// with its polling thread running. Also the CPU of a pass, and of the copy of a module's value
// map that each module's poll hands over (its whole map, every time), against it.
// Usage: acdclink_bench [passes per module count, default 5]
#include "achandler.h"
#include "acmodulesim.h"
#include "modbusacdcdata.h"
#include "modbusconnection.h"
#include "rtuline.h"
#include "timeseam.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const int kBaud = 19200;
const double kCharMs = 10.0 * 1000.0 / kBaud;
const double kTurnAroundMs = 3.5 * kCharMs;   // silence that ends a request at the slave
const double kEndOfReplyMs = 20.0;            // silence that ends a reply at the master

struct Block {
    int fun;
    int count;
};

// The poll blocks of the signal tables ("[DATA_SIGNAL_INFO]": codes, addresses, counts).
std::vector<Block> pollBlocks(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    bool next = false;
    while (std::getline(in, line)) {
        if (line.compare(0, 2, "//") == 0 || line.empty())
            continue;
        if (line == "[DATA_SIGNAL_INFO]") {
            next = true;
            continue;
        }
        if (!next)
            continue;
        std::istringstream words(line);
        std::string funs, starts, counts;
        words >> funs >> starts >> counts;
        std::vector<Block> out;
        std::istringstream f(funs), c(counts);
        std::string a, b;
        while (std::getline(f, a, '/') && std::getline(c, b, '/'))
            out.push_back({ atoi(a.c_str()), atoi(b.c_str()) });
        return out;
    }
    return {};
}

// Request and reply bytes of one poll of every block.
int wireBytes(const std::vector<Block>& blocks)
{
    int bytes = 0;
    for (const Block& b : blocks) {
        const int data = (b.fun == 1 || b.fun == 2) ? (b.count + 7) / 8 : 2 * b.count;
        bytes += 8 + 5 + data;
    }
    return bytes;
}

std::string g_root;
FILE* g_report = stderr;

double threadCpuUs()
{
    struct timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

// A module's value map as the template's table makes it, copied the way a poll hands it over:
// into the same map each time. CPU per copy in us; entries in *size.
double valueMapCopyUs(size_t* size)
{
    cp::ModbusConnection c("../conf/acconfig.pdu", nullptr, 1, false);
    std::map<int, float> out;
    if (!c.open())
        return -1;
    c.getData(out);
    *size = out.size();
    const int copies = 20000;
    const double t0 = threadCpuUs();
    for (int k = 0; k < copies; ++k)
        c.getData(out);
    return (threadCpuUs() - t0) / copies;
}

double g_copyUs = -1;

void rack(int modules)
{
    std::ofstream f(g_root + "/bin/SockConfig.pdu");
    f << "[SOCK_NUM]\n1\n[SOCK_TYPE]\n0\t0\tBENCH\t0\t1\t2\t" << modules
      << "\t0\t0\t0\t1/2/1/2/1/2/1/2/1/2\tAC/DC\n";
}

struct Cabinet {
    RtuLine line;
    std::vector<std::unique_ptr<AcModuleSim>> modules;
    explicit Cabinet(int count)
    {
        if (!line.open(g_root + "/dev/ttySAC1"))
            exit(1);
        line.setPacing(kBaud);
        for (int n = 1; n <= count + 1; ++n) {
            const int node = n <= count ? n : 11;
            modules.emplace_back(new AcModuleSim(node));
            line.attach(node, modules.back().get());
        }
        line.start();
    }
};

void passes(int count, int rounds, const std::vector<Block>& blocks)
{
    rack(count);
    Cabinet cabinet(count);
    AcHandler h(13, "../conf/acconfig.pdu", false);
    if (h.SerialOpen("/dev/ttySAC1", "19200,n,8,1", 300, 0) != 0 || h.open() != 0) {
        fprintf(g_report, "%d modules: the link did not open\n", count);
        return;
    }
    h.setPolling(true);
    h.process();   // the first pass finds every module
    std::vector<double> ms, cpu;
    for (int r = 0; r < rounds; ++r) {
        const int64_t t0 = TimeSeam::monotonicUs();
        const double c0 = threadCpuUs();
        h.process();
        cpu.push_back(threadCpuUs() - c0);
        ms.push_back((TimeSeam::monotonicUs() - t0) / 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    const int polled = count + 1;
    const int transactions = polled * int(blocks.size());
    const double wire = polled * wireBytes(blocks) * kCharMs;
    const double goal = wire + transactions * (kTurnAroundMs + kEndOfReplyMs);
    const double median = ms[ms.size() / 2];
    fprintf(g_report, "%2d modules + U2: pass %7.1f ms (min %.1f, max %.1f); wire %6.1f ms, wire + gaps %7.1f ms, "
           "ratio %.2f (goal 1.00), %.1f ms over per transaction\n",
        count, median, ms.front(), ms.back(), wire, goal, median / goal, (median - goal) / transactions);
    const double cpuMedian = cpu[cpu.size() / 2];
    if (g_copyUs >= 0)
        fprintf(g_report, "%2d modules + U2: pass CPU %.0f us median, of which value map copies %.1f us (%d x %.2f us) = %.1f %%\n",
            count, cpuMedian, polled * g_copyUs, polled, g_copyUs, 100.0 * polled * g_copyUs / cpuMedian);
}

void settingLatency(int count, int rounds)
{
    rack(count);
    Cabinet cabinet(count);
    ModbusAcDcData dev(13, const_cast<char*>("/dev/ttySAC1"), const_cast<char*>("19200,n,8,1"), 300, 0);
    if (dev.open() != 0) {
        fprintf(g_report, "setting: the link did not open\n");
        return;
    }
    for (int k = 0; k < 200 && !(dev.getStatus(1, 0) == 1 && dev.getStatus(count, 0) == 1); ++k)
        usleep(50000);
    for (int module : { 1, 0 }) {
        std::vector<double> ms;
        int failed = 0;
        for (int r = 0; r < rounds; ++r) {
            const int64_t t0 = TimeSeam::monotonicUs();
            if (dev.setting(module, 60, float(r % 7), 0) != 0) {
                ++failed;
                continue;
            }
            int result;
            while ((result = dev.getSettingResult(module)) == 2)
                usleep(200);
            ms.push_back((TimeSeam::monotonicUs() - t0) / 1000.0);
            failed += result != 0;
            // Let the poll start again, so the next write meets a poll in progress.
            usleep(useconds_t(37000 + (11000 * r) % 90000));
        }
        if (ms.empty()) {
            fprintf(g_report, "setting module %d: every write refused\n", module);
            continue;
        }
        std::sort(ms.begin(), ms.end());
        fprintf(g_report, "setting to %s, %d modules: result after %.1f ms median (min %.1f, max %.1f), %d of %d failed\n",
            module ? "module 1" : "the system", count, ms[ms.size() / 2], ms.front(), ms.back(), failed, rounds);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    char dir[] = "/tmp/sp-acdc-bench-XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    g_root = dir;
    std::string cmd = std::string("cp -a '") + STATIONPANEL_TEMPLATE_DIR + "/.' '" + dir + "/' && mkdir -p '" + dir
        + "/log' '" + dir + "/bin' '" + dir + "/dev'";
    if (system(cmd.c_str()) != 0)
        return 1;
    setenv("STATIONPANEL_ROOT", dir, 1);
    if (chdir((g_root + "/bin").c_str()) != 0)
        return 1;
    // The link and the simulated modules talk on stdout and stderr; the figures go to a copy
    // of stderr.
    g_report = fdopen(dup(2), "w");
    if (!g_report || !freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
        return 1;
    setvbuf(g_report, nullptr, _IOLBF, 0);
    const std::vector<Block> blocks = pollBlocks(g_root + "/conf/acconfig.pdu");
    fprintf(g_report,
        "AC/DC link at %d baud: %zu poll blocks, %d bytes on the wire per module and pass; gaps per transaction: "
        "%.2f ms before the reply (3.5 characters), %.0f ms after it\n",
        kBaud, blocks.size(), wireBytes(blocks), kTurnAroundMs, kEndOfReplyMs);
    size_t entries = 0;
    g_copyUs = valueMapCopyUs(&entries);
    fprintf(g_report, "value map of a module: %zu entries, copied in %.2f us CPU\n", entries, g_copyUs);
    for (int count : { 1, 4, 10 })
        passes(count, rounds, blocks);
    settingLatency(4, 4 * rounds);
    cmd = std::string("rm -rf '") + dir + "'";
    if (system(cmd.c_str()) != 0)
        return 1;
    return 0;
}
