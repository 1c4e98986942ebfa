#include "modbusframe.h"

#include "ptypair.h"

#include <gtest/gtest.h>
#include <math.h>
#include <vector>

using cp::ModbusFrame;
typedef std::vector<unsigned char> Bytes;

namespace {

Bytes built(ModbusFrame& f)
{
    unsigned char* p = f.getBuffer();
    return p ? Bytes(p, p + f.getLength()) : Bytes();
}

ModbusFrame request(int node, int fc, int id, int count, int order = 1)
{
    ModbusFrame f(true);
    f.setCrc(order);
    f.setNode(node);
    f.setFun(fc, true);
    f.setId(id);
    f.setNr(count);
    return f;
}

Bytes cat(Bytes a, const Bytes& b)
{
    for (unsigned char x : b)
        a.push_back(x);
    return a;
}

int parse(ModbusFrame& f, const Bytes& b)
{
    return f.parse(b.data(), (int)b.size());
}

}

TEST(ModbusFrame, BuildsRequests)
{
    ModbusFrame r = request(1, 3, 0, 10);
    EXPECT_EQ(built(r), (Bytes{ 0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD }));
    r.setCrc(0);
    EXPECT_EQ(built(r), (Bytes{ 0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xCD, 0xC5 }));

    ModbusFrame c = request(0x11, 1, 0x13, 0x25);
    EXPECT_EQ(built(c), (Bytes{ 0x11, 0x01, 0x00, 0x13, 0x00, 0x25, 0x0E, 0x84 }));

    ModbusFrame w = request(1, 6, 1, 0);
    w.setValue(3);
    EXPECT_EQ(built(w), (Bytes{ 0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x98, 0x0B }));

    ModbusFrame coil = request(0x11, 5, 0xAC, 0);
    coil.setValue(0xFF00);
    EXPECT_EQ(built(coil), (Bytes{ 0x11, 0x05, 0x00, 0xAC, 0xFF, 0x00, 0x4E, 0x8B }));

    ModbusFrame m = request(0x11, 16, 1, 2);
    m.setBytes(4);
    unsigned char body[] = { 0x00, 0x0A, 0x01, 0x02 };
    m.addInfoData(body, 4);
    EXPECT_EQ(built(m), (Bytes{ 0x11, 0x10, 0x00, 0x01, 0x00, 0x02, 0x04, 0x00, 0x0A, 0x01, 0x02, 0xC6, 0xF0 }));

    ModbusFrame odd = request(1, 15, 0, 1);
    EXPECT_EQ(odd.getBuffer(), nullptr) << "no defined body";
}

TEST(ModbusFrame, DataAreaLimit)
{
    ModbusFrame m = request(1, 16, 0, 0);
    unsigned char big[300] = {};
    m.addInfoData(big, 255);
    EXPECT_NE(m.getBuffer(), nullptr);
    EXPECT_EQ(m.getLength(), 7 + 255 + 2);
    m.addInfoData(big, 1);
    EXPECT_EQ(m.getBuffer(), nullptr) << "256 bytes";
    m.clearBuffer();
    m.addInfoData(big, 300);
    EXPECT_EQ(m.getBuffer(), nullptr);
    // The rest of the buffer is the limit of what may be appended at all.
    for (int i = 0; i < 6; ++i)
        m.addInfoData(big, 300);
    EXPECT_EQ(m.addInfoData(big, 300), -1);
    EXPECT_EQ(m.addInfoData(1.0f, 3), 0);
}

