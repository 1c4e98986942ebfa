// The upward RTU slave's register map, request by request, without a line: the upper system's
// registers of module 0 and the battery units' registers.
#include "modbusrtudevice.h"

#include "modbusstsdata.h"

#include <gtest/gtest.h>
#include <stdint.h>
#include <vector>

namespace {

uint16_t crc16(const std::vector<uint8_t>& f)
{
    uint16_t crc = 0xFFFF;
    for (uint8_t b : f) {
        crc ^= b;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

std::vector<uint8_t> framed(std::vector<uint8_t> f)
{
    const uint16_t crc = crc16(f);
    f.push_back(uint8_t(crc & 0xFF));
    f.push_back(uint8_t(crc >> 8));
    return f;
}

std::vector<uint8_t> writeMany(int node, int address, const std::vector<uint16_t>& words)
{
    std::vector<uint8_t> f = { uint8_t(node), 16, uint8_t(address >> 8), uint8_t(address), 0, uint8_t(words.size()),
        uint8_t(2 * words.size()) };
    for (uint16_t w : words) {
        f.push_back(uint8_t(w >> 8));
        f.push_back(uint8_t(w));
    }
    return framed(f);
}

struct Slave {
    ModbusSTSData below{ 1, "/dev/null-ac", "19200,n,8,1", 300, 0 };
    modbus::ModbusrtuDevice rtu{ &below, &below, &below, "/dev/ttySAC3", 19200, 1, 5, 0, 0 };

    short raw(int module, int reg)
    {
        short v = 0;
        rtu.getAnalog(module, reg, &v);
        return v;
    }
};

} // namespace

TEST(ModbusrtuDeviceMap, BatteryUnitsWriteTheirRegisters)
{
    Slave s;
    // Unit 1 writes registers 0..3 (a negative current among them).
    const std::vector<uint8_t> req = writeMany(5, 0x3100, { 7312, 0xFED4, 3352, 3318 });
    const std::vector<uint8_t> reply = s.rtu.request(req);
    EXPECT_EQ(reply, framed({ 5, 16, 0x31, 0x00, 0, 4 }));
    EXPECT_EQ(s.raw(3002, 0), 7312);
    EXPECT_EQ(s.raw(3002, 1), -300);
    EXPECT_EQ(s.raw(3002, 3), 3318);
    EXPECT_EQ(s.rtu.getStatus(3002, 199), 1) << "online after a write";
    EXPECT_EQ(s.rtu.getStatus(3002, 19), 0) << "heartbeat present";
    EXPECT_EQ(s.rtu.getStatus(3001, 199), 0) << "unit 0 said nothing";
    EXPECT_EQ(s.rtu.getHeart(), 0) << "a battery is not the upper system";

    struct Case { const char* name; std::vector<uint8_t> frame; std::vector<uint8_t> reply; } cases[] = {
        { "another slave", writeMany(6, 0x3000, { 1 }), {} },
        { "broadcast: taken, not answered", writeMany(0, 0x3000, { 9 }), {} },
        { "two units in one write", writeMany(5, 0x30FF, { 1, 2 }), framed({ 5, 0x90, 2 }) },
        { "beyond unit 7", writeMany(5, 0x3800, { 1 }), framed({ 5, 0x90, 2 }) },
        { "byte count wrong", [] { auto f = writeMany(5, 0x3000, { 1 }); f[6] = 4; f.resize(f.size() - 2);
              return framed(f); }(), {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(s.rtu.request(c.frame), c.reply) << c.name;
    EXPECT_EQ(s.raw(3001, 0), 9) << "the broadcast was stored";
    std::vector<uint8_t> bad = req;
    bad.back() ^= 1;
    EXPECT_TRUE(s.rtu.request(bad).empty()) << "a bad CRC is not answered";
}

TEST(ModbusrtuDeviceMap, PointsTheSlaveKeepsAndTheLimitFlags)
{
    Slave s;
    s.rtu.setting(0, 505, 1.0f, 0);   // BMS-A-1.2
    // The battery cannot write the slave's own points.
    s.rtu.request(writeMany(5, 0x3000 + 19, { 1 }));
    EXPECT_EQ(s.rtu.getStatus(3001, 19), 0);
    s.rtu.request(writeMany(5, 0x3000 + 10, { 140, 160 }));
    EXPECT_EQ(s.rtu.getStatus(0, 299), 1);
    EXPECT_EQ(s.rtu.getStatus(0, 399), 1);
    s.rtu.setting(0, 299, 0.0f, 0);
    s.rtu.setting(0, 399, 0.0f, 0);
    // The same limits again raise nothing; a new discharge limit raises its flag only.
    s.rtu.request(writeMany(5, 0x3000 + 10, { 140, 150 }));
    EXPECT_EQ(s.rtu.getStatus(0, 299), 0);
    EXPECT_EQ(s.rtu.getStatus(0, 399), 1);
    // Unit 2's flags are module 2's; other battery types have no such registers.
    s.rtu.request(writeMany(5, 0x3200 + 10, { 100 }));
    EXPECT_EQ(s.rtu.getStatus(2, 299), 1);
    s.rtu.setting(0, 505, 3.0f, 0);
    s.rtu.request(writeMany(5, 0x3300 + 10, { 100 }));
    EXPECT_EQ(s.rtu.getStatus(3, 299), 0);
}

TEST(ModbusrtuDeviceMap, UpperSystemReadsAndWritesModuleZero)
{
    Slave s;
    s.rtu.setting(0, 301, 1.0f, 0);
    s.rtu.setting(0, 302, -2.0f, 0);
    EXPECT_EQ(s.rtu.request(framed({ 5, 3, 0x01, 0x2D, 0, 2 })), framed({ 5, 3, 4, 0, 1, 0xFF, 0xFE }));
    EXPECT_EQ(s.rtu.getHeart(), 1);
    EXPECT_EQ(s.rtu.request(framed({ 5, 6, 0, 100, 0, 2 })), framed({ 5, 6, 0, 100, 0, 2 }));
    EXPECT_EQ(s.rtu.getStatus(0, 100), 2);
    EXPECT_EQ(s.rtu.request(framed({ 5, 3, 0x2F, 0xFF, 0, 2 })), framed({ 5, 0x83, 2 })) << "reads stop below 0x3000";
    EXPECT_EQ(s.rtu.request(framed({ 5, 3, 0, 0, 0, 0 })), framed({ 5, 0x83, 3 }));
    // The panel moves the slave address with register 1.
    s.rtu.setting(0, 1, 9.0f, 0);
    EXPECT_TRUE(s.rtu.request(framed({ 5, 3, 0, 1, 0, 1 })).empty());
    EXPECT_EQ(s.rtu.request(framed({ 9, 3, 0, 1, 0, 1 })), framed({ 9, 3, 2, 0, 9 }));
}
