#include "tab_logout.h"

#include "datadeal.h"
#include "fakedevice.h"
#include "fakehardware.h"
#include "globalvar.h"
#include "interface4_1.h"
#include "interface4_2.h"
#include "interface4_5.h"
#include "minitab.h"
#include "monitorset.h"
#include "plotcompat.h"
#include "racktable.h"
#include "recordtestdata.h"
#include "runtimetree.h"
#include "timeseam.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QTabBar>
#include <cmath>
#include <qcustomplot.h>
#include <vector>

using namespace recordtest;

namespace {

const char* const kButtons[9] = { "btn_downall", "btn_downhistory", "btn_downstat", "btn_downoperation",
    "btn_downdata", "btn_downac", "btn_downdc", "btn_downsts", "btn_clear" };
const char* const kCaptions[9] = { "label_downall", "label_downhistory", "label_downstat", "label_downoperation",
    "label_downdata", "label_downac", "label_downdc", "label_downsts", "label_clear" };

QPushButton* button(Tab_Logout& tab, int slot)
{
    return tab.findChild<QPushButton*>(kButtons[slot]);
}

QLabel* caption(Tab_Logout& tab, int slot)
{
    return tab.widget(5)->findChild<QLabel*>(kCaptions[slot]);
}

// A label of the export page (the pagers of other tabs have labels of the same names).
QLabel* exportLabel(Tab_Logout& tab, const char* name)
{
    return tab.widget(5)->findChild<QLabel*>(name);
}

// The three status lines, joined by "|".
std::string status(Tab_Logout& tab)
{
    return text(exportLabel(tab, "label_2")->text() + "|" + exportLabel(tab, "label_3")->text() + "|"
        + exportLabel(tab, "label_4")->text());
}

// Slots whose pair (button and caption) is enabled, as a string of 0/1 for slots 0..8.
std::string enabled(Tab_Logout& tab)
{
    std::string s;
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(button(tab, k)->isEnabled(), caption(tab, k)->isEnabled()) << k;
        s += button(tab, k)->isEnabled() ? '1' : '0';
    }
    return s;
}

const char* const kCopying = "扫描文件...成功|扫描U盘...正常|拷贝至U盘...稍等";
const char* const kCopied = "扫描文件...成功|扫描U盘...正常|拷贝至U盘...成功";
const char* const kFailed = "扫描文件...失败|请重试...|";
const char* const kNoStick = "扫描U盘...失败|请重新插入U盘...|";

QCPGraph* curve(Tab_Logout& tab)
{
    return tab.findChild<QCustomPlot*>("plot")->graph(0);
}

} // namespace

