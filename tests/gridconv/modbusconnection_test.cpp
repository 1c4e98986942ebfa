#include "modbusconnection.h"

#include "acconfigfixture.h"
#include "modbusslaves.h"
#include "ptypair.h"
#include "runtimetree.h"
#include "serial.h"
#include "timeseam.h"

#include <functional>
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <string>
#include <vector>

using cp::ModbusConnection;
typedef ModbusConnection::Expression Expression;

namespace {

const char* kPath = "../conf/acconfig.pdu";

const ModbusConnection::DataSignal& data(const ModbusConnection& c, int id)
{
    static ModbusConnection::DataSignal none;
    auto it = c.dataSignals().find(id);
    EXPECT_NE(it, c.dataSignals().end()) << "signal " << id;
    return it == c.dataSignals().end() ? none : *it->second;
}

std::string repeat(const std::string& s, int n, const std::string& sep)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += (i ? sep : "") + s;
    return out;
}

}

TEST(ModbusConnectionLoad, SampleTablesUseEverySectionAndLoad)
{
    RuntimeTree tree(true);
    ModbusConnection c(kPath, nullptr, 1, false);
    ASSERT_EQ(c.open(), 1);
    EXPECT_EQ(c.getState(), 1);
    EXPECT_EQ(c.getBlockCount(), 6);
    EXPECT_EQ(c.getCrcOrder(), 1);
    EXPECT_EQ(c.dataSignals().size(), 104u + 2 + 2 + 5 + 3 + 1);
    // Copies from the templates of each mode.
    EXPECT_EQ(data(c, 7).dataIndex, 205);
    EXPECT_EQ(data(c, 7).offset, 13);
    EXPECT_EQ(data(c, 41).dataIndex, 141);
    EXPECT_EQ(data(c, 41).offset, 57);
    EXPECT_EQ(data(c, 75).block, 5);
    EXPECT_EQ(data(c, 75).dataIndex, 35);
    EXPECT_EQ(data(c, 75).bit, 2);
    EXPECT_EQ(data(c, 301).dataIndex, 286);
    EXPECT_EQ(data(c, 301).block, -1);
    EXPECT_EQ(data(c, 101).dataIndex, -1);
    ASSERT_EQ(c.ctrlSignals().count(401), 1u);
    EXPECT_EQ(c.ctrlSignals().at(401)->fun, 3);
    EXPECT_EQ(c.ctrlSignals().at(401)->address, 0x2000);
    EXPECT_EQ(c.ctrlSignals().at(401)->value, 126);
    ASSERT_EQ(c.settingSignals().count(70), 1u);
    const ModbusConnection::SettingSignal& s = *c.settingSignals().at(70);
    EXPECT_EQ(s.fun, 16);
    EXPECT_EQ(s.count, 2);
    EXPECT_EQ(s.type, 2);
    ASSERT_EQ(c.settingSignals().count(156), 1u);
    EXPECT_EQ(c.settingSignals().at(156)->address, 0x1400 + 156);
    EXPECT_EQ(c.settingSignals().at(60)->partCount, 0);
    EXPECT_EQ(c.eventSignals().size(), 7u + 3 + 4);
    EXPECT_EQ(c.getEventLevel(13), 2);
    EXPECT_EQ(c.getEventLevel(25), 3);
    EXPECT_EQ(c.getEventLevel(99), -1);
    std::map<int, float> values;
    c.getData(values);
    for (int idx : { 0, 4, 9, 16, 122, 136, 141, 144, 174, 186, 286, 290 })
        EXPECT_EQ(values.count(idx), 1u) << idx;

    EXPECT_EQ(c.open(), 0) << "loads once";
    c.close();
    EXPECT_EQ(c.open(), 0) << "a closed connection stays closed";
}

