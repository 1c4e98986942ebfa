#include "bmsdecoder.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <math.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

// A 29-bit frame; dlc -1 means the number of bytes given.
CanFrame ext(int p, int pf, int da, int sa, std::initializer_list<int> bytes, int dlc = -1)
{
    CanFrame f;
    memset(&f, 0, sizeof f);
    f.ff = 1;
    f.p = p;
    f.pf = pf;
    f.da = da;
    f.sa = sa;
    int i = 0;
    for (int b : bytes)
        f.data[i++] = uint8_t(b);
    f.dlc = uint8_t(dlc < 0 ? i : dlc);
    return f;
}

// An 11-bit frame: the identifier in bits 0-10 of the identifier word.
CanFrame std11(int id, std::initializer_list<int> bytes, int dlc = -1)
{
    CanFrame f = ext(0, 0, (id >> 8) & 7, id & 0xFF, bytes, dlc);
    f.ff = 0;
    return f;
}

CanFrame generic(int ps, int sa, std::initializer_list<int> bytes, int dlc = -1)
{
    return ext(6, 0xF2, ps, sa, bytes, dlc);
}

CanFrame bmsG(int pf, int sa, std::initializer_list<int> bytes, int dlc = -1)
{
    return ext(6, pf, 0x27, sa, bytes, dlc);
}

CanFrame bmsE(int ps, std::initializer_list<int> bytes, int dlc = -1)
{
    return ext(5, 0x11, ps, 0xF1, bytes, dlc);
}

CanFrame bmsH(int pf, int sa, std::initializer_list<int> bytes, int dlc = -1)
{
    return ext(3, pf, 0xF4, sa, bytes, dlc);
}

CanFrame bmsD(int pf, int sa, std::initializer_list<int> bytes, int dlc = -1)
{
    return ext(6, pf, 0xFF, sa, bytes, dlc);
}

CanFrame bmsF(int da, int sa, std::initializer_list<int> bytes, int dlc = -1)
{
    return ext(6, 0x01, da, sa, bytes, dlc);
}

// One expected table entry: 'a' analog, 's' status, 'l' alarm, 'n' both new-data flags.
struct Want {
    char kind;
    int rack;
    int index;
    double value;
};

struct Case {
    const char* name;
    CanFrame frame;
    BmsDecoder::Protocol protocol;   // NONE: ignored, nothing written, nothing counted
    std::vector<Want> want;
};

double valueOf(const BmsDecoder& d, const Want& w)
{
    const BmsDecoder::Rack& r = d.rack(w.rack);
    switch (w.kind) {
    case 'a': return r.analog[w.index];
    case 's': return r.status[w.index];
    case 'l': return r.alarm[w.index];
    default: return r.newData[0] && r.newData[1] ? 1 : 0;
    }
}

// Every value of every rack, to see that an ignored frame changed nothing.
std::vector<double> everything(const BmsDecoder& d)
{
    std::vector<double> v;
    for (int r = 0; r < BmsDecoder::RACKS; ++r) {
        const BmsDecoder::Rack& rack = d.rack(r);
        for (int i = 0; i < BmsDecoder::POINTS; ++i) {
            v.push_back(rack.analog[i]);
            v.push_back(rack.status[i]);
            v.push_back(rack.alarm[i]);
        }
        v.push_back(rack.newData[0]);
        v.push_back(rack.newData[1]);
        v.push_back(rack.requested);
        v.push_back(rack.frames);
    }
    return v;
}

// Each case on a fresh decoder of the type: the protocol that took the frame, the entries
// written, one frame counted; an ignored frame changes nothing at all.
void runTable(int type, const std::vector<Case>& cases)
{
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmsDecoder d;
        d.init_BMS_Status(type);
        for (int r = 0; r < BmsDecoder::RACKS; ++r)
            d.rack(r).alarm[BmsDecoder::COMM_ALARM] = 1;
        d.setLink(0);
        const std::vector<double> before = everything(d);
        testing::internal::CaptureStdout();
        EXPECT_EQ(d.dispatch(c.frame), c.protocol);
        testing::internal::GetCapturedStdout();
        for (const Want& w : c.want) {
            const double got = valueOf(d, w);
            EXPECT_NEAR(got, w.value, 1e-4 * (fabs(w.value) > 1 ? fabs(w.value) : 1))
                << w.kind << " rack " << w.rack << " index " << w.index;
        }
        if (c.protocol == BmsDecoder::NONE) {
            EXPECT_TRUE(everything(d) == before);
            EXPECT_EQ(d.link(), 0);
            continue;
        }
        unsigned frames = 0;
        for (int r = 0; r < BmsDecoder::RACKS; ++r) {
            frames += d.rack(r).frames;
            if (d.rack(r).frames) {
                EXPECT_EQ(d.rack(r).alarm[BmsDecoder::COMM_ALARM], 0) << "rack " << r;
            }
        }
        EXPECT_EQ(frames, 1u);
        EXPECT_EQ(d.link(), 1);
    }
}

} // namespace

