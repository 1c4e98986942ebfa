#include "modbusrtudevice.h"

namespace modbus {

ModbusrtuDevice::ModbusrtuDevice(DeviceData* ac, DeviceData* dc, DeviceData* sts, const char* port, int baud,
    int mode, int address, int reserved, int trace)
    : UpwardRegisterStore("ModbusrtuDevice", ac, dc, sts, trace)
    , port_(port ? port : "")
    , baud_(baud)
    , mode_(mode)
    , address_(address)
    , reserved_(reserved)
{
}

} // namespace modbus
