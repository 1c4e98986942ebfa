// What the operator reads on the information pages and the diagram, against what the simulated
// cabinet set: the whole panel (window, devices, data thread) runs on the simulated modules,
// racks and buses in this process, and each page is painted onto a recorder. A row of a table
// names a page, a place on it, and the simulator's quantity; the shown text must be that
// quantity within the page's display precision.
#include "acmodulesim.h"
#include "answerinline.h"
#include "bmsbussim.h"
#include "bmsrtusim.h"
#include "dcbussim.h"
#include "form.h"
#include "globalvar.h"
#include "idturn.h"
#include "interface_ctrmod.h"
#include "interface_main.h"
#include "interface_switch.h"
#include "interface_sysinf.h"
#include "monitorset.h"
#include "mymainwindow.h"
#include "pageturnadv.h"
#include "racktable.h"
#include "paintrecorder.h"
#include "rtuline.h"
#include "runtimetree.h"
#include "tab_set.h"

#include <QApplication>
#include <QLabel>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

const double kPowerKw = 36.0;   // every AC/DC module discharges at this power

bool waitFor(const std::function<bool()>& done, int ms = 30000)
{
    for (int waited = 0; waited < ms; waited += 20) {
        QCoreApplication::processEvents();
        if (done())
            return true;
        usleep(20000);
    }
    return done();
}

// One shown value: where the page draws it, the quantity, and its decimals.
struct Field {
    const char* name;
    int x, y;
    std::function<double()> quantity;
    int decimals;
};

class PageValues : public ::testing::Test {
protected:
    void TearDown() override
    {
        // The panel first: its links stop their threads before the simulators and the process's
        // static objects go.
        delete window;
        window = nullptr;
        if (bms)
            bms->stop();
        if (bmsA)
            bmsA->stop();
        dcBus.stop();
        line.stop();
    }

    // The settings hook changes the monitor settings before the window reads them.
    void start(int batteryType, const std::function<void()>& settings = {})
    {
        ASSERT_TRUE(line.open(tree.path("dev/ttySAC1")));
        for (int node = 1; node <= 11; ++node) {
            ac[node].reset(new AcModuleSim(node));
            ac[node]->setPower(kPowerKw);
            ac[node]->tick(0);
            line.attach(node, ac[node].get());
        }
        line.start();
        ASSERT_TRUE(dcBus.open(tree.root(), "can0", 10));
        dcBus.start();
        bms.reset(new BmsBusSim);
        ASSERT_TRUE(bms->open(tree.root(), "can1", batteryType, 2));
        bms->start();

        readmonitorset();
        set[26].value = batteryType;
        BmsType = batteryType;
        if (settings)
            settings();
        // BMS-A writes into the panel's upward RTU slave, whose line the window opens.
        if (batteryType == 1 || batteryType == 2) {
            bmsA.reset(new BmsRtuSim);
            ASSERT_TRUE(bmsA->open(tree.path("dev/ttySAC3"), batteryType, 2, set[8].value));
            bmsA->setMoving(false);
            bmsA->setPeriod(200);
            bmsA->start();
        }
        window = new MyMainWindow;
        info = window->form()->findChild<interface_SysInf*>();
        diagram = window->form()->findChild<interface_Main*>();
        ASSERT_TRUE(info && diagram);
        // The data thread has judged the branch, and the link has read the modules.
        ASSERT_TRUE(waitFor([] { return dcacstate[20] == 23 && dcacstate[1] == 23 && allData.relay[0] == 1; }))
            << "branch state " << int(dcacstate[20]) << ", module state " << int(dcacstate[1]);
    }

    // A holding register of AC/DC module `node`, scaled.
    double reg(int node, int address, double scale, bool isSigned = true)
    {
        const uint16_t w = ac[node]->holding(address);
        return (isSigned ? double(int16_t(w)) : double(w)) / scale;
    }

    const PaintRecorder& paint(QWidget* page)
    {
        rec.record(page);
        return rec;
    }

    void showSub(int sub, int pageNumber = 1)
    {
        info->change_sub_interface(sub);
        info->findChild<PageTurnAdv*>()->setCurrentPage(pageNumber);
    }

    void expectFields(QWidget* page, const char* title, const std::vector<Field>& fields)
    {
        const PaintRecorder& r = paint(page);
        for (const Field& f : fields) {
            const QString shown = r.textAt(f.x, f.y);
            bool ok = false;
            const double value = shown.toDouble(&ok);
            const double want = f.quantity();
            EXPECT_TRUE(ok) << title << ": " << f.name << " shows \"" << shown.toStdString() << "\"";
            EXPECT_NEAR(value, want, std::pow(10.0, -f.decimals) + 1e-9)
                << title << ": " << f.name << " shows " << shown.toStdString();
        }
    }