TEST(ModbusConnectionLoad, RowsAndTemplatesBuildTheModel)
{
    RuntimeTree tree;
    tree.writeFile("conf/acconfig.pdu", smallTables());
    ModbusConnection c(kPath, nullptr, 1, false);
    ASSERT_EQ(c.open(), 1);
    EXPECT_EQ(c.getBlockCount(), 3);
    EXPECT_EQ(c.getCrcOrder(), 1) << "the flag is kept as 0 or 1";

    const ModbusConnection::DataSignal& v = data(c, 5);
    EXPECT_EQ(v.dataIndex, 7);
    EXPECT_EQ(v.block, 0);
    EXPECT_EQ(v.offset, 9);
    EXPECT_EQ(v.type, 8);
    EXPECT_EQ(v.divisor, 10);
    EXPECT_EQ(v.bit, -1);
    const ModbusConnection::DataSignal& bit = data(c, 6);
    EXPECT_EQ(bit.bit, 6);
    EXPECT_EQ(bit.divisor, 1);
    EXPECT_EQ(data(c, 40).divisor, 1) << "divisor 0 is taken as 1";

    struct Copy {
        int id, dataIndex, block, offset;
    } copies[] = {
        { 42, 42, 2, 3 },    // mode 0: next block
        { 43, -1, 2, 5 },    // an unpublished template stays unpublished
        { 22, 52, 0, 13 },   // mode 1: next register
        { 23, -1, 0, 15 },
        { 24, 54, 0, 15 },
        { 25, -1, 0, 17 },
        { 32, 64, -1, -1 },  // mode 2
        { 33, -1, -1, -1 },
    };
    for (const Copy& cp : copies) {
        const ModbusConnection::DataSignal& s = data(c, cp.id);
        EXPECT_EQ(s.dataIndex, cp.dataIndex) << cp.id;
        EXPECT_EQ(s.block, cp.block) << cp.id;
        EXPECT_EQ(s.offset, cp.offset) << cp.id;
    }
    // Mode 2 moved the expression's signals by 12.
    ASSERT_NE(data(c, 32).expressions[0], nullptr);
    EXPECT_EQ(data(c, 32).expressions[0][0].id, 17);
    EXPECT_EQ(data(c, 32).expressions[0][1].id, 18);

    // Event copies: the tested signal moves by the step; the level is the template's.
    ASSERT_EQ(c.eventSignals().size(), 5u);
    EXPECT_EQ(c.eventSignals().at(11)->expressions[0][0].id, 7);
    EXPECT_EQ(c.eventSignals().at(12)->expressions[0][0].id, 8);
    EXPECT_EQ(c.getEventLevel(12), 2);
    EXPECT_EQ(c.eventSignals().at(20)->active, 1) << "level 1 starts active";
    EXPECT_EQ(c.eventSignals().at(10)->active, 0);
    EXPECT_EQ(c.eventSignals().at(20)->expressions[0][0].id, (int)ModbusConnection::NONE_ID);

    std::map<int, float> values;
    c.getData(values);
    std::vector<int> keys;
    for (auto& kv : values)
        keys.push_back(kv.first);
    EXPECT_EQ(keys, (std::vector<int>{ 0, 7, 8, 40, 42, 50, 52, 54, 60, 64, 70 }));
}

TEST(ModbusConnectionLoad, TemplateStepMovesOnlyRealSignalIds)
{
    RuntimeTree tree;
    std::string t = replaced(smallTables(), "6\t10\tflag alarm\t(D6=1)\t2\n", "6\t10\tflag alarm\t*\t2\n");
    tree.writeFile("conf/acconfig.pdu", t);
    ModbusConnection c(kPath, nullptr, 1, false);
    ASSERT_EQ(c.open(), 1);
    EXPECT_EQ(c.eventSignals().at(12)->expressions[0][0].id, (int)ModbusConnection::END_ID);
}

// Every copy of a template in modes 0 and 1 holds the expression the source's text compiles to
// (bare values test the source signal), alternatives and conditions whole.
TEST(ModbusConnectionLoad, EveryTemplateCopyCompilesTheSourceExpression)
{
    const char* text = "(D5=1)&(D6=0)|(D7=2)/3/-1";
    std::string t = replaced(smallTables(), "20\t21\t2\t1\n", "20\t21\t3\t1\n");
    t = replaced(t, "20\t50\tphase\t0/11/0/1\t-1\n", std::string("20\t50\tphase\t0/11/0/1\t") + text + "\n");
    RuntimeTree tree;
    tree.writeFile("conf/acconfig.pdu", t);
    ModbusConnection c(kPath, nullptr, 1, false);
    ASSERT_EQ(c.open(), 1);

    Expression* want[ModbusConnection::MAX_EXPRESSIONS];
    std::vector<char> buf(text, text + strlen(text) + 1);
    ASSERT_EQ(ModbusConnection::parseExpression(buf.data(), want, sizeof want, 20, 16), 0);
    const int lengths[] = { 3, 1, 1 };
    for (int id : { 20, 22, 24, 26 }) {
        const ModbusConnection::DataSignal& s = data(c, id);
        for (int a = 0; a < 3; ++a) {
            ASSERT_NE(s.expressions[a], nullptr) << id << " alternative " << a;
            for (int j = 0; j < lengths[a]; ++j) {
                EXPECT_EQ(s.expressions[a][j].id, want[a][j].id) << id << " " << a << "/" << j;
                EXPECT_EQ(s.expressions[a][j].op, want[a][j].op) << id << " " << a << "/" << j;
                EXPECT_EQ(s.expressions[a][j].value, want[a][j].value) << id << " " << a << "/" << j;
            }
        }
        EXPECT_EQ(s.expressions[3], nullptr) << id;
    }
    ModbusConnection::freeExpressions(want, ModbusConnection::MAX_EXPRESSIONS);
    EXPECT_EQ(data(c, 26).dataIndex, 56);
}

