#ifndef DEVICEDATAOF_H
#define DEVICEDATAOF_H

// The device classes come from libraries (ours and the maker's) that are built separately, so a
// page only forward-declares them and keeps its pointers as the concrete types. Their operations
// are reached through these, which give the DeviceData view of an object (null for null).
class DeviceData;
class ModbusAcDcData;
class DcdcData;
class BmsData;
class ModbusSTSData;
class Iec104Device;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
class DataExportDevice;
}

DeviceData* deviceDataOf(ModbusAcDcData* device);
DeviceData* deviceDataOf(DcdcData* device);
DeviceData* deviceDataOf(BmsData* device);
DeviceData* deviceDataOf(ModbusSTSData* device);
DeviceData* deviceDataOf(modbus::ModbusrtuDevice* device);
DeviceData* deviceDataOf(modbus::ModbustcpDevice* device);
DeviceData* deviceDataOf(modbus::DataExportDevice* device);
DeviceData* deviceDataOf(Iec104Device* device);

#endif
