#include "simcanport.h"

#include <algorithm>
#include <atomic>
#include <dirent.h>
#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
std::atomic<int> g_ports(0);

bool address(const std::string& path, struct sockaddr_un* a)
{
    memset(a, 0, sizeof *a);
    a->sun_family = AF_UNIX;
    if (path.size() >= sizeof a->sun_path)
        return false;
    memcpy(a->sun_path, path.c_str(), path.size() + 1);
    return true;
}
}

SimCanPort::SimCanPort() = default;

SimCanPort::~SimCanPort()
{
    close();
}

bool SimCanPort::open(const std::string& root, const std::string& ifname)
{
    close();
    mkdir((root + "/can").c_str(), 0755);
    dir_ = root + "/can/" + ifname;
    mkdir(dir_.c_str(), 0755);
    fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return false;
    char name[64];
    snprintf(name, sizeof name, "sim-%d-%d", int(getpid()), ++g_ports);
    name_ = name;
    struct sockaddr_un a;
    const std::string path = dir_ + "/" + name_;
    unlink(path.c_str());
    if (!address(path, &a) || bind(fd_, reinterpret_cast<struct sockaddr*>(&a), sizeof a) != 0) {
        fprintf(stderr, "SimCanPort: cannot bind %s: %s\n", path.c_str(), strerror(errno));
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    // A full peer blocks a send for at most this long: about as long as a kernel CAN socket's
    // buffer lasts on this bus, where a Unix socket queues only ten datagrams.
    struct timeval tv = { 2, 0 };
    setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    return true;
}

void SimCanPort::close()
{
    if (sender_.joinable()) {
        {
            std::lock_guard<std::mutex> g(postLock_);
            closing_ = true;
        }
        posted_.notify_all();
        sender_.join();
        closing_ = false;
        outbox_.clear();
    }
    if (fd_ < 0)
        return;
    {
        std::lock_guard<std::mutex> g(postLock_);
        ::close(fd_);
        fd_ = -1;
    }
    unlink((dir_ + "/" + name_).c_str());
    stalled_.clear();
    inbox_.clear();
}

std::vector<std::string> SimCanPort::peers() const
{
    std::vector<std::string> out;
    DIR* d = opendir(dir_.c_str());
    if (!d)
        return out;
    while (struct dirent* e = readdir(d))
        if (e->d_name[0] != '.' && name_ != e->d_name)
            out.push_back(dir_ + "/" + e->d_name);
    closedir(d);
    return out;
}

SimCanPort::Delivery SimCanPort::deliver(const std::string& peer, const void* bytes, size_t len, bool wait)
{
    struct sockaddr_un a;
    if (!address(peer, &a))
        return GONE;
    const struct sockaddr* to = reinterpret_cast<struct sockaddr*>(&a);
    // A peer that once read nothing for the whole wait loses frames at once until it has
    // room again, so that one stuck listener does not hold up the others.
    bool sent = sendto(fd_, bytes, len, MSG_DONTWAIT | MSG_NOSIGNAL, to, sizeof a) == ssize_t(len);
    int e = errno;
    if (!sent && e == EAGAIN && wait) {
        std::lock_guard<std::mutex> g(stallLock_);
        if (!stalled_.count(peer)) {
            sent = sendto(fd_, bytes, len, MSG_NOSIGNAL, to, sizeof a) == ssize_t(len);
            e = errno;
            if (!sent && e == EAGAIN)
                stalled_.insert(peer);
        }
    }
    if (sent) {
        std::lock_guard<std::mutex> g(stallLock_);
        stalled_.erase(peer);
        return SENT;
    }
    if (e == EAGAIN)
        return FULL;
    if (e == ECONNREFUSED) {
        {
            std::lock_guard<std::mutex> g(stallLock_);
            stalled_.erase(peer);
        }
        struct stat st;
        if (lstat(peer.c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
            unlink(peer.c_str());
    }
    return GONE;
}

bool SimCanPort::sendBytes(const void* bytes, size_t len)
{
    std::lock_guard<std::mutex> g(sendLock_);
    if (fd_ < 0)
        return false;
    bool any = false;
    for (const std::string& peer : peers())
        any = deliver(peer, bytes, len, true) == SENT || any;
    if (any)
        ++sent_;
    return any;
}

bool SimCanPort::send(const SimFrame& f)
{
    uint8_t bytes[SimFrame::WIRE_SIZE];
    f.pack(bytes);
    return sendBytes(bytes, sizeof bytes);
}

bool SimCanPort::sendBurst(const std::vector<SimFrame>& frames)
{
    bool all = true;
    std::vector<uint8_t> bytes;
    for (size_t at = 0; at < frames.size(); at += MAX_BURST) {
        const size_t n = std::min(frames.size() - at, size_t(MAX_BURST));
        bytes.assign(n * SimFrame::WIRE_SIZE, 0);
        for (size_t k = 0; k < n; ++k)
            frames[at + k].pack(bytes.data() + k * SimFrame::WIRE_SIZE);
        all = sendBytes(bytes.data(), bytes.size()) && all;
    }
    return all;
}

void SimCanPort::post(const SimFrame& f)
{
    uint8_t bytes[SimFrame::WIRE_SIZE];
    f.pack(bytes);
    bool queued = false;
    {
        std::lock_guard<std::mutex> g(postLock_);
        if (fd_ < 0 || closing_)
            return;
        // A peer with room gets it at once, as from a controller; only a full one is left to
        // the port's thread, and once anything waits there the rest queues behind it in order.
        for (const std::string& peer : peers()) {
            if (outbox_.empty() && deliver(peer, bytes, sizeof bytes, false) != FULL)
                continue;
            outbox_.push_back({ peer, f });
            queued = true;
        }
        if (queued && !sender_.joinable())
            sender_ = std::thread([this] { sendLoop(); });
    }
    ++sent_;
    if (queued)
        posted_.notify_one();
}

void SimCanPort::sendLoop()
{
    std::unique_lock<std::mutex> g(postLock_);
    while (true) {
        posted_.wait(g, [this] { return closing_ || !outbox_.empty(); });
        if (closing_)
            return;
        const Posted p = outbox_.front();
        g.unlock();
        uint8_t bytes[SimFrame::WIRE_SIZE];
        p.frame.pack(bytes);
        deliver(p.peer, bytes, sizeof bytes, true);
        g.lock();
        // Taken off only once sent, so that a post meanwhile still queues behind it.
        outbox_.pop_front();
    }
}

bool SimCanPort::waitReadable(int timeoutMs)
{
    if (fd_ < 0)
        return false;
    struct pollfd p = { fd_, POLLIN, 0 };
    return poll(&p, 1, timeoutMs) > 0;
}

bool SimCanPort::receive(SimFrame* f, int timeoutMs)
{
    if (fd_ < 0)
        return false;
    if (inbox_.empty()) {
        struct pollfd p = { fd_, POLLIN, 0 };
        if (poll(&p, 1, timeoutMs) <= 0)
            return false;
        uint8_t bytes[MAX_BURST * SimFrame::WIRE_SIZE];
        const ssize_t n = recv(fd_, bytes, sizeof bytes, MSG_DONTWAIT | MSG_TRUNC);
        if (n <= 0 || n % SimFrame::WIRE_SIZE != 0 || n > ssize_t(sizeof bytes))
            return false;
        for (ssize_t at = 0; at < n; at += SimFrame::WIRE_SIZE)
            inbox_.push_back(SimFrame::unpack(bytes + at));
    }
    *f = inbox_.front();
    inbox_.pop_front();
    return true;
}