TEST(BmsDecoder, GenericProtocol)
{
    runTable(0, {
        { "0x12 charge, voltage, current, health, chemistry",
            generic(0x12, 0x91, { 200, 0x00, 0x1E, 0x18, 0x7B, 0x48, 0x26, 3 }), BmsDecoder::GENERIC,
            { { 'a', 0, 0, 0.8 }, { 'a', 0, 1, 768.0 }, { 'a', 0, 2, -48.8 }, { 'a', 0, 3, 98.0 }, { 's', 0, 0, 3 } } },
        { "0x37 signed limits of rack 7 and new data",
            generic(0x37, 0x98, { 0x38, 0x22, 0x58, 0x1B, 0x00, 0x00, 0x60, 0xF0 }), BmsDecoder::GENERIC,
            { { 'a', 7, 4, 876.0 }, { 'a', 7, 5, 100.0 }, { 'a', 7, 6, -600.0 }, { 'a', 7, 7, -1000.0 },
                { 'n', 7, 0, 1 } } },
        { "0x38 voltage, signed power, four states",
            generic(0x38, 0x92, { 0x20, 0x1C, 0x60, 0xF0, 1, 0, 1, 0xAA }), BmsDecoder::GENERIC,
            { { 'a', 1, 8, 720.0 }, { 'a', 1, 9, -1400.0 }, { 's', 1, 1, 1 }, { 's', 1, 2, 0 }, { 's', 1, 3, 1 },
                { 's', 1, 4, 170 }, { 'n', 1, 0, 0 } } },
        { "0x16 number and masked bits", generic(0x16, 0x91, { 7, 0x0F }), BmsDecoder::GENERIC,
            { { 's', 0, 5, 7 }, { 's', 0, 6, 1 }, { 's', 0, 7, 2 }, { 's', 0, 8, 4 }, { 's', 0, 9, 8 } } },
        { "0x33 signed cell voltages and positions",
            generic(0x33, 0x91, { 0x18, 0x0D, 0xF0, 0xFF, 12, 1, 37, 3 }), BmsDecoder::GENERIC,
            { { 'a', 0, 10, 3.352 }, { 'a', 0, 11, -0.016 }, { 'a', 0, 12, 12 }, { 'a', 0, 13, 1 }, { 'a', 0, 14, 37 },
                { 'a', 0, 15, 3 } } },
        { "0x34 temperatures from six bytes", generic(0x34, 0x91, { 65, 30, 5, 1, 18, 2 }), BmsDecoder::GENERIC,
            { { 'a', 0, 16, 25 }, { 'a', 0, 17, -10 }, { 'a', 0, 18, 5 }, { 'a', 0, 19, 1 }, { 'a', 0, 20, 18 },
                { 'a', 0, 21, 2 } } },
        { "0x35 alarm nibbles", generic(0x35, 0x91, { 0x21, 0x43, 0, 0, 0, 0, 0, 0xF0 }), BmsDecoder::GENERIC,
            { { 'l', 0, 0, 1 }, { 'l', 0, 1, 2 }, { 'l', 0, 2, 3 }, { 'l', 0, 3, 4 }, { 'l', 0, 14, 0 },
                { 'l', 0, 15, 15 } } },
        { "0x36 from one byte", generic(0x36, 0x91, { 0x32 }), BmsDecoder::GENERIC,
            { { 'l', 0, 16, 2 }, { 'l', 0, 17, 3 } } },
        { "an unknown message counts", generic(0x40, 0x93, { 1, 2, 3, 4, 5, 6, 7, 8 }), BmsDecoder::GENERIC, {} },
        { "a length code past 8 reads the eight bytes",
            generic(0x12, 0x91, { 200, 0x00, 0x1E, 0x18, 0x7B, 0x48, 0x26, 3 }, 15), BmsDecoder::GENERIC,
            { { 'a', 0, 1, 768.0 }, { 's', 0, 0, 3 } } },
        { "source 0x99 is no rack", generic(0x12, 0x99, { 200, 0, 0x1E, 0, 0, 0, 0, 3 }), BmsDecoder::NONE, {} },
        { "source 0x90 is no rack", generic(0x12, 0x90, { 200, 0, 0x1E, 0, 0, 0, 0, 3 }), BmsDecoder::NONE, {} },
        { "0x12 of seven bytes", generic(0x12, 0x91, { 200, 0, 0x1E, 0, 0, 0, 0 }), BmsDecoder::NONE, {} },
        { "0x34 of five bytes", generic(0x34, 0x91, { 65, 30, 5, 1, 18 }), BmsDecoder::NONE, {} },
        { "0x36 of no bytes", generic(0x36, 0x91, { 0x32 }, 0), BmsDecoder::NONE, { { 'l', 0, 16, 0 } } },
    });
}

