#include "interface_switch.h"

#include "globalvar.h"
#include "loggeddevice.h"
#include "monitorset.h"
#include "racktable.h"
#include "timeseam.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace {

// The device classes of the fakes are not the libraries' own, so the page gets them as views.
class SwitchPage : public interface_Switch {
public:
    void give(DeviceData* ac, DeviceData* dc, DeviceData* sts, DeviceData* tcp)
    {
        setDeviceData(nullptr, nullptr, nullptr, nullptr);
        m_acdcData = ac;
        m_dcdcData = dc;
        m_stsData = sts;
        m_tcpData = tcp;
    }
    QPushButton* button(const QString& name) { return findChild<QPushButton*>(name); }
};

struct Bench {
    std::vector<std::string> log;
    LoggedDevice ac{ "ac", &log }, dc{ "dc", &log }, sts{ "sts", &log }, tcp{ "tcp", &log };
    std::vector<int> tips;
    SwitchPage page;

    Bench(int sts21, int dcViaAcLink24, int dcPath)
    {
        for (setvalue& s : set)
            s.value = 0;
        set[21].value = sts21;
        set[23].value = 8;
        set[24].value = dcViaAcLink24;
        currentRackInfo = RackInfoStuct();
        currentRackInfo.dcViaAcDc = dcPath;
        g_acCrtlCmd = 0;
        g_remoteout485flag = 0;
        g_remoteoutTCPflag = 0;
        page.give(&ac, &dc, &sts, &tcp);
        QObject::connect(&page, &interface_Switch::sendcommond, [this](int c) { tips.push_back(c); });
    }
};

} // namespace

