#include "iec104device.h"

Iec104Device::Iec104Device(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port, int commonAddress,
    int reserved, int trace)
    : UpwardRegisterStore("Iec104Device", ac, dc, sts, trace)
    , port_(port)
    , commonAddress_(commonAddress)
    , reserved_(reserved)
{
}
