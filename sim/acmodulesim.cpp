#include "acmodulesim.h"

#include <cmath>
#include <stdio.h>

namespace {
uint16_t u16(double v)
{
    if (v < 0)
        v = 0;
    if (v > 65535)
        v = 65535;
    return uint16_t(std::lround(v));
}

uint16_t s16(double v)
{
    if (v < -32768)
        v = -32768;
    if (v > 32767)
        v = 32767;
    return uint16_t(int16_t(std::lround(v)));
}
}

AcModuleSim::AcModuleSim(int node)
    : node_(node)
{
    setHolding(36, uint16_t(100 + node));   // software version
    setRunState(Running);
    setBits(103, 1, 1, node == 1 ? 1 : 0);  // module 1 is the system host
    if (node <= 10)
        setBranch((node - 1) % 2 + 1, true);
    for (int relay = 0; relay < 3; ++relay)
        setDiscrete(relay, true);           // string breakers closed
    setDiscrete(4, true);                   // AC contactor closed
    setDiscrete(5, true);                   // DC contactor closed
    publish();
}

void AcModuleSim::setBits(int reg, int shift, int width, int value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    uint16_t mask = uint16_t(((1u << width) - 1) << shift);
    uint16_t v = uint16_t((holding(reg, true) & ~mask) | ((uint32_t(value) << shift) & mask));
    RegisterSlave::setHoldingUnlocked(reg, v);
}

void AcModuleSim::setRunState(RunState s)
{
    setBits(100, 0, 2, s);
}

AcModuleSim::RunState AcModuleSim::runState()
{
    return RunState(holding(100) & 3);
}

void AcModuleSim::setAlarm(int group, int bit, bool on)
{
    setBits(group == 0 ? 101 : 102, bit, 1, on ? 1 : 0);
}

void AcModuleSim::setBranch(int branch, bool member)
{
    if (branch >= 1 && branch <= 8)
        setBits(103, 8 + branch - 1, 1, member ? 1 : 0);
}

void AcModuleSim::requestSave(bool on)
{
    setBits(103, 0, 1, on ? 1 : 0);
}

void AcModuleSim::requestFaultRecord(int level)
{
    setBits(103, 4, 2, level);
}

void AcModuleSim::requestInitialSettings(bool on)
{
    setBits(103, 6, 1, on ? 1 : 0);
}

void AcModuleSim::setPower(double kW)
{
    std::lock_guard<std::mutex> lock(mutex_);
    powerKw_ = kW;
    powerSet_ = true;
}

double AcModuleSim::energyWh(bool charge)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return charge ? totalChargeWh_ : totalDischargeWh_;
}

void AcModuleSim::addEnergy(double chargeWh, double dischargeWh)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pendingChargeWh_ += chargeWh;
        pendingDischargeWh_ += dischargeWh;
        totalChargeWh_ += chargeWh;
        totalDischargeWh_ += dischargeWh;
        RegisterSlave::setHoldingUnlocked(31, u16(std::floor(pendingChargeWh_)));
        RegisterSlave::setHoldingUnlocked(32, u16(std::floor(pendingDischargeWh_)));
    }
}

double AcModuleSim::reportedWh(bool charge)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return charge ? reportedChargeWh_ : reportedDischargeWh_;
}

int AcModuleSim::initialSettingsAnswered()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return initAnswered_;
}

uint16_t AcModuleSim::parameter(int index)
{
    return holding(PARAMETERS + index);
}

void AcModuleSim::tick(double dt)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        t_ += dt;
        const bool running = (holding(100, true) & 3) == Running;
        double p = 0;
        if (running) {
            // Without a set-point the module swings gently between charging and discharging.
            p = powerSet_ ? powerKw_ : 20.0 * std::sin(t_ * 2 * M_PI / 600.0 + node_);
            runSeconds_ += dt;
        }
        const double wh = std::fabs(p) * dt / 3.6;
        if (node_ == 11) {
            pendingPvWh_ += wh;
        } else if (p < 0) {
            pendingChargeWh_ += wh;
            totalChargeWh_ += wh;
        } else {
            pendingDischargeWh_ += wh;
            totalDischargeWh_ += wh;
        }
        // Temperatures follow the load slowly.
        const double target = 2000 + std::fabs(p) * 15;
        igbtRaw_ += (target - igbtRaw_) * std::min(1.0, dt / 120.0);
        ambientRaw_ = 2100 + 20 * std::sin(t_ / 900.0);
        powerKw_ = powerSet_ ? powerKw_ : p;
    }
    publish();
}

