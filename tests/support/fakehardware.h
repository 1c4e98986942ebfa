#ifndef FAKEHARDWARE_H
#define FAKEHARDWARE_H

#include "hardwarebackend.h"

#include <errno.h>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string.h>
#include <vector>

// The board's devices in memory. "/dev/gpio" answers the driver's protocol (a read of n bytes
// gives the level of pin n; an ioctl whose request is 0 or 1 sets the level of the pin in its
// argument); every ioctl and write is recorded. The LED and buzzer threads never stop, so a
// test installs one with install() and leaves it in place for the rest of the process; one
// installed earlier is kept too (a device thread may still be inside one of its calls).
class FakeHardware : public HardwareBackend {
public:
    struct Ioctl {
        std::string path;
        unsigned long request;
        long arg;
    };

    static FakeHardware* install()
    {
        static std::vector<FakeHardware*>* const installed = new std::vector<FakeHardware*>;
        FakeHardware* hw = new FakeHardware;
        installed->push_back(hw);
        HardwareBackend::setInstance(hw);
        return hw;
    }

    int open(const char* path, int) override
    {
        std::lock_guard<std::mutex> g(m);
        if (missing.count(path)) {
            errno = ENOENT;
            return -1;
        }
        // Far above the descriptors the process really holds.
        const int fd = 1000 + int(paths.size());
        paths[fd] = path;
        opened.push_back(path);
        return fd;
    }
    int close(int fd) override
    {
        std::lock_guard<std::mutex> g(m);
        closed.push_back(pathOf(fd));
        return 0;
    }
    ssize_t read(int fd, void* buf, size_t count) override
    {
        std::lock_guard<std::mutex> g(m);
        ++reads;
        if (pathOf(fd) != "/dev/gpio" || count == 0 || count >= sizeof level)
            return 0;
        static_cast<char*>(buf)[0] = char(level[count]);
        return 1;
    }
    ssize_t write(int fd, const void* buf, size_t count) override
    {
        std::lock_guard<std::mutex> g(m);
        written[pathOf(fd)].append(static_cast<const char*>(buf), count);
        return ssize_t(count);
    }
    int ioctl(int fd, unsigned long request, unsigned long arg) override
    {
        std::lock_guard<std::mutex> g(m);
        const std::string path = pathOf(fd);
        ioctls.push_back({ path, request, long(arg) });
        if (failing.count(path)) {
            errno = EIO;
            return -1;
        }
        if (path == "/dev/gpio" && arg < sizeof level / sizeof level[0])
            level[arg] = int(request);
        return 0;
    }
    int ioctlPtr(int fd, unsigned long request, int* arg) override
    {
        std::lock_guard<std::mutex> g(m);
        ioctls.push_back({ pathOf(fd), request, arg ? long(*arg) : 0 });
        return 0;
    }

    // Snapshots taken under the lock, for tests that run beside the device threads.
    std::vector<Ioctl> ioctlsOf(const std::string& path)
    {
        std::lock_guard<std::mutex> g(m);
        std::vector<Ioctl> out;
        for (const Ioctl& i : ioctls)
            if (i.path == path)
                out.push_back(i);
        return out;
    }
    int pin(int n)
    {
        std::lock_guard<std::mutex> g(m);
        return level[n];
    }
    void setPin(int n, int value)
    {
        std::lock_guard<std::mutex> g(m);
        level[n] = value;
    }
    void clearLog()
    {
        std::lock_guard<std::mutex> g(m);
        ioctls.clear();
        written.clear();
        reads = 0;
    }

    std::mutex m;
    std::set<std::string> missing;   // paths that fail to open
    std::set<std::string> failing;   // paths whose value ioctls fail with EIO
    std::map<int, std::string> paths;
    std::vector<std::string> opened, closed;
    std::vector<Ioctl> ioctls;
    std::map<std::string, std::string> written;
    int level[16] = {};
    int reads = 0;

private:
    std::string pathOf(int fd) const
    {
        auto it = paths.find(fd);
        return it == paths.end() ? std::string() : it->second;
    }
};

#endif
