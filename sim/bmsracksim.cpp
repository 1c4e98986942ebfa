#include "bmsracksim.h"

#include <math.h>
#include <string.h>

namespace {

int rounded(double v)
{
    return int(lround(v));
}

SimFrame extendedFrame(int priority, int pf, int da, int sa)
{
    return SimFrame::j1939(priority, pf, da, sa);
}

SimFrame standardFrame(uint32_t id)
{
    SimFrame f;
    f.extended = false;
    f.id = id;
    return f;
}

void put16(SimFrame& f, int at, int value)
{
    f.data[at] = uint8_t(value & 0xFF);
    f.data[at + 1] = uint8_t((value >> 8) & 0xFF);
}

} // namespace

BmsRackSim::Protocol BmsRackSim::protocolOf(int batteryType)
{
    switch (batteryType) {
    case 4: return KWBE;
    case 7: return BMS_F;
    default: return GENERIC;
    }
}

BmsRackSim::BmsRackSim(Protocol p, int rack)
    : protocol_(p), rack_(rack)
{
    // Racks are not quite alike.
    soc -= 3.0 * rack;
    tempMax += 0.5 * rack;
}

double BmsRackSim::rackVoltage() const
{
    // Open-circuit voltage rises with the charge; the current adds its drop.
    const double cell = 3.20 + 0.0015 * soc + 0.0004 * current;
    return CELLS * cell;
}

void BmsRackSim::tick(double dt)
{
    soc += current * dt / 3600.0 / capacityAh * 100.0;
    if (soc <= 10.0 && current < 0)
        current = 40.0;
    else if (soc >= 95.0 && current > 0)
        current = -30.0;
    if (soc < 0)
        soc = 0;
    if (soc > 100)
        soc = 100;
    const double avg = rackVoltage() / CELLS;
    cellMax = avg + 0.017;
    cellMin = avg - 0.017;
    // Heat follows the current slowly.
    const double target = 25.0 + 0.08 * fabs(current) + 0.5 * rack_;
    tempMax += (target - tempMax) * (dt / 600.0 > 1 ? 1 : dt / 600.0);
    tempMin = tempMax - 4.0;
}

std::vector<SimFrame> BmsRackSim::frames() const
{
    switch (protocol_) {
    case BMS_F: return bmsF();
    case KWBE: return kwbe();
    default: return generic();
    }
}

// PDU format 0xF2 from 0x91 + rack; the PDU-specific byte names the message.
std::vector<SimFrame> BmsRackSim::generic() const
{
    const int sa = 0x91 + rack_;
    std::vector<SimFrame> out;
    SimFrame f = extendedFrame(6, 0xF2, 0x12, sa);
    f.data[0] = uint8_t(rounded(soc / 100.0 / 0.004));
    put16(f, 1, rounded(rackVoltage() * 10));
    put16(f, 3, rounded(current * 10) + 32000);
    put16(f, 5, rounded(soh * 100));
    f.data[7] = 3;   // lithium iron phosphate
    out.push_back(f);

    f = extendedFrame(6, 0xF2, 0x37, sa);
    put16(f, 0, rounded(CELLS * 3.60 * 10));   // charge voltage
    put16(f, 2, rounded((chargeLimit + 600) * 10));
    put16(f, 4, rounded((chargeLimit + 600) * 10));
    put16(f, 6, rounded((dischargeLimit + 600) * 10));
    out.push_back(f);

    f = extendedFrame(6, 0xF2, 0x38, sa);
    put16(f, 0, rounded(CELLS * 2.80 * 10));   // discharge cut-off voltage
    put16(f, 2, rounded((power() + 1000) * 10));
    f.data[4] = 1;   // charge allowed
    f.data[5] = 1;   // discharge allowed
    f.data[6] = 0;   // no fault
    f.data[7] = 1;   // main contactor closed
    out.push_back(f);

    f = extendedFrame(6, 0xF2, 0x16, sa);
    f.data[0] = uint8_t(cycles & 0xFF);
    f.data[1] = 0x05;   // pre-charge done, balancing enabled
    out.push_back(f);

    f = extendedFrame(6, 0xF2, 0x33, sa);
    put16(f, 0, rounded(cellMax * 1000));
    put16(f, 2, rounded(cellMin * 1000));
    f.data[4] = 12;
    f.data[5] = 1;
    f.data[6] = 37;
    f.data[7] = 3;
    out.push_back(f);

    f = extendedFrame(6, 0xF2, 0x34, sa);
    f.data[0] = uint8_t(rounded(tempMax) + 40);
    f.data[1] = uint8_t(rounded(tempMin) + 40);
    f.data[2] = 5;
    f.data[3] = 1;
    f.data[4] = 18;
    f.data[5] = 2;
    out.push_back(f);

    f = extendedFrame(6, 0xF2, 0x35, sa);
    for (int k = 0; k < 8; ++k)
        f.data[k] = uint8_t((alarm[2 * k] & 0x0F) | ((alarm[2 * k + 1] & 0x0F) << 4));
    out.push_back(f);

    f = extendedFrame(6, 0xF2, 0x36, sa);
    f.data[0] = uint8_t((alarm[16] & 0x0F) | ((alarm[17] & 0x0F) << 4));
    out.push_back(f);
    return out;
}

