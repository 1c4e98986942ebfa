#include "dcmodulesim.h"

#include <math.h>

DcModuleSim::DcModuleSim(int number)
    : number_(number)
{
    status_[STATUS_STOPPED] = true;
    status_[STATUS_PRESENT] = true;
    status_[STATUS_INIT_REQUEST] = true;
    // Two strings by default: odd modules in group 1, even ones in group 2; the first of each
    // speaks for its group, module 1 for the system.
    const int group = (number - 1) % 2 + 1;
    status_[STATUS_FIRST_GROUP + group - 1] = true;
    status_[STATUS_GROUP_HOST] = number <= 2;
    status_[STATUS_SYSTEM_HOST] = number == 1;
    analog_[0] = 6500;    // battery 650.0 V
    analog_[2] = 7500;    // bus 750.0 V
    analog_[20] = 2773;   // heat sink, 60 degrees
    analog_[21] = FIRMWARE;
    analog_[23] = 0;
    analog_[25] = 1959;   // ambient, 25 degrees
    analog_[7] = 250;     // the same in tenths
    analog_[11] = 2000;   // insulation resistance, kilo-ohms
}

void DcModuleSim::setStatus(int index, bool on)
{
    std::lock_guard<std::mutex> g(lock_);
    if (index >= 0 && index < 200)
        status_[index] = on;
}

bool DcModuleSim::status(int index)
{
    std::lock_guard<std::mutex> g(lock_);
    return index >= 0 && index < 200 && status_[index];
}

void DcModuleSim::setAlarm(int index, bool on)
{
    std::lock_guard<std::mutex> g(lock_);
    if (index >= 0 && index < 200)
        alarm_[index] = on;
    bool any = false;
    for (bool a : alarm_)
        any = any || a;
    status_[STATUS_ALARM] = any;
}

void DcModuleSim::setGroup(int group, bool member)
{
    if (group >= 1 && group <= 8)
        setStatus(STATUS_FIRST_GROUP + group - 1, member);
}

void DcModuleSim::setPower(double kW)
{
    std::lock_guard<std::mutex> g(lock_);
    powerKw_ = kW;
}

void DcModuleSim::setSilent(bool on)
{
    std::lock_guard<std::mutex> g(lock_);
    silent_ = on;
}

bool DcModuleSim::silent()
{
    std::lock_guard<std::mutex> g(lock_);
    return silent_;
}

void DcModuleSim::setAcknowledging(bool on)
{
    std::lock_guard<std::mutex> g(lock_);
    acknowledging_ = on;
}

void DcModuleSim::requestInit(bool on)
{
    setStatus(STATUS_INIT_REQUEST, on);
}

void DcModuleSim::addEnergy(int charge, int discharge)
{
    std::lock_guard<std::mutex> g(lock_);
    pendingCharge_ += charge;
    pendingDischarge_ += discharge;
}

void DcModuleSim::setAnalog(int index, int raw)
{
    std::lock_guard<std::mutex> g(lock_);
    if (index >= 0 && index < 32)
        analog_[index] = raw;
}

void DcModuleSim::raiseFault()
{
    setStatus(STATUS_FAULT_DATA, true);
}

int DcModuleSim::faultUploads()
{
    std::lock_guard<std::mutex> g(lock_);
    return faultUploads_;
}

int DcModuleSim::lastValue(int code, int word)
{
    std::lock_guard<std::mutex> g(lock_);
    auto it = last_.find(code);
    if (it == last_.end())
        return -1;
    return int16_t(it->second.word(word));
}

int DcModuleSim::commandsReceived(int code)
{
    std::lock_guard<std::mutex> g(lock_);
    auto it = counts_.find(code);
    return it == counts_.end() ? 0 : it->second;
}

std::vector<SimFrame> DcModuleSim::commands()
{
    std::lock_guard<std::mutex> g(lock_);
    return commands_;
}

int DcModuleSim::heartbeats()
{
    std::lock_guard<std::mutex> g(lock_);
    return heartbeats_;
}

void DcModuleSim::tick(double dt)
{
    std::lock_guard<std::mutex> g(lock_);
    t_ += dt;
    const bool running = status_[STATUS_RUNNING];
    const double kw = running ? powerKw_ : 0.0;
    status_[STATUS_CHARGING] = kw < 0;
    status_[STATUS_DISCHARGING] = kw > 0;
    if (kw > 0)
        dischargeWh_ += kw * 1000.0 * dt / 3600.0;
    else
        chargeWh_ += -kw * 1000.0 * dt / 3600.0;
    // Positions as the panel reads them: 0 battery voltage, 1 state of charge, 2 bus voltage,
    // 4 battery current, 5 power.
    analog_[0] = int(6500 + 20 * sin(t_ / 10.0));
    const double current = kw * 1000.0 / (analog_[0] / 10.0);
    analog_[1] = 500;
    analog_[4] = int(lround(current * 10));
    analog_[5] = int(lround(kw * 10));
    analog_[20] = 2773 - int(fabs(kw) * 3);
    analog_[6] = 600 + int(fabs(kw) * 1.5);   // module temperature in tenths, following the load
}

