#ifndef TESTS_MODBUSSLAVES_H
#define TESTS_MODBUSSLAVES_H

#include <atomic>
#include <functional>
#include <modbus.h>
#include <mutex>
#include <sys/select.h>
#include <thread>
#include <unistd.h>
#include <vector>

typedef std::vector<unsigned char> Bytes;

inline bool waitInput(int fd, int ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    struct timeval tv = { ms / 1000, (ms % 1000) * 1000 };
    return select(fd + 1, &set, nullptr, nullptr, &tv) > 0;
}

// libmodbus as an independent RTU slave on the master side of a pty.
class LibmodbusSlave {
public:
    modbus_mapping_t* map;
    std::mutex lock;          // hold while changing the map between polls
    std::atomic<bool> mute{ false };

    LibmodbusSlave(int fd, int slave)
    {
        ctx_ = modbus_new_rtu("/dev/null", 19200, 'N', 8, 1);
        modbus_set_slave(ctx_, slave);
        modbus_set_socket(ctx_, fd);
        map = modbus_mapping_new(64, 64, 0x2100, 512);
        thread_ = std::thread([this] { loop(); });
    }
    ~LibmodbusSlave()
    {
        stop_ = true;
        thread_.join();
        modbus_mapping_free(map);
        modbus_free(ctx_);
    }

private:
    void loop()
    {
        uint8_t q[MODBUS_RTU_MAX_ADU_LENGTH];
        while (!stop_) {
            if (!waitInput(modbus_get_socket(ctx_), 20))
                continue;
            int rc = modbus_receive(ctx_, q);
            if (rc > 0 && !mute) {
                std::lock_guard<std::mutex> g(lock);
                modbus_reply(ctx_, q, rc, map);
            }
        }
    }

    modbus_t* ctx_;
    std::thread thread_;
    std::atomic<bool> stop_{ false };
};

// A slave that answers each request with what a test tells it, byte for byte: what libmodbus
// would never send (swapped CRC, wrong byte counts, replies in pieces, stale echoes).
class ScriptedSlave {
public:
    typedef std::function<void(const Bytes& request, ScriptedSlave& slave)> Handler;

    ScriptedSlave(int fd, Handler h) : fd_(fd), handler_(h)
    {
        thread_ = std::thread([this] { loop(); });
    }
    ~ScriptedSlave()
    {
        stop_ = true;
        thread_.join();
    }

    void send(const Bytes& b)
    {
        if (!b.empty() && write(fd_, b.data(), b.size()) != (ssize_t)b.size()) {
        }
    }
    int requests() const { return requests_; }
    std::vector<Bytes> seen()
    {
        std::lock_guard<std::mutex> g(lock_);
        return seen_;
    }

private:
    void loop()
    {
        while (!stop_) {
            if (!waitInput(fd_, 20))
                continue;
            Bytes req;
            do {
                unsigned char buf[512];
                ssize_t n = read(fd_, buf, sizeof buf);
                if (n <= 0)
                    break;
                req.insert(req.end(), buf, buf + n);
            } while (waitInput(fd_, 5));
            {
                std::lock_guard<std::mutex> g(lock_);
                seen_.push_back(req);
            }
            ++requests_;
            handler_(req, *this);
        }
    }

    int fd_;
    Handler handler_;
    std::thread thread_;
    std::atomic<bool> stop_{ false };
    std::atomic<int> requests_{ 0 };
    std::mutex lock_;
    std::vector<Bytes> seen_;
};

#endif
