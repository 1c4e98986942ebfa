#include "datadeal.h"
#include "fakedevice.h"
#include "fakehardware.h"
#include "globalvar.h"
#include "gpio.h"
#include "modbusrtudevice.h"
#include "modbustcpdevice.h"
#include "monitorset.h"
#include "nametables.h"
#include "operaterecordfile.h"
#include "racktable.h"
#include "runtimetree.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string.h>
#include <utility>
#include <vector>

namespace {

// A data-handling object over fake converters and a fake battery device, with the stand-in
// upward slaves, in a fresh runtime tree on a stepped clock. Its steps are called directly.
struct Sup {
    RuntimeTree tree;
    FakeHardware* hw;
    FakeDevice ac, dc, sts, bms;
    modbus::ModbusrtuDevice rtu{ nullptr, nullptr, nullptr, "/dev/ttySAC3", 19200, 1, 1, 0, 0 };
    modbus::ModbustcpDevice tcp{ nullptr, nullptr, nullptr, 502, 1, 0, 0 };
    DATADEAL* d;
    std::vector<int> tips;

    explicit Sup(int bmsType = 0, std::initializer_list<std::pair<int, int>> settings = {})
    {
        TimeSeam::useFakeClock(true);
        hw = FakeHardware::install();
        for (int i = 0; i < 80; ++i)
            set[i].value = 0;
        set[21].value = 1;
        set[24].value = 1;
        for (const auto& s : settings)
            set[s.first].value = s.second;
        BmsType = bmsType;
        fillStates(dcacstate, 60, 0);
        fillStates(dcdcstate, 60, 0);
        memset(&currentRackInfo, 0, sizeof currentRackInfo);
        memset(uiBmsDataInfo, 0, sizeof uiBmsDataInfo);
        memset(BmsDataCmd, 0, sizeof BmsDataCmd);
        memset(dcParam, 0, sizeof dcParam);
        memset(g_bmsStringOnline, 0, sizeof g_bmsStringOnline);
        BmsSoc = -1.0f;
        g_recover_flag = 0;
        d = new DATADEAL;
        d->setDeviceData(&ac, &dc, &sts, &bms, &rtu, &tcp, set);
        d->setModuleState(dcacstate, dcdcstate);
        QObject::connect(d, qOverload<int>(&DATADEAL::sendcommond), [this](int code) { tips.push_back(code); });
    }
    ~Sup()
    {
        delete d;
        TimeSeam::useFakeClock(false);
    }

    // The writes of one index, in order.
    static std::vector<FakeDevice::Write> writesOf(const FakeDevice& dev, int index)
    {
        std::vector<FakeDevice::Write> out;
        for (const FakeDevice::Write& w : dev.writes)
            if (w.index == index)
                out.push_back(w);
        return out;
    }
    // The command words sent to the branches through the AC/DC object: {branch, word}.
    std::vector<std::pair<int, int>> acWords() const
    {
        std::vector<std::pair<int, int>> out;
        for (const FakeDevice::Write& w : writesOf(ac, 70))
            out.push_back({ w.module, int(w.value) });
        return out;
    }
    // Output pins set by the data thread (the LED thread drives 11 and 12): {pin, level}.
    std::vector<std::pair<int, int>> outputs()
    {
        std::vector<std::pair<int, int>> out;
        for (const FakeHardware::Ioctl& i : hw->ioctlsOf("/dev/gpio"))
            if (i.arg < 11)
                out.push_back({ int(i.arg), int(i.request) });
        return out;
    }
    std::vector<OperateRecord> operations()
    {
        std::vector<OperateRecord> out;
        norvale::OperateRecordFile* file = d->getOperateRecordFile();
        for (int i = 0; i < file->size(); ++i) {
            OperateRecord r;
            file->get(i, &r);
            out.push_back(r);
        }
        return out;
    }
    void seconds(int n)
    {
        for (int i = 0; i < n; ++i)
            d->time_power_slot();
    }
    float reg(modbus::ModbusrtuDevice& dev, int module, int index)
    {
        float v = 0.0f;
        dev.getAnalog(module, index, &v);
        return v;
    }
};

typedef std::vector<std::pair<int, int>> Pairs;

} // namespace

// ---- relays ----

TEST(DATADEALRelay, RelayLayouts)
{
    struct Case {
        const char* name;
        int layout, strings;
        std::vector<std::pair<int, int>> acPoints; // {module, point} reading 1
        std::vector<int> inputs;                   // GPIO inputs reading 1
        std::vector<int> want;                     // relay[0..8], starting from all 7s
    } cases[] = {
        { "layout 1: both feedbacks", 1, 8, { { 11, 30 }, { 11, 31 }, { 11, 32 } }, { 1, 3, 5, 7 },
            { 1, 1, 1, 0, 7, 7, 7, 7, 0 } },
        { "layout 1: one feedback missing", 1, 8, { { 11, 30 }, { 11, 32 } }, { 3, 5, 7, 9 },
            { 0, 0, 1, 1, 7, 7, 7, 7, 0 } },
        { "layout 2", 2, 8, { { 11, 31 }, { 0, 49 } }, { 1, 3, 5, 7, 9 }, { 0, 1, 0, 7, 7, 7, 7, 7, 1 } },
        { "general, 3 strings: inputs not read", 0, 3, { { 11, 30 }, { 11, 32 } }, { 1, 3, 5, 7, 9 },
            { 1, 0, 1, 7, 7, 7, 7, 7, 0 } },
        { "general, 4 strings: inputs 1 to 9", 5, 4, { { 11, 30 } }, { 3, 9 }, { 1, 0, 0, 0, 1, 0, 0, 1, 0 } },
    };
    Sup t;
    for (const Case& c : cases) {
        currentRackInfo.relayLayout = c.layout;
        currentRackInfo.stringCount = c.strings;
        t.ac.status.clear();
        for (const auto& p : c.acPoints)
            t.ac.status[p] = 1;
        for (int pin = 1; pin <= 9; pin += 2)
            t.hw->setPin(pin, 0);
        for (int pin : c.inputs)
            t.hw->setPin(pin, 1);
        fillStates(allData.relay, 9, 7);
        t.d->dealwithRelay();
        std::vector<int> got(allData.relay, allData.relay + 9);
        EXPECT_EQ(got, c.want) << c.name;
        // Published to registers 301 to 309 of both slaves.
        for (int r = 0; r < 9; ++r) {
            EXPECT_EQ(t.reg(t.rtu, 0, 301 + r), float(c.want[r] ? 1 : 0)) << c.name << " register " << 301 + r;
            float v = -1.0f;
            t.tcp.getAnalog(0, 301 + r, &v);
            EXPECT_EQ(v, float(c.want[r] ? 1 : 0)) << c.name << " register " << 301 + r;
        }
    }
}

