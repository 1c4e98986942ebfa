#ifndef CP_SERIAL_H
#define CP_SERIAL_H

#include <sys/types.h>

struct serial_struct;
struct termios;

namespace cp {

// The one RS-485 line of the AC/DC link: a raw-mode tty with time-limited whole-buffer
// receive and send. It does no framing; every module connection shares one object.
class Serial {
public:
    // The custom-divisor ioctls (TIOCGSERIAL / TIOCSSERIAL) go through this hook so that tests
    // can check their arguments; null restores the real ioctl.
    typedef int (*IoctlFn)(int fd, unsigned long request, struct serial_struct* info);
    static void setIoctl(IoctlFn fn);
    // Likewise the final tcsetattr: a pty forces 8 data bits without parity, so a test sees
    // the requested character format only here.
    typedef int (*TcsetattrFn)(int fd, int actions, const struct termios* tio);
    static void setTcsetattr(TcsetattrFn fn);
    // And the reads of recv, so that a test can make one fail in the middle of a reply.
    typedef ssize_t (*ReadFn)(int fd, void* buf, size_t len);
    static void setRead(ReadFn fn);

    Serial(const char* device, const char* settings, int timeoutMs, int delayMs);
    virtual ~Serial();

    int open();
    void close();
    int setInternal();
    int change(const char* settings, int timeoutMs, int delayMs);
    int waitReadable(int ms);
    int waitWritable(int ms);
    int recv(char* buf, int len);
    int send(const char* buf, int len);
    int getDelay() { return m_delay; }
    int getBaudrate() { return m_baudrate; }
    bool isOpen() const { return m_fd >= 0; }

private:
    Serial(const Serial&) = delete;
    Serial& operator=(const Serial&) = delete;
    int openDevice();
    int waitReady(int ms, bool forWrite);
    int setCustomDivisor(int baud);

    char m_device[128];
    char m_settings[128];
    int m_timeout;
    int m_delay;
    int m_fd;
    int m_baudrate;
};

}

#endif
