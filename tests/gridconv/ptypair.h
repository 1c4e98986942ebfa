#ifndef TESTS_PTYPAIR_H
#define TESTS_PTYPAIR_H

#include "runtimetree.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <string>
#include <sys/select.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <vector>

// A pseudo-terminal standing in for the RS-485 line: the link opens "/dev/ttySAC1" (a link in
// the runtime tree to the pty's slave side); the test plays the far end on the master side.
// The slave side stays open here too, as the simulator holds it, so the pty outlives a close.
struct PtyPair {
    int master = -1;
    int slave = -1;
    std::string slaveName;

    explicit PtyPair(const RuntimeTree& tree, const char* device = "/dev/ttySAC1")
    {
        char name[128];
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            ADD_FAILURE() << "openpty failed";
            return;
        }
        slaveName = name;
        struct termios tio;
        tcgetattr(slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
        std::string link = tree.root() + device;
        unlink(link.c_str());
        if (symlink(name, link.c_str()) != 0)
            ADD_FAILURE() << "cannot link " << link;
    }
    ~PtyPair()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }

    void write(const std::vector<unsigned char>& bytes) const
    {
        if (!bytes.empty() && ::write(master, bytes.data(), bytes.size()) != (ssize_t)bytes.size())
            ADD_FAILURE() << "short write to the pty";
    }
    // Waits, bounded, until bytes written on the master side have reached the line's input,
    // where the link reads them: the pty passes them on from a kernel worker, not at once.
    bool arrived(int waitMs = 10000) const
    {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(slave, &set);
        struct timeval tv = { waitMs / 1000, (waitMs % 1000) * 1000 };
        return select(slave + 1, &set, nullptr, nullptr, &tv) > 0;
    }
    // Everything that arrives within waitMs of the last byte.
    std::vector<unsigned char> read(int waitMs = 200) const
    {
        std::vector<unsigned char> out;
        for (;;) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(master, &set);
            struct timeval tv = { waitMs / 1000, (waitMs % 1000) * 1000 };
            if (select(master + 1, &set, nullptr, nullptr, &tv) <= 0)
                return out;
            unsigned char buf[512];
            ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                return out;
            out.insert(out.end(), buf, buf + n);
        }
    }
};

// Busy for a while without giving up the processor: a sleeping far end on a loaded host may be
// woken far later than asked, which would turn a short gap inside a reply into a long one.
inline void spinUs(int us)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long end = now.tv_sec * 1000000LL + now.tv_nsec / 1000 + us;
    do
        clock_gettime(CLOCK_MONOTONIC, &now);
    while (now.tv_sec * 1000000LL + now.tv_nsec / 1000 < end);
}

// The textbook bitwise Modbus CRC, kept apart from the table-driven one under test; the
// low byte goes first on the wire.
inline unsigned modbusCrc(const unsigned char* p, size_t n)
{
    unsigned c = 0xFFFF;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int b = 0; b < 8; ++b)
            c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
    }
    return c;
}

inline std::vector<unsigned char> withCrc(std::vector<unsigned char> f, bool swapped = false)
{
    unsigned c = modbusCrc(f.data(), f.size());
    unsigned char lo = c & 0xFF, hi = c >> 8;
    f.push_back(swapped ? hi : lo);
    f.push_back(swapped ? lo : hi);
    return f;
}

#endif
