#include "modbusrtudevice.h"

#include "syspath.h"
#include "timeseam.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <math.h>
#include <stdio.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

namespace modbus {

namespace {

uint16_t crc16(const uint8_t* p, size_t n)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

void appendCrc(std::vector<uint8_t>* f)
{
    const uint16_t crc = crc16(f->data(), f->size());
    f->push_back(uint8_t(crc & 0xFF));
    f->push_back(uint8_t(crc >> 8));
}

uint16_t wordAt(const std::vector<uint8_t>& f, size_t at)
{
    return uint16_t((f[at] << 8) | f[at + 1]);
}

// The length a request of this function has once its fixed part is in; 0 for a function this
// slave does not know (its frame length is unknown, so the rest of the burst is dropped).
size_t requestLength(const std::vector<uint8_t>& buf)
{
    if (buf.size() < 2)
        return 0;
    switch (buf[1]) {
    case 3:
    case 4:
    case 6:
        return 8;
    case 16:
        return buf.size() < 7 ? 7 : size_t(9 + buf[6]);
    default:
        return 0;
    }
}

speed_t speedOf(int baud)
{
    return baud == 9600 ? B9600 : baud == 38400 ? B38400 : baud == 115200 ? B115200 : B19200;
}

} // namespace

ModbusrtuDevice::ModbusrtuDevice(DeviceData* ac, DeviceData* dc, DeviceData* sts, const char* port, int baud,
    int mode, int address, int reserved, int trace)
    : UpwardRegisterStore("ModbusrtuDevice", ac, dc, sts, trace)
    , port_(port ? port : "")
    , baud_(baud)
    , mode_(mode)
    , address_(address)
    , reserved_(reserved)
{
    for (auto& h : heardMs_)
        h = -1;
}

ModbusrtuDevice::~ModbusrtuDevice()
{
    close();
}

int ModbusrtuDevice::open()
{
    UpwardRegisterStore::open();
    if (fd_ >= 0 || port_.empty())
        return 0;
    if (!SysPath::deviceMayOpen()) {
        printf("ModbusrtuDevice::open %s left closed (no runtime root)\n", port_.c_str());
        return 0;
    }
    const std::string path = SysPath::resolve(port_);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        // The usual case on a development machine, where no upper system is wired.
        if (errno == ENOENT)
            printf("ModbusrtuDevice::open: no port %s, so no upper system reads this cabinet over "
                   "RS-485; everything else runs as usual\n", path.c_str());
        else
            printf("ModbusrtuDevice::open %s: %s; the upward RS-485 slave stays off\n", path.c_str(), strerror(errno));
        return 0;
    }
    struct termios t;
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, speedOf(baud_));
        cfsetospeed(&t, speedOf(baud_));
        t.c_cflag |= CLOCAL | CREAD;
        tcsetattr(fd, TCSANOW, &t);
    }
    fd_ = fd;
    stop_ = false;
    line_ = std::thread(&ModbusrtuDevice::lineLoop, this);
    return 0;
}

int ModbusrtuDevice::close()
{
    stop_ = true;
    if (line_.joinable())
        line_.join();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    return UpwardRegisterStore::close();
}

int ModbusrtuDevice::setting(int module, int index, float value, int broadcastFlag)
{
    const int r = UpwardRegisterStore::setting(module, index, value, broadcastFlag);
    // The re-arm of a unit's heartbeat: lost until the unit writes again. Without a line nothing
    // would ever clear it, so the point is then left to whoever writes it.
    if (r == 0 && fd_ >= 0 && module == 0 && index >= 9 && index < 9 + BATTERY_UNITS && value == 1.0f)
        store(3001 + index - 9, HEARTBEAT_LOST, 1.0f);
    return r;
}

int ModbusrtuDevice::slaveAddress()
{
    float a;
    return lookup(0, 1, &a) && a >= 1 && a <= 247 ? int(a) : address_;
}

void ModbusrtuDevice::batteryWrite(int unit, int reg, uint16_t word)
{
    const int module = 3001 + unit;
    // The points the slave keeps itself are not the battery's to write.
    if (reg == HEARTBEAT_LOST || reg == ONLINE)
        return;
    float old;
    const bool had = lookup(module, reg, &old);
    const float value = float(int16_t(word));
    store(module, reg, value);
    float type = 0;
    lookup(0, 505, &type);
    if ((type == 1.0f || type == 2.0f) && (!had || old != value)) {
        if (reg == BMSA_CHARGE_LIMIT)
            store(unit, 299, 1.0f);
        else if (reg == BMSA_DISCHARGE_LIMIT)
            store(unit, 399, 1.0f);
    }
}