// Answers of BMS-F: destination 0x42 (0x73 for the two system messages), the message in the
// high nibble of the source address and rack + 1 in its low nibble.
std::vector<SimFrame> BmsRackSim::bmsF() const
{
    const int low = rack_ + 1;
    std::vector<SimFrame> out;
    auto frame = [&](int da, int message) { return extendedFrame(6, 0x01, da, (message << 4) | low); };

    SimFrame f = frame(0x42, 1);
    f.setWord(0, rounded(rackVoltage() * 10));
    f.setWord(1, rounded((current + 3000) * 10));
    f.setWord(2, rounded((power() + 100) * 10));
    f.data[6] = uint8_t(rounded(soc));
    f.data[7] = uint8_t(rounded(soh));
    out.push_back(f);

    f = frame(0x42, 2);
    f.setWord(0, rounded(CELLS * 3.60 * 10));
    f.setWord(1, rounded(CELLS * 2.80 * 10));
    f.setWord(2, rounded(chargeLimit * 10) + 30000);
    f.setWord(3, rounded(dischargeLimit * 10) + 30000);
    out.push_back(f);

    for (int message : { 3, 6 }) {
        f = frame(0x42, message);
        f.setWord(0, rounded(cellMax * 1000));
        f.setWord(1, rounded(cellMin * 1000));
        f.setWord(2, 12);
        f.setWord(3, 37);
        out.push_back(f);
    }
    for (int message : { 4, 7 }) {
        f = frame(0x42, message);
        f.setWord(0, rounded((tempMax + 100) * 10));
        f.setWord(1, rounded((tempMin + 100) * 10));
        f.setWord(2, 5);
        f.setWord(3, 18);
        out.push_back(f);
    }

    f = frame(0x42, 5);
    const int state = !awake ? 0 : current > 0 ? 1 : 2;   // sleeping, charging, discharging
    f.data[0] = uint8_t((soc < 5.0 ? 0x08 : 0) | state);
    f.data[1] = uint8_t(cycles & 0xFF);
    f.data[2] = uint8_t((cycles >> 8) & 0xFF);
    f.data[3] = uint8_t((alarm[0] ? 0x80 : 0) | (alarm[1] ? 0x20 : 0) | (alarm[2] ? 0x10 : 0));
    out.push_back(f);

    f = frame(0x42, 8);
    f.data[0] = 0;   // 0xAA would stop discharging
    f.data[1] = 0;   // 0xAA would stop charging
    out.push_back(f);

    f = frame(0x73, 1);
    const float energyKwh = float(CELLS * 3.2 * capacityAh / 1000.0);
    memcpy(f.data, &energyKwh, 4);
    f.data[4] = 0x02;
    f.data[5] = 0x01;
    f.data[6] = 0x00;
    out.push_back(f);

    f = frame(0x73, 2);
    f.setWord(0, CELLS);
    f.data[2] = 12;   // modules
    f.data[3] = 16;   // cells per module
    f.setWord(2, rounded(capacityAh));
    f.data[6] = 1;
    out.push_back(f);
    return out;
}

// The 11-bit protocol of type 4: one battery, the message in the identifier's low byte.
std::vector<SimFrame> BmsRackSim::kwbe() const
{
    std::vector<SimFrame> out;
    SimFrame f = standardFrame(0x359);
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 8; ++j)
            if (8 * k + j < ALARMS && alarm[8 * k + j])
                f.data[k] |= uint8_t(1 << j);
    f.data[4] = 12;     // modules
    f.data[5] = 'P';
    f.data[6] = 'N';
    out.push_back(f);

    f = standardFrame(0x351);
    f.setWord(0, rounded(CELLS * 3.60 * 10));
    f.setWord(1, rounded(chargeLimit * 10));
    f.setWord(2, rounded(dischargeLimit * 10));
    out.push_back(f);

    f = standardFrame(0x355);
    f.setWord(0, rounded(soc));
    f.setWord(1, rounded(soh));
    out.push_back(f);

    f = standardFrame(0x356);
    f.setWord(0, rounded(rackVoltage() * 100));
    f.setWord(1, rounded(current * 10));
    f.setWord(2, rounded(tempMax * 10));
    out.push_back(f);

    f = standardFrame(0x399);
    f.setWord(0, rounded(CELLS * 2.80 * 10));
    out.push_back(f);
    return out;
}