TEST(ModbusConnectionLoad, FilesBreakingABoundAreRefused)
{
    const std::string base = smallTables();
    const std::string name300(300, 'n');
    struct Case {
        const char* name;
        std::string from, to;
    } cases[] = {
        { "nine data templates", "[DATA_EXPAND_NUM]\n3\n", "[DATA_EXPAND_NUM]\n9\n" },
        { "negative template count", "[DATA_EXPAND_NUM]\n3\n", "[DATA_EXPAND_NUM]\n-1\n" },
        { "32 poll blocks",
            "3/3/4\t0/100/200\t50/20/2\t5", repeat("3", 32, "/") + "\t" + repeat("0", 32, "/") + "\t" + repeat("1", 32, "/") + "\t1" },
        { "poll list over 127 characters",
            "3/3/4\t0/100/200\t50/20/2\t5", "3/3/4\t" + std::string(130, '0') + "/100/200\t50/20/2\t5" },
        { "unequal poll lists", "3/3/4\t0/100/200\t50/20/2\t5", "3/3/4\t0/100\t50/20/2\t5" },
        { "a poll block that writes", "3/3/4\t0/100/200", "3/6/4\t0/100/200" },
        { "a block too big for one reply", "50/20/2", "50/200/2" },
        // Counts whose reply size would overflow an int.
        { "a register count past the int range", "50/20/2", "1105788927/20/2" },
        { "a coil count past the int range", "3/3/4\t0/100/200\t50/20/2", "1/3/4\t0/100/200\t2147483647/20/2" },
        { "signal in a block that does not exist", "5\t7\tvoltage\t0/9/8/10", "5\t7\tvoltage\t3/9/8/10" },
        { "template copy past the last block", "40\t41\t1\t0\n", "40\t41\t2\t0\n" },
        { "template of a missing signal", "20\t21\t2\t1\n", "20\t22\t2\t1\n" },
        { "data template mode 3", "30\t31\t1\t2\n", "30\t31\t1\t3\n" },
        { "backwards template", "30\t31\t1\t2\n", "31\t30\t1\t2\n" },
        // Ids from 10000 on end an expression's alternatives: no signal can be named there,
        // and a damaged copy count must not make millions of signals.
        { "data template past id 9999", "20\t21\t2\t1\n", "20\t21\t5000\t1\n" },
        { "event template past id 9999", "10\t10\t2\t0\t1\n", "10\t10\t10000\t0\t1\n" },
        { "name of 300 characters", "\tvoltage\t", "\t" + name300 + "\t" },
        { "expression of 300 characters", "(D12=1)&(D13=0)/(D12=2)/*", "(D12=1)" + std::string(293, ' ') },
        { "33 alternatives", "(D12=1)&(D13=0)/(D12=2)/*", repeat("(D12=1)", 33, "/") },
        { "65 conditions", "(D12=1)&(D13=0)/(D12=2)/*", repeat("D1=1", 65, "&") },
        { "33 setting parts", "0/-1/40\t0\t10", repeat("0", 33, "/") + "\t0\t10" },
        { "part list over 127 characters", "0/-1/40\t0\t10", repeat("40", 43, "/") + "\t0\t10" },
        { "nine event templates", "[EVENT_EXPAND_NUM]\n1\n", "[EVENT_EXPAND_NUM]\n9\n" },
        { "event template mode 1", "10\t10\t2\t0\t1\n", "10\t10\t2\t1\t1\n" },
        { "event template of a missing event", "10\t10\t2\t0\t1\n", "10\t11\t2\t0\t1\n" },
        { "event expression with 33 alternatives", "(D6=1)\t2", repeat("(D6=1)", 33, "/") + "\t2" },
        { "missing template header", "[DATA_EXPAND]\n", "\n" },
        { "fewer rows than counted", "[DATA_SIGNAL_NUM]\n11\n", "[DATA_SIGNAL_NUM]\n40\n" },
        { "unreadable command count", "[CTRL_SIGNAL_NUM]\n2\n", "[CTRL_SIGNAL_NUM]\n" },
    };
    for (const Case& k : cases) {
        std::string text = replaced(base, k.from, k.to);
        ASSERT_NE(text, base) << k.name;
        RuntimeTree tree;
        tree.writeFile("conf/acconfig.pdu", text);
        ModbusConnection c(kPath, nullptr, 1, false);
        EXPECT_EQ(c.open(), 0) << k.name;
        EXPECT_EQ(c.getState(), 0) << k.name;
    }
    RuntimeTree tree;
    ModbusConnection missing(kPath, nullptr, 1, false);
    EXPECT_EQ(missing.open(), 0);
}

