#include "modbusconstants.h"

#include "ptypair.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

using cp::ModbusConstants;

TEST(ModbusConstants, CrcOfKnownFrames)
{
    // Request examples of the Modbus serial-line documents, with the CRC as sent on the wire.
    struct Case {
        std::vector<unsigned char> frame;
        unsigned char first, second;
    } cases[] = {
        { { 0x01, 0x03, 0x00, 0x00, 0x00, 0x0A }, 0xC5, 0xCD },
        { { 0x01, 0x06, 0x00, 0x01, 0x00, 0x03 }, 0x98, 0x0B },
        { { 0x11, 0x03, 0x00, 0x6B, 0x00, 0x03 }, 0x76, 0x87 },
        { { 0x11, 0x01, 0x00, 0x13, 0x00, 0x25 }, 0x0E, 0x84 },
        { { 0x11, 0x05, 0x00, 0xAC, 0xFF, 0x00 }, 0x4E, 0x8B },
        { { 0x11, 0x10, 0x00, 0x01, 0x00, 0x02, 0x04, 0x00, 0x0A, 0x01, 0x02 }, 0xC6, 0xF0 },
    };
    for (const Case& c : cases) {
        int n = (int)c.frame.size();
        EXPECT_EQ(ModbusConstants::getCheckSum(c.frame.data(), n, 1), c.first << 8 | c.second);
        EXPECT_EQ(ModbusConstants::getCheckSum(c.frame.data(), n, 0), c.second << 8 | c.first);
        // Only the low byte of the order counts.
        EXPECT_EQ(ModbusConstants::getCheckSum(c.frame.data(), n, 0x100), c.second << 8 | c.first);
    }
}

TEST(ModbusConstants, CrcRefusesBadArguments)
{
    unsigned char b[2] = { 1, 2 };
    EXPECT_EQ(ModbusConstants::getCheckSum(nullptr, 2, 1), -1);
    EXPECT_EQ(ModbusConstants::getCheckSum(b, 0, 1), -1);
    EXPECT_EQ(ModbusConstants::getCheckSum(b, 2, -1), -1);
}

TEST(ModbusConstants, TablesAndCrcAgreeWithTheBitwiseCrc)
{
    for (int i = 0; i < 256; ++i) {
        unsigned c = i;
        for (int b = 0; b < 8; ++b)
            c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
        ASSERT_EQ(cp::CrcHiTable[i], c & 0xFF) << i;
        ASSERT_EQ(cp::CrcLoTable[i], c >> 8) << i;
    }
    std::mt19937 rng(12345);
    for (int round = 0; round < 500; ++round) {
        std::vector<unsigned char> data(1 + rng() % 300);
        for (unsigned char& b : data)
            b = (unsigned char)rng();
        unsigned c = modbusCrc(data.data(), data.size());
        int wire = (int)((c & 0xFF) << 8 | c >> 8);
        ASSERT_EQ(ModbusConstants::getCheckSum(data.data(), (int)data.size(), 1), wire);
    }
}