    void bmsARowsShowTheUnit(int type);

    void expectText(const QString& title, int x, int y, const QString& want)
    {
        EXPECT_EQ(rec.textAt(x, y), want) << title.toStdString() << " at " << x << "," << y;
    }

    RuntimeTree tree{ true };
    RtuLine line;
    std::map<int, std::unique_ptr<AcModuleSim>> ac;
    DcBusSim dcBus;
    std::unique_ptr<BmsBusSim> bms;
    std::unique_ptr<BmsRtuSim> bmsA;
    MyMainWindow* window = nullptr;
    interface_SysInf* info = nullptr;
    interface_Main* diagram = nullptr;
    PaintRecorder rec{ 796, 480 };
};

TEST_F(PageValues, DcInfoShowsTheBranchOfTheAcDcModules)
{
    start(0);
    showSub(0);
    // One branch of the sample rack: its single column stands at x 365.
    expectFields(info, "DC info",
        {
            { "DC voltage", 365, 80, [&] { return reg(1, 12, 10, false); }, 1 },
            { "DC current", 365, 120, [&] { return reg(1, 13, 10); }, 1 },
            { "DC power", 365, 160, [&] { return reg(1, 14, 10); }, 1 },
        });
    EXPECT_NEAR(rec.textAt(365, 160).toDouble(), rec.textAt(365, 80).toDouble() * rec.textAt(365, 120).toDouble() / 1000,
        0.2);
    expectText("run state", 365, 200, "放电");
    expectText("alarm state", 365, 240, "正常");
    expectText("breaker", 365, 280, "闭合");
}

// Branches on the DC/DC link: each column is one group of DC/DC modules.
TEST_F(PageValues, DcInfoShowsTheBranchesOfTheDcDcModules)
{
    start(0, [] {
        set[24].value = 0;
        set[23].value = 2;
    });
    for (int n = 1; n <= 10; ++n) {
        dcBus.module(n)->setStatus(DcModuleSim::STATUS_STOPPED, false);
        dcBus.module(n)->setStatus(DcModuleSim::STATUS_RUNNING, true);
        dcBus.module(n)->setPower(-6.5);   // charging, 10 A at 650 V
    }
    ASSERT_TRUE(waitFor([] { return dcdcstate[20] == 21 && dcdcstate[21] == 21 && dcdcstate[1] == 21; }))
        << "branch state " << int(dcdcstate[20]);
    showSub(0);
    ASSERT_TRUE(waitFor([&] {
        paint(info);
        return std::fabs(rec.textAt(260, 160).toDouble() + 32.5) < 0.05
            && std::fabs(rec.textAt(470, 160).toDouble() + 32.5) < 0.05;
    })) << rec.textAt(260, 160).toStdString();
    // Two branches: columns at x 260 and 470; five modules in each.
    for (int x : { 260, 470 }) {
        const double u = rec.textAt(x, 80).toDouble();
        const double i = rec.textAt(x, 120).toDouble();
        const double p = rec.textAt(x, 160).toDouble();
        EXPECT_NEAR(u, 650.0, 2.1) << x;
        EXPECT_NEAR(i, -50.0, 0.5) << x;
        EXPECT_NEAR(p, -32.5, 0.05) << x;
        EXPECT_NEAR(u * i / 1000, p, 0.3) << x;
        expectText("DC/DC branch state", x, 200, "充电");
        expectText("DC/DC branch health", x, 240, "正常");
        EXPECT_NEAR(rec.textAt(x, 320).toDouble(), 750.0, 0.1) << "bus voltage at " << x;
    }
    showSub(4);
    paint(info);
    expectText("DC/DC module 1", 540, 80, "运行");

    // A branch stop from the operation page reaches the DC/DC modules of that branch only.
    currentRackInfo.dcViaAcDc = 0;
    interface_Switch* ops = window->form()->findChild<interface_Switch*>();
    ASSERT_TRUE(ops);
    std::vector<int> tips;
    QObject::connect(ops, &interface_Switch::sendcommond, [&](int code) { tips.push_back(code); });
    {
        // The stop waits a few milliseconds for each module's acknowledgement.
        AnswerInline answers(dcBus);
        QMetaObject::invokeMethod(ops, "on_btn_dc1_off_clicked", Qt::DirectConnection);
    }
    EXPECT_EQ(tips, std::vector<int>{ 3 });
    ASSERT_TRUE(waitFor([] { return dcdcstate[20] == 26; })) << "branch 1 state " << int(dcdcstate[20]);
    EXPECT_EQ(dcdcstate[21], 21) << "branch 2 runs on";
    showSub(0);
    ASSERT_TRUE(waitFor([&] {
        paint(info);
        return rec.textAt(260, 160) == "0.0";
    })) << rec.textAt(260, 160).toStdString();
    expectText("DC info after the branch stop", 260, 200, "停机");
}

