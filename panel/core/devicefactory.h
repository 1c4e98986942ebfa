#ifndef DEVICEFACTORY_H
#define DEVICEFACTORY_H

class DeviceData;
class ModbusAcDcData;
class DcdcData;
class BmsData;
class ModbusSTSData;
class Iec104Device;
class DATADEAL;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
class DataExportDevice;
}

// A device made at start-up: the object the pages are given and its DeviceData view, which is
// what the core calls. A test may give a view without an object.
template <class T>
struct Made {
    T* object;
    DeviceData* device;
};

// Start-up makes every device object through this, so that a test can see the arguments and
// stand its own devices in.
class DeviceFactory {
public:
    virtual ~DeviceFactory() {}
    virtual Made<ModbusAcDcData> newAcDc(int modules, const char* port, const char* line, int timeoutMs, int trace);
    virtual Made<BmsData> newBms(const char* bus, int bitRate, int timeoutMs, int ext);
    virtual Made<DcdcData> newDcdc(const char* bus, int bitRate, int tickMs, int trace);
    virtual ModbusSTSData* newSts(int address, const char* port, const char* line, int timeoutMs, int trace);
    virtual modbus::ModbusrtuDevice* newRtu(DeviceData* ac, DeviceData* dc, DeviceData* sts, const char* port,
        int baud, int mode, int address, int reserved, int trace);
    virtual modbus::ModbustcpDevice* newTcp(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port, int address,
        int reserved, int trace);
    virtual modbus::DataExportDevice* newExport(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port,
        int reserved, int trace);
    virtual Iec104Device* newIec104(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port, int address,
        int reserved, int trace);
    // The data-handling thread object; a test may give one whose loop it drives pass by pass.
    virtual DATADEAL* newDataDeal();

    // The factory start-up uses; the plain one unless a test has put its own.
    static DeviceFactory* instance();
    static void setInstance(DeviceFactory* factory);
};

#endif
