#include "rtuline.h"
#include "simcrc.h"

#include <errno.h>
#include <fcntl.h>
#include <pty.h>
#include <stdio.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

namespace {
// Silence that ends a request: a few character times at 19200 baud and slack for the scheduler.
const int kGapMs = 4;

bool waitReadable(int fd, int ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    struct timeval tv = { ms / 1000, (ms % 1000) * 1000 };
    return select(fd + 1, &set, nullptr, nullptr, &tv) > 0;
}
}

RtuLine::RtuLine() {}

RtuLine::~RtuLine()
{
    stop();
    if (!link_.empty())
        unlink(link_.c_str());
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
}

bool RtuLine::open(const std::string& linkPath)
{
    char name[128];
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        perror("RtuLine::open openpty");
        return false;
    }
    // Raw on both sides: the panel sets its own side again when it opens the port.
    struct termios t;
    if (tcgetattr(slave_, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
    }
    ptyPath_ = name;
    if (!linkPath.empty()) {
        unlink(linkPath.c_str());
        if (symlink(name, linkPath.c_str()) != 0) {
            perror("RtuLine::open symlink");
            return false;
        }
        link_ = linkPath;
    }
    return true;
}

void RtuLine::attach(int node, RtuSlave* slave)
{
    std::lock_guard<std::mutex> lock(mutex_);
    slaves_[node] = slave;
}

void RtuLine::setFaults(int node, const Faults& f)
{
    std::lock_guard<std::mutex> lock(mutex_);
    faults_[node] = f;
}

RtuLine::Faults RtuLine::faults(int node)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return faults_[node];
}

bool RtuLine::readFrame(std::vector<uint8_t>* frame, int timeoutMs)
{
    frame->clear();
    if (master_ < 0) {
        usleep(useconds_t(timeoutMs) * 1000);
        return false;
    }
    if (!waitReadable(master_, timeoutMs))
        return false;
    uint8_t buf[512];
    for (;;) {
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0)
            frame->insert(frame->end(), buf, buf + n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return !frame->empty();
        if (frame->size() > 1024 || !waitReadable(master_, kGapMs))
            return true;
    }
}

void RtuLine::reply(int node, const std::vector<uint8_t>& body, const Faults& f)
{
    std::vector<uint8_t> out;
    out.push_back(uint8_t(node));
    out.insert(out.end(), body.begin(), body.end());
    uint16_t crc = simCrc16(out.data(), out.size());
    if (f.badCrc)
        crc ^= 0x5A5A;
    out.push_back(uint8_t(crc & 0xFF));
    out.push_back(uint8_t(crc >> 8));
    if (f.delayMs > 0)
        usleep(useconds_t(f.delayMs) * 1000);
    const int baud = baud_;
    if (baud > 0)
        usleep(useconds_t(out.size() * 10 * 1000000LL / baud));
    if (::write(master_, out.data(), out.size()) != ssize_t(out.size()))
        perror("RtuLine::reply write");
}

bool RtuLine::serveOne(int timeoutMs)
{
    std::vector<uint8_t> frame;
    if (!readFrame(&frame, timeoutMs))
        return false;
    if (frame.size() < 4)
        return true;
    // The pty hands the request over at once; on the wire it would still be arriving.
    const int baud = baud_;
    if (baud > 0)
        usleep(useconds_t(frame.size() * 10 * 1000000LL / baud));
    const uint16_t crc = uint16_t(frame[frame.size() - 2] | (frame[frame.size() - 1] << 8));
    if (simCrc16(frame.data(), frame.size() - 2) != crc)
        return true;   // a real slave ignores a damaged request
    ++requests_;
    const int node = frame[0];
    RtuSlave* slave = nullptr;
    Faults f;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = slaves_.find(node);
        if (it != slaves_.end())
            slave = it->second;
        f = faults_[node];
    }
    if (f.hangUp) {
        hangUp();
        return true;
    }
    if (!slave || f.silent || node == 0)
        return true;
    std::vector<uint8_t> request(frame.begin() + 1, frame.end() - 2);
    std::vector<uint8_t> body;
    int r = slave->handle(request, &body);
    if (f.exception)
        r = f.exception;
    if (r < 0)
        return true;
    if (r > 0)
        body = { uint8_t(request[0] | 0x80), uint8_t(r) };
    reply(node, body, f);
    return true;
}

void RtuLine::hangUp()
{
    if (!link_.empty())
        unlink(link_.c_str());
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
}

void RtuLine::start()
{
    running_ = true;
    thread_ = std::thread([this] {
        while (running_)
            serveOne(100);
    });
}

void RtuLine::stop()
{
    running_ = false;
    if (thread_.joinable())
        thread_.join();
}
