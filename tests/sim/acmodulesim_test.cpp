#include "acmodulesim.h"
#include "rtuline.h"
#include "simcontrol.h"

#include <gtest/gtest.h>
#include <modbus/modbus.h>
#include <errno.h>
#include <map>

// The simulated AC/DC modules answered by libmodbus, an implementation of our own neither.
namespace {
struct Bench {
    RtuLine line;
    std::map<int, AcModuleSim*> modules;
    modbus_t* ctx = nullptr;

    Bench()
    {
        EXPECT_TRUE(line.open());
        for (int node : { 1, 2, 11 }) {
            modules[node] = new AcModuleSim(node);
            line.attach(node, modules[node]);
        }
        line.start();
        ctx = modbus_new_rtu(line.ptyPath().c_str(), 19200, 'N', 8, 1);
        EXPECT_NE(ctx, nullptr);
        EXPECT_EQ(modbus_connect(ctx), 0);
        modbus_set_response_timeout(ctx, 0, 300000);
    }
    ~Bench()
    {
        modbus_close(ctx);
        modbus_free(ctx);
        line.stop();
        for (auto& m : modules)
            delete m.second;
    }
    int read(int node, int address, int count, uint16_t* out)
    {
        modbus_set_slave(ctx, node);
        return modbus_read_registers(ctx, address, count, out);
    }
};
}

TEST(AcModuleSim, AnswersThePolledBlocks)
{
    Bench b;
    b.modules[1]->setPower(30.0);
    b.modules[1]->tick(1.0);
    uint16_t regs[40];
    ASSERT_EQ(b.read(1, 0, 40, regs), 40);
    EXPECT_NEAR(regs[0] / 10.0, 400.0, 3.0);        // Uab
    EXPECT_NEAR(regs[6] / 100.0, 50.0, 0.1);        // frequency
    const int32_t p10 = int32_t((uint32_t(regs[7]) << 16) | regs[8]);
    EXPECT_EQ(p10, 300);                             // 30.0 kW
    EXPECT_EQ(regs[36], 101);                        // software version
    EXPECT_NEAR(regs[32], 8, 1);                     // 30 kW for one second: 8.3 Wh discharged

    // The increments count from the last read.
    ASSERT_EQ(b.read(1, 0, 40, regs), 40);
    EXPECT_EQ(regs[32], 0);
    b.modules[1]->addEnergy(250.0, 1500.0);
    ASSERT_EQ(b.read(1, 0, 40, regs), 40);
    EXPECT_EQ(regs[31], 250);
    EXPECT_EQ(regs[32], 1500);
    EXPECT_EQ(b.modules[1]->reportedWh(true), 250.0);
    EXPECT_NEAR(b.modules[1]->reportedWh(false), 1508.0, 1.0);

    uint16_t state[4];
    ASSERT_EQ(b.read(1, 100, 4, state), 4);
    EXPECT_EQ(state[0] & 3, AcModuleSim::Running);
    EXPECT_EQ((state[3] >> 1) & 1, 1);               // module 1 is the system host
    EXPECT_EQ((state[3] >> 8) & 0xFF, 1);            // in branch 1

    modbus_set_slave(b.ctx, 2);
    uint16_t dc[3];
    EXPECT_EQ(modbus_read_input_registers(b.ctx, 200, 3, dc), 3);
    uint8_t bits[8];
    EXPECT_EQ(modbus_read_input_bits(b.ctx, 0, 8, bits), 8);
    EXPECT_EQ(bits[4], 1);
}

TEST(AcModuleSim, CommandsAndSettingsAct)
{
    Bench b;
    modbus_set_slave(b.ctx, 2);
    ASSERT_EQ(modbus_write_register(b.ctx, 0x1000, 0), 1);
    EXPECT_EQ(b.modules[2]->runState(), AcModuleSim::Stopped);
    ASSERT_EQ(modbus_write_register(b.ctx, 0x1000, 1), 1);
    EXPECT_EQ(b.modules[2]->runState(), AcModuleSim::Running);

    b.modules[2]->setAlarm(0, 3, true);
    ASSERT_EQ(modbus_write_register(b.ctx, 0x1001, 1), 1);   // clear faults
    EXPECT_EQ(b.modules[2]->holding(101), 0);

    uint16_t block[120];
    for (int i = 0; i < 120; ++i)
        block[i] = uint16_t(i);
    // The initial settings are answered by the second of the two blocks.
    b.modules[2]->requestInitialSettings(true);
    ASSERT_EQ(modbus_write_registers(b.ctx, 0x1300, 120, block), 120);
    EXPECT_EQ((b.modules[2]->holding(103) >> 6) & 1, 1);
    ASSERT_EQ(modbus_write_registers(b.ctx, 0x1200, 120, block), 120);
    EXPECT_EQ((b.modules[2]->holding(103) >> 6) & 1, 1);
    ASSERT_EQ(modbus_write_registers(b.ctx, 0x1300, 120, block), 120);
    EXPECT_EQ((b.modules[2]->holding(103) >> 6) & 1, 0);
    EXPECT_EQ(b.modules[2]->initialSettingsAnswered(), 1);
    // The blocks are the parameters 71.. and 261.. in order; a later single write replaces one.
    EXPECT_EQ(b.modules[2]->parameter(71), 0);
    EXPECT_EQ(b.modules[2]->parameter(156), 85);
    EXPECT_EQ(b.modules[2]->parameter(380), 119);
    ASSERT_EQ(modbus_write_register(b.ctx, AcModuleSim::PARAMETERS + 156, 7), 1);
    EXPECT_EQ(b.modules[2]->parameter(156), 7);
    EXPECT_EQ(b.modules[2]->parameter(157), 86);
    const auto writes = b.modules[2]->writes();
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(writes[0], "6 4096 0");

    // A fault record read answers the request.
    b.modules[2]->requestFaultRecord(1);
    // (libmodbus reads at most 125 registers; the link asks for 126.)
    uint16_t record[125];
    ASSERT_EQ(b.read(2, 0x2000, 125, record), 125);
    EXPECT_EQ(record[1], 2001);
    EXPECT_EQ((b.modules[2]->holding(103) >> 4) & 3, 0);
}

TEST(AcModuleSim, InjectedFaults)
{
    Bench b;
    std::map<int, AcModuleSim*> ms = b.modules;
    SimControl control(&b.line, &ms);
    uint16_t regs[4];
    struct Case { const char* command; const char* undo; int expectErrno; } cases[] = {
        { "ac 1 silent 1", "ac 1 silent 0", ETIMEDOUT },
        { "ac 1 exception 4", "ac 1 exception 0", EMBXSFAIL },
        { "ac 1 badcrc 1", "ac 1 badcrc 0", EMBBADCRC },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(control.command(c.command), "") << c.command;
        errno = 0;
        EXPECT_EQ(b.read(1, 100, 4, regs), -1) << c.command;
        EXPECT_EQ(errno, c.expectErrno) << c.command;
        modbus_flush(b.ctx);
        EXPECT_EQ(control.command(c.undo), "");
        EXPECT_EQ(b.read(1, 100, 4, regs), 4) << c.undo;
    }
    EXPECT_NE(control.command("ac 9 silent 1"), "");
    EXPECT_NE(control.command("ac 1 state nowhere"), "");
    EXPECT_EQ(control.command("ac 1 state fault"), "");
    EXPECT_EQ(ms[1]->runState(), AcModuleSim::Faulted);
}
