#include "dataexportdevice.h"
#include "iec104device.h"
#include "modbusrtudevice.h"
#include "modbustcpdevice.h"
#include "modbusstsdata.h"

#include <gtest/gtest.h>
#include <math.h>
#include <memory>
#include <string.h>

namespace {

// The three devices a server is built over; only their addresses matter here.
struct Below {
    ModbusSTSData ac { 1, "/dev/null-ac", "19200,n,8,1", 300, 0 };
    ModbusSTSData dc { 2, "/dev/null-dc", "19200,n,8,1", 300, 0 };
    ModbusSTSData sts { 257, "/dev/ttySAC2", "19200,n,8,1", 800, 0 };
};

} // namespace

TEST(UpwardServers, KeepTheArgumentsTheyWereBuiltWith)
{
    Below b;
    modbus::ModbusrtuDevice rtu(&b.ac, &b.dc, &b.sts, "/dev/ttySAC3", 9600, 0, 17, 0, 8);
    EXPECT_EQ(rtu.acDevice(), &b.ac);
    EXPECT_EQ(rtu.dcDevice(), &b.dc);
    EXPECT_EQ(rtu.stsDevice(), &b.sts);
    EXPECT_EQ(rtu.port(), "/dev/ttySAC3");
    EXPECT_EQ(rtu.baud(), 9600);
    EXPECT_EQ(rtu.mode(), 0);
    EXPECT_EQ(rtu.address(), 17);
    EXPECT_EQ(rtu.reserved(), 0);
    EXPECT_EQ(rtu.trace(), 8);

    modbus::ModbustcpDevice tcp(&b.ac, &b.dc, &b.sts, 502, 17, 0, 16);
    EXPECT_EQ(tcp.port(), 502);
    EXPECT_EQ(tcp.address(), 17);
    EXPECT_EQ(tcp.trace(), 16);
    EXPECT_EQ(tcp.stsDevice(), &b.sts);

    modbus::DataExportDevice exp(&b.ac, &b.dc, &b.sts, 8010, 0, 16);
    EXPECT_EQ(exp.port(), 8010);
    EXPECT_EQ(exp.dcDevice(), &b.dc);

    Iec104Device iec(&b.ac, &b.dc, &b.sts, 2404, 300, 0, 32);
    EXPECT_EQ(iec.port(), 2404);
    EXPECT_EQ(iec.commonAddress(), 300);
    EXPECT_EQ(iec.trace(), 32);
}

TEST(UpwardServers, EachAnswersWithTheLastValueWrittenThroughDeviceData)
{
    Below b;
    std::unique_ptr<DeviceData> servers[] = {
        std::unique_ptr<DeviceData>(new modbus::ModbusrtuDevice(&b.ac, &b.dc, &b.sts, "/dev/ttySAC3", 19200, 1, 1, 0, 0)),
        std::unique_ptr<DeviceData>(new modbus::ModbustcpDevice(&b.ac, &b.dc, &b.sts, 502, 1, 0, 0)),
        std::unique_ptr<DeviceData>(new modbus::DataExportDevice(&b.ac, &b.dc, &b.sts, 8010, 0, 0)),
        std::unique_ptr<DeviceData>(new Iec104Device(&b.ac, &b.dc, &b.sts, 2404, 1, 0, 0)),
    };
    for (auto& s : servers) {
        ASSERT_EQ(s->open(), 0);
        EXPECT_EQ(s->getStatus(0, 420), 0) << "never written";
        EXPECT_EQ(s->setting(0, 420, 30.0f, 0), 0);
        EXPECT_EQ(s->setting(0, 500, 19200.0f, 0), 0);
        EXPECT_EQ(s->setting(0, 420, 45.0f, 0), 0);
        EXPECT_EQ(s->setting(2, 299, 1.0f, 0), 0);
        EXPECT_EQ(s->getSettingResult(0), 0);
        EXPECT_EQ(s->getStatus(0, 420), 45);
        EXPECT_EQ(s->getStatus(0, 500), 19200);
        EXPECT_EQ(s->getStatus(2, 299), 1);
        EXPECT_EQ(s->getStatus(0, 299), 0) << "registers are kept per module";
        float v = -1.0f;
        EXPECT_EQ(s->getAnalog(0, 420, &v), 0);
        EXPECT_EQ(v, 45.0f);
        v = -1.0f;
        EXPECT_EQ(s->getAnalog(0, 421, &v), -1);
        EXPECT_EQ(v, 0.0f);
        EXPECT_EQ(s->setting(0, 420, NAN, 0), -1);
        EXPECT_EQ(s->getStatus(0, 420), 45);
        OperateRecord r;
        EXPECT_EQ(s->getOperateRecord(&r), 0);
        EXPECT_EQ(s->getFaultRecordSize(), 0);
    }
}

