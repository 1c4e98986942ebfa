// Files in memory for the targets whose inputs are files: every path inside the target's
// scratch directory (fuzzdir.h) lives in this process's memory, everything else goes to the
// system as before. The product's calls and the target's own are routed here at link time
// (-Wl,--wrap), so the product's code is the code that runs on a cabinet, only its files
// are not the kernel's. On the machines these run on a system call cost a microsecond and an
// open, write and close of a small file nine: the file targets spent most of their time in
// the kernel, not in the parsing they are there to try.
//
// Descriptors of these files are numbered from FIRST_FD up, far above any the system gives;
// below it a call goes straight to the system, untouched (the fuzzer's own output too, also
// from its signal handlers).
//
// Covered: what the product and the targets do with their files (open with its flags, read,
// write, positioned reads and writes, seek, stat, rename, unlink, truncate, directories made,
// listed and synced, stdio streams over them). Anything else on such a descriptor fails as
// a closed one would, so a new kind of call shows at once instead of passing by.
#include "fuzzdir.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

extern "C" {
int __real_open(const char* path, int flags, ...);
ssize_t __real_read(int fd, void* buf, size_t n);
ssize_t __real_write(int fd, const void* buf, size_t n);
ssize_t __real_pread(int fd, void* buf, size_t n, off_t at);
ssize_t __real_pwrite(int fd, const void* buf, size_t n, off_t at);
int __real_close(int fd);
off_t __real_lseek(int fd, off_t off, int whence);
int __real_fstat(int fd, struct stat* st);
int __real_stat(const char* path, struct stat* st);
int __real_lstat(const char* path, struct stat* st);
int __real_rename(const char* from, const char* to);
int __real_unlink(const char* path);
int __real_mkdir(const char* path, mode_t mode);
int __real_truncate(const char* path, off_t size);
int __real_fchmod(int fd, mode_t mode);
int __real_chdir(const char* path);
int __real_fileno(FILE* f);
FILE* __real_fopen(const char* path, const char* mode);
DIR* __real_opendir(const char* path);
struct dirent* __real_readdir(DIR* d);
int __real_closedir(DIR* d);
}

