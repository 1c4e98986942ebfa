#include "tab_set.h"

#include "globalvar.h"
#include "machtypecombo.h"
#include "monitorset.h"
#include "racktable.h"
#include "runtimetree.h"
#include "settingstest.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>
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
    EXPECT_TRUE(a.tree.exists("bin/monitorset.txt"));
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

} // namespace