std::vector<SimFrame> DcModuleSim::framesOfBits(int firstPf, const bool* bits, int count)
{
    std::vector<SimFrame> out;
    for (int first = 0; first < count; first += 64) {
        SimFrame f = SimFrame::j1939(3, firstPf + first / 64, 0x7F, address());
        for (int k = 0; k < 8; ++k) {
            uint8_t byte = 0;
            for (int b = 0; b < 8; ++b) {
                const int i = first + 8 * k + b;
                if (i < count && bits[i])
                    byte |= uint8_t(1 << b);
            }
            f.data[k] = byte;
        }
        out.push_back(f);
    }
    return out;
}

std::vector<SimFrame> DcModuleSim::report()
{
    std::lock_guard<std::mutex> g(lock_);
    std::vector<SimFrame> out;
    if (silent_)
        return out;
    out = framesOfBits(1, status_, 128);
    std::vector<SimFrame> alarms = framesOfBits(8, alarm_, 128);
    out.insert(out.end(), alarms.begin(), alarms.end());
    // Whole watt-hours since the last report travel; the rest waits for the next one.
    const int charge = int(chargeWh_) + pendingCharge_;
    const int discharge = int(dischargeWh_) + pendingDischarge_;
    chargeWh_ -= int(chargeWh_);
    dischargeWh_ -= int(dischargeWh_);
    pendingCharge_ = pendingDischarge_ = 0;
    for (int pf = 16; pf <= 23; ++pf) {
        SimFrame f = SimFrame::j1939(3, pf, 0x7F, address());
        for (int w = 0; w < 4; ++w) {
            const int index = (pf - 16) * 4 + w;
            int v = analog_[index];
            if (index == 18)
                v = charge;
            else if (index == 19)
                v = discharge;
            else if (index >= 12 && index <= 14) {
                const int at = debugAddress_[index - 12];
                v = at >= 0 && at < 32 && (at < 12 || at > 14) ? analog_[at] : 0;
            }
            f.setWord(w, v);
        }
        out.push_back(f);
    }
    return out;
}

void DcModuleSim::applyCommand(const SimFrame& f)
{
    const int code = f.word(0);
    last_[code] = f;
    ++counts_[code];
    commands_.push_back(f);
    if (code == CODE_HEARTBEAT) {
        ++heartbeats_;
    } else if (code == CODE_INITIALISED && f.word(1) == 1) {
        status_[STATUS_INIT_REQUEST] = false;
    } else if (code == CODE_START || (code == CODE_ON_OFF && f.word(1) == 1)) {
        status_[STATUS_RUNNING] = true;
        status_[STATUS_STOPPED] = false;
    } else if (code == CODE_STOP || (code == CODE_ON_OFF && f.word(2) == 1)) {
        status_[STATUS_RUNNING] = false;
        status_[STATUS_STOPPED] = true;
    } else if (code == CODE_POWER) {
        powerKw_ = int16_t(f.word(1)) / 10.0;
        analog_[24] = int16_t(f.word(1));
    } else if (code >= CODE_DEBUG_ADDRESS && code < CODE_DEBUG_ADDRESS + 3) {
        debugAddress_[code - CODE_DEBUG_ADDRESS] = f.word(1);
    } else if (code == CODE_MAX_CHARGE_CURRENT) {
        analog_[15] = f.word(1);
    } else if (code == CODE_MAX_DISCHARGE_CURRENT) {
        analog_[16] = f.word(1) / 10;
    } else if (code == CODE_CHARGE_VOLTAGE) {
        analog_[17] = f.word(1) / 10;
    } else if (code == CODE_DISCHARGE_VOLTAGE) {
        analog_[10] = f.word(1) / 10;
    }
}

