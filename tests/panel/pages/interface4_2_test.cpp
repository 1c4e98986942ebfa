#include "interface4_2.h"

#include "nametables.h"
#include "recordtestdata.h"
#include "runtimetree.h"
#include "widgettest.h"

#include <gtest/gtest.h>

using namespace recordtest;

TEST(INTERFACE4_2, NamesBySourceCode)
{
    static char ac[300][48], dc[150][48], sts[200][48];
    std::strcpy(ac[5], "AC5");
    std::strcpy(ac[299], "AC299");
    std::strcpy(dc[5], "DC5");
    std::strcpy(sts[5], "STS5");
    std::strcpy(sts[199], "STS199");
    INTERFACE4_2 page;
    page.setConfigName(ac, dc, sts);
    struct Case { int code; int index; const char* text; } cases[] = {
        { 1100, 5, " AC  AC5" },
        { 1100, 299, " AC  AC299" },
        { 1200, 5, " DC  DC5" },
        { 1200, 150, " DC  " },
        { 1300, 199, " STS STS199" },
        { 1102, 5, " AC Str.2 AC5" },
        { 1208, 5, " DC Str.8 DC5" },
        { 1520, 5, " AC  AC5" },
        { 1521, 5, " AC  紧急功率启动" },
        { 1530, 1000, " AC  直流功率设置" },
        { 1533, 1000, " AC Str.3 直流功率设置" },
        { 1540, 1001, " DC  直流电流设置" },
        { 1549, 1002, " DC Str.9 支路有功设置" },
        { 1541, 5, " DC Str.1 " },
        { 1510, 5, "" },
        { 1599, 5, "" },
        { 111, 5, "PCS AC5" },
        { 105, 5, "AC #5 AC5" },
        { 205, 5, " DC #5 DC5" },
        { 300, 5, "STS STS5" },
        { 3007, 0, " AC Str.7 唤醒充电" },
        { 3100, 0, "后台TCP超时关机" },
        { 3101, 0, "后台485超时关机" },
        { 3203, 0, " DC Str.3 强充" },
        { 3212, 0, " AC Str.2 强充" },
        { 0, 0, "" },
        { 2000, 0, "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(INTERFACE4_2::showname(c.code, c.index)), c.text) << c.code << "/" << c.index;
}

TEST(INTERFACE4_2, OperationText)
{
    struct Case { const char* name; OperateRecord r; const char* text; } cases[] = {
        { "AC system, three decimals at 88", record(1100, 88, 0.1, 0.25, 0), " 0.100-->0.250" },
        { "AC system, three decimals at 100", record(1100, 100, 0.02, 0.021, 0), " 0.020-->0.021" },
        { "two decimals elsewhere", record(1100, 87, 0.1, 0.25, 0), " 0.10-->0.25" },
        { "branch setting", record(1101, 88, 650, 700.5, 0), " 650.00-->700.50" },
        { "branch power off", record(1533, 1000, -20, 0, 0), " ->>0" },
        { "branch power on", record(1533, 1000, 0, 30, 0), " 0>>+" },
        { "power factor to one", record(1533, 85, -95, 100, 0), " ->>1" },
        { "power factor from zero", record(1540, 85, 0, 90, 0), " >>+" },
        { "no record", record(0, 0, 0, 0, 0), "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(INTERFACE4_2::operationText(c.r)), c.text) << c.name;
}

TEST(INTERFACE4_2, ListsConverterSettingsAndPanelEventsOnly)
{
    RuntimeTree tree(true);
    clearNameTables();
    loadDeviceNames(false);
    norvale::OperateRecordFile file("../log/operaterecord.log", false);
    ASSERT_TRUE(file.read());
    const OperateRecord records[] = {
        record(1100, 8, 1, 2, 1),
        record(150, 8, 1, 2, 2),     // per-module record: stays in the file only
        record(3100, 0, 0, 1, 3),
        record(2000, 0, 0, 0, 4),    // start-up: the status list's
        record(1533, 1000, -20, 0, 5),
        record(3220, 0, 0, 1, 6),    // past the listed range
    };
    for (const OperateRecord& r : records)
        ASSERT_TRUE(file.set(&r));

    INTERFACE4_2 page;
    page.setOperateRecordFile(&file);
    page.setConfigName(text_dcac_config, text_dcdc_config, text_sts_config);
    page.resize(796, 480);
    page.freshme();
    EXPECT_EQ(text(cell(&page, 0, 3)), "操作");
    EXPECT_EQ(text(cell(&page, 1, 1)), " AC Str.3 直流功率设置");
    EXPECT_EQ(text(cell(&page, 1, 2)), " 2024-05-01 11:00:05");
    EXPECT_EQ(text(cell(&page, 1, 3)), " ->>0");
    EXPECT_EQ(text(cell(&page, 2, 1)), "后台TCP超时关机");
    EXPECT_EQ(text(cell(&page, 3, 1)), " AC  交流参数8");
    EXPECT_EQ(text(cell(&page, 3, 3)), " 1.00-->2.00");
    EXPECT_EQ(text(cell(&page, 4, 0)), "3");
    EXPECT_EQ(text(cell(&page, 4, 1)), "");
    EXPECT_EQ(text(cell(&page, 4, 2)), " ");
    EXPECT_EQ(text(cell(&page, 4, 3)), "");
    ASSERT_FALSE(saveArtifact(&page, "records_operations.png").isEmpty());
}