TEST(ModbusConnectionExpression, CompileAndEvaluate)
{
    RuntimeTree tree;
    tree.writeFile("conf/acconfig.pdu", smallTables());
    ModbusConnection c(kPath, nullptr, 1, false);
    ASSERT_EQ(c.open(), 1);
    ModbusConnection::DataSignal* s12 = c.dataSignals().at(12);
    ModbusConnection::DataSignal* s13 = c.dataSignals().at(13);
    struct Case {
        const char* text;
        int base;
        float v12, v13;
        int result;
    } cases[] = {
        { "(D12=1)&(D13=0)/(D12=2)/*", 16, 1, 0, 0 },
        { "(D12=1)&(D13=0)/(D12=2)/*", 16, 2, 0, 1 },
        { "(D12=1)&(D13=0)/(D12=2)/*", 16, 1, 1, 2 },
        { "D12=1&D13=0/D12=2", 16, 5, 0, -1 },
        { "D12=1&D13=0/D12=2", 16, 2.9f, 0, 1 },
        { "*", 16, 0, 0, 0 },
        { "-1", 16, 0, 0, ModbusConnection::NONE_ID },
        { "(D12=A)", 16, 10, 0, 0 },
        { "(D12=10)", 10, 10, 0, 0 },
        { "(D12=10)", 16, 10, 0, -1 },
        { "1/*", 16, 1, 0, 0 },
        { "1/*", 16, 7, 0, 1 },
        { "(D12=1)|(D13=1)", 16, 0, 1, 0 },
        { "(D12=1)|(D13=1)", 16, 0, 0, -1 },
        { "(D99=1)/*", 16, 0, 0, 1 },
        { "(X=1)/*", 16, 0, 0, 1 },
        { "(D12=1)&-1", 16, 1, 0, ModbusConnection::NONE_ID },
        { "(D12=1)/", 16, 0, 0, 1 },
    };
    for (const Case& k : cases) {
        Expression* out[ModbusConnection::MAX_EXPRESSIONS];
        std::vector<char> text(k.text, k.text + strlen(k.text) + 1);
        ASSERT_EQ(ModbusConnection::parseExpression(text.data(), out, sizeof out, 12, k.base), 0) << k.text;
        s12->value = k.v12;
        s13->value = k.v13;
        EXPECT_EQ(c.evalExpression(out, sizeof out, false), k.result) << k.text << " D12=" << k.v12 << " D13=" << k.v13;
        ModbusConnection::freeExpressions(out, ModbusConnection::MAX_EXPRESSIONS);
    }

    Expression* out[4];
    char ok[] = "1";
    char empty[] = "";
    EXPECT_EQ(ModbusConnection::parseExpression(nullptr, out, sizeof out, 1, 10), -1);
    EXPECT_EQ(ModbusConnection::parseExpression(empty, out, sizeof out, 1, 10), -1);
    EXPECT_EQ(ModbusConnection::parseExpression(ok, nullptr, sizeof out, 1, 10), -1);
    EXPECT_EQ(ModbusConnection::parseExpression(ok, out, 4, 1, 10), -1) << "less than one pointer";
    EXPECT_EQ(ModbusConnection::parseExpression(ok, out, sizeof out, -1, 10), -1);
    EXPECT_EQ(ModbusConnection::parseExpression(ok, out, sizeof out, 1, 0), -1);
    // Four slots are four alternatives, whatever the size of a pointer.
    char four[] = "1/2/3/*";
    EXPECT_EQ(ModbusConnection::parseExpression(four, out, sizeof out, 1, 10), 0);
    ModbusConnection::freeExpressions(out, 4);
    char five[] = "1/2/3/4/*";
    EXPECT_EQ(ModbusConnection::parseExpression(five, out, sizeof out, 1, 10), -2);
    for (Expression* e : out)
        EXPECT_EQ(e, nullptr);
    EXPECT_EQ(c.evalExpression(nullptr, 8, false), -1);
}

TEST(ModbusConnectionExpression, SymbolsAndShifts)
{
    char text[] = "(D1=1)&(D2=2)|(D3=3)";
    char sep[] = "&|";
    EXPECT_EQ(ModbusConnection::getSymbol(text, sep, 0), '&');
    EXPECT_EQ(ModbusConnection::getSymbol(text, sep, 1), '|');
    EXPECT_EQ(ModbusConnection::getSymbol(text, sep, 2), -1);
    std::string out = "x";
    char e[] = "(D90=0)&(D91=0)/D7=12/*";
    ModbusConnection::expandExpression(e, out, 12);
    EXPECT_EQ(out, "x(D102=0)&(D103=0)/D19=12/*");
}

// ------------------------------------------------------------------ transactions on a pty

namespace {

// How long the link waits for the first byte of a reply. The slaves play on threads of their
// own, which a loaded host may wake late: a reply that comes ends the wait at once, so only
// the transactions left unanswered on purpose pay for the margin.
const int kReplyWaitMs = 1000;

// Bounded waits for what a slave thread saw: a passing wait ends at once.
bool waitUntil(const std::function<bool()>& done, int ms = 10000)
{
    for (int waited = 0; !done(); waited += 2) {
        if (waited >= ms)
            return false;
        usleep(2000);
    }
    return true;
}

// The link's runtime tree, the pty and the connection under test, on small tables.
struct Bus {
    RuntimeTree tree;
    PtyPair pty;
    cp::Serial serial;
    ModbusConnection conn;

