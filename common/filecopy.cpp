#include "filecopy.h"
#include "atomicfile.h"

#include <atomic>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string dirOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A hidden name beside the target. No upgrade or logo look-up matches it: those want ".hex" or a
// fixed name, and the random part has no dot.
std::string partTemplate(const std::string& to)
{
    return dirOf(to) + "/.part-XXXXXX";
}

// The file the copy is written to. Where the file system can, it has no name until the copy is
// whole, so a process killed in the middle of a copy leaves nothing behind; name is then empty.
int openPart(const std::string& to, std::string* name)
{
#ifdef O_TMPFILE
    const int fd = ::open(dirOf(to).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        name->clear();
        return fd;
    }
    // Older kernels and some file systems lack it; anything else is a real failure.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return -1;
#endif
    *name = partTemplate(to);
    return mkostemp(&(*name)[0], O_CLOEXEC);
}

// A nameless copy gets a name beside the target first (a link never replaces a file), which the
// rename then moves over the target.
bool nameNameless(int fd, const std::string& to, std::string* name)
{
    char proc[64];
    snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // The name is taken by link() itself, which fails on one that exists.
        static std::atomic<unsigned> counter{0};
        char suffix[32];
        snprintf(suffix, sizeof suffix, "%x-%x", unsigned(getpid()), counter++);
        *name = dirOf(to) + "/.part-" + suffix;
        if (::linkat(AT_FDCWD, proc, AT_FDCWD, name->c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno == EEXIST)
            continue;
        // Without /proc a process that may read any directory can link the descriptor itself.
        if (::linkat(fd, "", AT_FDCWD, name->c_str(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    errno = EEXIST;
    return false;
}

// Copies from the open descriptor in, which it closes, to the target; at most maxBytes when
// maxBytes >= 0 (a file may grow while it is read).
int copyOpen(int in, const std::string& from, const std::string& to, long long maxBytes)
{
    std::string part;
    const int out = openPart(to, &part);
    if (out < 0) {
        const int err = errno;
        printf("copyWhole cannot write beside %s: %s\n", to.c_str(), strerror(err));
        ::close(in);
        errno = err;
        return -1;
    }
    int result = 0;
    int err = 0;
    long long total = 0;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n < 0) {
                result = -1;
                err = errno;
            }
            break;
        }
        total += n;
        if (maxBytes >= 0 && total > maxBytes) {
            result = COPY_TOO_LARGE;
            err = EFBIG;
            break;
        }
        if (!AtomicFile::writeAll(out, buf, size_t(n))) {
            result = -1;
            err = errno;
            break;
        }
    }
    // The source's modes; a FAT stick has none, and the copy is good all the same.
    struct stat st;
    if (result == 0 && fstat(in, &st) == 0)
        fchmod(out, st.st_mode & 0777);
    ::close(in);
    if (result == 0 && ::fsync(out) != 0) {
        result = -1;
        err = errno;
    }
    if (result == 0 && part.empty() && !nameNameless(out, to, &part)) {
        result = -1;
        err = errno;
        part.clear();
    }
    if (::close(out) != 0 && result == 0) {
        result = -1;
        err = errno;
    }
    if (result == 0 && ::rename(part.c_str(), to.c_str()) != 0) {
        result = -1;
        err = errno;
    }
    if (result != 0) {
        printf("copyWhole %s to %s failed: %s\n", from.c_str(), to.c_str(), strerror(err));
        if (!part.empty())
            ::unlink(part.c_str());
        errno = err;
    }
    return result;
}

} // namespace

int copyWhole(const std::string& from, const std::string& to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        printf("copyWhole cannot read %s: %s\n", from.c_str(), strerror(errno));
        return -1;
    }
    return copyOpen(in, from, to, -1);
}

int copyFromStick(const std::string& from, const std::string& to, long long maxBytes)
{
    // O_NONBLOCK: the open of a FIFO returns at once instead of waiting for a writer.
    const int in = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (in < 0) {
        const int err = errno;
        // ELOOP: the name is a symbolic link; ENXIO: a socket or a device without a driver.
        if (err == ELOOP || err == ENXIO) {
            printf("copyFromStick %s is not a regular file, not copied\n", from.c_str());
            return COPY_NOT_REGULAR;
        }
        printf("copyFromStick cannot read %s: %s\n", from.c_str(), strerror(err));
        errno = err;
        return -1;
    }
    struct stat st;
    if (fstat(in, &st) != 0) {
        const int err = errno;
        printf("copyFromStick cannot look at %s: %s\n", from.c_str(), strerror(err));
        ::close(in);
        errno = err;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        printf("copyFromStick %s is not a regular file, not copied\n", from.c_str());
        ::close(in);
        return COPY_NOT_REGULAR;
    }
    if (st.st_size > maxBytes) {
        printf("copyFromStick %s has %lld bytes, more than %lld, not copied\n", from.c_str(),
            (long long)st.st_size, maxBytes);
        ::close(in);
        return COPY_TOO_LARGE;
    }
    const int r = copyOpen(in, from, to, maxBytes);
    if (r == COPY_TOO_LARGE)
        printf("copyFromStick %s grew past %lld bytes while copied, not copied\n", from.c_str(), maxBytes);
    return r;
}
