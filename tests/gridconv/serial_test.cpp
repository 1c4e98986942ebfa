#include "serial.h"

#include "ptypair.h"
#include "runtimetree.h"
#include "timeseam.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <memory>
#include <pthread.h>
#include <signal.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>

using cp::Serial;

namespace {

struct IoctlCall {
    unsigned long request;
    int flags;
    int divisor;
};
std::vector<IoctlCall> g_calls;

int fakeIoctl(int, unsigned long request, struct serial_struct* info)
{
    static struct serial_struct port;
    if (request == TIOCGSERIAL) {
        if (port.baud_base == 0)
            port.baud_base = 921600;
        *info = port;
    } else {
        port = *info;
    }
    g_calls.push_back({ request, info->flags, info->custom_divisor });
    return 0;
}

struct termios g_applied;

int recordTcsetattr(int fd, int actions, const struct termios* tio)
{
    // A pty keeps 8 data bits without parity and glibc then reports EINVAL; what matters
    // here is what was asked for.
    g_applied = *tio;
    tcsetattr(fd, actions, tio);
    return 0;
}

struct Line {
    const char* settings;
    speed_t speed;
    tcflag_t parity;  // PARENB | PARODD | CMSPAR as set
    tcflag_t size;
    bool twoStop;
    bool inpck;
};

}

TEST(Serial, LineSettingsReachTheTty)
{
    RuntimeTree tree;
    PtyPair pty(tree);
    const Line lines[] = {
        { "19200,n,8,1", B19200, 0, CS8, false, false },
        { "9600,M,7,2", B9600, CMSPAR | PARENB | PARODD, CS7, true, false },
        { "4800,o,6,1", B4800, PARENB | PARODD, CS6, false, false },
        { "115200,E,5,1", B115200, PARENB, CS5, false, false },
        { "2400,s,9,1", B2400, CMSPAR | PARENB, CS8, false, false },
        { "19200,x,8,1", B19200, 0, CS8, false, false },
    };
    Serial::setTcsetattr(recordTcsetattr);
    for (const Line& l : lines) {
        Serial s("/dev/ttySAC1", l.settings, 300, 10);
        ASSERT_EQ(s.open(), 1) << l.settings;
        struct termios real;
        ASSERT_EQ(tcgetattr(pty.slave, &real), 0);
        EXPECT_EQ(cfgetospeed(&real), l.speed) << l.settings;
        EXPECT_EQ(cfgetispeed(&real), l.speed) << l.settings;
        EXPECT_FALSE(real.c_lflag & (ISIG | ICANON | ECHO | ECHOE)) << l.settings;
        const struct termios& tio = g_applied;
        if (l.parity)
            EXPECT_EQ(tio.c_cflag & (CMSPAR | PARENB | PARODD), l.parity) << l.settings;
        else
            EXPECT_FALSE(tio.c_cflag & PARENB) << l.settings;
        EXPECT_EQ(tio.c_cflag & CSIZE, l.size) << l.settings;
        EXPECT_EQ(bool(tio.c_cflag & CSTOPB), l.twoStop) << l.settings;
        EXPECT_EQ(tio.c_iflag, l.parity ? tcflag_t(IGNPAR | INPCK) : tcflag_t(IGNPAR)) << l.settings;
        EXPECT_EQ(tio.c_oflag, 0u);
        EXPECT_FALSE(tio.c_lflag & (ISIG | ICANON | ECHO | ECHOE)) << l.settings;
        EXPECT_TRUE(tio.c_cflag & CLOCAL);
        EXPECT_TRUE(tio.c_cflag & CREAD);
        EXPECT_FALSE(tio.c_cflag & CRTSCTS);
        EXPECT_EQ(s.open(), 1) << "a second open keeps the port";
        s.close();
    }
    Serial::setTcsetattr(nullptr);
}

TEST(Serial, BadSettingsMakeOpenFail)
{
    RuntimeTree tree;
    PtyPair pty(tree);
    const char* bad[] = { "600,n,8,1", "19200,n,4,1", "19200,n,8,0", "19200,n,8", "", "19200,,8,1",
        "19200000,n,8,1", "19200,n,8,12345678" };
    for (const char* b : bad) {
        Serial s("/dev/ttySAC1", b, 300, 10);
        EXPECT_EQ(s.open(), 0) << b;
        EXPECT_FALSE(s.isOpen()) << b;
    }
    Serial missing("/dev/ttySAC2", "19200,n,8,1", 300, 10);
    EXPECT_EQ(missing.open(), 0);
    Serial noPath("", "19200,n,8,1", 300, 10);
    EXPECT_EQ(noPath.open(), 0);
}