namespace {

// A file's bytes; past the bytes written and up to its size it reads as zeros, as a file
// stretched by truncate does (a 2 MB image stretched for every input costs nothing then).
struct MemFile {
    std::string bytes;
    size_t size = 0;
};

struct Node {
    bool dir = false;
    ino_t ino = 0;
    std::shared_ptr<MemFile> data;
};

struct Open {
    std::shared_ptr<MemFile> data;   // null for a directory
    ino_t ino = 0;
    off_t pos = 0;
    int flags = 0;
};

struct Listing {
    std::vector<std::string> names;
    size_t next = 0;
    struct dirent entry;
};

const int FIRST_FD = 1 << 20;

std::recursive_mutex g_lock;
std::map<std::string, Node> g_nodes;
std::map<int, Open> g_fds;
std::map<FILE*, int> g_streams;
std::set<Listing*> g_listings;
std::string g_cwd;
ino_t g_nextIno = 1;

// The absolute path without "." and ".." steps, or "" when it is not inside the scratch
// directory (or there is none yet). Called for every path the process names, so it allocates
// once and only for a path inside.
std::string inside(const char* path)
{
    const std::string& root = scratchDir();
    if (!path || root.empty())
        return std::string();
    if (path[0] != '/' && g_cwd.empty()) {
        char buf[4096];
        if (!getcwd(buf, sizeof buf))
            return std::string();
        g_cwd = buf;
    }
    const bool relative = path[0] != '/';
    // A relative path is inside only when the working directory is (the targets work in it).
    if (relative ? g_cwd.compare(0, root.size(), root) != 0
                 : strncmp(path, root.c_str(), root.size()) != 0)
        return std::string();
    std::string out;
    out.reserve((relative ? g_cwd.size() + 1 : 0) + strlen(path));
    auto step = [&out](const char* part, size_t n) {
        if (n == 0 || (n == 1 && part[0] == '.'))
            return;
        if (n == 2 && part[0] == '.' && part[1] == '.') {
            const size_t slash = out.rfind('/');
            out.resize(slash == std::string::npos ? 0 : slash);
            return;
        }
        out += '/';
        out.append(part, n);
    };
    auto walk = [&step](const char* p, size_t len) {
        size_t i = 0;
        while (i < len) {
            size_t j = i;
            while (j < len && p[j] != '/')
                ++j;
            step(p + i, j - i);
            i = j + 1;
        }
    };
    if (relative)
        walk(g_cwd.data(), g_cwd.size());
    walk(path, strlen(path));
    if (out.size() > root.size() && out.compare(0, root.size(), root) == 0 && out[root.size()] == '/')
        return out;
    return std::string();
}

std::string parentOf(const std::string& p)
{
    return p.substr(0, p.rfind('/'));
}

bool dirExists(const std::string& p)
{
    if (p == scratchDir())
        return true;
    auto it = g_nodes.find(p);
    return it != g_nodes.end() && it->second.dir;
}

int fail(int e)
{
    errno = e;
    return -1;
}

int newFd(const Open& o)
{
    int fd = FIRST_FD;
    while (g_fds.count(fd))
        ++fd;
    g_fds[fd] = o;
    return fd;
}

Open* openOf(int fd)
{
    auto it = g_fds.find(fd);
    return it == g_fds.end() ? nullptr : &it->second;
}

void fill(struct stat* st, const Node& n)
{
    memset(st, 0, sizeof *st);
    st->st_mode = n.dir ? (S_IFDIR | 0755) : (S_IFREG | 0644);
    st->st_nlink = 1;
    st->st_ino = n.ino;
    st->st_blksize = 4096;
    st->st_size = n.dir ? 4096 : off_t(n.data->size);
    st->st_blocks = (st->st_size + 511) / 512;
}

int memOpen(const std::string& p, int flags)
{
    if (flags & (O_TMPFILE & ~O_DIRECTORY))
        return fail(EOPNOTSUPP);
    auto it = g_nodes.find(p);
    const int access = flags & O_ACCMODE;
    if (it == g_nodes.end()) {
        if (!(flags & O_CREAT))
            return fail(ENOENT);
        if (!dirExists(parentOf(p)))
            return fail(ENOENT);
        Node n;
        n.ino = g_nextIno++;
        n.data = std::make_shared<MemFile>();
        it = g_nodes.emplace(p, n).first;
    } else if ((flags & O_CREAT) && (flags & O_EXCL)) {
        return fail(EEXIST);
    }
    Node& n = it->second;
    if (n.dir) {
        if (access != O_RDONLY)
            return fail(EISDIR);
        Open o;
        o.ino = n.ino;
        o.flags = flags;
        return newFd(o);
    }
    if (flags & O_DIRECTORY)
        return fail(ENOTDIR);
    if ((flags & O_TRUNC) && access != O_RDONLY)
        *n.data = MemFile();
    Open o;
    o.data = n.data;
    o.ino = n.ino;
    o.flags = flags;
    return newFd(o);
}

ssize_t memRead(Open& o, void* buf, size_t n, off_t at)
{
    if (!o.data)
        return fail(EISDIR);
    if ((o.flags & O_ACCMODE) == O_WRONLY)
        return fail(EBADF);
    const MemFile& f = *o.data;
    if (at >= off_t(f.size))
        return 0;
    const size_t take = std::min(n, f.size - size_t(at));
    const size_t written = size_t(at) < f.bytes.size() ? std::min(take, f.bytes.size() - size_t(at)) : 0;
    memcpy(buf, f.bytes.data() + at, written);
    memset(static_cast<char*>(buf) + written, 0, take - written);
    return ssize_t(take);
}

ssize_t memWrite(Open& o, const void* buf, size_t n, off_t at)
{
    if (!o.data || (o.flags & O_ACCMODE) == O_RDONLY)
        return fail(EBADF);
    MemFile& f = *o.data;
    if (size_t(at) + n > f.bytes.size())
        f.bytes.resize(size_t(at) + n, '\0');
    memcpy(&f.bytes[size_t(at)], buf, n);
    f.size = std::max(f.size, f.bytes.size());
    return ssize_t(n);
}

int streamFlags(const char* mode)
{
    int flags = 0;
    switch (mode[0]) {
    case 'r': flags = O_RDONLY; break;
    case 'w': flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    case 'a': flags = O_WRONLY | O_CREAT | O_APPEND; break;
    default: return -1;
    }
    for (const char* m = mode + 1; *m; ++m) {
        if (*m == '+')
            flags = (flags & ~O_ACCMODE) | O_RDWR;
        else if (*m == 'x')
            flags |= O_EXCL;
    }
    return flags;
}

ssize_t cookieRead(void* c, char* buf, size_t n);
ssize_t cookieWrite(void* c, const char* buf, size_t n);
int cookieSeek(void* c, off64_t* off, int whence);
int cookieClose(void* c);

} // namespace