TEST(DATADEALRelay, BreakerThatCannotBeReadIsNotClosed)
{
    Sup t;
    struct Case { int value, relay; } cases[] = { { 1, 1 }, { 2, 1 }, { 0, 0 }, { -1, 0 } };
    for (const Case& c : cases) {
        t.ac.status[{ 0, 49 }] = c.value;
        t.d->dealwithRelay();
        EXPECT_EQ(allData.relay[8], c.relay) << c.value;
    }
}

// ---- trips ----

TEST(DATADEALTrip, PulsesByLayout)
{
    struct Case {
        const char* name;
        int set24, layout, branch;
        std::vector<int> pins; // outputs pulsed, in step
    } cases[] = {
        { "layout 1: 1002 on output 2", 1, 1, 1002, { 2 } },
        { "layout 1: 1003 on outputs 4 and 6", 1, 1, 1003, { 4, 6 } },
        { "layout 1: 1004 on outputs 8 and 10", 1, 1, 1004, { 8, 10 } },
        { "general: 1004 on output 2", 1, 0, 1004, { 2 } },
        { "general: 1008 on output 10", 1, 3, 1008, { 10 } },
        { "general: 1002 is not wired", 1, 0, 1002, {} },
        { "layout 2 has no trips", 1, 2, 1003, {} },
        { "DC side not through the AC/DC object", 0, 1, 1003, {} },
    };
    for (const Case& c : cases) {
        Sup t(0, { { 24, c.set24 } });
        currentRackInfo.relayLayout = c.layout;
        t.ac.status[{ c.branch, 6 }] = 1;
        t.hw->clearLog();
        const int64_t start = TimeSeam::monotonicMs();
        t.d->dealwithTrip();
        const int64_t took = TimeSeam::monotonicMs() - start;

        Pairs pulse;
        for (int level : { 0, 1, 0, 1 })
            for (int pin : c.pins)
                pulse.push_back({ pin, level });
        Pairs got;
        for (const auto& o : t.outputs())
            if (o.second == 0 || std::find(c.pins.begin(), c.pins.end(), o.first) != c.pins.end())
                got.push_back(o);
        EXPECT_EQ(got, pulse) << c.name;
        EXPECT_EQ(took, c.pins.empty() ? 0 : 500) << c.name;
        if (c.set24 != 1 || c.layout == 2) {
            EXPECT_TRUE(t.outputs().empty()) << c.name;
        }
    }
}

TEST(DATADEALTrip, OnePulsePerRequest)
{
    Sup t;
    currentRackInfo.relayLayout = 1;
    // First pass with no request: every wired output takes its idle level 1.
    t.hw->clearLog();
    t.d->dealwithTrip();
    EXPECT_EQ(t.outputs(), (Pairs{ { 2, 1 }, { 4, 1 }, { 6, 1 }, { 8, 1 }, { 10, 1 } }));

    t.ac.status[{ 1002, 6 }] = 1;
    t.d->dealwithTrip();
    t.hw->clearLog();
    // The request stays: no second pulse, and its output is left alone.
    t.d->dealwithTrip();
    EXPECT_EQ(t.outputs(), (Pairs{ { 4, 1 }, { 6, 1 }, { 8, 1 }, { 10, 1 } }));
    // A negative answer is neither a request nor its end.
    t.ac.status[{ 1002, 6 }] = -1;
    t.hw->clearLog();
    t.d->dealwithTrip();
    EXPECT_EQ(t.outputs(), (Pairs{ { 4, 1 }, { 6, 1 }, { 8, 1 }, { 10, 1 } }));
    t.ac.status[{ 1002, 6 }] = 1;
    t.hw->clearLog();
    t.d->dealwithTrip();
    EXPECT_EQ(t.outputs().size(), 4u);
    // Cleared, then asked again: a new pulse.
    t.ac.status[{ 1002, 6 }] = 0;
    t.d->dealwithTrip();
    t.ac.status[{ 1002, 6 }] = 1;
    t.hw->clearLog();
    t.d->dealwithTrip();
    EXPECT_EQ(t.outputs()[0], (std::pair<int, int>{ 2, 0 }));
    EXPECT_EQ(t.outputs().size(), 4u + 4);
}