    explicit Bus(int node = 1, int timeoutMs = kReplyWaitMs, bool trace = false, const std::string& tables = smallTables())
        : pty(tree), serial("/dev/ttySAC1", "19200,n,8,1", timeoutMs, 10),
          conn(kPath, &serial, node, trace)
    {
        tree.writeFile("conf/acconfig.pdu", tables);
        EXPECT_EQ(conn.open(), 1);
    }
    std::map<int, float> values()
    {
        std::map<int, float> v;
        conn.getData(v);
        return v;
    }
    float status() { return conn.dataSignals().at(0)->value; }
};

// A read reply for any read request of node 1, with register r holding base + r.
Bytes readReply(const Bytes& req, int base = 0, bool swapped = false)
{
    int count = req[4] << 8 | req[5];
    int start = req[2] << 8 | req[3];
    Bytes r{ req[0], req[1], (unsigned char)(2 * count) };
    for (int i = 0; i < count; ++i) {
        int v = base + start + i;
        r.push_back((unsigned char)(v >> 8));
        r.push_back((unsigned char)v);
    }
    return withCrc(r, swapped);
}

uint16_t reg(const std::vector<unsigned char>& b, int at)
{
    return (uint16_t)(b[at] << 8 | b[at + 1]);
}

}

TEST(ModbusConnectionBus, PollsBlocksAndDecodesAgainstLibmodbus)
{
    Bus bus;
    LibmodbusSlave slave(bus.pty.master, 1);
    slave.map->tab_registers[0] = 0x4000;    // bit 6 of the first byte
    slave.map->tab_registers[3] = 2305;
    slave.map->tab_registers[4] = 7;
    slave.map->tab_registers[5] = 8;
    slave.map->tab_registers[6] = 9;
    slave.map->tab_registers[100] = (uint16_t)-5;
    slave.map->tab_input_registers[200] = 12;

    EXPECT_EQ(bus.conn.process(false), 1);
    EXPECT_EQ(bus.conn.getState(), 2);
    EXPECT_TRUE(bus.conn.getLastResult());
    std::map<int, float> v = bus.values();
    EXPECT_FLOAT_EQ(v[7], 230.5f);
    EXPECT_EQ(v[8], 1.0f);
    EXPECT_EQ(v[40], -5.0f);
    EXPECT_EQ(v[42], 12.0f) << "template copy reads the next block";
    EXPECT_EQ(v[50], 7.0f);
    EXPECT_EQ(v[52], 8.0f);
    EXPECT_EQ(v[54], 9.0f);
    EXPECT_EQ(v[60], 1.0f) << "first alternative fails, the star matches";
    EXPECT_EQ(v[0], 0.0f);
    EXPECT_EQ(v[1], 0.0f) << "the alarm is not yet confirmed";

    unsigned char rx[4096];
    int n = bus.conn.getRxbuff(rx);
    EXPECT_EQ(n, 5 + 4) << "last reply: the input register block";
    EXPECT_EQ(rx[1], 4);
}

TEST(ModbusConnectionBus, SettingsAndCommandsLandInTheSlave)
{
    Bus bus;
    LibmodbusSlave slave(bus.pty.master, 1);
    slave.map->tab_registers[100] = (uint16_t)-5;
    ASSERT_EQ(bus.conn.process(false), 1);

    EXPECT_EQ(bus.conn.control(60, 12.5f, nullptr, 0, false), 1);
    EXPECT_EQ(slave.map->tab_registers[0x1100], 125);
    EXPECT_EQ(bus.conn.control(60, -3.0f, nullptr, 0, false), 1);
    EXPECT_EQ(slave.map->tab_registers[0x1100], (uint16_t)-30);
    EXPECT_EQ(bus.conn.control(1, 0.0f, nullptr, 0, false), 1) << "a command writes its own word";
    EXPECT_EQ(slave.map->tab_registers[0x1000], 1);
    // New value, a zero and the current value of index 40, each scaled as a 16-bit word.
    EXPECT_EQ(bus.conn.control(80, 3.0f, nullptr, 0, false), 1);
    EXPECT_EQ(slave.map->tab_registers[0x1120], 30);
    EXPECT_EQ(slave.map->tab_registers[0x1121], 0);
    EXPECT_EQ(slave.map->tab_registers[0x1122], (uint16_t)-5);
    EXPECT_EQ(bus.conn.control(81, -2.0f, nullptr, 0, false), 1);
    EXPECT_EQ(slave.map->tab_registers[0x1130], 0xFFFF);
    EXPECT_EQ(slave.map->tab_registers[0x1131], 0xFFFE);

    // A raw block of 240 bytes goes out as 120 registers.
    std::vector<char> raw(240);
    for (int i = 0; i < 240; ++i)
        raw[i] = (char)(i + 1);
    EXPECT_EQ(bus.conn.control(80, 0.0f, raw.data(), 240, false), 1);
    EXPECT_EQ(slave.map->tab_registers[0x1120], 0x0102);
    EXPECT_EQ(slave.map->tab_registers[0x1120 + 119], (239 << 8 | 240) & 0xFFFF);

    // A read command fetches its block; the reply is kept for the caller.
    for (int i = 0; i < 125; ++i)
        slave.map->tab_registers[0x2000 + i] = (uint16_t)(1000 + i);
    EXPECT_EQ(bus.conn.control(401, 0.0f, nullptr, 0, false), 1);
    unsigned char rx[4096];
    ASSERT_EQ(bus.conn.getRxbuff(rx), 5 + 250);
    EXPECT_EQ(reg(std::vector<unsigned char>(rx, rx + 255), 3), 1000);
    EXPECT_EQ(reg(std::vector<unsigned char>(rx, rx + 255), 3 + 248), 1124);

    EXPECT_EQ(bus.conn.control(99, 1.0f, nullptr, 0, false), 1) << "address FFFF: nothing sent";
    EXPECT_EQ(bus.conn.control(7777, 1.0f, nullptr, 0, false), 0);
    EXPECT_EQ(bus.conn.control(-1, 1.0f, nullptr, 0, false), 0);
    EXPECT_EQ(bus.conn.control(1, 1.0f, raw.data(), 4, false), 0) << "raw data for a command";
    EXPECT_EQ(bus.conn.control(80, 1.0f, raw.data(), 0, false), 0);
    EXPECT_EQ(bus.conn.control(80, 1.0f, raw.data(), 300, false), 0);
    // Values that do not fit are refused, not wrapped.
    EXPECT_EQ(bus.conn.control(60, NAN, nullptr, 0, false), 0);
    EXPECT_EQ(bus.conn.control(60, 1e6f, nullptr, 0, false), 0);
    EXPECT_EQ(bus.conn.control(80, 1e6f, nullptr, 0, false), 0);
    EXPECT_EQ(slave.map->tab_registers[0x1100], (uint16_t)-30);
}

