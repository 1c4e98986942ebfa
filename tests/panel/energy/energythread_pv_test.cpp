#include "energyfixture.h"
#include "pvpeer.h"

#include <gtest/gtest.h>
#include <QThread>

namespace {

typedef std::vector<uint8_t> Bytes;

// The control thread of the fixture with its PV link pointed at a peer on 127.0.0.1.
struct PvLink : Energy {
    explicit PvLink(int port, std::initializer_list<std::pair<int, int>> settings = {})
        : Energy(settings)
    {
        set[48].text = "127.0.0.1";
        set[48].value = 7;
        set[46].value = 120;
        for (const auto& s : settings)
            set[s.first].value = s.second;
        t.setPvPort(port);
    }
    // Lets the retry timer fire and services the link until it is up.
    bool up(int tries = 400)
    {
        TimeSeam::advanceMs(3000);
        for (int i = 0; i < tries && !t.pvConnected; ++i) {
            t.servicePvLink();
            if (!t.pvConnected)
                QThread::msleep(5);
        }
        return t.pvConnected;
    }
    void pv(float limit, float power, float running = 0, float hold = 0)
    {
        t.pvValues[EnergyThread::PV_LIMIT] = limit;
        t.pvValues[EnergyThread::PV_POWER] = power;
        t.pvValues[EnergyThread::PV_RUNNING] = running;
        t.pvValues[EnergyThread::PV_HOLD_BIT] = hold;
    }
};

// A read of input registers 200.. answered with registers 226 (limit, tenths) and 231 (power).
Bytes measurements(uint8_t tid, uint8_t function, int limit, int power)
{
    Bytes a = { tid, 0x00, 0, 0, 0, 103, 7, function, 100 };
    a.resize(9 + 100, 0);
    a[9 + 52] = uint8_t(limit >> 8);
    a[10 + 52] = uint8_t(limit);
    a[9 + 62] = uint8_t(power >> 8);
    a[10 + 62] = uint8_t(power);
    return a;
}

} // namespace

TEST(PvInverter, LinkComesUpSendsTheCeilingAndReadsTheInverter)
{
    LibmodbusInverter inv;
    PvLink e(inv.port());
    inv.setInput(200, 0xFFFF);
    inv.setInput(226, 500);     // 50.0 kW limit
    inv.setInput(231, 17300);   // 1730.0 - 1680 = 50.0 kW
    inv.setHolding(8, 0x0001);  // running, no hold
    e.t.servicePvLink();
    EXPECT_FALSE(e.t.pvConnected);   // the first attempt comes 3 s after construction
    ASSERT_TRUE(e.up());

    // The configured ceiling went out first, as 1200 tenths to register 612 of unit 7.
    ASSERT_GE(inv.requests().size(), 1u);
    EXPECT_EQ(inv.requests()[0], (Bytes{ 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x07, 0x06, 0x02, 0x64, 0x04, 0xB0 }));
    EXPECT_EQ(inv.holding(612), 1200);
    // Then the read cycle: measurements asked twice, then the state.
    EXPECT_EQ(inv.requestsTo(4, 200).size(), 2u);
    EXPECT_EQ(inv.requestsTo(4, 200)[0], (Bytes{ 0x01, 0x00, 0x00, 0x00, 0x00, 0x06, 0x07, 0x04, 0x00, 0xC8, 0x00, 0x32 }));
    EXPECT_EQ(inv.requestsTo(3, 0)[0], (Bytes{ 0x0D, 0x00, 0x00, 0x00, 0x00, 0x06, 0x07, 0x03, 0x00, 0x00, 0x00, 0x0F }));
    EXPECT_EQ(e.t.pvValues[0], -1.0f);
    EXPECT_EQ(e.t.pvValues[26], 500.0f);
    EXPECT_EQ(e.t.pvLimit(), 50.0f);
    EXPECT_EQ(e.t.pvPower(), 50.0f);
    EXPECT_EQ(e.t.pvRunning(), 1.0f);
    EXPECT_EQ(e.t.pvHoldBit(), 0.0f);

    // The loop reads it again at most once a second and shows the power.
    inv.setInput(231, 17000);
    inv.setHolding(8, 0x0002);
    const size_t reads = inv.requestsTo(3, 0).size();
    e.t.servicePvLink();   // within the second
    EXPECT_EQ(inv.requestsTo(3, 0).size(), reads);
    TimeSeam::advanceMs(1000);
    e.pass();
    EXPECT_EQ(inv.requestsTo(3, 0).size(), reads + 1);
    EXPECT_EQ(e.t.pvPower(), 20.0f);
    EXPECT_EQ(plot_data[1], 20.0f);
    EXPECT_EQ(e.t.pvRunning(), 0.0f);
    EXPECT_EQ(e.t.pvHoldBit(), 2.0f);
}

