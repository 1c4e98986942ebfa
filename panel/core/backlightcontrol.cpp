#include "backlightcontrol.h"
#include "syspath.h"

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

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
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!SysPath::deviceMayOpen()) {
        printf("BackLightControl::openBK %s left closed on this host\n", path_);
        return -1;
    }
    fd_ = ::open(SysPath::resolve(path_).c_str(), O_RDWR | O_NONBLOCK);
    return fd_;
}

void BackLightControl::put(char level)
{
    if (fd_ < 0)
        return;
    // Rewind so that a plain file standing in for the device holds the last level.
    lseek(fd_, 0, SEEK_SET);
    if (::write(fd_, &level, 1) != 1) {
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
