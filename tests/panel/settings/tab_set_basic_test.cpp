#include "settingspage.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct LayoutCase {
    const char* name;
    int set54, set24, set7, basicDcModule;
    float reactive;    // AC/DC configuration 94; NAN: unreadable
    float dcMode;      // DC control mode of the branch
    // Enabled: comboBox_10, _29, _16, lineEdit_21, _20, _29, _184, comboBox_17, lineEdit_186, _187.
    const char* enabled;
};

TEST(Tab_set_basic, DispatchLayoutByModeReactiveModeAndBranchLock)
{
    const float unread = std::nanf("");
    const LayoutCase cases[] = {
        { "ac, fixed power factor", 0, 0, 1, 1001, 0, 0, "1111010000" },
        { "ac, fixed reactive power", 0, 0, 1, 1001, 1, 0, "1111100000" },
        { "ac, volt-var", 0, 0, 1, 1001, 2, 0, "1111100000" },
        { "ac, power-factor curve", 0, 0, 1, 1001, 3, 0, "1111010000" },
        { "ac, reactive disabled", 0, 0, 1, 1001, 255, 0, "1111000000" },
        { "ac, reactive unreadable", 0, 0, 1, 1001, unread, 0, "1111000000" },
        { "dc, constant current, own link", 1, 0, 1, 1001, 0, 0, "1000000110" },
        { "dc, constant power, via ac/dc", 1, 1, 1, 1001, 0, 1, "1000000101" },
        { "branch, own link", 2, 0, 1, 1001, 3, 0, "1110010000" },
        { "branch, via ac/dc", 2, 1, 1, 1001, 1, 0, "1110101000" },
        { "dc, all branches, second position", 1, 0, 0, 1002, 0, 0, "1000000000" },
        { "dc, all branches, first position", 1, 0, 0, 1001, 0, 0, "1000000110" },
        { "unknown mode keeps the form", 7, 0, 1, 1001, 0, 0, "1111111111" },
    };
    const char* widgets[] = { "comboBox_10", "comboBox_29", "comboBox_16", "lineEdit_21", "lineEdit_20",
        "lineEdit_29", "lineEdit_184", "comboBox_17", "lineEdit_186", "lineEdit_187" };
    for (const LayoutCase& c : cases) {
        SettingsPage p(1);
        set[54].value = c.set54;
        set[24].value = c.set24;
        set[7].value = c.set7;
        p.ac.config[{ 0, 108 }] = float(c.set54);
        if (!std::isnan(c.reactive))
            p.ac.config[{ 0, 94 }] = c.reactive;
        p.ac.config[{ c.basicDcModule, 95 }] = c.dcMode;
        p.dc.config[{ c.basicDcModule, 26 }] = c.dcMode;
        p.attach();
        set[54].value = c.set54;
        p.tab.basicDcModule = c.basicDcModule;
        p.show(0, 0);
        std::string got;
        for (const char* name : widgets)
            got += p.w<QWidget>(name)->isEnabled() ? '1' : '0';
        EXPECT_EQ(got, c.enabled) << c.name;
    }
}

