#include "rtuline.h"
#include "simcrc.h"
#include "simpty.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

namespace {
bool waitReadable(int fd, long us)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    struct timeval tv = { us / 1000000, us % 1000000 };
    return select(fd + 1, &set, nullptr, nullptr, &tv) > 0;
}

int baudOf(speed_t s)
{
    static const struct {
        speed_t code;
        int baud;
    } speeds[] = { { B1200, 1200 }, { B2400, 2400 }, { B4800, 4800 }, { B9600, 9600 }, { B19200, 19200 },
        { B38400, 38400 }, { B57600, 57600 }, { B115200, 115200 } };
    for (const auto& k : speeds)
        if (k.code == s)
            return k.baud;
    return 0;
}
}

long RtuLine::silenceUs(int baud, int charBits)
{
    // 3.5 characters (10 bits for the cabinet's 8N1: start, 8 data, stop); above 19200 baud a
    // fixed 1.75 ms, as slaves on fast lines keep.
    if (baud <= 0)
        baud = 19200;
    if (charBits <= 0)
        charBits = 10;
    return baud > 19200 ? 1750 : long(3.5 * charBits * 1000000.0 / baud + 0.5);
}

int RtuLine::lineBaud()
{
    const int paced = baud_;
    if (paced > 0)
        return paced;
    // Unpaced, the rate the panel set on its side of the pty.
    struct termios t;
    if (slave_ >= 0 && tcgetattr(slave_, &t) == 0)
        return baudOf(cfgetospeed(&t));
    return 0;
}

RtuLine::RtuLine() {}

RtuLine::~RtuLine()
{
    stop();
    simpty::close(&master_, &slave_, &link_);
}

bool RtuLine::open(const std::string& linkPath)
{
    if (!simpty::open("RtuLine::open", linkPath, false, &master_, &slave_, &ptyPath_))
        return false;
    link_ = linkPath;
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
    if (!waitReadable(master_, long(timeoutMs) * 1000))
        return false;
    // A request ends after 3.5 characters of silence, as a real slave cuts it.
    const long gap = silenceUs(lineBaud(), baud_ > 0 ? charBits_.load() : 10);
    uint8_t buf[512];
    for (;;) {
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0)
            frame->insert(frame->end(), buf, buf + n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return !frame->empty();
        if (frame->size() > 1024 || !waitReadable(master_, gap))
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
        usleep(useconds_t(out.size() * charBits_ * 1000000LL / baud));
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
        usleep(useconds_t(frame.size() * charBits_ * 1000000LL / baud));
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
    simpty::close(&master_, &slave_, &link_);
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
