#include "settingspage.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Shows page 1 or 2 of the DC sub-page for a branch and refreshes it, as the container does.
void showDc(SettingsPage& p, int page, int branch)
{
    p.tab.dcModule = branch;
    p.tab.setfirstindex(5);
    p.tab.setsubindex(page);
    p.tab.setCurrentIndex(page == 1 ? 5 : 18);
    p.tab.mpaintEvent();
}

struct Expected {
    int index;
    float value;
};

void expectWrites(const FakeDevice& d, int module, const std::vector<Expected>& want, const char* what)
{
    ASSERT_EQ(d.writes.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(d.writes[i].module, module) << what << " write " << i;
        EXPECT_EQ(d.writes[i].index, want[i].index) << what << " write " << i;
        EXPECT_NEAR(d.writes[i].value, want[i].value, 1e-3) << what << " write " << i;
    }
}

TEST(Tab_set_dc, CapacityAndCellsGiveTheirDerivedWritesInOrder)
{
    struct Case {
        const char* name;
        int set24, set7, branch;
        int module;   // where the writes go
    };
    const Case cases[] = {
        { "own dc link, one branch", 0, 1, 1003, 1003 },
        { "via ac/dc, one branch", 1, 1, 1002, 1002 },
        { "own dc link, all branches", 0, 0, 1001, 0 },
        { "via ac/dc, all branches", 1, 0, 1001, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsPage p;
        set[24].value = c.set24;
        set[7].value = c.set7;
        p.attach();
        p.tab.dcModule = c.branch;
        p.ac.pendingPolls = p.dc.pendingPolls = 1;
        const bool viaAc = c.set24 == 1;
        const FakeDevice& used = viaAc ? static_cast<const FakeDevice&>(p.ac) : p.dc;
        const FakeDevice& other = viaAc ? static_cast<const FakeDevice&>(p.dc) : p.ac;

        p.entry("on_lineEdit_77_selectionChanged", "100");
        if (viaAc)
            expectWrites(used, c.module, { { 117, 100 }, { 103, 15 }, { 121, 100 }, { 119, 5 }, { 102, 2 }, { 120, 0 } },
                "capacity");
        else
            expectWrites(used, c.module, { { 41, 100 }, { 24, 15 }, { 44, 100 }, { 43, 5 }, { 38, 2 }, { 33, 0 } },
                "capacity");
        EXPECT_EQ(p.tips, std::vector<int>(6, 3));
        // Each write waits for its own result on the module it addressed.
        const std::vector<int>& polled = viaAc ? p.ac.polled : p.dc.polled;
        ASSERT_FALSE(polled.empty());
        EXPECT_EQ(polled.front(), c.module);
        EXPECT_TRUE(other.writes.empty());

        p.clearWrites();
        p.entry("on_lineEdit_78_selectionChanged", "240");
        if (viaAc)
            expectWrites(used, c.module,
                { { 118, 240 }, { 101, 552 }, { 93, 528 }, { 90, 396 }, { 123, 432 }, { 116, 396 } }, "cells");
        else
            expectWrites(used, c.module,
                { { 42, 240 }, { 37, 552 }, { 27, 528 }, { 30, 396 }, { 46, 432 }, { 40, 396 } }, "cells");
        EXPECT_EQ(p.tips, std::vector<int>(6, 3));
        EXPECT_TRUE(other.writes.empty());
    }
}

TEST(Tab_set_dc, EntriesOutOfRangeCancelledOrMalformedWriteNothing)
{
    SettingsPage p;
    p.attach();
    p.tab.dcModule = 1001;
    const struct {
        const char* slot;
        const char* text;
    } entries[] = {
        { "on_lineEdit_77_selectionChanged", nullptr },
        { "on_lineEdit_77_selectionChanged", "-" },
        { "on_lineEdit_77_selectionChanged", "0" },
        { "on_lineEdit_78_selectionChanged", "397" },
        { "on_lineEdit_81_selectionChanged", "0.9" },
        { "on_lineEdit_185_selectionChanged", "800" },
        { "on_lineEdit_22_selectionChanged", "-" },
        // Own DC/DC link, DC parameter selector 0: the end of discharge stops at 800 V.
        { "on_lineEdit_75_selectionChanged", "800.1" },
    };
    for (const auto& e : entries) {
        p.entry(e.slot, e.text);
        EXPECT_TRUE(p.nothingWritten()) << e.slot << " " << (e.text ? e.text : "cancelled");
    }
    EXPECT_TRUE(p.tips.empty());
}

TEST(Tab_set_dc, EndOfDischargeTakesNothingWithoutAKnownMaximum)
{
    SettingsPage p;
    currentRackInfo.dcParamSet = 2;
    p.attach();
    for (const char* text : { "30", "0" }) {
        p.entry("on_lineEdit_75_selectionChanged", text);
        EXPECT_TRUE(p.nothingWritten()) << text;
    }
}

TEST(Tab_set_dc, LeadAcidBandsRefuseImplausibleEntries)
{
    struct Case {
        const char* name;
        int set24, branch;
        const char* slot;
        const char* text;
        bool written;
    };
    // 240 cells of 100 Ah on a lead-acid branch; dcParam triple 2 spans 30 to 800 V (own link)
    // or 600 to 900 V (via the AC/DC library).
    const Case cases[] = {
        { "float at the band's bottom", 0, 1003, "on_lineEdit_25_selectionChanged", "528", true },
        { "float at the band's top", 0, 1003, "on_lineEdit_25_selectionChanged", "547.2", true },
        { "float above the band", 0, 1003, "on_lineEdit_25_selectionChanged", "550", false },
        { "float below the band", 0, 1003, "on_lineEdit_25_selectionChanged", "527.9", false },
        { "float via ac/dc: branch 1's cells", 1, 1003, "on_lineEdit_25_selectionChanged", "650", false },
        { "float via ac/dc within branch 1's band", 1, 1003, "on_lineEdit_25_selectionChanged", "620", true },
        { "low voltage in band", 0, 1003, "on_lineEdit_24_selectionChanged", "400", true },
        { "low voltage above band", 0, 1003, "on_lineEdit_24_selectionChanged", "420", false },
        { "topping above band", 0, 1003, "on_lineEdit_26_selectionChanged", "580", false },
        { "end of discharge in band", 0, 1003, "on_lineEdit_75_selectionChanged", "432", true },
        { "pre-charge below band", 0, 1003, "on_lineEdit_76_selectionChanged", "390", false },
        { "max charge 0.25 C", 0, 1003, "on_lineEdit_28_selectionChanged", "25", true },
        { "max charge above 0.25 C", 0, 1003, "on_lineEdit_28_selectionChanged", "25.1", false },
        { "max discharge above 2 C", 0, 1003, "on_lineEdit_80_selectionChanged", "201", false },
        { "not lead-acid: no band", 0, 1004, "on_lineEdit_25_selectionChanged", "700", true },
        { "cells unreadable: refused", 0, 1005, "on_lineEdit_25_selectionChanged", "528", false },
        { "capacity unreadable: refused", 0, 1005, "on_lineEdit_28_selectionChanged", "0", false },
    };
    for (const Case& c : cases) {
        SettingsPage p;
        set[24].value = c.set24;
        for (int branch : { 1001, 1003, 1005 }) {
            p.dc.config[{ branch, 35 }] = 4;
            p.ac.config[{ branch, 104 }] = 4;
        }
        p.dc.config[{ 1003, 42 }] = 240;
        p.dc.config[{ 1003, 41 }] = 100;
        p.dc.config[{ 1004, 35 }] = 0;
        // Via the AC/DC library the check reads branch 1 (280 cells: float 616 to 638.4 V).
        p.ac.config[{ 1001, 118 }] = 280;
        p.ac.config[{ 1003, 118 }] = 240;
        p.attach();
        p.tab.dcModule = c.branch;
        p.entry(c.slot, c.text);
        EXPECT_EQ(!p.nothingWritten(), c.written) << c.name;
        if (c.written) {
            EXPECT_EQ(p.tips, std::vector<int>{ 3 }) << c.name;
        }
    }
}

TEST(Tab_set_dc, DispatchSetpointsGoOutWithoutPolling)
{
    struct Case {
        const char* slot;
        const char* text;
        int index;
    };
    const Case cases[] = {
        { "on_lineEdit_185_selectionChanged", "-770", 1002 },
        { "on_lineEdit_22_selectionChanged", "1500", 1001 },
        { "on_lineEdit_23_selectionChanged", "-12.5", 1000 },
    };
    for (int set7 : { 1, 0 }) {
        for (const Case& c : cases) {
            SettingsPage p;
            set[24].value = 1;
            set[7].value = set7;
            p.attach();
            p.tab.dcModule = 1002;
            p.dc.pendingPolls = 100;
            p.entry(c.slot, c.text);
            ASSERT_EQ(p.dc.writes.size(), 1u) << c.slot;
            EXPECT_EQ(p.dc.writes[0].module, set7 ? 1002 : 0) << c.slot;
            EXPECT_EQ(p.dc.writes[0].index, c.index) << c.slot;
            EXPECT_NEAR(p.dc.writes[0].value, atof(c.text), 1e-3) << c.slot;
            EXPECT_TRUE(p.dc.polled.empty()) << c.slot;
            EXPECT_TRUE(p.ac.writes.empty()) << c.slot;
            EXPECT_EQ(p.tips, std::vector<int>{ 3 }) << c.slot;
        }
    }
    // A set-point the device refuses is reported as failed.
    SettingsPage p;
    p.attach();
    p.dc.settingResult = -1;
    p.entry("on_lineEdit_23_selectionChanged", "10");
    EXPECT_EQ(p.tips, std::vector<int>{ 4 });
}

TEST(Tab_set_dc, RefusedOrFailedParameterWriteShowsTheFailureTip)
{
    for (int set24 : { 0, 1 }) {
        for (bool refused : { true, false }) {
            SettingsPage p;
            set[24].value = set24;
            p.attach();
            FakeDevice& d = set24 ? static_cast<FakeDevice&>(p.ac) : p.dc;
            (refused ? d.settingResult : d.finalResult) = -1;
            p.combo("on_comboBox_15_activated", 1);
            EXPECT_EQ(p.tips, std::vector<int>{ 4 }) << set24 << refused;
            ASSERT_EQ(d.writes.size(), 1u);
            EXPECT_EQ(d.writes[0].index, set24 ? 104 : 35);
            EXPECT_EQ(d.writes[0].value, 1.0f);
        }
    }
}

TEST(Tab_set_dc, PvBranchCaptionsAndRowsFollowTheInputType)
{
    SettingsPage p;
    p.dc.config[{ 1002, 35 }] = 1;
    p.attach();
    showDc(p, 1, 1002);
    auto text = [&p](const char* name) { return p.w<QLabel>(name)->text().toStdString(); };
    auto enabled = [&p](std::initializer_list<const char*> names) {
        std::string got;
        for (const char* n : names)
            got += p.w<QWidget>(n)->isEnabled() ? '1' : '0';
        return got;
    };
    const auto page1 = { "lineEdit_24", "lineEdit_25", "lineEdit_26", "lineEdit_27", "lineEdit_79", "lineEdit_28",
        "lineEdit_80", "lineEdit_75" };
    const auto page2 = { "comboBox_14", "lineEdit_22", "lineEdit_23", "lineEdit_74", "lineEdit_76", "lineEdit_77",
        "lineEdit_78", "lineEdit_81" };
    EXPECT_EQ(text("label_45"), "MPPT下限电压");
    EXPECT_EQ(text("label_46"), "MPPT上限电压");
    EXPECT_EQ(text("label_47"), "光伏最大电压");
    EXPECT_EQ(text("label_163"), "休眠电压");
    EXPECT_EQ(enabled(page1), "11100011");
    EXPECT_EQ(text("label_160"), "放电起始电压");
    showDc(p, 2, 1002);
    EXPECT_EQ(text("label_160"), "唤醒电压");
    EXPECT_EQ(enabled(page2), "00010000");

    // Back to a battery: page 1 is renamed again, page 2 keeps the PV name on a disabled row.
    p.dc.config[{ 1002, 35 }] = 0;
    showDc(p, 1, 1002);
    EXPECT_EQ(text("label_45"), "直流下限电压");
    EXPECT_EQ(text("label_46"), "浮充电压");
    EXPECT_EQ(text("label_47"), "均充电压");
    EXPECT_EQ(text("label_163"), "放电终止电压");
    EXPECT_EQ(enabled(page1), "10101111");
    showDc(p, 2, 1002);
    EXPECT_EQ(text("label_160"), "唤醒电压");
    EXPECT_EQ(enabled(page2), "11100000");

    // A type outside 0..4 leaves the layout as it was.
    p.dc.config[{ 1002, 35 }] = 5;
    showDc(p, 1, 1002);
    EXPECT_EQ(enabled(page1), "10101111");
}

TEST(Tab_set_dc, EveryInputTypeLaysOutItsRows)
{
    struct Case {
        int type;
        // Page 1, rows lineEdit_24, _25, _26, _27, _79, _28, _80, _75 (caption and field alike).
        const char* page1;
        // Captions of the rows of lineEdit_24, _25, _26 and _75.
        const char* captions[4];
        // Page 2, rows comboBox_14, lineEdit_22, _23, _74, _76, _77, _78, _81.
        const char* page2;
    };
    const Case cases[] = {
        { 0, "10101111", { "直流下限电压", "浮充电压", "均充电压", "放电终止电压" }, "11100000" },
        { 1, "11100011", { "MPPT下限电压", "MPPT上限电压", "光伏最大电压", "休眠电压" }, "00010000" },
        { 2, "10101111", { "直流下限电压", "浮充电压", "均充电压", "放电终止电压" }, "11100000" },
        { 3, "01100110", { "直流下限电压", "直流输出电压", "直流电压上限", "放电终止电压" }, "00000000" },
        { 4, "11111111", { "直流下限电压", "浮充电压", "均充电压", "放电终止电压" }, "11101111" },
    };
    const char* const rows1[8][2] = { { "label_45", "lineEdit_24" }, { "label_46", "lineEdit_25" },
        { "label_47", "lineEdit_26" }, { "label_48", "lineEdit_27" }, { "label_171", "lineEdit_79" },
        { "label_49", "lineEdit_28" }, { "label_173", "lineEdit_80" }, { "label_163", "lineEdit_75" } };
    const char* const rows2[8][2] = { { "label_42", "comboBox_14" }, { "label_43", "lineEdit_22" },
        { "label_44", "lineEdit_23" }, { "label_160", "lineEdit_74" }, { "label_165", "lineEdit_76" },
        { "label_167", "lineEdit_77" }, { "label_169", "lineEdit_78" }, { "label_175", "lineEdit_81" } };
    const char* const captionLabels[4] = { "label_45", "label_46", "label_47", "label_163" };
    auto layout = [](SettingsPage& p, const char* const(&rows)[8][2]) {
        std::string got;
        for (const auto& row : rows) {
            const bool caption = p.w<QWidget>(row[0])->isEnabled();
            const bool field = p.w<QWidget>(row[1])->isEnabled();
            got += caption != field ? '?' : (field ? '1' : '0');
        }
        return got;
    };
    for (int set24 : { 0, 1 }) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(set24 ? "via ac/dc, type " : "own dc link, type ") + std::to_string(c.type));
            SettingsPage p;
            set[24].value = set24;
            FakeDevice& d = set24 ? static_cast<FakeDevice&>(p.ac) : p.dc;
            const int typeIndex = set24 ? 104 : 35;
            p.attach();
            // From another type's layout, so that every row has to change where this type differs.
            for (int type : { (c.type + 1) % 5, c.type }) {
                d.config[{ 1004, typeIndex }] = float(type);
                showDc(p, 1, 1004);
                showDc(p, 2, 1004);
            }
            EXPECT_EQ(layout(p, rows1), c.page1);
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(p.w<QLabel>(captionLabels[i])->text(), QString::fromUtf8(c.captions[i])) << i;
            EXPECT_EQ(layout(p, rows2), c.page2);

            // A code outside 0..4 leaves the layout and the captions of the type before.
            for (float unknown : { 5.0f, 9.0f, -1.0f }) {
                d.config[{ 1004, typeIndex }] = unknown;
                showDc(p, 1, 1004);
                showDc(p, 2, 1004);
                EXPECT_EQ(layout(p, rows1), c.page1) << unknown;
                EXPECT_EQ(layout(p, rows2), c.page2) << unknown;
                EXPECT_EQ(p.w<QLabel>("label_46")->text(), QString::fromUtf8(c.captions[1])) << unknown;
            }
        }
    }
}

