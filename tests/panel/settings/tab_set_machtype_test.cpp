#include "tab_set.h"

#include "globalvar.h"
#include "machtypecombo.h"
#include "monitorset.h"
#include "racktable.h"
#include "runtimetree.h"
#include "settingspage.h"
#include "settingstest.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Apply {
    RuntimeTree tree;
    FakeDevice rtu, tcp, sts;
    PendingDevice ac, dc;
    Tab_set tab;

    Apply()
    {
        for (int i = 0; i < 80; ++i)
            set[i].value = 0;
        set[0].value = 5;
        set[3].text = "192.168.1.10";
        set[4].text = "192.168.1.1";
        set[5].text = "255.255.255.0";
        rackInfoMap.clear();
        keyword_right = 4;
        tab.setDeviceViews(&rtu, &tcp, &ac, &dc, &sts);
        ac.writes.clear();
        dc.writes.clear();
        sts.writes.clear();
        tcp.writes.clear();
    }
    template <typename T> T* w(const char* name) { return tab.findChild<T*>(name); }
    // Shows inputs 2..n, hides the rest.
    void inputs(int n)
    {
        const char* boxes[] = { "comboBox_40", "comboBox_41", "comboBox_42" };
        for (int i = 0; i < 3; ++i)
            w<QComboBox>(boxes[i])->setHidden(i + 2 > n);
    }
    void addRack(int code, int typeOption, int dcViaAcDc, int strings)
    {
        RackInfoStuct row;
        std::memset(&row, 0, sizeof row);
        row.machineType = code;
        row.typeOption = typeOption;
        row.dcViaAcDc = dcViaAcDc;
        row.stringCount = strings;
        rackInfoMap[code] = row;
    }
    void run()
    {
        BoxAnswer ok(QMessageBox::Ok);
        QMetaObject::invokeMethod(&tab, "on_pushButton_clicked");
    }
};

using Writes = std::vector<std::pair<int, int>>;   // module, index

Writes writesOf(const FakeDevice& d)
{
    Writes out;
    for (const FakeDevice::Write& w : d.writes)
        out.push_back({ w.module, w.index });
    return out;
}

TEST(Tab_set_machtype, DerivesTheCabinetSettingsFromTheRackRow)
{
    Apply a;
    a.addRack(6, 0, 0, 2);
    a.w<MachTypeCombo>("comboBox_33")->setCurrentIndex(6);
    a.inputs(2);
    a.run();
    EXPECT_EQ(set[22].value, 6);
    EXPECT_EQ(set[14].value, 1);
    EXPECT_EQ(set[23].value, 2);
    EXPECT_EQ(set[24].value, 0);
    EXPECT_EQ(set[21].value, 1);
    EXPECT_EQ(currentRackInfo.stringCount, 2);
    EXPECT_TRUE(a.ac.wrote(0, 156, 6));
    EXPECT_TRUE(a.dc.wrote(0, 53, 6));
    EXPECT_TRUE(a.sts.wrote(0, 58, 6));
    // The derived settings reach the file.
    EXPECT_EQ(savedSetting(22).value, 6);
    EXPECT_EQ(savedSetting(14).value, 1);
    EXPECT_EQ(savedSetting(23).value, 2);
    EXPECT_EQ(savedSetting(21).value, 1);
    EXPECT_TRUE(a.w<QPushButton>("pushButton")->isEnabled());
    EXPECT_EQ(a.w<QPushButton>("pushButton")->text(), QString::fromUtf8("应用"));
}

TEST(Tab_set_machtype, UnknownCodeGivesAnEmptyRackRow)
{
    Apply a;
    a.addRack(3, 1, 1, 4);
    a.w<MachTypeCombo>("comboBox_33")->setCurrentIndex(101);
    a.w<QComboBox>("comboBox_35")->setCurrentIndex(4);
    a.inputs(1);
    a.run();
    EXPECT_EQ(set[22].value, 101);
    EXPECT_EQ(set[14].value, 1);
    EXPECT_EQ(set[23].value, 0);
    EXPECT_EQ(set[24].value, 0);
    EXPECT_EQ(set[21].value, 0);
    EXPECT_EQ(currentRackInfo.machineType, 0);
}

