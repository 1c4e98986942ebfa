#include "devicefactory.h"
#include "datadeal.h"
#include "devicedata.h"
#include "bmsdata.h"
#include "dcdcdata.h"
#include "modbusacdcdata.h"
#include "modbusstsdata.h"
#include "modbusrtudevice.h"
#include "modbustcpdevice.h"
#include "dataexportdevice.h"
#include "iec104device.h"

namespace {
DeviceFactory g_plain;
DeviceFactory* g_factory = &g_plain;
}

DeviceFactory* DeviceFactory::instance()
{
    return g_factory;
}

void DeviceFactory::setInstance(DeviceFactory* factory)
{
    g_factory = factory ? factory : &g_plain;
}

Made<ModbusAcDcData> DeviceFactory::newAcDc(int modules, const char* port, const char* line, int timeoutMs, int trace)
{
    ModbusAcDcData* d = new ModbusAcDcData(modules, const_cast<char*>(port), const_cast<char*>(line), timeoutMs, trace);
    Made<ModbusAcDcData> m = { d, d };
    return m;
}

Made<BmsData> DeviceFactory::newBms(const char* bus, int bitRate, int timeoutMs, int ext)
{
    BmsData* d = new BmsData(const_cast<char*>(bus), bitRate, timeoutMs, ext);
    Made<BmsData> m = { d, d };
    return m;
}

Made<DcdcData> DeviceFactory::newDcdc(const char* bus, int bitRate, int tickMs, int trace)
{
    DcdcData* d = new DcdcData(const_cast<char*>(bus), bitRate, tickMs, trace);
    Made<DcdcData> m = { d, d };
    return m;
}

ModbusSTSData* DeviceFactory::newSts(int address, const char* port, const char* line, int timeoutMs, int trace)
{
    return new ModbusSTSData(address, port, line, timeoutMs, trace);
}

modbus::ModbusrtuDevice* DeviceFactory::newRtu(DeviceData* ac, DeviceData* dc, DeviceData* sts, const char* port,
    int baud, int mode, int address, int reserved, int trace)
{
    return new modbus::ModbusrtuDevice(ac, dc, sts, port, baud, mode, address, reserved, trace);
}

modbus::ModbustcpDevice* DeviceFactory::newTcp(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port, int address,
    int reserved, int trace)
{
    return new modbus::ModbustcpDevice(ac, dc, sts, port, address, reserved, trace);
}

modbus::DataExportDevice* DeviceFactory::newExport(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port,
    int reserved, int trace)
{
    return new modbus::DataExportDevice(ac, dc, sts, port, reserved, trace);
}

Iec104Device* DeviceFactory::newIec104(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port, int address,
    int reserved, int trace)
{
    return new Iec104Device(ac, dc, sts, port, address, reserved, trace);
}

DATADEAL* DeviceFactory::newDataDeal()
{
    return new DATADEAL;
}
