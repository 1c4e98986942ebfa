#ifndef HARDWAREBACKEND_H
#define HARDWAREBACKEND_H

#include <stddef.h>
#include <sys/types.h>

// The board's own character devices (GPIO, buzzer PWM, backlight, watchdog) are reached only
// through this, by their plain board paths ("/dev/gpio"). The plain backend makes the system
// calls: a board build on the plain paths, a host build only under STATIONPANEL_ROOT and never
// on a real device node. A test puts an in-memory stand-in, since the GPIO read protocol and
// the PWM ioctl cannot be played by a plain file.
class HardwareBackend {
public:
    virtual ~HardwareBackend() {}
    // A descriptor, or -1 when the device cannot or may not be opened.
    virtual int open(const char* path, int flags);
    virtual int close(int fd);
    virtual ssize_t read(int fd, void* buf, size_t count);
    virtual ssize_t write(int fd, const void* buf, size_t count);
    // An ioctl whose argument is a plain number (GPIO pin, PWM frequency).
    virtual int ioctl(int fd, unsigned long request, unsigned long arg);
    // An ioctl whose argument is an int the driver reads or fills (watchdog).
    virtual int ioctlPtr(int fd, unsigned long request, int* arg);

    // The backend in use; the plain one unless a test has put its own. A stand-in must outlive
    // the LED and buzzer threads, which never stop.
    static HardwareBackend* instance();
    static void setInstance(HardwareBackend* backend);
};

#endif
