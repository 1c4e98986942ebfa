#ifndef SOCKETCANBACKEND_H
#define SOCKETCANBACKEND_H

#include "canbackend.h"

// A raw SocketCAN socket: what the board uses.
class SocketCanBackend : public CanBackend {
public:
    int create() override;
    int interfaceIndex(int fd, const char* ifname) override;
    int bind(int fd, int ifindex) override;
    ssize_t write(int fd, const void* frame, size_t len) override;
    ssize_t read(int fd, void* frame, size_t len) override;
    int close(int fd) override;
    int family() const override;
};

#endif