TEST(Tab_set_machtype, FixedSettingsRackNumberAndControlWord)
{
    const int words[][2] = { { 40000, 32767 }, { -40000, -32768 }, { 12, 12 } };
    for (const auto& word : words) {
        Apply a;
        a.addRack(0, 1, 1, 1);
        a.inputs(1);
        set[25].value = word[0];
        a.w<QComboBox>("comboBox_37")->setCurrentIndex(0);
        a.w<QComboBox>("comboBox_36")->setCurrentIndex(1);
        a.w<QComboBox>("comboBox_50")->setCurrentIndex(1);
        a.w<QComboBox>("comboBox_38")->setCurrentIndex(3);
        a.w<QComboBox>("comboBox_39")->setCurrentIndex(2);
        a.run();
        EXPECT_EQ(set[25].value, word[1]);
        EXPECT_TRUE(a.ac.wrote(0, 126, float(word[1])));
        EXPECT_TRUE(a.dc.wrote(0, 49, float(word[1])));
        EXPECT_TRUE(a.ac.wrote(0, 99, 1));
        EXPECT_TRUE(a.dc.wrote(0, 36, 1));
        EXPECT_TRUE(a.sts.wrote(0, 41, 1));
        EXPECT_TRUE(a.ac.wrote(0, 80, 1));
        EXPECT_TRUE(a.sts.wrote(0, 43, 1));
        EXPECT_TRUE(a.ac.wrote(0, 79, 1));
        EXPECT_TRUE(a.sts.wrote(0, 59, 1));
        EXPECT_TRUE(a.sts.wrote(0, 42, 3));
        EXPECT_TRUE(a.ac.wrote(0, 110, 2));
        EXPECT_TRUE(a.dc.wrote(0, 23, 2));
    }
}

TEST(Tab_set_machtype, SingleInputGoesToAllBranchesWithDefaultsOfTheFirst)
{
    Apply a;
    a.addRack(0, 1, 0, 1);
    a.inputs(1);
    a.w<QComboBox>("comboBox_34")->setCurrentIndex(4);
    a.dc.config[{ 1001, 41 }] = 100;
    a.dc.config[{ 1001, 42 }] = 24;
    set[7].value = 0;
    a.tab.dcModule = 1006;
    a.run();
    const Writes dc = writesOf(a.dc);
    ASSERT_GE(dc.size(), 12u);
    EXPECT_EQ(dc[1], std::make_pair(0, 35));
    const int defaults[10] = { 37, 27, 30, 46, 40, 24, 44, 43, 38, 33 };
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(dc[2 + i], std::make_pair(1001, defaults[i])) << i;
    EXPECT_EQ(set[7].value, 0);
    EXPECT_EQ(a.tab.dcModule, 1006);
}

TEST(Tab_set_machtype, LeadAcidInputGetsItsDefaultsBeforeTheNextInput)
{
    Apply a;
    a.addRack(13, 1, 0, 4);
    a.inputs(4);
    a.w<QComboBox>("comboBox_41")->setCurrentIndex(4);
    a.w<QComboBox>("comboBox_42")->setCurrentIndex(1);
    a.dc.config[{ 1003, 41 }] = 200;
    a.dc.config[{ 1003, 42 }] = 48;
    a.run();
    Writes dc = writesOf(a.dc);
    Writes branchWrites;
    for (const auto& w : dc)
        if (w.first >= 1001)
            branchWrites.push_back(w);
    ASSERT_EQ(branchWrites.size(), 14u);
    EXPECT_EQ(branchWrites[0], std::make_pair(1001, 35));
    EXPECT_EQ(branchWrites[1], std::make_pair(1002, 35));
    EXPECT_EQ(branchWrites[2], std::make_pair(1003, 35));
    EXPECT_EQ(branchWrites[3], std::make_pair(1003, 37));
    EXPECT_EQ(branchWrites[12], std::make_pair(1003, 33));
    EXPECT_EQ(branchWrites[13], std::make_pair(1004, 35));
    EXPECT_TRUE(a.dc.wrote(1004, 35, 1));
}