// A DC/DC module's details: the limits the panel initialised it with (the sample defaults of
// the DC/DC parameter file) come back from the module under their captions.
TEST_F(PageValues, DcDetailsShowTheLimitsTheModulesWereGiven)
{
    start(0, [] {
        set[24].value = 0;
        set[23].value = 2;
    });
    keyword_right = 4;
    showSub(7);
    info->findChild<IdTurn*>()->setCurrentId(1);
    auto left = [](int k) { return 60 + 25 * k; };
    ASSERT_TRUE(waitFor([&] {
        paint(info);
        return rec.textAt(540, left(2)) == "714";
    })) << "charge voltage limit " << rec.textAt(540, left(2)).toStdString();
    expectFields(info, "DC details 1",
        {
            { "discharge voltage limit", 240, left(10), [] { return 591.0; }, 0 },
            { "insulation resistance", 240, left(11), [] { return 2000.0; }, 0 },
            { "maximum charge current", 540, left(0), [] { return 140.0; }, 0 },
            { "maximum discharge current", 540, left(1), [] { return 140.0; }, 0 },
            { "software version", 540, left(6), [] { return double(DcModuleSim::FIRMWARE); }, 0 },
            { "ambient temperature", 540, left(10), [] { return 25.0; }, 0 },
        });
    expectText("caption", 50, left(10), "放电限压");
    expectText("caption", 350, left(2), "充电限压");
}

TEST_F(PageValues, AcInfoShowsPhasesAndTotalsOfTheModules)
{
    start(0);
    showSub(1);
    std::vector<Field> fields;
    const char* phases[3] = { "L1", "L2", "L3" };
    for (int p = 0; p < 3; ++p) {
        const int y = 90 + 50 * p;
        fields.push_back({ phases[p], 90, y, [=] { return reg(1, 19 + p, 10, false); }, 1 });
        fields.push_back({ phases[p], 180, y, [=] { return reg(1, 3 + p, 10); }, 1 });
        fields.push_back({ phases[p], 270, y, [=] { return reg(1, 22 + p, 10); }, 1 });
        fields.push_back({ phases[p], 360, y, [=] { return reg(1, 25 + p, 10); }, 1 });
        fields.push_back({ phases[p], 450, y, [=] { return reg(1, 28 + p, 10, false); }, 1 });
        fields.push_back({ phases[p], 540, y, [=] { return std::fabs(reg(1, 22 + p, 10) / reg(1, 28 + p, 10, false)); }, 2 });
    }
    fields.push_back({ "total active power", 250, 250, [&] { return kPowerKw; }, 1 });
    fields.push_back({ "total reactive power", 600, 250, [&] { return reg(1, 9, 10); }, 1 });
    fields.push_back({ "total apparent power", 250, 300, [&] { return reg(1, 10, 10, false); }, 1 });
    fields.push_back({ "frequency", 600, 300, [&] { return reg(1, 6, 100, false); }, 2 });
    expectFields(info, "AC info", fields);
    // An apparent power below the active power cannot be.
    EXPECT_GE(rec.textAt(250, 300).toDouble(), rec.textAt(250, 250).toDouble());
}

