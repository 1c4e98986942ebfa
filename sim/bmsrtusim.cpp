#include "bmsrtusim.h"

#include "bmsbussim.h"
#include "simcrc.h"
#include "simpty.h"

#include <chrono>
#include <fcntl.h>
#include <math.h>
#include <memory>
#include <stdio.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

namespace {

uint16_t s16(double v)
{
    long n = lround(v);
    if (n < -32768)
        n = -32768;
    if (n > 32767)
        n = 32767;
    return uint16_t(int16_t(n));
}

}

BmsRtuSim::BmsRtuSim() {}

BmsRtuSim::~BmsRtuSim()
{
    stop();
    simpty::close(&master_, &slave_, &link_);
}

bool BmsRtuSim::open(const std::string& linkPath, int batteryType, int units, int address)
{
    std::string name;
    if (!simpty::open("BmsRtuSim::open", linkPath, true, &master_, &slave_, &name))
        return false;
    link_ = linkPath;
    type_ = batteryType;
    address_ = address;
    units_.resize(size_t(units));
    for (int u = 0; u < units; ++u) {
        units_[size_t(u)].rack = BmsRackSim(BmsRackSim::GENERIC, u);
        units_[size_t(u)].chargedKwh += 100 * u;
    }
    return true;
}

std::vector<uint16_t> BmsRtuSim::wordsOf(const Unit& u, int number) const
{
    const BmsRackSim& r = u.rack;
    std::vector<uint16_t> w(WORDS, 0);
    auto put32 = [&](int at, double v) {
        const uint32_t n = uint32_t(lround(v < 0 ? 0 : v));
        const uint16_t low = uint16_t(n & 0xFFFF), high = uint16_t(n >> 16);
        w[size_t(at)] = type_ == 2 ? high : low;
        w[size_t(at + 1)] = type_ == 2 ? low : high;
    };
    w[0] = s16(r.rackVoltage() * 10);
    w[1] = s16(r.current * 10);
    w[2] = s16(r.cellMax * 1000);
    w[3] = s16(r.cellMin * 1000);
    put32(4, r.soc * 100);
    w[6] = s16(r.soh * 10);
    w[7] = s16(r.tempMax * 10);
    w[8] = s16(r.tempMin * 10);
    w[9] = s16(r.power() * 10);
    w[10] = s16(r.chargeLimit);
    w[11] = s16(r.dischargeLimit);
    put32(12, u.chargedKwh * 10);
    put32(14, u.dischargedKwh * 10);
    put32(16, r.soc / 100.0 * r.capacityAh * 10);
    w[18] = s16(r.cycles);
    for (int f = 0; f < FLAGS; ++f)
        w[size_t(FIRST_FLAG + f)] = uint16_t(u.flags[f]);
    w[30] = uint16_t(17 + number);
    w[31] = uint16_t(105 + number);
    w[32] = uint16_t(3 + number);
    return w;
}

bool BmsRtuSim::transact(const std::vector<uint8_t>& request)
{
    // A request the panel never read would be taken for the start of the next one.
    if (!lastAnswered_)
        tcflush(slave_, TCIFLUSH);
    if (::write(master_, request.data(), request.size()) != ssize_t(request.size()))
        return lastAnswered_ = false;
    // The write-multiple reply: node, 16, address, count, CRC.
    std::vector<uint8_t> reply;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (reply.size() < 8 && std::chrono::steady_clock::now() < until) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(master_, &set);
        struct timeval tv = { 0, 20000 };
        if (select(master_ + 1, &set, nullptr, nullptr, &tv) > 0) {
            uint8_t buf[64];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0)
                reply.insert(reply.end(), buf, buf + n);
        }
    }
    lastAnswered_ = reply.size() >= 8 && reply[0] == request[0] && reply[1] == 16
        && simCrc16(reply.data(), 6) == uint16_t(reply[6] | (reply[7] << 8));
    return lastAnswered_;
}

