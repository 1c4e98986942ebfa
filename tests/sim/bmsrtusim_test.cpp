// The BMS-A battery on its RS-485 line against the panel's upward RTU slave: what the units
// write is what the slave serves, in the word order of the protocol version.
#include "bmsrtusim.h"

#include "modbusrtudevice.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <math.h>
#include <sys/stat.h>

namespace {

struct Line {
    explicit Line(int type, int simAddress = 5)
    {
        mkdir(tree.path("dev").c_str(), 0755);
        EXPECT_TRUE(sim.open(tree.path("dev/ttySAC3"), type, 2, simAddress));
        sim.setMoving(false);
        rtu.setting(0, 505, float(type), 0);
        rtu.open();
    }

    short raw(int unit, int reg)
    {
        short v = 0;
        rtu.getAnalog(3001 + unit, reg, &v);
        return v;
    }

    RuntimeTree tree;
    BmsRtuSim sim;
    modbus::ModbusrtuDevice rtu{ nullptr, nullptr, nullptr, "/dev/ttySAC3", 19200, 1, 5, 0, 0 };
};

} // namespace

TEST(BmsRtuSim, UnitsWriteEveryRegisterInTheirWordOrder)
{
    for (int type : { 1, 2 }) {
        Line l(type);
        ASSERT_TRUE(l.rtu.lineOpen());
        ASSERT_EQ(l.sim.writeAll(), 2) << type;
        for (int unit = 0; unit < 2; ++unit) {
            const std::vector<uint16_t> w = l.sim.words(unit);
            for (int r = 0; r < BmsRtuSim::WORDS; ++r) {
                if (r == 19)
                    continue;   // the slave's own heartbeat point
                EXPECT_EQ(uint16_t(l.raw(unit, r)), w[size_t(r)]) << "type " << type << " unit " << unit << " r" << r;
            }
            EXPECT_EQ(l.rtu.getStatus(3001 + unit, 199), 1);
        }
        // SOC in 0.01 % over registers 4 and 5: low word first in 1.2, high word first in 1.4.
        const double hi = uint16_t(l.raw(0, type == 1 ? 5 : 4)), lo = uint16_t(l.raw(0, type == 1 ? 4 : 5));
        EXPECT_NEAR((hi * 65536 + lo) / 100, l.sim.snapshot(0).soc, 0.006) << type;
        EXPECT_EQ(l.raw(0, 10), lround(l.sim.snapshot(0).chargeLimit));
        EXPECT_EQ(l.rtu.getStatus(0, 299), 1) << "a first charge limit is a new one";
    }
}

TEST(BmsRtuSim, HeartbeatAndSlaveAddress)
{
    Line l(1);
    ASSERT_EQ(l.sim.writeAll(), 2);
    // The panel re-arms unit 0's heartbeat: lost until the unit writes again.
    l.rtu.setting(0, 9, 1.0f, 0);
    EXPECT_EQ(l.rtu.getStatus(3001, 19), 1);
    EXPECT_EQ(l.rtu.getStatus(3002, 19), 0);
    l.sim.setFlag(0, 2, true);
    ASSERT_EQ(l.sim.writeAll(), 2);
    EXPECT_EQ(l.rtu.getStatus(3001, 19), 0);
    EXPECT_EQ(l.rtu.getStatus(3001, 22), 1) << "the fault flag";

    // A battery set to another address is not answered, and changes nothing.
    Line other(1, 6);
    EXPECT_EQ(other.sim.writeAll(), 0);
    EXPECT_EQ(other.rtu.getStatus(3001, 199), 0);
    EXPECT_EQ(other.sim.unanswered(), 2);
}
