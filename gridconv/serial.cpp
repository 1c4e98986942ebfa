#include "serial.h"

#include "syspath.h"
#include "timeseam.h"

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

namespace cp {

namespace {

int realIoctl(int fd, unsigned long request, struct serial_struct* info)
{
    return ::ioctl(fd, request, info);
}

Serial::IoctlFn g_ioctl = realIoctl;
Serial::TcsetattrFn g_tcsetattr = ::tcsetattr;
Serial::ReadFn g_read = ::read;

void copyText(char* dst, const char* src)
{
    if (src && *src) {
        strncpy(dst, src, 127);
        dst[127] = '\0';
    }
}

// Cuts "baud,parity,data,stop" into four fields of at most 7 characters each; the last field
// ends at white space. Anything longer or shorter is refused rather than truncated.
bool splitSettings(const char* text, char fields[4][8])
{
    memset(fields, 0, 4 * 8);
    const char* p = text;
    for (int f = 0; f < 4; ++f) {
        int n = 0;
        while (*p && *p != ',' && !(f == 3 && isspace((unsigned char)*p))) {
            if (n >= 7)
                return false;
            fields[f][n++] = *p++;
        }
        if (n == 0)
            return false;
        if (f < 3) {
            if (*p != ',')
                return false;
            ++p;
        }
    }
    return true;
}

speed_t standardSpeed(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 115200: return B115200;
    default: return 0;
    }
}

}

void Serial::setIoctl(IoctlFn fn)
{
    g_ioctl = fn ? fn : realIoctl;
}

void Serial::setTcsetattr(TcsetattrFn fn)
{
    g_tcsetattr = fn ? fn : ::tcsetattr;
}

void Serial::setRead(ReadFn fn)
{
    g_read = fn ? fn : ::read;
}

Serial::Serial(const char* device, const char* settings, int timeoutMs, int delayMs)
    : m_timeout(timeoutMs), m_delay(delayMs < 1000 ? delayMs : 990), m_fd(-1), m_baudrate(1)
{
    memset(m_device, 0, sizeof m_device);
    memset(m_settings, 0, sizeof m_settings);
    copyText(m_device, device);
    copyText(m_settings, settings);
}

Serial::~Serial()
{
    close();
}

int Serial::openDevice()
{
    std::string path = SysPath::resolve(m_device);
    m_fd = ::open(path.c_str(), O_RDWR | O_EXCL | O_NOCTTY | O_NONBLOCK);
    return m_fd >= 0 ? 1 : 0;
}

int Serial::open()
{
    if (m_fd >= 0)
        return 1;
    if (!m_device[0] || !m_settings[0])
        return 0;
    if (!openDevice())
        return 0;
    if (!setInternal()) {
        ::close(m_fd);
        m_fd = -1;
        return 0;
    }
    return 1;
}

void Serial::close()
{
    if (m_fd < 0)
        return;
    // Give the last frame time to leave the transceiver before the line is dropped.
    TimeSeam::sleepMs(50);
    tcflush(m_fd, TCOFLUSH);
    char c;
    while (::read(m_fd, &c, 1) >= 1) {
    }
    tcflush(m_fd, TCIFLUSH);
    ::close(m_fd);
    m_fd = -1;
}

int Serial::change(const char* settings, int timeoutMs, int delayMs)
{
    if (!settings || !*settings || timeoutMs < 0 || delayMs < 0)
        return 0;
    m_timeout = timeoutMs;
    m_delay = delayMs > 999 ? 990 : delayMs;
    if (strcmp(settings, m_settings) == 0)
        return 1;
    memset(m_settings, 0, sizeof m_settings);
    copyText(m_settings, settings);
    return setInternal();
}

int Serial::setCustomDivisor(int baud)
{
    struct serial_struct info;
    memset(&info, 0, sizeof info);
    if (g_ioctl(m_fd, TIOCGSERIAL, &info) < 0) {
        printf("BAUD: error to get the serial_struct info:%s\n", strerror(errno));
        return 0;
    }
    info.flags = ASYNC_SPD_CUST;
    info.custom_divisor = info.baud_base / baud;
    // A port that reports no baud base would otherwise get a divisor of 0.
    if (info.custom_divisor < 1)
        info.custom_divisor = 1;
    if (g_ioctl(m_fd, TIOCSSERIAL, &info) < 0) {
        printf("BAUD: error to set serial_struct:%s\n", strerror(errno));
        return 0;
    }
    memset(&info, 0, sizeof info);
    g_ioctl(m_fd, TIOCGSERIAL, &info);
    printf("BAUD: success set baud to %d,custom_divisor=%d,baud_base=%d\n", baud, info.custom_divisor,
        info.baud_base);
    return 1;
}