TEST(ModbusFrame, ParseFindsOnlyTheAnswerToThisRequest)
{
    const Bytes reply = withCrc({ 0x01, 0x03, 0x04, 0x00, 0x01, 0x00, 0x02 });
    struct Case {
        const char* name;
        int fc;
        int order;
        Bytes data;
        int result;
        int count = 2;   // registers or bits asked for
    } cases[] = {
        { "plain reply", 3, 1, reply, 0 },
        { "noise before it", 3, 1, cat(Bytes{ 0x01, 0xFF, 0x00, 0x01 }, reply), 0 },
        { "trailing bytes", 3, 1, [&] { Bytes b = reply; b.push_back(0x55); return b; }(), 0 },
        { "byte count for 1 register, good CRC", 3, 1, withCrc({ 0x01, 0x03, 0x02, 0x00, 0x01 }), -3 },
        { "exception reply", 3, 1, withCrc({ 0x01, 0x83, 0x02 }), -3 },
        { "truncated", 3, 1, Bytes(reply.begin(), reply.end() - 1), -3 },
        { "bad CRC", 3, 1, [&] { Bytes b = reply; b.back() ^= 1; return b; }(), -3 },
        { "other node", 3, 1, withCrc({ 0x02, 0x03, 0x04, 0x00, 0x01, 0x00, 0x02 }), -3 },
        { "late write echo", 3, 1, withCrc({ 0x01, 0x06, 0x00, 0x01, 0x00, 0x03 }), -3 },
        { "read reply while a write waits", 6, 1, reply, -3 },
        { "swapped order, swapped CRC", 3, 0, withCrc({ 0x01, 0x03, 0x04, 0x00, 0x01, 0x00, 0x02 }, true), 0 },
        { "swapped order, standard CRC", 3, 0, reply, -3 },
        { "standard order, swapped CRC", 3, 1, withCrc({ 0x01, 0x03, 0x04, 0x00, 0x01, 0x00, 0x02 }, true), -3 },
        { "input registers", 4, 1, withCrc({ 0x01, 0x04, 0x04, 0x00, 0x01, 0x00, 0x02 }), 0 },
        { "coils: 2 bits need one byte, not two", 1, 1, withCrc({ 0x01, 0x01, 0x02, 0x03, 0x00 }), -3 },
        { "coils: 8 bits fill one byte", 1, 1, withCrc({ 0x01, 0x01, 0x01, 0xA5 }), 0, 8 },
        { "coils: 8 bits are not two bytes", 1, 1, withCrc({ 0x01, 0x01, 0x02, 0xA5, 0x00 }), -3, 8 },
        { "coils: 9 bits need two bytes", 1, 1, withCrc({ 0x01, 0x01, 0x02, 0xA5, 0x01 }), 0, 9 },
        { "discrete inputs: 16 bits fill two bytes", 2, 1, withCrc({ 0x01, 0x02, 0x02, 0xA5, 0x5A }), 0, 16 },
        { "discrete inputs: 16 bits are not three bytes", 2, 1, withCrc({ 0x01, 0x02, 0x03, 0xA5, 0x5A, 0x00 }), -3,
            16 },
        { "too short", 3, 1, Bytes{ 0x01, 0x03, 0x00 }, -1 },
        { "four bytes are looked at", 3, 1, Bytes{ 0x01, 0x03, 0x04, 0x00 }, -3 },
        { "a reply at the end of a full buffer", 3, 1, cat(Bytes(4096 - 9, 0x55), reply), 0 },
        { "too long", 3, 1, Bytes(4097, 0x01), -1 },
    };
    for (const Case& c : cases) {
        ModbusFrame f = request(1, c.fc, 0, c.count, c.order);
        EXPECT_EQ(parse(f, c.data), c.result) << c.name;
        if (c.result == 0 && c.fc <= 2) {
            EXPECT_EQ(f.getLength(), int(c.data.size())) << c.name;
            EXPECT_EQ(f.getInfoData(3, 1, 0), 1.0f) << c.name;
            EXPECT_EQ(f.getInfoData(3, 1, 1), 0.0f) << c.name;
        } else if (c.result == 0) {
            EXPECT_EQ(f.getLength(), 9) << c.name;
            EXPECT_EQ(f.getNr(), 4) << c.name;
            EXPECT_EQ(f.getInfoData(5, 0, -1), 2.0f) << c.name;
        }
    }
    ModbusFrame f = request(1, 3, 0, 2);
    EXPECT_EQ(f.parse(nullptr, 10), -1);
    ModbusFrame coils = request(1, 1, 0, 2);
    EXPECT_EQ(parse(coils, withCrc({ 0x01, 0x01, 0x01, 0x03 })), 0);
    EXPECT_EQ(coils.getInfoData(3, 1, 1), 1.0f);
}

