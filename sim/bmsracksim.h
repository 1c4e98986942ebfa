#ifndef BMSRACKSIM_H
#define BMSRACKSIM_H

#include "simframe.h"

#include <vector>

// One battery rack of the simulated cabinet: 192 LFP cells in series, 280 Ah. Its state of
// charge follows its current, it turns from discharging to charging near empty and back near
// full, and it packs its values into the frames of its vendor's protocol.
class BmsRackSim {
public:
    // The protocols the simulated racks speak: the generic one (PDU format 0xF2, any battery
    // type that has no protocol of its own here), BMS-F (type 7: answers a request) and the
    // 11-bit one of type 4 (rack 0 only).
    enum Protocol { GENERIC, BMS_F, KWBE };
    static Protocol protocolOf(int batteryType);

    enum { CELLS = 192, ALARMS = 18 };

    BmsRackSim(Protocol p, int rack);

    Protocol protocol() const { return protocol_; }
    int number() const { return rack_; }

    // Moves the values on by dt seconds.
    void tick(double dt);
    // Every frame of one report, in the order sent.
    std::vector<SimFrame> frames() const;

    double rackVoltage() const;
    double power() const { return rackVoltage() * current / 1000.0; }

    double soc = 65.0;             // %
    double soh = 98.0;             // %
    double current = -30.0;        // A, positive charges
    double capacityAh = 280.0;
    double cellMax = 3.352;        // V
    double cellMin = 3.318;
    double tempMax = 27.0;         // degrees C
    double tempMin = 23.0;
    double chargeLimit = 140.0;    // A
    double dischargeLimit = 160.0;
    int cycles = 123;
    int alarm[ALARMS] = {};        // levels 0..3 (BMS-F and type 4: set or clear)
    bool awake = true;
    int wakeups = 0;

private:
    std::vector<SimFrame> generic() const;
    std::vector<SimFrame> bmsF() const;
    std::vector<SimFrame> kwbe() const;

    Protocol protocol_;
    int rack_;
};

#endif