TEST(BmsDecoder, BmsG)
{
    runTable(9, {
        { "0x10 voltages and offset current, new data",
            bmsG(0x10, 1, { 0x00, 0x1E, 0x10, 0x1E, 0x20, 0x1E, 0x8C, 0x7B }), BmsDecoder::BMS_G,
            { { 'a', 0, 0, 768.0 }, { 'a', 0, 1, 769.6 }, { 'a', 0, 2, 771.2 }, { 'a', 0, 3, -37.2 },
                { 'n', 0, 0, 1 } } },
        { "0x11 of rack 7", bmsG(0x11, 8, { 0x38, 0x22, 0x20, 0x1C, 0, 0, 65, 98 }), BmsDecoder::BMS_G,
            { { 'a', 7, 4, 876.0 }, { 'a', 7, 5, 720.0 }, { 'a', 7, 6, 65 }, { 'a', 7, 7, 98 } } },
        { "0x12 state bits and alarm levels",
            bmsG(0x12, 2, { 0xB3, 0x81, 0x08, 0x80, 0x40, 0x01, 0x80, 0 }), BmsDecoder::BMS_G,
            { { 's', 1, 3, 1 }, { 's', 1, 4, 0 }, { 's', 1, 5, 1 }, { 's', 1, 6, 1 }, { 's', 1, 7, 1 },
                { 's', 1, 8, 1 }, { 'l', 1, 0, 2 }, { 'l', 1, 1, 0 }, { 'l', 1, 6, 0 }, { 'l', 1, 7, 3 },
                { 'l', 1, 8, 3 }, { 'l', 1, 9, 2 }, { 'l', 1, 10, 0 }, { 'l', 1, 11, 0 }, { 'l', 1, 12, 1 } } },
        { "0x12 with d1 and d3 at 0x80: level 2", bmsG(0x12, 1, { 0, 0x80, 0, 0x80, 0, 0, 0 }), BmsDecoder::BMS_G,
            { { 'l', 0, 0, 2 } } },
        { "0x13 cell voltages", bmsG(0x13, 3, { 0x18, 0x0D, 0xFF, 0xFF, 0xF6, 0x0C }), BmsDecoder::BMS_G,
            { { 'a', 2, 8, 3.352 }, { 'a', 2, 9, 3.318 } } },
        { "0x14 positions", bmsG(0x14, 4, { 12, 0, 0, 37 }), BmsDecoder::BMS_G,
            { { 'a', 3, 10, 12 }, { 'a', 3, 11, 37 } } },
        { "0x15 temperatures", bmsG(0x15, 5, { 65, 0, 30 }), BmsDecoder::BMS_G,
            { { 'a', 4, 12, 25 }, { 'a', 4, 13, -10 } } },
        { "source 9 is no rack", bmsG(0x10, 9, { 0, 0x1E, 0, 0, 0, 0, 0, 0 }), BmsDecoder::NONE, {} },
        { "source 0 is no rack", bmsG(0x10, 0, { 0, 0x1E, 0, 0, 0, 0, 0, 0 }), BmsDecoder::NONE, {} },
        { "priority 7 is not the protocol", ext(7, 0x10, 0x27, 1, { 0, 0x1E, 0, 0, 0, 0, 0, 0 }), BmsDecoder::NONE,
            {} },
        { "0x12 of six bytes", bmsG(0x12, 1, { 0, 0x80, 0, 0x80, 0, 0 }), BmsDecoder::NONE, {} },
    });
}

TEST(BmsDecoder, KwBe)
{
    runTable(4, {
        { "0x359 alarm bits and three bytes", std11(0x359, { 0x81, 0x00, 0x02, 0x80, 12, 'P', 'N' }),
            BmsDecoder::KWBE,
            { { 'l', 0, 0, 1 }, { 'l', 0, 1, 0 }, { 'l', 0, 7, 1 }, { 'l', 0, 17, 1 }, { 'l', 0, 31, 1 },
                { 'a', 0, 0, 12 }, { 'a', 0, 1, 80 }, { 'a', 0, 2, 78 } } },
        { "0x351 voltage and signed limits, new data", std11(0x351, { 0x38, 0x22, 0x9C, 0xFF, 0x40, 0x06 }),
            BmsDecoder::KWBE, { { 'a', 0, 3, 876.0 }, { 'a', 0, 4, -10.0 }, { 'a', 0, 5, 160.0 }, { 'n', 0, 0, 1 } } },
        { "0x355 plain and signed word", std11(0x355, { 65, 0, 0x9C, 0xFF }), BmsDecoder::KWBE,
            { { 'a', 0, 6, 65 }, { 'a', 0, 7, -100 } } },
        { "0x356 voltage in hundredths", std11(0x356, { 0x20, 0xFA, 0xD4, 0xFE, 0x0E, 0x01 }), BmsDecoder::KWBE,
            { { 'a', 0, 8, 640.32 }, { 'a', 0, 9, -30.0 }, { 'a', 0, 10, 27.0 } } },
        { "0x399 value and four alarm bits", std11(0x399, { 0x00, 0x15, 0x02, 0, 0x03 }), BmsDecoder::KWBE,
            { { 'a', 0, 11, 537.6 }, { 'l', 0, 32, 0 }, { 'l', 0, 33, 1 }, { 'l', 0, 34, 1 }, { 'l', 0, 35, 1 } } },
        { "0x399 the other bit of each alarm byte", std11(0x399, { 0, 0, 0x01, 0, 0x02 }), BmsDecoder::KWBE,
            { { 'l', 0, 32, 1 }, { 'l', 0, 33, 0 }, { 'l', 0, 34, 0 }, { 'l', 0, 35, 1 } } },
        { "0x359 of six bytes", std11(0x359, { 0xFF, 0, 0, 0, 12, 'P' }), BmsDecoder::NONE, {} },
    });
    // Only type 4 reads the 11-bit frames.
    runTable(0, { { "type 0 drops them", std11(0x351, { 0x38, 0x22, 0x9C, 0xFF, 0x40, 0x06 }), BmsDecoder::NONE, {} } });
}

