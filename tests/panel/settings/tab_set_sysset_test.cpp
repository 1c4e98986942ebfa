#include "tab_set.h"

#include "globalvar.h"
#include "keydialog.h"
#include "monitorset.h"
#include "runtimetree.h"
#include "settingspage.h"
#include "settingstest.h"
#include "timeseam.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Page {
    RuntimeTree tree;
    FakeDevice rtu, tcp, sts;
    PendingDevice ac, dc;
    Tab_set tab;
    QLabel tip;
    std::vector<int> tips;

    Page()
    {
        for (int i = 0; i < 80; ++i) {
            set[i].value = 0;
            set[i].text.clear();
        }
        set[0].value = 5;   // below 1 the settings file counts as new and takes its defaults
        set[3].text = "192.168.1.10";
        set[4].text = "192.168.1.1";
        set[5].text = "255.255.255.0";
        keyword_right = 4;
        tipslabel = &tip;
        QObject::connect(&tab, &Tab_set::sendcommond, [this](int c) { tips.push_back(c); });
        tab.setDeviceViews(&rtu, &tcp, &ac, &dc, &sts);
        ac.writes.clear();
        tcp.writes.clear();
    }
    ~Page() { tipslabel = nullptr; }
    void slot(const char* name) { QMetaObject::invokeMethod(&tab, name); }
    void combo(const char* name, int row) { QMetaObject::invokeMethod(&tab, name, Q_ARG(int, row)); }
    // Types text into the keypad the slot opens (null cancels it).
    void entry(const char* slotName, const char* text)
    {
        KeyPadTyper typer(text);
        slot(slotName);
    }
    template <typename T> T* w(const char* name) { return tab.findChild<T*>(name); }
};

struct IntEntryCase {
    const char* slot;
    const char* text;
    int setIndex;
    int expect;       // set[setIndex] afterwards
    int reg;          // upward register written, 0 for none
};

TEST(Tab_set_sysset, IntegerEntriesKeepToTheirRanges)
{
    const IntEntryCase cases[] = {
        { "on_lineEdit_2_selectionChanged", "0", 0, 5, 0 },
        { "on_lineEdit_2_selectionChanged", "121", 0, 5, 0 },
        { "on_lineEdit_2_selectionChanged", "120", 0, 120, 0 },
        { "on_lineEdit_9_selectionChanged", "14", 10, 0, 0 },
        { "on_lineEdit_9_selectionChanged", "61", 10, 0, 0 },
        { "on_lineEdit_9_selectionChanged", "15", 10, 15, 0 },
        { "on_lineEdit_7_selectionChanged", "248", 8, 0, 0 },
        { "on_lineEdit_7_selectionChanged", "247", 8, 247, 1 },
        { "on_lineEdit_11_selectionChanged", "601", 27, 0, 0 },
        { "on_lineEdit_11_selectionChanged", "600", 27, 600, 420 },
        { "on_lineEdit_172_selectionChanged", "30", 29, 30, 421 },
        { "on_lineEdit_8_selectionChanged", "45", 28, 45, 422 },
        { "on_lineEdit_10_selectionChanged", "65535", 13, 65535, 0 },
        { "on_lineEdit_10_selectionChanged", "65536", 13, 0, 0 },
        { "on_lineEdit_10_selectionChanged", "1.5.", 13, 0, 0 },
    };
    for (const IntEntryCase& c : cases) {
        Page p;
        p.entry(c.slot, c.text);
        EXPECT_EQ(set[c.setIndex].value, c.expect) << c.slot << " " << c.text;
        if (c.reg) {
            EXPECT_TRUE(p.rtu.wrote(0, c.reg, float(c.expect))) << c.slot;
            EXPECT_TRUE(p.tcp.wrote(0, c.reg, float(c.expect))) << c.slot;
        } else {
            EXPECT_TRUE(p.rtu.writes.empty()) << c.slot << " " << c.text;
        }
    }
}

// A new snapshot period asks the data-handling object to restart its timer at once (request 5);
// a refused entry asks nothing.
TEST(Tab_set_sysset, SnapshotPeriodRestartsTheTimerAtOnce)
{
    struct Case { const char* text; std::vector<int> requests; } cases[] = {
        { "61", {} },
        { "30", { 5 } },
    };
    for (const Case& c : cases) {
        Page p;
        std::vector<int> requests;
        QObject::connect(&p.tab, &Tab_set::sendcommond_udisk, [&](int code) { requests.push_back(code); });
        p.entry("on_lineEdit_9_selectionChanged", c.text);
        EXPECT_EQ(requests, c.requests) << c.text;
    }
}

