#include "devicedataof.h"
#include "devicedata.h"

#include <stdio.h>

// Each conversion is compiled from the class's own header once the library that declares it is
// part of the build; the derived-to-base conversion then adjusts the pointer as it must.
// Without the header no object of the class can have been made, so there is nothing to reach.

namespace {
DeviceData* notBuilt(const char* cls, const void* device)
{
    if (device)
        printf("deviceDataOf: %s is not part of this build\n", cls);
    return nullptr;
}
}

#include "modbusacdcdata.h"
DeviceData* deviceDataOf(ModbusAcDcData* device) { return device; }

#include "dcdcdata.h"
DeviceData* deviceDataOf(DcdcData* device) { return device; }

#if __has_include("bmsdata.h")
#include "bmsdata.h"
DeviceData* deviceDataOf(BmsData* device) { return device; }
#else
DeviceData* deviceDataOf(BmsData* device) { return notBuilt("BmsData", device); }
#endif

#if __has_include("modbusstsdata.h")
#include "modbusstsdata.h"
DeviceData* deviceDataOf(ModbusSTSData* device) { return device; }
#else
DeviceData* deviceDataOf(ModbusSTSData* device) { return notBuilt("ModbusSTSData", device); }
#endif

#if __has_include("modbusrtudevice.h")
#include "modbusrtudevice.h"
DeviceData* deviceDataOf(modbus::ModbusrtuDevice* device) { return device; }
#else
DeviceData* deviceDataOf(modbus::ModbusrtuDevice* device) { return notBuilt("modbus::ModbusrtuDevice", device); }
#endif

#if __has_include("modbustcpdevice.h")
#include "modbustcpdevice.h"
DeviceData* deviceDataOf(modbus::ModbustcpDevice* device) { return device; }
#else
DeviceData* deviceDataOf(modbus::ModbustcpDevice* device) { return notBuilt("modbus::ModbustcpDevice", device); }
#endif

#if __has_include("dataexportdevice.h")
#include "dataexportdevice.h"
DeviceData* deviceDataOf(modbus::DataExportDevice* device) { return device; }
#else
DeviceData* deviceDataOf(modbus::DataExportDevice* device) { return notBuilt("modbus::DataExportDevice", device); }
#endif

#if __has_include("iec104device.h")
#include "iec104device.h"
DeviceData* deviceDataOf(Iec104Device* device) { return device; }
#else
DeviceData* deviceDataOf(Iec104Device* device) { return notBuilt("Iec104Device", device); }
#endif
