#ifndef MODBUSRTUDEVICE_H
#define MODBUSRTUDEVICE_H

#include "upwardregisterstore.h"

#include <string>

namespace modbus {

// The upward Modbus RTU slave. Battery systems of some types write their units' registers into
// it as modules 3001 + u.
class ModbusrtuDevice : public UpwardRegisterStore {
public:
    ModbusrtuDevice(DeviceData* ac, DeviceData* dc, DeviceData* sts, const char* port, int baud, int mode,
        int address, int reserved, int trace);

    const std::string& port() const { return port_; }
    int baud() const { return baud_; }
    int mode() const { return mode_; }
    int address() const { return address_; }
    int reserved() const { return reserved_; }

private:
    std::string port_;
    int baud_;
    int mode_;
    int address_;
    int reserved_;
};

} // namespace modbus

#endif
