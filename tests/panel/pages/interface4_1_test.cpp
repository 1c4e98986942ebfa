#include "interface4_1.h"

#include "nametables.h"
#include "recordtestdata.h"
#include "runtimetree.h"
#include "widgettest.h"

#include <gtest/gtest.h>

using namespace recordtest;

namespace {

// The alarm history as the data thread keeps it, with names from the cabinet's own map files.
struct AlarmPage {
    RuntimeTree tree { true };
    norvale::AlarmRecordFile file { "../log/history.log", false };
    INTERFACE4_1 page;

    AlarmPage()
    {
        clearNameTables();
        loadDeviceNames(false);
        file.read();
        page.setChargerFaultFile(&file);
        page.setAlarmName(text_dcac_alarm, text_dcdc_alarm, text_sts_alarm);
        page.resize(796, 480);
    }
};

} // namespace

TEST(INTERFACE4_1, TwentyOpenAlarmsOverTwoPagesNewestFirst)
{
    AlarmPage p;
    // Twenty open alarms of module 1 at points 0..19, and ended ones that the open list leaves out.
    for (int i = 0; i < 20; ++i) {
        ChargerFault f = openAlarm(101, i % 10, i);
        ASSERT_TRUE(p.file.set(&f));
    }
    ChargerFault ended = openAlarm(305, 2, 30);
    p.file.set(&ended);
    ended = closeAlarm(305, 2, 31);
    p.file.set(&ended);

    p.page.freshme();
    EXPECT_EQ(p.page.listMode(), 1);
    EXPECT_EQ(text(cell(&p.page, 0, 1)), "告警名称");
    EXPECT_EQ(text(cell(&p.page, 1, 0)), "0");
    EXPECT_EQ(text(cell(&p.page, 1, 1)), " AC #1 环境过温"); // the newest: point 9
    EXPECT_EQ(text(cell(&p.page, 1, 2)), " 2024-05-01 10:00:19");
    EXPECT_EQ(text(cell(&p.page, 1, 3)).find_first_not_of(' '), std::string::npos) << "open: no end time";
    EXPECT_EQ(text(cell(&p.page, 13, 0)), "12");
    EXPECT_EQ(text(cell(&p.page, 13, 2)), " 2024-05-01 10:00:07");

    // The alarm list turns its page at once.
    p.page.btnnext();
    EXPECT_EQ(p.page.currentPage(), 2);
    EXPECT_EQ(text(cell(&p.page, 1, 0)), "13");
    EXPECT_EQ(text(cell(&p.page, 7, 0)), "19");
    EXPECT_EQ(text(cell(&p.page, 7, 2)), " 2024-05-01 10:00:00");
    EXPECT_EQ(text(cell(&p.page, 7, 1)), " AC #1 电网过压");
    for (int row = 8; row <= 13; ++row) {
        EXPECT_EQ(text(cell(&p.page, row, 0)), std::to_string(row + 12));
        EXPECT_EQ(text(cell(&p.page, row, 1)), "  ") << "a blank row has the builder's text for code 0";
        EXPECT_EQ(text(cell(&p.page, row, 2)), " ");
    }
    p.page.btnlast();
    EXPECT_EQ(text(cell(&p.page, 1, 0)), "0");
}

TEST(INTERFACE4_1, ClosedAlarmMovesToTheEndedListKeepingThePage)
{
    AlarmPage p;
    ChargerFault f = openAlarm(1203, 4, 1);
    p.file.set(&f);
    f = openAlarm(111, 0, 2);
    p.file.set(&f);

    p.page.freshme();
    EXPECT_EQ(text(cell(&p.page, 1, 1)), " PCS 电网过压");
    EXPECT_EQ(text(cell(&p.page, 2, 1)), " DC Str.3 输出过流");
    p.page.freshhistory();
    EXPECT_EQ(p.page.listMode(), 0);
    EXPECT_EQ(text(cell(&p.page, 1, 1)), "  ");

    f = closeAlarm(1203, 4, 9);
    p.file.set(&f);
    p.page.freshhistory();
    EXPECT_EQ(text(cell(&p.page, 1, 1)), " DC Str.3 输出过流");
    EXPECT_EQ(text(cell(&p.page, 1, 3)), " 2024-05-01 10:00:09");
    p.page.freshme();
    EXPECT_EQ(text(cell(&p.page, 1, 1)), " PCS 电网过压");
    EXPECT_EQ(text(cell(&p.page, 2, 1)), "  ");

    // The page number stays when the list changes.
    p.page.btnnext();
    p.page.freshhistory();
    EXPECT_EQ(p.page.currentPage(), 2);
    p.page.freshToPage1();
    EXPECT_EQ(p.page.currentPage(), 1);

    p.page.freshme();
    ASSERT_FALSE(saveArtifact(&p.page, "records_alarms.png").isEmpty());
}

TEST(INTERFACE4_1, NamesBySourceCode)
{
    static char ac[150][32], dc[150][32], sts[150][32];
    std::strcpy(ac[3], "AC3");
    std::strcpy(dc[3], "DC3");
    std::strcpy(sts[3], "STS3");
    std::memset(ac[149], 'x', 32); // a full row has no terminating zero
    INTERFACE4_1 page;
    page.setAlarmName(ac, dc, sts);
    struct Case { int code; int index; const char* text; } cases[] = {
        { 1100, 3, "AC  AC3" },
        { 1200, 3, "DC  DC3" },
        { 1107, 3, "AC Str.7 AC3" },
        { 1299, 3, "DC Str.99 DC3" },
        { 111, 3, "PCS AC3" },
        { 100, 3, "AC #0 AC3" },
        { 150, 3, "AC #50 AC3" },
        { 210, 3, "DC #10 DC3" },
        { 399, 3, "STS STS3" },
        { 0, 3, " " },
        { 400, 3, " " },
        { 1300, 3, " " },
        { 101, 150, "AC #1 " },
        { 101, -1, "AC #1 " },
        { 101, 149, "AC #1 xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(INTERFACE4_1::showname(c.code, c.index)), c.text) << c.code << "/" << c.index;
}

TEST(INTERFACE4_1, NoFileShowsBlankRows)
{
    INTERFACE4_1 page;
    page.freshme();
    EXPECT_EQ(text(cell(&page, 1, 0)), "0");
    EXPECT_EQ(text(cell(&page, 1, 2)), " ");
}