std::vector<SimFrame> DcModuleSim::receive(const SimFrame& f)
{
    std::vector<SimFrame> out;
    if (!f.extended || f.remote || f.error)
        return out;
    if (f.priority() == 1 && f.sa() == 0x12) {
        upgradeFrame(f, out);
        return out;
    }
    const bool mine = f.da() == address();
    const bool all = f.da() == 0xBF;
    if ((!mine && !all) || f.pf() < 0x60 || f.pf() > 0x6F || f.priority() == 1)
        return out;
    std::lock_guard<std::mutex> g(lock_);
    if (silent_)
        return out;
    applyCommand(f);
    if ((mine || f.pf() != 0x60) && acknowledging_) {
        SimFrame ack = SimFrame::j1939(6, f.pf(), f.sa(), address());
        ack.setWord(0, f.word(0));
        out.push_back(ack);
    }
    // The data goes once per fault: the status bit falls as the upload starts.
    if (mine && f.pf() == 0x60 && f.word(0) == CODE_FAULT_UPLOAD && f.data[2] == 1 && status_[STATUS_FAULT_DATA]) {
        status_[STATUS_FAULT_DATA] = false;
        ++faultUploads_;
        for (int k = 0; k < 21; ++k) {
            SimFrame d = SimFrame::j1939(3, 48 + k, 0x7F, address());
            for (int w = 0; w < 4; ++w)
                d.setWord(w, faultWord(k, w));
            out.push_back(d);
        }
    }
    return out;
}

void DcModuleSim::setUpgradeAddress(int address)
{
    std::lock_guard<std::mutex> g(lock_);
    upgradeAddress_ = address;
    booted_ = false;   // a module given a new address starts afresh
}

void DcModuleSim::injectUpgradeFault(int pf, int kind, int times)
{
    std::lock_guard<std::mutex> g(lock_);
    upgradeFaults_[pf] = { kind, times };
}

std::vector<std::vector<uint8_t>> DcModuleSim::upgradeRecords()
{
    std::lock_guard<std::mutex> g(lock_);
    return records_;
}

bool DcModuleSim::upgraded()
{
    std::lock_guard<std::mutex> g(lock_);
    return upgraded_;
}

int DcModuleSim::upgradeRequests(int pf)
{
    std::lock_guard<std::mutex> g(lock_);
    auto it = upgradeRequests_.find(pf);
    return it == upgradeRequests_.end() ? 0 : it->second;
}

void DcModuleSim::upgradeReply(int pf, bool ok, std::vector<SimFrame>& out)
{
    auto fault = upgradeFaults_.find(pf);
    if (fault != upgradeFaults_.end() && fault->second.second != 0) {
        if (fault->second.second > 0)
            --fault->second.second;
        if (fault->second.first == UPGRADE_SILENT)
            return;
        ok = false;
    }
    const int address = upgradeAddress_ >= 0 ? upgradeAddress_ : 0x80 + number_;
    SimFrame r = SimFrame::j1939(1, pf, 0x12, address);
    r.setWord(0, ok ? 0xCCCC : 0x3333);
    out.push_back(r);
}

void DcModuleSim::upgradeFrame(const SimFrame& f, std::vector<SimFrame>& out)
{
    std::lock_guard<std::mutex> g(lock_);
    const int address = upgradeAddress_ >= 0 ? upgradeAddress_ : 0x80 + number_;
    if (silent_ || (f.da() != address && f.da() != 0xBF))
        return;
    const int pf = f.pf();
    ++upgradeRequests_[(pf & 0x0F) == 6 ? 6 : pf];
    auto is = [&](uint8_t a, uint8_t b) { return f.data[0] == a && f.data[1] == b; };
    // Outside its boot loader a module ignores everything but the boot request.
    if (pf != 0x01 && !booted_)
        return;
    if (pf == 0x01 && is(1, 2)) {
        booted_ = true;
        upgraded_ = false;
        upgradeReply(0x81, true, out);
    } else if (pf == 0x02 && is(0x22, 0x22)) {
        upgradeReply(0x82, true, out);
    } else if (pf == 0x03 && is(0x33, 0x33)) {
        records_.clear();
        upgradeReply(0x84, true, out);
    } else if (pf == 0x07 && is(0x66, 0x66)) {
        upgraded_ = !records_.empty();
        upgradeReply(0x89, upgraded_, out);
    } else if ((pf & 0x0F) == 6) {
        const size_t k = size_t(pf >> 4);
        if (k == 0)
            record_.clear();
        if (record_.size() != 8 * k)
            return;   // a frame missed: wait for the line again
        record_.insert(record_.end(), f.data, f.data + 8);
        // Bytes travel word-swapped: the count is the second byte of the first frame.
        const size_t total = size_t(record_[1]) + 5;
        if (record_.size() < total)
            return;
        std::vector<uint8_t> bytes(record_.size());
        for (size_t i = 0; i + 1 < record_.size(); i += 2) {
            bytes[i] = record_[i + 1];
            bytes[i + 1] = record_[i];
        }
        bytes.resize(total);
        unsigned sum = 0;
        for (uint8_t b : bytes)
            sum += b;
        const bool ok = (sum & 0xFF) == 0;
        if (ok)
            records_.push_back(bytes);
        upgradeReply(0x88, ok, out);
    }
}
