#include "interface_logout.h"

#include "form.h"
#include "globalvar.h"
#include "interface4_1.h"
#include "nametables.h"
#include "recordtestdata.h"
#include "runtimetree.h"
#include "tab_logout.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <vector>

TEST(interface_LogOut, NothingBeforeTheRecordsTabExists)
{
    interface_LogOut page;
    EXPECT_EQ(page.objectName().toStdString(), "interface_LogOut");
    EXPECT_EQ(page.size(), QSize(796, 480));
    EXPECT_EQ(page.getwarwidget(), nullptr);
    EXPECT_EQ(page.getlogwidget(), nullptr);
    EXPECT_EQ(page.getslogwidget(), nullptr);
    page.freshme();
    page.fresh_power_data();
    page.fresh_down(0, 18);
    page.change_sub_interface(2);
    EXPECT_EQ(page.shownSubPage(), 2);
}

TEST(interface_LogOut, RecordsTabMadeOnceAndRelayed)
{
    interface_LogOut page;
    page.loadtab_delay();
    Tab_Logout* tab = page.findChild<Tab_Logout*>();
    ASSERT_NE(tab, nullptr);
    page.loadtab_delay();
    EXPECT_EQ(page.findChildren<Tab_Logout*>().size(), 1);
    EXPECT_EQ(page.getwarwidget(), tab->getwarwidget());
    EXPECT_EQ(page.getlogwidget(), tab->getlogwidget());
    EXPECT_EQ(page.getslogwidget(), tab->getslogwidget());

    std::vector<int> codes;
    QObject::connect(&page, &interface_LogOut::sendcommond, [&codes](int v) { codes.push_back(v); });
    emit tab->sendcommond(13);
    EXPECT_EQ(codes, std::vector<int> { 13 });

    isdownALLing = 0;
    page.fresh_down(5, 21);
    EXPECT_EQ(tab->widget(5)->findChild<QLabel*>("label_3")->text().toStdString(), "请重试...");
}

TEST(interface_LogOut, RowsChooseTheTab)
{
    struct Case { int row; int tab; } cases[] = {
        { 0, 6 }, { 1, 6 }, { 2, 7 }, { 3, 8 }, { 4, 4 }, { 5, 5 },
    };
    interface_LogOut page;
    page.loadtab_delay();
    Tab_Logout* tab = page.findChild<Tab_Logout*>();
    for (const Case& c : cases) {
        page.change_sub_interface(c.row);
        EXPECT_EQ(tab->showtype(), c.row);
        EXPECT_EQ(tab->currentIndex(), c.tab) << c.row;
        EXPECT_EQ(page.shownSubPage(), c.row);
    }
    // The two alarm rows share the list; the reload tells them apart.
    page.change_sub_interface(1);
    page.freshme();
    EXPECT_EQ(page.getwarwidget()->listMode(), 0);
    page.change_sub_interface(0);
    page.freshme();
    EXPECT_EQ(page.getwarwidget()->listMode(), 1);
}

TEST(interface_LogOut, AlarmHistoryInTheFrame)
{
    RuntimeTree tree(true);
    clearNameTables();
    loadDeviceNames(false);
    norvale::AlarmRecordFile alarms("../log/history.log", false);
    alarms.read();
    for (int i = 0; i < 16; ++i) {
        ChargerFault f = recordtest::openAlarm(100 + i % 4 + 1, i % 10, i);
        alarms.set(&f);
        if (i % 3 == 0) {
            f = recordtest::closeAlarm(100 + i % 4 + 1, i % 10, 40 + i);
            alarms.set(&f);
        }
    }
    keyword_right = 3;
    Form form;
    form.resize(810, 435);
    form.getwarwidget()->setChargerFaultFile(&alarms);
    form.getwarwidget()->setAlarmName(text_dcac_alarm, text_dcdc_alarm, text_sts_alarm);
    form.slot_toolbar(3);
    form.slot_itemindex(1);
    form.freshme();
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(recordtest::cell(form.getwarwidget(), 1, 1).toStdString(), " AC #4 直流过压");
    ASSERT_FALSE(saveArtifact(&form, "records_in_frame.png").isEmpty());
}
