#include "modbustcpdevice.h"

namespace modbus {

ModbustcpDevice::ModbustcpDevice(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port, int address,
    int reserved, int trace)
    : UpwardRegisterStore("ModbustcpDevice", ac, dc, sts, trace)
    , port_(port)
    , address_(address)
    , reserved_(reserved)
{
}

} // namespace modbus