TEST(Serial, OddRatesGoThroughTheCustomDivisor)
{
    RuntimeTree tree;
    PtyPair pty(tree);
    // A pty has no divisor: the line would run at 38400, so it does not open.
    {
        Serial s("/dev/ttySAC1", "57600,e,8,1", 300, 10);
        EXPECT_EQ(s.open(), 0);
        char buf[4];
        EXPECT_EQ(s.recv(buf, 4), -1) << "left closed";
        EXPECT_EQ(s.change("19200,n,8,1", 300, 10), 1) << "a standard rate then opens the line";
    }
    g_calls.clear();
    Serial::setIoctl(fakeIoctl);
    Serial::setTcsetattr(recordTcsetattr);
    Serial s("/dev/ttySAC1", "57600,e,8,1", 300, 10);
    ASSERT_EQ(s.open(), 1);
    Serial::setIoctl(nullptr);
    Serial::setTcsetattr(nullptr);
    EXPECT_EQ(s.getBaudrate(), 57600);
    ASSERT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(g_calls[0].request, (unsigned long)TIOCGSERIAL);
    EXPECT_EQ(g_calls[1].request, (unsigned long)TIOCSSERIAL);
    EXPECT_EQ(g_calls[1].flags, 0x0030);
    EXPECT_EQ(g_calls[1].divisor, 921600 / 57600);
    EXPECT_EQ(g_calls[2].request, (unsigned long)TIOCGSERIAL);
    struct termios real;
    tcgetattr(pty.slave, &real);
    EXPECT_EQ(cfgetospeed(&real), speed_t(B38400));
    const struct termios& tio = g_applied;
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B38400));
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD), tcflag_t(PARENB));
    EXPECT_EQ(tio.c_iflag, tcflag_t(IGNPAR | INPCK));
}

TEST(Serial, RateThePortCannotSetFailsTheOpen)
{
    RuntimeTree tree;
    PtyPair pty(tree);
    struct Case { const char* name; unsigned long refused; } cases[] = {
        { "no serial_struct", TIOCGSERIAL },
        { "divisor refused", TIOCSSERIAL },
    };
    for (const Case& c : cases) {
        static unsigned long refused;
        refused = c.refused;
        Serial::setIoctl([](int, unsigned long request, struct serial_struct* info) {
            if (request == refused)
                return -1;
            if (request == TIOCGSERIAL)
                info->baud_base = 921600;
            return 0;
        });
        Serial s("/dev/ttySAC1", "57600,n,8,1", 300, 10);
        EXPECT_EQ(s.open(), 0) << c.name;
        Serial::setIoctl(nullptr);
        char buf[4];
        EXPECT_EQ(s.recv(buf, 4), -1) << "left closed: " << c.name;
    }
}

TEST(Serial, DelayAndChange)
{
    RuntimeTree tree;
    PtyPair pty(tree);
    EXPECT_EQ(Serial("/dev/ttySAC1", "19200,n,8,1", 300, 1500).getDelay(), 990);
    EXPECT_EQ(Serial("/dev/ttySAC1", "19200,n,8,1", 300, 999).getDelay(), 999);

    Serial s("/dev/ttySAC1", "19200,n,8,1", 300, 10);
    EXPECT_EQ(s.getBaudrate(), 1);
    ASSERT_EQ(s.open(), 1);
    EXPECT_EQ(s.change(nullptr, 300, 10), 0);
    EXPECT_EQ(s.change("9600,n,8,1", -1, 10), 0);
    EXPECT_EQ(s.change("19200,n,8,1", 100, 2000), 1);
    EXPECT_EQ(s.getDelay(), 990);
    EXPECT_EQ(s.change("9600,e,8,1", 100, 10), 1);
    EXPECT_EQ(s.getBaudrate(), 9600);
    struct termios tio;
    tcgetattr(pty.slave, &tio);
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B9600));
}