struct LimitCase {
    const char* name;
    float limit, power, value, max;
    int sent;   // -1 nothing
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class PvLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(PvLimit, IsSentOnlyWhenItMatters)
{
    const LimitCase& c = GetParam();
    LibmodbusInverter inv;
    PvLink e(inv.port(), { { 46, 0 } });
    ASSERT_TRUE(e.up());
    const size_t before = inv.requestsTo(6, 612).size();
    e.pv(c.limit, c.power);
    e.t.set_pv(c.value, c.max);
    const auto writes = inv.requestsTo(6, 612);
    if (c.sent < 0) {
        EXPECT_EQ(writes.size(), before);
    } else {
        ASSERT_EQ(writes.size(), before + 1);
        EXPECT_EQ(inv.holding(612), c.sent);
    }
}

INSTANTIATE_TEST_SUITE_P(EnergyThread, PvLimit,
    ::testing::Values(LimitCase{ "tenths", 0, 0, 123.4f, 500, 1234 },
        LimitCase{ "negative_clamps_to_zero", 10, 10, -5, 500, 0 },
        LimitCase{ "above_the_maximum", 0, 0, 600, 500, 5000 },
        LimitCase{ "raise_at_the_limit", 50, 49.5f, 60, 500, 600 },
        LimitCase{ "no_raise_with_headroom", 50, 30, 60, 500, -1 },
        LimitCase{ "lower_with_headroom", 50, 30, 40, 500, 400 },
        LimitCase{ "too_small_a_change", 50, 50, 50.5f, 500, -1 },
        LimitCase{ "zero_to_zero", 0, 0, -5, 500, -1 }),
    [](const ::testing::TestParamInfo<LimitCase>& i) { return std::string(i.param.name); });

TEST(PvInverter, SetPvBytes)
{
    LibmodbusInverter inv;
    PvLink e(inv.port(), { { 46, 0 } });
    ASSERT_TRUE(e.up());
    e.pv(0, 0);
    e.t.set_pv(123.4f, 500);
    ASSERT_EQ(inv.requestsTo(6, 612).size(), 1u);
    EXPECT_EQ(inv.requestsTo(6, 612)[0], (Bytes{ 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x07, 0x06, 0x02, 0x64, 0x04, 0xD2 }));
}

TEST(PvInverter, StartAndStopAreGatedThirtySeconds)
{
    LibmodbusInverter inv;
    PvLink e(inv.port(), { { 46, 0 } });
    ASSERT_TRUE(e.up());
    e.pv(0, 0);
    e.t.set_pv_on();
    e.t.set_pv_on();
    EXPECT_EQ(inv.requestsTo(6, 900).size(), 1u);
    EXPECT_EQ(inv.requestsTo(6, 900)[0], (Bytes{ 0x02, 0x00, 0x00, 0x00, 0x00, 0x06, 0x07, 0x06, 0x03, 0x84, 0x00, 0x01 }));
    TimeSeam::advanceMs(29999);
    e.t.set_pv_on();
    EXPECT_EQ(inv.requestsTo(6, 900).size(), 1u);
    TimeSeam::advanceMs(1);
    e.pv(0, 0, 0, 2);   // held: the attempt counts but nothing goes out
    e.t.set_pv_on();
    TimeSeam::advanceMs(30000);
    e.pv(0, 0, 1, 0);   // running already
    e.t.set_pv_on();
    EXPECT_EQ(inv.requestsTo(6, 900).size(), 1u);

    e.pv(30, 30, 1, 0);
    e.t.set_pv_off();
    e.t.set_pv_off();
    EXPECT_EQ(inv.requestsTo(6, 901).size(), 1u);
    EXPECT_EQ(inv.holding(612), 0);   // its limit went to 0 first
    EXPECT_EQ(inv.holding(901), 1);
    TimeSeam::advanceMs(30000);
    e.pv(0, 0, 0, 0);   // stopped already: only the limit, which is 0
    e.t.set_pv_off();
    EXPECT_EQ(inv.requestsTo(6, 901).size(), 1u);
}

TEST(PvInverter, AClockSetBackDoesNotHoldTheInverterOff)
{
    LibmodbusInverter inv;
    PvLink e(inv.port(), { { 46, 0 } });
    ASSERT_TRUE(e.up());
    e.pv(0, 0);
    e.t.set_pv_on();
    TimeSeam::setWallTime(TimeSeam::wallTime() - 86400);
    TimeSeam::advanceMs(30000);
    TimeSeam::setWallTime(TimeSeam::wallTime() - 86400);
    e.t.set_pv_on();
    EXPECT_EQ(inv.requestsTo(6, 900).size(), 2u);
}

TEST(PvInverter, AnswersOfOtherRequestsAreIgnored)
{
    std::atomic<int> mode{ 0 };
    ScriptedInverter inv([&](const Bytes& q) -> Bytes {
        if (q[7] != 4)
            return {};
        switch (mode.load()) {
        case 0: return measurements(0x02, 4, 900, 17400);                          // another transaction
        case 1: return Bytes{ 0x01, 0x00, 0x00, 0x00, 0x00, 0x03, 0x07, 0x84, 0x02 };  // exception answer
        case 2: return measurements(0x01, 3, 900, 17400);                          // another function
        default: return measurements(0x01, 4, 900, 17400);
        }
    });
    PvLink e(inv.port(), { { 46, 0 } });
    ASSERT_TRUE(e.up());
    e.pv(42, 41);
    for (int m = 0; m < 3; ++m) {
        mode = m;
        e.t.dealwithPV();
        EXPECT_EQ(e.t.pvLimit(), 42.0f) << m;
        EXPECT_EQ(e.t.pvPower(), 41.0f) << m;
    }
    mode = 3;
    e.t.dealwithPV();
    EXPECT_EQ(e.t.pvLimit(), 90.0f);
    EXPECT_EQ(e.t.pvPower(), 60.0f);
    EXPECT_TRUE(e.t.pvConnected);
}

TEST(PvInverter, LostLinkIsRetriedEveryThreeSeconds)
{
    LibmodbusInverter inv;
    inv.setInput(226, 500);
    PvLink e(inv.port());
    ASSERT_TRUE(e.up());
    EXPECT_EQ(e.t.pvLimit(), 50.0f);
    inv.drop();
    for (int i = 0; i < 100 && e.t.pvConnected; ++i) {
        TimeSeam::advanceMs(1000);
        e.t.servicePvLink();
        QThread::msleep(5);
    }
    EXPECT_FALSE(e.t.pvConnected);
    e.t.servicePvLink();
    EXPECT_EQ(e.t.pvLimit(), 0.0f);   // no link, no values
    ASSERT_TRUE(e.up());
    EXPECT_EQ(inv.connections(), 2);
    EXPECT_EQ(e.t.pvLimit(), 50.0f);
}

TEST(PvInverter, NothingGoesOutWithoutALink)
{
    int port = 0;
    const int fd = listenLocal(&port);
    ::close(fd);   // nobody listens there now
    PvLink e(port);
    EXPECT_FALSE(e.up(20));
    e.pv(10, 10, 1, 0);
    e.t.set_pv(50, 500);
    e.t.set_pv_on();
    e.t.set_pv_off();
    const int64_t before = TimeSeam::monotonicMs();
    e.t.dealwithPV();
    EXPECT_EQ(TimeSeam::monotonicMs() - before, 600);
    EXPECT_EQ(e.t.pvLimit(), 0.0f);
    EXPECT_EQ(e.t.pvRunning(), 0.0f);
}

TEST(PvInverter, AnAddressThatIsNotOneIsRetriedQuietly)
{
    for (const char* host : { "", "inverter.local", "300.1.1.1" }) {
        Energy e;
        set[48].text = host;
        for (int i = 0; i < 3; ++i) {
            TimeSeam::advanceMs(3000);
            e.t.servicePvLink();
            EXPECT_FALSE(e.t.pvConnected) << host;
        }
    }
}

TEST(PvInverter, ExportingUnderScheduledDischargeMovesThePvFirst)
{
    LibmodbusInverter inv;
    PvLink e(inv.port(), { { 43, 5 }, { 44, 1 }, { 45, 0 }, { 46, 200 } });
    ASSERT_TRUE(e.up());
    e.t.powerCeiling = 100.0f;
    e.t.scheduledPower = -100.0f;
    e.ac.status[{ 0, 53 }] = 1;
    plot_data[0] = -10.0f;
    plot_data[2] = 20.0f;   // D = -15: the PV limit goes to its power + 15
    const size_t before = inv.requestsTo(6, 612).size();
    std::vector<int> pvAt;
    for (int i = 1; i <= 61; ++i) {
        e.pv(30, 29.5f);
        const size_t n = inv.requestsTo(6, 612).size();
        e.t.dealwithNiliu();
        if (inv.requestsTo(6, 612).size() > n)
            pvAt.push_back(i);
    }
    EXPECT_EQ(pvAt, (std::vector<int>{ 1, 21, 41 }));
    EXPECT_EQ(inv.requestsTo(6, 612).size(), before + 3);
    EXPECT_EQ(inv.holding(612), 445);
    EXPECT_EQ(Energy::writesTo(e.dc, 20, 87), std::vector<float>{ -25.0f });
}