extern "C" {

int __wrap_open(const char* path, int flags, ...)
{
    mode_t mode = 0;
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list ap;
        va_start(ap, flags);
        mode = mode_t(va_arg(ap, int));
        va_end(ap);
    }
    std::lock_guard<std::recursive_mutex> g(g_lock);
    const std::string p = inside(path);
    if (p.empty())
        return __real_open(path, flags, mode);
    return memOpen(p, flags);
}

ssize_t __wrap_read(int fd, void* buf, size_t n)
{
    if (fd < FIRST_FD)
        return __real_read(fd, buf, n);
    std::lock_guard<std::recursive_mutex> g(g_lock);
    Open* o = openOf(fd);
    if (!o)
        return __real_read(fd, buf, n);
    const ssize_t r = memRead(*o, buf, n, o->pos);
    if (r > 0)
        o->pos += r;
    return r;
}

ssize_t __wrap_write(int fd, const void* buf, size_t n)
{
    if (fd < FIRST_FD)
        return __real_write(fd, buf, n);
    std::lock_guard<std::recursive_mutex> g(g_lock);
    Open* o = openOf(fd);
    if (!o)
        return __real_write(fd, buf, n);
    if (o->data && (o->flags & O_APPEND))
        o->pos = off_t(o->data->size);
    const ssize_t r = memWrite(*o, buf, n, o->pos);
    if (r > 0)
        o->pos += r;
    return r;
}

ssize_t __wrap_pread(int fd, void* buf, size_t n, off_t at)
{
    if (fd < FIRST_FD)
        return __real_pread(fd, buf, n, at);
    std::lock_guard<std::recursive_mutex> g(g_lock);
    Open* o = openOf(fd);
    if (!o)
        return __real_pread(fd, buf, n, at);
    if (at < 0)
        return fail(EINVAL);
    return memRead(*o, buf, n, at);
}

ssize_t __wrap_pwrite(int fd, const void* buf, size_t n, off_t at)
{
    if (fd < FIRST_FD)
        return __real_pwrite(fd, buf, n, at);
    std::lock_guard<std::recursive_mutex> g(g_lock);
    Open* o = openOf(fd);
    if (!o)
        return __real_pwrite(fd, buf, n, at);
    if (at < 0)
        return fail(EINVAL);
    return memWrite(*o, buf, n, at);
}

int __wrap_close(int fd)
{
    if (fd < FIRST_FD)
        return __real_close(fd);
    std::lock_guard<std::recursive_mutex> g(g_lock);
    if (!openOf(fd))
        return __real_close(fd);
    g_fds.erase(fd);
    return 0;
}

