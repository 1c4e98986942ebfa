#ifndef PVPEER_H
#define PVPEER_H

#include <modbus.h>

#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <stdint.h>
#include <string.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// A listening socket on 127.0.0.1 at a port the system picks, never 502.
inline int listenLocal(int* port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    struct sockaddr_in a;
    memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    return fd;
}

inline bool readable(int fd, int ms)
{
    struct pollfd p = { fd, POLLIN, 0 };
    return ::poll(&p, 1, ms) > 0;
}

// A TCP peer serving one client at a time in a thread of its own. Each request the client
// sends is handed to `serve`, which answers it; every request is kept byte for byte.
class TcpPeer {
public:
    TcpPeer() { listen_ = listenLocal(&port_); }
    virtual ~TcpPeer() { stop(); }

    void start() { thread_ = std::thread([this] { loop(); }); }
    void stop()
    {
        running_ = false;
        if (thread_.joinable())
            thread_.join();
        if (client_ >= 0)
            ::close(client_);
        client_ = -1;
        if (listen_ >= 0)
            ::close(listen_);
        listen_ = -1;
    }
    // Closes the client's connection; the peer goes on listening.
    void drop() { dropRequested_ = true; }

    int port() const { return port_; }
    int connections() const { return connections_; }
    std::vector<std::vector<uint8_t>> requests()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    // Requests with this function code and register, in order.
    std::vector<std::vector<uint8_t>> requestsTo(int function, int reg)
    {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& r : requests())
            if (r.size() >= 10 && r[7] == function && (r[8] << 8 | r[9]) == reg)
                out.push_back(r);
        return out;
    }

protected:
    // Answers one request (the whole 12-byte frame).
    virtual void serve(int fd, const std::vector<uint8_t>& request) = 0;
    std::mutex mutex_;

private:
    void loop()
    {
        while (running_) {
            if (dropRequested_.exchange(false) && client_ >= 0) {
                ::close(client_);
                client_ = -1;
            }
            if (client_ < 0) {
                if (readable(listen_, 10)) {
                    client_ = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
                    if (client_ >= 0)
                        ++connections_;
                }
                continue;
            }
            if (!readable(client_, 10))
                continue;
            uint8_t frame[260];
            const ssize_t n = ::recv(client_, frame, sizeof frame, 0);
            if (n <= 0) {
                ::close(client_);
                client_ = -1;
                continue;
            }
            std::vector<uint8_t> request(frame, frame + n);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            serve(client_, request);
        }
    }

    int listen_ = -1;
    int client_ = -1;
    int port_ = 0;
    std::atomic<bool> running_{ true };
    std::atomic<bool> dropRequested_{ false };
    std::atomic<int> connections_{ 0 };
    std::thread thread_;
    std::vector<std::vector<uint8_t>> requests_;
};

// The inverter played by libmodbus: holding registers 0..999 and input registers 0..299.
class LibmodbusInverter : public TcpPeer {
public:
    LibmodbusInverter()
    {
        ctx_ = modbus_new_tcp("127.0.0.1", port());
        map_ = modbus_mapping_new_start_address(0, 0, 0, 0, 0, 1000, 0, 300);
        start();
    }
    ~LibmodbusInverter() override
    {
        stop();
        modbus_mapping_free(map_);
        modbus_free(ctx_);
    }
    uint16_t holding(int reg)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return map_->tab_registers[reg];
    }
    void setHolding(int reg, uint16_t v)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        map_->tab_registers[reg] = v;
    }
    void setInput(int reg, uint16_t v)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        map_->tab_input_registers[reg] = v;
    }

protected:
    void serve(int fd, const std::vector<uint8_t>& request) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        modbus_set_socket(ctx_, fd);
        modbus_reply(ctx_, request.data(), int(request.size()), map_);
    }

private:
    modbus_t* ctx_;
    modbus_mapping_t* map_;
};

// A peer that answers what the test tells it, byte for byte (nothing when the answer is empty).
class ScriptedInverter : public TcpPeer {
public:
    explicit ScriptedInverter(std::function<std::vector<uint8_t>(const std::vector<uint8_t>&)> answer)
        : answer_(std::move(answer))
    {
        start();
    }
    ~ScriptedInverter() override { stop(); }

protected:
    void serve(int fd, const std::vector<uint8_t>& request) override
    {
        const std::vector<uint8_t> a = answer_(request);
        if (!a.empty() && ::send(fd, a.data(), a.size(), MSG_NOSIGNAL) < 0) {
        }
    }

private:
    std::function<std::vector<uint8_t>(const std::vector<uint8_t>&)> answer_;
};

#endif