TEST(ModbusConnectionBus, LinkStatusAtFirstFailureThenFiveSecondsAfterAGoodReply)
{
    TimeSeam::useFakeClock(true);
    Bus bus;
    LibmodbusSlave slave(bus.pty.master, 1);
    slave.mute = true;
    // Never answered since start: the first failed transaction reports the fault.
    EXPECT_EQ(bus.conn.process(false), 1);
    EXPECT_FALSE(bus.conn.getLastResult());
    EXPECT_EQ(bus.values()[0], 1.0f);

    slave.mute = false;
    bus.conn.process(false);
    EXPECT_EQ(bus.values()[0], 0.0f);
    slave.mute = true;
    bus.conn.process(false);
    EXPECT_EQ(bus.values()[0], 0.0f) << "an outage is reported only after 5 s";
    TimeSeam::advanceMs(4000);
    bus.conn.process(false);
    EXPECT_EQ(bus.values()[0], 0.0f);
    // A step of the wall clock is no elapsed time.
    TimeSeam::setWallTime(TimeSeam::wallTime() + 86400);
    bus.conn.process(false);
    EXPECT_EQ(bus.values()[0], 0.0f);
    TimeSeam::advanceMs(1000);
    bus.conn.process(false);
    EXPECT_EQ(bus.values()[0], 1.0f);
    slave.mute = false;
    bus.conn.process(false);
    EXPECT_EQ(bus.values()[0], 0.0f);
    TimeSeam::useFakeClock(false);
}

TEST(ModbusConnectionBus, LostNodeGetsOneAttemptUntilItAnswers)
{
    Bus bus(3);
    std::atomic<bool> good{ false };
    ScriptedSlave slave(bus.pty.master, [&](const Bytes& req, ScriptedSlave& s) {
        Bytes r = readReply(req);
        if (!good)
            r.back() ^= 0xFF;
        s.send(r);
    });
    // Every request is answered, so the slave has read them all by the time the call returns.
    auto requestsFor = [&](std::function<void()> f) {
        int before = slave.requests();
        f();
        return slave.requests() - before;
    };
    EXPECT_EQ(requestsFor([&] { bus.conn.control(60, 1.0f, nullptr, 0, false); }), 3);
    EXPECT_EQ(requestsFor([&] { bus.conn.control(60, 1.0f, nullptr, 0, false); }), 1) << "marked lost";
    EXPECT_EQ(requestsFor([&] { bus.conn.control(60, 1.0f, nullptr, 0, false); }), 1);
    good = true;
    EXPECT_EQ(requestsFor([&] { bus.conn.process(false); }), 3) << "three blocks, first attempt each";
    good = false;
    EXPECT_EQ(requestsFor([&] { bus.conn.control(60, 1.0f, nullptr, 0, false); }), 3) << "the mark was cleared";
}

TEST(ModbusConnectionBus, AFailedBlockStopsTheCycle)
{
    Bus bus;
    std::atomic<int> base{ 0 };
    std::atomic<bool> failSecond{ false };
    ScriptedSlave slave(bus.pty.master, [&](const Bytes& req, ScriptedSlave& s) {
        if (failSecond && req[2] == 0 && req[3] == 100)
            return;
        s.send(readReply(req, base));
    });
    bus.conn.process(false);
    std::map<int, float> v = bus.values();
    EXPECT_EQ(v[7], 0.3f);
    EXPECT_EQ(v[42], 200.0f);
    base = 1000;
    failSecond = true;
    int before = slave.requests();
    bus.conn.process(false);
    // The last request goes unanswered: the slave may still be reading it.
    EXPECT_TRUE(waitUntil([&] { return slave.requests() - before >= 1 + 3; }));
    EXPECT_EQ(slave.requests() - before, 1 + 3) << "block 0 once, block 1 three times, block 2 never";
    std::vector<Bytes> seen = slave.seen();
    ASSERT_EQ(seen.size(), 3u + 4u);
    for (size_t i = 3; i < seen.size(); ++i)
        EXPECT_EQ(seen[i][1], 3) << "no input-register request after the failed block";
    v = bus.values();
    EXPECT_FLOAT_EQ(v[7], 100.3f) << "block 0 decoded afresh";
    EXPECT_EQ(v[40], 100.0f) << "block 1 keeps its last values";
    EXPECT_EQ(v[42], 200.0f) << "block 2 decoded from its last reply";
    EXPECT_FALSE(bus.conn.getLastResult());
}