TEST_F(PageValues, AcDetailsShowEachValueUnderItsOwnCaption)
{
    // Set-points module 1 holds: 36.0 kW, -4.5 kVAr, -12.3 A and -10.0 kW on the DC side.
    start(0, [&] {
        ac[1]->setHolding(AcModuleSim::POWER_SETTING, 360);
        ac[1]->setHolding(AcModuleSim::POWER_SETTING + 1, uint16_t(-45));
        ac[1]->setHolding(AcModuleSim::POWER_SETTING + 2, uint16_t(-123));
        ac[1]->setHolding32(0x1110, -10);
        ac[1]->tick(0);
    });
    showSub(6);
    info->findChild<IdTurn*>()->setCurrentId(1);
    info->update();
    // Page 1: rows 0-14 in the left column, 15-29 in the right, 25 pixels apart.
    auto left = [](int k) { return 60 + 25 * k; };
    expectFields(info, "AC details 1",
        {
            { "DC power", 240, left(0), [&] { return reg(1, 14, 10); }, 1 },
            { "grid frequency", 240, left(1), [&] { return reg(1, 6, 100, false); }, 2 },
            { "active power", 240, left(2), [&] { return kPowerKw; }, 1 },
            { "reactive power", 240, left(3), [&] { return reg(1, 9, 10); }, 1 },
            { "DC voltage", 240, left(4), [&] { return reg(1, 12, 10, false); }, 1 },
            { "DC current", 240, left(5), [&] { return reg(1, 13, 10); }, 1 },
            { "Uab", 240, left(6), [&] { return reg(1, 0, 10, false); }, 1 },
            { "Ubc", 240, left(7), [&] { return reg(1, 1, 10, false); }, 1 },
            { "Ia", 240, left(9), [&] { return reg(1, 3, 10); }, 1 },
            { "Ic", 240, left(11), [&] { return reg(1, 5, 10); }, 1 },
            { "apparent power", 240, left(12), [&] { return reg(1, 10, 10, false); }, 1 },
            { "power factor", 240, left(13), [&] { return reg(1, 11, 1000); }, 2 },
            { "heat-sink temperature", 570, left(2), [&] { return reg(1, 55, 1, false); }, 1 },
            { "insulation resistance", 570, left(3), [&] { return reg(1, 57, 1, false); }, 1 },
            { "bus+ voltage", 570, left(12), [&] { return reg(1, 44, 10, false); }, 1 },
            { "bus- voltage", 570, left(13), [&] { return reg(1, 45, 10, false); }, 1 },
        });
    expectText("caption", 30, left(4), "直流电压");
    expectText("caption", 30, left(11), "C相电流");
    expectText("caption", 330, left(12), "正母线电压");
    showSub(6, 2);
    expectFields(info, "AC details 2",
        {
            { "inverter Ua", 240, left(6), [&] { return reg(1, 46, 10, false); }, 1 },
            { "inverter Uc", 240, left(8), [&] { return reg(1, 48, 10, false); }, 1 },
            { "software version", 240, left(10), [&] { return reg(1, 36, 1, false); }, 0 },
            { "active power set-point", 570, left(2), [&] { return 36.0; }, 1 },
            { "reactive power set-point", 570, left(3), [&] { return -4.5; }, 1 },
            { "DC current set-point", 570, left(6), [&] { return -12.3; }, 1 },
            { "DC power set-point", 570, left(7), [&] { return -10.0; }, 1 },
            { "system active power", 570, left(8), [&] { return kPowerKw; }, 1 },
            { "system apparent power", 570, left(10), [&] { return reg(1, 10, 10, false); }, 1 },
            { "system power factor", 570, left(11), [&] { return reg(1, 11, 1000); }, 2 },
        });
    expectText("caption", 30, left(10), "软件版本");
    expectText("caption", 360, left(11), "系统功率因数");
    expectText("caption", 30, left(6), "A相逆变电压");
    showSub(6, 3);
    expectFields(info, "AC details 3",
        {
            { "inductor Ila", 240, left(5), [&] { return reg(1, 49, 10); }, 1 },
            { "inductor Ilc", 240, left(7), [&] { return reg(1, 51, 10); }, 1 },
            { "power factor set-point", 240, left(10), [&] { return 1.0; }, 2 },
            { "rated power", 240, left(14), [&] { return double(AcModuleSim::RATED_KW); }, 1 },
        });
    expectText("caption", 30, left(6), "B相电感电流");
}