void AcModuleSim::publish()
{
    std::lock_guard<std::mutex> lock(mutex_);
    publishUnlocked();
}

void AcModuleSim::publishUnlocked()
{
    const bool running = (holding(100, true) & 3) == Running;
    const double p = running ? powerKw_ : 0.0;
    const double u = 400.0 + 1.5 * std::sin(t_ / 7.0 + node_);
    const double i = running ? p * 1000.0 / (1.732 * u) : 0.0;
    const double f = 50.0 + 0.02 * std::sin(t_ / 11.0);
    const double udc = 720.0 + 5 * std::sin(t_ / 50.0);
    auto set = [this](int a, uint16_t v) { RegisterSlave::setHoldingUnlocked(a, v); };
    set(0, u16(u * 10));
    set(1, u16((u + 0.4) * 10));
    set(2, u16((u - 0.3) * 10));
    for (int ph = 0; ph < 3; ++ph)
        set(3 + ph, s16((i + 0.1 * ph) * 10));
    set(6, u16(f * 100));
    const int32_t p10 = int32_t(std::lround(p * 10));
    set(7, uint16_t(uint32_t(p10) >> 16));
    set(8, uint16_t(uint32_t(p10) & 0xFFFF));
    // A little reactive power beside the active power; every total and phase value follows
    // from the same two figures, so that the panel's sums and ratios can be checked.
    const double q = p * 0.05;
    const double s = std::sqrt(p * p + q * q);
    const double pf = s > 0 ? p / s : 0.0;
    set(9, s16(q * 10));
    set(10, u16(s * 10));
    set(11, s16(pf * 1000));
    const double idc = running ? p * 1000.0 / udc : 0.0;
    set(12, u16(udc * 10));
    set(13, s16(idc * 10));
    set(14, s16(udc * idc / 1000.0 * 10));
    set(15, u16(igbtRaw_));
    set(16, u16(ambientRaw_));
    set(17, 0);
    set(18, 0);   // leakage current: 0.0 as a float
    for (int ph = 0; ph < 3; ++ph) {
        set(19 + ph, u16((u / 1.732 + 0.2 * ph) * 10));
        set(22 + ph, s16(p / 3.0 * 10));
        set(25 + ph, s16(q / 3.0 * 10));
        set(28 + ph, u16(s / 3.0 * 10));
        set(40 + ph, s16(pf * 1000));
    }
    // The DC bus stands a little above the battery, split evenly about the midpoint.
    const double bus = udc + 30.0;
    set(43, u16(bus * 10));
    set(44, u16(bus / 2 * 10));
    set(45, u16(bus / 2 * 10));
    // The inverter's own phase voltages stand a little above the grid's; the inductor currents
    // are the output currents with the filter capacitors' share on top.
    for (int ph = 0; ph < 3; ++ph) {
        set(46 + ph, u16((u / 1.732 + 1.0 + 0.2 * ph) * 10));
        set(49 + ph, s16((i + 0.1 * ph + (running ? std::copysign(0.8, i) : 0.0)) * 10));
    }
    const uint16_t flow = running && p < 0 ? 1u << 2 : running && p > 0 ? 1u << 3 : 0u;
    set(100, uint16_t((holding(100, true) & ~(3u << 2)) | flow));
    set(31, u16(std::floor(pendingChargeWh_)));
    set(32, u16(std::floor(pendingDischargeWh_)));
    set(33, u16(std::floor(pendingPvWh_)));
    set(34, 0);
    set(35, 0);
    const long seconds = long(runSeconds_);
    set(37, uint16_t(seconds & 0xFFFF));
    set(38, uint16_t((seconds >> 16) & 0xFFFF));
    set(39, 0);
    // DC paths 1 and 2 as input registers.
    RegisterSlave::setInputUnlocked(200, u16(udc * 10));
    RegisterSlave::setInputUnlocked(201, s16(running ? p * 500.0 / udc * 10 : 0));
    RegisterSlave::setInputUnlocked(202, s16(p / 2 * 10));
    RegisterSlave::setInputUnlocked(210, u16((udc - 3) * 10));
    RegisterSlave::setInputUnlocked(211, s16(running ? p * 500.0 / udc * 10 : 0));
    RegisterSlave::setInputUnlocked(212, s16(p / 2 * 10));
    // Further temperatures, the insulation to earth, the rating, and the set-points the module
    // was last given (its power factor set-point stays at unity: no write reaches it).
    set(55, u16(35.0 + std::fabs(p) * 0.5));
    set(56, u16(40.0 + std::fabs(p) * 0.6));
    set(57, 2000);
    set(58, node_ <= 10 ? RATED_KW : 0);
    set(59, holding(POWER_SETTING, true));
    set(60, holding(POWER_SETTING + 1, true));
    set(61, holding(POWER_SETTING + 2, true));
    const int32_t dcPower = int32_t((uint32_t(holding(0x1110, true)) << 16) | holding(0x1111, true));
    set(62, s16(dcPower * 10.0));
    set(63, 1000);
    // A debug address picks a measurement word; it is reported again as it stands.
    for (int k = 0; k < 3; ++k) {
        const int address = holding(PARAMETERS + FIRST_DEBUG_ADDRESS + k, true);
        set(DEBUG_VALUES + k, address < DEBUG_VALUES ? holding(address, true) : 0);
    }
    // Fault and operation record snapshots of recognisable words.
    for (int k = 0; k < RECORD_WORDS; ++k) {
        set(FAULT_RECORD + k, uint16_t(node_ * 1000 + k));
        set(OPERATION_RECORD + k, uint16_t(node_ * 1000 + 500 + k));
    }
}

