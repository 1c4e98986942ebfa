#ifndef WATCHDOG_H
#define WATCHDOG_H

// The board's hardware watchdog. Once opened it stays armed for the life of the process: the
// one-second supervisor feeds it, nothing stops it.
class Watchdog {
public:
    explicit Watchdog(const char* path);
    int open();
    int feed();
    int stop();
    int settime(int seconds);

    static char device_name[128];
    static int handle;
};

#endif