TEST(DATADEALTrip, PulseThatFailsIsTriedAgain)
{
    Sup t;
    currentRackInfo.relayLayout = 1;
    t.ac.status[{ 1003, 6 }] = 1;
    {
        std::lock_guard<std::mutex> g(t.hw->m);
        t.hw->failing.insert("/dev/gpio");
    }
    const int64_t start = TimeSeam::monotonicMs();
    t.d->dealwithTrip();
    EXPECT_EQ(TimeSeam::monotonicMs() - start, 0);
    {
        std::lock_guard<std::mutex> g(t.hw->m);
        t.hw->failing.clear();
    }
    t.hw->clearLog();
    t.d->dealwithTrip();
    EXPECT_EQ(t.outputs(), (Pairs{ { 2, 1 }, { 4, 0 }, { 6, 0 }, { 4, 1 }, { 6, 1 }, { 4, 0 }, { 6, 0 }, { 4, 1 },
                               { 6, 1 }, { 8, 1 }, { 10, 1 } }));
}

// ---- links ----

TEST(DATADEALLink, TipsAlternate)
{
    struct Case { const char* name; int set24, acUp, dcUp; std::vector<int> tips; } cases[] = {
        { "both up", 0, 1, 1, {} },
        { "AC/DC down", 0, 0, 1, { 0 } },
        { "AC/DC reports something else than 1", 0, 2, 1, { 0 } },
        { "DC/DC down", 0, 1, 0, { 1 } },
        { "DC/DC down, DC side through the AC/DC object", 1, 1, 0, {} },
        { "both down", 0, 0, 0, { 0, 1 } },
    };
    Sup t;
    for (const Case& c : cases) {
        set[24].value = c.set24;
        t.ac.status[{ 0, 0 }] = c.acUp;
        t.dc.status[{ 0, 100 }] = c.dcUp;
        t.tips.clear();
        // The AC/DC link is checked on one pass, the DC/DC link on the next.
        t.d->dealwithConnect();
        EXPECT_EQ(t.tips, c.acUp == 1 ? std::vector<int>{} : std::vector<int>{ 0 }) << c.name;
        t.d->dealwithConnect();
        EXPECT_EQ(t.tips, c.tips) << c.name;
    }
}

TEST(DATADEALLink, NoDevicesAtAll)
{
    Sup t(8, { { 23, 2 }, { 24, 0 }, { 27, 1 } });
    t.d->setDeviceData(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, set);
    currentRackInfo.relayLayout = 1;
    t.seconds(10);
    for (int type = 0; type <= 12; ++type) {
        BmsType = type;
        t.d->dealwithBms();
    }
    t.d->dealwithRelay();
    t.d->dealwithTrip();
    t.d->dealwithConnect();
    t.d->dealwithConnect();
    // Links that are not there are down.
    EXPECT_EQ(t.tips, (std::vector<int>{ 0, 1 }));
    EXPECT_EQ(BmsSoc, -1.0f);
    EXPECT_EQ(t.d->setDc(1001, 5, 1.0f), -1);
    EXPECT_EQ(t.d->setAc(1001, 103, 1.0f), -1);
}

// ---- battery: state of charge and online flags ----

TEST(DATADEALBattery, StateOfChargeByType)
{
    Sup t(0, { { 23, 0 } });
    t.rtu.upperWriteWord(3001, 5, 0x0001);
    t.rtu.upperWriteWord(3001, 4, 0x2345);
    t.rtu.upperWriteWord(3001, 3, 855);
    t.rtu.upperWrite(3001, 2, 200.0f);
    uiBmsDataInfo[29].index = 44;
    t.bms.analog[{ 0, 44 }] = 61.0f;
    t.bms.analog[{ 0, 3 }] = 73.0f;
    t.bms.analog[{ 0, 6 }] = 96.0f;
    t.bms.analog[{ 0, 13 }] = 13.0f;
    t.bms.analog[{ 0, 5 }] = 55.0f;
    t.bms.analog[{ 0, 0 }] = 0.42f;
    struct Case { int type; float soc; } cases[] = {
        { 1, (65536.0f + 0x2345) / 100.0f }, { 2, (0x23450000 + 1.0f) / 100.0f }, { 3, 85.5f }, { 4, 61.0f },
        { 6, 80.0f }, { 7, 73.0f }, { 9, 96.0f }, { 10, 13.0f }, { 11, 55.0f }, { 8, 42.0f }, { 12, 42.0f },
        { 0, -1.0f }, { 5, -1.0f },
    };
    for (const Case& c : cases) {
        BmsType = c.type;
        BmsSoc = -1.0f;
        t.d->dealwithBms();
        EXPECT_FLOAT_EQ(BmsSoc, c.soc) << c.type;
    }
    // A value the battery never gave leaves the last one.
    t.bms.analog.erase({ 0, 3 });
    BmsType = 7;
    BmsSoc = 50.0f;
    t.d->dealwithBms();
    EXPECT_EQ(BmsSoc, 50.0f);
}

TEST(DATADEALBattery, StringOnlineFlagsEverySixSeconds)
{
    struct Case { int type; } cases[] = { { 3 }, { 7 } };
    for (const Case& c : cases) {
        Sup t(c.type, { { 23, 3 } });
        t.rtu.upperWrite(3001, 199, 1.0f);
        t.rtu.upperWrite(3003, 199, 1.0f);
        t.bms.status[{ 0, 199 }] = 1;
        t.bms.status[{ 2, 199 }] = 1;
        g_bmsStringOnline[3] = 5;
        t.seconds(5);
        t.d->dealwithBms();
        EXPECT_EQ(g_bmsStringOnline[0], 0) << c.type;
        t.seconds(1);
        t.d->dealwithBms();
        EXPECT_EQ((std::vector<int>(g_bmsStringOnline, g_bmsStringOnline + 4)), (std::vector<int>{ 1, 0, 1, 5 }))
            << c.type;
        // The poll counter starts over.
        t.rtu.upperWrite(3001, 199, 0.0f);
        t.bms.status[{ 0, 199 }] = 0;
        t.seconds(5);
        t.d->dealwithBms();
        EXPECT_EQ(g_bmsStringOnline[0], 1) << c.type;
    }
}