TEST(Tab_set_machtype, AcDcPathWritesTypesWithoutDefaults)
{
    Apply a;
    a.addRack(31, 1, 1, 3);
    a.w<MachTypeCombo>("comboBox_33")->setCurrentIndex(31);
    a.inputs(3);
    a.w<QComboBox>("comboBox_34")->setCurrentIndex(4);
    a.w<QComboBox>("comboBox_40")->setCurrentIndex(4);
    a.run();
    EXPECT_EQ(set[24].value, 1);
    Writes branchWrites;
    for (const auto& w : writesOf(a.ac))
        if (w.first >= 1001)
            branchWrites.push_back(w);
    EXPECT_EQ(branchWrites, (Writes{ { 1001, 104 }, { 1002, 104 }, { 1003, 104 } }));
    EXPECT_TRUE(a.ac.wrote(1002, 104, 4));
}

TEST(Tab_set_machtype, LeadAcidDefaultsFromCapacityAndCells)
{
    Apply a;
    set[24].value = 1;
    set[7].value = 0;
    a.tab.dcModule = 1002;
    a.ac.config[{ 1003, 117 }] = 100;
    a.ac.config[{ 1003, 118 }] = 24;
    a.tab.setParmToDefault(1003);
    const int index[10] = { 101, 93, 90, 123, 116, 103, 121, 119, 102, 120 };
    const float value[10] = { 55.2f, 52.8f, 39.6f, 43.2f, 39.6f, 15, 100, 5, 2, 0 };
    ASSERT_EQ(a.ac.writes.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(a.ac.writes[i].module, 1003);
        EXPECT_EQ(a.ac.writes[i].index, index[i]);
        EXPECT_NEAR(a.ac.writes[i].value, value[i], 1e-4) << i;
    }
    EXPECT_EQ(set[7].value, 0);
    EXPECT_EQ(a.tab.dcModule, 1002);
}

// Which tab each sub-page shows first, and the sub-page of every other tab.
const int kSubPageOfTab[28] = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 6, 6, 7, 7, 2, 3, 0, 2 };

TEST(Tab_set_machtype, LevelRulesOfTheSubPages)
{
    struct LevelCase {
        int level;
        // Machine-type page: page, model, rated frequency, input 1 type, control word, apply.
        const char* machineType;
    };
    const LevelCase cases[] = {
        { 0, "000000" }, { 1, "000000" }, { 2, "000000" }, { 3, "101011" }, { 4, "111111" }, { 8, "111111" },
    };
    for (const LevelCase& c : cases) {
        SCOPED_TRACE(c.level);
        SettingsPage p(c.level);
        // The debug sub-pages follow their module's online state; here the modules answer.
        p.ac.status[{ 1, 0 }] = 1;
        p.dc.status[{ 1, 100 }] = 1;
        p.attach();
        p.show(1, 1);
        std::string got;
        for (const char* name : { "tab_17", "comboBox_33", "comboBox_36", "comboBox_34", "lineEdit_3", "pushButton" })
            got += p.w<QWidget>(name)->isEnabled() ? '1' : '0';
        EXPECT_EQ(got, c.machineType);
        // Sub-pages whose refresher is not built never come alive, at any level.
        for (int tab = 0; tab < 28; ++tab) {
            const int f = kSubPageOfTab[tab];
            p.tab.setfirstindex(f);
            // The calibration pages: the switch's third page and the AC debug pages 2 and 3.
            const bool calibration = tab == 21 || tab == 22 || tab == 23;
            p.tab.setsubindex(tab == 20 || tab == 22 ? 2 : (tab == 21 || tab == 23 ? 3 : 1));
            p.tab.setCurrentIndex(tab);
            p.tab.mpaintEvent();
            // The switch timing rows (tab 19) sit in the DC sub-page but have no entries.
            const bool built = f == 0 || f == 2 || f == 3 || f == 4 || (f == 5 && tab != 19) || f == 9
                || (f == 1 && c.level >= 3) || ((f == 6 || f == 7 || f == 8) && (!calibration || c.level >= 3));
            EXPECT_EQ(p.tab.widget(tab)->isEnabled(), built) << "tab " << tab;
        }
    }
}

