#include "modbusconnection.h"

#include "acconfigfixture.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
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
    EXPECT_EQ(c.dataSignals().size(), 68u + 2 + 2 + 8 + 3 + 1);
    // Copies from the templates of each mode.
    EXPECT_EQ(data(c, 7).dataIndex, 205);
    EXPECT_EQ(data(c, 7).offset, 13);
    EXPECT_EQ(data(c, 44).dataIndex, 144);
    EXPECT_EQ(data(c, 44).offset, 63);
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
    ASSERT_EQ(c.settingSignals().count(80), 1u);
    const ModbusConnection::SettingSignal& s = *c.settingSignals().at(80);
    EXPECT_EQ(s.fun, 16);
    EXPECT_EQ(s.partCount, 3);
    EXPECT_EQ(std::vector<int>(s.parts, s.parts + 3), (std::vector<int>{ 0, -1, 290 }));
    EXPECT_EQ(c.settingSignals().at(60)->partCount, 0);
    EXPECT_EQ(c.eventSignals().size(), 7u + 3 + 4);
    EXPECT_EQ(c.getEventLevel(13), 2);
    EXPECT_EQ(c.getEventLevel(25), 3);
    EXPECT_EQ(c.getEventLevel(99), -1);
    std::map<int, float> values;
    c.getData(values);
    for (int idx : { 0, 4, 9, 16, 122, 136, 144, 186, 286, 290 })
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
        { "signal in a block that does not exist", "5\t7\tvoltage\t0/9/8/10", "5\t7\tvoltage\t3/9/8/10" },
        { "template copy past the last block", "40\t41\t1\t0\n", "40\t41\t2\t0\n" },
        { "template of a missing signal", "20\t21\t2\t1\n", "20\t22\t2\t1\n" },
        { "data template mode 3", "30\t31\t1\t2\n", "30\t31\t1\t3\n" },
        { "backwards template", "30\t31\t1\t2\n", "31\t30\t1\t2\n" },
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
