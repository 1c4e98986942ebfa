#include "energythread.h"
#include "monitorset.h"
#include "pvreply.h"
#include "saturate.h"
#include "timeseam.h"

#include <arpa/inet.h>
#include <errno.h>
#include <math.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/select.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

// The PV inverter link: Modbus TCP requests of 12 bytes, answers matched by the first byte of
// their transaction identifier.

namespace {
enum { GATE_MS = 30000, RETRY_MS = 3000, READ_PERIOD_MS = 1000, REG_POWER_LIMIT = 612, REG_START = 900,
    REG_STOP = 901, TID_POWER_LIMIT = 0x0000, TID_START_STOP = 0x0200, TID_MEASUREMENTS = 0x0100,
    TID_STATE = 0x0D00, FC_READ_HOLDING = 3, FC_READ_INPUT = 4, FC_WRITE_SINGLE = 6, MEASUREMENT_REG = 200,
    MEASUREMENT_COUNT = 50, STATE_COUNT = 15 };

// The gate is open when 30 s have passed since the last attempt, or there was none.
bool gateOpen(int64_t last, int64_t now)
{
    return last < 0 || now - last >= GATE_MS;
}
}

void EnergyThread::set_pv(float value, float max)
{
    if (!isfinite(value))
        return;
    if (value < 0)
        value = 0;
    if (value > max)
        value = max;
    if (!pvConnected)
        return;
    // The limit is raised only while the inverter uses all of it; lowering is always allowed.
    if (!(pvLimit() - pvPower() <= 1 || value <= pvLimit()))
        return;
    const float change = pvLimit() - value;
    if (!(change * change > 0.5f))
        return;
    const uint32_t tenths = Saturate::toUint32(double(value) * 10.0);
    pvWriteRegister(TID_POWER_LIMIT, REG_POWER_LIMIT, tenths > 0xFFFF ? 0xFFFF : int(tenths));
}

void EnergyThread::set_pv_on()
{
    const int64_t now = TimeSeam::monotonicMs();
    if (!gateOpen(pvOnAttemptMs, now))
        return;
    pvOnAttemptMs = now;
    if (pvRunning() == 0 && pvHoldBit() == 0 && pvConnected)
        pvWriteRegister(TID_START_STOP, REG_START, 1);
}

void EnergyThread::set_pv_off()
{
    const int64_t now = TimeSeam::monotonicMs();
    if (!gateOpen(pvOffAttemptMs, now))
        return;
    pvOffAttemptMs = now;
    set_pv(0, 500);
    if (pvRunning() == 1 && pvConnected)
        pvWriteRegister(TID_START_STOP, REG_STOP, 1);
}

void EnergyThread::pvWriteRegister(int transaction, int reg, int value)
{
    if (pvRequest(transaction, FC_WRITE_SINGLE, reg, value))
        pvAnswer(250);
}

void EnergyThread::setPvPort(int port)
{
    pvPort = port;
}

void EnergyThread::pvClose()
{
    if (pvSocket >= 0)
        ::close(pvSocket);
    pvSocket = -1;
    pvConnecting = false;
}

void EnergyThread::openPvmbs(const QString& host)
{
    pvClose();
    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(uint16_t(pvPort));
    const QByteArray text = host.trimmed().toLatin1();
    if (inet_pton(AF_INET, text.constData(), &addr.sin_addr) != 1) {
        if (!pvErrorLogged)
            printf("EnergyThread::openPvmbs \"%s\" is not an IPv4 address\n", text.constData());
        connect_pv_err();
        return;
    }
    pvSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (pvSocket < 0) {
        printf("EnergyThread::openPvmbs socket: %s\n", strerror(errno));
        connect_pv_err();
        return;
    }
    if (::connect(pvSocket, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) == 0) {
        connect_Pv_Ok();
        return;
    }
    if (errno == EINPROGRESS) {
        pvConnecting = true;
        pvConnectStartMs = TimeSeam::monotonicMs();
        return;
    }
    if (!pvErrorLogged)
        printf("EnergyThread::openPvmbs %s:%d: %s\n", text.constData(), pvPort, strerror(errno));
    connect_pv_err();
}

void EnergyThread::timer_3s()
{
    if (!pvConnected)
        openPvmbs(set[48].text);
}