int Serial::setInternal()
{
    if (m_fd < 0 && !openDevice())
        return 0;

    char f[4][8];
    if (!splitSettings(m_settings, f))
        return 0;
    m_baudrate = (int)strtol(f[0], nullptr, 10);
    char parity = (char)toupper((unsigned char)f[1][0]);
    int dataBits = (int)strtol(f[2], nullptr, 10);
    int stopBits = (int)strtol(f[3], nullptr, 10);
    if (m_baudrate < 1200 || dataBits < 5 || stopBits < 1)
        return 0;

    struct termios tio;
    if (tcgetattr(m_fd, &tio) != 0)
        return 0;

    speed_t speed = standardSpeed(m_baudrate);
    if (speed) {
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
    } else {
        cfsetispeed(&tio, B38400);
        cfsetospeed(&tio, B38400);
        tcflush(m_fd, TCIFLUSH);
        tcsetattr(m_fd, TCSANOW, &tio);
        // A port without custom divisors (a pty among them) would run at 38400, not at the rate
        // asked for: that is a failure, not an open line.
        if (!setCustomDivisor(m_baudrate))
            return 0;
    }

    switch (parity) {
    // Odd and even clear a stick-parity bit left from an earlier mark or space setting.
    case 'O':
        tio.c_cflag |= PARENB | PARODD;
        tio.c_cflag &= ~CMSPAR;
        break;
    case 'E':
        tio.c_cflag |= PARENB;
        tio.c_cflag &= ~(PARODD | CMSPAR);
        break;
    case 'M':
        tio.c_cflag |= CMSPAR | PARENB | PARODD;
        break;
    case 'S':
        tio.c_cflag |= CMSPAR | PARENB;
        tio.c_cflag &= ~PARODD;
        break;
    default:
        parity = 'N';
        tio.c_cflag &= ~PARENB;
        break;
    }
    tio.c_cflag &= ~CSIZE;
    switch (dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
    }
    if (stopBits == 2)
        tio.c_cflag |= CSTOPB;
    else
        tio.c_cflag &= ~CSTOPB;
    tio.c_cflag &= ~CRTSCTS;
    tio.c_cflag |= CLOCAL | CREAD;

    tio.c_iflag = parity == 'N' ? IGNPAR : (IGNPAR | INPCK);
    tio.c_oflag = 0;
    tio.c_lflag &= ~(ISIG | ICANON | ECHO | ECHOE);

    tcflush(m_fd, TCIOFLUSH);
    return g_tcsetattr(m_fd, TCSANOW, &tio) == 0 ? 1 : 0;
}

int Serial::waitReady(int ms, bool forWrite)
{
    if (m_fd < 0)
        return -1;
    if (ms < 1)
        return 0;
    int left = ms;
    for (;;) {
        int slice = left < 5000 ? left : 5000;
        left = left < 5000 ? 0 : left - 5000;
        struct timeval tv = { slice / 1000, (slice % 1000) * 1000 };
        fd_set set;
        int r;
        // A signal only cuts the wait short: Linux leaves the time not yet waited in tv, so the
        // wait goes on for the rest of it rather than ending a reply early.
        do {
            FD_ZERO(&set);
            FD_SET(m_fd, &set);
            r = forWrite ? select(m_fd + 1, nullptr, &set, nullptr, &tv)
                         : select(m_fd + 1, &set, nullptr, nullptr, &tv);
        } while (r < 0 && errno == EINTR);
        if (r < 0)
            return -1;
        if (r > 0)
            return FD_ISSET(m_fd, &set) ? 1 : -1;
        if (left <= 0)
            return 0;
    }
}

int Serial::waitReadable(int ms)
{
    return waitReady(ms, false);
}

int Serial::waitWritable(int ms)
{
    return waitReady(ms, true);
}

int Serial::recv(char* buf, int len)
{
    if (m_fd < 0 || !buf || len < 1)
        return -1;
    memset(buf, 0, len);
    if (m_timeout <= 0) {
        ssize_t n = g_read(m_fd, buf, len);
        if (n >= 0)
            return (int)n;
        return (errno == EINTR || errno == EAGAIN) ? 0 : -1;
    }
    int w = waitReadable(m_timeout);
    if (w == 0)
        return 0;
    if (w < 0)
        return -1;

    // The whole reply is bounded too: a full buffer at the line's rate, with slack, after the
    // first byte, so that a line that chatters without end cannot hold the polling thread.
    const int baud = m_baudrate > 0 ? m_baudrate : 1200;
    const int64_t deadline = TimeSeam::monotonicMs() + 100 + (int64_t)len * 10 * 1000 / baud;
    int got = 0;
    int credits = 3;
    while (got < len) {
        ssize_t n = g_read(m_fd, buf + got, len - got);
        if (n > 0) {
            got += (int)n;
            if (got >= len)
                break;
        } else if (n == 0) {
            // End of file on a tty: the far end hung up. The port must be closed and opened
            // again; reading on would only see the same end of file at once.
            printf("Serial::recv %s: line hung up\n", m_device);
            return -1;
        } else if (errno != EINTR && errno != EAGAIN) {
            printf("Serial::recv %s: %s\n", m_device, strerror(errno));
            return -1;
        } else if (--credits <= 0) {
            break;
        }
        if (TimeSeam::monotonicMs() >= deadline)
            break;
        // A reply ends at the first 20 ms gap.
        if (waitReadable(20) != 1)
            break;
    }
    return got;
}

int Serial::send(const char* buf, int len)
{
    if (m_fd < 0 || !buf || len < 1)
        return -1;
    if (m_timeout <= 0) {
        ssize_t n = ::write(m_fd, buf, len);
        if (n >= 0)
            return (int)n;
        return (errno == EINTR || errno == EAGAIN) ? 0 : -1;
    }
    // The port is non-blocking: a request goes straight into an empty transmit buffer, and the
    // thread waits for room only when the buffer is full (a wait before every request cost a
    // system call each).
    int sent = 0;
    while (sent < len) {
        ssize_t n = ::write(m_fd, buf + sent, len - sent);
        if (n > 0) {
            sent += (int)n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN)
            break;
        if (sent > 0) {
            if (waitWritable(50) != 1)
                break;
            continue;
        }
        int w = waitWritable(m_timeout);
        if (w == 0)
            return 0;
        if (w < 0)
            return -1;
    }
    return sent;
}

}