// ---- battery: command words ----

TEST(DATADEALBattery, ProtectionBitsByType)
{
    struct Case {
        const char* name;
        int type, strings, set55;
        std::function<void(Sup&)> setup;
        Pairs words; // {branch, word} sent through the AC/DC object
    };
    const Case cases[] = {
        { "none: nothing", 0, 2, 0, [](Sup&) {}, {} },
        { "1: display rows 0 to 7 into every string", 1, 2, 0,
            [](Sup& t) {
                uiBmsDataInfo[7].index = 40;
                BmsDataCmd[7] = 0x100;
                uiBmsDataInfo[8].index = 41;
                BmsDataCmd[8] = 0x200;
                t.rtu.upperWrite(3001, 40, 1.0f);
                t.rtu.upperWrite(3001, 41, 1.0f);
            },
            { { 1001, 0x100 }, { 1002, 0x100 } } },
        { "2: the same rows", 2, 1, 0,
            [](Sup& t) {
                uiBmsDataInfo[0].index = 12;
                BmsDataCmd[0] = 0x400;
                t.rtu.upperWrite(3001, 12, 1.0f);
            },
            { { 1001, 0x400 } } },
        { "3: one state word per string", 3, 4, 0,
            [](Sup& t) {
                t.rtu.upperWriteWord(3001, 0, 0xAAAA);
                t.rtu.upperWriteWord(3002, 0, 0x1111);
                t.rtu.upperWriteWord(3003, 0, 0x2222);
                t.rtu.upperWriteWord(3004, 0, 0x5555);
            },
            { { 1001, 0x08 }, { 1002, 0x10 }, { 1003, 0x20 }, { 1004, 0x08 } } },
        { "4: alarm rows 0 to 22", 4, 2, 0,
            [](Sup& t) {
                uiBmsDataInfo[22].index = 60;
                BmsDataCmd[22] = 0x800;
                uiBmsDataInfo[23].index = 61;
                BmsDataCmd[23] = 0x1000;
                t.bms.alarm[{ 0, 60 }] = 1;
                t.bms.alarm[{ 0, 61 }] = 1;
            },
            { { 1001, 0x800 }, { 1002, 0x800 } } },
        { "5: alarm points 10 and 11", 5, 4, 0,
            [](Sup& t) {
                t.bms.alarm[{ 0, 10 }] = 1;
                t.bms.alarm[{ 1, 10 }] = 2;
                t.bms.alarm[{ 2, 10 }] = 4;
                t.bms.alarm[{ 3, 11 }] = 3;
                t.bms.alarm[{ 0, 11 }] = 2;
            },
            { { 1001, 0x18 }, { 1002, 0x20 }, { 1003, 0x08 } } },
        { "5, second variant: alarm points 0 and 1", 5, 2, 1,
            [](Sup& t) {
                t.bms.alarm[{ 0, 10 }] = 1;
                t.bms.alarm[{ 1, 0 }] = 3;
                t.bms.alarm[{ 0, 1 }] = 1;
            },
            { { 1001, 0x08 }, { 1002, 0x08 } } },
        { "6: state bits of registers 59 and 6", 6, 2, 0,
            [](Sup& t) {
                t.rtu.upperWriteWord(3001, 59, 0x3000); // bits 11-10 clear
                t.rtu.upperWriteWord(3001, 6, 0x0200);  // bits 9-8 are 2
            },
            { { 1001, 0x28 }, { 1002, 0x28 } } },
        { "6: registers never written give nothing", 6, 1, 0, [](Sup&) {}, {} },
        { "7: alarm points 0 to 30 and the two states", 7, 2, 0,
            [](Sup& t) {
                BmsDataCmd[38] = 0x100;
                BmsDataCmd[68] = 0x200;
                t.bms.alarm[{ 0, 0 }] = 1;
                t.bms.alarm[{ 1, 30 }] = 1;
                t.bms.alarm[{ 1, 31 }] = 1;
                t.bms.status[{ 0, 7 }] = 0xAA;
                t.bms.status[{ 1, 6 }] = 0xAA;
            },
            { { 1001, 0x120 }, { 1002, 0x210 } } },
        { "9: alarm levels 2 and 3", 9, 2, 0,
            [](Sup& t) {
                BmsDataCmd[32] = 0x100;
                BmsDataCmd[20] = 0x400;
                t.bms.alarm[{ 0, 12 }] = 3;
                t.bms.alarm[{ 1, 0 }] = 1;
                t.bms.status[{ 0, 6 }] = 1;
                t.bms.status[{ 1, 5 }] = 1;
            },
            { { 1001, 0x120 }, { 1002, 0x10 } } },
        { "10: three values", 10, 2, 0,
            [](Sup& t) {
                t.bms.analog[{ 0, 7 }] = 0.0f;
                t.bms.analog[{ 0, 8 }] = 3.0f;
                t.bms.analog[{ 0, 9 }] = 1.0f;
                t.bms.analog[{ 1, 8 }] = 0.0f;
            },
            { { 1001, 0x18 }, { 1002, 0x20 } } },
        { "11: one state word per string", 11, 2, 0,
            [](Sup& t) {
                t.bms.analog[{ 0, 0 }] = float(0x5555);
                t.bms.analog[{ 1, 0 }] = float(0x2222);
            },
            { { 1001, 0x08 }, { 1002, 0x20 } } },
        { "8: levels 1 and 2, states 1 and 2 at 0", 8, 2, 0,
            [](Sup& t) {
                BmsDataCmd[17] = 0x100;
                t.bms.alarm[{ 0, 17 }] = 2;
                t.bms.alarm[{ 1, 17 }] = 3;
                t.bms.status[{ 0, 1 }] = 1;
                t.bms.status[{ 1, 1 }] = 1;
                t.bms.status[{ 1, 2 }] = -1;
            },
            { { 1001, 0x110 }, { 1002, 0 } } },
        { "8, second variant: levels 3 and 4", 8, 1, 1,
            [](Sup& t) {
                BmsDataCmd[3] = 0x100;
                t.bms.alarm[{ 0, 3 }] = 4;
                t.bms.status[{ 0, 1 }] = 1;
                t.bms.status[{ 0, 2 }] = 1;
            },
            { { 1001, 0x100 } } },
        { "no strings: no word", 3, 0, 0, [](Sup& t) { t.rtu.upperWriteWord(3001, 0, 0xAAAA); }, {} },
        { "more strings than branches: eight words", 8, 20, 0, [](Sup&) {},
            { { 1001, 0x30 }, { 1002, 0x30 }, { 1003, 0x30 }, { 1004, 0x30 }, { 1005, 0x30 }, { 1006, 0x30 },
                { 1007, 0x30 }, { 1008, 0x30 } } },
    };
    for (const Case& c : cases) {
        Sup t(c.type, { { 23, c.strings }, { 55, c.set55 } });
        c.setup(t);
        t.d->dealwithBms();
        Pairs words = t.acWords();
        // A word of 0 is never sent on the first pass.
        Pairs want;
        for (const auto& w : c.words)
            if (w.second)
                want.push_back(w);
        EXPECT_EQ(words, want) << c.name;
        // An unchanged word is not sent again.
        t.d->dealwithBms();
        EXPECT_EQ(t.acWords(), want) << c.name;
    }
}

