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

CanFrame generic(int ps, int sa, std::initializer_list<int> bytes, int dlc = -1)
{
    return ext(6, 0xF2, ps, sa, bytes, dlc);
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
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
        "bool BmsDecoder::processGeneric(const CanFrame&): message 0x12 of 3 bytes needs 8, dropped\n");
}