TEST(UpwardServers, NoOperationRecordsBeforeOpen)
{
    Below b;
    modbus::ModbustcpDevice tcp(&b.ac, &b.dc, &b.sts, 502, 1, 0, 0);
    OperateRecord r;
    memset(&r, 0x55, sizeof r);
    EXPECT_EQ(tcp.getOperateRecord(&r), -1);
    EXPECT_EQ(r.modules, 0);
}

TEST(UpwardServers, HeartBeatsOnlyForRequestsOfTheUpperSystem)
{
    Below b;
    modbus::ModbustcpDevice tcp(&b.ac, &b.dc, &b.sts, 502, 1, 0, 0);
    tcp.open();
    EXPECT_EQ(tcp.getHeart(), 0);
    tcp.setting(0, 301, 1.0f, 0);
    tcp.getStatus(0, 100);
    EXPECT_EQ(tcp.getHeart(), 0) << "the panel's own calls are no requests";

    tcp.upperPoll();
    tcp.upperPoll();
    EXPECT_NE(tcp.getHeart(), 0);
    EXPECT_EQ(tcp.getHeart(), 0) << "cleared by the call";

    tcp.upperWrite(0, 100, 2.0f);
    EXPECT_NE(tcp.getHeart(), 0);
    float v = 0;
    EXPECT_EQ(tcp.upperRead(0, 301, &v), 1);
    EXPECT_NE(tcp.getHeart(), 0);
    EXPECT_EQ(tcp.getHeart(), 0);
}

TEST(UpwardServers, TheUpperSystemAndThePanelSeeEachOthersRegisters)
{
    Below b;
    modbus::ModbustcpDevice tcp(&b.ac, &b.dc, &b.sts, 502, 1, 0, 0);
    tcp.open();
    tcp.upperWrite(0, 100, 2.0f);
    tcp.upperWrite(0, 500, 9600.0f);
    EXPECT_EQ(tcp.getStatus(0, 100), 2);
    EXPECT_EQ(tcp.getStatus(0, 500), 9600);

    tcp.setting(0, 305, 1.0f, 0);
    float v = -1.0f;
    EXPECT_EQ(tcp.upperRead(0, 305, &v), 1);
    EXPECT_EQ(v, 1.0f);
    v = -1.0f;
    EXPECT_EQ(tcp.upperRead(0, 306, &v), 0);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(tcp.upperWrite(0, 1, INFINITY), -1);
}

TEST(UpwardServers, RawBatteryReadAlwaysWritesItsOutput)
{
    Below b;
    modbus::ModbusrtuDevice rtu(&b.ac, &b.dc, &b.sts, "/dev/ttySAC3", 19200, 1, 1, 0, 0);
    rtu.open();
    struct Case {
        const char* name;
        int module, index;
        uint16_t word; // 0 = not written
        short raw;
        int ret;
    };
    const Case cases[] = {
        { "never written", 3001, 3, 0, 0, -1 },
        { "small word", 3002, 3, 523, 523, 0 },
        { "protection code", 3003, 0, 0xAAAA, short(0xAAAA), 0 },
        { "all ones", 3008, 1, 0xFFFF, -1, 0 },
    };
    for (const Case& c : cases) {
        if (c.word) {
            ASSERT_EQ(rtu.upperWriteWord(c.module, c.index, c.word), 0);
        }
        short out = 0x5A5A;
        EXPECT_EQ(rtu.getAnalog(c.module, c.index, &out), c.ret) << c.name;
        EXPECT_EQ(out, c.raw) << c.name;
    }
    float v = 0;
    rtu.getAnalog(3008, 1, &v);
    EXPECT_EQ(v, -1.0f) << "a word reads back signed";
    EXPECT_EQ(rtu.getStatus(3003, 0), int(short(0xAAAA)));

    // A value the panel stored keeps its low 16 bits.
    rtu.setting(3004, 2, 70000.0f, 0);
    short out = 0;
    EXPECT_EQ(rtu.getAnalog(3004, 2, &out), 0);
    EXPECT_EQ(out, short(70000 & 0xFFFF));
    EXPECT_EQ(rtu.getAnalog(3004, 2, static_cast<short*>(nullptr)), -1);
}

TEST(UpwardServers, BatteryUnitFlagsAreKeptPerUnit)
{
    Below b;
    modbus::ModbusrtuDevice rtu(&b.ac, &b.dc, &b.sts, "/dev/ttySAC3", 19200, 1, 1, 0, 0);
    rtu.open();
    rtu.upperWrite(3001, 199, 1.0f);
    rtu.upperWrite(3005, 19, 1.0f);
    rtu.upperWrite(0, 299, 1.0f);
    EXPECT_EQ(rtu.getStatus(3001, 199), 1);
    EXPECT_EQ(rtu.getStatus(3002, 199), 0);
    EXPECT_EQ(rtu.getStatus(3005, 19), 1);
    EXPECT_EQ(rtu.getStatus(0, 299), 1);
    // The panel re-arms a heartbeat and clears a limit flag through setting().
    rtu.setting(0, 299, 0.0f, 0);
    EXPECT_EQ(rtu.getStatus(0, 299), 0);
}