TEST(Tab_set_sysset, TimeoutOfZeroIsAcceptedAndBacklightShowsTheSettingEvenWhenCancelled)
{
    Page p;
    set[28].value = 10;
    p.entry("on_lineEdit_8_selectionChanged", "0");
    EXPECT_EQ(set[28].value, 0);
    EXPECT_TRUE(p.tcp.wrote(0, 422, 0));
    set[0].value = 17;
    p.entry("on_lineEdit_2_selectionChanged", nullptr);
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_2")->text(), "17");
}

TEST(Tab_set_sysset, EnergyCorrectionsAccumulate)
{
    Page p;
    p.entry("on_lineEdit_14_selectionChanged", "5");
    p.entry("on_lineEdit_14_selectionChanged", "5");
    EXPECT_EQ(set[51].value, 10);
    EXPECT_TRUE(p.ac.wrote(0, 10048, 10));
    EXPECT_FLOAT_EQ(p.tab.chargeCorrection, 10);
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_14")->text(), "5");
    p.entry("on_lineEdit_19_selectionChanged", "2000.5");
    EXPECT_EQ(set[52].value, 0);
    p.entry("on_lineEdit_19_selectionChanged", "-2000");
    EXPECT_EQ(set[52].value, -2000);
    EXPECT_TRUE(p.ac.wrote(0, 10098, -2000));
    EXPECT_TRUE(p.tips.empty());
}

TEST(Tab_set_sysset, ControlParametersGoToBothConverters)
{
    Page p;
    p.entry("on_lineEdit_12_selectionChanged", "-32768");
    EXPECT_TRUE(p.ac.wrote(0, 124, -32768));
    EXPECT_TRUE(p.dc.wrote(0, 47, -32768));
    p.entry("on_lineEdit_13_selectionChanged", "32768");
    EXPECT_FALSE(p.ac.wrote(0, 125, 32768));
    EXPECT_EQ(p.tips, (std::vector<int>{ 3, 3 }));
}

struct IpCase {
    const char* name;
    int kind;
    const char* text;
    const char* shown;
    const char* tip;
    bool applied;
};

TEST(Tab_set_sysset, AddressesAreCheckedAndAppliedAtOnce)
{
    const IpCase cases[] = {
        { "leading zeros", 4, "192.168.001.010", "192.168.1.10", "设置成功", true },
        { "over 255", 4, "256.1.1.1", "192.168.1.10", "非法输入", true },
        { "three parts", 5, "1.2.3", "192.168.1.1", "非法输入", true },
        { "empty", 6, "", "255.255.255.0", "非法输入", true },
        { "mask", 6, "255.255.0.0", "255.255.0.0", "设置成功", true },
    };
    for (const IpCase& c : cases) {
        Page p;
        set[3].text = "10.0.0.2";
        set[4].text = "10.0.0.1";
        set[5].text = "255.0.0.0";
        p.tab.ipformat(c.kind, QString::fromUtf8(c.text));
        const char* edits[] = { "lineEdit_4", "lineEdit_5", "lineEdit_6" };
        EXPECT_EQ(p.w<QLineEdit>(edits[c.kind - 4])->text(), c.shown) << c.name;
        EXPECT_EQ(set[c.kind - 1].text, c.shown) << c.name;
        EXPECT_EQ(p.tip.text(), QString::fromUtf8(c.tip)) << c.name;
        const std::string log = p.tree.exists("commands.log") ? p.tree.commands() : std::string();
        const bool ran = log.find("ifconfig eth0 " + set[3].text.toStdString() + " netmask "
                             + set[5].text.toStdString())
            != std::string::npos;
        EXPECT_EQ(ran, c.applied) << c.name;
    }
}

TEST(Tab_set_sysset, AddressTypedOnTheKeypad)
{
    Page p;
    p.entry("on_lineEdit_4_selectionChanged", "10.1.2.3");
    EXPECT_EQ(set[3].text, "10.1.2.3");
    EXPECT_EQ(savedSetting(3).text, "10.1.2.3");
}

struct ClockCase {
    const char* name;
    const char* text;
    const char* command;   // null: refused
};

TEST(Tab_set_sysset, ClockTextIsCheckedBeforeTheShellSeesIt)
{
    const ClockCase cases[] = {
        { "valid", "2024-05-09-10-20-30", "date -s 2024.05.9-10:20:30" },
        { "year 2000", "2000-01-01-00-00-00", nullptr },
        { "five parts", "2024-05-09-10-20", nullptr },
        { "empty part", "2024-05--10-20-30", nullptr },
        { "signed part", "2024-05-09-10-20-+3", nullptr },
        { "decimal part", "2024-05-09-10.5-20-30", nullptr },
        { "month 13", "2024-13-09-10-20-30", nullptr },
        { "leap day", "2024-02-29-10-20-30", "date -s 2024.02.29-10:20:30" },
        { "february 31", "2024-02-31-10-20-30", nullptr },
        { "february 29 of a common year", "2023-02-29-10-20-30", nullptr },
        { "april 31", "2024-04-31-10-20-30", nullptr },
    };
    for (const ClockCase& c : cases) {
        Page p;
        QString text = QString::fromUtf8(c.text);
        p.tab.settime(text);
        const std::string log = p.tree.exists("commands.log") ? p.tree.commands() : std::string();
        if (c.command) {
            EXPECT_EQ(log, std::string(c.command) + "\nhwclock -w\n") << c.name;
            EXPECT_EQ(p.tip.text(), QString::fromUtf8("设置成功")) << c.name;
        } else {
            EXPECT_EQ(log, "") << c.name;
            EXPECT_EQ(p.tip.text(), QString::fromUtf8("设置失败")) << c.name;
        }
    }
}

