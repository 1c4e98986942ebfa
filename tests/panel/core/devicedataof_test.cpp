#include "devicedataof.h"

#include "devicedata.h"
#include "modbusstsdata.h"
#include "modbustcpdevice.h"

#include <gtest/gtest.h>

TEST(DeviceDataOf, NullStaysNull)
{
    EXPECT_EQ(deviceDataOf(static_cast<ModbusAcDcData*>(nullptr)), nullptr);
    EXPECT_EQ(deviceDataOf(static_cast<DcdcData*>(nullptr)), nullptr);
    EXPECT_EQ(deviceDataOf(static_cast<BmsData*>(nullptr)), nullptr);
    EXPECT_EQ(deviceDataOf(static_cast<ModbusSTSData*>(nullptr)), nullptr);
    EXPECT_EQ(deviceDataOf(static_cast<modbus::ModbusrtuDevice*>(nullptr)), nullptr);
    EXPECT_EQ(deviceDataOf(static_cast<modbus::ModbustcpDevice*>(nullptr)), nullptr);
    EXPECT_EQ(deviceDataOf(static_cast<modbus::DataExportDevice*>(nullptr)), nullptr);
    EXPECT_EQ(deviceDataOf(static_cast<Iec104Device*>(nullptr)), nullptr);
}

TEST(DeviceDataOf, BuiltDevicesGiveTheirInterface)
{
    ModbusSTSData sts(1, "/dev/ttySAC2", "19200,n,8,1", 800, 0);
    modbus::ModbustcpDevice tcp(nullptr, nullptr, &sts, 502, 1, 0, 0);
    EXPECT_EQ(deviceDataOf(&sts), static_cast<DeviceData*>(&sts));
    EXPECT_EQ(deviceDataOf(&tcp), static_cast<DeviceData*>(&tcp));
}