void AcModuleSim::afterRead(int function, int address, int count)
{
    // The energy increments count from the last read of the measurement block.
    if (function == 3 && address <= 31 && address + count > 35) {
        reportedChargeWh_ += holding(31, true);
        reportedDischargeWh_ += holding(32, true);
        pendingChargeWh_ -= std::floor(pendingChargeWh_);
        pendingDischargeWh_ -= std::floor(pendingDischargeWh_);
        pendingPvWh_ -= std::floor(pendingPvWh_);
        RegisterSlave::setHoldingUnlocked(31, 0);
        RegisterSlave::setHoldingUnlocked(32, 0);
        RegisterSlave::setHoldingUnlocked(33, 0);
    }
    // A record read answers the request.
    if (function == 3 && (address == FAULT_RECORD || address == OPERATION_RECORD)) {
        uint16_t v = holding(103, true);
        RegisterSlave::setHoldingUnlocked(103, uint16_t(v & ~(3u << 4)));
    }
}

void AcModuleSim::written(int function, int address, const std::vector<uint16_t>& words)
{
    const uint16_t w = words.empty() ? 0 : words[0];
    auto state = [this](int s) {
        uint16_t v = holding(100, true);
        RegisterSlave::setHoldingUnlocked(100, uint16_t((v & ~3u) | unsigned(s)));
    };
    if (address == RUN_COMMAND)
        state(w ? Running : Stopped);
    else if (address == RESET_COMMAND && w == 1) {
        RegisterSlave::setHoldingUnlocked(101, 0);
        RegisterSlave::setHoldingUnlocked(102, 0);
        if ((holding(100, true) & 3) == Faulted)
            state(Stopped);
    } else if (address == MODE_COMMAND) {
        uint16_t v = holding(100, true);
        RegisterSlave::setHoldingUnlocked(100, uint16_t(w ? v | (1u << 4) : v & ~(1u << 4)));
    } else if (address == POWER_SETTING) {
        powerKw_ = int16_t(w) / 10.0;
        powerSet_ = true;
    }
    // The initial settings arrive as two blocks of 120 registers; the second answers the request.
    if (function == 16 && words.size() == 120 && (address == INIT_BLOCK_1 || address == INIT_BLOCK_2)) {
        // The blocks carry the parameters in index order: they replace the module's own.
        const int first = address == INIT_BLOCK_1 ? FIRST_BLOCK_PARAMETER : SECOND_BLOCK_PARAMETER;
        for (size_t k = 0; k < words.size(); ++k)
            RegisterSlave::setHoldingUnlocked(PARAMETERS + first + int(k), words[k]);
        if (address == INIT_BLOCK_1) {
            firstBlockSeen_ = true;
        } else if (address == INIT_BLOCK_2 && firstBlockSeen_) {
            firstBlockSeen_ = false;
            uint16_t v = holding(103, true);
            if (v & (1u << 6))
                ++initAnswered_;
            RegisterSlave::setHoldingUnlocked(103, uint16_t(v & ~(1u << 6)));
        }
    }
    // A command shows in the measurements at once (a stop takes the power to 0).
    publishUnlocked();
    printf("AC/DC module %d: write fc %d at 0x%04X, %zu word(s), first %u\n", node_, function, address, words.size(), w);
    fflush(stdout);
}