// The AC debug sub-page of the settings: each calibration row reads the channel its caption
// names, with its coefficient beside it, and the debug rows the words at the debug addresses.
TEST_F(PageValues, AcDebugRowsReadTheChannelsOfTheirCaptions)
{
    start(0);
    Tab_set* tab = window->form()->findChild<Tab_set*>();
    ASSERT_TRUE(tab);
    // Debug addresses 1 to 3: the DC voltage, frequency and software version words.
    const int addresses[3] = { 12, 6, 36 };
    for (int k = 0; k < 3; ++k)
        ac[1]->setHolding(AcModuleSim::PARAMETERS + AcModuleSim::FIRST_DEBUG_ADDRESS + k, uint16_t(addresses[k]));
    ac[1]->tick(0);
    struct Row {
        int page;
        const char* label;
        std::function<double()> quantity;
        int decimals;
    };
    auto one = [] { return 1.0; };
    const Row rows[] = {
        { 1, "label_80", [&] { return reg(1, 12, 1, false); }, 0 },
        { 1, "label_77", [&] { return reg(1, 6, 1, false); }, 0 },
        { 1, "label_79", [&] { return reg(1, 36, 1, false); }, 0 },
        { 2, "label_286", [&] { return reg(1, 0, 10, false); }, 1 },   // grid Uab
        { 2, "label_287", [&] { return reg(1, 1, 10, false); }, 1 },   // grid Ubc
        { 2, "label_288", [&] { return reg(1, 2, 10, false); }, 1 },   // grid Uca
        { 2, "label_289", [&] { return reg(1, 3, 10); }, 1 },          // Ia
        { 2, "label_291", [&] { return reg(1, 5, 10); }, 1 },          // Ic
        { 2, "label_292", [&] { return reg(1, 49, 10); }, 1 },         // inductor Ila
        { 2, "label_294", [&] { return reg(1, 51, 10); }, 1 },         // inductor Ilc
        { 2, "label_231", one, 3 },
        { 2, "label_246", one, 3 },
        { 3, "label_295", [&] { return reg(1, 46, 10, false); }, 1 },  // inverter Ua
        { 3, "label_297", [&] { return reg(1, 48, 10, false); }, 1 },  // inverter Uc
        { 3, "label_298", [&] { return reg(1, 44, 10, false); }, 1 },  // bus+
        { 3, "label_299", [&] { return reg(1, 45, 10, false); }, 1 },  // bus-
        { 3, "label_300", [&] { return reg(1, 13, 10); }, 1 },         // DC current
        { 3, "label_301", [&] { return reg(1, 12, 10, false); }, 1 },  // DC voltage
        { 3, "label_260", one, 3 },
    };
    keyword_right = 4;
    tab->setfirstindex(7);
    const int formPage[4] = { 0, 7, 22, 23 };
    for (int page = 1; page <= 3; ++page) {
        tab->setsubindex(page);
        tab->setCurrentIndex(formPage[page]);
        auto shown = [&](const Row& r) { return tab->findChild<QLabel*>(r.label)->text(); };
        auto agrees = [&](const Row& r) {
            bool ok = false;
            const double v = shown(r).toDouble(&ok);
            return ok && std::fabs(v - r.quantity()) <= std::pow(10.0, -r.decimals) + 1e-9;
        };
        // The link has read the debug words after the addresses changed.
        waitFor([&] {
            tab->mpaintEvent();
            for (const Row& r : rows)
                if (r.page == page && !agrees(r))
                    return false;
            return true;
        }, 5000);
        for (const Row& r : rows) {
            if (r.page != page)
                continue;
            EXPECT_TRUE(agrees(r)) << "AC debug page " << page << ": " << r.label << " shows "
                                   << shown(r).toStdString();
        }
    }
}

TEST_F(PageValues, ModuleStatusShowsVersionsAndRunningModules)
{
    start(0);
    showSub(4);
    // The U2 unit is polled after module 1: its row is waited for, not assumed read.
    waitFor([&] { return paint(info).textAt(240, 80 + 35 * 10) == QString::fromUtf8("运行"); });
    expectFields(info, "module status",
        {
            { "AC/DC module 1 version", 180, 80, [&] { return reg(1, 36, 1, false); }, 0 },
            { "U2 version", 180, 80 + 35 * 10, [&] { return reg(11, 36, 1, false); }, 0 },
        });
    expectText("AC/DC module 1", 240, 80, "运行");
    expectText("U2", 240, 80 + 35 * 10, "运行");
}

TEST_F(PageValues, DiagramShowsTheBusAndTheBranch)
{
    start(0);
    window->form()->slot_toolbar(0);
    paint(diagram);
    const QString u = QString("U: %1 /%2 /%3").arg(reg(1, 19, 10, false), 0, 'f', 1).arg(reg(1, 20, 10, false), 0, 'f', 1)
        .arg(reg(1, 21, 10, false), 0, 'f', 1);
    expectText("AC bus", 378, 128, u);
    expectText("AC bus", 380, 168, QString("P: %1kW").arg(kPowerKw, 0, 'f', 1));
    expectText("branch", 440, 320,
        QString("%1V /%2A").arg(reg(1, 12, 10, false), 0, 'f', 1).arg(reg(1, 13, 10), 0, 'f', 1));
    // Closed blades: the branch breaker (horizontal at 550, 288) and the AC breaker (vertical at 350, 80).
    EXPECT_TRUE(rec.line(QPointF(554, 284), QPointF(574, 284))) << "branch breaker drawn open";
    EXPECT_TRUE(rec.line(QPointF(354, 84), QPointF(354, 104))) << "AC breaker drawn open";
}