TEST(BmsDecoder, BmsE)
{
    runTable(10, {
        { "1 words and hundredths", bmsE(1, { 0x10, 0x27, 0x20, 0x4E, 0x39, 0x30, 0xE8, 0x03 }), BmsDecoder::BMS_E,
            { { 'a', 0, 0, 10000 }, { 'a', 0, 1, 20000 }, { 'a', 0, 2, 123.45 }, { 'a', 0, 3, 10.0 } } },
        { "2 state byte and 24-bit count, new data", bmsE(2, { 0x00, 0x1E, 0x10, 0x1E, 0x06, 0x01, 0x02, 0x03 }),
            BmsDecoder::BMS_E,
            { { 'a', 0, 4, 768.0 }, { 'a', 0, 5, 769.6 }, { 'a', 0, 6, 6 }, { 'a', 0, 7, 2 }, { 'a', 0, 8, 1 },
                { 'a', 0, 9, 197121 }, { 'n', 0, 0, 1 } } },
        { "3 tenths and 0.4 steps", bmsE(3, { 0x64, 0, 0xC8, 0, 0x2C, 0x01, 250, 100 }), BmsDecoder::BMS_E,
            { { 'a', 0, 10, 10.0 }, { 'a', 0, 11, 20.0 }, { 'a', 0, 12, 300 }, { 'a', 0, 13, 100.0 },
                { 'a', 0, 14, 40.0 } } },
        { "4", bmsE(4, { 1, 0, 0, 0, 1, 0, 7, 8 }), BmsDecoder::BMS_E,
            { { 'a', 0, 23, 1 }, { 'a', 0, 24, 256 }, { 'a', 0, 25, 7 }, { 'a', 0, 26, 8 } } },
        { "5", bmsE(5, { 0, 0, 1, 2, 0, 0, 9, 10 }), BmsDecoder::BMS_E,
            { { 'a', 0, 27, 65536 }, { 'a', 0, 28, 2 }, { 'a', 0, 29, 9 }, { 'a', 0, 30, 10 } } },
        { "6 temperature", bmsE(6, { 3, 0, 0, 4, 0, 0, 0x52, 0x03 }), BmsDecoder::BMS_E,
            { { 'a', 0, 31, 3 }, { 'a', 0, 32, 4 }, { 'a', 0, 33, 45.0 } } },
        { "7", bmsE(7, { 5, 0, 0, 6, 0, 0, 0x39, 0x30 }), BmsDecoder::BMS_E,
            { { 'a', 0, 34, 5 }, { 'a', 0, 35, 6 }, { 'a', 0, 36, 12345 } } },
        { "8 from six bytes", bmsE(8, { 7, 0, 0, 8, 0, 0 }), BmsDecoder::BMS_E,
            { { 'a', 0, 37, 7 }, { 'a', 0, 38, 8 } } },
        { "9 largest 24-bit value", bmsE(9, { 0xFF, 0xFF, 0xFF, 1, 0, 0, 11, 12 }), BmsDecoder::BMS_E,
            { { 'a', 0, 39, 16777215 }, { 'a', 0, 40, 1 }, { 'a', 0, 41, 11 }, { 'a', 0, 42, 12 } } },
        { "10 cells", bmsE(10, { 0x18, 0x0D, 0x0C, 0, 0xF6, 0x0C, 0x25, 0 }), BmsDecoder::BMS_E,
            { { 'a', 0, 15, 3.352 }, { 'a', 0, 16, 12 }, { 'a', 0, 17, 3.318 }, { 'a', 0, 18, 37 } } },
        { "11 temperatures", bmsE(11, { 0x52, 0x03, 5, 0, 0xF4, 0x01, 18, 0 }), BmsDecoder::BMS_E,
            { { 'a', 0, 19, 45.0 }, { 'a', 0, 20, 5 }, { 'a', 0, 21, 10.0 }, { 'a', 0, 22, 18 } } },
        { "priority 4 is not the protocol", ext(4, 0x11, 1, 0xF1, { 1, 0, 0, 0, 0, 0, 0, 0 }), BmsDecoder::NONE, {} },
        { "2 of seven bytes", bmsE(2, { 0, 0x1E, 0, 0, 6, 1, 2 }), BmsDecoder::NONE, {} },
    });
}

TEST(BmsDecoder, BmsH)
{
    runTable(11, {
        { "0 status word and big-endian tenths, new data",
            bmsH(12, 0, { 0x11, 0x11, 0x1E, 0x00, 0x01, 0x2C, 0x02, 0x8A }), BmsDecoder::BMS_H,
            { { 'a', 0, 0, 4369 }, { 'a', 0, 1, 768.0 }, { 'a', 0, 2, 30.0 }, { 'a', 0, 3, 65.0 }, { 'n', 0, 0, 1 } } },
        { "4 of rack 7", bmsH(19, 4, { 0x03, 0xE8, 0x00, 0x0C, 0x00, 0x25 }), BmsDecoder::BMS_H,
            { { 'a', 7, 4, 100.0 }, { 'a', 7, 5, 12 }, { 'a', 7, 6, 37 } } },
        { "PDU format 11 is no rack", bmsH(11, 0, { 0x11, 0x11, 0, 0, 0, 0, 0, 0 }), BmsDecoder::NONE, {} },
        { "PDU format 20 is no rack", bmsH(20, 0, { 0x11, 0x11, 0, 0, 0, 0, 0, 0 }), BmsDecoder::NONE, {} },
    });
    runTable(0, { { "type 0 drops them", bmsH(12, 0, { 0x11, 0x11, 0, 0, 0, 0, 0, 0 }), BmsDecoder::NONE, {} } });
}

