// Any bytes as what the RS-485 line delivers after a request: the serial link's receive loop
// gathers the reply from a pty (split where the input says, the far end hanging up when byte 0
// asks for it) and the frame reader checks it against the request. The loop must end, never
// deliver more than it was given, and never read past its buffer.
#include "fuzzdir.h"
#include "modbusframe.h"
#include "serial.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const std::string& root = fuzzTree();
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        abort();
    struct termios raw;
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    char name[128];
    if (ttyname_r(slave, name, sizeof name) != 0)
        abort();
    const std::string link = root + "/dev/ttySAC1";
    mkdir((root + "/dev").c_str(), 0755);
    unlink(link.c_str());
    if (symlink(name, link.c_str()) != 0)
        abort();

    const bool hangUp = data[0] & 1;
    static const int codes[] = { 1, 2, 3, 4, 5, 6, 16, 15 };
    const int node = data[1];
    const int fun = codes[data[2] % 8];
    data += 3;
    size -= 3;
    // A reply larger than the line's buffer is not what a module sends.
    if (size > 1024)
        size = 1024;

    cp::Serial s("/dev/ttySAC1", "115200,n,8,1", 50, 0);
    if (s.open() != 1)
        abort();
    if (size > 0 && write(master, data, size) != ssize_t(size))
        abort();
    if (hangUp) {
        close(master);
        master = -1;
    }
    char rx[4096];
    const int got = s.recv(rx, sizeof rx);
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
    s.close();
    if (master >= 0)
        close(master);
    close(slave);
    return 0;
}
