#include "canhandler.h"
#include "canbackend.h"
#include "shellrunner.h"
#include "timeseam.h"
#include "virtualcanbackend.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

namespace {
const unsigned char EXTENDED_BIT = 0x80;
const unsigned char ERROR_BIT = 0x20;
const unsigned char RTR_BIT = 0x40;
}

CanHandler::CanHandler(bool trace)
    : m_socket(-1), m_wake(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), m_family(0), m_ifindex(0), m_extended(1), m_nonblocking(0), m_trace(trace), m_backend(nullptr)
{
    for (int k = 0; k < REFUSED_KINDS; ++k) {
        m_refusedAt[k] = 0;
        m_refusedQuiet[k] = -1;
    }
}

void CanHandler::refused(int kind, const char* text)
{
    const int64_t now = TimeSeam::monotonicMs();
    if (m_refusedQuiet[kind] >= 0 && now - m_refusedAt[kind] < REFUSED_LOG_MS) {
        ++m_refusedQuiet[kind];
        return;
    }
    if (m_refusedQuiet[kind] > 0)
        printf("%s (%d more not shown)\n", text, m_refusedQuiet[kind]);
    else
        printf("%s\n", text);
    m_refusedAt[kind] = now;
    m_refusedQuiet[kind] = 0;
}

CanHandler::~CanHandler()
{
    close();
    delete m_backend;
    if (m_wake >= 0)
        ::close(m_wake);
}

void CanHandler::interrupt()
{
    const uint64_t one = 1;
    if (m_wake >= 0 && ::write(m_wake, &one, sizeof one) != ssize_t(sizeof one))
        printf("CanHandler::interrupt: %s\n", strerror(errno));
}

int CanHandler::open(const char* ifname, int bitrate, unsigned char extended, int nonblocking)
{
    if (m_socket >= 0)
        return 0;
    if (!ifname || (bitrate != 125000 && bitrate != 250000 && bitrate != 500000 && bitrate != 1000000))
        return -2;
    m_extended = extended ? 1 : 0;

    delete m_backend;
    m_backend = CanBackend::make();
    m_socket = m_backend->create();
    if (m_socket < 0) {
        printf("socket error\n");
        return -1;
    }
    // The name also goes into the link commands below, so only plain interface names pass.
    const int index = VirtualCanBackend::validName(ifname) ? m_backend->interfaceIndex(m_socket, ifname) : -1;
    if (index < 0) {
        printf("SIOCGIFINDEX error\n");
        return failOpen(-3);
    }
    if (m_backend->bind(m_socket, index) != 0) {
        printf("bind error\n");
        return failOpen(-4);
    }
    m_family = m_backend->family();
    m_ifindex = index;

    char cmd[128];
    snprintf(cmd, sizeof cmd, "ifconfig %s down", ifname);
    if (ShellRunner::run(cmd) != 0)
        return failOpen(-6);
    snprintf(cmd, sizeof cmd, "ip link set %s up type can bitrate %d", ifname, bitrate);
    if (ShellRunner::run(cmd) != 0)
        return failOpen(-7);
    snprintf(cmd, sizeof cmd, "ifconfig %s up", ifname);
    if (ShellRunner::run(cmd) != 0)
        return failOpen(-8);

    m_nonblocking = nonblocking;
    if (m_nonblocking > 0) {
        const int flags = fcntl(m_socket, F_GETFL);
        if (flags >= 0)
            fcntl(m_socket, F_SETFL, flags | O_NONBLOCK);
    }
    return 0;
}

// A half-opened socket is not kept: a later open would otherwise report success on a link
// that never came up.
int CanHandler::failOpen(int code)
{
    close();
    return code;
}

int CanHandler::close()
{
    if (m_socket < 0)
        return m_socket;
    const int r = m_backend->close(m_socket);
    m_socket = -1;
    return r;
}