TEST(DATADEALBattery, WordsThroughTheDcdcObject)
{
    Sup t(3, { { 23, 2 }, { 24, 0 } });
    t.rtu.upperWriteWord(3002, 0, 0x1111);
    // Refused three times in the pass: sent again next second.
    t.dc.settingResult = -2;
    t.d->dealwithBms();
    EXPECT_EQ(Sup::writesOf(t.dc, 5).size(), 3u);
    t.d->dealwithBms();
    EXPECT_EQ(Sup::writesOf(t.dc, 5).size(), 6u);
    t.dc.settingResult = 0;
    t.d->dealwithBms();
    t.d->dealwithBms();
    const auto words = Sup::writesOf(t.dc, 5);
    ASSERT_EQ(words.size(), 7u);
    EXPECT_EQ(words.back().module, 1002);
    EXPECT_EQ(words.back().value, float(0x10));
    EXPECT_TRUE(t.acWords().empty());
}

TEST(DATADEALBattery, WordNotTakenByTheAcdcObjectIsSentAgain)
{
    Sup t(3, { { 23, 1 } });
    t.rtu.upperWriteWord(3001, 0, 0xAAAA);
    t.ac.settingResult = -2;
    t.d->dealwithBms();
    t.ac.settingResult = 0;
    t.d->dealwithBms();
    t.d->dealwithBms();
    EXPECT_EQ(t.acWords(), (Pairs{ { 1001, 8 }, { 1001, 8 } }));
}

TEST(DATADEALBattery, HeartbeatPerString)
{
    Sup t(3, { { 23, 2 }, { 27, 2 } });
    t.rtu.upperWrite(3001, 19, 1.0f);
    t.seconds(2);
    t.d->dealwithBms();
    // Not yet past the period: nothing checked, nothing re-armed.
    EXPECT_TRUE(t.tips.empty());
    EXPECT_EQ(t.rtu.getStatus(0, 9), 0);
    t.seconds(1);
    t.d->dealwithBms();
    EXPECT_EQ(t.tips, std::vector<int>{ 26 });
    EXPECT_EQ(t.rtu.getStatus(0, 9), 1);
    EXPECT_EQ(t.rtu.getStatus(0, 10), 1);
    EXPECT_EQ(t.acWords(), (Pairs{ { 1001, 8 } }));
    // The period starts over; the bit stays in the word between checks.
    t.rtu.upperWrite(3001, 19, 0.0f);
    t.d->dealwithBms();
    EXPECT_EQ(t.tips.size(), 1u);
    EXPECT_EQ(t.acWords().size(), 1u);
    t.seconds(3);
    t.d->dealwithBms();
    EXPECT_EQ(t.acWords(), (Pairs{ { 1001, 8 }, { 1001, 0 } }));
    EXPECT_EQ(t.tips.size(), 1u);
}

TEST(DATADEALBattery, HeartbeatOfTheWholeBattery)
{
    struct Case { int type; std::function<void(Sup&)> lose; } cases[] = {
        { 1, [](Sup& t) { t.rtu.upperWrite(3001, 19, 1.0f); } },
        { 6, [](Sup& t) { t.rtu.upperWrite(3001, 19, 1.0f); } },
        { 4, [](Sup& t) { t.bms.alarm[{ 0, 49 }] = 1; } },
    };
    for (const Case& c : cases) {
        Sup t(c.type, { { 23, 3 }, { 27, 1 } });
        if (c.type == 6)
            t.rtu.upperWriteWord(3001, 59, 0x3C00);   // no protection state
        c.lose(t);
        t.seconds(2);
        t.d->dealwithBms();
        EXPECT_EQ(t.tips, std::vector<int>{ 26 }) << c.type;
        EXPECT_EQ(t.acWords(), (Pairs{ { 1001, 8 }, { 1002, 8 }, { 1003, 8 } })) << c.type;
        if (c.type == 4) {
            EXPECT_TRUE(t.bms.wrote(0, 49, 1.0f));
        } else {
            EXPECT_EQ(t.rtu.getStatus(0, 9), 1) << c.type;
        }
    }
    // No heartbeat period: never checked.
    Sup t(1, { { 23, 1 }, { 27, 0 } });
    t.rtu.upperWrite(3001, 19, 1.0f);
    t.seconds(5);
    t.d->dealwithBms();
    EXPECT_TRUE(t.tips.empty());
    EXPECT_TRUE(t.acWords().empty());
}

