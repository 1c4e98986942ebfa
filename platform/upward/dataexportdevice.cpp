#include "dataexportdevice.h"

namespace modbus {

DataExportDevice::DataExportDevice(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port, int reserved, int trace)
    : UpwardRegisterStore("DataExportDevice", ac, dc, sts, trace)
    , port_(port)
    , reserved_(reserved)
{
}

} // namespace modbus