TEST(Tab_set_dc, ShowsTheBranchValues)
{
    for (int set24 : { 0, 1 }) {
        SettingsPage p;
        set[24].value = set24;
        set[54].value = 2;
        FakeDevice& d = set24 ? static_cast<FakeDevice&>(p.ac) : p.dc;
        d.config[{ 1003, set24 ? 93 : 27 }] = 528.04f;
        d.config[{ 1003, set24 ? 95 : 26 }] = 1;
        d.config[{ 1003, set24 ? 117 : 41 }] = 100.4f;
        d.config[{ 1003, set24 ? 118 : 42 }] = 240;
        d.analog[{ 1003, set24 ? 51 : 23 }] = -12.34f;
        p.ac.analog[{ 1003, 47 }] = 33.3f;
        p.attach();
        showDc(p, 1, 1003);
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_25")->text(), "528.0");
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_185")->text(), set24 ? "33.3" : "0.0");
        EXPECT_EQ(p.w<QWidget>("lineEdit_185")->isEnabled(), set24 == 1) << "branch power only via ac/dc";
        showDc(p, 2, 1003);
        EXPECT_EQ(p.w<QComboBox>("comboBox_14")->currentIndex(), 1);
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_77")->text(), "100");
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_78")->text(), "240");
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_22")->text(), "-12.3");
    }
}

