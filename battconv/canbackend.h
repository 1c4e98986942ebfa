#ifndef CANBACKEND_H
#define CANBACKEND_H

#include <stddef.h>
#include <sys/types.h>

// The few socket calls that differ between the kernel's CAN sockets and the virtual bus that
// stands in for them on a development machine. CanHandler keeps the rules (codes, flags,
// tracing) and asks a backend only to move bytes.
class CanBackend {
public:
    virtual ~CanBackend() {}
    // A new socket handle, or -1 with errno.
    virtual int create() = 0;
    // The interface's index (positive), or -1 when there is no such interface.
    virtual int interfaceIndex(int fd, const char* ifname) = 0;
    // 0, or -1 with errno.
    virtual int bind(int fd, int ifindex) = 0;
    // As write(2) and read(2) for one 16-byte frame.
    virtual ssize_t write(int fd, const void* frame, size_t len) = 0;
    virtual ssize_t read(int fd, void* frame, size_t len) = 0;
    // As close(2).
    virtual int close(int fd) = 0;
    // The address family the socket is bound with.
    virtual int family() const = 0;
    // Frames the backend has already taken off the socket and holds for read(): a wait for
    // input must not block while there are any.
    virtual int pending() const { return 0; }

    // The virtual bus whenever STATIONPANEL_ROOT is set, otherwise the kernel's CAN sockets.
    static CanBackend* make();
};

#endif