namespace {

// Steps the fake monotonic clock to the next second 'second' of a minute.
void stepToSecond(int second)
{
    const int64_t now = TimeSeam::monotonicMs();
    int64_t target = (now / 60000) * 60000 + second * 1000;
    if (target <= now)
        target += 60000;
    TimeSeam::advanceMs(target - now);
}

} // namespace

TEST(DATADEALBattery, RelayOpenForFiveSeconds)
{
    Sup t(0, { { 23, 2 } });
    t.ac.status[{ 11, 0 }] = 1;
    allData.relay[0] = 1;
    allData.relay[1] = 0;
    stepToSecond(58);
    t.d->dealwithBms();
    EXPECT_EQ(allData.openTimer[0], -1);
    EXPECT_EQ(allData.openTimer[1], 58);
    // Four seconds later, in the next minute: not yet.
    TimeSeam::advanceMs(4000);
    t.d->dealwithBms();
    EXPECT_EQ(allData.openLatch[1], 0);
    TimeSeam::advanceMs(1000);
    t.d->dealwithBms();
    EXPECT_EQ(allData.openLatch[1], 1);
    EXPECT_TRUE(t.acWords().empty());
    t.d->dealwithBms();
    EXPECT_EQ(t.acWords(), (Pairs{ { 1002, 0x40 } }));
    // Closed again: timer and latch clear, the word follows.
    allData.relay[1] = 1;
    t.d->dealwithBms();
    EXPECT_EQ(allData.openTimer[1], -1);
    EXPECT_EQ(allData.openLatch[1], 0);
    EXPECT_EQ(t.acWords(), (Pairs{ { 1002, 0x40 }, { 1002, 0 } }));
    // Only while the unit that reports the relays is online.
    t.ac.status[{ 11, 0 }] = 0;
    allData.relay[1] = 0;
    TimeSeam::advanceMs(10000);
    t.d->dealwithBms();
    EXPECT_EQ(allData.openTimer[1], -1);
}

// ---- battery: current limits ----

TEST(DATADEALBattery, LimitsOfTheWholeBatteryGoToBranch1001)
{
    Sup t(1, { { 23, 0 } });
    uiBmsDataInfo[26].index = 30;
    uiBmsDataInfo[27].index = 31;
    t.rtu.upperWrite(3001, 30, 200.0f);
    t.rtu.upperWrite(3001, 31, 150.0f);
    t.rtu.upperWrite(0, 299, 1.0f);
    t.rtu.upperWrite(0, 399, 1.0f);
    t.ac.config[{ 1001, 121 }] = 150.0f;   // already in force
    t.d->dealwithBms();
    EXPECT_EQ(t.rtu.getStatus(0, 299), 0);
    EXPECT_EQ(t.rtu.getStatus(0, 399), 0);
    EXPECT_EQ(Sup::writesOf(t.ac, 103).size(), 1u);
    EXPECT_TRUE(t.ac.wrote(1001, 103, 200.0f));
    EXPECT_TRUE(Sup::writesOf(t.ac, 121).empty());
    // Not raised again: nothing more.
    t.d->dealwithBms();
    EXPECT_EQ(t.ac.writes.size(), 1u);
}

TEST(DATADEALBattery, LimitsPerString)
{
    struct Case {
        const char* name;
        int type, model, set24;
        float raw;       // what the battery gives
        int index;       // converter setting written, 0 none
        float limit;
    } cases[] = {
        { "3, model 1091: -1 means 1500", 3, 1091, 1, -1.0f, 103, 1500.0f },
        { "3, model 1091: 400 gives 10", 3, 1091, 1, 400.0f, 103, 10.0f },
        { "3, another model: 400 gives 40", 3, 3091, 1, 400.0f, 103, 40.0f },
        { "3, model 7091: no limits", 3, 7091, 1, 400.0f, 0, 0.0f },
        { "3, over 1500 ignored", 3, 3091, 1, 16000.0f, 0, 0.0f },
        { "3, below 0 ignored", 3, 3091, 1, -20.0f, 0, 0.0f },
        { "5: tenths", 5, 0, 1, 355.0f, 103, 35.5f },
        { "7 as read", 7, 0, 1, 1600.0f, 0, 0.0f },
        { "7 through the DC/DC object", 7, 0, 0, 1500.0f, 24, 1500.0f },
        { "8 as read", 8, 0, 1, 0.0f, 103, 0.0f },
    };
    for (const Case& c : cases) {
        Sup t(c.type, { { 23, 2 }, { 25, c.model }, { 24, c.set24 } });
        // String 1's charge limit changed.
        switch (c.type) {
        case 3:
            t.rtu.upperWrite(3002, 1, c.raw);
            t.rtu.upperWrite(1, 299, 1.0f);
            break;
        case 5:
            t.bms.analog[{ 1, 39 }] = c.raw;
            break;
        case 7:
            t.bms.analog[{ 1, 7 }] = c.raw;
            break;
        default:
            t.bms.analog[{ 1, 6 }] = c.raw;
            break;
        }
        t.bms.status[{ 1, 299 }] = 1;
        t.ac.config[{ 1002, 103 }] = 999.0f;
        t.d->dealwithBms();
        FakeDevice& conv = c.set24 == 1 ? t.ac : t.dc;
        const auto writes = Sup::writesOf(conv, c.set24 == 1 ? 103 : 24);
        if (c.index) {
            ASSERT_EQ(writes.size(), 1u) << c.name;
            EXPECT_EQ(writes[0].module, 1002) << c.name;
            EXPECT_FLOAT_EQ(writes[0].value, c.limit) << c.name;
        } else {
            EXPECT_TRUE(writes.empty()) << c.name;
        }
        // The changed point is cleared whatever came of it.
        if (c.type == 3) {
            EXPECT_EQ(t.rtu.getStatus(1, 299), 0) << c.name;
        } else {
            EXPECT_TRUE(t.bms.wrote(1, 299, 0.0f)) << c.name;
        }
    }
}