// The machine-type page as the refresh fills it from the devices, at user level 3: model 6
// (two DC inputs, own DC/DC link), input 1 PV, input 2 lithium, inverter type 2, 60 Hz, 380 V,
// rack 3, working mode 1, soft start from AC, the Chinese standard.
struct ApplyPage : SettingsPage {
    ApplyPage()
        : SettingsPage(3)
    {
        RackInfoStuct row;
        std::memset(&row, 0, sizeof row);
        row.machineType = 6;
        row.typeOption = 1;
        row.stringCount = 2;
        rackInfoMap[6] = row;
        set[25].value = 7;
        ac.config[{ 0, 156 }] = 6;
        dc.config[{ 1001, 35 }] = 1;
        dc.config[{ 1002, 35 }] = 0;
        ac.config[{ 0, 109 }] = 2;
        sts.config[{ 0, 43 }] = 1;
        ac.config[{ 0, 79 }] = 0;
        ac.config[{ 0, 99 }] = 3;
        ac.config[{ 0, 72 }] = 1;
        ac.config[{ 0, 110 }] = 1;
    }
    // Refreshes the page, applies it and answers its boxes; the texts of the boxes.
    QStringList apply()
    {
        attach();
        show(1, 1);
        clearWrites();
        Boxes boxes;
        slot("on_pushButton_clicked");
        return boxes.texts;
    }
};

const char kPowerCycle[] = "该设置需机架下电重启生效,请将机架下电!";

// Every write of the apply, across the three devices, in the order made.
const std::vector<std::string> kApplyOrder = {
    "ac 0 156", "dc 0 53", "sts 0 58",            // machine type
    "dc 1001 35", "dc 1002 35",                   // DC input types
    "ac 0 109", "dc 0 22",                        // inverter type
    "ac 0 80", "sts 0 43",                        // rated frequency
    "ac 0 79", "sts 0 59",                        // rated voltage
    "ac 0 99", "dc 0 36", "sts 0 41",             // rack number
    "ac 0 72", "dc 0 34", "sts 0 42",             // working mode
    "ac 0 110", "dc 0 23",                        // soft start
    "ac 0 126", "dc 0 49",                        // control word 3
    "ac 0 71", "sts 0 48",                        // certification standard
};

TEST(Tab_set_machtype, ApplyAtLevelThreeWritesEveryChoiceInItsOrder)
{
    ApplyPage p;
    const QStringList boxes = p.apply();
    EXPECT_EQ(p.order, kApplyOrder);
    EXPECT_EQ(boxes, QStringList() << QString::fromUtf8(kPowerCycle));
    EXPECT_TRUE(p.dc.wrote(1001, 35, 1));
    EXPECT_TRUE(p.dc.wrote(1002, 35, 0));
    EXPECT_TRUE(p.ac.wrote(0, 109, 2));
    EXPECT_TRUE(p.dc.wrote(0, 22, 2));
    EXPECT_TRUE(p.sts.wrote(0, 43, 1));
    EXPECT_TRUE(p.ac.wrote(0, 99, 3));
    EXPECT_TRUE(p.ac.wrote(0, 72, 1));
    EXPECT_TRUE(p.dc.wrote(0, 34, 1));
    EXPECT_TRUE(p.sts.wrote(0, 42, 1));
    EXPECT_TRUE(p.dc.wrote(0, 23, 1));
    EXPECT_TRUE(p.ac.wrote(0, 126, 7));
    EXPECT_EQ(p.tips, std::vector<int>(kApplyOrder.size(), 3));
    EXPECT_EQ(set[22].value, 6);
    EXPECT_EQ(set[21].value, 1);
}

