#include "interface4_5.h"

#include "nametables.h"
#include "recordtestdata.h"
#include "runtimetree.h"
#include "widgettest.h"

#include <gtest/gtest.h>

using namespace recordtest;

TEST(Interface4_5, NamesBySourceCode)
{
    static char ac[150][32], dc[150][32], sts[150][32];
    std::strcpy(ac[3], "AC3");
    std::strcpy(dc[3], "DC3");
    std::strcpy(sts[3], "STS3");
    Interface4_5 page;
    page.setStatusName(ac, dc, sts);
    struct Case { int code; int index; const char* text; } cases[] = {
        { 1100, 3, " AC  AC3" },
        { 1200, 3, " DC  DC3" },
        { 1105, 3, " AC Str.5 AC3" },
        { 1201, 3, " DC Str.1 DC3" },
        { 111, 3, "PCS AC3" },
        { 150, 3, "AC #50 AC3" },
        { 250, 3, " DC #50 DC3" },
        { 300, 3, " STS STS3" },
        { 2000, 0, " 监控初始化" },
        { 2000, 1, " " },
        { 0, 0, " " },
        { 1300, 3, " " },
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(Interface4_5::showname(c.code, c.index)), c.text) << c.code << "/" << c.index;
}

TEST(Interface4_5, ListsSwitchSidesAndStartUp)
{
    RuntimeTree tree(true);
    clearNameTables();
    loadDeviceNames(false);
    norvale::OperateRecordFile file("../log/status_history.log", false);
    ASSERT_TRUE(file.read());
    const OperateRecord records[] = {
        record(2000, 0, 0, 0, 1),
        record(250, 1, 0, 1, 2),  // per-module record: stays in the file only
        record(1100, 5, 0, 1, 3),
        record(1300, 1, 0, 1, 4), // past the listed range
        record(301, 2, 1, 0, 5),
    };
    for (const OperateRecord& r : records)
        ASSERT_TRUE(file.set(&r));

    Interface4_5 page;
    page.getStatusRecordFile(&file);
    page.setStatusName(text_dcac_status, text_dcdc_status, text_sts_status);
    page.resize(796, 480);
    page.freshme();
    EXPECT_EQ(text(cell(&page, 0, 3)), "状态");
    EXPECT_EQ(text(cell(&page, 1, 3)), " 1.00-->0.00");
    EXPECT_EQ(text(cell(&page, 1, 1)), " STS STS状态2");
    EXPECT_EQ(text(cell(&page, 2, 1)), " AC  并网");
    EXPECT_EQ(text(cell(&page, 2, 3)), " 0.00-->1.00");
    EXPECT_EQ(text(cell(&page, 3, 1)), " 监控初始化");
    EXPECT_EQ(text(cell(&page, 3, 2)), " 2024-05-01 11:00:01");
    EXPECT_EQ(text(cell(&page, 4, 1)), " ");
    EXPECT_EQ(text(cell(&page, 4, 3)), "");
    ASSERT_FALSE(saveArtifact(&page, "records_status.png").isEmpty());
}
