#ifndef BMSRTUSIM_H
#define BMSRTUSIM_H

#include "bmsracksim.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <stdint.h>
#include <string>
#include <thread>
#include <vector>

// A battery system of the BMS-A protocol (battery types 1 and 2): a Modbus RTU master on the
// pty the panel opens as its upward slave line (/dev/ttySAC3 under the root). Once a period it
// writes each unit's registers 0..32 with one write-multiple request to the slave at
// 0x3000 + 0x100 * unit:
//   0 rack voltage 0.1 V, 1 current 0.1 A (positive charges), 2 and 3 highest and lowest cell
//   mV, 4 and 5 SOC in 0.01 % as 32 bits, 6 SOH 0.1 %, 7 and 8 highest and lowest temperature
//   0.1 degrees C, 9 power 0.1 kW, 10 and 11 charge and discharge limits A, 12/13 and 14/15
//   charged and discharged energy 0.1 kWh as 32 bits, 16/17 remaining capacity 0.1 Ah as 32
//   bits, 18 cycles, 19 not used, 20..29 state flags (0 clear, 1 set: charge forbidden,
//   discharge forbidden, fault, rack over-voltage, rack under-voltage, cell over-voltage, cell
//   under-voltage, temperature, pre-charge done, main contactor closed), 30 and 31 the numbers
//   of the highest and lowest cell, 32 the number of the hottest probe.
// The 32-bit values go low word first in BMS-A-1.2 (type 1) and high word first in BMS-A-1.4
// (type 2).
class BmsRtuSim {
public:
    enum { BASE = 0x3000, STRIDE = 0x100, WORDS = 33, FLAGS = 10, FIRST_FLAG = 20 };

    BmsRtuSim();
    ~BmsRtuSim();

    // Makes the pty, links linkPath to it, and sets up `units` racks of the type's word order
    // that write to the slave `address`.
    bool open(const std::string& linkPath, int batteryType, int units, int address);
    void setPeriod(int ms) { periodMs_ = ms; }
    // Off: the values stand still between writes (for tests that compare them).
    void setMoving(bool on) { moving_ = on; }
    void start();
    void stop();

    // One write of every unit at once; the number the slave answered.
    int writeAll();

    void edit(int unit, const std::function<void(BmsRackSim&)>& change);
    BmsRackSim snapshot(int unit);
    void setFlag(int unit, int flag, bool on);
    int flag(int unit, int flag);
    // The words the unit writes next, registers 0..32.
    std::vector<uint16_t> words(int unit);
    double chargedKwh(int unit);
    double dischargedKwh(int unit);

    long answered() const { return answered_; }
    long unanswered() const { return unanswered_; }

    // The cabinet's BMS-A battery: two units on <root>/dev/ttySAC3, writing to the panel's
    // slave address (setting 8); null when the line cannot be made.
    static std::unique_ptr<BmsRtuSim> launch(const std::string& root, int batteryType);

private:
    struct Unit {
        BmsRackSim rack{ BmsRackSim::GENERIC, 0 };
        int flags[FLAGS] = { 0, 0, 0, 0, 0, 0, 0, 0, 1, 1 };
        double chargedKwh = 1234.5, dischargedKwh = 1100.2;
    };

    std::vector<uint16_t> wordsOf(const Unit& u, int number) const;
    bool transact(const std::vector<uint8_t>& request);
    void loop();

    int master_ = -1, slave_ = -1;
    std::string link_;
    int type_ = 1;
    int address_ = 1;
    std::mutex lock_;
    std::vector<Unit> units_;
    std::atomic<int> periodMs_{ 1000 };
    std::atomic<bool> moving_{ true };
    std::atomic<bool> stop_{ true };
    std::atomic<long> answered_{ 0 }, unanswered_{ 0 };
    bool lastAnswered_ = true;
    std::thread thread_;
};

#endif
