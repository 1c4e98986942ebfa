// Times one FC3 transaction of the AC/DC link's Modbus master against a simulated slave on a
// pty that paces its reply at 19200 baud 8N1, and compares it with the wire time of request
// and reply. The master should add no more than its own 20 ms end-of-reply gap.

#include "modbusconnection.h"
#include "serial.h"
#include "timeseam.h"

#include <atomic>
#include <pty.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/select.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const double kCharMs = 10.0 / 19200 * 1000;   // 0.521 ms: start, 8 data and stop bit

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

void pacedWrite(int fd, const std::vector<unsigned char>& bytes)
{
    int64_t t0 = TimeSeam::monotonicUs();
    for (size_t i = 0; i < bytes.size(); ++i) {
        int64_t due = t0 + (int64_t)((i + 1) * kCharMs * 1000);
        while (TimeSeam::monotonicUs() < due) {
        }
        if (write(fd, &bytes[i], 1) != 1)
            return;
    }
}

// Answers every FC3 request of node 1 with registers counting up, one character at a time.
void simulate(int fd, std::atomic<bool>& stop)
{
    while (!stop) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        struct timeval tv = { 0, 20000 };
        if (select(fd + 1, &set, nullptr, nullptr, &tv) <= 0)
            continue;
        unsigned char q[256];
        ssize_t n = read(fd, q, sizeof q);
        if (n < 8 || q[1] != 3)
            continue;
        int count = q[4] << 8 | q[5];
        std::vector<unsigned char> r{ q[0], 3, (unsigned char)(2 * count) };
        for (int i = 0; i < count; ++i) {
            r.push_back(0);
            r.push_back((unsigned char)i);
        }
        unsigned c = crc16(r.data(), r.size());
        r.push_back(c & 0xFF);
        r.push_back(c >> 8);
        pacedWrite(fd, r);
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

}

int main()
{
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

    printf("%-10s %12s %12s %8s %12s\n", "registers", "wire ms", "master ms", "ratio", "added ms");
    for (int count : { 10, 125 }) {
        writeTables(root + "/conf/acconfig.pdu", count);
        cp::Serial serial("/dev/ttySAC1", "19200,n,8,1", 300, 10);
        cp::ModbusConnection conn("../conf/acconfig.pdu", &serial, 1, false);
        if (!conn.open())
            return 1;
        conn.process(false);   // opens the port
        const int rounds = 20;
        int64_t total = 0;
        for (int i = 0; i < rounds; ++i) {
            int64_t t0 = TimeSeam::monotonicUs();
            conn.process(false);
            total += TimeSeam::monotonicUs() - t0;
        }
        // The request leaves at once on a pty; the wire time counts it as a real line would.
        double wire = (8 + 5 + 2 * count) * kCharMs;
        double took = total / 1000.0 / rounds;
        printf("%-10d %12.2f %12.2f %8.2f %12.2f\n", count, wire, took, took / wire, took - (5 + 2 * count) * kCharMs);
    }
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