TEST(Tab_set_sysset, AClockOrAddressTheMachineRefusesIsShownAsAFailure)
{
    struct Case {
        const char* name;
        const char* refused;   // the start of the command the board refuses
        const char* log;       // what was run
    };
    const Case clock[] = {
        { "date refused", "date -s", "date -s 2024.05.9-10:20:30\n" },
        { "hardware clock refused", "hwclock", "date -s 2024.05.9-10:20:30\nhwclock -w\n" },
    };
    for (const Case& c : clock) {
        Page p;
        p.tree.writeFile("commands.fail", std::string(c.refused) + "\n");
        QString text = "2024-05-09-10-20-30";
        p.tab.settime(text);
        EXPECT_EQ(p.tree.commands(), c.log) << c.name;
        EXPECT_EQ(p.tip.text(), QString::fromUtf8("设置失败")) << c.name;
    }
    for (const char* refused : { "ifconfig", "route add", "sed '1 c" }) {
        Page p;
        p.tree.writeFile("commands.fail", std::string(refused) + "\n");
        p.tab.ipformat(4, "10.0.0.9");
        EXPECT_EQ(set[3].text, "10.0.0.9") << refused;
        EXPECT_EQ(p.tip.text(), QString::fromUtf8("设置失败")) << refused;
        EXPECT_NE(p.tree.commands().find("route add default gw"), std::string::npos) << refused;
    }
}

TEST(Tab_set_sysset, BmsProtocolNeedsConfirmation)
{
    Page p;
    set[26].value = 2;
    set[55].value = set[60].value = set[61].value = 1;
    {
        BoxAnswer no(QMessageBox::No);
        p.combo("on_comboBox_47_activated", 5);
        EXPECT_EQ(no.text, QString::fromUtf8("该设置需要机架下电生效，是否确认?"));
    }
    EXPECT_EQ(set[26].value, 2);
    EXPECT_EQ(set[55].value, 1);
    EXPECT_TRUE(p.ac.writes.empty());
    {
        BoxAnswer yes(QMessageBox::Yes);
        p.combo("on_comboBox_47_activated", 5);
    }
    EXPECT_EQ(set[26].value, 5);
    EXPECT_EQ(set[55].value + set[60].value + set[61].value, 0);
    EXPECT_TRUE(p.ac.wrote(0, 98, 5));
    EXPECT_TRUE(p.dc.wrote(0, 22, 5));
    // A row the list does not have is not written.
    p.combo("on_comboBox_47_activated", 12);
    EXPECT_EQ(set[26].value, 5);
}

TEST(Tab_set_sysset, SystemCombosWrite)
{
    Page p;
    p.combo("on_comboBox_11_activated", 1);
    EXPECT_TRUE(p.ac.wrote(0, 73, 1));
    EXPECT_TRUE(p.dc.wrote(0, 25, 1));
    p.combo("on_comboBox_4_activated", 2);
    EXPECT_TRUE(p.ac.wrote(0, 108, 2));
    EXPECT_TRUE(p.dc.wrote(0, 21, 2));
    EXPECT_EQ(set[54].value, 2);
    p.combo("on_comboBox_31_activated", 1);
    EXPECT_EQ(set[7].value, 1);
    EXPECT_EQ(p.tip.text(), QString::fromUtf8("设置成功"));
    p.combo("on_comboBox_30_activated", 1);
    EXPECT_TRUE(p.rtu.wrote(0, 501, 1));
    EXPECT_TRUE(p.tcp.wrote(0, 501, 1));
    p.combo("on_comboBox_30_activated", 2);
    EXPECT_EQ(set[2].value, 1);
}

// Types both serial entries into the text keyboard.
struct SerialTyper {
    QTimer timer;
    int round = 0;
    SerialTyper(QString first, QString second)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, first, second]() {
            if (QMessageBox* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxText = box->text();
                box->button(QMessageBox::Ok)->click();
                return;
            }
            KeyDialog* keys = qobject_cast<KeyDialog*>(QApplication::activeModalWidget());
            if (!keys || keys->GetString() == "typed")
                return;
            keys->setString(round == 0 ? first : second);
            ++round;
            keys->buttonClicked("OK");
        });
        timer.start(5);
    }
    QString boxText;
};