TEST(ModbusFrame, ParseWriteReplies)
{
    struct Case {
        const char* name;
        int fc;
        int order;
        Bytes data;
        int result;
    } cases[] = {
        { "single register", 6, 1, withCrc({ 0x01, 0x06, 0x00, 0x10, 0x12, 0x34 }), 0 },
        { "single register, swapped", 6, 0, withCrc({ 0x01, 0x06, 0x00, 0x10, 0x12, 0x34 }, true), 0 },
        { "single coil", 5, 1, withCrc({ 0x01, 0x05, 0x00, 0x10, 0xFF, 0x00 }), 0 },
        { "multiple, standard", 16, 1, withCrc({ 0x01, 0x10, 0x00, 0x10, 0x00, 0x02 }), 0 },
        { "multiple, standard CRC under swapped order", 16, 0, withCrc({ 0x01, 0x10, 0x00, 0x10, 0x00, 0x02 }), 0 },
        { "multiple, swapped CRC under swapped order", 16, 0, withCrc({ 0x01, 0x10, 0x00, 0x10, 0x00, 0x02 }, true), -3 },
        { "short", 6, 1, Bytes{ 0x01, 0x06, 0x00, 0x10, 0x12, 0x34, 0x00 }, -3 },
    };
    for (const Case& c : cases) {
        ModbusFrame f = request(1, c.fc, 0, 0, c.order);
        EXPECT_EQ(parse(f, c.data), c.result) << c.name;
        if (c.result == 0) {
            EXPECT_EQ(f.getId(), 0x10) << c.name;
            EXPECT_EQ(f.getLength(), 8) << c.name;
            if (c.fc == 16)
                EXPECT_EQ(f.getNr(), 2) << c.name;
            else
                EXPECT_EQ(f.getValue(), c.fc == 5 ? 0xFF00 : 0x1234) << c.name;
        }
    }
}

TEST(ModbusFrame, DecodesEveryType)
{
    ModbusFrame f = request(1, 3, 0, 13);
    const Bytes reply = withCrc({ 0x01, 0x03, 26,
        0xFF, 0xFF,              // 3
        0xF1, 0x23,              // 5
        0x40, 0x49, 0x0F, 0xDB,  // 7
        0xFF, 0xFF, 0xFF, 0xFE,  // 11
        0x0F, 0xDB, 0x40, 0x49,  // 15
        0x00, 0x01, 0x00, 0x02,  // 19
        0xA5, 0x00,              // 23
        0x80, 0x00,              // 25
        0xEF, 0xFF });           // 27
    ASSERT_EQ(parse(f, reply), 0);
    struct Case {
        int offset, type, bit;
        float value;
    } cases[] = {
        { 3, 0, -1, -1.0f },
        { 5, 0, -1, -3805.0f },
        { 5, 5, -1, -3805.0f },
        { 23, 1, 0, 1.0f },
        { 23, 1, 1, 0.0f },
        { 23, 1, 7, 1.0f },
        { 23, 1, -1, 0.0f },
        { 11, 2, -1, -2.0f },
        { 7, 3, -1, 3.14159274f },
        { 23, 4, -1, 165.0f },
        { 3, 6, -1, -10000.0f },
        { 5, 6, -1, 61731.0f },
        { 23, 7, 2, 1.0f },
        { 23, 7, 4, 2.0f },
        { 23, 7, -1, 0.0f },
        { 3, 8, -1, 65535.0f },
        { 19, 9, -1, 131073.0f },
        { 15, 10, -1, 3.14159274f },
        { 5, 11, -1, -291.0f },
        { 19, 11, -1, 1.0f },
        // Only a top nibble of F is a sign: 0x8000 to 0xEFFF are large positive values.
        { 25, 11, -1, 32768.0f },
        { 27, 11, -1, 61439.0f },
        { 3, 11, -1, -4095.0f },
        // Outside the frame, or nonsense: 0.
        { 1, 0, -1, 0.0f },
        { 28, 0, -1, 0.0f },
        { 23, 0, -1, -23296.0f },
        { 26, 2, -1, 0.0f },
        { 23, 1, 8, 0.0f },
        { 3, 12, -1, 0.0f },
        { 3, -1, -1, 0.0f },
    };
    for (const Case& c : cases)
        EXPECT_EQ(f.getInfoData(c.offset, c.type, c.bit), c.value) << "offset " << c.offset << " type " << c.type
                                                                   << " bit " << c.bit;

    char out[4] = { 9, 9, 9, 9 };
    EXPECT_EQ(f.getInfoData(3, out, 2), 1);
    EXPECT_EQ(Bytes(out, out + 4), (Bytes{ 0xFF, 0xFF, 9, 9 }));
    EXPECT_EQ(f.getInfoData(27, out, 3), 0) << "runs into the CRC";
    EXPECT_EQ(f.getInfoData(1, out, 1), 0);
}

