#ifndef MODBUSRTUDEVICE_H
#define MODBUSRTUDEVICE_H

#include "upwardregisterstore.h"

#include <atomic>
#include <stdint.h>
#include <string>
#include <thread>
#include <vector>

namespace modbus {

// The upward Modbus RTU slave. Battery systems of some types write their units' registers into
// it as modules 3001 + u.
//
// On its line (the port under STATIONPANEL_ROOT) it answers the slave address (register 1 once
// the panel has written it, else the address it was built with):
// - function 3 or 4 reads and 6 or 16 writes of registers below 0x3000: module 0 register A,
//   the upper system's side;
// - writes at 0x3000 + 0x100 * u + r (u = 0..7): register r of battery unit u (module
//   3001 + u), as the battery system sends them. Each such write also sets the unit's online
//   point 199 to 1 (back to 0 after 10 s without a write) and clears its heartbeat-lost point
//   19; the panel's re-arm, 1 to module 0 register 9 + u, sets point 19 again until the unit
//   next writes. A new charge or discharge limit (registers 10 and 11 of a BMS-A unit, battery
//   type 1 or 2 in register 505) raises the changed flag 299 or 399 of module u.
// Broadcasts (address 0) are taken without a reply.
class ModbusrtuDevice : public UpwardRegisterStore {
public:
    enum {
        BATTERY_BASE = 0x3000,
        BATTERY_STRIDE = 0x100,
        BATTERY_UNITS = 8,
        HEARTBEAT_LOST = 19,
        ONLINE = 199,
        BMSA_CHARGE_LIMIT = 10,
        BMSA_DISCHARGE_LIMIT = 11,
        OFFLINE_AFTER_MS = 10000,
    };

    ModbusrtuDevice(DeviceData* ac, DeviceData* dc, DeviceData* sts, const char* port, int baud, int mode,
        int address, int reserved, int trace);
    ~ModbusrtuDevice() override;

    // Opens the store and, where a host build may (under STATIONPANEL_ROOT), the line; a line
    // that does not open is logged and the store still serves. 0.
    int open() override;
    int close() override;
    int setting(int module, int index, float value, int broadcastFlag) override;

    const std::string& port() const { return port_; }
    int baud() const { return baud_; }
    int mode() const { return mode_; }
    int address() const { return address_; }
    int reserved() const { return reserved_; }
    bool lineOpen() const { return fd_ >= 0; }

    // One request as it came off the line (node, function, data, CRC); the reply to send, empty
    // for none. Public for tests of the register map without a line.
    std::vector<uint8_t> request(const std::vector<uint8_t>& frame);

private:
    void lineLoop();
    std::vector<uint8_t> answer(int fc, int address, const std::vector<uint8_t>& frame);
    void batteryWrite(int unit, int reg, uint16_t word);
    int slaveAddress();

    std::string port_;
    int baud_;
    int mode_;
    int address_;
    int reserved_;
    int fd_ = -1;
    std::atomic<bool> stop_{ false };
    std::thread line_;
    std::atomic<int64_t> heardMs_[BATTERY_UNITS];
};

} // namespace modbus

#endif