struct SerialCase {
    const char* name;
    const char* first;
    const char* second;
    const char* box;   // null: accepted
};

TEST(Tab_set_sysset, SerialNumberIsTypedTwiceWith22Characters)
{
    const SerialCase cases[] = {
        { "accepted", "ABCDEFGHIJKLMNOPQRSTUV", "ABCDEFGHIJKLMNOPQRSTUV", nullptr },
        { "21 characters", "ABCDEFGHIJKLMNOPQRSTU", "ABCDEFGHIJKLMNOPQRSTU", "序列号长度不对" },
        { "23 characters", "ABCDEFGHIJKLMNOPQRSTUVW", "ABCDEFGHIJKLMNOPQRSTUVW", "序列号长度不对" },
        { "differ", "ABC", "ABD", "两次输入不一致" },
    };
    for (const SerialCase& c : cases) {
        Page p;
        p.tcp.writes.clear();
        SerialTyper typer(c.first, c.second);
        p.slot("on_lineEdit_192_selectionChanged");
        std::string file = p.tree.readFile("bin/SerialNum.dat");
        if (c.box) {
            EXPECT_EQ(typer.boxText, QString::fromUtf8(c.box)) << c.name;
            EXPECT_EQ(file, std::string(128, '\0')) << c.name;
            EXPECT_TRUE(p.tcp.writes.empty()) << c.name;
        } else {
            std::string golden = std::string(c.first) + std::string(128 - 22, '\0');
            EXPECT_EQ(file, golden) << c.name;
            EXPECT_TRUE(p.tcp.wrote(0, 600, 1.0f)) << c.name;
        }
    }
}

TEST(Tab_set_sysset, RefreshShowsTheSubPages)
{
    Page p;
    p.ac.config[{ 0, 73 }] = 1;
    p.ac.config[{ 0, 108 }] = 7;   // no such row
    p.ac.config[{ 0, 124 }] = 25;
    p.ac.config[{ 0, 128 }] = 1234;
    p.ac.config[{ 0, 279 }] = 0;
    p.tcp.status[{ 0, 503 }] = 3;
    set[25].value = 6091;
    set[8].value = 12;
    set[13].value = 5;
    set[51].value = 40;
    keyword_right = 2;
    p.tab.chargeCorrection = 40;
    p.tree.writeFile("etc/eth0-setting", "IP=10.0.0.5\nMask=255.255.0.0\nGateway=10.0.0.1\n");

    p.tab.resize(677, 639);
    p.tab.show();
    p.tab.setfirstindex(2);
    p.tab.setCurrentIndex(2);
    p.tab.mpaintEvent();
    EXPECT_EQ(p.w<QComboBox>("comboBox_11")->currentIndex(), 1);
    EXPECT_EQ(p.w<QComboBox>("comboBox_4")->currentIndex(), -1);
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_12")->text(), "25");
    EXPECT_FALSE(p.w<QLineEdit>("lineEdit_12")->isEnabled());
    saveArtifact(&p.tab, "tab_set_sysset_1.png");

    p.tab.setsubindex(2);
    p.tab.setCurrentIndex(24);
    p.tab.mpaintEvent();
    EXPECT_EQ(p.w<QLabel>("label_24")->text(), "");
    EXPECT_FALSE(p.w<QComboBox>("comboBox_5")->isEnabled());
    EXPECT_EQ(p.w<QComboBox>("comboBox_9")->count(), 1);

    p.tab.setsubindex(3);
    p.tab.setCurrentIndex(27);
    p.tab.mpaintEvent();
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_188")->text(), "2.5");
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_190")->text(), "0.1234");
    EXPECT_EQ(p.w<QComboBox>("comboBox_12")->currentIndex(), 1);

    p.tab.setfirstindex(3);
    p.tab.setCurrentIndex(3);
    p.tab.mpaintEvent();
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_4")->text().trimmed(), "10.0.0.5");
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_5")->text().trimmed(), "10.0.0.1");
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_7")->text(), "12");
    EXPECT_FALSE(p.w<QPushButton>("pushButton_2")->isVisible());
    EXPECT_TRUE(p.w<QPushButton>("pushButton_3")->isVisible());
    saveArtifact(&p.tab, "tab_set_pcsset_1.png");

    p.tab.setsubindex(2);
    p.tab.setCurrentIndex(25);
    p.tab.mpaintEvent();
    EXPECT_EQ(p.w<QLineEdit>("lineEdit_10")->text(), "5");
    EXPECT_FALSE(p.w<QLineEdit>("lineEdit_192")->isEnabled());
    saveArtifact(&p.tab, "tab_set_pcsset_2.png");
}

} // namespace
