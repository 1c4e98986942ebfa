#include "atomicfile.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace {

void syncDirectoryOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}

std::string AtomicFile::temporary(const std::string& path)
{
    return path + ".new";
}

bool AtomicFile::writeAll(int fd, const void* data, size_t n, WriteFn write)
{
    if (!write)
        write = ::write;
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= size_t(w);
    }
    return true;
}

bool AtomicFile::replace(const std::string& path, const std::vector<Piece>& pieces, WriteFn write)
{
    if (!write)
        write = ::write;
    const std::string tmp = temporary(path);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        printf("AtomicFile::replace cannot open %s: %s\n", tmp.c_str(), strerror(errno));
        return false;
    }
    bool ok = true;
    for (const Piece& p : pieces)
        ok = ok && writeAll(fd, p.data, p.size, write);
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        printf("AtomicFile::replace cannot write %s\n", path.c_str());
        ::unlink(tmp.c_str());
        return false;
    }
    syncDirectoryOf(path);
    return true;
}
