#include "socketcanbackend.h"

#include <linux/can.h>
#include <linux/can/raw.h>
#include <net/if.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

static_assert(sizeof(struct can_frame) == 16, "the kernel's can_frame is our 16-byte image");

int SocketCanBackend::create()
{
    return ::socket(PF_CAN, SOCK_RAW | SOCK_CLOEXEC, CAN_RAW);
}

int SocketCanBackend::interfaceIndex(int fd, const char* ifname)
{
    struct ifreq ifr;
    memset(&ifr, 0, sizeof ifr);
    strncpy(ifr.ifr_name, ifname, IFNAMSIZ - 1);
    if (::ioctl(fd, SIOCGIFINDEX, &ifr) < 0)
        return -1;
    return ifr.ifr_ifindex;
}

int SocketCanBackend::bind(int fd, int ifindex)
{
    struct sockaddr_can addr;
    memset(&addr, 0, sizeof addr);
    addr.can_family = AF_CAN;
    addr.can_ifindex = ifindex;
    return ::bind(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr);
}

ssize_t SocketCanBackend::write(int fd, const void* frame, size_t len)
{
    return ::write(fd, frame, len);
}

ssize_t SocketCanBackend::read(int fd, void* frame, size_t len)
{
    return ::read(fd, frame, len);
}

int SocketCanBackend::close(int fd)
{
    return ::close(fd);
}

int SocketCanBackend::family() const
{
    return AF_CAN;
}