TEST(ModbusConnectionBus, RepliesOnlyAScriptedSlaveSends)
{
    struct Case {
        const char* name;
        int order;   // CRC order of the tables
        std::function<void(const Bytes&, ScriptedSlave&)> answer;
        bool accepted;
    } cases[] = {
        { "swapped CRC under swapped order", 0, [](const Bytes& q, ScriptedSlave& s) { s.send(readReply(q, 0, true)); }, true },
        { "standard CRC under swapped order", 0, [](const Bytes& q, ScriptedSlave& s) { s.send(readReply(q)); }, false },
        { "wrong byte count, good CRC", 1,
            [](const Bytes& q, ScriptedSlave& s) { Bytes r = readReply(q); r.resize(r.size() - 4); r[2] -= 2; s.send(withCrc(r)); }, false },
        // Either side of the 20 ms that end a reply, each far from it: the short gap is kept
        // busy rather than slept, the long one outlasts a late wake-up of the link's thread.
        { "reply in two pieces 2 ms apart", 1,
            [](const Bytes& q, ScriptedSlave& s) {
                Bytes r = readReply(q);
                s.send(Bytes(r.begin(), r.begin() + 4));
                spinUs(2000);
                s.send(Bytes(r.begin() + 4, r.end()));
            },
            true },
        { "reply in two pieces 300 ms apart", 1,
            [](const Bytes& q, ScriptedSlave& s) {
                Bytes r = readReply(q);
                s.send(Bytes(r.begin(), r.begin() + 4));
                usleep(300000);
                s.send(Bytes(r.begin() + 4, r.end()));
            },
            false },
        { "late write echo alone", 1,
            [](const Bytes& q, ScriptedSlave& s) { s.send(withCrc({ q[0], 0x06, 0x11, 0x00, 0x00, 0x7D })); }, false },
        { "late write echo, then the reply", 1,
            [](const Bytes& q, ScriptedSlave& s) {
                Bytes r = withCrc({ q[0], 0x06, 0x11, 0x00, 0x00, 0x7D });
                Bytes a = readReply(q);
                r.insert(r.end(), a.begin(), a.end());
                s.send(r);
            },
            true },
        { "exception", 1, [](const Bytes& q, ScriptedSlave& s) { s.send(withCrc({ q[0], (unsigned char)(q[1] | 0x80), 2 })); }, false },
    };
    for (const Case& k : cases) {
        std::string tables = replaced(smallTables(), "50/20/2\t5", k.order ? "50/20/2\t1" : "50/20/2\t0");
        Bus bus(1, kReplyWaitMs, false, tables);
        ScriptedSlave slave(bus.pty.master, k.answer);
        bus.conn.process(false);
        EXPECT_EQ(bus.conn.getLastResult(), k.accepted) << k.name;
        if (k.accepted)
            EXPECT_EQ(bus.values()[42], 200.0f) << k.name;
        else
            EXPECT_EQ(bus.values()[7], 0.0f) << k.name;
    }
}

TEST(ModbusConnectionBus, WriteRepliesTakeTheStandardCrcOrder)
{
    std::string tables = replaced(smallTables(), "50/20/2\t5", "50/20/2\t0");
    Bus bus(1, kReplyWaitMs, false, tables);
    std::atomic<bool> standard{ true };
    ScriptedSlave slave(bus.pty.master, [&](const Bytes& q, ScriptedSlave& s) {
        // The request itself carries the swapped CRC of its tables.
        unsigned c = modbusCrc(q.data(), q.size() - 2);
        EXPECT_EQ(q[q.size() - 2], c >> 8);
        if (q[1] == 16)
            s.send(withCrc(Bytes(q.begin(), q.begin() + 6), !standard));
        else
            s.send(withCrc(Bytes(q.begin(), q.begin() + 6), true));
    });
    EXPECT_EQ(bus.conn.control(60, 1.0f, nullptr, 0, false), 1);
    EXPECT_EQ(bus.conn.control(81, 1.0f, nullptr, 0, false), 1);
    standard = false;
    EXPECT_EQ(bus.conn.control(81, 1.0f, nullptr, 0, false), 0);
}