TEST(DATADEALBattery, DischargeLimitThroughTheDcdcObject)
{
    Sup t(9, { { 23, 1 }, { 24, 0 } });
    t.bms.status[{ 0, 399 }] = 1;
    t.bms.analog[{ 0, 1 }] = 80.0f;
    t.dc.finalResult = 1;   // the converter reports failure: three attempts
    t.d->dealwithBms();
    const auto writes = Sup::writesOf(t.dc, 44);
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].module, 1001);
    EXPECT_EQ(writes[0].value, 80.0f);
}

// ---- converter writes ----

TEST(DATADEALBattery, ConverterWritesWaitForTheirResult)
{
    struct Case { const char* name; bool dc; int accepted, result, rc; size_t attempts; } cases[] = {
        { "DC/DC done", true, 0, 0, 0, 1 },
        { "DC/DC refused", true, -2, 0, -1, 3 },
        { "DC/DC failed", true, 0, 1, -1, 3 },
        { "DC/DC never answers", true, 0, 2, -1, 3 },
        { "AC/DC done", false, 0, 0, 0, 1 },
        { "AC/DC refused", false, -1, 0, -1, 1 },
        { "AC/DC failed", false, 0, 1, -1, 1 },
        { "AC/DC never answers", false, 0, 2, -1, 1 },
    };
    Sup t;
    for (const Case& c : cases) {
        FakeDevice& dev = c.dc ? t.dc : t.ac;
        dev.writes.clear();
        dev.settingResult = c.accepted;
        dev.finalResult = c.result;
        const int64_t start = TimeSeam::monotonicMs();
        const int rc = c.dc ? t.d->setDc(1003, 24, 5.0f) : t.d->setAc(1003, 103, 5.0f);
        EXPECT_EQ(rc, c.rc) << c.name;
        EXPECT_EQ(dev.writes.size(), c.attempts) << c.name;
        // A converter that never answers is given up after 20 s per attempt.
        if (c.result == 2) {
            EXPECT_EQ(TimeSeam::monotonicMs() - start, int64_t(20000 * c.attempts)) << c.name;
        }
    }
}

// ---- battery: type extras ----

TEST(DATADEALBattery, DcVoltageWindow)
{
    struct Case {
        const char* name;
        int set24;
        float v, reference;
        std::vector<int> order; // settings written, in order
    } cases[] = {
        { "lower: 93 first", 1, 50.0f, 55.0f, { 93, 101 } },
        { "higher: 101 first", 1, 50.0f, 45.0f, { 101, 93 } },
        { "equal: nothing", 1, 50.0f, 50.0f, {} },
        { "zero: nothing", 1, 0.0f, 55.0f, {} },
        { "at the window's edge: nothing", 1, 60.0f, 55.0f, {} },
        { "DC/DC: 27 first", 0, 50.0f, 55.0f, { 27, 37 } },
        { "DC/DC: 37 first", 0, 50.0f, 45.0f, { 37, 27 } },
    };
    for (const Case& c : cases) {
        Sup t(4, { { 23, 1 }, { 24, c.set24 } });
        dcParam[0] = 40;
        dcParam[1] = 60;
        uiBmsDataInfo[26].index = 70;
        t.bms.analog[{ 0, 70 }] = c.v;
        FakeDevice& conv = c.set24 == 1 ? t.ac : t.dc;
        conv.config[{ 0, c.set24 == 1 ? 101 : 37 }] = c.reference;
        t.d->dealwithBms();
        std::vector<int> order;
        for (const FakeDevice::Write& w : conv.writes) {
            EXPECT_EQ(w.module, 0) << c.name;
            EXPECT_EQ(w.value, c.v) << c.name;
            order.push_back(w.index);
        }
        EXPECT_EQ(order, c.order) << c.name;
    }
    // The first write not taken: the second waits for the next second.
    Sup t(4, { { 23, 1 } });
    dcParam[0] = 40;
    dcParam[1] = 60;
    uiBmsDataInfo[26].index = 70;
    t.bms.analog[{ 0, 70 }] = 50.0f;
    t.ac.config[{ 0, 101 }] = 55.0f;
    t.ac.finalResult = 1;
    t.d->dealwithBms();
    ASSERT_EQ(t.ac.writes.size(), 1u);
    EXPECT_EQ(t.ac.writes[0].index, 93);
}