TEST(Tab_set_basic, ShowsTheConverterValues)
{
    struct ReactiveCase {
        float value;
        bool readable;
        int row;
    };
    const ReactiveCase reactive[] = { { 255, true, 0 }, { 2, true, 3 }, { 0, true, 1 }, { 0, false, 0 } };
    for (const ReactiveCase& r : reactive) {
        SettingsPage p;
        set[24].value = 0;
        set[53].value = 1;   // the American code offers the volt-var mode
        p.ac.config[{ 0, 108 }] = 2;
        p.ac.config[{ 0, 145 }] = 1;
        if (r.readable)
            p.ac.config[{ 0, 94 }] = r.value;
        p.ac.analog[{ 0, 47 }] = 12.34f;
        p.ac.analog[{ 0, 48 }] = -5;
        p.ac.analog[{ 0, 70 }] = 0.95f;
        p.ac.analog[{ 1003, 47 }] = 7;
        p.dc.analog[{ 1003, 23 }] = -20;
        p.dc.analog[{ 1003, 24 }] = 3.5f;
        p.dc.config[{ 1003, 26 }] = 1;
        p.attach();
        p.tab.basicDcModule = 1003;
        p.show(0, 0);
        EXPECT_EQ(p.w<QComboBox>("comboBox_10")->currentIndex(), 2);
        EXPECT_EQ(p.w<QComboBox>("comboBox_29")->currentIndex(), 1);
        EXPECT_EQ(p.w<QComboBox>("comboBox_16")->currentIndex(), r.row) << r.value;
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_21")->text(), "12.3");
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_20")->text(), "-5.0");
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_29")->text(), "0.95");
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_184")->text(), "7.0");
        EXPECT_EQ(p.w<QComboBox>("comboBox_17")->currentIndex(), 1);
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_186")->text(), "-20.0");
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_187")->text(), "3.5");
    }
    // The text of 255 is "disabled", and choosing it writes 255.
    SettingsPage p;
    p.attach();
    EXPECT_EQ(p.w<QComboBox>("comboBox_16")->itemText(0), QString::fromUtf8("不启用"));
    p.combo("on_comboBox_16_activated", 0);
    p.combo("on_comboBox_16_activated", 3);
    EXPECT_TRUE(p.ac.wrote(0, 94, 255));
    EXPECT_TRUE(p.ac.wrote(0, 94, 2));
}

TEST(Tab_set_basic, BranchPickerKeepsOnlyTheCabinetsBranches)
{
    SettingsPage p;
    set[23].value = 4;
    p.attach();
    p.show(0, 0);
    QComboBox* picker = p.w<QComboBox>("comboBox_2");
    EXPECT_EQ(picker->count(), 4);
    set[23].value = 8;
    p.tab.mpaintEvent();
    EXPECT_EQ(picker->count(), 4);
    p.combo("on_comboBox_2_activated", 3);
    EXPECT_EQ(p.tab.basicDcModule, 1004);
    EXPECT_TRUE(p.nothingWritten());
}

TEST(Tab_set_basic, BranchPickerOffersOnlyBranchesTheWritesReach)
{
    struct Case {
        int branches;   // set[23]
        int offered;
    };
    const Case cases[] = { { 10, 8 }, { 9, 8 }, { 8, 8 }, { 3, 3 }, { 1, 1 }, { 0, 1 }, { -2, 1 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.branches);
        SettingsPage p;
        set[23].value = c.branches;
        set[54].value = 1;
        p.ac.config[{ 0, 108 }] = 1;
        p.attach();
        p.show(0, 0);
        QComboBox* picker = p.w<QComboBox>("comboBox_2");
        ASSERT_EQ(picker->count(), c.offered);
        EXPECT_EQ(Tab_set::branchCount(), c.offered) << "the DC sub-page's picker follows the same rule";
        EXPECT_EQ(picker->itemText(c.offered - 1), QString::number(c.offered));
        // The last branch offered takes the control mode and the set-points.
        picker->setCurrentIndex(c.offered - 1);
        p.combo("on_comboBox_2_activated", c.offered - 1);
        const int last = 1000 + c.offered;
        EXPECT_EQ(p.tab.basicDcModule, last);
        p.combo("on_comboBox_17_activated", 1);
        p.entry("on_lineEdit_186_selectionChanged", "12");
        ASSERT_EQ(p.dc.writes.size(), 2u);
        EXPECT_TRUE(p.dc.wrote(last, 26, 1));
        EXPECT_EQ(p.dc.writes[1].module, last);
        EXPECT_EQ(p.dc.writes[1].index, 1001);
        EXPECT_EQ(p.tips, (std::vector<int>{ 3, 3 }));
    }
    // A branch the cabinet no longer has falls back to the first.
    SettingsPage p;
    set[23].value = 8;
    p.attach();
    p.show(0, 0);
    p.w<QComboBox>("comboBox_2")->setCurrentIndex(7);
    p.combo("on_comboBox_2_activated", 7);
    set[23].value = 4;
    p.tab.mpaintEvent();
    EXPECT_EQ(p.w<QComboBox>("comboBox_2")->count(), 4);
    EXPECT_EQ(p.w<QComboBox>("comboBox_2")->currentIndex(), 0);
    EXPECT_EQ(p.tab.basicDcModule, 1001);
}