TEST(BmsDecoder, BmsHPrintsRackAndFormatOfEveryFrame)
{
    BmsDecoder d;
    d.init_BMS_Status(11);
    testing::internal::CaptureStdout();
    d.dispatch(bmsH(13, 4, { 0, 1, 0, 2, 0, 3 }));
    d.dispatch(bmsH(11, 0, { 0, 1, 0, 2, 0, 3, 0, 4 }));
    d.dispatch(bmsH(20, 0, { 0, 1, 0, 2, 0, 3, 0, 4 }));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "1,13\n-1,11\n8,20\n");
}

TEST(BmsDecoder, BmsD)
{
    runTable(5, {
        { "'P' 67 of rack 5", bmsD(0x55, 0x50, { 67, 0, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D,
            { { 'a', 5, 0, 1 }, { 'a', 5, 1, 2 }, { 'a', 5, 2, 3 } } },
        { "'P' 899", bmsD(80, 0x50, { 0x83, 0x03, 4, 0, 5, 0, 6, 0 }), BmsDecoder::BMS_D,
            { { 'a', 0, 3, 4 }, { 'a', 0, 4, 5 }, { 'a', 0, 5, 6 }, { 'a', 0, 0, 0 } } },
        { "'Q' 899", bmsD(81, 0x51, { 0x83, 0x03, 4, 0, 5, 0, 6, 0 }), BmsDecoder::BMS_D,
            { { 'a', 1, 9, 4 }, { 'a', 1, 10, 5 }, { 'a', 1, 11, 6 } } },
        { "'R' 67", bmsD(87, 0x52, { 67, 0, 4, 0, 5, 0, 6, 0 }), BmsDecoder::BMS_D,
            { { 'a', 7, 12, 4 }, { 'a', 7, 13, 5 }, { 'a', 7, 14, 6 } } },
        { "'2' 67 alarm words", bmsD(80, 0x32, { 67, 0, 1, 0, 0, 1, 3, 0 }), BmsDecoder::BMS_D,
            { { 'l', 0, 10, 1 }, { 'l', 0, 11, 256 }, { 'l', 0, 12, 3 } } },
        { "'3' 195 from six bytes", bmsD(80, 0x33, { 195, 0, 7, 0, 8, 0 }), BmsDecoder::BMS_D,
            { { 'l', 0, 13, 7 }, { 'l', 0, 14, 8 } } },
        { "'4' 897 from four bytes", bmsD(80, 0x34, { 0x81, 0x03, 9, 0 }), BmsDecoder::BMS_D, { { 'l', 0, 3, 9 } } },
        { "'5' 67", bmsD(80, 0x35, { 67, 0, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D,
            { { 'l', 0, 4, 1 }, { 'l', 0, 5, 2 }, { 'l', 0, 6, 3 } } },
        { "'S' 65", bmsD(80, 0x53, { 65, 0, 10, 0, 11, 0 }), BmsDecoder::BMS_D,
            { { 'a', 0, 18, 10 }, { 'a', 0, 19, 11 } } },
        { "'S' 1793", bmsD(80, 0x53, { 0x01, 0x07, 10, 0, 11, 0 }), BmsDecoder::BMS_D,
            { { 'a', 0, 32, 10 }, { 'a', 0, 33, 11 } } },
        { "'S' 2177, the last pair", bmsD(80, 0x53, { 0x81, 0x08, 10, 0, 11, 0 }), BmsDecoder::BMS_D,
            { { 'a', 0, 34, 10 }, { 'a', 0, 35, 11 } } },
        { "'Y' 67", bmsD(80, 0x59, { 67, 0, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D,
            { { 'a', 0, 36, 1 }, { 'a', 0, 37, 2 }, { 'a', 0, 38, 3 } } },
        { "'Z' 67 with new data", bmsD(80, 0x5A, { 67, 0, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D,
            { { 'a', 0, 39, 1 }, { 'a', 0, 40, 2 }, { 'a', 0, 41, 3 }, { 'n', 0, 0, 1 } } },
        { "'Z' 897", bmsD(80, 0x5A, { 0x81, 0x03, 0xE8, 0x03 }), BmsDecoder::BMS_D, { { 'a', 0, 42, 1000 } } },
        { "an unknown sub-code counts", bmsD(80, 0x50, { 68, 0, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D,
            { { 'a', 0, 0, 0 } } },
        { "'P' 67 of six bytes", bmsD(80, 0x50, { 67, 0, 1, 0, 2, 0 }), BmsDecoder::NONE, {} },
        { "no sub-code", bmsD(80, 0x50, { 67 }), BmsDecoder::NONE, {} },
        { "PDU format 88 is neither", bmsD(88, 0x50, { 67, 0, 1, 0, 2, 0, 3, 0 }), BmsDecoder::NONE, {} },
    });
}

TEST(BmsDecoder, BmsDSecond)
{
    runTable(5, {
        { "'6' 67 two values", bmsD(110, 0x36, { 67, 0, 0xE8, 0x03, 0xD0, 0x07 }), BmsDecoder::BMS_D2,
            { { 'a', 0, 0, 1000 }, { 'a', 0, 1, 2000 } } },
        { "'P' 67", bmsD(110, 0x50, { 67, 0, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D2,
            { { 'a', 0, 2, 1 }, { 'a', 0, 3, 2 }, { 'a', 0, 4, 3 } } },
        { "'P' 771", bmsD(110, 0x50, { 0x03, 0x03, 1, 0, 2, 0 }), BmsDecoder::BMS_D2,
            { { 'a', 0, 5, 1 }, { 'a', 0, 6, 2 } } },
        { "'P' 1667", bmsD(200, 0x50, { 0x83, 0x06, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D2,
            { { 'a', 0, 7, 1 }, { 'a', 0, 8, 2 }, { 'a', 0, 9, 3 } } },
        { "'Q' 3843", bmsD(110, 0x51, { 0x03, 0x0F, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D2,
            { { 'a', 0, 25, 1 }, { 'a', 0, 26, 2 }, { 'a', 0, 27, 3 } } },
        { "'Q' 4739 with new data", bmsD(255, 0x51, { 0x83, 0x12, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D2,
            { { 'a', 0, 28, 1 }, { 'a', 0, 29, 2 }, { 'a', 0, 30, 3 }, { 'n', 0, 0, 1 } } },
        { "'S' 897", bmsD(110, 0x53, { 0x81, 0x03, 1, 0, 2, 0 }), BmsDecoder::BMS_D2,
            { { 'a', 0, 37, 1 }, { 'a', 0, 38, 2 } } },
        { "'2' 67 alarms", bmsD(110, 0x32, { 67, 0, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D2,
            { { 'l', 0, 0, 1 }, { 'l', 0, 1, 2 }, { 'l', 0, 2, 3 } } },
        { "'4' 899 alarms", bmsD(110, 0x34, { 0x83, 0x03, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D2,
            { { 'l', 0, 6, 1 }, { 'l', 0, 7, 2 }, { 'l', 0, 8, 3 } } },
        { "'5' 897 three alarms", bmsD(110, 0x35, { 0x81, 0x03, 1, 0, 2, 0, 3, 0 }), BmsDecoder::BMS_D2,
            { { 'l', 0, 12, 1 }, { 'l', 0, 13, 2 }, { 'l', 0, 14, 3 } } },
        { "'Z' 897", bmsD(110, 0x5A, { 0x81, 0x03, 0xE8, 0x03 }), BmsDecoder::BMS_D2, { { 'a', 0, 42, 1000 } } },
        { "PDU format 109 is neither", bmsD(109, 0x50, { 67, 0, 1, 0, 2, 0, 3, 0 }), BmsDecoder::NONE, {} },
    });
}

TEST(BmsDecoder, BmsF)
{
    runTable(7, {
        { "0x23: rack 2 limits, new data", bmsF(0x42, 0x23, { 0x88, 0x13, 0x10, 0x1E, 0x58, 0x8E, 0x30, 0x7A }),
            BmsDecoder::BMS_F,
            { { 'a', 2, 5, 500.0 }, { 'a', 2, 6, 769.6 }, { 'a', 2, 7, 644.0 }, { 'a', 2, 8, 128.0 },
                { 'n', 2, 0, 1 } } },
        { "0x10: low nibble 0 is rack 0", bmsF(0x42, 0x10, { 0x00, 0x1E, 0xB8, 0x74, 0x4C, 0x04, 65, 98 }),
            BmsDecoder::BMS_F,
            { { 'a', 0, 0, 768.0 }, { 'a', 0, 1, -12.0 }, { 'a', 0, 2, 10.0 }, { 'a', 0, 3, 65 }, { 'a', 0, 4, 98 } } },
        { "0x38 cells of rack 7", bmsF(0x42, 0x38, { 0x18, 0x0D, 0xF6, 0x0C, 12, 0, 37, 0 }), BmsDecoder::BMS_F,
            { { 'a', 7, 9, 3.352 }, { 'a', 7, 10, 3.318 }, { 'a', 7, 11, 12 }, { 'a', 7, 12, 37 } } },
        { "0x41 temperatures", bmsF(0x42, 0x41, { 0x6A, 0x04, 0x42, 0x04, 5, 0, 18, 0 }), BmsDecoder::BMS_F,
            { { 'a', 0, 13, 13.0 }, { 'a', 0, 14, 9.0 }, { 'a', 0, 15, 5 }, { 'a', 0, 16, 18 } } },
        { "0x52 states and alarm bits", bmsF(0x42, 0x52, { 0x1D, 0x7B, 0x00, 0xA1, 0x41, 0x09, 0x02, 0x06 }),
            BmsDecoder::BMS_F,
            { { 's', 1, 3, 1 }, { 's', 1, 4, 1 }, { 's', 1, 5, 5 }, { 'a', 1, 30, 123 }, { 'l', 1, 0, 1 },
                { 'l', 1, 1, 1 }, { 'l', 1, 2, 0 }, { 'l', 1, 5, 0 }, { 'l', 1, 6, 1 }, { 'l', 1, 7, 1 },
                { 'l', 1, 8, 0 }, { 'l', 1, 9, 0 }, { 'l', 1, 10, 1 }, { 'l', 1, 11, 0 }, { 'l', 1, 12, 1 },
                { 'l', 1, 13, 0 }, { 'l', 1, 17, 0 }, { 'l', 1, 18, 1 }, { 'l', 1, 19, 0 }, { 'l', 1, 20, 1 }, { 'l', 1, 21, 1 },
                { 'l', 1, 22, 0 }, { 'l', 1, 23, 0 }, { 'l', 1, 29, 1 }, { 'l', 1, 30, 0 } } },
        { "0x63 module cells", bmsF(0x42, 0x63, { 0x18, 0x0D, 0xF6, 0x0C, 12, 0, 37, 0 }), BmsDecoder::BMS_F,
            { { 'a', 2, 17, 3.352 }, { 'a', 2, 18, 3.318 }, { 'a', 2, 19, 12 }, { 'a', 2, 20, 37 } } },
        { "0x74 module temperatures", bmsF(0x42, 0x74, { 0x6A, 0x04, 0x42, 0x04, 5, 0, 18, 0 }), BmsDecoder::BMS_F,
            { { 'a', 3, 21, 13.0 }, { 'a', 3, 22, 9.0 }, { 'a', 3, 23, 5 }, { 'a', 3, 24, 18 } } },
        { "0x85 protection bytes from two", bmsF(0x42, 0x85, { 0xAA, 0x55 }), BmsDecoder::BMS_F,
            { { 's', 4, 6, 170 }, { 's', 4, 7, 85 } } },
        { "0x73 0x11: a single's bytes and a word with the top bit",
            bmsF(0x73, 0x11, { 0x00, 0x00, 0x57, 0x43, 0x02, 0x01, 0x80 }), BmsDecoder::BMS_F,
            { { 's', 0, 8, 1129775104 }, { 's', 0, 9, -2147417600.0 } } },
        { "0x73 0x26", bmsF(0x73, 0x26, { 0xC0, 0x00, 12, 16, 0x18, 0x01, 1 }), BmsDecoder::BMS_F,
            { { 'a', 5, 25, 192 }, { 'a', 5, 26, 12 }, { 'a', 5, 27, 16 }, { 'a', 5, 28, 280 }, { 'a', 5, 29, 1 } } },
        { "0x42 0x05 counts for rack 0", bmsF(0x42, 0x05, { 1, 2, 3, 4, 5, 6, 7, 8 }), BmsDecoder::BMS_F, {} },
        { "0x42 0x9A counts for rack 0", bmsF(0x42, 0x9A, { 1, 2, 3, 4, 5, 6, 7, 8 }), BmsDecoder::BMS_F, {} },
        { "0x73 0x35 counts for rack 0", bmsF(0x73, 0x35, { 1, 2, 3, 4, 5, 6, 7, 8 }), BmsDecoder::BMS_F, {} },
        { "0x73 0x19 counts for rack 0", bmsF(0x73, 0x19, { 1, 2, 3, 4, 5, 6, 7, 8 }), BmsDecoder::BMS_F, {} },
        { "0x42 0x19 is no rack", bmsF(0x42, 0x19, { 1, 2, 3, 4, 5, 6, 7, 8 }), BmsDecoder::NONE, {} },
        { "0x42 0x8F is no rack", bmsF(0x42, 0x8F, { 1, 2, 3, 4, 5, 6, 7, 8 }), BmsDecoder::NONE, {} },
        { "0x21 of four bytes", bmsF(0x42, 0x21, { 0x88, 0x13, 0x10, 0x1E }), BmsDecoder::NONE, {} },
        { "0x21 of seven bytes", bmsF(0x42, 0x21, { 0x88, 0x13, 0x10, 0x1E, 0x58, 0x8E, 0x30 }), BmsDecoder::NONE, {} },
        { "0x81 of one byte", bmsF(0x42, 0x81, { 0xAA }), BmsDecoder::NONE, {} },
    });
}

TEST(BmsDecoder, BmsFFramesMarkTheirRackAsAnswering)
{
    BmsDecoder d;
    d.dispatch(bmsF(0x42, 0x23, { 0x88, 0x13, 0x10, 0x1E, 0x58, 0x8E, 0x30, 0x7A }));
    d.dispatch(bmsF(0x73, 0x35, { 1, 2, 3, 4, 5, 6, 7, 8 }));
    d.dispatch(bmsF(0x42, 0x1A, { 1, 2, 3, 4, 5, 6, 7, 8 }));
    EXPECT_EQ(d.rack(0).requested, 1);
    EXPECT_EQ(d.rack(2).requested, 1);
    EXPECT_EQ(d.rack(1).requested, 0);
    EXPECT_EQ(d.rack(2).frames, 1u);
    // Generic frames are no answer to the request.
    d.dispatch(generic(0x12, 0x94, { 200, 0, 0x1E, 0, 0, 0, 0, 3 }));
    EXPECT_EQ(d.rack(3).requested, 0);
    EXPECT_EQ(d.rack(3).frames, 1u);
}

TEST(BmsDecoder, ProtocolsTakeFramesInOrder)
{
    // PDU format 0xF2 comes first, also with DA 0xFF or 0x42; 0xFF before 0x42 before the masks.
    BmsDecoder d;
    d.init_BMS_Status(11);
    EXPECT_EQ(d.dispatch(ext(6, 0xF2, 0x42, 0x91, { 0, 0, 0, 0, 0, 0, 0, 0 })), BmsDecoder::GENERIC);
    EXPECT_EQ(d.dispatch(ext(6, 0xF2, 0xFF, 0x91, { 0, 0, 0, 0, 0, 0, 0, 0 })), BmsDecoder::GENERIC);
    EXPECT_EQ(d.dispatch(ext(6, 82, 0xFF, 0x34, { 67, 0, 0, 0, 0, 0, 0, 0 })), BmsDecoder::BMS_D);
    EXPECT_EQ(d.dispatch(ext(6, 0x10, 0x42, 0x12, { 0, 0, 0, 0, 0, 0, 0, 0 })), BmsDecoder::BMS_F);
    EXPECT_EQ(d.dispatch(ext(6, 0x10, 0x27, 0x01, { 0, 0, 0, 0, 0, 0, 0, 0 })), BmsDecoder::BMS_G);
    EXPECT_EQ(d.dispatch(ext(5, 0x11, 0x05, 0xF1, { 0, 0, 0, 0, 0, 0, 0, 0 })), BmsDecoder::BMS_E);
    testing::internal::CaptureStdout();
    EXPECT_EQ(d.dispatch(ext(6, 14, 0x05, 0x00, { 0, 0, 0, 0, 0, 0, 0, 0 })), BmsDecoder::BMS_H);
    testing::internal::GetCapturedStdout();
    d.init_BMS_Status(8);
    EXPECT_EQ(d.dispatch(ext(6, 14, 0x05, 0x00, { 0, 0, 0, 0, 0, 0, 0, 0 })), BmsDecoder::NONE);
    // An 11-bit frame never has PDU format 0xF2.
    CanFrame f = generic(0x12, 0x91, { 1, 2, 3, 4, 5, 6, 7, 8 });
    f.ff = 0;
    EXPECT_EQ(d.dispatch(f), BmsDecoder::NONE);
}

TEST(BmsDecoder, EveryFrameOfARackClearsItsCommunicationAlarm)
{
    BmsDecoder d;
    d.rack(2).alarm[49] = 1;
    d.rack(3).alarm[49] = 1;
    d.setLink(0);
    d.dispatch(generic(0x36, 0x93, { 0 }));
    EXPECT_EQ(d.rack(2).alarm[49], 0);
    EXPECT_EQ(d.rack(3).alarm[49], 1);
    EXPECT_EQ(d.link(), 1);
    EXPECT_EQ(d.rack(2).frames, 1u);
    d.dispatch(generic(0x99, 0x93, {}));
    EXPECT_EQ(d.rack(2).frames, 2u);
}

TEST(BmsDecoder, TypeSetsTheStartingValues)
{
    BmsDecoder d;
    for (int r = 0; r < BmsDecoder::RACKS; ++r) {
        EXPECT_EQ(d.rack(r).online, 1);
        EXPECT_EQ(d.rack(r).analog[39], 0.0f);
    }
    d.init_BMS_Status(8);
    EXPECT_EQ(d.type(), 8);
    for (int r = 0; r < BmsDecoder::RACKS; ++r) {
        EXPECT_FLOAT_EQ(d.rack(r).analog[39], -0.1f);
        EXPECT_FLOAT_EQ(d.rack(r).analog[40], -0.1f);
        EXPECT_EQ(d.rack(r).status[1], 1);
        EXPECT_EQ(d.rack(r).status[2], 1);
        EXPECT_EQ(d.rack(r).analog[7], 0.0f);
    }
    d.init_BMS_Status(10);
    EXPECT_EQ(d.type(), 10);
    EXPECT_EQ(d.rack(7).analog[7], 1.0f);
    EXPECT_EQ(d.rack(7).analog[8], 1.0f);
}

TEST(BmsDecoder, GenericFramesArePrintedWhenTracing)
{
    BmsDecoder d;
    const CanFrame stray = generic(0x12, 0x99, { 0xC8, 0, 0x1E, 0x18, 0x7B, 0x48, 0x26, 3 });
    testing::internal::CaptureStdout();
    d.dispatch(stray);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    d.setTrace(true);
    testing::internal::CaptureStdout();
    EXPECT_EQ(d.dispatch(stray), BmsDecoder::NONE);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
        "BMS   FrameId p=6 pf=f2 ps=12 sa=99 data:c8 0 1e 18 7b 48 26 3\n");
    for (int r = 0; r < BmsDecoder::RACKS; ++r)
        EXPECT_EQ(d.rack(r).frames, 0u);
}

TEST(BmsDecoder, ShortFrameSaysWhatWasDropped)
{
    BmsDecoder d;
    testing::internal::CaptureStdout();
    d.dispatch(generic(0x12, 0x91, { 200, 0, 0x1E }));
    const std::string out = testing::internal::GetCapturedStdout();
    // The function's full name, as the compiler spells it, then what was dropped.
    EXPECT_EQ(out.rfind("bool BmsDecoder::processGeneric(", 0), 0u) << out;
    const std::string tail = "): message 0x12 of 3 bytes needs 8, dropped\n";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
}
