#include "devicedataof.h"
#include "bmsdata.h"
#include "dataexportdevice.h"
#include "dcdcdata.h"
#include "devicedata.h"
#include "iec104device.h"
#include "modbusacdcdata.h"
#include "modbusrtudevice.h"
#include "modbusstsdata.h"
#include "modbustcpdevice.h"

// The derived-to-base conversion adjusts the pointer as it must; null stays null.
DeviceData* deviceDataOf(ModbusAcDcData* device) { return device; }
DeviceData* deviceDataOf(DcdcData* device) { return device; }
DeviceData* deviceDataOf(BmsData* device) { return device; }
DeviceData* deviceDataOf(ModbusSTSData* device) { return device; }
DeviceData* deviceDataOf(modbus::ModbusrtuDevice* device) { return device; }
DeviceData* deviceDataOf(modbus::ModbustcpDevice* device) { return device; }
DeviceData* deviceDataOf(modbus::DataExportDevice* device) { return device; }
DeviceData* deviceDataOf(Iec104Device* device) { return device; }
