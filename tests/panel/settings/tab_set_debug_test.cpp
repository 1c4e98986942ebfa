#include "settingspage.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <string>
#include <vector>

namespace {

TEST(Tab_set_debug, CoefficientFromReadingPresentCoefficientAndTypedValue)
{
    struct CoefficientCase {
        const char* name;
        float reading;
        float coefficient;
        const char* typed;
        float written;        // < 0: nothing written
        const char* shown;    // the field right after the entry
    };
    const CoefficientCase cases[] = {
        { "small correction", 200, 1.0f, "202", 1.01f, "202.0" },
        { "shown with one decimal", 200, 1.0f, "202.04", 1.0102f, "202.0" },
        { "ratio above the band", 200, 1.0f, "250", 1.1f, "250.0" },
        { "ratio below the band", 200, 1.0f, "150", 0.9f, "150.0" },
        { "present coefficient kept in", 200, 1.05f, "200", 1.05f, "200.0" },
        { "coefficient never set", 200, 0.0f, "202", 1.0f, "202.0" },
        { "typed zero", 200, 1.0f, "0", 1.0f, "0.0" },
        { "reading zero", 0, 1.02f, "230", 1.0f, "230.0" },
        { "negative true value", 200, 1.0f, "-5", 0.9f, "-5.0" },
        { "not a number", 200, 1.0f, ".", -1, "" },
        { "cancelled", 200, 1.0f, nullptr, -1, "" },
    };
    for (const CoefficientCase& c : cases) {
        SettingsPage p;
        p.dc.analog[{ 1, 4 }] = c.reading;
        p.dc.config[{ 1, 70 }] = c.coefficient;
        p.attach();
        p.entry("on_lineEdit_40_selectionChanged", c.typed);
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_40")->text(), c.shown) << c.name;
        if (c.written < 0) {
            EXPECT_TRUE(p.nothingWritten()) << c.name;
            continue;
        }
        ASSERT_EQ(p.order, std::vector<std::string>{ "dc 1 70" }) << c.name;
        EXPECT_NEAR(p.dc.writes[0].value, c.written, 1e-4) << c.name;
        EXPECT_EQ(p.tips, std::vector<int>{ 3 }) << c.name;
    }
}

TEST(Tab_set_debug, CalibrationFieldsAddressTheirChannel)
{
    struct ChannelCase {
        const char* slot;
        const char* device;
        int module;
        int config;
        int analog;
    };
    // Modules picked: AC/DC 3, DC/DC 4; the switch is always module 0.
    const ChannelCase cases[] = {
        { "on_lineEdit_96_selectionChanged", "sts", 0, 101, 0 },
        { "on_lineEdit_102_selectionChanged", "sts", 0, 107, 27 },
        { "on_lineEdit_107_selectionChanged", "sts", 0, 112, 32 },
        { "on_lineEdit_108_selectionChanged", "ac", 3, 201, 6 },
        { "on_lineEdit_114_selectionChanged", "ac", 3, 217, 65 },
        { "on_lineEdit_120_selectionChanged", "ac", 3, 207, 27 },
        { "on_lineEdit_123_selectionChanged", "ac", 3, 210, 4 },
        { "on_lineEdit_41_selectionChanged", "dc", 4, 71, 1 },
        { "on_lineEdit_44_selectionChanged", "dc", 4, 74, 2 },
    };
    for (const ChannelCase& c : cases) {
        SettingsPage p;
        set[21].value = 0;
        OrderedDevice* dev = std::string(c.device) == "sts" ? &p.sts : std::string(c.device) == "ac" ? &p.ac : &p.dc;
        dev->analog[{ c.module, c.analog }] = 100;
        dev->config[{ c.module, c.config }] = 1.0f;
        p.attach();
        p.tab.acDebugModule = 3;
        p.tab.dcDebugModule = 4;
        p.entry(c.slot, "102");
        const std::string want = std::string(c.device) + " " + std::to_string(c.module) + " " + std::to_string(c.config);
        ASSERT_EQ(p.order, std::vector<std::string>{ want }) << c.slot;
        EXPECT_NEAR(dev->writes[0].value, 1.02f, 1e-4) << c.slot;
    }
}

TEST(Tab_set_debug, DebugWordsAreRefusedOnAcAndClampedOnDc)
{
    struct WordCase {
        const char* name;
        const char* slot;
        const char* typed;
        std::vector<std::string> writes;
        float value;
    };
    const WordCase cases[] = {
        { "ac top", "on_lineEdit_34_selectionChanged", "65535", { "ac 2 211" }, 65535 },
        { "ac past the top", "on_lineEdit_34_selectionChanged", "65536", {}, 0 },
        { "ac negative", "on_lineEdit_39_selectionChanged", "-1", {}, 0 },
        { "ac test word", "on_lineEdit_39_selectionChanged", "7", { "ac 2 216" }, 7 },
        { "ac not a number", "on_lineEdit_36_selectionChanged", ".", {}, 0 },
        { "dc past the top", "on_lineEdit_45_selectionChanged", "70000", { "dc 5 75" }, 65535 },
        { "dc negative", "on_lineEdit_50_selectionChanged", "-5", { "dc 5 80" }, 0 },
        { "dc test word", "on_lineEdit_48_selectionChanged", "12", { "dc 5 78" }, 12 },
        { "dc not a number", "on_lineEdit_46_selectionChanged", ".", {}, 0 },
        { "dc cancelled", "on_lineEdit_47_selectionChanged", nullptr, {}, 0 },
    };
    for (const WordCase& c : cases) {
        SettingsPage p;
        p.attach();
        p.tab.acDebugModule = 2;
        p.tab.dcDebugModule = 5;
        p.entry(c.slot, c.typed);
        EXPECT_EQ(p.order, c.writes) << c.name;
        for (const FakeDevice::Write& w : p.ac.writes)
            EXPECT_NEAR(w.value, c.value, 1e-3) << c.name;
        for (const FakeDevice::Write& w : p.dc.writes)
            EXPECT_NEAR(w.value, c.value, 1e-3) << c.name;
    }
}

TEST(Tab_set_debug, RefusedOrFailedWritesShowTheFailureTip)
{
    // With the DC side driven through the AC/DC library, ordinary DC/DC failures are silent;
    // these writes report theirs.
    for (int refused : { 1, 0 }) {
        SettingsPage p;
        set[24].value = 1;
        p.attach();
        p.ac.settingResult = p.dc.settingResult = refused ? -1 : 0;
        p.ac.finalResult = p.dc.finalResult = refused ? 0 : 1;
        p.entry("on_lineEdit_45_selectionChanged", "3");
        p.entry("on_lineEdit_37_selectionChanged", "3");
        p.entry("on_lineEdit_42_selectionChanged", "230");
        EXPECT_EQ(p.tips, (std::vector<int>{ 4, 4, 4 })) << refused;
    }
}

TEST(Tab_set_debug, AcDebugPagesFollowTheModulesStatus)
{
    struct OnlineCase {
        int status;
        bool page1, page2, page3;
    };
    const OnlineCase cases[] = {
        { 0, false, false, false },
        { 1, true, true, true },
        { 2, false, true, true },
    };
    for (const OnlineCase& c : cases) {
        SettingsPage p;
        p.ac.status[{ 3, 0 }] = c.status;
        p.ac.config[{ 3, 211 }] = 4660;
        p.ac.analog[{ 3, 29 }] = 17.6f;
        p.ac.analog[{ 3, 4 }] = 748.3f;
        p.ac.config[{ 3, 210 }] = 1.002f;
        p.attach();
        p.tab.acDebugModule = 3;
        p.tab.setfirstindex(7);
        const int tabs[3] = { 7, 22, 23 };
        const bool want[3] = { c.page1, c.page2, c.page3 };
        for (int page = 1; page <= 3; ++page) {
            p.tab.setsubindex(page);
            p.tab.setCurrentIndex(tabs[page - 1]);
            p.tab.mpaintEvent();
            EXPECT_EQ(p.tab.currentWidget()->isEnabled(), want[page - 1]) << c.status << " page " << page;
        }
        // Filled whether online or not.
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_34")->text(), "4660");
        EXPECT_EQ(p.w<QLabel>("label_80")->text(), "18");
        EXPECT_EQ(p.w<QLabel>("label_301")->text(), "748.3");
        EXPECT_EQ(p.w<QLabel>("label_260")->text(), "1.002");
    }
}

TEST(Tab_set_debug, DcDebugPageByOnlineFlagAndLevel)
{
    struct DcCase {
        int level;
        int online;
        bool enabled;
        bool calibration;
        int debugTop;
    };
    const DcCase cases[] = {
        { 2, 1, true, false, 50 },
        { 3, 1, true, true, 220 },
        { 4, 0, false, true, 220 },
        { 1, 2, false, false, 50 },
    };
    for (const DcCase& c : cases) {
        SettingsPage p(c.level);
        p.dc.status[{ 6, 100 }] = c.online;
        p.dc.analog[{ 6, 0 }] = 51.27f;
        p.dc.config[{ 6, 72 }] = 0.9984f;
        p.dc.analog[{ 6, 13 }] = 300;
        p.dc.config[{ 6, 76 }] = 21;
        p.attach();
        p.tab.dcDebugModule = 6;
        p.show(8, 8);
        SCOPED_TRACE(c.level);
        EXPECT_EQ(p.tab.widget(8)->isEnabled(), c.enabled);
        EXPECT_EQ(p.w<QWidget>("widget_2")->isVisibleTo(p.tab.widget(8)), c.calibration);
        EXPECT_EQ(p.w<QWidget>("widget")->pos(), QPoint(100, c.debugTop));
        EXPECT_EQ(p.w<QLabel>("label_306")->text(), "51.3");
        EXPECT_EQ(p.w<QLabel>("label_99")->text(), "0.998");
        EXPECT_EQ(p.w<QLabel>("label_310")->text(), "300");
        // Debug word 2 writes index 76 and shows it back in its own field.
        EXPECT_EQ(p.w<QLineEdit>("lineEdit_46")->text(), "21");
    }
}

} // namespace
