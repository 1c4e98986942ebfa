#include "dcbussim.h"

#include <chrono>

DcBusSim::DcBusSim() = default;

DcBusSim::~DcBusSim()
{
    stop();
    for (auto& m : modules_)
        delete m.second;
}

bool DcBusSim::open(const std::string& root, const std::string& ifname, int count)
{
    if (!port_.open(root, ifname))
        return false;
    for (int n = 1; n <= count; ++n)
        if (!modules_.count(n))
            modules_[n] = new DcModuleSim(n);
    return true;
}

DcModuleSim* DcBusSim::module(int number)
{
    auto it = modules_.find(number);
    return it == modules_.end() ? nullptr : it->second;
}

void DcBusSim::start()
{
    if (receiver_.joinable())
        return;
    stop_ = false;
    receiver_ = std::thread([this] { receiveLoop(); });
    reporter_ = std::thread([this] { reportLoop(); });
}

void DcBusSim::stop()
{
    stop_ = true;
    if (receiver_.joinable())
        receiver_.join();
    if (reporter_.joinable())
        reporter_.join();
}

void DcBusSim::receiveLoop()
{
    while (!stop_) {
        if (!port_.waitReadable(50))
            continue;
        std::lock_guard<std::mutex> g(answerLock_);
        answerLocked();
    }
}

void DcBusSim::answerPending()
{
    std::lock_guard<std::mutex> g(answerLock_);
    answerLocked();
}

void DcBusSim::answerLocked()
{
    SimFrame f;
    while (port_.receive(&f, 0)) {
        ++received_;
        for (auto& m : modules_)
            for (const SimFrame& reply : m.second->receive(f))
                port_.post(reply);
    }
}

void DcBusSim::reportAll()
{
    // One burst for all modules, as their reports follow each other on a real bus.
    std::vector<SimFrame> frames;
    for (auto& m : modules_) {
        const std::vector<SimFrame> more = m.second->report();
        frames.insert(frames.end(), more.begin(), more.end());
    }
    port_.sendBurst(frames);
}

void DcBusSim::reportLoop()
{
    auto last = std::chrono::steady_clock::now();
    while (!stop_) {
        const auto now = std::chrono::steady_clock::now();
        const double dt = std::chrono::duration<double>(now - last).count();
        last = now;
        for (auto& m : modules_)
            m.second->tick(dt);
        reportAll();
        const auto next = now + std::chrono::milliseconds(periodMs_.load());
        while (!stop_ && std::chrono::steady_clock::now() < next)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