off_t __wrap_lseek(int fd, off_t off, int whence)
{
    if (fd < FIRST_FD)
        return __real_lseek(fd, off, whence);
    std::lock_guard<std::recursive_mutex> g(g_lock);
    Open* o = openOf(fd);
    if (!o)
        return __real_lseek(fd, off, whence);
    off_t base = 0;
    if (whence == SEEK_CUR)
        base = o->pos;
    else if (whence == SEEK_END)
        base = o->data ? off_t(o->data->size) : 0;
    else if (whence != SEEK_SET)
        return fail(EINVAL);
    if (base + off < 0)
        return fail(EINVAL);
    o->pos = base + off;
    return o->pos;
}

int __wrap_fstat(int fd, struct stat* st)
{
    if (fd < FIRST_FD)
        return __real_fstat(fd, st);
    std::lock_guard<std::recursive_mutex> g(g_lock);
    Open* o = openOf(fd);
    if (!o)
        return __real_fstat(fd, st);
    Node n;
    n.dir = !o->data;
    n.ino = o->ino;
    n.data = o->data;
    fill(st, n);
    return 0;
}

int __wrap_stat(const char* path, struct stat* st)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    const std::string p = inside(path);
    if (p.empty())
        return __real_stat(path, st);
    auto it = g_nodes.find(p);
    if (it == g_nodes.end())
        return fail(ENOENT);
    fill(st, it->second);
    return 0;
}

int __wrap_lstat(const char* path, struct stat* st)
{
    {
        std::lock_guard<std::recursive_mutex> g(g_lock);
        if (inside(path).empty())
            return __real_lstat(path, st);
    }
    return __wrap_stat(path, st);   // no links among these files
}

int __wrap_rename(const char* from, const char* to)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    const std::string a = inside(from), b = inside(to);
    if (a.empty() && b.empty())
        return __real_rename(from, to);
    if (a.empty() || b.empty())
        return fail(EXDEV);
    auto it = g_nodes.find(a);
    if (it == g_nodes.end())
        return fail(ENOENT);
    if (it->second.dir)
        return fail(EISDIR);   // no target renames a directory
    if (!dirExists(parentOf(b)))
        return fail(ENOENT);
    auto dest = g_nodes.find(b);
    if (dest != g_nodes.end() && dest->second.dir)
        return fail(EISDIR);
    if (a == b)
        return 0;
    Node moved = it->second;
    g_nodes.erase(it);
    g_nodes[b] = moved;
    return 0;
}

int __wrap_unlink(const char* path)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    const std::string p = inside(path);
    if (p.empty())
        return __real_unlink(path);
    auto it = g_nodes.find(p);
    if (it == g_nodes.end())
        return fail(ENOENT);
    if (it->second.dir)
        return fail(EISDIR);
    g_nodes.erase(it);
    return 0;
}

// Directories are made on the disk too: the targets work in one (chdir).
int __wrap_mkdir(const char* path, mode_t mode)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    const std::string p = inside(path);
    if (p.empty())
        return __real_mkdir(path, mode);
    if (g_nodes.count(p))
        return fail(EEXIST);
    if (!dirExists(parentOf(p)))
        return fail(ENOENT);
    if (__real_mkdir(path, mode) != 0 && errno != EEXIST)
        return -1;
    Node n;
    n.dir = true;
    n.ino = g_nextIno++;
    g_nodes[p] = n;
    return 0;
}

int __wrap_truncate(const char* path, off_t size)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    const std::string p = inside(path);
    if (p.empty())
        return __real_truncate(path, size);
    auto it = g_nodes.find(p);
    if (it == g_nodes.end())
        return fail(ENOENT);
    if (it->second.dir || size < 0)
        return fail(EINVAL);
    MemFile& f = *it->second.data;
    if (size_t(size) < f.bytes.size())
        f.bytes.resize(size_t(size));
    f.size = size_t(size);
    return 0;
}

