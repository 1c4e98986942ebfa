#include "achandler.h"
#include "modbusconnection.h"
#include "acmodulesim.h"
#include "paramfile.h"
#include "rtuline.h"
#include "ptypair.h"
#include "runtimetree.h"
#include "timeseam.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <math.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// Reaches the state that the polling cycle keeps, so that the rules can be tried on chosen values.
struct AcHandlerProbe {
    static int& u2(AcHandler& h) { return h.m_u2; }
    static int& systemHost(AcHandler& h) { return h.m_systemHost; }
    static int& branchHost(AcHandler& h, int b) { return h.m_branchHost[b - 1]; }
    static int& type(AcHandler& h, int i) { return h.m_processType[i]; }
    static int& indexCount(AcHandler& h) { return h.m_systemIndexCount; }
    static double& correction(AcHandler& h, int k) { return h.m_correction[k]; }
    static int send70(AcHandler& h, int m) { return h.m_send70[m]; }
    static float slot70(AcHandler& h, int m) { return h.m_slot70[m]; }
};

namespace {

// The sample rack table's first row with the module count, U2 option and branch text wanted.
std::string rackRow(int type, int modules, int typeOption = 0, const char* text1 = "x")
{
    return std::to_string(type) + "\t" + std::to_string(type) + "\tT\t" + std::to_string(typeOption)
        + "\t1\t2\t" + std::to_string(modules) + "\t0\t0\t0\t" + text1 + "\ty\n";
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

class AcHandlerTest : public ::testing::Test {
protected:
    RuntimeTree tree{ true };
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<AcHandler> h;

    void rack(const std::string& rows)
    {
        int n = 0;
        for (char c : rows)
            n += c == '\n';
        tree.writeFile("bin/SockConfig.pdu", "[SOCK_NUM]\n" + std::to_string(n) + "\n[SOCK_TYPE]\n" + rows);
    }

    // The system's parameter 156 chooses the rack row.
    void machineType(int type)
    {
        std::string text = tree.readFile("conf/default/param.ini");
        char line[17];
        snprintf(line, sizeof line, "0156/%010d", type * 1000);
        text.replace(156 * 16, 15, line);
        tree.writeFile("conf/param_0.ini", text);
    }

    int openHandler(bool serial = true)
    {
        pty.reset(new PtyPair(tree));
        h.reset(new AcHandler(13, "../conf/acconfig.pdu", false));
        if (serial && h->SerialOpen("/dev/ttySAC1", "19200,n,8,1", 300, 0) != 0)
            return 99;
        return h->open();
    }

    void openWithModules(int modules)
    {
        rack(rackRow(0, modules));
        ASSERT_EQ(openHandler(), 0);
    }

    // A module that answers (received count 2, not-available flag clear) or not.
    void available(int m, bool yes = true)
    {
        AcHandler::DeviceStruct* d = h->device(m);
        d->receivedCount = yes ? 2 : 0;
        d->values[0] = yes ? 0 : 1000;
    }

    void raw(int m, int index, int v) { h->device(m)->values[index] = v; }
    int system(int index) { return h->device(0)->values[index]; }

    // Runs the pass with index given the one processing type.
    int processed(int index, int type)
    {
        AcHandlerProbe::type(*h, index) = type;
        h->systemprocessingdata();
        return system(index);
    }
};

}

// ---- set-up ------------------------------------------------------------------------------

TEST_F(AcHandlerTest, OpenFailsWithTheCodeOfItsStep)
{
    struct Case {
        const char* name;
        std::function<void(RuntimeTree&)> spoil;
        int code;
    };
    auto process = [](RuntimeTree& t, const char* from, const char* to) {
        t.writeFile("conf/sysdataprocess.pdu", replaced(t.readFile("conf/sysdataprocess.pdu"), from, to));
    };
    const Case cases[] = {
        { "signal tables missing", [](RuntimeTree& t) { unlink(t.path("conf/acconfig.pdu").c_str()); }, -3 },
        { "branch parameter file unreadable",
            [](RuntimeTree& t) { mkdir(t.path("conf/param_1003.ini").c_str(), 0755); }, -7 },
        { "process file missing", [](RuntimeTree& t) { unlink(t.path("conf/sysdataprocess.pdu").c_str()); }, -8 },
        { "master flag", [&](RuntimeTree& t) { process(t, "[PCS_MASTER_FLAG_INDEX]", "[X]"); }, -10 },
        { "fault record flag", [&](RuntimeTree& t) { process(t, "[PCS_FAULTRECORD_FLAG_INDEX]", "[X]"); }, -11 },
        { "initial setting flag", [&](RuntimeTree& t) { process(t, "[INIT_SETTING_FLAG_INDEX]", "[X]"); }, -12 },
        { "initial setting length", [&](RuntimeTree& t) { process(t, "[INIT_SETTING_LENGTH]", "[X]"); }, -13 },
        { "signal count", [&](RuntimeTree& t) { process(t, "[DATA_SIGNAL_NUM]", "[X]"); }, -14 },
        { "a row short", [&](RuntimeTree& t) { process(t, "[DATA_SIGNAL_NUM]\n300", "[DATA_SIGNAL_NUM]\n301"); }, -15 },
    };
    for (const Case& c : cases) {
        RuntimeTree t(true);
        c.spoil(t);
        PtyPair p(t);
        AcHandler handler(13, "../conf/acconfig.pdu", false);
        ASSERT_EQ(handler.SerialOpen("/dev/ttySAC1", "19200,n,8,1", 300, 0), 0) << c.name;
        EXPECT_EQ(handler.open(), c.code) << c.name;
        EXPECT_EQ(handler.isOpen(), 0) << c.name;
        float v = 5.0f;
        EXPECT_EQ(handler.getdata(0, 1, &v), -1) << c.name;
        EXPECT_EQ(v, 5.0f) << c.name;
    }
}

TEST_F(AcHandlerTest, OpenWithoutSerialPortIsMinusOne)
{
    EXPECT_EQ(openHandler(false), -1);
    EXPECT_EQ(h->getModuleStatus(0), -1);
}

TEST_F(AcHandlerTest, SampleFilesOpenAndGiveTheirTables)
{
    rack(rackRow(0, 3) + rackRow(4, 2, 1));
    machineType(4);
    ASSERT_EQ(openHandler(), 0);
    EXPECT_EQ(h->isOpen(), 1);
    EXPECT_EQ(h->moduleCount(), 2);
    EXPECT_EQ(h->u2Flag(), 1);
    EXPECT_EQ(h->pollList(), (std::list<int>{ 1, 2, 11 }));
    EXPECT_EQ(h->masterFlagIndex(), 187);
    EXPECT_EQ(h->faultRecordFlagIndex(), 188);
    EXPECT_EQ(h->initSettingFlagIndex(), 189);
    EXPECT_EQ(h->initSettingLength(), 120);
    EXPECT_EQ(h->systemIndexCount(), 300);
    EXPECT_EQ(h->processType(0), 2);
    EXPECT_EQ(h->processType(142), 10);
    EXPECT_EQ(h->processType(450), 0);
    // The ninth column of the setting rows.
    EXPECT_EQ(h->settingFlag(60), 10);
    EXPECT_EQ(h->settingFlag(67), 1);
    EXPECT_EQ(h->settingFlag(97), 100);
    EXPECT_EQ(h->settingFlag(76), 0);
    for (int id : { 0, 1, 11, 12, 1001, 1008 })
        ASSERT_NE(h->device(id), nullptr) << id;
    EXPECT_EQ(h->device(1001)->connection, nullptr);
    EXPECT_NE(h->device(12)->connection, nullptr);
    // Every module starts not available; the system's other values start at 0.
    EXPECT_EQ(h->device(12)->values[0], 1000);
    EXPECT_EQ(h->device(0)->values[0], 1000);
    EXPECT_EQ(h->device(0)->values[499], 0);
    EXPECT_EQ(h->device(0)->valueMap->size(), 500u);
    EXPECT_EQ(h->device(3)->param301, 0) << "0 in the default file";
    EXPECT_TRUE(tree.exists("log/AcData.log"));
    EXPECT_TRUE(tree.exists("log/dcacfaultRecord.log"));
    EXPECT_EQ(h->open(), 0) << "a second open keeps what runs";
}

TEST_F(AcHandlerTest, RackRowChoice)
{
    struct Case { const char* name; int type; std::string rows; int modules; std::list<int> poll; };
    const Case cases[] = {
        { "row of the machine type", 2, rackRow(0, 1) + rackRow(2, 3), 3, { 1, 2, 3, 11 } },
        { "type 111 and up uses row 0", 111, rackRow(0, 1) + rackRow(111, 4), 1, { 1, 11 } },
        { "no row: only the U2 unit", 7, rackRow(0, 1), 0, { 11 } },
        { "more than ten modules", 0, rackRow(0, 12), 10, { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 } },
        { "negative module count", 0, rackRow(0, -3), 0, { 11 } },
    };
    for (const Case& c : cases) {
        rack(c.rows);
        machineType(c.type);
        ASSERT_EQ(openHandler(), 0) << c.name;
        EXPECT_EQ(h->moduleCount(), c.modules) << c.name;
        EXPECT_EQ(h->pollList(), c.poll) << c.name;
        EXPECT_EQ(h->u2Flag(), 0) << c.name;
    }
}

TEST_F(AcHandlerTest, ProcessFileValuesAreBounded)
{
    std::string text = tree.readFile("conf/sysdataprocess.pdu");
    text = replaced(text, "[PCS_MASTER_FLAG_INDEX]\n187", "[PCS_MASTER_FLAG_INDEX]\n600");
    text = replaced(text, "[INIT_SETTING_FLAG_INDEX]\n189", "[INIT_SETTING_FLAG_INDEX]\n-2");
    text = replaced(text, "[INIT_SETTING_LENGTH]\n120", "[INIT_SETTING_LENGTH]\n200");
    text = replaced(text, "\n5\t5\t并网\t1\n", "\n5\t700\t并网\t3\n");
    text = replaced(text, "\n6\t6\t离网\t1\n", "\n6\t-1\t离网\t3\n");
    tree.writeFile("conf/sysdataprocess.pdu", text);
    tree.writeFile("conf/acconfig.pdu",
        replaced(tree.readFile("conf/acconfig.pdu"), "0\t60\t有功功率设定", "0\t9000\t有功功率设定"));
    rack(rackRow(0, 2));
    ASSERT_EQ(openHandler(), 0);
    EXPECT_EQ(h->masterFlagIndex(), -1);
    EXPECT_EQ(h->initSettingFlagIndex(), -1);
    EXPECT_EQ(h->faultRecordFlagIndex(), 188);
    EXPECT_EQ(h->initSettingLength(), 120);
    EXPECT_EQ(h->processType(5), 0);
    EXPECT_EQ(h->settingFlag(60), 0);

    // A count beyond the tables is cut to them.
    text = replaced(tree.readFile("conf/sysdataprocess.pdu"), "[DATA_SIGNAL_NUM]\n300", "[DATA_SIGNAL_NUM]\n-4");
    tree.writeFile("conf/sysdataprocess.pdu", text);
    ASSERT_EQ(openHandler(), 0);
    EXPECT_EQ(h->systemIndexCount(), 0);
}

TEST_F(AcHandlerTest, Parameter301AndMachineTypeComeFromTheParameterFiles)
{
    std::string text = tree.readFile("conf/default/param.ini");
    text.replace(301 * 16, 15, "0301/0000007900");
    tree.writeFile("conf/param_4.ini", text);
    openWithModules(4);
    EXPECT_EQ(h->device(4)->param301, 7);
    float v = 0.0f;
    EXPECT_EQ(h->getConfig(4, 301, &v), 0);
    EXPECT_FLOAT_EQ(v, 7.9f);
}

TEST_F(AcHandlerTest, ParameterPassWritesRequestedFiles)
{
    openWithModules(4);
    ParamRecord r = { 40, 12.5f, 0 };
    ASSERT_EQ(h->device(4)->paramFile->add(&r), 1);
    h->device(4)->paramFile->write();
    h->acDealWithParamFile();
    EXPECT_EQ(tree.readFile("conf/param_4.ini").substr(40 * 16, 16), "0040/0000012500\n");
}

TEST_F(AcHandlerTest, RackBranchOfModuleWorksOnACopy)
{
    struct Case { const char* text; std::vector<int> expected; };
    const Case cases[] = {
        { "1/1/2/2/0/0/0/0/0/0", { 1, 1, 2, 2, 0, 0, 0, 0, 0, 0 } },
        { "8/9/-1/x", { 8, -1, -1, 0, 0, 0, 0, 0, 0, 0 } },
        { "3", { 3, 0, 0, 0, 0, 0, 0, 0, 0, 0 } },
    };
    for (const Case& c : cases) {
        rack(rackRow(0, 10, 0, c.text));
        ASSERT_EQ(openHandler(), 0);
        for (int m = 1; m <= 10; ++m)
            EXPECT_EQ(h->rackBranchOf(m), c.expected[m - 1]) << c.text << " module " << m;
        EXPECT_EQ(h->rackBranchOf(11), 0);
        EXPECT_STREQ(h->currentRack().text1, c.text);
    }
}

// ---- system values -----------------------------------------------------------------------

TEST_F(AcHandlerTest, SystemRulesOverCountedModules)
{
    openWithModules(3);
    for (int m : { 1, 2, 3, 11 })
        available(m);
    available(12, false);
    // Modules 1-3 and the two units at index 40 (and 49 for the or rule without the units).
    const int values[] = { 0, 1000, 2000, 2500 };
    for (int m = 1; m <= 3; ++m) {
        raw(m, 40, values[m]);
        raw(m, 49, 1 << (m - 1));
        raw(m, 41, 1 << (m - 1));
    }
    raw(11, 40, 7000);
    raw(11, 41, 8);
    raw(11, 49, 8);
    raw(12, 40, 16000);
    raw(12, 41, 16);
    AcHandlerProbe::indexCount(*h) = 300;

    struct Case { const char* name; int index; int type; int expected; };
    const Case cases[] = {
        { "or with the available unit", 41, 1, 1 | 2 | 4 | 8 },
        { "or at 49 takes modules only", 49, 1, 1 | 2 | 4 },
        { "and, all non-zero", 40, 2, 1000 },
        { "sum", 40, 3, 5500 },
        { "average", 40, 4, 1833 },
        { "maximum", 40, 5, 2500 },
        { "minimum", 40, 6, 1000 },
        { "U2 or sum without U2", 40, 8, 5500 },
        { "unknown type", 40, 11, 0 },
        { "no type", 40, 0, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(processed(c.index, c.type), c.expected) << c.name;

    raw(2, 40, 0);
    EXPECT_EQ(processed(40, 2), 0) << "and with one zero";
    raw(2, 40, 2000);
    raw(11, 40, 0);
    EXPECT_EQ(processed(40, 2), 0) << "and with the available unit at zero";
    raw(11, 40, 7000);
    // A module that has delivered only one value is not counted, even with its flag clear.
    h->device(3)->receivedCount = 1;
    EXPECT_EQ(processed(40, 3), 3000);
    EXPECT_EQ(processed(40, 4), 1500);
}

TEST_F(AcHandlerTest, SystemRulesWithNoModuleAvailable)
{
    openWithModules(3);
    AcHandlerProbe::indexCount(*h) = 300;
    raw(1, 40, 5000);
    EXPECT_EQ(processed(40, 2), 1000);
    for (int type : { 1, 3, 4, 5, 6 })
        EXPECT_EQ(processed(40, type), 0) << type;
    // The sample's rule for index 0 makes the system available with any one module.
    h->systemprocessingdata();
    EXPECT_EQ(h->getModuleStatus(0), 1000);
    available(2);
    h->systemprocessingdata();
    EXPECT_EQ(h->getModuleStatus(0), 0);
}

TEST_F(AcHandlerTest, HostAndU2Rules)
{
    openWithModules(3);
    for (int m : { 1, 2, 3, 11 })
        available(m);
    AcHandlerProbe::indexCount(*h) = 300;
    for (int m : { 1, 2, 3 })
        raw(m, 40, 1000 * m);
    raw(11, 40, 7000);
    raw(4, 40, 4000);

    AcHandlerProbe::systemHost(*h) = 0;
    EXPECT_EQ(processed(40, 7), 0);
    AcHandlerProbe::systemHost(*h) = 2;
    EXPECT_EQ(processed(40, 7), 2000);
    EXPECT_EQ(processed(40, 9), 2000) << "U2 or host without U2";
    AcHandlerProbe::systemHost(*h) = 40;
    EXPECT_EQ(processed(40, 7), 2000) << "a host beyond 12 leaves the value";

    AcHandlerProbe::u2(*h) = 1;
    // Whatever the modules hold, the U2 unit's value is copied (it need not be available).
    available(11, false);
    for (int type : { 8, 9, 10 })
        EXPECT_EQ(processed(40, type), 7000) << type;
}

TEST_F(AcHandlerTest, PhaseCalculationAndRatios)
{
    openWithModules(2);
    available(1);
    available(2);
    AcHandlerProbe::indexCount(*h) = 300;
    // Phases A, B, C: active at 136-138, reactive at 139-141 (two modules each half).
    const int active[] = { 1500, 3000, 2500 }, reactive[] = { 2000, 4000, 6000 };
    for (int m : { 1, 2 }) {
        for (int p = 0; p < 3; ++p) {
            raw(m, 136 + p, active[p]);
            raw(m, 139 + p, reactive[p]);
        }
        raw(m, 174, 15000);
    }
    // The sample gives 136-141 and 174-175 the U2-or-sum rule, 142-147 and 176-177 the calculation.
    h->systemprocessingdata();
    EXPECT_EQ(system(136), 3000);
    EXPECT_EQ(system(142), 5000);
    EXPECT_EQ(system(143), 10000);
    EXPECT_EQ(system(144), 13000);
    EXPECT_EQ(system(145), 600);
    EXPECT_EQ(system(146), 600);
    EXPECT_EQ(system(147), 384);
    EXPECT_EQ(system(176), 28000);
    EXPECT_EQ(system(174), 30000);
    EXPECT_EQ(system(177), 1071);

    // Without magnitudes the ratios are 0, not a division by zero.
    for (int m : { 1, 2 })
        for (int i = 136; i <= 141; ++i)
            raw(m, i, 0);
    h->systemprocessingdata();
    EXPECT_EQ(system(145), 0);
    EXPECT_EQ(system(177), 0);

    // The sum rule's own ratio at 177.
    h->device(0)->values[176] = 40000;
    h->device(0)->values[174] = 30000;
    h->add_process_fun(177);
    EXPECT_EQ(system(177), 750);
}

// ---- branches ----------------------------------------------------------------------------

TEST_F(AcHandlerTest, BranchRulesOverMembers)
{
    openWithModules(3);
    for (int m : { 1, 2, 3 })
        available(m);
    // Module 1 in branch 1, module 2 in branches 1 and 2, module 3 in branch 2 (-1.000 counts,
    // 0.999 for branch 1 does not).
    raw(1, 9, 1000);
    raw(2, 9, 1000);
    raw(2, 10, 1000);
    raw(3, 10, -1000);
    raw(3, 9, 999);
    raw(1, 40, 1000);
    raw(2, 40, 2000);
    raw(3, 40, 4500);
    AcHandlerProbe::branchHost(*h, 1) = 2;

    struct Case { const char* name; int type; int branch; float expected; };
    const Case cases[] = {
        { "or", 1, 1001, 3.0f },
        { "and of 1 and 2", 2, 1001, 0.0f },
        { "sum", 3, 1001, 3.0f },
        { "sum of branch 2", 3, 1002, 6.5f },
        { "average", 4, 1002, 3.25f },
        { "maximum", 5, 1002, 4.5f },
        { "minimum", 6, 1002, 2.0f },
        { "host", 7, 1001, 2.0f },
        { "no host", 7, 1002, 0.0f },
        { "U2 forms give nothing", 8, 1001, 0.0f },
        { "calculation gives nothing", 10, 1001, 0.0f },
        { "no member", 3, 1005, 0.0f },
        { "and without members", 2, 1005, 1.0f },
    };
    for (const Case& c : cases) {
        AcHandlerProbe::type(*h, 40) = c.type;
        float v = -1.0f;
        EXPECT_EQ(h->getdata(c.branch, 40, &v), 0) << c.name;
        EXPECT_FLOAT_EQ(v, c.expected) << c.name;
    }
    // A module that is not available leaves its branches.
    available(1, false);
    AcHandlerProbe::type(*h, 40) = 3;
    float v = 0.0f;
    h->getdata(1001, 40, &v);
    EXPECT_FLOAT_EQ(v, 2.0f);
    EXPECT_EQ(h->getModuleStatus(1001), 0);
    EXPECT_EQ(h->getModuleStatus(1002), 0);
    EXPECT_EQ(h->getModuleStatus(1005), 1);
    available(2, false);
    EXPECT_EQ(h->getModuleStatus(1001), 1);
}

TEST_F(AcHandlerTest, BranchRatioAt177)
{
    openWithModules(2);
    available(1);
    available(2);
    raw(1, 9, 1000);
    raw(2, 9, 1000);
    raw(1, 174, 3000);
    raw(2, 174, 1000);
    raw(1, 176, 5000);
    raw(2, 176, 3000);
    AcHandlerProbe::type(*h, 174) = 3;
    AcHandlerProbe::type(*h, 176) = 3;
    AcHandlerProbe::type(*h, 177) = 3;
    float v = 0.0f;
    ASSERT_EQ(h->getdata(1001, 177, &v), 0);
    EXPECT_FLOAT_EQ(v, 0.5f);
    EXPECT_EQ(h->getdata(1002, 177, &v), 0);
    EXPECT_FLOAT_EQ(v, 0.0f) << "no members: value 176 is 0";
}

TEST_F(AcHandlerTest, ModuleStatusCodes)
{
    {
        AcHandler closed(13, "../conf/acconfig.pdu", false);
        EXPECT_EQ(closed.getModuleStatus(1), -1);
    }
    openWithModules(4);
    available(2);
    h->device(3)->values[0] = 0;
    h->device(3)->receivedCount = 1;
    struct Case { int module; int expected; };
    const Case cases[] = {
        { -1, -1 }, { 0, 1000 }, { 1, 1 }, { 2, 0 }, { 3, 1 }, { 4, 1 }, { 5, -3 }, { 10, -3 },
        { 11, 1 }, { 12, 1 }, { 13, -3 }, { 1000, -3 }, { 1001, 1 }, { 1008, 1 }, { 1009, -3 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(h->getModuleStatus(c.module), c.expected) << c.module;
    h->device(4)->receivedCount = 5;
    h->device(4)->values[0] = 1000;
    EXPECT_EQ(h->getModuleStatus(4), 1000);
}

// ---- value access ------------------------------------------------------------------------

TEST_F(AcHandlerTest, GetdataAddressing)
{
    {
        AcHandler closed(13, "../conf/acconfig.pdu", false);
        float v = 3.0f;
        EXPECT_EQ(closed.getdata(0, 1, &v), -1);
        EXPECT_EQ(v, 3.0f);
    }
    openWithModules(4);
    raw(3, 20, 12345);
    raw(12, 20, -500);
    struct Case { int module; int index; int result; float value; };
    const Case cases[] = {
        { 3, 500, -1, 0.0f }, { 3, -1, -1, 0.0f }, { 13, 10, -2, 0.0f }, { 5, 20, -2, 0.0f },
        { 3, 20, 0, 12.345f }, { 12, 20, 0, -0.5f }, { 1009, 20, -2, 0.0f }, { 900, 20, -2, 0.0f },
    };
    for (const Case& c : cases) {
        float v = 9.0f;
        EXPECT_EQ(h->getdata(c.module, c.index, &v), c.result) << c.module << "/" << c.index;
        EXPECT_FLOAT_EQ(v, c.value) << c.module << "/" << c.index;
    }
    EXPECT_EQ(h->getdata(3, 20, nullptr), -1);
}

TEST_F(AcHandlerTest, AccumulatorsAndTheirHalves)
{
    openWithModules(4);
    EnergyImage::Data& e = h->energy().data();
    e.accumulators[11][EnergyImage::A] = 70000.7;
    e.accumulators[11][EnergyImage::B] = -70000.7;
    e.accumulators[11][EnergyImage::C] = 1e12;
    e.accumulators[11][EnergyImage::D] = NAN;
    e.accumulators[11][EnergyImage::E] = 4.25;
    e.accumulators[0][EnergyImage::A] = 100.0;
    e.accumulators[0][EnergyImage::B] = 200.0;
    e.accumulators[14][EnergyImage::C] = 8.5;
    AcHandlerProbe::correction(*h, 0) = 1.5;
    AcHandlerProbe::correction(*h, 1) = -2.0;

    struct Case { int module; int index; float value; };
    const Case cases[] = {
        { 11, 122, 70000.7f }, { 11, 124, 4.25f },
        { 11, 178, 1.0f }, { 11, 179, 4464.0f },      // 70000 = 0x0001 1170
        { 11, 180, -2.0f }, { 11, 181, 61072.0f },    // -70000 = 0xFFFE EE90
        { 11, 182, 32767.0f }, { 11, 183, 65535.0f }, // saturated
        { 11, 184, 0.0f }, { 11, 185, 0.0f },         // not a number
        { 0, 122, 101.5f }, { 0, 123, 198.0f },       // with the corrections
        { 0, 178, 0.0f }, { 0, 179, 100.0f },         // halves without them
        { 1002, 162, 8.5f }, { 4, 163, 0.0f },
    };
    for (const Case& c : cases) {
        float v = -9.0f;
        EXPECT_EQ(h->getdata(c.module, c.index, &v), 0) << c.module << "/" << c.index;
        EXPECT_FLOAT_EQ(v, c.value) << c.module << "/" << c.index;
    }
    float v = 9.0f;
    EXPECT_EQ(h->getdata(12, 122, &v), -2);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(h->getdata(5, 123, &v), -2);
}

TEST_F(AcHandlerTest, GetConfig)
{
    {
        AcHandler closed(13, "../conf/acconfig.pdu", false);
        float v = 3.0f;
        EXPECT_EQ(closed.getConfig(0, 1, &v), -1);
        EXPECT_EQ(v, 0.0f);
    }
    std::string text = tree.readFile("conf/default/param.ini");
    text.replace(77 * 16, 15, "0077/0000001250");
    tree.writeFile("conf/param_1004.ini", text);
    openWithModules(2);
    float v = 0.0f;
    EXPECT_EQ(h->getConfig(1004, 77, &v), 0);
    EXPECT_FLOAT_EQ(v, 1.25f);
    EXPECT_EQ(h->getConfig(12, 77, &v), 0);
    EXPECT_FLOAT_EQ(v, 0.0f);
    v = 4.0f;
    EXPECT_EQ(h->getConfig(12, 900, &v), -1);
    EXPECT_EQ(v, 4.0f);
    EXPECT_EQ(h->getConfig(13, 1, &v), -1);
    EXPECT_EQ(h->getConfig(1009, 1, &v), -1);
    EXPECT_EQ(h->getConfig(0, 1, nullptr), -1);
}

TEST_F(AcHandlerTest, TemperatureConversionsAreTheCurves)
{
    EXPECT_EQ(AcHandler::getTemperature(3337), 40);
    EXPECT_EQ(AcHandler::getTemperature(3336), 41);
    EXPECT_EQ(AcHandler::getEnvTemperatureU1(306), -19);
    EXPECT_EQ(AcHandler::getTemperatureModule11(3745), -19);
}

// ---- energy through the handler ----------------------------------------------------------

TEST_F(AcHandlerTest, IntegrationFillsGroupsAndTheDatedTables)
{
    TimeSeam::useFakeClock(true);
    struct tm t = {};
    t.tm_year = 2019 - 1900;
    t.tm_mon = 5;
    t.tm_mday = 3;
    t.tm_hour = 10;
    t.tm_min = 29;
    t.tm_isdst = -1;
    TimeSeam::setWallTime(mktime(&t));

    AcHandler handler(13, "../conf/acconfig.pdu", false);
    handler.loadData();
    EnergyImage::Data& e = handler.energy().data();
    e.firstPrice[20] = 0.5f;
    e.secondPrice[20] = 1.0f;
    // Module 2 in branches 1 and 3: its increments count for branch 1 and the system only.
    std::map<int, float> v = { { 122, 2.0f }, { 123, 3.0f }, { 162, 4.0f }, { 163, 5.0f }, { 124, 6.0f },
        { 9, 1.0f }, { 11, 1.0f } };
    handler.integrateEnergy(2, v);
    handler.integrateEnergy(2, v);
    for (int g : { 2, 13, 0 }) {
        EXPECT_DOUBLE_EQ(e.accumulators[g][EnergyImage::A], 4.0) << g;
        EXPECT_DOUBLE_EQ(e.accumulators[g][EnergyImage::E], 12.0) << g;
    }
    EXPECT_DOUBLE_EQ(e.accumulators[15][EnergyImage::A], 0.0);
    float f = 0.0f;
    EXPECT_EQ(handler.getCharge(2019, 6, 3, 21, &f), 0);
    EXPECT_FLOAT_EQ(f, 4.0f);
    EXPECT_EQ(handler.getMoney(2019, 6, 3, 21, &f), 0);
    EXPECT_FLOAT_EQ(f, 2.0f * (3.0f * 1.0f - 2.0f * 0.5f));

    // Half past ten is the next half-hour; a module in no branch adds to itself only.
    TimeSeam::advanceMs(60 * 1000);
    std::map<int, float> lone = { { 122, 1.0f }, { 123, 1.0f }, { 163, 7.0f } };
    handler.integrateEnergy(3, lone);
    EXPECT_EQ(handler.getCharge(2019, 6, 3, 22, &f), 0);
    EXPECT_FLOAT_EQ(f, 1.0f);
    EXPECT_DOUBLE_EQ(e.accumulators[0][EnergyImage::A], 4.0);
    // The U2 unit's off-grid discharge goes to the day table only.
    handler.integrateEnergy(11, lone);
    EXPECT_EQ(handler.getDayDischarge(2019, 6, 3, &f), 0);
    EXPECT_FLOAT_EQ(f, 7.0f);
    EXPECT_EQ(handler.getCharge(2019, 6, 3, 0, &f), 0);
    EXPECT_FLOAT_EQ(f, 5.0f);
    EXPECT_DOUBLE_EQ(e.accumulators[11][EnergyImage::D], 7.0);

    // A value that is not a number adds nothing.
    std::map<int, float> bad = { { 122, NAN }, { 123, 1.0f } };
    handler.integrateEnergy(3, bad);
    EXPECT_DOUBLE_EQ(e.accumulators[3][EnergyImage::A], 1.0);

    // The last branch and the highest module count as well: module 12 in branch 8 only.
    std::map<int, float> last = { { 122, 1.5f }, { 124, 0.5f }, { 16, 1.0f } };
    handler.integrateEnergy(12, last);
    for (int g : { 12, 20 }) {
        EXPECT_DOUBLE_EQ(e.accumulators[g][EnergyImage::A], 1.5) << g;
        EXPECT_DOUBLE_EQ(e.accumulators[g][EnergyImage::E], 0.5) << g;
    }
    EXPECT_DOUBLE_EQ(e.accumulators[0][EnergyImage::A], 5.5);
    EXPECT_DOUBLE_EQ(e.accumulators[0][EnergyImage::E], 12.5);
    TimeSeam::useFakeClock(false);
}

TEST_F(AcHandlerTest, YearChangeOnTheWallClockMovesTheWindow)
{
    TimeSeam::useFakeClock(true);
    struct tm t = {};
    t.tm_year = 2023 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_isdst = -1;
    TimeSeam::setWallTime(mktime(&t));

    AcHandler handler(13, "../conf/acconfig.pdu", false);
    handler.loadData();
    std::map<int, float> v = { { 122, 2.0f }, { 123, 1.0f } };
    handler.integrateEnergy(1, v);
    TimeSeam::advanceMs(60 * 1000);
    handler.integrateEnergy(1, v);
    handler.integrateEnergy(1, v);
    TimeSeam::useFakeClock(false);

    float f = 0.0f;
    EXPECT_EQ(handler.getCharge(2023, 12, 31, 48, &f), 0);
    EXPECT_FLOAT_EQ(f, 2.0f);
    EXPECT_EQ(handler.getCharge(2024, 1, 1, 1, &f), 0);
    EXPECT_FLOAT_EQ(f, 4.0f);
    EXPECT_EQ(handler.getDischarge(2024, 0, 0, 0, &f), 0);
    EXPECT_FLOAT_EQ(f, 2.0f);
    EXPECT_EQ(handler.getCharge(2014, 0, 0, 0, &f), -2);
    EXPECT_EQ(handler.getCharge(0, 0, 0, 0, &f), 0);
    EXPECT_FLOAT_EQ(f, 6.0f);
    EXPECT_DOUBLE_EQ(handler.energy().data().accumulators[1][EnergyImage::A], 6.0);
    EXPECT_EQ(tree.readFile("log/AcData.year").substr(0, 5), "2024\n");
}

// ---- fault capture -----------------------------------------------------------------------

namespace {

// A read reply carrying count registers, register i holding value(i).
std::vector<unsigned char> faultReply(int count, std::function<int(int)> value)
{
    std::vector<unsigned char> r = { 1, 3, (unsigned char)(2 * count) };
    for (int i = 0; i < count; ++i) {
        r.push_back((unsigned char)(value(i) >> 8));
        r.push_back((unsigned char)(value(i) & 0xFF));
    }
    return withCrc(r);
}

}

TEST_F(AcHandlerTest, FaultRecordTransposesTheBlocks)
{
    openWithModules(2);
    std::vector<unsigned char> reply = faultReply(126, [](int i) {
        return i == 0 ? 0x0102 : i == 18 ? 0x0304 : i == 1 ? 0x0506 : 0x1000 + i;
    });
    h->fillFaultRecode(2, 1, reply.data(), int(reply.size()));
    ASSERT_EQ(h->getFaultRecordSize(), 1);
    FaultRecord r;
    ASSERT_EQ(h->getFaultRecord(0, &r), 1);
    EXPECT_EQ(r.module, 2);
    EXPECT_EQ(r.type, 1);
    EXPECT_EQ(strlen(r.time), 19u);
    const uint16_t* place = &r.data[0][0];
    EXPECT_EQ(place[0], 0x0102);
    EXPECT_EQ(place[1], 0x0304);
    EXPECT_EQ(place[7], 0x0506);
    EXPECT_EQ(r.data[17][6], 0x1000 + 125);
    EXPECT_EQ(r.data[5][3], 0x1000 + 3 * 18 + 5);
}

TEST_F(AcHandlerTest, ShortFaultReplyLeavesTheRestZero)
{
    openWithModules(2);
    std::vector<unsigned char> reply = faultReply(10, [](int i) { return 0x2000 + i; });
    // Stale bytes of an earlier reply behind this one must not be taken.
    std::vector<unsigned char> buffer(AcHandler::RX_SIZE, 0xAA);
    std::copy(reply.begin(), reply.end(), buffer.begin());
    h->fillFaultRecode(1, 1, buffer.data(), int(reply.size()));
    FaultRecord r;
    ASSERT_EQ(h->getFaultRecord(0, &r), 1);
    for (int i = 0; i < 126; ++i) {
        int place = (i % 18) * 7 + i / 18;
        EXPECT_EQ((&r.data[0][0])[place], i < 10 ? 0x2000 + i : 0) << i;
    }
    // A reply whose byte count promises more than arrived gives what arrived.
    reply[2] = 250;
    h->fillFaultRecode(1, 1, reply.data(), int(reply.size()));
    ASSERT_EQ(h->getFaultRecord(1, &r), 1);
    EXPECT_EQ(r.data[0][0], 0x2000);
    EXPECT_EQ(r.data[9][0], 0x2009);
    EXPECT_EQ(r.data[10][0], 0);
    h->fillFaultRecode(1, 1, nullptr, 0);
    EXPECT_EQ(h->getFaultRecordSize(), 3);
}

TEST_F(AcHandlerTest, TwoHundredFiftySeventhFaultRecordDropsTheOldest)
{
    openWithModules(2);
    std::vector<unsigned char> reply = faultReply(126, [](int i) { return i; });
    for (int k = 0; k < 257; ++k)
        h->fillFaultRecode(k, 1, reply.data(), int(reply.size()));
    EXPECT_EQ(h->getFaultRecordSize(), 256);
    FaultRecord r;
    ASSERT_EQ(h->getFaultRecord(0, &r), 1);
    EXPECT_EQ(r.module, 1);
    ASSERT_EQ(h->getFaultRecord(255, &r), 1);
    EXPECT_EQ(r.module, 256);

    // The file holds the same after a restart.
    h.reset();
    ASSERT_EQ(openHandler(), 0);
    EXPECT_EQ(h->getFaultRecordSize(), 256);
    ASSERT_EQ(h->getFaultRecord(0, &r), 1);
    EXPECT_EQ(r.module, 1);
}

TEST_F(AcHandlerTest, FaultRecordsWhileNotOpen)
{
    AcHandler closed(13, "../conf/acconfig.pdu", false);
    EXPECT_EQ(closed.getFaultRecordSize(), -1);
    FaultRecord r;
    memset(&r, 0x55, sizeof r);
    EXPECT_EQ(closed.getFaultRecord(0, &r), -1);
    EXPECT_EQ(r.module, 0);
}

// ---- settings queue ----------------------------------------------------------------------

TEST_F(AcHandlerTest, SettingQueuesOneWritePerModule)
{
    openWithModules(3);
    for (int m : { 1, 2, 3, 11 })
        available(m);
    available(12, false);
    raw(0, 0, 0);
    raw(1, 9, 1000);   // modules 1 and 2 in branch 1, module 3 in branch 2
    raw(2, 9, 1000);
    raw(3, 10, 1000);
    EXPECT_EQ(h->setting(3, 60, 1.5f, 0), -1);   // nothing polls yet
    h->setPolling(true);

    EXPECT_EQ(h->setting(0, 10005, 0.8f, 0), 0);
    EXPECT_EQ(h->energy().data().firstPrice[5], 0.8f);
    EXPECT_EQ(h->setting(0, 10098, 2.5f, 0), 0);
    EXPECT_EQ(AcHandlerProbe::correction(*h, 1), 2.5);
    EXPECT_EQ(h->getSettingResult(0), 0);

    EXPECT_EQ(h->setting(3, 60, 1.5f, 0), 0);
    EXPECT_EQ(h->setting(3, 61, 1.0f, 0), -2);
    EXPECT_EQ(h->device(3)->pendingIndex, 60);
    EXPECT_EQ(h->getSettingResult(3), 2);
    EXPECT_EQ(h->setting(4, 60, 1.0f, 0), -1);   // beyond the rack's three modules
    EXPECT_EQ(h->getSettingResult(4), -2);
    EXPECT_EQ(h->setting(0, 501, 1.0f, 0), -1);
    EXPECT_EQ(h->setting(12, 60, 1.0f, 0), -3);  // not available

    // A system write of a special index: every available module, no parameter file.
    float before = -1.0f;
    h->getConfig(0, 77, &before);
    EXPECT_EQ(h->setting(0, 77, 2.0f, 0), -2);   // module 3 was busy
    for (int m : { 1, 2, 11 }) {
        EXPECT_EQ(h->device(m)->writePending, 1) << m;
        EXPECT_EQ(h->device(m)->pendingIndex, 77) << m;
    }
    EXPECT_EQ(h->device(3)->pendingIndex, 60);
    float after = -1.0f;
    h->getConfig(0, 77, &after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(h->getSettingResult(0), 2);
    EXPECT_EQ(h->getSettingResult(1005), 2);
    OperateRecord r;
    ASSERT_EQ(h->getOperateRecord(&r), 1);
    EXPECT_EQ(r.modules, 1100);
    EXPECT_EQ(r.oid, 77);
    EXPECT_EQ(r.mdata, 2.0);
    EXPECT_EQ(h->getOperateRecord(&r), 0);

    // A branch's index-70 set-point goes to its members' slots, whatever they have queued.
    EXPECT_EQ(h->setting(1001, 70, 40.0f, 0), 0);
    EXPECT_EQ(AcHandlerProbe::send70(*h, 1), 1);
    EXPECT_EQ(AcHandlerProbe::send70(*h, 2), 1);
    EXPECT_EQ(AcHandlerProbe::send70(*h, 3), 0);
    EXPECT_EQ(AcHandlerProbe::slot70(*h, 2), 40.0f);
    ASSERT_EQ(h->getOperateRecord(&r), 1);
    EXPECT_EQ(r.modules, 1101);
    float v = 0.0f;
    EXPECT_EQ(h->getConfig(1001, 70, &v), 0);
    EXPECT_EQ(v, 40.0f);
    EXPECT_EQ(h->getConfig(1002, 70, &v), 0);
    EXPECT_EQ(v, 0.0f);
}

// ---- polling pass against the simulated modules ------------------------------------------

namespace {
class AcHandlerPassTest : public ::testing::Test {
protected:
    RuntimeTree tree{ true };
    RtuLine line;
    std::map<int, std::unique_ptr<AcModuleSim>> sim;
    std::unique_ptr<AcHandler> h;

    void SetUp() override
    {
        tree.writeFile("bin/SockConfig.pdu", "[SOCK_NUM]\n1\n[SOCK_TYPE]\n" + rackRow(0, 3, 0, "1/1/2"));
        ASSERT_TRUE(line.open(tree.path("dev/ttySAC1")));
        for (int n : { 1, 2, 3, 11 }) {
            sim[n].reset(new AcModuleSim(n));
            line.attach(n, sim[n].get());
        }
        line.start();
        h.reset(new AcHandler(13, "../conf/acconfig.pdu", false));
        ASSERT_EQ(h->SerialOpen("/dev/ttySAC1", "19200,n,8,1", 300, 0), 0);
        ASSERT_EQ(h->open(), 0);
        h->setPolling(true);
    }
    void TearDown() override
    {
        h.reset();
        line.stop();
    }
    void silence(int node, bool on)
    {
        RtuLine::Faults f;
        f.silent = on;
        line.setFaults(node, f);
    }
    std::vector<int> polled() { return std::vector<int>(h->pollList().begin(), h->pollList().end()); }
    std::vector<int> lost() { return std::vector<int>(h->lostList().begin(), h->lostList().end()); }
};
}

TEST_F(AcHandlerPassTest, LostModulesAreProbedInTurnAndRejoinAtTheEnd)
{
    silence(2, true);
    silence(3, true);
    h->process();
    EXPECT_EQ(polled(), (std::vector<int>{ 1, 11 }));
    EXPECT_EQ(lost(), (std::vector<int>{ 2, 3 }));
    h->process();
    EXPECT_EQ(lost(), (std::vector<int>{ 3, 2 }));
    h->process();
    EXPECT_EQ(lost(), (std::vector<int>{ 2, 3 }));

    silence(2, false);
    h->process();
    EXPECT_EQ(polled(), (std::vector<int>{ 1, 11, 2 }));
    EXPECT_EQ(lost(), (std::vector<int>{ 3 }));
    // Just back from a probe: its values as delivered, nothing derived yet.
    const int rawIgbt = sim[2]->holding(15);
    EXPECT_EQ(h->device(2)->values[156], rawIgbt * 1000);
    h->process();
    EXPECT_EQ(h->device(2)->values[156], AcHandler::getTemperature(float(rawIgbt)) * 1000);

    // Hosts: module 1 raises the system host flag; membership of branch 1 from the sim.
    EXPECT_EQ(h->systemHost(), 1);
    float v = 0.0f;
    EXPECT_EQ(h->getdata(1, 177, &v), 0);
    EXPECT_EQ(v, 0.0f);   // phase sums of a module at rest: no division by zero
}

namespace {
// Runs one polling pass in a thread of its own; false when it has not returned within ms (the
// thread is then left behind: the test has failed and its process ends with it).
bool passReturnsWithin(AcHandler* h, int ms)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread([h, done] {
        h->process();
        *done = true;
    }).detach();
    for (int waited = 0; waited < ms && !*done; waited += 10)
        usleep(10000);
    return *done;
}
}

TEST_F(AcHandlerPassTest, ALineThatHangsUpMidPollIsReopenedAndTheModulesComeBack)
{
    TimeSeam::useFakeClock(true);
    h->process();
    ASSERT_EQ(polled(), (std::vector<int>{ 1, 2, 3, 11 }));

    // The far end goes away while module 2 is being polled: the pass must still end.
    RtuLine::Faults f;
    f.hangUp = true;
    line.setFaults(2, f);
    ASSERT_TRUE(passReturnsWithin(h.get(), 20000)) << "the polling pass never returned";
    // While the line is away every module goes offline once its loss time has run.
    for (int pass = 0; pass < 3 && !polled().empty(); ++pass) {
        TimeSeam::advanceMs(6000);
        ASSERT_TRUE(passReturnsWithin(h.get(), 20000));
    }
    EXPECT_TRUE(polled().empty());
    EXPECT_EQ(lost().size(), 4u);

    // The line comes back at the same path: the link opens it again and every module rejoins.
    line.stop();
    line.setFaults(2, RtuLine::Faults());
    ASSERT_TRUE(line.open(tree.path("dev/ttySAC1")));
    line.start();
    for (int pass = 0; pass < 8 && !lost().empty(); ++pass)
        ASSERT_TRUE(passReturnsWithin(h.get(), 20000));
    std::vector<int> back = polled();
    std::sort(back.begin(), back.end());
    EXPECT_EQ(back, (std::vector<int>{ 1, 2, 3, 11 }));
    EXPECT_TRUE(lost().empty());
    TimeSeam::useFakeClock(false);
}

// A table may give the record reads as settings rows: a read row is read and makes the record,
// a write row is never sent (it would write the module's setting).
TEST_F(AcHandlerPassTest, FaultRecordReadThroughASettingsRow)
{
    struct Case { const char* name; const char* fun; int records; int requestLeft; } cases[] = {
        { "write row", "6", 0, 1 },
        { "read row", "3", 1, 0 },
    };
    const std::string sample = tree.readFile("conf/acconfig.pdu");
    for (const Case& c : cases) {
        h.reset();
        std::string text = replaced(sample, "10\t401\t读故障记录\t3\t2000\t7E\n11\t402\t读运行记录\t3\t2080\t7E\n", "");
        text = replaced(text, "[CTRL_SIGNAL_NUM]\n12\n", "[CTRL_SIGNAL_NUM]\n10\n");
        text = replaced(text, "[SETTING_SIGNAL_NUM]\n152\n", "[SETTING_SIGNAL_NUM]\n154\n");
        // After the last setting row.
        const size_t end = text.find("\n\n[EVENT_EXPAND_NUM]");
        ASSERT_NE(end, std::string::npos);
        text.insert(end + 1, std::string("152\t401\t读故障记录\t") + c.fun + "\t2000\t126\t-1\t0\t1\n153\t402\t读运行记录\t"
                + c.fun + "\t2080\t126\t-1\t0\t1\n");
        tree.writeFile("conf/acconfig.pdu", text);
        h.reset(new AcHandler(13, "../conf/acconfig.pdu", false));
        ASSERT_EQ(h->SerialOpen("/dev/ttySAC1", "19200,n,8,1", 300, 0), 0) << c.name;
        ASSERT_EQ(h->open(), 0) << c.name;
        h->setPolling(true);
        ASSERT_EQ(h->device(1)->connection->ctrlSignals().count(401), 0u);

        const int before = h->getFaultRecordSize();
        sim[1]->requestFaultRecord(1);
        h->process();
        EXPECT_EQ(h->getFaultRecordSize() - before, c.records) << c.name;
        EXPECT_EQ((sim[1]->holding(103) >> 4) & 3, c.requestLeft) << c.name;
        if (c.records) {
            FaultRecord r;
            ASSERT_EQ(h->getFaultRecord(h->getFaultRecordSize() - 1, &r), 1);
            EXPECT_EQ(r.module, 1);
        }
    }
}