TEST(Tab_Logout, FormTabsAndExportPage)
{
    Tab_Logout tab;
    EXPECT_FALSE(tab.tabBar()->isVisibleTo(&tab));
    const char* const tabs[] = { "tab", "tab_2", "tab1", "tab_3", "tab_6", "tab_4", "tab_5", "tab_7", "tab_8" };
    ASSERT_EQ(tab.count(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(text(tab.widget(i)->objectName()), tabs[i]);
    EXPECT_EQ(tab.currentIndex(), 5);
    EXPECT_EQ(tab.showtype(), 0);
    EXPECT_EQ(tab.getwarwidget(), tab.findChild<INTERFACE4_1*>("waring"));
    EXPECT_EQ(tab.getlogwidget(), tab.findChild<INTERFACE4_2*>("wlog"));
    EXPECT_EQ(tab.getslogwidget(), tab.findChild<Interface4_5*>("slog"));
    EXPECT_EQ(tab.widget(6)->findChild<INTERFACE4_1*>(), tab.getwarwidget());

    EXPECT_EQ(tab.findChild<MiniTab*>("table_operation")->titles(),
        QStringList({ "序号", "名称", "开始时间", "备注" }));
    EXPECT_EQ(tab.findChild<MiniTab*>("table_stat")->titles(), QStringList({ "序号", "名称", "时间", "状态" }));
    EXPECT_EQ(tab.findChild<MiniTab*>("table_history")->titles(),
        QStringList({ "序号", "名称", "开始时间", "结束时间" }));

    const char* const captions[9] = { "下载所有记录", "下载历史告警", "下载状态记录", "下载操作记录", "下载历史数据",
        "下载AC故障", "下载DC故障", "下载STS故障", "重置文本" };
    for (int k = 0; k < 9; ++k) {
        ASSERT_NE(button(tab, k), nullptr) << k;
        EXPECT_TRUE(button(tab, k)->text().isEmpty());
        EXPECT_EQ(button(tab, k)->size(), QSize(80, 60));
        EXPECT_EQ(text(caption(tab, k)->text()), captions[k]);
    }
    EXPECT_EQ(enabled(tab), "111111111");
    EXPECT_EQ(status(tab), "||");
    EXPECT_EQ(button(tab, 7)->pos(), QPoint(70, 240));
    EXPECT_EQ(caption(tab, 6)->pos(), QPoint(450, 170));
}

TEST(Tab_Logout, ExportButtonsSendTheirRequests)
{
    struct Case { int slot; int code; } cases[] = {
        { 0, 6 }, { 1, 7 }, { 2, 8 }, { 3, 9 }, { 4, 10 }, { 5, 11 }, { 6, 12 }, { 7, 13 },
    };
    for (int level : { 0, 2, 3 }) {
        keyword_right = level;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(level) + "/" + std::to_string(c.slot));
            Tab_Logout tab;
            std::vector<int> codes;
            QObject::connect(&tab, &Tab_Logout::sendcommond, [&codes](int v) { codes.push_back(v); });
            exportLabel(tab, "label_3")->setText("old");
            button(tab, c.slot)->click();
            EXPECT_EQ(codes, std::vector<int> { c.code });
            EXPECT_EQ(status(tab), "||");
            // Only export-all holds its button until the core answers, and not at level 2.
            const bool held = c.slot == 0 && level != 2;
            EXPECT_EQ(enabled(tab), held ? "011111111" : "111111111");
        }
    }
    Tab_Logout tab;
    std::vector<int> codes;
    QObject::connect(&tab, &Tab_Logout::sendcommond, [&codes](int v) { codes.push_back(v); });
    tab.fresh_down(1, 8);
    button(tab, 8)->click();
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(status(tab), "||");
}

