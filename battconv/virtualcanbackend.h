#ifndef VIRTUALCANBACKEND_H
#define VIRTUALCANBACKEND_H

#include "canbackend.h"

#include <set>
#include <string>

// The virtual CAN bus of a development machine: one directory per interface name under
// <root>/can/, one Unix datagram socket per endpoint in it. A frame sent goes to every other
// endpoint of the directory, never back to the sender, as on SocketCAN by default. A peer
// that reads nothing for as long as a kernel socket's buffer would last loses frames, as a node
// that cannot keep up with a real bus does.
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

    // The bus directory of an interface under a root.
    static std::string busDirectory(const std::string& root, const char* ifname);
    // Interface names are short words; anything else would leave the bus directory.
    static bool validName(const char* ifname);

    const std::string& endpoint() const { return m_endpoint; }

private:
    bool sendTo(int fd, const std::string& peer, const void* frame, size_t len, bool* ownError);

    std::string m_root;
    std::string m_dir;
    std::string m_name;       // this endpoint's file name in the directory
    std::string m_endpoint;   // its whole path
    std::set<std::string> m_stalled;   // peers that lose frames until they have room again
};

#endif
