#include "bmsbussim.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <stdio.h>

BmsBusSim::BmsBusSim() = default;

BmsBusSim::~BmsBusSim()
{
    stop();
}

bool BmsBusSim::open(const std::string& root, const std::string& ifname, int batteryType, int count)
{
    protocol_ = BmsRackSim::protocolOf(batteryType);
    if (protocol_ == BmsRackSim::KWBE)
        count = 1;
    if (count < 1)
        count = 1;
    if (count > 8)
        count = 8;
    racks_.clear();
    for (int r = 0; r < count; ++r)
        racks_.emplace_back(protocol_, r);
    return port_.open(root, ifname);
}

std::unique_ptr<BmsBusSim> BmsBusSim::launch(const std::string& root, int batteryType)
{
    std::unique_ptr<BmsBusSim> bus(new BmsBusSim);
    if (!bus->open(root, "can1", batteryType, 2)) {
        fprintf(stderr, "cabinetsim: cannot join the CAN bus can1 under %s\n", root.c_str());
        return nullptr;
    }
    bus->start();
    static const char* const names[] = { "generic (PDU format 0xF2)", "BMS-F", "type 4 (11-bit)" };
    printf("cabinetsim: %d battery rack(s), protocol %s, on the virtual CAN bus %s/can/can1\n", bus->racks(),
        names[bus->protocol()], root.c_str());
    fflush(stdout);
    return bus;
}

int BmsBusSim::batteryTypeIn(const std::string& root)
{
    return settingIn(root, 26, 0);
}

int BmsBusSim::settingIn(const std::string& root, int entry, int otherwise)
{
    // A Qt data stream of 80 entries: a big-endian 32-bit integer, then a string as its byte
    // length (0xFFFFFFFF for none) and UTF-16 characters.
    std::ifstream in(root + "/bin/monitorset.txt", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = 0;
    auto word = [&](uint32_t* out) {
        if (at + 4 > bytes.size())
            return false;
        *out = 0;
        for (int i = 0; i < 4; ++i)
            *out = (*out << 8) | uint8_t(bytes[at + i]);
        at += 4;
        return true;
    };
    for (int k = 0; k <= entry; ++k) {
        uint32_t value, length;
        if (!word(&value) || !word(&length))
            return otherwise;
        if (k == entry)
            return int32_t(value);
        if (length != 0xFFFFFFFFu)
            at += length;
    }
    return otherwise;
}

void BmsBusSim::start()
{
    if (!stop_)
        return;
    stop_ = false;
    receiver_ = std::thread([this] { receiveLoop(); });
    reporter_ = std::thread([this] { reportLoop(); });
}

void BmsBusSim::stop()
{
    stop_ = true;
    if (receiver_.joinable())
        receiver_.join();
    if (reporter_.joinable())
        reporter_.join();
}

void BmsBusSim::edit(int rack, const std::function<void(BmsRackSim&)>& change)
{
    std::lock_guard<std::mutex> g(lock_);
    if (rack >= 0 && rack < int(racks_.size()))
        change(racks_[rack]);
}

BmsRackSim BmsBusSim::snapshot(int rack)
{
    std::lock_guard<std::mutex> g(lock_);
    return racks_.at(rack);
}

void BmsBusSim::report(bool post)
{
    std::vector<SimFrame> frames;
    {
        std::lock_guard<std::mutex> g(lock_);
        for (const BmsRackSim& r : racks_) {
            std::vector<SimFrame> more = r.frames();
            frames.insert(frames.end(), more.begin(), more.end());
        }
    }
    if (!post) {
        port_.sendBurst(frames);
        return;
    }
    for (const SimFrame& f : frames)
        port_.post(f);
}

void BmsBusSim::received(const SimFrame& f)
{
    if (!f.extended) {
        if (f.id == 0x305)
            ++replies_;
        return;
    }
    if (f.da() == 0x82 && f.pf() == 0x00 && f.data[0] == 0xAA) {
        ++wakeups_;
        edit(f.sa() & 0x0F, [](BmsRackSim& r) {
            r.awake = true;
            ++r.wakeups;
        });
        return;
    }
    if (f.da() == 0x42 && f.pf() == 0x00 && f.sa() == 0x00) {
        ++requests_;
        if (protocol_ == BmsRackSim::BMS_F)
            report(true);
    }
}

void BmsBusSim::receiveLoop()
{
    while (!stop_) {
        SimFrame f;
        if (port_.receive(&f, 50))
            received(f);
    }
}

void BmsBusSim::reportLoop()
{
    auto last = std::chrono::steady_clock::now();
    while (!stop_) {
        // Short naps, so that stop() never waits a whole period.
        const auto due = last + std::chrono::milliseconds(int(periodMs_));
        while (!stop_ && std::chrono::steady_clock::now() < due)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (stop_)
            break;
        const auto now = std::chrono::steady_clock::now();
        const double dt = std::chrono::duration<double>(now - last).count();
        last = now;
        {
            std::lock_guard<std::mutex> g(lock_);
            for (BmsRackSim& r : racks_)
                r.tick(dt);
        }
        if (protocol_ != BmsRackSim::BMS_F)
            reportAll();
    }
}