TEST(Tab_Logout, SingleLogsOfferedByLevel)
{
    struct Case { int level; bool all; } cases[] = {
        { 0, true }, { 1, false }, { 2, false }, { 3, true }, { 4, true }, { 8, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        Tab_Logout tab;
        tab.show();
        keyword_right = c.level;
        tab.setshowtype(5);
        EXPECT_EQ(tab.showtype(), 5);
        EXPECT_TRUE(button(tab, 0)->isVisible());
        EXPECT_TRUE(caption(tab, 0)->isVisible());
        for (int k = 1; k < 9; ++k) {
            EXPECT_EQ(button(tab, k)->isVisible(), c.all) << k;
            EXPECT_EQ(caption(tab, k)->isVisible(), c.all) << k;
        }
        // A change of level shows at the next choice of the export page only.
        keyword_right = c.all ? 1 : 0;
        tab.setshowtype(4);
        EXPECT_EQ(button(tab, 3)->isVisible(), c.all);
    }
}

TEST(Tab_Logout, ProgressReportsShowTextsAndHoldSlots)
{
    struct Step { int index; int type; const char* enabled; const char* status; };
    struct Case { const char* name; int all; std::vector<Step> steps; } cases[] = {
        { "no stick after export-all", 0, {
            { -1, -1, "011111111", "||" },
            { 0, 6, "111111111", kNoStick } } },
        { "no stick after a single log: its slot stays enabled", 0, {
            { 0, 6, "111111111", kNoStick } } },
        { "alarm history copied", 0, {
            { 1, 8, "101111111", kCopying },
            { 1, 14, "111111111", kCopied } } },
        { "each slot's start and finish", 0, {
            { 2, 7, "110111111", kCopying }, { 2, 13, "111111111", kCopied },
            { 3, 9, "111011111", kCopying }, { 3, 15, "111111111", kCopied },
            { 4, 19, "111101111", kCopying }, { 4, 20, "111111111", kCopied },
            { 5, 10, "111110111", kCopying }, { 5, 16, "111111111", kCopied },
            { 6, 11, "111111011", kCopying }, { 6, 17, "111111111", kCopied },
            { 7, 22, "111111101", kCopying }, { 7, 23, "111111111", kCopied } } },
        { "copy failed", 0, {
            { 5, 10, "111110111", kCopying },
            { 5, 21, "111111111", kFailed } } },
        { "export-all: parts finish quietly, the end enables everything", 1, {
            { -1, -1, "011111111", "||" },
            { 1, 8, "001111111", kCopying },
            { 1, 14, "011111111", kCopying },
            { 2, 7, "010111111", kCopying },
            { 3, 9, "010011111", kCopying },
            { 3, 21, "010111111", kFailed },
            { 2, 13, "011111111", kFailed },
            { 0, 18, "111111111", kCopied } } },
        { "end of export-all without one running", 0, {
            { 0, 18, "111111111", kCopied } } },
        { "reports outside the table change nothing", 0, {
            { 1, 8, "101111111", kCopying },
            { 1, 5, "101111111", kCopying },
            { 1, 24, "101111111", kCopying },
            { 12, 14, "101111111", kCopied },
            { -3, 8, "101111111", kCopying } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        keyword_right = 0;
        isdownALLing = c.all;
        Tab_Logout tab;
        int n = 0;
        for (const Step& s : c.steps) {
            SCOPED_TRACE(n++);
            if (s.type < 0)
                tab.down_all();
            else
                tab.fresh_down(s.index, s.type);
            EXPECT_EQ(enabled(tab), s.enabled);
            EXPECT_EQ(status(tab), s.status);
        }
        EXPECT_EQ(isdownALLing, 0);
    }
}

TEST(Tab_Logout, OnePointEveryTenSeconds)
{
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1700000000); // a multiple of ten
    Tab_Logout tab;
    g_power[0] = 12.5f;
    for (int s = 0; s < 30; ++s) {
        tab.fresh_power_data();
        TimeSeam::advanceMs(1000);
    }
    EXPECT_EQ(PlotCompat::dataCount(curve(tab)), 3);
    EXPECT_EQ(curve(tab)->data()->at(0)->key, 1700000000.0);
    EXPECT_EQ(curve(tab)->data()->at(0)->value, 12.5);
    EXPECT_EQ(curve(tab)->data()->at(2)->key, 1700000020.0);

    // A tick that skips the round second adds nothing for that period.
    TimeSeam::advanceMs(1500);
    tab.fresh_power_data(); // 31.5 s after the start
    TimeSeam::advanceMs(9000);
    tab.fresh_power_data(); // 40.5: a round whole second, sampled with its fraction
    EXPECT_EQ(PlotCompat::dataCount(curve(tab)), 4);
    EXPECT_EQ(curve(tab)->data()->at(3)->key, 1700000040.5);
    TimeSeam::useFakeClock(false);
}

TEST(Tab_Logout, CurveKeepsTheTenHoursItShows)
{
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1700000000);
    Tab_Logout tab;
    for (int i = 0; i < 4096; ++i) {
        tab.fresh_power_data();
        TimeSeam::advanceMs(10000);
    }
    EXPECT_EQ(PlotCompat::dataCount(curve(tab)), 4096);
    tab.fresh_power_data(); // the 4097th point, 40960 s after the first
    EXPECT_EQ(PlotCompat::dataCount(curve(tab)), 3601);
    EXPECT_EQ(curve(tab)->data()->at(0)->key, 1700000000.0 + 40960 - 36000);
    TimeSeam::useFakeClock(false);
}

TEST(Tab_Logout, CurvePageFollowsTheLastSample)
{
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1700000000);
    Tab_Logout tab;
    QCustomPlot* plot = tab.findChild<QCustomPlot*>("plot");
    EXPECT_EQ(plot->xAxis->range().upper, 1700000000.25);
    EXPECT_EQ(plot->xAxis->range().size(), 36000);
    EXPECT_EQ(plot->yAxis->range().lower, -550);
    EXPECT_EQ(text(plot->yAxis->label()), "P(kW)");
    EXPECT_EQ(text(curve(tab)->name()), "功率");
    EXPECT_EQ(curve(tab)->pen().color(), QColor(200, 0, 0));

    // Ten hours of a slow swing between -300 and 300 kW, then the curve page is refreshed.
    for (int i = 0; i < 3600; ++i) {
        g_power[0] = float(300 * std::sin(i / 300.0));
        tab.fresh_power_data();
        TimeSeam::advanceMs(10000);
    }
    TimeSeam::advanceMs(3000);
    tab.fresh_power_data();
    tab.setshowtype(4);
    tab.setCurrentIndex(4);
    tab.resize(796, 480);
    tab.show();
    QApplication::processEvents();
    tab.fresh_current();
    EXPECT_DOUBLE_EQ(plot->xAxis->range().upper, 1700000000.0 + 36003 + 0.25);
    EXPECT_DOUBLE_EQ(plot->xAxis->range().size(), 36000);
    EXPECT_NEAR(plot->yAxis->range().lower, -300, 1);
    EXPECT_NEAR(plot->yAxis->range().upper, 300, 1);
    ASSERT_FALSE(saveArtifact(&tab, "records_curve.png").isEmpty());
    TimeSeam::useFakeClock(false);
}

