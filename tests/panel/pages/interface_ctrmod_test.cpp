#include "interface_ctrmod.h"

#include "globalvar.h"
#include "iec104device.h"
#include "loggeddevice.h"
#include "modbusrtudevice.h"
#include "modbustcpdevice.h"
#include "monitorset.h"
#include "runtimetree.h"
#include "timeseam.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QRadioButton>
#include <string>
#include <vector>

namespace {

// The converter fakes are handed over as views; the upward servers are the stand-ins themselves.
class CtrModPage : public interface_CtrMod {
public:
    void give(DeviceData* ac, DeviceData* dc, modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp,
        Iec104Device* iec)
    {
        setDeviceData(nullptr, nullptr, rtu, tcp, iec);
        m_acdcData = ac;
        m_dcdcData = dc;
    }
    QRadioButton* button(const char* name) { return findChild<QRadioButton*>(name); }
};

struct Bench {
    RuntimeTree tree;
    std::vector<std::string> log;
    LoggedDevice ac{ "ac", &log }, dc{ "dc", &log };
    modbus::ModbusrtuDevice rtu{ nullptr, nullptr, nullptr, "/dev/ttySAC3", 19200, 1, 1, 0, 0 };
    modbus::ModbustcpDevice tcp{ nullptr, nullptr, nullptr, 502, 1, 0, 0 };
    Iec104Device iec{ nullptr, nullptr, nullptr, 2404, 1, 0, 0 };
    std::vector<int> tips;
    CtrModPage* page = nullptr;

    // The default settings with the test's own over them, then the page over the devices.
    explicit Bench(std::initializer_list<std::pair<int, int>> settings = {}, bool ready = true)
    {
        set[0].value = 0;
        readmonitorset(); // a fresh tree: the defaults
        set[59].value = 3; // no strategy: no dispatching latch
        for (const auto& s : settings)
            set[s.first].value = s.second;
        g_acCrtlCmd = 0;
        g_remoteout485flag = 0;
        g_remoteoutTCPflag = 0;
        telnet485Heart = 7;
        telnetTcpHeart = 7;
        g_pvstate = 2;
        allData.schedule = 0;
        page = new CtrModPage;
        if (ready)
            page->give(&ac, &dc, &rtu, &tcp, &iec);
        QObject::connect(page, &interface_CtrMod::sendcommond, [this](int c) { tips.push_back(c); });
    }
    ~Bench() { delete page; }

    // What the settings file holds now.
    static int saved(int slot)
    {
        const int now = set[slot].value;
        set[slot].value = -12345;
        readmonitorset();
        const int kept = set[slot].value;
        set[slot].value = now;
        return kept;
    }
};

const char* const kButtons[3] = { "radioButton", "radioButton_2", "radioButton_3" };

} // namespace

