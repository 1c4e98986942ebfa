#ifndef FIFORELEASE_H
#define FIFORELEASE_H

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <string>
#include <thread>
#include <unistd.h>

// Opens and closes a FIFO's writing end after a while if a reader still waits on it, so code that
// would hang on the FIFO fails its test instead of stopping the suite. waited tells.
class FifoRelease {
public:
    explicit FifoRelease(const std::string& path)
        : path_(path)
        , finished_(done_.get_future())
        , thread_([this]() {
            if (finished_.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
                return;
            // Succeeds only while a reader has the FIFO open.
            const int w = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
            if (w >= 0) {
                waited = true;
                ::close(w);
            }
        })
    {
    }
    ~FifoRelease()
    {
        done_.set_value();
        thread_.join();
    }
    FifoRelease(const FifoRelease&) = delete;
    FifoRelease& operator=(const FifoRelease&) = delete;

    std::atomic<bool> waited{ false };

private:
    std::string path_;
    std::promise<void> done_;
    std::future<void> finished_;
    std::thread thread_;
};

#endif
