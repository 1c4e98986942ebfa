// Any bytes as what the RS-485 line delivers after a request: the serial link's receive loop
// gathers the reply from a pty (the far end hanging up after it when byte 0 asks for it) and
// the frame reader checks it against the request. The loop must end, never deliver more than
// it was given, and never read past its buffer.
//
// The line is silent once the reply has arrived, so the loop's wait for the 20 ms gap that ends
// a reply would only pass time: this program's select() (the link's calls to it are routed here
// at link time) answers "nothing came" at once when the pty holds no byte and the far end is
// still there, and waits as the kernel does otherwise. The pty and the port stay open from one
// input to the next; a hang-up costs a new pair.
#include "fuzzdir.h"
#include "modbusframe.h"
#include "serial.h"
#include "timeseam.h"

#include <fcntl.h>
#include <pty.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

extern "C" int __real_select(int n, fd_set* r, fd_set* w, fd_set* e, struct timeval* tv);

namespace {
int g_master = -1;
int g_slave = -1;
cp::Serial* g_port = nullptr;

int pending(int fd)
{
    int n = 0;
    return ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}

// A fresh pty behind root/dev/ttySAC1 and the port opened on it.
void connect()
{
    const std::string& root = fuzzTree();
    if (openpty(&g_master, &g_slave, nullptr, nullptr, nullptr) != 0)
        abort();
    struct termios raw;
    tcgetattr(g_slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(g_slave, TCSANOW, &raw);
    char name[128];
    if (ttyname_r(g_slave, name, sizeof name) != 0)
        abort();
    const std::string link = root + "/dev/ttySAC1";
    mkdir((root + "/dev").c_str(), 0755);
    unlink(link.c_str());
    if (symlink(name, link.c_str()) != 0)
        abort();
    g_port = new cp::Serial("/dev/ttySAC1", "115200,n,8,1", 50, 0);
    if (g_port->open() != 1)
        abort();
}

void disconnect()
{
    delete g_port;   // closes the port
    g_port = nullptr;
    if (g_master >= 0)
        close(g_master);
    close(g_slave);
    g_master = g_slave = -1;
}
}

extern "C" int __wrap_select(int n, fd_set* r, fd_set* w, fd_set* e, struct timeval* tv)
{
    if (r && !w && !e && g_port && g_master >= 0) {
        bool quiet = true;
        for (int fd = 0; fd < n; ++fd)
            if (FD_ISSET(fd, r) && pending(fd) != 0)
                quiet = false;
        if (quiet) {
            FD_ZERO(r);
            return 0;
        }
    }
    return __real_select(n, r, w, e, tv);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    // The port's close waits for the last frame to leave: no time to lose here.
    TimeSeam::useFakeClock(true);
    if (!g_port)
        connect();

    const bool hangUp = data[0] & 1;
    static const int codes[] = { 1, 2, 3, 4, 5, 6, 16, 15 };
    const int node = data[1];
    const int fun = codes[data[2] % 8];
    data += 3;
    size -= 3;
    // A reply larger than the line's buffer is not what a module sends.
    if (size > 1024)
        size = 1024;

    if (size > 0 && write(g_master, data, size) != ssize_t(size))
        abort();
    // The pty passes the bytes on in the background: the whole reply is there before the
    // receive loop starts, as the far end has finished sending.
    for (int k = 0; k < 1000000 && pending(g_slave) < int(size); ++k)
        sched_yield();
    if (hangUp) {
        close(g_master);
        g_master = -1;
    }
    char rx[4096];
    const int got = g_port->recv(rx, sizeof rx);
    if (got > int(size))
        abort();
    if (got > 0) {
        cp::ModbusFrame f(true);
        f.setNode(node);
        f.setFun(fun, true);
        f.setNr(8);
        f.setCrc(1);
        if (f.parse(reinterpret_cast<const unsigned char*>(rx), got) == 0 && f.getLength() > got)
            abort();
    }
    // Whatever the loop left unread would be the start of the next input's reply.
    if (hangUp || pending(g_slave) != 0)
        disconnect();
    return 0;
}
