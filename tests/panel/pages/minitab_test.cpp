#include "minitab.h"

#include "recordtestdata.h"
#include "runtimetree.h"
#include "widgettest.h"

#include <gtest/gtest.h>

using namespace recordtest;

TEST(MiniTab, NamesLikeTheAlarmListButForStringsAndTheSystem)
{
    static char ac[150][32], dc[150][32], sts[150][32];
    std::strcpy(ac[1], "AC1");
    std::strcpy(dc[1], "DC1");
    std::strcpy(sts[1], "STS1");
    MiniTab table;
    table.setAlarmName(ac, dc, sts);
    struct Case { int code; const char* text; } cases[] = {
        { 1100, "AC  AC1" }, { 1104, "AC Sys4 AC1" }, { 1202, "DC Sys2 DC1" }, { 111, "AC #11 AC1" },
        { 103, "AC #3 AC1" }, { 201, "DC #1 DC1" }, { 300, "STS STS1" }, { 0, " " },
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(table.showname(c.code, 1)), c.text) << c.code;
    EXPECT_EQ(text(table.showname(101, 150)), "AC #1 ");
}

TEST(MiniTab, PaintsPlaceholderRowsUnderItsTitles)
{
    RuntimeTree tree;
    norvale::AlarmRecordFile file("../log/history.log", false);
    file.read();
    MiniTab table;
    EXPECT_EQ(table.size(), QSize(400, 300));
    EXPECT_EQ(text(table.windowTitle()), "Form");
    table.setChargerFaultFile(&file);
    table.freshHistory();
    table.settile(QStringList({ "序号", "名称", "时间", "状态" }));
    EXPECT_EQ(table.titles().size(), 4);
    table.resize(640, 420);
    QImage image = table.grab().toImage();
    EXPECT_EQ(image.pixelColor(40, 200), QColor(200, 200, 200));
    EXPECT_EQ(image.pixelColor(300, 36), QColor(200, 200, 200));
    ASSERT_FALSE(saveArtifact(image, "records_minitab.png").isEmpty());
}
