#ifndef VIRTUALCANBACKEND_H
#define VIRTUALCANBACKEND_H

#include "canbackend.h"

#include <array>
#include <atomic>
#include <deque>
#include <set>
#include <string>

// The virtual CAN bus of a development machine: one directory per interface name under
// <root>/can/, one Unix datagram socket per endpoint in it. A frame sent goes to every other
// endpoint of the directory, never back to the sender, as on SocketCAN by default. A peer
// that reads nothing for as long as a kernel socket's buffer would last loses frames, as a node
// that cannot keep up with a real bus does.
//
// A datagram carries one frame or a burst of them back to back (a whole number of frames, at
// most MAX_BURST). A Unix socket queues only ten datagrams where a kernel CAN socket holds a few
// hundred frames, so a reader moves whatever its socket holds into a queue of its own of about
// that size; without both, a burst of frames would trickle in ten at a time and wake the reader
// far more often than a real bus does.
class VirtualCanBackend : public CanBackend {
public:
    explicit VirtualCanBackend(const std::string& root);
    ~VirtualCanBackend() override;

    int create() override;
    int interfaceIndex(int fd, const char* ifname) override;
    int bind(int fd, int ifindex) override;
    ssize_t write(int fd, const void* frame, size_t len) override;
    ssize_t read(int fd, void* frame, size_t len) override;
    int close(int fd) override;
    int family() const override;
    int pending() const override;

    // The bus directory of an interface under a root.
    static std::string busDirectory(const std::string& root, const char* ifname);
    // Interface names are short words; anything else would leave the bus directory.
    static bool validName(const char* ifname);
    // Removes the endpoints that process pid bound on every bus under root: what a process that
    // is stopped by a signal, and so closes nothing, would leave behind.
    static void removeEndpointsOf(const std::string& root, int pid);

    enum { FRAME_BYTES = 16, MAX_BURST = 256, QUEUE_FRAMES = 4 * MAX_BURST };

    const std::string& endpoint() const { return m_endpoint; }

private:
    bool sendTo(int fd, const std::string& peer, const void* frame, size_t len, bool* ownError);
    // Takes one datagram off the socket: its length, as recv(2); its frames join the queue.
    ssize_t take(int fd, int flags);

    std::string m_root;
    std::string m_dir;
    std::string m_name;       // this endpoint's file name in the directory
    std::string m_endpoint;   // its whole path
    std::set<std::string> m_stalled;   // peers that lose frames until they have room again
    std::deque<std::array<unsigned char, FRAME_BYTES>> m_queue;   // frames read, not yet taken
    // Its length for pending(), which the receive thread asks while another thread reads.
    std::atomic<int> m_queued{ 0 };
};

#endif
