// Times one FC3 transaction of the AC/DC link's Modbus master against a slave on a pty that
// behaves as a real line at 19200 baud 8N1: the request reaches it at the baud rate, it answers
// after 3.5 characters of silence, and its reply leaves one character at a time at the baud
// rate. Each figure stands beside the wire time of the same frames and beside the wire time
// plus the 20 ms of silence after the reply that the master must wait before it takes the reply
// as ended (the goal: a ratio of 1.0 to the latter, the slave's 3.5 characters aside).

#include "modbusconnection.h"
#include "serial.h"
#include "timeseam.h"

#include <algorithm>
#include <atomic>
#include <pty.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/select.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

const int kBaud = 19200;
const double kCharUs = 10.0 * 1e6 / kBaud;   // 520.8 us: start, 8 data and stop bit
const double kSilenceUs = 3.5 * kCharUs;     // the slave's end of a request
const double kEndOfReplyMs = 20.0;           // the master's end of a reply

unsigned crc16(const unsigned char* p, size_t n)
{
    unsigned c = 0xFFFF;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int b = 0; b < 8; ++b)
            c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
    }
    return c;
}

void sleepUntil(int64_t us)
{
    struct timespec ts = { time_t(us / 1000000), long(us % 1000000) * 1000 };
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
    }
}

int64_t nowUs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

bool readable(int fd, long us)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    struct timeval tv = { us / 1000000, us % 1000000 };
    return select(fd + 1, &set, nullptr, nullptr, &tv) > 0;
}

// Answers every FC3 request of node 1 with registers counting up, as a slave on a real line.
void simulate(int fd, std::atomic<bool>& stop)
{
    while (!stop) {
        if (!readable(fd, 20000))
            continue;
        // The pty hands the whole request over at once; on the wire its first byte arrives now
        // and its last one a request's length of characters later.
        const int64_t first = nowUs();
        std::vector<unsigned char> q;
        unsigned char buf[256];
        do {
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n > 0)
                q.insert(q.end(), buf, buf + n);
        } while (readable(fd, long(kSilenceUs)));
        if (q.size() < 8 || q[1] != 3)
            continue;
        const int count = q[4] << 8 | q[5];
        std::vector<unsigned char> r{ q[0], 3, (unsigned char)(2 * count) };
        for (int i = 0; i < count; ++i) {
            r.push_back(0);
            r.push_back((unsigned char)i);
        }
        const unsigned c = crc16(r.data(), r.size());
        r.push_back(c & 0xFF);
        r.push_back(c >> 8);
        const double start = first + q.size() * kCharUs + kSilenceUs;
        for (size_t i = 0; i < r.size(); ++i) {
            sleepUntil(int64_t(start + (i + 1) * kCharUs));
            if (write(fd, &r[i], 1) != 1)
                return;
        }
    }
}

void writeTables(const std::string& path, int count)
{
    FILE* f = fopen(path.c_str(), "w");
    fprintf(f,
        "[DATA_EXPAND_NUM]\n0\n[DATA_EXPAND]\n"
        "[DATA_SIGNAL_INFO]\n3\t0\t%d\t1\n"
        "[DATA_SIGNAL_NUM]\n2\n[DATA_SIGNAL]\n0\t0\tlink\t-1/-1/0/1\t-1\n2\t2\tfirst\t0/3/8/1\t-1\n"
        "[CTRL_SIGNAL_INFO]\n0\n[CTRL_SIGNAL_NUM]\n0\n[CTRL_SIGNAL]\n"
        "[SETTING_SIGNAL_INFO]\n0\n[SETTING_SIGNAL_NUM]\n0\n[SETTING_SIGNAL]\n"
        "[EVENT_EXPAND_NUM]\n0\n[EVENT_EXPAND]\n[EVENT_SIGNAL_NUM]\n0\n[EVENT_SIGNAL]\n",
        count);
    fclose(f);
}

double cpuMs()
{
    struct timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

}

int main(int argc, char* argv[])
{
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    char dir[] = "/tmp/sp-bench-XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    std::string root = dir;
    mkdir((root + "/bin").c_str(), 0755);
    mkdir((root + "/conf").c_str(), 0755);
    mkdir((root + "/dev").c_str(), 0755);
    setenv("STATIONPANEL_ROOT", dir, 1);
    if (chdir((root + "/bin").c_str()) != 0)
        return 1;

    int master, slave;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return 1;
    struct termios tio;
    tcgetattr(slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    if (symlink(name, (root + "/dev/ttySAC1").c_str()) != 0)
        return 1;
    std::atomic<bool> stop{ false };
    std::thread sim(simulate, master, std::ref(stop));

    printf("FC3 at %d baud 8N1, median of %d transactions; goal: ratio 1.0 to wire + %.0f ms\n", kBaud, rounds,
        kEndOfReplyMs);
    printf("%-10s %9s %12s %10s %11s %8s %11s\n", "registers", "wire ms", "wire+20 ms", "master ms", "ratio wire",
        "ratio", "CPU ms");
    for (int count : { 10, 125 }) {
        writeTables(root + "/conf/acconfig.pdu", count);
        cp::Serial serial("/dev/ttySAC1", "19200,n,8,1", 300, 10);
        cp::ModbusConnection conn("../conf/acconfig.pdu", &serial, 1, false);
        if (!conn.open())
            return 1;
        conn.process(false);   // opens the port
        std::vector<double> ms;
        const double cpu0 = cpuMs();
        for (int i = 0; i < rounds; ++i) {
            const int64_t t0 = TimeSeam::monotonicUs();
            conn.process(false);
            ms.push_back((TimeSeam::monotonicUs() - t0) / 1000.0);
        }
        const double cpu = (cpuMs() - cpu0) / rounds;
        std::sort(ms.begin(), ms.end());
        const double took = ms[ms.size() / 2];
        const double wire = (8 + 5 + 2 * count) * kCharUs / 1000.0;
        const double goal = wire + kEndOfReplyMs;
        printf("%-10d %9.2f %12.2f %10.2f %11.2f %8.2f %11.3f\n", count, wire, goal, took, took / wire, took / goal,
            cpu);
    }
    printf("(the slave's 3.5-character turn-around, %.2f ms, is part of every transaction)\n", kSilenceUs / 1000.0);
    stop = true;
    sim.join();
    close(master);
    close(slave);
    unlink((root + "/dev/ttySAC1").c_str());
    unlink((root + "/conf/acconfig.pdu").c_str());
    for (const char* d : { "/dev", "/conf", "/bin", "" })
        rmdir((root + d).c_str());
    return 0;
}