TEST(Tab_set_basic, DispatchModeGoesToBothConvertersAndTheSettings)
{
    SettingsPage p;
    p.attach();
    p.combo("on_comboBox_10_activated", 2);
    EXPECT_TRUE(p.ac.wrote(0, 108, 2));
    EXPECT_TRUE(p.dc.wrote(0, 21, 2));
    EXPECT_EQ(set[54].value, 2);
    EXPECT_EQ(savedSetting(54).value, 2);
    p.combo("on_comboBox_29_activated", 3);
    EXPECT_TRUE(p.ac.wrote(0, 145, 3));
}

struct SetpointCase {
    const char* name;
    const char* slot;
    const char* typed;
    int set7;
    int module, index;   // index 0: nothing written
    float value;
};

TEST(Tab_set_basic, DispatchSetpointsGoOutWithoutWaiting)
{
    const SetpointCase cases[] = {
        { "active power", "on_lineEdit_21_selectionChanged", "12.5", 1, 20, 87, 12.5f },
        { "reactive power at its limit", "on_lineEdit_20_selectionChanged", "-770", 1, 20, 76, -770 },
        { "power factor", "on_lineEdit_29_selectionChanged", "-0.9", 1, 20, 85, -0.9f },
        { "power factor above 1", "on_lineEdit_29_selectionChanged", "1.01", 1, 0, 0, 0 },
        { "active power past its limit", "on_lineEdit_21_selectionChanged", "770.1", 1, 0, 0, 0 },
        { "not a number", "on_lineEdit_21_selectionChanged", ".", 1, 0, 0, 0 },
        { "cancelled", "on_lineEdit_20_selectionChanged", nullptr, 1, 0, 0, 0 },
        { "branch power, picked branch", "on_lineEdit_184_selectionChanged", "100", 1, 1003, 1002, 100 },
        { "branch power, all branches", "on_lineEdit_184_selectionChanged", "-100", 0, 0, 1002, -100 },
        { "dc current", "on_lineEdit_186_selectionChanged", "-1500", 1, 1003, 1001, -1500 },
        { "dc power", "on_lineEdit_187_selectionChanged", "1000", 0, 0, 1000, 1000 },
        { "dc power past its limit", "on_lineEdit_187_selectionChanged", "1000.5", 1, 0, 0, 0 },
    };
    for (const SetpointCase& c : cases) {
        SettingsPage p;
        p.attach();
        set[7].value = c.set7;
        p.combo("on_comboBox_2_activated", 2);
        p.dc.pendingPolls = 5;
        p.entry(c.slot, c.typed);
        if (c.index == 0) {
            EXPECT_TRUE(p.nothingWritten()) << c.name;
            EXPECT_TRUE(p.tips.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(p.dc.writes.size(), 1u) << c.name;
        EXPECT_EQ(p.dc.writes[0].module, c.module) << c.name;
        EXPECT_EQ(p.dc.writes[0].index, c.index) << c.name;
        EXPECT_NEAR(p.dc.writes[0].value, c.value, 1e-4) << c.name;
        EXPECT_TRUE(p.dc.polled.empty()) << c.name;
        EXPECT_EQ(p.tips, std::vector<int>{ 3 }) << c.name;
    }
}

TEST(Tab_set_basic, RefusedDispatchSetpointShowsTheFailure)
{
    SettingsPage p;
    p.attach();
    p.dc.settingResult = -1;
    p.entry("on_lineEdit_21_selectionChanged", "10");
    p.entry("on_lineEdit_187_selectionChanged", "10");
    EXPECT_EQ(p.dc.writes.size(), 2u);
    EXPECT_EQ(p.tips, (std::vector<int>{ 4, 4 }));
}

TEST(Tab_set_basic, DcControlModeByTheLinkThatDrivesTheBranch)
{
    SettingsPage p;
    p.attach();
    p.combo("on_comboBox_2_activated", 1);
    set[24].value = 0;
    p.combo("on_comboBox_17_activated", 1);
    EXPECT_TRUE(p.dc.wrote(1002, 26, 1));
    set[24].value = 1;
    p.combo("on_comboBox_17_activated", 0);
    EXPECT_TRUE(p.ac.wrote(1002, 95, 0));
    EXPECT_EQ(p.tips, (std::vector<int>{ 3, 3 }));
}

using Write = std::pair<int, float>;   // index, value

void expectWrites(const FakeDevice& d, int module, const std::vector<Write>& want, const char* name)
{
    ASSERT_EQ(d.writes.size(), want.size()) << name;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(d.writes[i].module, module) << name << " " << i;
        EXPECT_EQ(d.writes[i].index, want[i].first) << name << " " << i;
        EXPECT_NEAR(d.writes[i].value, want[i].second, 1e-3) << name << " " << i;
    }
}

TEST(Tab_set_basic, LeadAcidEntriesWriteTheirDerivedValues)
{
    {
        SettingsPage p;
        set[24].value = 0;
        p.attach();
        p.entry("on_lineEdit_170_selectionChanged", "12");
        expectWrites(p.dc, 1001, { { 42, 12 }, { 37, 27.6f }, { 27, 26.4f }, { 30, 19.8f }, { 46, 21.6f }, { 40, 19.8f } },
            "12 cells, own link");
        EXPECT_EQ(p.tips, std::vector<int>(6, 3));
    }
    {
        SettingsPage p;
        set[24].value = 1;
        set[7].value = 0;
        p.attach();
        p.entry("on_lineEdit_181_selectionChanged", "100");
        expectWrites(p.ac, 0, { { 117, 100 }, { 103, 15 }, { 121, 100 }, { 119, 5 }, { 102, 2 }, { 120, 0 } },
            "100 Ah, all branches via ac/dc");
    }
    {
        SettingsPage p;
        p.attach();
        p.entry("on_lineEdit_170_selectionChanged", "397");
        p.entry("on_lineEdit_181_selectionChanged", "0");
        EXPECT_TRUE(p.nothingWritten());
    }
}

struct LimitCase {
    const char* name;
    const char* slot;
    int set24;
    const char* typed;
    int index;   // 0: refused
};

TEST(Tab_set_basic, DcLimitsTakeTheirRangesFromTheCabinet)
{
    // Own link with selector 0: 30..800 for all three triples.
    const LimitCase cases[] = {
        { "low voltage below its triple", "on_lineEdit_51_selectionChanged", 0, "25", 0 },
        { "low voltage at the triple's minimum", "on_lineEdit_51_selectionChanged", 0, "30", 30 },
        { "low voltage via ac/dc", "on_lineEdit_51_selectionChanged", 1, "30", 90 },
        { "topping charge above its triple", "on_lineEdit_55_selectionChanged", 0, "801", 0 },
        { "topping charge", "on_lineEdit_55_selectionChanged", 0, "800", 37 },
        { "float charge", "on_lineEdit_182_selectionChanged", 1, "500", 93 },
        { "end of discharge", "on_lineEdit_171_selectionChanged", 0, "900", 46 },
        { "end-of-charge current too high", "on_lineEdit_169_selectionChanged", 0, "250.1", 0 },
        { "maximum charge current", "on_lineEdit_168_selectionChanged", 1, "1500", 103 },
        { "maximum discharge current", "on_lineEdit_148_selectionChanged", 0, "50", 44 },
        { "pv wake-up", "on_lineEdit_183_selectionChanged", 1, "30", 122 },
    };
    for (const LimitCase& c : cases) {
        SettingsPage p;
        set[24].value = 0;
        currentRackInfo.dcParamSet = 0;
        p.attach();
        EXPECT_EQ(dcParam[0], 30);
        set[24].value = c.set24;
        p.combo("on_comboBox_2_activated", 4);
        p.entry(c.slot, c.typed);
        if (c.index == 0) {
            EXPECT_TRUE(p.nothingWritten()) << c.name;
            continue;
        }
        const FakeDevice& d = c.set24 == 1 ? static_cast<FakeDevice&>(p.ac) : p.dc;
        ASSERT_EQ(d.writes.size(), 1u) << c.name;
        EXPECT_EQ(d.writes[0].module, 1005) << c.name;
        EXPECT_EQ(d.writes[0].index, c.index) << c.name;
    }
}

struct InputLayoutCase {
    const char* name;
    int type;
    bool dcShown, acidShown;
    const char *low, *end, *top, *floatCaption;
    // Enabled: lineEdit_51, _171, _55, _169, _168, _148, _182; then shown: rows 182 and 183.
    const char* state;
};

TEST(Tab_set_basic, DcParameterPageFollowsTheBranchInputType)
{
    const InputLayoutCase cases[] = {
        { "lithium", 0, true, false, "直流下限电压", "放电终止电压", "均充电压", "浮充电压", "111111100" },
        { "super capacitor", 2, true, false, "直流下限电压", "放电终止电压", "均充电压", "浮充电压", "111111100" },
        { "pv", 1, true, false, "MPPT下限电压", "休眠电压", "光伏最大电压", "MPPT上限电压", "111001111" },
        { "dc source", 3, true, false, "直流下限电压", "放电终止电压", "直流电压上限", "直流输出电压", "001011110" },
        { "lead-acid", 4, false, true, "直流下限电压", "放电终止电压", "均充电压", "浮充电压", "111111111" },
        { "reserved", 5, true, true, "直流下限电压", "放电终止电压", "均充电压", "浮充电压", "111111111" },
    };
    for (const InputLayoutCase& c : cases) {
        SettingsPage p;
        set[24].value = 0;
        p.dc.config[{ 1003, 35 }] = float(c.type);
        p.attach();
        p.combo("on_comboBox_activated", 2);
        EXPECT_EQ(p.tab.dcTypeModule, 1003);
        EXPECT_EQ(!p.w<QWidget>("widget_dc")->isHidden(), c.dcShown) << c.name;
        EXPECT_EQ(!p.w<QWidget>("widget_acid")->isHidden(), c.acidShown) << c.name;
        EXPECT_EQ(p.w<QLabel>("label_69")->text(), QString::fromUtf8(c.low)) << c.name;
        EXPECT_EQ(p.w<QLabel>("label_412")->text(), QString::fromUtf8(c.end)) << c.name;
        EXPECT_EQ(p.w<QLabel>("label_59")->text(), QString::fromUtf8(c.top)) << c.name;
        EXPECT_EQ(p.w<QLabel>("label_60")->text(), QString::fromUtf8(c.floatCaption)) << c.name;
        std::string got;
        for (const char* e : { "lineEdit_51", "lineEdit_171", "lineEdit_55", "lineEdit_169", "lineEdit_168",
                 "lineEdit_148", "lineEdit_182" })
            got += p.w<QWidget>(e)->isEnabled() ? '1' : '0';
        got += p.w<QWidget>("lineEdit_182")->isHidden() || p.w<QWidget>("label_60")->isHidden() ? '0' : '1';
        got += p.w<QWidget>("lineEdit_183")->isHidden() || p.w<QWidget>("label_390")->isHidden() ? '0' : '1';
        EXPECT_EQ(got, c.state) << c.name;
        if (c.type == 4) {
            EXPECT_EQ(p.w<QWidget>("widget_acid")->pos(), QPoint(0, 60));
        }
    }
    // Via the AC/DC library the type is its configuration 104 of the branch.
    SettingsPage p;
    set[24].value = 1;
    p.ac.config[{ 1002, 104 }] = 4;
    p.attach();
    p.combo("on_comboBox_activated", 1);
    EXPECT_TRUE(p.w<QWidget>("widget_dc")->isHidden());
    EXPECT_TRUE(p.nothingWritten());
}

TEST(Tab_set_basic, HelpButtonsOpenTheHelpPicture)
{
    SettingsPage p;
    p.attach();
    for (const char* button : { "on_pushButton_11_clicked", "on_pushButton_12_clicked", "on_pushButton_13_clicked" }) {
        HelpCloser closer;
        p.slot(button);
        EXPECT_TRUE(closer.opened) << button;
    }
}

} // namespace