TEST(Serial, RecvEndsAtTheGapOrTheTimeout)
{
    RuntimeTree tree;
    PtyPair pty(tree);
    Serial s("/dev/ttySAC1", "19200,n,8,1", 300, 10);
    char buf[256];
    EXPECT_EQ(s.recv(buf, sizeof buf), -1) << "closed";
    ASSERT_EQ(s.open(), 1);
    EXPECT_EQ(s.recv(buf, 0), -1);
    EXPECT_EQ(s.recv(nullptr, 10), -1);

    int64_t t0 = TimeSeam::monotonicMs();
    EXPECT_EQ(s.recv(buf, sizeof buf), 0);
    EXPECT_GE(TimeSeam::monotonicMs() - t0, 280) << "waits for the first byte";

    pty.write({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 });
    EXPECT_EQ(s.recv(buf, sizeof buf), 10);
    EXPECT_EQ(buf[9], 10);

    // Bytes that keep coming within 20 ms belong to the same reply; a longer gap ends it. Each
    // gap is far from the limit: the short one is kept busy rather than slept, since a loaded
    // host may wake a sleeper late, and the long one outlasts a late wake-up of the reader.
    std::thread peer([&] {
        pty.write({ 1, 2, 3 });
        spinUs(2000);
        pty.write({ 4, 5 });
        usleep(300000);
        pty.write({ 6 });
    });
    EXPECT_EQ(s.recv(buf, sizeof buf), 5);
    peer.join();
    EXPECT_EQ(s.recv(buf, sizeof buf), 1);

    // A full buffer ends the receive at once.
    pty.write({ 1, 2, 3, 4, 5, 6 });
    EXPECT_EQ(s.recv(buf, 4), 4);
    EXPECT_EQ(s.recv(buf, sizeof buf), 2);
}

TEST(Serial, SendAndNonBlockingMode)
{
    RuntimeTree tree;
    PtyPair pty(tree);
    Serial s("/dev/ttySAC1", "19200,n,8,1", 300, 10);
    EXPECT_EQ(s.send("ab", 2), -1) << "closed";
    ASSERT_EQ(s.open(), 1);
    EXPECT_EQ(s.send("\x01\x03\x00\x00\x00\x0a", 6), 6);
    EXPECT_EQ(pty.read(), (std::vector<unsigned char>{ 1, 3, 0, 0, 0, 10 }));
    s.close();
    EXPECT_FALSE(s.isOpen());
    EXPECT_EQ(s.open(), 1) << "reopens";

    Serial nb("/dev/ttySAC1", "19200,n,8,1", 0, 10);
    s.close();
    ASSERT_EQ(nb.open(), 1);
    char buf[16];
    EXPECT_EQ(nb.recv(buf, sizeof buf), 0) << "nothing waiting";
    pty.write({ 7, 8 });
    ASSERT_TRUE(pty.arrived());
    EXPECT_EQ(nb.recv(buf, sizeof buf), 2);
    EXPECT_EQ(nb.send("xyz", 3), 3);
    EXPECT_EQ(pty.read().size(), 3u);
}

// A request goes straight out; only a full transmit buffer makes the sender wait: 50 ms for
// room once part has gone, the time-out when nothing has.
TEST(Serial, SendWaitsOnlyForAFullBuffer)
{
    RuntimeTree tree;
    PtyPair pty(tree);
    Serial s("/dev/ttySAC1", "19200,n,8,1", 200, 10);
    ASSERT_EQ(s.open(), 1);
    const std::vector<char> big(1 << 20, 'x');   // more than the pty holds while nobody reads
    const int64_t t0 = TimeSeam::monotonicMs();
    const int sent = s.send(big.data(), int(big.size()));
    EXPECT_GT(sent, 0);
    EXPECT_LT(sent, int(big.size()));
    const int64_t t1 = TimeSeam::monotonicMs();
    EXPECT_EQ(s.send("ab", 2), 0) << "still full";
    const int64_t t2 = TimeSeam::monotonicMs();
    EXPECT_GE(t1 - t0, 45);
    EXPECT_GE(t2 - t1, 190);
}