// The sign-and-magnitude decode runs for every such point of every poll: its trace line only
// with the link's trace switch.
TEST(ModbusFrame, SignMagnitudeDecodeTracesOnlyWhenAsked)
{
    for (bool trace : { false, true }) {
        ModbusFrame f = request(1, 3, 0, 1);
        f.setTrace(trace);
        ASSERT_EQ(parse(f, withCrc({ 0x01, 0x03, 2, 0xF1, 0x23 })), 0);
        testing::internal::CaptureStdout();
        EXPECT_EQ(f.getInfoData(3, 11, -1), -291.0f);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), trace ? "var=-291 \n" : "") << trace;
    }
}

TEST(ModbusFrame, EncodesTypesAndRefusesWhatDoesNotFit)
{
    struct Case {
        float value;
        int type;
        int result;
        Bytes bytes;
    } cases[] = {
        { 300.7f, 0, 0, { 0x01, 0x2C } },
        { -2.0f, 0, 0, { 0xFF, 0xFE } },
        { 65535.0f, 0, 0, { 0xFF, 0xFF } },
        { 65536.0f, 0, -1, {} },
        { -32769.0f, 0, -1, {} },
        { 5.0f, 1, 0, {} },
        { -2.0f, 2, 0, { 0xFF, 0xFF, 0xFF, 0xFE } },
        { 1e10f, 2, -1, {} },
        { 1.0f, 3, 0, { 0x3F, 0x80, 0x00, 0x00 } },
        { INFINITY, 3, -1, {} },
        { 200.0f, 4, 0, { 0xC8 } },
        { 256.0f, 4, -1, {} },
        { -1.0f, 4, -1, {} },
        { -291.0f, 11, 0, { 0xF1, 0x23 } },
        { 291.0f, 11, 0, { 0x01, 0x23 } },
        { -5000.0f, 11, 0, { 0xFF, 0xFF } },
        { 70000.0f, 11, 0, { 0xEF, 0xFF } },
        { NAN, 0, -1, {} },
        { 1.0f, 6, 0, {} },
    };
    for (const Case& c : cases) {
        ModbusFrame f = request(1, 16, 0, 0);
        EXPECT_EQ(f.addInfoData(c.value, c.type), c.result) << c.value << " type " << c.type;
        Bytes b = built(f);
        ASSERT_GE(b.size(), 9u);
        EXPECT_EQ(Bytes(b.begin() + 7, b.end() - 2), c.bytes) << c.value << " type " << c.type;
    }
    // What is encoded decodes back.
    ModbusFrame f = request(1, 16, 0, 0);
    f.addInfoData(-291.0f, 11);
    Bytes b = built(f);
    ModbusFrame r = request(1, 3, 0, 1);
    ASSERT_EQ(parse(r, withCrc({ 0x01, 0x03, 0x02, b[7], b[8] })), 0);
    EXPECT_EQ(r.getInfoData(3, 11, -1), -291.0f);
}

TEST(ModbusFrame, ResponseMode)
{
    ModbusFrame s(false);
    s.setCrc(1);
    Bytes req = withCrc({ 0x01, 0x10, 0x00, 0x05, 0x00, 0x02, 0x04, 0x00, 0x0A, 0x01, 0x02 });
    ASSERT_EQ(parse(s, req), 0);
    EXPECT_EQ(s.getFun(), 16);
    EXPECT_EQ(s.getId(), 5);
    EXPECT_EQ(s.getNr(), 2);
    EXPECT_EQ(s.getBytes(), 4);
    EXPECT_EQ(parse(s, Bytes{ 0x01, 0x10, 0x00, 0x05, 0x00, 0x02, 0x04, 0x00, 0x0A }), -5);

    ModbusFrame e(false);
    e.setCrc(1);
    e.setNode(1);
    e.setFun(3, false);
    e.setError(2);
    EXPECT_EQ(built(e), withCrc({ 0x01, 0x83, 0x02 }));
    ModbusFrame rd(false);
    rd.setCrc(1);
    rd.setNode(1);
    rd.setFun(3, false);
    rd.addInfoData(258.0f, 0);
    EXPECT_EQ(built(rd), withCrc({ 0x01, 0x03, 0x02, 0x01, 0x02 }));
}
