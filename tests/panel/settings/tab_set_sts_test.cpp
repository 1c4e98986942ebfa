#include "settingspage.h"

#include "modbusstsdata.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <string>
#include <vector>

namespace {

TEST(Tab_set_sts, EntriesKeepToTheirRanges)
{
    struct EntryCase {
        const char* name;
        const char* slot;
        const char* typed;
        int index;   // -1: nothing written
        float value;
    };
    const EntryCase cases[] = {
        { "over-voltage above the range", "on_lineEdit_30_selectionChanged", "1.30", -1, 0 },
        { "over-voltage at the top", "on_lineEdit_30_selectionChanged", "1.25", 44, 1.25f },
        { "over-voltage at the bottom", "on_lineEdit_30_selectionChanged", "1.05", 44, 1.05f },
        { "under-voltage", "on_lineEdit_31_selectionChanged", "0.85", 45, 0.85f },
        { "under-voltage above the range", "on_lineEdit_31_selectionChanged", "0.96", -1, 0 },
        { "over-frequency", "on_lineEdit_32_selectionChanged", "5", 46, 5 },
        { "under-frequency negative", "on_lineEdit_33_selectionChanged", "-1.5", 47, -1.5f },
        { "under-frequency positive", "on_lineEdit_33_selectionChanged", "0.5", -1, 0 },
        { "under-frequency not a number", "on_lineEdit_33_selectionChanged", ".", -1, 0 },
        { "control word past the top", "on_lineEdit_87_selectionChanged", "40000", -1, 0 },
        { "control word at the bottom", "on_lineEdit_88_selectionChanged", "-32768", 54, -32768 },
        { "control word 3", "on_lineEdit_89_selectionChanged", "12", 55, 12 },
        { "debug address at the top", "on_lineEdit_90_selectionChanged", "65535", 113, 65535 },
        { "debug address past the top", "on_lineEdit_92_selectionChanged", "65536", -1, 0 },
        { "test word", "on_lineEdit_95_selectionChanged", "0", 118, 0 },
        { "cancelled", "on_lineEdit_30_selectionChanged", nullptr, -1, 0 },
    };
    for (const EntryCase& c : cases) {
        SettingsPage p;
        set[21].value = 0;
        p.attach();
        p.sts.pendingPolls = 2;
        p.entry(c.slot, c.typed);
        if (c.index < 0) {
            EXPECT_TRUE(p.nothingWritten()) << c.name;
            continue;
        }
        ASSERT_EQ(p.order, std::vector<std::string>{ "sts 0 " + std::to_string(c.index) }) << c.name;
        EXPECT_NEAR(p.sts.writes[0].value, c.value, 1e-4) << c.name;
        EXPECT_EQ(p.tips, std::vector<int>{ 3 }) << c.name;
    }
}

TEST(Tab_set_sts, ModeComboWritesItsRowAndFailuresShowOnlyWithASwitch)
{
    for (int set21 : { 0, 1 }) {
        SettingsPage p;
        set[21].value = set21;
        p.attach();
        p.sts.finalResult = 1;
        p.combo("on_comboBox_28_activated", 1);
        EXPECT_TRUE(p.sts.wrote(0, 56, 1));
        EXPECT_EQ(p.tips, set21 == 0 ? std::vector<int>{ 4 } : std::vector<int>{}) << set21;
    }
}

TEST(Tab_set_sts, PagesShowTheSwitchsValues)
{
    SettingsPage p;
    p.sts.config[{ 0, 53 }] = -7;
    p.sts.config[{ 0, 56 }] = 1;
    p.sts.config[{ 0, 47 }] = -1.5f;
    p.sts.config[{ 0, 114 }] = 300;
    p.sts.analog[{ 0, 65 }] = 41.6f;
    p.sts.analog[{ 0, 0 }] = 230.14f;
    p.sts.config[{ 0, 101 }] = 1.0123f;
    p.sts.analog[{ 0, 32 }] = 12.24f;
    p.sts.config[{ 0, 112 }] = 0.95f;
    p.sts.analog[{ 0, 3 }] = 15.04f;
    p.sts.config[{ 0, 104 }] = 1.1f;
    // The picked modules do not matter to the switch.
    p.attach();
    p.tab.acDebugModule = 3;
    p.show(6, 6);
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_87")->text(), "-7");
    EXPECT_EQ(p.w<QComboBox>("comboBox_28")->currentIndex(), 1);
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_33")->text(), "-1.50");
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_30")->text(), "0.00");
    p.tab.setsubindex(2);
    p.tab.setCurrentIndex(20);
    p.tab.mpaintEvent();
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_91")->text(), "300");
    EXPECT_EQ(p.w<QLabel>("label_265")->text(), "42");
    p.tab.setsubindex(3);
    p.tab.setCurrentIndex(21);
    p.tab.mpaintEvent();
    EXPECT_TRUE(p.tab.currentWidget()->isEnabled());
    // Row by row, whatever the label names suggest.
    EXPECT_EQ(p.w<QLabel>("label_207")->text(), "230.1");
    EXPECT_EQ(p.w<QLabel>("label_279")->text(), "1.012");
    EXPECT_EQ(p.w<QLabel>("label_212")->text(), "15.0");
    EXPECT_EQ(p.w<QLabel>("label_269")->text(), "1.100");
    EXPECT_EQ(p.w<QLabel>("label_228")->text(), "12.2");
    EXPECT_EQ(p.w<QLabel>("label_268")->text(), "0.950");
}

// The same entries against the switch library itself: the values arrive and show on the page.
TEST(Tab_set_sts, WritesReachTheSwitch)
{
    SettingsPage p;
    set[21].value = 0;
    ModbusSTSData sts(257, "/dev/ttySAC2", "19200,n,8,1", 800, 0);
    ASSERT_EQ(sts.open(), 0);
    ASSERT_EQ(sts.setAnalog(0, 0, 230.0f), 0);
    p.tab.setDeviceViews(&p.rtu, &p.tcp, &p.ac, &p.dc, &sts);
    p.clearWrites();
    p.entry("on_lineEdit_30_selectionChanged", "1.25");
    p.entry("on_lineEdit_96_selectionChanged", "232.3");
    p.entry("on_lineEdit_91_selectionChanged", "2");
    EXPECT_EQ(p.tips, (std::vector<int>{ 3, 3, 3 }));
    float v = 0;
    sts.getConfig(0, 44, &v);
    EXPECT_NEAR(v, 1.25f, 1e-5);
    sts.getConfig(0, 101, &v);
    EXPECT_NEAR(v, 1.01f, 1e-4);
    p.show(6, 6);
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_30")->text(), "1.25");
    p.tab.setsubindex(2);
    p.tab.setCurrentIndex(20);
    p.tab.mpaintEvent();
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_91")->text(), "2");
    EXPECT_EQ(p.w<QLabel>("label_267")->text(), "230");
    p.tab.setsubindex(3);
    p.tab.setCurrentIndex(21);
    p.tab.mpaintEvent();
    EXPECT_EQ(p.w<QLabel>("label_207")->text(), "232.3");
    EXPECT_EQ(p.w<QLabel>("label_279")->text(), "1.010");
}

} // namespace
