#ifndef DEVICEDATAOF_H
#define DEVICEDATAOF_H

// Pages forward-declare the device classes of the libraries and keep their pointers as the
// concrete types; these give the DeviceData view of an object (null for null).
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