TEST(interface_Switch, ButtonsWriteTheirCommands)
{
    struct Case {
        const char* name;
        int sts21, link24, dcPath;
        std::function<void(SwitchPage&)> press;
        std::vector<std::string> writes;
    };
    auto click = [](const char* button) { return [button](SwitchPage& p) { p.button(button)->click(); }; };
    const Case cases[] = {
        { "start, DC/DC commanded", 0, 0, 0, click("btn_on"), { "ac 0 61 1", "dc 0 0 1", "tcp 0 502 0" } },
        { "start, branches through the AC/DC", 0, 0, 1, click("btn_on"), { "ac 0 61 1", "tcp 0 502 0" } },
        { "start, DC side on the AC/DC link", 0, 1, 0, click("btn_on"), { "ac 0 61 1", "tcp 0 502 0" } },
        { "stop, DC/DC commanded", 0, 0, 0, click("btn_off"), { "ac 0 68 1", "dc 0 1 1", "tcp 0 502 1" } },
        { "stop, branches through the AC/DC", 0, 0, 2, click("btn_off"), { "ac 0 68 1", "tcp 0 502 1" } },
        { "grid-tied with a switch", 0, 0, 0, click("btn_ingrid"), { "sts 0 1 0", "ac 0 69 0", "dc 0 7 0" } },
        { "grid-tied without a switch", 1, 0, 0, click("btn_ingrid"), { "ac 0 69 0", "dc 0 7 0" } },
        { "off-grid with a switch", 0, 0, 0, click("btn_outgrid"), { "sts 0 1 1", "ac 0 69 1", "dc 0 7 1" } },
        { "off-grid, DC side on the AC/DC link", 0, 1, 0, click("btn_outgrid"), { "sts 0 1 1", "ac 0 69 1" } },
        { "clear fault", 0, 0, 0, click("btn_clearfault"), { "ac 0 63 1", "dc 0 3 1", "sts 0 2 1" } },
        { "clear fault without a switch", 1, 0, 0, click("btn_clearfault"), { "ac 0 63 1", "dc 0 3 1" } },
        { "AC side start", 0, 0, 0, click("btn_on_2"), { "ac 0 61 1" } },
        { "AC side stop", 0, 0, 0, click("btn_off_2"), { "ac 0 62 1" } },
        { "branch 1 start on the DC/DC", 0, 0, 0, click("btn_dc1_on"), { "dc 1001 0 1" } },
        { "branch 3 stop on the DC/DC", 0, 0, 0, click("btn_dc3_off"), { "dc 1003 1 1" } },
        { "branch 8 start on the AC/DC", 0, 0, 1, click("btn_dc8_on"), { "ac 1008 61 1" } },
        { "branch 6 stop on the AC/DC", 0, 1, 1, click("btn_dc6_off"), { "ac 1006 62 1" } },
        { "branch on the DC/DC skipped on the AC/DC link", 0, 1, 0, click("btn_dc2_on"), {} },
        { "tile of branch 5 on", 0, 0, 1, [](SwitchPage& p) { p.switch5_onoff(true); }, { "ac 1005 61 1" } },
        { "tile of branch 7 off", 0, 0, 0, [](SwitchPage& p) { p.switch7_onoff(false); }, { "dc 1007 1 1" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(c.sts21, c.link24, c.dcPath);
        c.press(b.page);
        EXPECT_EQ(b.log, c.writes);
        // Every converter or switch write ends with its own tip; the TCP slave's gives none.
        size_t awaited = 0;
        for (const std::string& w : c.writes)
            awaited += w.rfind("tcp", 0) != 0;
        EXPECT_EQ(b.tips, std::vector<int>(awaited, 3));
    }
}

TEST(interface_Switch, ClearFaultReleasesTheLinkLossStop)
{
    struct Case { const char* name; unsigned short word; unsigned short after; int flags; bool written; } cases[] = {
        { "bit 2 set", 3, 1, 0, true },
        { "only bit 2", 2, 0, 0, true },
        { "bit 2 clear", 1, 1, 1, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(0, 0, 0);
        g_acCrtlCmd = c.word;
        g_remoteout485flag = 1;
        g_remoteoutTCPflag = 1;
        b.page.button("btn_clearfault")->click();
        EXPECT_EQ(g_acCrtlCmd, c.after);
        EXPECT_EQ(g_remoteout485flag, c.flags);
        EXPECT_EQ(g_remoteoutTCPflag, c.flags);
        EXPECT_EQ(b.ac.wrote(0, 67, float(c.after)), c.written);
        if (c.written) {
            EXPECT_EQ(b.log.back(), "ac 0 67 " + std::to_string(c.after));
        }
        EXPECT_EQ(b.tips.size(), c.written ? 4u : 3u);
    }
}

TEST(interface_Switch, FailuresGiveTipFourAndTheHandlerGoesOn)
{
    struct Case { const char* name; int refused; int result; } cases[] = {
        { "refused write", -1, 0 },
        { "failed result", 0, 1 },
        { "device not open", 0, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(0, 0, 0);
        b.dc.settingResult = c.refused;
        b.dc.finalResult = c.result;
        b.page.button("btn_clearfault")->click();
        EXPECT_EQ(b.log, (std::vector<std::string> { "ac 0 63 1", "dc 0 3 1", "sts 0 2 1" }));
        EXPECT_EQ(b.tips, (std::vector<int> { 3, 4, 3 }));
    }
}

TEST(interface_Switch, MissingDeviceIsAFailure)
{
    Bench b(0, 0, 0);
    b.page.give(&b.ac, nullptr, &b.sts, nullptr);
    b.page.button("btn_on")->click();
    EXPECT_EQ(b.log, std::vector<std::string> { "ac 0 61 1" });
    EXPECT_EQ(b.tips, (std::vector<int> { 3, 4 }));
}

// While a write waits the page stays live, with the start button held off.
TEST(interface_Switch, PendingWriteKeepsTheEventLoopGoing)
{
    TimeSeam::useFakeClock(true);
    Bench b(0, 0, 0);
    b.ac.pendingPolls = 50;
    bool heldOff = false;
    QTimer::singleShot(0, [&b, &heldOff]() {
        heldOff = !b.page.button("btn_on")->isEnabled();
        b.page.freshme();
    });
    b.page.button("btn_on")->click();
    EXPECT_TRUE(heldOff);
    EXPECT_TRUE(b.page.button("btn_on")->isEnabled());
    EXPECT_EQ(b.ac.pendingPolls, 0);
    EXPECT_EQ(b.tips, (std::vector<int> { 3, 3 }));
}

// A device that never leaves the pending state is given up on after 20 s as a failure.
TEST(interface_Switch, EndlessPendingEndsAsFailure)
{
    TimeSeam::useFakeClock(true);
    Bench b(0, 0, 0);
    b.sts.pendingPolls = 1 << 30;
    const int64_t start = TimeSeam::monotonicMs();
    b.page.button("btn_outgrid")->click();
    EXPECT_GE(TimeSeam::monotonicMs() - start, 20000);
    EXPECT_EQ(b.log, (std::vector<std::string> { "sts 0 1 1", "ac 0 69 1", "dc 0 7 1" }));
    EXPECT_EQ(b.tips, (std::vector<int> { 4, 3, 3 }));
}

TEST(interface_Switch, TimeoutOffStopsBothConvertersAndShowsOnlyFailures)
{
    struct Case { const char* name; int link24; int dcRefuses; std::vector<std::string> writes; std::vector<int> tips; } cases[] = {
        { "both stop", 0, 0, { "ac 0 68 1", "dc 0 8 1" }, {} },
        { "DC/DC refuses", 0, -1, { "ac 0 68 1", "dc 0 8 1" }, { 4 } },
        { "DC side on the AC/DC link", 1, 0, { "ac 0 68 1" }, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b(0, c.link24, 0);
        b.dc.settingResult = c.dcRefuses;
        b.page.timeout_off();
        EXPECT_EQ(b.log, c.writes);
        EXPECT_EQ(b.tips, c.tips);
    }
}

TEST(interface_Switch, RefreshShowsTheAcSideButtonsOfItsMachineTypes)
{
    struct Case { int type; bool shown; } cases[] = {
        { 6, true }, { 13, true }, { 31, true }, { 0, false }, { 5, false }, { 30, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Bench b(0, 0, 0);
        currentRackInfo.machineType = c.type;
        b.page.freshme();
        EXPECT_EQ(b.page.button("btn_on_2")->isVisibleTo(&b.page), c.shown);
        EXPECT_EQ(b.page.button("btn_off_2")->isVisibleTo(&b.page), c.shown);
    }
}

TEST(interface_Switch, BranchRowsFollowTheStringCount)
{
    struct Case { int count; int rows; bool title; } cases[] = {
        { 1, 0, false }, { 2, 2, true }, { 3, 3, true }, { 4, 4, true }, { 8, 8, true },
        { 6, 8, true }, { 0, 8, true }, { 9, 8, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        set[23].value = c.count;
        interface_Switch page;
        for (int n = 1; n <= 8; ++n)
            EXPECT_EQ(page.findChild<QWidget*>(QString("DC%1").arg(n))->isVisibleTo(&page), n <= c.rows) << n;
        EXPECT_EQ(page.findChild<QWidget*>("label_DC")->isVisibleTo(&page), c.title);
    }
    // The refresh applies a changed count; a count it does not know leaves the rows as they are.
    Bench b(0, 0, 0);
    set[23].value = 3;
    b.page.freshme();
    EXPECT_FALSE(b.page.findChild<QWidget*>("DC4")->isVisibleTo(&b.page));
    set[23].value = 5;
    b.page.freshme();
    EXPECT_TRUE(b.page.findChild<QWidget*>("DC3")->isVisibleTo(&b.page));
    EXPECT_FALSE(b.page.findChild<QWidget*>("DC4")->isVisibleTo(&b.page));
}

TEST(interface_Switch, RefreshOffersOnlyTheOtherGridMode)
{
    struct Case { int offGrid; bool ingrid; bool outgrid; } cases[] = { { 1, true, false }, { 0, false, true }, { 2, false, true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offGrid);
        Bench b(0, 0, 0);
        b.ac.status[{ 0, 56 }] = c.offGrid;
        b.page.freshme();
        EXPECT_EQ(b.page.button("btn_ingrid")->isEnabled(), c.ingrid);
        EXPECT_EQ(b.page.button("btn_outgrid")->isEnabled(), c.outgrid);
    }
}

TEST(interface_Switch, InertUntilItHasItsDevices)
{
    set[23].value = 8;
    currentRackInfo = RackInfoStuct();
    currentRackInfo.machineType = 6;
    interface_Switch page;
    page.freshme();
    EXPECT_FALSE(page.findChild<QPushButton*>("btn_on_2")->isVisibleTo(&page));
    EXPECT_TRUE(page.findChild<QPushButton*>("btn_ingrid")->isEnabled());
    EXPECT_TRUE(page.findChild<QPushButton*>("btn_outgrid")->isEnabled());
}

TEST(interface_Switch, FormLayout)
{
    set[23].value = 8;
    Bench b(0, 0, 0);
    currentRackInfo.machineType = 13;
    b.ac.status[{ 0, 56 }] = 0;
    b.page.freshme();
    struct Case { const char* name; QRect rect; } cases[] = {
        { "label_11", QRect(60, 10, 171, 31) }, { "btn_on", QRect(60, 50, 120, 50) },
        { "btn_off", QRect(190, 50, 120, 50) }, { "btn_ingrid", QRect(360, 50, 120, 50) },
        { "btn_outgrid", QRect(490, 50, 120, 50) }, { "btn_clearfault", QRect(660, 50, 120, 50) },
        { "btn_on_2", QRect(190, 120, 161, 51) }, { "btn_off_2", QRect(450, 120, 161, 51) },
        { "label_DC", QRect(60, 160, 171, 41) }, { "gridLayoutWidget_3", QRect(50, 210, 728, 271) },
        { "btn_dc4_on", QRect(5, 5, 100, 50) }, { "btn_dc4_off", QRect(120, 5, 100, 50) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(b.page.findChild<QWidget*>(c.name)->geometry(), c.rect) << c.name;
    EXPECT_EQ(b.page.size(), QSize(796, 480));
    EXPECT_EQ(b.page.button("btn_on")->text(), QString::fromUtf8("总开机"));
    EXPECT_EQ(b.page.button("btn_ingrid")->text(), QString::fromUtf8(" 并网"));
    EXPECT_EQ(b.page.findChild<QWidget*>("label_dc6")->property("text").toString(), QString::fromUtf8("直流支路6"));
    EXPECT_FALSE(b.page.button("btn_clearfault")->icon().isNull());
    EXPECT_FALSE(b.page.button("btn_dc8_off")->icon().isNull());
    for (int n = 1; n <= 8; ++n)
        EXPECT_NE(b.page.findChild<QWidget*>(QString("switch%1").arg(n)), nullptr);
    b.page.show();
    EXPECT_FALSE(saveArtifact(&b.page, "interface_switch.png").isEmpty());
}
