#ifndef GPIO_H
#define GPIO_H

// The board's general-purpose inputs and outputs ("/dev/gpio"). The driver answers a read of n
// bytes with one byte, the level of pin n, and sets an output by an ioctl whose request is the
// level (0 or 1) and whose argument is the pin. One device per process, so the state is static.
class Gpio {
public:
    enum { PINS = 14 };

    explicit Gpio(const char* path);
    int open();
    int close();
    int get_handle();

    // Level of one pin (1 active); -2 when the driver did not answer one byte, -1 without a
    // device or for a pin outside 0..13.
    static int read(int pin);
    // Pins 0..count-1 into io_value and buf; the number of pins read, -1 without a device.
    int read(char* buf, int count);
    // Sets an output; -1 for an input pin (1, 3, 5, 7, 9, 13), a pin outside 0..13 or no device.
    static int ioctl(int pin, bool level);

    static int handle;
    static char io_value[PINS];

private:
    char path_[128];
};

#endif