std::vector<uint8_t> ModbusrtuDevice::request(const std::vector<uint8_t>& f)
{
    const size_t need = requestLength(f);
    if (need == 0 || f.size() != need || crc16(f.data(), need - 2) != uint16_t(f[need - 2] | (f[need - 1] << 8)))
        return {};
    const int node = f[0];
    const int fc = f[1];
    const int address = wordAt(f, 2);
    if (node != 0 && node != slaveAddress())
        return {};
    std::vector<uint8_t> reply = answer(fc, address, f);
    // A broadcast is never answered.
    if (node == 0)
        return {};
    reply.insert(reply.begin(), uint8_t(node));
    appendCrc(&reply);
    return reply;
}

// The reply's function code and data, or an exception.
std::vector<uint8_t> ModbusrtuDevice::answer(int fc, int address, const std::vector<uint8_t>& f)
{
    auto exception = [fc](int code) { return std::vector<uint8_t>{ uint8_t(fc | 0x80), uint8_t(code) }; };
    if (fc == 3 || fc == 4) {
        const int count = wordAt(f, 4);
        if (count < 1 || count > 125)
            return exception(3);
        if (address + count > BATTERY_BASE)
            return exception(2);
        std::vector<uint8_t> reply = { uint8_t(fc), uint8_t(count * 2) };
        for (int i = 0; i < count; ++i) {
            float v = 0;
            upperRead(0, address + i, &v);
            const long n = isfinite(v) ? long(v) : 0;
            reply.push_back(uint8_t((n >> 8) & 0xFF));
            reply.push_back(uint8_t(n & 0xFF));
        }
        return reply;
    }
    std::vector<uint16_t> words;
    if (fc == 6) {
        words.push_back(wordAt(f, 4));
    } else {
        const int count = wordAt(f, 4);
        if (count < 1 || count > 123 || f[6] != count * 2)
            return exception(3);
        for (int i = 0; i < count; ++i)
            words.push_back(wordAt(f, size_t(7 + 2 * i)));
    }
    const int last = address + int(words.size()) - 1;
    if (address >= BATTERY_BASE) {
        const int unit = (address - BATTERY_BASE) / BATTERY_STRIDE;
        // One write reaches one unit.
        if (unit >= BATTERY_UNITS || (last - BATTERY_BASE) / BATTERY_STRIDE != unit)
            return exception(2);
        for (size_t i = 0; i < words.size(); ++i)
            batteryWrite(unit, (address - BATTERY_BASE) % BATTERY_STRIDE + int(i), words[i]);
        store(3001 + unit, HEARTBEAT_LOST, 0.0f);
        store(3001 + unit, ONLINE, 1.0f);
        heardMs_[unit] = TimeSeam::monotonicMs();
    } else {
        if (last >= BATTERY_BASE)
            return exception(2);
        for (size_t i = 0; i < words.size(); ++i)
            upperWriteWord(0, address + int(i), words[i]);
    }
    return std::vector<uint8_t>(f.begin() + 1, f.begin() + 6);
}

void ModbusrtuDevice::lineLoop()
{
    std::vector<uint8_t> buf;
    while (!stop_) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd_, &set);
        // A request ends after a silence; 20 ms is far above 3.5 characters at 9600 baud.
        struct timeval tv = { 0, buf.empty() ? 100000 : 20000 };
        const int ready = select(fd_ + 1, &set, nullptr, nullptr, &tv);
        if (ready > 0) {
            uint8_t chunk[256];
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n > 0)
                buf.insert(buf.end(), chunk, chunk + n);
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                usleep(100000);   // the other side is not there (yet)
        } else {
            buf.clear();
        }
        // Whole requests at the front of the buffer are answered; a bad one is dropped whole.
        for (;;) {
            size_t need = requestLength(buf);
            if (buf.size() >= 2 && need == 0) {
                buf.clear();
                break;
            }
            if (need == 7 || buf.size() < need || buf.size() < 2)
                break;
            std::vector<uint8_t> frame(buf.begin(), buf.begin() + long(need));
            buf.erase(buf.begin(), buf.begin() + long(need));
            const std::vector<uint8_t> out = request(frame);
            if (!out.empty() && ::write(fd_, out.data(), out.size()) < 0 && trace())
                printf("ModbusrtuDevice: reply not written: %s\n", strerror(errno));
        }
        const int64_t now = TimeSeam::monotonicMs();
        for (int u = 0; u < BATTERY_UNITS; ++u) {
            const int64_t heard = heardMs_[u];
            if (heard >= 0 && now - heard > OFFLINE_AFTER_MS) {
                store(3001 + u, ONLINE, 0.0f);
                heardMs_[u] = -1;
            }
        }
    }
}

} // namespace modbus
