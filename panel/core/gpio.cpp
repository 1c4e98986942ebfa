#include "gpio.h"
#include "hardwarebackend.h"

#include <fcntl.h>
#include <stdio.h>
#include <string.h>

int Gpio::handle = -1;
char Gpio::io_value[Gpio::PINS];

namespace {
bool isInput(int pin)
{
    return pin == 1 || pin == 3 || pin == 5 || pin == 7 || pin == 9 || pin == 13;
}
}

Gpio::Gpio(const char* path)
{
    path_[0] = '\0';
    if (path) {
        strncpy(path_, path, sizeof path_ - 1);
        path_[sizeof path_ - 1] = '\0';
    }
}

int Gpio::open()
{
    close();
    handle = HardwareBackend::instance()->open(path_, O_RDWR | O_NONBLOCK);
    return handle;
}

int Gpio::close()
{
    if (handle < 0)
        return 0;
    const int r = HardwareBackend::instance()->close(handle);
    handle = -1;
    return r;
}

int Gpio::get_handle()
{
    return handle;
}

int Gpio::read(int pin)
{
    // The pin is the read length: it must fit the buffer before it reaches the driver.
    if (handle < 0 || pin < 0 || pin >= PINS) {
        printf("%s(%d)- error handle=%d  index=%d\n", "static int Gpio::read(int)", __LINE__, handle, pin);
        return -1;
    }
    char buf[PINS];
    const ssize_t n = HardwareBackend::instance()->read(handle, buf, size_t(pin));
    if (n != 1)
        return -2;
    return (unsigned char)buf[0];
}

int Gpio::read(char* buf, int count)
{
    if (handle < 0)
        return -1;
    if (count > PINS)
        count = PINS;
    int got = 0;
    for (int pin = 0; pin < count; ++pin) {
        const int level = read(pin);
        io_value[pin] = char(level);
        if (level >= 0)
            ++got;
    }
    if (buf && count > 0)
        memcpy(buf, io_value, size_t(count));
    return got;
}

int Gpio::ioctl(int pin, bool level)
{
    if (handle < 0 || isInput(pin) || pin < 0 || pin >= PINS)
        return -1;
    return HardwareBackend::instance()->ioctl(handle, level ? 1 : 0, (unsigned long)pin);
}