int BmsRtuSim::writeAll()
{
    int answered = 0;
    const int n = int(units_.size());
    for (int u = 0; u < n; ++u) {
        std::vector<uint16_t> w = words(u);
        const int address = BASE + STRIDE * u;
        std::vector<uint8_t> f = { uint8_t(address_), 16, uint8_t(address >> 8), uint8_t(address & 0xFF), 0,
            uint8_t(w.size()), uint8_t(2 * w.size()) };
        for (uint16_t x : w) {
            f.push_back(uint8_t(x >> 8));
            f.push_back(uint8_t(x & 0xFF));
        }
        const uint16_t crc = simCrc16(f.data(), f.size());
        f.push_back(uint8_t(crc & 0xFF));
        f.push_back(uint8_t(crc >> 8));
        if (transact(f)) {
            ++answered;
            ++answered_;
        } else {
            ++unanswered_;
        }
    }
    return answered;
}

void BmsRtuSim::loop()
{
    auto last = std::chrono::steady_clock::now();
    while (!stop_) {
        const auto now = std::chrono::steady_clock::now();
        const double dt = std::chrono::duration<double>(now - last).count();
        last = now;
        if (moving_) {
            std::lock_guard<std::mutex> g(lock_);
            for (Unit& u : units_) {
                u.rack.tick(dt);
                (u.rack.current > 0 ? u.chargedKwh : u.dischargedKwh) += fabs(u.rack.power()) * dt / 3600.0;
            }
        }
        writeAll();
        for (int waited = 0; waited < periodMs_ && !stop_; waited += 20)
            usleep(20000);
    }
}

void BmsRtuSim::start()
{
    if (!stop_)
        return;
    stop_ = false;
    thread_ = std::thread(&BmsRtuSim::loop, this);
}

void BmsRtuSim::stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void BmsRtuSim::edit(int unit, const std::function<void(BmsRackSim&)>& change)
{
    std::lock_guard<std::mutex> g(lock_);
    if (unit >= 0 && unit < int(units_.size()))
        change(units_[size_t(unit)].rack);
}

BmsRackSim BmsRtuSim::snapshot(int unit)
{
    std::lock_guard<std::mutex> g(lock_);
    return units_.at(size_t(unit)).rack;
}

void BmsRtuSim::setFlag(int unit, int flag, bool on)
{
    std::lock_guard<std::mutex> g(lock_);
    if (unit >= 0 && unit < int(units_.size()) && flag >= 0 && flag < FLAGS)
        units_[size_t(unit)].flags[flag] = on ? 1 : 0;
}

int BmsRtuSim::flag(int unit, int flag)
{
    std::lock_guard<std::mutex> g(lock_);
    return units_.at(size_t(unit)).flags[flag];
}

std::vector<uint16_t> BmsRtuSim::words(int unit)
{
    std::lock_guard<std::mutex> g(lock_);
    return wordsOf(units_.at(size_t(unit)), unit);
}

double BmsRtuSim::chargedKwh(int unit)
{
    std::lock_guard<std::mutex> g(lock_);
    return units_.at(size_t(unit)).chargedKwh;
}

double BmsRtuSim::dischargedKwh(int unit)
{
    std::lock_guard<std::mutex> g(lock_);
    return units_.at(size_t(unit)).dischargedKwh;
}

std::unique_ptr<BmsRtuSim> BmsRtuSim::launch(const std::string& root, int batteryType)
{
    std::unique_ptr<BmsRtuSim> sim(new BmsRtuSim);
    const int address = BmsBusSim::settingIn(root, 8, 1);
    if (!sim->open(root + "/dev/ttySAC3", batteryType, 2, address >= 1 && address <= 247 ? address : 1))
        return nullptr;
    sim->start();
    printf("cabinetsim: BMS-A battery (2 units, %s word order) writing to slave %d on %s/dev/ttySAC3\n",
        batteryType == 2 ? "high" : "low", address, root.c_str());
    fflush(stdout);
    return sim;
}