TEST_F(PageValues, BmsFRowsShowTheRackUnderTheirCaptions)
{
    start(7);
    showSub(5);
    info->findChild<IdTurn*>()->setCurrentId(1);
    ASSERT_TRUE(waitFor([&] {
        paint(info);
        return std::fabs(rec.textAt(250, 368).toDouble() - bms->snapshot(0).cellMax) < 0.002
            && std::fabs(rec.textAt(550, 176).toDouble() - bms->snapshot(0).tempMax) < 0.2;
    }));
    auto rack = [&] { return bms->snapshot(0); };
    auto y = [](int k) { return 80 + 32 * k; };
    expectFields(info, "BMS-F 1",
        {
            { "rack voltage", 250, y(0), [&] { return rack().rackVoltage(); }, 1 },
            { "rack current", 250, y(1), [&] { return rack().current; }, 1 },
            { "rack power", 250, y(2), [&] { return rack().power(); }, 1 },
            { "SOC", 250, y(3), [&] { return std::round(rack().soc); }, 0 },
            { "SOH", 250, y(4), [&] { return std::round(rack().soh); }, 0 },
            { "charge limit", 250, y(7), [&] { return rack().chargeLimit; }, 1 },
            { "discharge limit", 250, y(8), [&] { return rack().dischargeLimit; }, 1 },
            { "max cell voltage", 250, y(9), [&] { return rack().cellMax; }, 3 },
            { "min cell voltage", 550, y(0), [&] { return rack().cellMin; }, 3 },
            { "max temperature", 550, y(3), [&] { return rack().tempMax; }, 1 },
            { "min temperature", 550, y(4), [&] { return rack().tempMin; }, 1 },
        });
    expectText("caption", 20, y(3), "SOC(%)");
    expectText("caption", 20, y(9), "最高单体电压(V)");
    expectText("caption", 320, y(3), "最高温度(°C)");
    // Pages 2 to 4 have a caption on every line that shows a value.
    for (int pageNumber = 2; pageNumber <= 4; ++pageNumber) {
        showSub(5, pageNumber);
        paint(info);
        const std::map<int, int> labelOf = pageNumber == 2 ? std::map<int, int>{ { 250, 20 }, { 550, 320 } }
                                                           : std::map<int, int>{ { 220, 50 }, { 480, 310 } };
        int values = 0;
        for (const PaintRecorder::Text& t : rec.texts) {
            const auto label = labelOf.find(int(t.pos.x()));
            if (label == labelOf.end() || t.pos.y() < 80 || t.pos.y() > 420)
                continue;
            ++values;
            EXPECT_FALSE(rec.textAt(label->second, t.pos.y()).trimmed().isEmpty())
                << "BMS-F page " << pageNumber << ": no caption for " << t.text.toStdString() << " at y "
                << t.pos.y();
        }
        EXPECT_GT(values, 5) << "BMS-F page " << pageNumber;
    }
}

