#include "tab_set.h"

#include "globalvar.h"
#include "monitorset.h"
#include "nametables.h"
#include "settingspage.h"
#include "settingstest.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <cmath>
#include <cstring>
#include <set>
#include <string>

namespace {

// Rows 0 to 61 of one standard, named "R<n>" except the rows named "NULL"; row 0 allows 1 to
// 1.3 and has switch index 60, row 19 has none, row 61 is the normal ramp rate at index 88.
std::string interfaceFile(const char* section, std::set<int> nullRows)
{
    std::string s = std::string("[UiRzVersionNum_") + section + "]\n62\n[UiRzVersion_" + section + "]\n";
    for (int r = 0; r < 62; ++r) {
        const int ac = r == 0 ? 81 : (r == 61 ? 88 : 200 + r);
        const int sts = r == 0 ? 60 : (r == 19 ? -1 : 10 + r);
        const std::string name = nullRows.count(r) ? "NULL" : "R" + std::to_string(r);
        const char* range = r == 0 ? "1\t1.3" : "-10\t1000";
        s += std::to_string(r) + "\t" + std::to_string(ac) + "\t" + std::to_string(sts) + "\t" + name + "\thint" +
            std::to_string(r) + "\t" + range + "\t0\n";
    }
    return s;
}

// The keypad hands back a typed value a few millionths off; a write is found within that.
bool wroteNear(const FakeDevice& d, int index, float value)
{
    for (const FakeDevice::Write& w : d.writes)
        if (w.module == 0 && w.index == index && std::fabs(w.value - value) < 1e-4f)
            return true;
    return false;
}

const char* const kSection[] = { "China", "America", "Australia", "UK" };

// The settings page with the rows of a grid code loaded, as the start-up leaves them.
struct AcPage : SettingsPage {
    explicit AcPage(int code, std::set<int> nullRows = {})
    {
        set[53].value = code;
        tree.writeFile("bin/pcs_interface.pdu", interfaceFile(kSection[code < 4 ? code : 0], nullRows));
        loadGridCodeRows(false, code);
        attach();
    }
    QLineEdit* edit(const char* name) { return w<QLineEdit>(name); }
};

TEST(Tab_set_ac, RefresherOfEachPageByGridCode)
{
    // The form page that a field of each refresher lies on, by refresher number.
    const char* const probe[10] = { nullptr, "lineEdit_52", "lineEdit_18", "lineEdit_56", "lineEdit_66",
        "lineEdit_124", "lineEdit_129", "lineEdit_147", "lineEdit_146", "lineEdit_165" };
    struct Case {
        int code;
        const char* refreshers;   // pages 1 to 9; 0 refreshes nothing
    };
    const Case cases[] = { { 0, "123490009" }, { 1, "123456789" }, { 2, "125347899" }, { 3, "123490009" },
        { 4, "120000009" } };
    for (const Case& c : cases) {
        AcPage p(c.code);
        std::string got;
        for (int page = 1; page <= 9; ++page) {
            for (int r = 1; r <= 9; ++r)
                p.edit(probe[r])->setText("");
            p.tab.fresh_ac(page);
            char filled = '0';
            for (int r = 1; r <= 9; ++r)
                if (!p.edit(probe[r])->text().isEmpty())
                    filled = char('0' + r);
            got += filled;
        }
        EXPECT_EQ(got, c.refreshers) << "grid code " << c.code;
    }
}

TEST(Tab_set_ac, LayoutOfEachGridCode)
{
    struct Case {
        int code;
        bool softStart, fvrtLimit, drms, lowVoltage3;
        int delayY, underFreqY;
        int modes;
        const char* rideThroughTitle;
    };
    const Case cases[] = {
        { 0, false, false, false, true, 300, 175, 3, "电压穿越" },
        { 1, true, true, false, true, 340, 175, 4, "电压穿越" },
        { 2, false, false, true, false, 300, 95, 5, "功率因数曲线设置" },
        { 3, false, false, false, true, 300, 175, 3, "电压穿越" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        // Row 20 is named "NULL" too, but only the listed rows hide by name.
        AcPage p(c.code, { 6, 10, 13, 47, 20 });
        EXPECT_EQ(!p.w<QLabel>("label_107")->isHidden(), c.softStart);
        EXPECT_EQ(!p.edit("lineEdit_54")->isHidden(), c.softStart);
        EXPECT_EQ(!p.w<QComboBox>("comboBox_22")->isHidden(), c.fvrtLimit);
        EXPECT_EQ(!p.w<QComboBox>("comboBox_52")->isHidden(), c.drms);
        EXPECT_EQ(!p.edit("lineEdit_128")->isHidden(), c.lowVoltage3);
        EXPECT_EQ(p.w<QLabel>("label_105")->y(), c.delayY);
        EXPECT_EQ(p.edit("lineEdit_52")->y(), c.delayY + 5);
        EXPECT_EQ(p.w<QLabel>("label_151")->y(), c.underFreqY);
        EXPECT_EQ(p.w<QComboBox>("comboBox_13")->count(), c.modes);
        EXPECT_EQ(p.w<QComboBox>("comboBox_16")->count(), c.modes);
        EXPECT_EQ(p.w<QGroupBox>("groupBox_6")->title(), QString::fromUtf8(c.rideThroughTitle));
        // Captions from the rows; "NULL" hides only its own listed rows.
        EXPECT_EQ(p.w<QLabel>("label_122")->text(), QString("R0"));
        EXPECT_EQ(p.w<QLabel>("label_106")->text(), QString("R61"));
        EXPECT_TRUE(p.w<QLabel>("label_135")->isHidden());
        EXPECT_TRUE(p.edit("lineEdit_62")->isHidden());
        EXPECT_TRUE(p.edit("lineEdit_175")->isHidden());
        EXPECT_TRUE(p.w<QLabel>("label_340")->isHidden());
        EXPECT_TRUE(p.edit("lineEdit_155")->isHidden());
        EXPECT_FALSE(p.edit("lineEdit_63")->isHidden());
        EXPECT_FALSE(p.edit("lineEdit_156")->isHidden());
        EXPECT_EQ(p.w<QLabel>("label_337")->text(), QString("NULL"));
        EXPECT_FALSE(p.edit("lineEdit_138")->isHidden());
    }
}

TEST(Tab_set_ac, TenMinuteOvervoltageTakesTheThirdUndervoltageRow)
{
    AcPage p(3, { 8, 9 });
    EXPECT_FALSE(p.edit("lineEdit_175")->isHidden());
    EXPECT_TRUE(p.edit("lineEdit_64")->isHidden());
    EXPECT_EQ(p.w<QLabel>("label_421")->y(), 260);
}

TEST(Tab_set_ac, LocalPowerFactorBands)
{
    struct Case {
        const char* typed;
        bool written;
    };
    const Case cases[] = { { "0.3", false }, { "0.5", true }, { "-0.5", true }, { "-0.49", false }, { "1", true },
        { "1.1", false } };
    for (const Case& c : cases) {
        AcPage p(0);
        p.entry("on_lineEdit_167_selectionChanged", c.typed);
        EXPECT_EQ(wroteNear(p.ac, 115, std::stof(c.typed)), c.written) << c.typed;
        EXPECT_EQ(p.ac.writes.size(), c.written ? 1u : 0u) << c.typed;
    }
}

TEST(Tab_set_ac, SoftStartRampKeepsWhatWasTyped)
{
    AcPage p(1);
    p.ac.config[{ 0, 100 }] = 0.025f;
    p.entry("on_lineEdit_54_selectionChanged", "0.0256");
    EXPECT_TRUE(p.ac.wrote(0, 100, 0.025f));
    EXPECT_NEAR(shownValue(p.tree, 2), 0.0256f, 1e-4f);
    p.show(4, 4);
    EXPECT_EQ(p.edit("lineEdit_54")->text(), QString("0.0256"));

    // The frequency ride-through times keep one decimal, cut: 0.7 is written as 0.7, 0.39 as 0.3.
    p.entry("on_lineEdit_137_selectionChanged", "0.7");
    EXPECT_TRUE(p.ac.wrote(0, 163, 0.7f));
    p.entry("on_lineEdit_141_selectionChanged", "0.39");
    EXPECT_TRUE(p.ac.wrote(0, 165, 0.3f));
    EXPECT_NEAR(shownValue(p.tree, 1), 0.39f, 1e-4f);
}

TEST(Tab_set_ac, FrequencyRideThroughTimesShowWhatWasTypedToTwoDecimals)
{
    AcPage p(1);
    p.entry("on_lineEdit_137_selectionChanged", "0.16");
    p.entry("on_lineEdit_141_selectionChanged", "1.25");
    EXPECT_TRUE(p.ac.wrote(0, 163, 0.1f));
    EXPECT_TRUE(p.ac.wrote(0, 165, 1.2f));
    // The module holds the cut values; the page shows the typed ones.
    p.ac.config[{ 0, 163 }] = 0.1f;
    p.ac.config[{ 0, 165 }] = 1.2f;
    p.ac.config[{ 0, 162 }] = 0.16f;
    p.tab.fresh_ac(6);
    EXPECT_EQ(p.edit("lineEdit_137")->text(), QString("0.16"));
    EXPECT_EQ(p.edit("lineEdit_141")->text(), QString("1.25"));
    // Their neighbours read from the module keep one decimal.
    EXPECT_EQ(p.edit("lineEdit_133")->text(), QString("0.2"));
}

TEST(Tab_set_ac, FailedReadsShowNotAValue)
{
    AcPage p(0);
    p.ac.config[{ 0, 88 }] = 0.2f;
    p.show(4, 4);
    EXPECT_EQ(p.edit("lineEdit_52")->text(), QString("N/A"));
    EXPECT_EQ(p.edit("lineEdit_54")->text(), QString("N/A"));
    EXPECT_EQ(p.edit("lineEdit_53")->text(), QString("0.200"));
    p.tab.fresh_ac(3);
    EXPECT_EQ(p.edit("lineEdit_56")->text(), QString("N/A"));
    p.ac.config[{ 0, 81 }] = 1.1f;
    p.tab.fresh_ac(3);
    EXPECT_EQ(p.edit("lineEdit_56")->text(), QString("1.10"));
}

TEST(Tab_set_ac, SwitchesPackedInConfiguration127)
{
    struct Case {
        const char* slot;
        int row;
        float before;   // negative: the read fails
        float written;  // negative: nothing is written
    };
    const Case cases[] = {
        { "on_comboBox_19_activated", 1, 6, 7 },
        { "on_comboBox_23_activated", 0, 7, 5 },
        { "on_comboBox_26_activated", 1, 1, 5 },
        { "on_comboBox_26_activated", 1, -1, -1 },
        { "on_comboBox_19_activated", 0, -1, -1 },
    };
    for (const Case& c : cases) {
        AcPage p(0);
        if (c.before >= 0)
            p.ac.config[{ 0, 127 }] = c.before;
        p.combo(c.slot, c.row);
        if (c.written < 0) {
            EXPECT_TRUE(p.ac.writes.empty()) << c.slot;
        } else {
            EXPECT_TRUE(p.ac.wrote(0, 127, c.written)) << c.slot << " " << c.before;
        }
    }
    AcPage shown(0);
    shown.ac.config[{ 0, 127 }] = 5;
    shown.tab.fresh_ac(5);
    EXPECT_EQ(shown.w<QComboBox>("comboBox_19")->currentIndex(), 1);
    EXPECT_EQ(shown.w<QComboBox>("comboBox_23")->currentIndex(), 0);
    EXPECT_EQ(shown.w<QComboBox>("comboBox_26")->currentIndex(), 1);
}

TEST(Tab_set_ac, CertificationEntriesTakeTheirRow)
{
    AcPage p(1);
    p.entry("on_lineEdit_56_selectionChanged", "1.5");   // above row 0's maximum
    EXPECT_TRUE(p.nothingWritten());
    p.entry("on_lineEdit_56_selectionChanged", "1.2");
    EXPECT_EQ(p.order, (std::vector<std::string>{ "ac 0 81", "sts 0 60" }));
    EXPECT_TRUE(wroteNear(p.sts, 60, 1.2f));
    p.clearWrites();
    // Row 19 has no switch index: the AC/DC index of the row only.
    p.entry("on_lineEdit_124_selectionChanged", "3");
    EXPECT_EQ(p.order, (std::vector<std::string>{ "ac 0 219" }));
    p.clearWrites();
    // The third low-voltage stage writes its fixed index, the normal ramp rate its row's.
    p.entry("on_lineEdit_128_selectionChanged", "2");
    EXPECT_EQ(p.order, (std::vector<std::string>{ "ac 0 150", "sts 0 37" }));
    p.clearWrites();
    p.entry("on_lineEdit_53_selectionChanged", "2");
    EXPECT_EQ(p.order, (std::vector<std::string>{ "ac 0 88" }));
}

TEST(Tab_set_ac, ReactiveModeChoiceSetsTheBasicPage)
{
    AcPage p(1);
    p.ac.config[{ 0, 94 }] = 255;
    p.show(4, 4);
    EXPECT_EQ(p.w<QComboBox>("comboBox_13")->currentIndex(), 0);
    p.combo("on_comboBox_13_activated", 0);
    EXPECT_TRUE(p.ac.wrote(0, 94, 255));
    p.combo("on_comboBox_13_activated", 2);
    EXPECT_TRUE(p.ac.wrote(0, 94, 1));
    EXPECT_TRUE(p.w<QLineEdit>("lineEdit_20")->isEnabled());
    EXPECT_FALSE(p.w<QLineEdit>("lineEdit_29")->isEnabled());
}

} // namespace