TEST(Tab_set_machtype, BlankChoiceWritesNothingForItselfAndIsNamed)
{
    struct Case {
        const char* name;
        std::function<void(ApplyPage&)> stored;   // device values without a row in their box
        std::vector<std::string> notWritten;
        const char* named;
    };
    const Case cases[] = {
        { "inverter type 12", [](ApplyPage& p) { p.ac.config[{ 0, 109 }] = 12; }, { "ac 0 109", "dc 0 22" },
            "逆变器类型" },
        { "working mode 9", [](ApplyPage& p) { p.ac.config[{ 0, 72 }] = 9; }, { "ac 0 72", "dc 0 34", "sts 0 42" },
            "工作模式" },
        { "rated frequency 2", [](ApplyPage& p) { p.sts.config[{ 0, 43 }] = 2; }, { "ac 0 80", "sts 0 43" },
            "额定频率等级" },
        { "rated voltage 5", [](ApplyPage& p) { p.ac.config[{ 0, 79 }] = 5; }, { "ac 0 79", "sts 0 59" },
            "额定电压等级" },
        { "rack 0", [](ApplyPage& p) { p.ac.config[{ 0, 99 }] = 0; }, { "ac 0 99", "dc 0 36", "sts 0 41" },
            "机架ID" },
        { "soft start 3", [](ApplyPage& p) { p.ac.config[{ 0, 110 }] = 3; }, { "ac 0 110", "dc 0 23" },
            "软启动方式" },
        { "input 2 type 7", [](ApplyPage& p) { p.dc.config[{ 1002, 35 }] = 7; }, { "dc 1002 35" },
            "直流2接入类型" },
        { "input 1 type 6", [](ApplyPage& p) { p.dc.config[{ 1001, 35 }] = 6; }, { "dc 1001 35" },
            "直流1接入类型" },
        { "standard 4", [](ApplyPage&) { set[53].value = 4; }, { "ac 0 71", "sts 0 48" }, "认证标准" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ApplyPage p;
        set[21].value = 0;
        c.stored(p);
        const QStringList boxes = p.apply();
        std::vector<std::string> expected;
        for (const std::string& w : kApplyOrder)
            if (std::find(c.notWritten.begin(), c.notWritten.end(), w) == c.notWritten.end())
                expected.push_back(w);
        EXPECT_EQ(p.order, expected);
        ASSERT_EQ(boxes.size(), 2);
        EXPECT_EQ(boxes[0], QString::fromUtf8("以下选项未选择，未下发：\n") + QString::fromUtf8(c.named));
        EXPECT_EQ(boxes[1], QString::fromUtf8(kPowerCycle));
        // The page is ready for the next apply.
        EXPECT_TRUE(p.w<QPushButton>("pushButton")->isEnabled());
        EXPECT_EQ(p.tab.machTypeDirty, 0);
    }
}

TEST(Tab_set_machtype, BlankModelLeavesTheCabinetDescriptionAsItWas)
{
    ApplyPage p;
    p.ac.config[{ 0, 156 }] = 50;
    p.ac.config[{ 0, 109 }] = 12;
    set[22].value = 13;
    set[23].value = 3;
    set[24].value = 0;
    set[21].value = 0;
    set[53].value = 6;
    currentRackInfo.stringCount = 3;
    const QStringList boxes = p.apply();
    for (const char* w : { "ac 0 156", "dc 0 53", "sts 0 58", "ac 0 109", "dc 0 22", "ac 0 71", "sts 0 48" })
        EXPECT_EQ(std::count(p.order.begin(), p.order.end(), w), 0) << w;
    EXPECT_EQ(set[22].value, 13);
    EXPECT_EQ(set[23].value, 3);
    EXPECT_EQ(set[21].value, 0);
    EXPECT_EQ(set[53].value, 6);
    EXPECT_EQ(currentRackInfo.stringCount, 3);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0], QString::fromUtf8("以下选项未选择，未下发：\n机型设置\n逆变器类型\n认证标准"));
    // The clamped control word is still saved, and the standard in force with it.
    set[25].value = 40000;
    p.apply();
    EXPECT_EQ(savedSetting(25).value, 32767);
    EXPECT_EQ(savedSetting(53).value, 6);
}

TEST(Tab_set_machtype, ApplyWritesNothingBelowLevelThree)
{
    for (int level : { 1, 2 }) {
        SettingsPage p(level);
        p.ac.config[{ 0, 156 }] = 6;
        set[22].value = 13;
        p.attach();
        p.show(1, 1);
        EXPECT_FALSE(p.w<QPushButton>("pushButton")->isEnabled());
        BoxAnswer ok(QMessageBox::Ok);
        p.slot("on_pushButton_clicked");
        EXPECT_TRUE(p.nothingWritten()) << level;
        EXPECT_EQ(set[22].value, 13) << level;
    }
}