// The generic protocol (battery types without a protocol of their own, here BMS-G-pre).
TEST_F(PageValues, GenericBmsRowsShowTheRack)
{
    start(8);
    showSub(5);
    info->findChild<IdTurn*>()->setCurrentId(1);
    auto rack = [&] { return bms->snapshot(0); };
    auto y = [](int k) { return 80 + 32 * k; };
    // The rack's first frames must have arrived before page 1 shows them.
    ASSERT_TRUE(waitFor([&] {
        paint(info);
        return rec.textAt(400, y(5)) == QString::number(rack().cycles) && rec.textAt(400, y(4)) == "开启";
    }));
    expectText("generic page 1", 400, y(1), "使能");
    expectText("generic page 1", 400, y(4), "开启");
    expectText("generic page 1", 400, y(5), QString::number(rack().cycles));
    expectText("generic page 1 caption", 200, y(5), "循环次数");
    showSub(5, 3);
    ASSERT_TRUE(waitFor([&] {
        paint(info);
        return std::fabs(rec.textAt(290, y(10)).toDouble() - rack().cellMax) < 0.002;
    }));
    expectFields(info, "generic page 3",
        {
            { "SOC", 290, y(0), [&] { return std::round(rack().soc / 0.4) * 0.4; }, 1 },
            { "rack voltage", 290, y(1), [&] { return rack().rackVoltage(); }, 1 },
            { "rack current", 290, y(2), [&] { return rack().current; }, 1 },
            { "SOH", 290, y(3), [&] { return rack().soh; }, 2 },
            { "charge limit", 290, y(5), [&] { return rack().chargeLimit; }, 1 },
            { "discharge limit", 290, y(7), [&] { return rack().dischargeLimit; }, 1 },
            { "rack power", 290, y(9), [&] { return rack().power(); }, 1 },
            { "max cell voltage", 290, y(10), [&] { return rack().cellMax; }, 3 },
            { "min cell voltage", 590, y(0), [&] { return rack().cellMin; }, 3 },
            { "max temperature", 590, y(5), [&] { return std::round(rack().tempMax); }, 0 },
            { "min temperature", 590, y(6), [&] { return std::round(rack().tempMin); }, 0 },
        });
    expectText("generic page 3 caption", 50, y(0), "SOC(%)");
    expectText("generic page 3 caption", 350, y(5), "最高温度(°C)");
}

// The 11-bit protocol of battery type 4.
TEST_F(PageValues, KwbeRowsShowTheBattery)
{
    start(4);
    showSub(5, 3);
    auto rack = [&] { return bms->snapshot(0); };
    auto y = [](int k) { return 80 + 30 * k; };
    ASSERT_TRUE(waitFor([&] {
        paint(info);
        return std::fabs(rec.textAt(420, y(0)).toDouble() - rack().rackVoltage()) < 0.02;
    }));
    expectFields(info, "type 4 page 3",
        {
            { "rack voltage", 420, y(0), [&] { return rack().rackVoltage(); }, 2 },
            { "rack current", 420, y(1), [&] { return rack().current; }, 1 },
            { "SOC", 420, y(2), [&] { return std::round(rack().soc); }, 0 },
            { "SOH", 420, y(3), [&] { return std::round(rack().soh); }, 0 },
            { "max temperature", 420, y(4), [&] { return rack().tempMax; }, 1 },
            { "charge limit", 420, y(6), [&] { return rack().chargeLimit; }, 1 },
            { "discharge limit", 420, y(7), [&] { return rack().dischargeLimit; }, 1 },
        });
    expectText("type 4 page 3 caption", 120, y(2), "SOC(%)");
}

// BMS-A (both protocol versions) writes its units into the upward RTU slave: page 1 shows the
// units' state flags, page 2 their values, the 32-bit ones in the version's word order.
void PageValues::bmsARowsShowTheUnit(int type)
{
    start(type);
    if (HasFatalFailure())
        return;
    showSub(5);
    auto y = [](int k) { return 80 + 32 * k; };
    bmsA->setFlag(0, 0, true);   // charge forbidden
    ASSERT_TRUE(waitFor([&] {
        paint(info);
        return rec.textAt(500, y(0)) == "有效";
    })) << "BMS-A page 1 shows " << rec.textAt(500, y(0)).toStdString();
    for (int r = 0; r < 10; ++r)
        expectText(QString("BMS-A %1 flag %2").arg(type).arg(r), 500, y(r), bmsA->flag(0, r) ? "有效" : "无效");
    expectText("BMS-A caption", 200, y(9), "主接触器闭合");

    showSub(5, 2);
    auto rack = [&] { return bmsA->snapshot(0); };
    ASSERT_TRUE(waitFor([&] {
        paint(info);
        return std::fabs(rec.textAt(290, y(0)).toDouble() - rack().soc) < 0.011;
    })) << "BMS-A page 2 SOC " << rec.textAt(290, y(0)).toStdString();
    expectFields(info, type == 1 ? "BMS-A-1.2 page 2" : "BMS-A-1.4 page 2",
        {
            { "SOC", 290, y(0), [&] { return rack().soc; }, 2 },
            { "charged energy", 290, y(1), [&] { return bmsA->chargedKwh(0); }, 1 },
            { "discharged energy", 290, y(2), [&] { return bmsA->dischargedKwh(0); }, 1 },
            { "remaining capacity", 290, y(3), [&] { return rack().soc / 100 * rack().capacityAh; }, 1 },
            { "rack voltage", 290, y(4), [&] { return rack().rackVoltage(); }, 1 },
            { "rack current", 290, y(5), [&] { return rack().current; }, 1 },
            { "rack power", 290, y(6), [&] { return rack().power(); }, 1 },
            { "SOH", 290, y(7), [&] { return rack().soh; }, 1 },
            { "max cell voltage", 290, y(8), [&] { return rack().cellMax * 1000; }, 0 },
            { "min cell voltage", 620, y(0), [&] { return rack().cellMin * 1000; }, 0 },
            { "max temperature", 620, y(1), [&] { return rack().tempMax; }, 1 },
            { "min temperature", 620, y(2), [&] { return rack().tempMin; }, 1 },
            { "cycles", 620, y(3), [&] { return rack().cycles; }, 0 },
            { "charge limit", 620, y(6), [&] { return rack().chargeLimit; }, 0 },
            { "discharge limit", 620, y(7), [&] { return rack().dischargeLimit; }, 0 },
        });
    expectText("BMS-A caption", 20, y(0), "SOC(%)");
    expectText("BMS-A caption", 380, y(6), "充电限流(A)");
}

