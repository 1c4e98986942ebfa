#include "backlightcontrol.h"
#include "hardwarebackend.h"

#include <fcntl.h>
#include <string.h>

BackLightControl::BackLightControl(const char* path)
    : fd_(-1)
{
    path_[0] = '\0';
    if (path) {
        strncpy(path_, path, sizeof path_ - 1);
        path_[sizeof path_ - 1] = '\0';
    }
}

int BackLightControl::openBK()
{
    HardwareBackend* hw = HardwareBackend::instance();
    if (fd_ >= 0) {
        hw->close(fd_);
        fd_ = -1;
    }
    fd_ = hw->open(path_, O_RDWR | O_NONBLOCK);
    return fd_;
}

void BackLightControl::put(char level)
{
    // Without a device the switch does nothing; a refused write changes nothing either.
    if (fd_ < 0)
        return;
    if (HardwareBackend::instance()->write(fd_, &level, 1) != 1) {
    }
}

void BackLightControl::bkOn()
{
    put(1);
}

void BackLightControl::bkOff()
{
    put(0);
}