TEST(ModbusConnectionBus, InterruptEndsTheCycleWithoutCountingAFailure)
{
    Bus bus;
    std::atomic<bool> silent{ true };
    ScriptedSlave slave(bus.pty.master, [&](const Bytes& q, ScriptedSlave& s) {
        if (silent) {
            // A setting arrives while the first attempt waits for its reply.
            ModbusConnection::interruptEventFlag = 1;
            return;
        }
        s.send(q[1] == 6 ? q : readReply(q));
    });
    EXPECT_EQ(bus.conn.process(false), 0);
    EXPECT_TRUE(waitUntil([&] { return slave.requests() >= 1; }));
    EXPECT_EQ(slave.requests(), 1);
    EXPECT_EQ(bus.status(), 0.0f) << "no link failure";
    // The write goes out at once and clears the flag.
    silent = false;
    bus.conn.setInterruptEvent();
    EXPECT_EQ(bus.conn.control(60, 1.0f, nullptr, 0, false), 1);
    EXPECT_EQ(ModbusConnection::interruptEventFlag.load(), 0);
    bus.conn.setInterruptEvent();
    EXPECT_EQ(bus.conn.process(false), 1) << "cleared at the start of a cycle";
    EXPECT_EQ(ModbusConnection::getInterruptEvent(), 0);
}

TEST(ModbusConnectionBus, EventsNeedTwoCyclesAndFiveSeconds)
{
    TimeSeam::useFakeClock(true);
    Bus bus;
    LibmodbusSlave slave(bus.pty.master, 1);
    auto flag = [&](bool on) {
        std::lock_guard<std::mutex> g(slave.lock);
        slave.map->tab_registers[0] = on ? 0x4000 : 0;
    };
    std::map<int, int> ev;
    auto active = [&](int id) {
        bus.conn.getEvent(ev);
        return ev[id];
    };
    flag(true);
    bus.conn.process(false);
    TimeSeam::advanceMs(4000);
    bus.conn.process(false);
    EXPECT_EQ(active(10), 0) << "4 s are not enough";
    TimeSeam::setWallTime(TimeSeam::wallTime() + 3600);
    bus.conn.process(false);
    EXPECT_EQ(active(10), 0) << "a clock step is not elapsed time";
    flag(false);
    bus.conn.process(false);
    flag(true);
    bus.conn.process(false);
    TimeSeam::advanceMs(5000);
    bus.conn.process(false);
    EXPECT_EQ(active(10), 1);
    EXPECT_EQ(bus.values()[1], 1.0f) << "summary: alarm";
    EXPECT_EQ(active(1), 0);
    flag(false);
    bus.conn.process(false);
    EXPECT_EQ(active(10), 0) << "clears in the first cycle without its condition";
    EXPECT_EQ(bus.values()[1], 0.0f);

    // The link event follows the status signal every cycle; it is a fault.
    slave.mute = true;
    bus.conn.process(false);
    TimeSeam::advanceMs(5000);
    bus.conn.process(false);
    EXPECT_EQ(bus.values()[0], 1.0f);
    EXPECT_EQ(active(1), 1);
    EXPECT_EQ(bus.values()[1], 2.0f) << "summary: fault";

    std::map<int, int> set{ { 12, 1 }, { 999, 1 }, { 11, 0 } };
    bus.conn.setEvent(set);
    EXPECT_EQ(active(12), 1);
    EXPECT_EQ(active(11), 0);
    TimeSeam::useFakeClock(false);
}

TEST(ModbusConnectionBus, BroadcastAndTraceLines)
{
    Bus bus(1, kReplyWaitMs, true);
    ScriptedSlave slave(bus.pty.master, [](const Bytes& q, ScriptedSlave& s) {
        if (q[0] == 1 && q[1] == 6 && q[2] == 0x11)
            s.send(q);
    });
    testing::internal::CaptureStdout();
    EXPECT_EQ(bus.conn.control(60, 1.0f, nullptr, 0, true), 1);
    // Nobody answers a broadcast: once the slave has read it, the next request is one of its own.
    EXPECT_TRUE(waitUntil([&] { return slave.requests() >= 1; }));
    EXPECT_EQ(bus.conn.control(60, 2.5f, nullptr, 0, false), 1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Success:Tx: FF 06 11 00 00 0A "), std::string::npos) << out;
    EXPECT_NE(out.find("Success:Tx: 01 06 11 00 00 19 "), std::string::npos) << out;
    EXPECT_NE(out.find("Success:Rx: 01 06 11 00 00 19 "), std::string::npos) << out;
    ASSERT_GE(slave.seen().size(), 1u);
    EXPECT_EQ(slave.seen()[0][0], 0xFF);

    testing::internal::CaptureStdout();
    EXPECT_EQ(bus.conn.control(1, 0.0f, nullptr, 0, false), 0);
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Error----Tx len=8: 01 06 10 00 00 01 "), std::string::npos) << out;
    EXPECT_NE(out.find("Error----Rx len=0 : "), std::string::npos) << out;
    testing::internal::CaptureStdout();
    EXPECT_EQ(bus.conn.control(1, 0.0f, nullptr, 0, false), 0);
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Error----Maybe lost mode 1"), std::string::npos) << out;
}