TEST(Tab_set_dc, AllBranchesTogetherLeaveOnlyBranchOneEditable)
{
    struct Case {
        int set7, branch;
        bool enabled;
    };
    const Case cases[] = { { 0, 1001, true }, { 0, 1002, false }, { 0, 1008, false }, { 1, 1002, true } };
    for (const Case& c : cases) {
        SettingsPage p(1);
        set[7].value = c.set7;
        p.dc.config[{ c.branch, 27 }] = 500;
        p.attach();
        for (int page : { 1, 2 }) {
            showDc(p, page, c.branch);
            EXPECT_EQ(p.tab.currentWidget()->isEnabled(), c.enabled) << c.set7 << " " << c.branch << " page " << page;
        }
        // The values still show on a disabled page.
        showDc(p, 1, c.branch);
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_25")->text(), "500.0");
    }
}

}

namespace {

TEST(Tab_set_dc, DerivedWritesStayOnTheBranchTypedFor)
{
    SettingsPage p;
    p.attach();
    p.tab.dcModule = 1002;
    p.dc.pendingPolls = 3;
    // The container moves dcModule to its picker while the first write polls.
    QTimer picker;
    QObject::connect(&picker, &QTimer::timeout, [&p, &picker]() {
        if (!p.dc.writes.empty()) {
            p.tab.dcModule = 1005;
            picker.stop();
        }
    });
    picker.start(0);
    p.entry("on_lineEdit_78_selectionChanged", "12");
    ASSERT_EQ(p.dc.writes.size(), 6u);
    EXPECT_FALSE(picker.isActive()) << "the picker moved during the writes";
    for (const FakeDevice::Write& w : p.dc.writes)
        EXPECT_EQ(w.module, 1002) << w.index;
}

}
