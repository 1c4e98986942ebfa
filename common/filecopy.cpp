#include "filecopy.h"
#include "atomicfile.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

int copyWhole(const std::string& from, const std::string& to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        printf("copyWhole cannot read %s: %s\n", from.c_str(), strerror(errno));
        return -1;
    }
    std::string part = to + ".XXXXXX";
    const int out = mkostemp(&part[0], O_CLOEXEC);
    if (out < 0) {
        const int err = errno;
        printf("copyWhole cannot write beside %s: %s\n", to.c_str(), strerror(err));
        ::close(in);
        errno = err;
        return -1;
    }
    bool ok = true;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!AtomicFile::writeAll(out, buf, size_t(n))) {
            ok = false;
            break;
        }
    }
    int err = ok ? 0 : errno;
    // The source's modes; a FAT stick has none, and the copy is good all the same.
    struct stat st;
    if (fstat(in, &st) == 0)
        fchmod(out, st.st_mode & 0777);
    ::close(in);
    if (ok && ::fsync(out) != 0) {
        ok = false;
        err = errno;
    }
    if (::close(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(part.c_str(), to.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        printf("copyWhole %s to %s failed: %s\n", from.c_str(), to.c_str(), strerror(err));
        ::unlink(part.c_str());
        errno = err;
        return -1;
    }
    return 0;
}