void CanHandler::trace(const char* direction, const CanFrame* f)
{
    const int64_t ms = TimeSeam::wallMs();
    const time_t secs = time_t(ms / 1000);
    struct tm t;
    memset(&t, 0, sizeof t);
    localtime_r(&secs, &t);
    char line[256];
    int n = snprintf(line, sizeof line, "%02d:%02d:%02d.%03ld  %s:  ", t.tm_hour, t.tm_min, t.tm_sec,
        long(ms % 1000), direction);
    n += snprintf(line + n, sizeof line - n, "ff=%02X rtr=%02X err=%02X p=%02X dp=%02X edp=%02X pf=%02X da=%02X sa=%02X ",
        f->ff, f->rtr, f->err, f->p, f->dp, f->edp, f->pf, f->da, f->sa);
    for (int i = 0; i < f->dlc && i < 8; ++i)
        n += snprintf(line + n, sizeof line - n, "[%d]=%02X ", i, f->data[i]);
    printf("%s\n", line);
}

int CanHandler::send(const CanFrame* frame)
{
    if (m_socket < 0)
        return -1;
    if (!frame)
        return -2;
    unsigned char out[FRAME_SIZE];
    memcpy(out, frame, FRAME_SIZE);
    out[3] = (out[3] & ~EXTENDED_BIT) | (m_extended ? EXTENDED_BIT : 0);
    const ssize_t n = m_backend->write(m_socket, out, FRAME_SIZE);
    if (n != FRAME_SIZE) {
        if (n >= 0 || errno == EINTR || errno == EAGAIN)
            return -4;
        return -3;
    }
    if (m_trace)
        trace("Tx", frame);
    return FRAME_SIZE;
}

int CanHandler::recv(CanFrame* frame)
{
    if (m_socket < 0)
        return -1;
    if (!frame)
        return -2;
    memset(frame, 0, sizeof *frame);
    unsigned char in[FRAME_SIZE];
    const ssize_t n = m_backend->read(m_socket, in, FRAME_SIZE);
    if (n != FRAME_SIZE) {
        if (n >= 0 || errno == EINTR || errno == EAGAIN)
            return -4;
        return -3;
    }
    memcpy(frame, in, FRAME_SIZE);
    if (m_trace)
        trace("Rx", frame);
    const unsigned char extended = (in[3] & EXTENDED_BIT) ? 1 : 0;
    if (extended != m_extended || (in[3] & RTR_BIT)) {
        refused(NOT_SUPPORTED, "ERROR_NOTSUPPORT");
        return -8;
    }
    if (in[3] & ERROR_BIT) {
        refused(ERROR_FRAME, "ERROR_FRAME");
        return -5;
    }
    return FRAME_SIZE;
}

int CanHandler::wait(int ms, bool forWrite)
{
    if (m_socket < 0)
        return -1;
    if (ms <= 0)
        return -6;
    if (!forWrite && m_backend->pending() > 0)
        return 0;
    const bool wakeable = !forWrite && m_wake >= 0;
    int left = ms;
    while (left > 0) {
        const int slice = left > SLICE_MS ? SLICE_MS : left;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(m_socket, &set);
        if (wakeable)
            FD_SET(m_wake, &set);
        const int top = wakeable && m_wake > m_socket ? m_wake : m_socket;
        struct timeval tv = { slice / 1000, (slice % 1000) * 1000 };
        const int r = select(top + 1, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, &tv);
        if (r < 0)
            return -3;
        if (r > 0 && FD_ISSET(m_socket, &set))
            return 0;
        if (r > 0 && wakeable && FD_ISSET(m_wake, &set)) {
            uint64_t count;
            if (::read(m_wake, &count, sizeof count) < 0 && errno != EAGAIN)
                return -3;
            return -6;
        }
        if (r > 0)
            return -3;
        left -= slice;
    }
    return -6;
}

int CanHandler::waitReadable(int ms)
{
    return wait(ms, false);
}

int CanHandler::waitWritable(int ms)
{
    return wait(ms, true);
}

double CanHandler::getCurrentTimeMillis()
{
    return double(TimeSeam::wallMs());
}

int CanHandler::sleep(int ms)
{
    for (int left = ms; left > 0; left -= SLICE_MS)
        TimeSeam::sleepMs(left > SLICE_MS ? SLICE_MS : left);
    return 0;
}
