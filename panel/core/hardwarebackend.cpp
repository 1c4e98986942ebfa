#include "hardwarebackend.h"
#include "syspath.h"

#include <atomic>
#include <fcntl.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
HardwareBackend g_plain;
std::atomic<HardwareBackend*> g_backend(&g_plain);
}

HardwareBackend* HardwareBackend::instance()
{
    return g_backend;
}

void HardwareBackend::setInstance(HardwareBackend* backend)
{
    g_backend = backend ? backend : &g_plain;
}

int HardwareBackend::open(const char* path, int flags)
{
    if (!path || !*path)
        return -1;
    // A host build never opens the machine's own devices: opening its watchdog would arm a reboot.
    if (!SysPath::deviceMayOpen()) {
        printf("HardwareBackend::open %s left closed on this host\n", path);
        return -1;
    }
    const std::string resolved = SysPath::resolve(path);
#ifndef STATIONPANEL_BOARD
    struct stat st;
    if (stat(resolved.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))) {
        printf("HardwareBackend::open %s is a device node; left closed on this host\n", resolved.c_str());
        return -1;
    }
#endif
    return ::open(resolved.c_str(), flags);
}

int HardwareBackend::close(int fd)
{
    return ::close(fd);
}

ssize_t HardwareBackend::read(int fd, void* buf, size_t count)
{
    return ::read(fd, buf, count);
}

ssize_t HardwareBackend::write(int fd, const void* buf, size_t count)
{
    return ::write(fd, buf, count);
}

int HardwareBackend::ioctl(int fd, unsigned long request, unsigned long arg)
{
    return ::ioctl(fd, request, arg);
}

int HardwareBackend::ioctlPtr(int fd, unsigned long request, int* arg)
{
    return ::ioctl(fd, request, arg);
}
