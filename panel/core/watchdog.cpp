#include "watchdog.h"
#include "syspath.h"

#include <fcntl.h>
#include <linux/watchdog.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

char Watchdog::device_name[128] = "/dev/watchdog";
int Watchdog::handle = -1;

Watchdog::Watchdog(const char* path)
{
    if (path && *path) {
        strncpy(device_name, path, sizeof device_name - 1);
        device_name[sizeof device_name - 1] = '\0';
    }
}

int Watchdog::open()
{
    if (handle >= 0) {
        ::close(handle);
        handle = -1;
    }
    // A host build never arms the machine's own watchdog: it would reboot this computer.
    if (!SysPath::deviceMayOpen()) {
        printf("Watchdog::open %s left closed on this host\n", device_name);
        return -1;
    }
    handle = ::open(SysPath::resolve(device_name).c_str(), O_WRONLY);
    if (handle > 0) {
        int timeout = 30;
        ioctl(handle, WDIOC_SETTIMEOUT, &timeout);
    }
    return handle;
}

int Watchdog::feed()
{
    if (handle < 0)
        return -1;
    int dummy = 0;
    return ioctl(handle, WDIOC_KEEPALIVE, &dummy);
}

int Watchdog::stop()
{
    if (handle < 0)
        return -1;
    ssize_t n = ::write(handle, "V", 1);
    ::close(handle);
    handle = -1;
    return n == 1 ? 0 : -1;
}

int Watchdog::settime(int seconds)
{
    if (handle < 0)
        return -1;
    return ioctl(handle, WDIOC_SETTIMEOUT, &seconds);
}