TEST(Tab_set_machtype, RefreshShowsTheDevicesValues)
{
    struct ValueCase {
        const char* name;
        int set24;
        float model;
        int modelRow;
        int inputs;   // DC inputs shown besides the first
    };
    const ValueCase cases[] = {
        { "own dc link", 0, 6, 6, 1 },
        { "via ac/dc", 1, 13, 13, 2 },
        { "ageing series 1", 0, 100, 33, 0 },
        { "ageing series 2", 1, 101, 34, 3 },
    };
    for (const ValueCase& c : cases) {
        SettingsPage p;
        set[24].value = c.set24;
        set[53].value = 2;
        p.ac.config[{ 0, 156 }] = c.model;
        FakeDevice& dcSide = c.set24 == 1 ? static_cast<FakeDevice&>(p.ac) : p.dc;
        const int typeIndex = c.set24 == 1 ? 104 : 35;
        for (int b = 0; b < 4; ++b)
            dcSide.config[{ 1001 + b, typeIndex }] = float(b + 1);
        p.ac.config[{ 0, 109 }] = 4;
        p.sts.config[{ 0, 43 }] = 1;
        p.ac.config[{ 0, 79 }] = 1;
        p.ac.config[{ 0, 99 }] = 3;
        p.ac.config[{ 0, 72 }] = 2;
        p.ac.config[{ 0, 110 }] = 1;
        p.ac.config[{ 0, 126 }] = -5;
        p.attach();
        p.show(1, 1);
        QComboBox* model = p.w<QComboBox>("comboBox_33");
        EXPECT_EQ(model->QComboBox::currentIndex(), c.modelRow) << c.name;
        EXPECT_EQ(MACH_TYPE[0], int(c.model)) << c.name;
        EXPECT_EQ(p.w<QComboBox>("comboBox_34")->currentIndex(), 1) << c.name;
        const char* inputs[] = { "comboBox_40", "comboBox_41", "comboBox_42" };
        for (int i = 0; i < 3; ++i) {
            QComboBox* box = p.w<QComboBox>(inputs[i]);
            EXPECT_EQ(!box->isHidden(), i < c.inputs) << c.name << " " << i;
            if (i < c.inputs) {
                EXPECT_EQ(box->currentIndex(), i + 2) << c.name << " " << i;
            }
        }
        EXPECT_EQ(p.w<QComboBox>("comboBox_35")->currentIndex(), 4) << c.name;
        EXPECT_EQ(p.w<QComboBox>("comboBox_36")->currentIndex(), 1) << c.name;
        EXPECT_EQ(p.w<QComboBox>("comboBox_50")->currentIndex(), 1) << c.name;
        EXPECT_EQ(p.w<QComboBox>("comboBox_37")->currentIndex(), 2) << c.name;
        EXPECT_EQ(p.w<QComboBox>("comboBox_38")->currentIndex(), 2) << c.name;
        EXPECT_EQ(p.w<QComboBox>("comboBox_39")->currentIndex(), 1) << c.name;
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_3")->text(), "-5") << c.name;
        EXPECT_EQ(p.w<QComboBox>("comboBox_51")->currentIndex(), 2) << c.name;
        EXPECT_TRUE(p.nothingWritten()) << c.name;
    }
}

TEST(Tab_set_machtype, ChoicesSurviveTheRefreshUntilAnotherSubPageIsShown)
{
    SettingsPage p;
    p.ac.config[{ 0, 156 }] = 0;
    p.ac.config[{ 0, 109 }] = 1;
    p.attach();
    p.show(1, 1);
    QComboBox* inverter = p.w<QComboBox>("comboBox_35");
    inverter->setCurrentIndex(4);
    p.combo("on_comboBox_35_activated", 4);
    EXPECT_EQ(MACH_TYPE[2], 4);
    p.w<QComboBox>("comboBox_33")->QComboBox::setCurrentIndex(34);
    p.combo("on_comboBox_33_activated", 34);
    EXPECT_EQ(MACH_TYPE[0], 101);
    p.w<QComboBox>("comboBox_51")->setCurrentIndex(3);
    p.combo("on_comboBox_51_activated", 3);
    p.tab.mpaintEvent();
    p.tab.mpaintEvent();
    EXPECT_EQ(inverter->currentIndex(), 4);
    EXPECT_EQ(p.w<QComboBox>("comboBox_33")->QComboBox::currentIndex(), 34);
    EXPECT_FALSE(p.w<QComboBox>("comboBox_42")->isHidden());
    EXPECT_EQ(p.w<QComboBox>("comboBox_51")->currentIndex(), 3);
    EXPECT_TRUE(p.nothingWritten());

    p.show(2, 2);
    p.show(1, 1);
    EXPECT_EQ(inverter->currentIndex(), 1);
    EXPECT_EQ(p.w<QComboBox>("comboBox_33")->QComboBox::currentIndex(), 0);
    EXPECT_TRUE(p.w<QComboBox>("comboBox_40")->isHidden());
}

