#include "watchdog.h"
#include "hardwarebackend.h"

#include <fcntl.h>
#include <linux/watchdog.h>
#include <string.h>

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
    HardwareBackend* hw = HardwareBackend::instance();
    if (handle >= 0) {
        hw->close(handle);
        handle = -1;
    }
    handle = hw->open(device_name, O_WRONLY);
    if (handle > 0) {
        int timeout = 30;
        hw->ioctlPtr(handle, WDIOC_SETTIMEOUT, &timeout);
    }
    return handle;
}

int Watchdog::feed()
{
    if (handle < 0)
        return -1;
    int dummy = 0;
    return HardwareBackend::instance()->ioctlPtr(handle, WDIOC_KEEPALIVE, &dummy);
}

int Watchdog::stop()
{
    if (handle < 0)
        return -1;
    HardwareBackend* hw = HardwareBackend::instance();
    const ssize_t n = hw->write(handle, "V", 1);
    hw->close(handle);
    handle = -1;
    return n == 1 ? 0 : -1;
}

int Watchdog::settime(int seconds)
{
    if (handle < 0)
        return -1;
    return HardwareBackend::instance()->ioctlPtr(handle, WDIOC_SETTIMEOUT, &seconds);
}