TEST(DATADEALBattery, SecondWordOfType9)
{
    Sup t(9, { { 23, 2 } });
    t.bms.status[{ 0, 1 }] = 1;
    t.bms.alarm[{ 1, 10 }] = 2;
    t.d->dealwithBms();
    t.d->dealwithBms();
    t.bms.alarm[{ 1, 10 }] = 0;
    t.d->dealwithBms();
    std::vector<std::pair<int, float>> got;
    for (const FakeDevice::Write& w : Sup::writesOf(t.ac, 66))
        got.push_back({ w.module, w.value });
    EXPECT_EQ(got, (std::vector<std::pair<int, float>>{ { 1002, 1.0f }, { 1002, 0.0f } }));
}

TEST(DATADEALBattery, ForcedChargePerString)
{
    struct Case { const char* name; int set24, set54; std::vector<FakeDevice::Write> writes; int code; } cases[] = {
        { "AC dispatching", 0, 0, { { 20, 87, 770.0f } }, 3201 },
        { "DC dispatching, DC side through the AC/DC object", 1, 1,
            { { 1002, 1001, 1500.0f }, { 1002, 1000, 1000.0f } }, 3211 },
    };
    for (const Case& c : cases) {
        Sup t(7, { { 23, 3 }, { 24, c.set24 }, { 54, c.set54 }, { 1, 1 }, { 60, 1 } });
        t.bms.status[{ 1, 4 }] = 1;
        t.d->dealwithBms();
        t.d->dealwithBms();
        // Written every second while it lasts; one record for its start.
        for (const FakeDevice::Write& w : c.writes)
            EXPECT_EQ(std::count_if(t.dc.writes.begin(), t.dc.writes.end(),
                          [&](const FakeDevice::Write& x) {
                              return x.module == w.module && x.index == w.index && x.value == w.value;
                          }),
                2)
                << c.name;
        auto log = t.operations();
        ASSERT_EQ(log.size(), 1u) << c.name;
        EXPECT_EQ(log[0].modules, c.code) << c.name;
        EXPECT_EQ(log[0].mdata, 1.0) << c.name;
        EXPECT_EQ(g_recover_flag, 0) << c.name;

        t.bms.status[{ 1, 4 }] = 0;
        t.d->dealwithBms();
        t.d->dealwithBms();
        log = t.operations();
        ASSERT_EQ(log.size(), 2u) << c.name;
        EXPECT_EQ(log[1].modules, c.code) << c.name;
        EXPECT_EQ(log[1].rdata, 1.0) << c.name;
        EXPECT_EQ(log[1].mdata, 0.0) << c.name;
        EXPECT_EQ(g_recover_flag, 1) << c.name;
    }
    // Not in local automatic mode, or not enabled: nothing.
    for (auto s : { std::pair<int, int>{ 1, 2 }, std::pair<int, int>{ 60, 0 } }) {
        Sup t(7, { { 23, 1 }, { 1, 1 }, { 60, 1 }, s });
        t.bms.status[{ 0, 4 }] = 1;
        t.d->dealwithBms();
        EXPECT_TRUE(t.dc.writes.empty());
        EXPECT_TRUE(t.operations().empty());
    }
}

TEST(DATADEALBattery, WakeUp)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> settings;
        std::function<void(Sup&)> setup;
        bool wakes;
    };
    const auto ready = [](Sup& t) {
        currentRackInfo.moduleCount = 4;
        t.ac.status[{ 0, 55 }] = 1;
        t.bms.status[{ 0, 100 }] = 1;
        t.ac.analog[{ 0, 47 }] = 12.5f;      // above 3 x 4
        t.ac.analog[{ 1001, 4 }] = 99.0f;
        t.ac.config[{ 1001, 96 }] = 4.5f;    // above 4
        t.dc.analog[{ 0, 24 }] = 3.0f;       // not above 4
        t.dc.analog[{ 1001, 0 }] = 10.0f;
    };
    const Case cases[] = {
        { "all conditions", { { 54, 0 } }, ready, true },
        { "power at the threshold", { { 54, 0 } }, [&](Sup& t) { ready(t); t.ac.analog[{ 0, 47 }] = 12.0f; }, false },
        { "power unknown", { { 54, 0 } }, [&](Sup& t) { ready(t); t.ac.analog.erase({ 0, 47 }); }, false },
        { "branch at 100", { { 54, 0 } }, [&](Sup& t) { ready(t); t.ac.analog[{ 1001, 4 }] = 100.0f; }, false },
        { "converters not ready", { { 54, 0 } }, [&](Sup& t) { ready(t); t.ac.status[{ 0, 55 }] = 0; }, false },
        { "battery awake", { { 54, 0 } }, [&](Sup& t) { ready(t); t.bms.status[{ 0, 5 }] = 1; }, false },
        { "battery not there", { { 54, 0 } }, [&](Sup& t) { ready(t); t.bms.status[{ 0, 100 }] = 0; }, false },
        { "not enabled", { { 54, 0 }, { 61, 0 } }, ready, false },
        { "not local automatic", { { 54, 0 }, { 1, 0 } }, ready, false },
        { "DC dispatching: branch set-point", { { 54, 1 } }, ready, true },
        { "DC dispatching through the DC/DC object", { { 54, 1 }, { 24, 0 } }, ready, false },
    };
    for (const Case& c : cases) {
        Sup t(7, { { 23, 1 }, { 1, 1 }, { 61, 1 } });
        for (const auto& s : c.settings)
            set[s.first].value = s.second;
        c.setup(t);
        t.d->dealwithBms();
        EXPECT_EQ(t.bms.wrote(0, 1000, 1.0f), c.wakes) << c.name;
        const auto log = t.operations();
        EXPECT_EQ(log.size(), c.wakes ? 1u : 0u) << c.name;
        if (c.wakes && !log.empty()) {
            EXPECT_EQ(log[0].modules, 3000) << c.name;
        }
    }
}
