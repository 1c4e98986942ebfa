#include "virtualcanbackend.h"

#include <atomic>
#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
std::atomic<int> g_endpoints(0);

// A Unix socket queues ten datagrams where a kernel CAN socket holds a few hundred frames,
// seconds of this bus's traffic. So a full peer is waited for that long before it loses the
// frame, in real time even under a test's stepped clock: how fast it drains depends on this
// host's scheduler, not on the cabinet's time.
const int FULL_WAIT_MS = 2000;

bool makeDir(const std::string& dir)
{
    return ::mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST;
}

bool fillAddress(const std::string& path, struct sockaddr_un* addr)
{
    memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    if (path.size() >= sizeof addr->sun_path)
        return false;
    memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}
}

VirtualCanBackend::VirtualCanBackend(const std::string& root)
    : m_root(root)
{
}

VirtualCanBackend::~VirtualCanBackend()
{
    if (!m_endpoint.empty())
        ::unlink(m_endpoint.c_str());
}

bool VirtualCanBackend::validName(const char* ifname)
{
    if (!ifname || !*ifname || ifname[0] == '.' || strlen(ifname) > 15)
        return false;
    for (const char* c = ifname; *c; ++c) {
        const bool ok = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9')
            || *c == '_' || *c == '-' || *c == '.';
        if (!ok)
            return false;
    }
    return true;
}

std::string VirtualCanBackend::busDirectory(const std::string& root, const char* ifname)
{
    return root + "/can/" + ifname;
}

void VirtualCanBackend::removeEndpointsOf(const std::string& root, int pid)
{
    if (root.empty())
        return;
    char prefix[32];
    const int n = snprintf(prefix, sizeof prefix, "ep-%d-", pid);
    const std::string top = root + "/can";
    DIR* buses = ::opendir(top.c_str());
    if (!buses)
        return;
    while (struct dirent* bus = ::readdir(buses)) {
        if (bus->d_name[0] == '.')
            continue;
        const std::string dir = top + "/" + bus->d_name;
        DIR* d = ::opendir(dir.c_str());
        if (!d)
            continue;
        while (struct dirent* e = ::readdir(d)) {
            if (strncmp(e->d_name, prefix, size_t(n)) != 0)
                continue;
            const std::string path = dir + "/" + e->d_name;
            struct stat st;
            if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
                ::unlink(path.c_str());
        }
        ::closedir(d);
    }
    ::closedir(buses);
}

int VirtualCanBackend::create()
{
    return ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

int VirtualCanBackend::interfaceIndex(int, const char* ifname)
{
    if (!validName(ifname) || m_root.empty())
        return -1;
    // The interface exists as soon as someone opens it.
    if (!makeDir(m_root + "/can") || !makeDir(busDirectory(m_root, ifname)))
        return -1;
    m_dir = busDirectory(m_root, ifname);
    return 1;
}

int VirtualCanBackend::bind(int fd, int)
{
    if (m_dir.empty()) {
        errno = ENODEV;
        return -1;
    }
    char name[64];
    snprintf(name, sizeof name, "ep-%d-%d", int(getpid()), ++g_endpoints);
    const std::string path = m_dir + "/" + name;
    struct sockaddr_un addr;
    if (!fillAddress(path, &addr)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) != 0)
        return -1;
    m_name = name;
    m_endpoint = path;
    return 0;
}

bool VirtualCanBackend::sendTo(int fd, const std::string& peer, const void* frame, size_t len, bool* ownError)
{
    struct sockaddr_un addr;
    if (!fillAddress(peer, &addr))
        return false;
    const struct sockaddr* to = reinterpret_cast<struct sockaddr*>(&addr);
    if (::sendto(fd, frame, len, MSG_DONTWAIT | MSG_NOSIGNAL, to, sizeof addr) == ssize_t(len)) {
        m_stalled.erase(peer);
        return true;
    }
    int e = errno;
    if (e == EAGAIN && !m_stalled.count(peer)) {
        // Our own socket may be non-blocking, so the wait is a blocking send from a spare one.
        const int spare = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (spare >= 0) {
            struct timeval tv = { FULL_WAIT_MS / 1000, (FULL_WAIT_MS % 1000) * 1000 };
            ::setsockopt(spare, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
            const bool sent = ::sendto(spare, frame, len, MSG_NOSIGNAL, to, sizeof addr) == ssize_t(len);
            e = errno;
            ::close(spare);
            if (sent)
                return true;
        }
        // A peer that read nothing for that long loses frames at once until it has room again,
        // so that one stuck listener does not slow the whole bus.
        if (e == EAGAIN)
            m_stalled.insert(peer);
    }
    if (e == ECONNREFUSED) {
        // Nobody listens on it any more: an endpoint of a process that ended.
        m_stalled.erase(peer);
        struct stat st;
        if (::lstat(peer.c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
            ::unlink(peer.c_str());
    }
    if (e == EBADF || e == ENOTSOCK || e == EINTR) {
        *ownError = true;
        errno = e;
    }
    return false;
}

ssize_t VirtualCanBackend::write(int fd, const void* frame, size_t len)
{
    DIR* d = ::opendir(m_dir.c_str());
    if (!d) {
        errno = ENODEV;
        return -1;
    }
    bool ownError = false;
    while (struct dirent* e = ::readdir(d)) {
        if (e->d_name[0] == '.' || m_name == e->d_name)
            continue;
        sendTo(fd, m_dir + "/" + e->d_name, frame, len, &ownError);
        if (ownError)
            break;
    }
    const int saved = errno;
    ::closedir(d);
    if (ownError) {
        errno = saved;
        return -1;
    }
    // On a bus a frame with no listener is still sent.
    return ssize_t(len);
}

ssize_t VirtualCanBackend::take(int fd, int flags)
{
    unsigned char in[MAX_BURST * FRAME_BYTES];
    // MSG_TRUNC gives a foreign datagram's real length, so that it counts as no frame.
    const ssize_t n = ::recv(fd, in, sizeof in, flags | MSG_TRUNC);
    if (n > 0 && n % FRAME_BYTES == 0 && n <= ssize_t(sizeof in)) {
        for (ssize_t at = 0; at < n; at += FRAME_BYTES) {
            m_queue.emplace_back();
            memcpy(m_queue.back().data(), in + at, FRAME_BYTES);
            m_queued.store(int(m_queue.size()), std::memory_order_relaxed);
        }
    }
    return n;
}

ssize_t VirtualCanBackend::read(int fd, void* frame, size_t len)
{
    if (m_queue.empty()) {
        const ssize_t n = take(fd, 0);
        if (m_queue.empty())
            return n;
        // The rest of what waits is taken now, so that a sender is not held up by our socket.
        while (m_queue.size() + MAX_BURST <= QUEUE_FRAMES && take(fd, MSG_DONTWAIT) >= 0) {
        }
    }
    memcpy(frame, m_queue.front().data(), len < FRAME_BYTES ? len : size_t(FRAME_BYTES));
    m_queue.pop_front();
    m_queued.store(int(m_queue.size()), std::memory_order_relaxed);
    return FRAME_BYTES;
}

int VirtualCanBackend::pending() const
{
    return m_queued.load(std::memory_order_relaxed);
}

int VirtualCanBackend::close(int fd)
{
    const int r = ::close(fd);
    if (!m_endpoint.empty())
        ::unlink(m_endpoint.c_str());
    m_endpoint.clear();
    m_name.clear();
    m_stalled.clear();
    m_queue.clear();
    m_queued.store(0, std::memory_order_relaxed);
    return r;
}

int VirtualCanBackend::family() const
{
    return AF_UNIX;
}