TEST_F(PageValues, BmsA12RowsShowTheUnit)
{
    bmsARowsShowTheUnit(1);
}

TEST_F(PageValues, BmsA14RowsShowTheUnit)
{
    bmsARowsShowTheUnit(2);
}

// The operation and control-mode pages' commands reach the simulated modules and take effect.
TEST_F(PageValues, OperationCommandsReachTheModulesAndTakeEffect)
{
    start(0);
    interface_Switch* ops = window->form()->findChild<interface_Switch*>();
    interface_CtrMod* mode = window->form()->findChild<interface_CtrMod*>();
    ASSERT_TRUE(ops && mode);
    std::vector<int> tips;
    QObject::connect(ops, &interface_Switch::sendcommond, [&](int code) { tips.push_back(code); });
    auto wrote = [&](int node, const std::string& line) {
        const std::vector<std::string> w = ac[node]->writes();
        return std::find(w.begin(), w.end(), line) != w.end();
    };

    QMetaObject::invokeMethod(ops, "on_btn_off_clicked", Qt::DirectConnection);
    EXPECT_EQ(tips, std::vector<int>{ 3 }) << "总关机 answered";
    EXPECT_TRUE(wrote(1, "6 4096 0"));
    EXPECT_EQ(ac[1]->runState(), AcModuleSim::Stopped);
    ASSERT_TRUE(waitFor([] { return dcacstate[20] == 26; })) << "branch state " << int(dcacstate[20]);
    showSub(0);
    paint(info);
    expectText("DC info after the stop", 365, 160, "0.0");
    expectText("DC info after the stop", 365, 200, "停机");

    tips.clear();
    QMetaObject::invokeMethod(ops, "on_btn_on_clicked", Qt::DirectConnection);
    EXPECT_EQ(tips, std::vector<int>{ 3 }) << "总开机 answered";
    EXPECT_EQ(ac[1]->runState(), AcModuleSim::Running);
    ASSERT_TRUE(waitFor([] { return dcacstate[20] == 23; }));

    tips.clear();
    QMetaObject::invokeMethod(ops, "on_btn_outgrid_clicked", Qt::DirectConnection);
    QMetaObject::invokeMethod(ops, "on_btn_clearfault_clicked", Qt::DirectConnection);
    QMetaObject::invokeMethod(ops, "on_btn_off_2_clicked", Qt::DirectConnection);
    QMetaObject::invokeMethod(ops, "on_btn_dc1_on_clicked", Qt::DirectConnection);
    QMetaObject::invokeMethod(ops, "on_btn_ingrid_clicked", Qt::DirectConnection);
    EXPECT_EQ(tips, std::vector<int>(5, 3));
    EXPECT_TRUE(wrote(1, "6 4098 1")) << "off-grid";
    EXPECT_TRUE(wrote(1, "6 4097 1")) << "fault reset";
    EXPECT_TRUE(wrote(1, "6 4098 0")) << "grid-tied";
    EXPECT_EQ(ac[1]->runState(), AcModuleSim::Running) << "the branch start follows the AC stop";

    // Control modes: the converters' mode and dispatch points are written.
    mode->set_local_auto();
    mode->set_telecont();
    mode->set_local_hand();
    const std::string controlMode = "6 " + std::to_string(AcModuleSim::PARAMETERS + 107) + " ";
    EXPECT_TRUE(wrote(1, controlMode + "1"));
    EXPECT_TRUE(wrote(1, controlMode + "2"));
    EXPECT_TRUE(wrote(1, controlMode + "0"));
}

}