TEST(Tab_Logout, RefreshReloadsTheListShown)
{
    RuntimeTree tree(true);
    norvale::AlarmRecordFile alarms("../log/history.log", false);
    norvale::OperateRecordFile operations("../log/operaterecord.log", false);
    norvale::OperateRecordFile statuses("../log/status_history.log", false);
    alarms.read();
    operations.read();
    statuses.read();
    ChargerFault f = openAlarm(101, 0, 1);
    alarms.set(&f);
    f = openAlarm(102, 0, 2);
    alarms.set(&f);
    f = closeAlarm(102, 0, 3);
    alarms.set(&f);
    OperateRecord r = record(3100, 0, 0, 1, 4);
    operations.set(&r);
    r = record(2000, 0, 0, 0, 5);
    statuses.set(&r);

    Tab_Logout tab;
    tab.getwarwidget()->setChargerFaultFile(&alarms);
    tab.getlogwidget()->setOperateRecordFile(&operations);
    tab.getslogwidget()->getStatusRecordFile(&statuses);
    struct Case { int type; QWidget* page; const char* name; } cases[] = {
        { 0, tab.getwarwidget(), " AC #1 " },
        { 1, tab.getwarwidget(), " AC #2 " },
        { 2, tab.getlogwidget(), "后台TCP超时关机" },
        { 3, tab.getslogwidget(), " 监控初始化" },
    };
    for (const Case& c : cases) {
        tab.setshowtype(c.type);
        tab.fresh_current();
        EXPECT_EQ(text(cell(c.page, 1, 1)), c.name) << c.type;
    }
    EXPECT_EQ(tab.getwarwidget()->listMode(), 0);
    tab.setshowtype(5);
    tab.fresh_current();
}

TEST(Tab_Logout, ExportThroughTheDataThread)
{
    RuntimeTree tree;
    TimeSeam::useFakeClock(true);
    FakeHardware::install();
    for (int i = 0; i < 80; ++i)
        set[i].value = 0;
    set[0].value = 10;
    set[10].value = 15;
    set[21].value = 1;
    keyword_right = 0;
    isdownALLing = 0;
    memset(&currentRackInfo, 0, sizeof currentRackInfo);
    FakeDevice ac, dc, sts, bms;
    DATADEAL* core = new DATADEAL;
    core->setDeviceData(&ac, &dc, &sts, &bms, nullptr, nullptr, set);
    core->setModuleState(dcacstate, dcdcstate);

    // Wired as the main window wires the frame, the container and the data thread.
    Tab_Logout tab;
    QObject::connect(&tab, SIGNAL(sendcommond(int)), core, SLOT(dealwithcommond(int)));
    QObject::connect(core, qOverload<int, int>(&DATADEAL::sendcommond), &tab, &Tab_Logout::fresh_down);

    button(tab, 0)->click();
    EXPECT_EQ(enabled(tab), "111111111");
    EXPECT_EQ(status(tab), kNoStick);

    tree.writeFile("dev/udisk", "");
    ChargerFault f = openAlarm(101, 3, 1);
    core->getAlarmRecordFile()->set(&f);
    core->getAlarmRecordFile()->write();
    button(tab, 1)->click();
    EXPECT_EQ(enabled(tab), "111111111");
    EXPECT_EQ(status(tab), kCopied);
    EXPECT_TRUE(tree.exists("udisk/history.log"));

    tab.resize(796, 480);
    tab.setCurrentIndex(5);
    tab.show();
    QApplication::processEvents();
    ASSERT_FALSE(saveArtifact(&tab, "records_export.png").isEmpty());
    keyword_right = 1;
    tab.setshowtype(5);
    ASSERT_FALSE(saveArtifact(&tab, "records_export_level1.png").isEmpty());
    delete core;
    TimeSeam::useFakeClock(false);
}