TEST(interface_CtrMod, ModeChoiceIsStoredAndToldEverywhere)
{
    struct Case { int mode; int rtuTcp; int iec; int tip; int heart; } cases[] = {
        { 0, 0, 0, 4000, 7 },
        { 1, 1, 0, 4001, 7 },
        { 2, 2, 1, 4001, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Bench b({ { 1, (c.mode + 1) % 3 } });
        b.page->button(kButtons[c.mode])->click();
        EXPECT_TRUE(b.page->button(kButtons[c.mode])->isChecked());
        EXPECT_EQ(set[1].value, c.mode);
        EXPECT_EQ(Bench::saved(1), c.mode);
        EXPECT_EQ(b.rtu.getStatus(0, 0), c.rtuTcp);
        EXPECT_EQ(b.tcp.getStatus(0, 0), c.rtuTcp);
        // Where the upper system writes a mode: it follows the local choice.
        EXPECT_EQ(b.rtu.getStatus(0, 100), c.rtuTcp);
        EXPECT_EQ(b.tcp.getStatus(0, 100), c.rtuTcp);
        EXPECT_EQ(b.iec.getStatus(0, 0), c.iec);
        const std::string m = std::to_string(c.mode);
        EXPECT_EQ(b.log, (std::vector<std::string> { "ac 0 107 " + m, "dc 0 20 " + m }));
        EXPECT_EQ(b.tips, std::vector<int> { c.tip });
        EXPECT_EQ(telnet485Heart, c.heart);
        EXPECT_EQ(telnetTcpHeart, c.heart);
        EXPECT_EQ(allData.schedule, c.mode == 1 ? 100 : 0);
    }
}

TEST(interface_CtrMod, LocalAutoLinesTheDispatchingModeUpWithTheStrategy)
{
    struct Case {
        const char* name;
        int strategy, dispatching, link24;
        int dcMode, acMode; // DC control mode read back; -1 none to read
        std::vector<std::string> writes; // after the control-mode writes
        int dispatchingAfter;
    } cases[] = {
        { "schedule puts AC dispatching back", 0, 1, 0, -1, -1, { "ac 0 108 0", "dc 0 21 0" }, 0 },
        { "schedule, already AC dispatching", 0, 0, 0, -1, -1, {}, 0 },
        { "PV, latched and constant current", 1, 1, 0, 0, -1, {}, 1 },
        { "PV, latched but constant power", 1, 1, 0, 1, -1, { "ac 0 108 1", "dc 0 21 1", "dc 0 26 0" }, 1 },
        { "PV, not latched", 1, 0, 0, 0, -1, { "ac 0 108 1", "dc 0 21 1", "dc 0 26 0" }, 1 },
        { "PV, mode unreadable", 1, 1, 0, -1, -1, { "ac 0 108 1", "dc 0 21 1", "dc 0 26 0" }, 1 },
        { "PV, DC side on the AC/DC link", 1, 1, 1, 0, 1, { "ac 0 108 1", "dc 0 21 1", "ac 0 95 0" }, 1 },
        { "PV, AC/DC link and constant current", 1, 1, 1, 1, 0, {}, 1 },
        { "DC schedule latches DC dispatching", 2, 0, 0, -1, -1, { "ac 0 108 1", "dc 0 21 1" }, 1 },
        { "DC schedule, string dispatching kept as 1", 2, 2, 0, -1, -1, { "ac 0 108 1", "dc 0 21 1" }, 1 },
        { "DC schedule, already latched", 2, 1, 0, -1, -1, {}, 1 },
        { "unknown strategy", 7, 2, 0, -1, -1, {}, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b({ { 59, c.strategy }, { 54, c.dispatching }, { 24, c.link24 } });
        if (c.dcMode >= 0)
            b.dc.config[{ 0, 26 }] = float(c.dcMode);
        if (c.acMode >= 0)
            b.ac.config[{ 0, 95 }] = float(c.acMode);
        b.page->button("radioButton_2")->click();
        std::vector<std::string> expected { "ac 0 107 1", "dc 0 20 1" };
        expected.insert(expected.end(), c.writes.begin(), c.writes.end());
        EXPECT_EQ(b.log, expected);
        EXPECT_EQ(set[54].value, c.dispatchingAfter);
        EXPECT_EQ(Bench::saved(54), c.dispatchingAfter);
        EXPECT_EQ(g_pvstate, c.strategy == 1 ? 1 : 2);
        EXPECT_EQ(b.tips, std::vector<int> { 4001 });
    }
}

TEST(interface_CtrMod, LocalModesReleaseTheLinkLossStop)
{
    struct Case { int mode; unsigned short after; int flags; const char* lastWrite; } cases[] = {
        { 0, 1, 0, "ac 0 67 1" },
        { 1, 1, 0, "ac 0 67 1" },
        { 2, 3, 1, "dc 0 20 2" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Bench b;
        g_acCrtlCmd = 3;
        g_remoteout485flag = 1;
        g_remoteoutTCPflag = 1;
        b.page->button(kButtons[c.mode])->click();
        EXPECT_EQ(g_acCrtlCmd, c.after);
        EXPECT_EQ(g_remoteout485flag, c.flags);
        EXPECT_EQ(g_remoteoutTCPflag, c.flags);
        EXPECT_EQ(b.log.back(), c.lastWrite);
    }
    // With the bit clear the word is not written.
    Bench b;
    g_acCrtlCmd = 1;
    b.page->button("radioButton")->click();
    EXPECT_FALSE(b.ac.wrote(0, 67, 1.0f));
}

// Failed or slow converter writes hold nothing up and show no tip.
TEST(interface_CtrMod, WritesGoOnWhateverTheResults)
{
    TimeSeam::useFakeClock(true);
    Bench b({ { 59, 0 }, { 54, 1 } });
    b.ac.settingResult = -1;
    b.dc.pendingPolls = 30;
    b.page->button("radioButton_2")->click();
    EXPECT_EQ(b.log, (std::vector<std::string> { "ac 0 107 1", "dc 0 20 1", "ac 0 108 0", "dc 0 21 0" }));
    EXPECT_EQ(b.tips, std::vector<int> { 4001 });
    EXPECT_EQ(b.page->setAc(107, 1), -1);
    b.dc.finalResult = 1;
    EXPECT_EQ(b.page->setDc(20, 1), -1);
    b.dc.finalResult = 0;
    EXPECT_EQ(b.page->setDc(20, 1), 0);
}

TEST(interface_CtrMod, InertUntilItHasItsDevices)
{
    Bench b({ { 1, 0 } }, false);
    const std::string file = b.tree.readFile("bin/monitorset.txt");
    b.page->button("radioButton_3")->click();
    EXPECT_TRUE(b.page->button("radioButton_3")->isChecked());
    EXPECT_EQ(set[1].value, 0);
    EXPECT_TRUE(b.log.empty());
    EXPECT_TRUE(b.tips.empty());
    EXPECT_EQ(b.tcp.getStatus(0, 0), 0);
    EXPECT_EQ(b.tree.readFile("bin/monitorset.txt"), file);
}

TEST(interface_CtrMod, ModeFromOutsideChecksItsButtonAndLocks)
{
    struct Case { int mode; const char* checked; std::vector<int> codes; } cases[] = {
        { 0, "radioButton", { 4000 } },
        { 1, "radioButton_2", { 4001 } },
        { 2, "radioButton_3", { 4001 } },
        { 3, "radioButton_2", {} },
        { -1, "radioButton_2", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Bench b({ { 1, 1 } });
        ASSERT_TRUE(b.page->button("radioButton_2")->isChecked()) << "follows set[1] at start";
        b.page->changeCtrlState(c.mode);
        EXPECT_TRUE(b.page->button(c.checked)->isChecked());
        EXPECT_EQ(b.tips, c.codes);
        EXPECT_TRUE(b.log.empty());
        EXPECT_EQ(b.rtu.getStatus(0, 0), 0);
        EXPECT_EQ(set[1].value, 1);
    }
}

TEST(interface_CtrMod, ModeButtonsLockedWhileNobodyIsLoggedIn)
{
    struct Case { int level; bool enabled; } cases[] = { { 0, false }, { 1, true }, { 8, true }, { 0, false } };
    Bench b;
    for (const Case& c : cases) {
        b.page->setCtrlDisable(c.level);
        for (const char* name : kButtons)
            EXPECT_EQ(b.page->button(name)->isEnabled(), c.enabled) << c.level << name;
    }
    b.page->setAutoDisabled(true);
    EXPECT_FALSE(b.page->button("radioButton")->isEnabled());
}

TEST(interface_CtrMod, IndicatorWidthsFollowTheLanguage)
{
    struct Case { int language; int widths[3]; } cases[] = {
        { 1, { 30, 40, 60 } }, { 0, { 50, 50, 50 } }, { 2, { 50, 50, 50 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        Bench b({ { 20, c.language } });
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(b.page->button(kButtons[i])->styleSheet(),
                QString("QRadioButton::indicator { width: %1px; }").arg(c.widths[i]));
    }
}

TEST(interface_CtrMod, FormLayout)
{
    Bench b({ { 1, 2 } });
    const int xs[3] = { 50, 290, 530 };
    const char* captions[3] = { "本地手动", "本地自动", "远程控制" };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(b.page->button(kButtons[i])->geometry(), QRect(xs[i], 190, 195, 83));
        EXPECT_EQ(b.page->button(kButtons[i])->text(), QString::fromUtf8(captions[i]));
    }
    EXPECT_TRUE(b.page->button("radioButton_3")->isChecked());
    b.page->show();
    EXPECT_FALSE(saveArtifact(b.page, "interface_ctrmod.png").isEmpty());
}