TEST(Serial, CloseDropsUnreadInput)
{
    RuntimeTree tree;
    PtyPair pty(tree);
    Serial s("/dev/ttySAC1", "19200,n,8,1", 100, 10);
    ASSERT_EQ(s.open(), 1);
    pty.write({ 1, 2, 3 });
    ASSERT_TRUE(pty.arrived());
    s.close();
    ASSERT_EQ(s.open(), 1);
    char buf[16];
    EXPECT_EQ(s.recv(buf, sizeof buf), 0);
}

TEST(Serial, AHangUpIsAFailedReceiveAndTheLineReopens)
{
    RuntimeTree tree;
    std::unique_ptr<PtyPair> pty(new PtyPair(tree));
    Serial s("/dev/ttySAC1", "19200,n,8,1", 300, 10);
    ASSERT_EQ(s.open(), 1);
    // The far end goes: the tty reads end of file from now on, readable at every wait.
    ::close(pty->master);
    pty->master = -1;
    char buf[256];
    EXPECT_EQ(s.recv(buf, sizeof buf), -1);
    s.close();
    pty.reset();
    EXPECT_EQ(s.open(), 0) << "the line is gone";

    pty.reset(new PtyPair(tree));
    ASSERT_EQ(s.open(), 1);
    pty->write({ 1, 2, 3 });
    EXPECT_EQ(s.recv(buf, sizeof buf), 3);
}

namespace {

// Reads that fail with the listed errors once the first three bytes of a reply are in.
std::vector<int> g_readErrors;
size_t g_readCalls = 0;

ssize_t failingRead(int fd, void* buf, size_t len)
{
    const size_t call = g_readCalls++;
    if (call == 0)
        return ::read(fd, buf, len < 3 ? len : 3);
    if (call <= g_readErrors.size()) {
        errno = g_readErrors[call - 1];
        return -1;
    }
    return ::read(fd, buf, len);
}

struct ReadFailure {
    const char* name;
    std::vector<int> errors;
};

void ignoreSignal(int) {}

}

TEST(Serial, AReadInterruptedOrNotReadyInTheMiddleOfAReplyKeepsTheWholeReply)
{
    const ReadFailure cases[] = {
        { "interrupted", { EINTR } },
        { "not ready", { EAGAIN } },
        { "twice", { EAGAIN, EINTR } },
    };
    RuntimeTree tree;
    PtyPair pty(tree);
    Serial s("/dev/ttySAC1", "19200,n,8,1", 300, 10);
    ASSERT_EQ(s.open(), 1);
    for (const ReadFailure& c : cases) {
        pty.write({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 });
        ASSERT_TRUE(pty.arrived());
        g_readErrors = c.errors;
        g_readCalls = 0;
        Serial::setRead(failingRead);
        char buf[256];
        const int got = s.recv(buf, sizeof buf);
        Serial::setRead(nullptr);
        EXPECT_EQ(got, 10) << c.name;
        EXPECT_EQ(buf[9], 10) << c.name;
        EXPECT_GT(g_readCalls, c.errors.size() + 1) << c.name << ": the failures were met";
    }
}

// A signal cuts a wait short; the receive waits on for the rest of its time, both for the first
// byte and in the gaps of a reply.
TEST(Serial, SignalsDuringTheWaitsDoNotCutAReplyShort)
{
    struct sigaction quiet, old;
    memset(&quiet, 0, sizeof quiet);
    quiet.sa_handler = ignoreSignal;   // no SA_RESTART, and select is never restarted anyway
    ASSERT_EQ(sigaction(SIGUSR1, &quiet, &old), 0);
    RuntimeTree tree;
    PtyPair pty(tree);
    Serial s("/dev/ttySAC1", "19200,n,8,1", 300, 10);
    ASSERT_EQ(s.open(), 1);
    const pthread_t reader = pthread_self();
    auto signalFor = [&](int us) {
        for (int t = 0; t < us; t += 200) {
            pthread_kill(reader, SIGUSR1);
            spinUs(200);
        }
    };
    std::thread peer([&] {
        signalFor(3000);
        pty.write({ 1, 2, 3 });
        signalFor(3000);
        pty.write({ 4, 5, 6, 7 });
        signalFor(3000);
    });
    char buf[256];
    const int got = s.recv(buf, sizeof buf);
    peer.join();
    sigaction(SIGUSR1, &old, nullptr);
    EXPECT_EQ(got, 7);
    EXPECT_EQ(buf[6], 7);
}