void EnergyThread::connect_Pv_Ok()
{
    printf("EnergyThread::connect_Pv_Ok PV inverter %s:%d\n", qPrintable(set[48].text), pvPort);
    pvConnecting = false;
    pvConnected = true;
    pvErrorLogged = false;
    pvRetryDueMs = -1;
    pvReadDueMs = TimeSeam::monotonicMs();
    set_pv(float(set[46].value), 500);
}

void EnergyThread::connect_pv_err()
{
    if (pvConnected)
        printf("EnergyThread::connect_pv_err PV inverter link lost\n");
    pvErrorLogged = true;
    pvClose();
    pvConnected = false;
    pvRetryDueMs = TimeSeam::monotonicMs() + RETRY_MS;
}

void EnergyThread::servicePvLink()
{
    const int64_t now = TimeSeam::monotonicMs();
    if (pvConnecting) {
        struct pollfd p = { pvSocket, POLLOUT, 0 };
        if (::poll(&p, 1, 0) > 0) {
            int err = 0;
            socklen_t len = sizeof err;
            if (getsockopt(pvSocket, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) {
                connect_Pv_Ok();
            } else {
                if (!pvErrorLogged)
                    printf("EnergyThread::servicePvLink %s:%d: %s\n", qPrintable(set[48].text), pvPort,
                        strerror(err));
                connect_pv_err();
            }
        } else if (now - pvConnectStartMs >= RETRY_MS) {
            // A peer that neither accepts nor refuses counts as a failed attempt.
            connect_pv_err();
        }
    }
    if (pvRetryDueMs >= 0 && now >= pvRetryDueMs) {
        pvRetryDueMs = now + RETRY_MS;
        timer_3s();
    }
    if (pvConnected) {
        if (now >= pvReadDueMs) {
            pvReadDueMs = now + READ_PERIOD_MS;
            dealwithPV();
        }
    } else {
        memset(pvValues, 0, sizeof pvValues);
    }
}

bool EnergyThread::pvRequest(int transaction, int function, int reg, int value)
{
    if (!pvConnected || pvSocket < 0)
        return false;
    // A late answer to an earlier request must not be taken for this one's.
    unsigned char stale[256];
    while (::recv(pvSocket, stale, sizeof stale, MSG_DONTWAIT) > 0) {
    }
    const unsigned char frame[12] = { uint8_t(transaction >> 8), uint8_t(transaction), 0, 0, 0, 6,
        uint8_t(set[48].value), uint8_t(function), uint8_t(reg >> 8), uint8_t(reg), uint8_t(value >> 8),
        uint8_t(value) };
    const ssize_t n = ::send(pvSocket, frame, sizeof frame, MSG_NOSIGNAL);
    if (n == ssize_t(sizeof frame))
        return true;
    printf("EnergyThread::pvRequest send: %s\n", n < 0 ? strerror(errno) : "short write");
    connect_pv_err();
    return false;
}

int EnergyThread::pvAnswer(int ms)
{
    memset(pvBuffer, 0, sizeof pvBuffer);
    if (pvSocket < 0 || pvSocket >= FD_SETSIZE)
        return 0;
    int have = 0;
    // select() counts the time left down itself, so the wait needs no clock of its own.
    struct timeval left = { ms / 1000, (ms % 1000) * 1000 };
    while (have < int(sizeof pvBuffer)) {
        if (PvReply::complete(pvBuffer, have))
            break;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(pvSocket, &readable);
        const int r = ::select(pvSocket + 1, &readable, nullptr, nullptr, &left);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        const ssize_t n = ::recv(pvSocket, pvBuffer + have, sizeof pvBuffer - size_t(have), MSG_DONTWAIT);
        if (n > 0) {
            have += int(n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            connect_pv_err();
            break;
        }
    }
    return have;
}

void EnergyThread::dealwithPV()
{
    if (!pvConnected) {
        delay_ms(600);
        memset(pvValues, 0, sizeof pvValues);
        return;
    }
    // The first answer may be stale: ask twice and take the second.
    if (pvRequest(TID_MEASUREMENTS, FC_READ_INPUT, MEASUREMENT_REG, MEASUREMENT_COUNT))
        pvAnswer(300);
    int n = 0;
    if (pvRequest(TID_MEASUREMENTS, FC_READ_INPUT, MEASUREMENT_REG, MEASUREMENT_COUNT))
        n = pvAnswer(300);
    PvReply::measurements(pvBuffer, n, pvValues);
    n = 0;
    if (pvRequest(TID_STATE, FC_READ_HOLDING, 0, STATE_COUNT))
        n = pvAnswer(300);
    PvReply::state(pvBuffer, n, pvValues);
}