TEST(Tab_set_machtype, DcInputSelectorsByModel)
{
    struct ModelCase {
        int code;
        int more;
        const char* caption;
    };
    const ModelCase cases[] = {
        { 0, 0, "直流接入类型" }, { 6, 1, "直流1接入类型" }, { 13, 2, "直流1接入类型" }, { 31, 3, "直流1接入类型" },
        { 101, 3, "直流1接入类型" }, { 100, 0, "直流接入类型" },
    };
    for (const ModelCase& c : cases) {
        SettingsPage p;
        p.attach();
        MACH_TYPE[0] = c.code;
        p.tab.showDcInType();
        EXPECT_EQ(p.w<QLabel>("label_263")->text(), QString::fromUtf8(c.caption)) << c.code;
        for (int i = 0; i < 7; ++i) {
            const QString label = QString("label_%1").arg(312 + i);
            const QString box = QString("comboBox_%1").arg(40 + i);
            ASSERT_NE(p.tab.findChild<QLabel*>(label), nullptr) << label.toStdString();
            EXPECT_EQ(p.tab.findChild<QLabel*>(label)->text(), QString::fromUtf8("直流%1接入类型：").arg(i + 2));
            EXPECT_EQ(!p.tab.findChild<QLabel*>(label)->isHidden(), i < c.more) << c.code << " " << i;
            EXPECT_EQ(!p.tab.findChild<QComboBox*>(box)->isHidden(), i < c.more) << c.code << " " << i;
        }
    }
    // A rack that drives its DC side through the AC/DC library puts input 1 back to lithium;
    // only level 4 and above may change input 1.
    for (int level : { 3, 4 }) {
        SettingsPage p(level);
        currentRackInfo.dcViaAcDc = 1;
        p.w<QComboBox>("comboBox_34")->setCurrentIndex(3);
        p.tab.showDcInType();
        EXPECT_EQ(p.w<QComboBox>("comboBox_34")->currentIndex(), 0);
        EXPECT_EQ(p.w<QComboBox>("comboBox_34")->isEnabledTo(p.w<QWidget>("tab_17")), level >= 4);
    }
}

TEST(Tab_set_machtype, ControlWordEntryKeepsOnlyNumbers)
{
    struct WordCase {
        const char* typed;
        int stored;
    };
    const WordCase cases[] = { { ".", 12 }, { nullptr, 12 }, { "40000", 40000 }, { "-7", -7 } };
    for (const WordCase& c : cases) {
        SettingsPage p;
        set[25].value = 12;
        MACH_TYPE[7] = 12;
        p.attach();
        p.entry("on_lineEdit_3_selectionChanged", c.typed);
        EXPECT_EQ(p.tab.machTypeDirty, 1);
        EXPECT_EQ(set[25].value, c.stored) << (c.typed ? c.typed : "cancel");
        EXPECT_EQ(MACH_TYPE[7], c.stored);
        EXPECT_TRUE(p.nothingWritten());
    }
}

TEST(Tab_set_machtype, LeadAcidDefaultsNeedBothRatings)
{
    struct RatingCase {
        const char* name;
        int set24;
        bool capacity, cells;
        float capacityValue, cellValue;
    };
    const RatingCase cases[] = {
        { "capacity unreadable", 0, false, true, 0, 24 },
        { "cells unreadable", 1, true, false, 100, 0 },
        { "capacity 0", 1, true, true, 0, 24 },
        { "no cells", 0, true, true, 100, 0 },
    };
    for (const RatingCase& c : cases) {
        SettingsPage p;
        set[24].value = c.set24;
        set[7].value = 0;
        FakeDevice& d = c.set24 == 1 ? static_cast<FakeDevice&>(p.ac) : p.dc;
        const int capIndex = c.set24 == 1 ? 117 : 41;
        if (c.capacity)
            d.config[{ 1002, capIndex }] = c.capacityValue;
        if (c.cells)
            d.config[{ 1002, capIndex + 1 }] = c.cellValue;
        p.attach();
        p.tab.dcModule = 1005;
        p.tab.setParmToDefault(1002);
        EXPECT_TRUE(p.nothingWritten()) << c.name;
        EXPECT_EQ(set[7].value, 0) << c.name;
        EXPECT_EQ(p.tab.dcModule, 1005) << c.name;
    }
}

} // namespace
