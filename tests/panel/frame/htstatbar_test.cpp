#include "htstatbar.h"

#include "monitorset.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <QLabel>

namespace {
QLabel* labelWithText(const HTStatbar& bar, const QString& text)
{
    for (QLabel* l : bar.findChildren<QLabel*>())
        if (l->text() == text)
            return l;
    return nullptr;
}
}

TEST(HTStatbar, UserNameByLevel)
{
    struct Case { int level; const char* name; } cases[] = {
        { 0, "客户" }, { 1, "维护工程师" }, { 2, "维护工程师1" }, { 3, "后台管理员" },
        { 4, "超级管理员" }, { 8, "Norvale" },
        { 5, "Norvale" }, { -1, "Norvale" }, { 9, "Norvale" }, // unknown levels leave the name
    };
    HTStatbar bar;
    QLabel* user = bar.findChild<QLabel*>("label_user");
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->text(), QString::fromUtf8("客户"));
    for (const Case& c : cases) {
        bar.user_changed(c.level);
        EXPECT_EQ(user->text(), QString::fromUtf8(c.name)) << c.level;
    }
}

TEST(HTStatbar, ClockFromTheWallClock)
{
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1700000000); // 2023-11-15 06:13:20 in Asia/Shanghai
    HTStatbar bar;
    QLabel* clock = bar.findChild<QLabel*>("label_time");
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->text(), "");
    bar.updateTime();
    EXPECT_EQ(clock->text(), "2023-11-15 06:13:20");
    TimeSeam::advanceMs(61000);
    bar.updateTime();
    EXPECT_EQ(clock->text(), "2023-11-15 06:14:21");
}

TEST(HTStatbar, FirmwareNumberMovesForTheEnglishCaption)
{
    struct Case { int language; int x; } cases[] = { { 0, 80 }, { 1, 110 }, { 2, 80 } };
    for (const Case& c : cases) {
        set[20].value = c.language;
        HTStatbar bar;
        QLabel* number = labelWithText(bar, "1400");
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(number->geometry(), QRect(c.x, 5, 60, 17)) << c.language;
        EXPECT_EQ(bar.height(), 24);
    }
}