int __wrap_fchmod(int fd, mode_t mode)
{
    if (fd < FIRST_FD)
        return __real_fchmod(fd, mode);
    std::lock_guard<std::recursive_mutex> g(g_lock);
    if (!openOf(fd))
        return __real_fchmod(fd, mode);
    return 0;
}

int __wrap_chdir(const char* path)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    const int r = __real_chdir(path);
    g_cwd.clear();
    return r;
}

FILE* __wrap_fopen(const char* path, const char* mode)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    const std::string p = inside(path);
    if (p.empty())
        return __real_fopen(path, mode);
    const int flags = streamFlags(mode);
    if (flags < 0) {
        errno = EINVAL;
        return nullptr;
    }
    const int fd = memOpen(p, flags);
    if (fd < 0)
        return nullptr;
    if (!g_fds[fd].data) {
        g_fds.erase(fd);
        errno = EISDIR;
        return nullptr;
    }
    cookie_io_functions_t io = { cookieRead, cookieWrite, cookieSeek, cookieClose };
    FILE* f = fopencookie(reinterpret_cast<void*>(intptr_t(fd)), mode, io);
    if (!f) {
        g_fds.erase(fd);
        return nullptr;
    }
    g_streams[f] = fd;
    return f;
}

int __wrap_fileno(FILE* f)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    auto it = g_streams.find(f);
    if (it == g_streams.end())
        return __real_fileno(f);
    return it->second;
}

DIR* __wrap_opendir(const char* path)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    const std::string p = inside(path);
    if (p.empty() && path && scratchDir() != path)
        return __real_opendir(path);
    const std::string dir = p.empty() ? scratchDir() : p;
    if (!dirExists(dir)) {
        errno = g_nodes.count(dir) ? ENOTDIR : ENOENT;
        return nullptr;
    }
    Listing* l = new Listing;
    const std::string prefix = dir + "/";
    for (auto it = g_nodes.lower_bound(prefix); it != g_nodes.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
        if (it->first.find('/', prefix.size()) == std::string::npos)
            l->names.push_back(it->first.substr(prefix.size()));
    g_listings.insert(l);
    return reinterpret_cast<DIR*>(l);
}

struct dirent* __wrap_readdir(DIR* d)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    Listing* l = reinterpret_cast<Listing*>(d);
    if (!g_listings.count(l))
        return __real_readdir(d);
    if (l->next >= l->names.size())
        return nullptr;
    const std::string& name = l->names[l->next++];
    memset(&l->entry, 0, sizeof l->entry);
    snprintf(l->entry.d_name, sizeof l->entry.d_name, "%s", name.c_str());
    l->entry.d_type = DT_UNKNOWN;
    return &l->entry;
}

int __wrap_closedir(DIR* d)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    Listing* l = reinterpret_cast<Listing*>(d);
    if (!g_listings.count(l))
        return __real_closedir(d);
    g_listings.erase(l);
    delete l;
    return 0;
}

} // extern "C"

namespace {

int fdOf(void* c)
{
    return int(reinterpret_cast<intptr_t>(c));
}

ssize_t cookieRead(void* c, char* buf, size_t n)
{
    const ssize_t r = __wrap_read(fdOf(c), buf, n);
    return r < 0 ? -1 : r;
}

ssize_t cookieWrite(void* c, const char* buf, size_t n)
{
    const ssize_t r = __wrap_write(fdOf(c), buf, n);
    return r < 0 ? 0 : r;
}

int cookieSeek(void* c, off64_t* off, int whence)
{
    const off_t r = __wrap_lseek(fdOf(c), off_t(*off), whence);
    if (r < 0)
        return -1;
    *off = r;
    return 0;
}

int cookieClose(void* c)
{
    std::lock_guard<std::recursive_mutex> g(g_lock);
    for (auto it = g_streams.begin(); it != g_streams.end(); ++it)
        if (it->second == fdOf(c)) {
            g_streams.erase(it);
            break;
        }
    return __wrap_close(fdOf(c));
}

} // namespace
