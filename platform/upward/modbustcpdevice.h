#ifndef MODBUSTCPDEVICE_H
#define MODBUSTCPDEVICE_H

#include "upwardregisterstore.h"

namespace modbus {

// The upward Modbus TCP slave.
class ModbustcpDevice : public UpwardRegisterStore {
public:
    ModbustcpDevice(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port, int address, int reserved, int trace);

    int port() const { return port_; }
    int address() const { return address_; }
    int reserved() const { return reserved_; }

private:
    int port_;
    int address_;
    int reserved_;
};

} // namespace modbus

#endif
