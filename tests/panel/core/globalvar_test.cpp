#include "globalvar.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <cstddef>

TEST(GlobalVar, TipBeforeTheToolBarKeepsOnlyTheTime)
{
    ASSERT_EQ(tipslabel, nullptr);
    label_time_count = 7;
    setTipsNow(QString::fromUtf8("发送成功"), 3);
    EXPECT_EQ(label_time_set, 3);
    EXPECT_EQ(label_time_count, 0);
}

TEST(GlobalVar, TipShowsOnTheLabel)
{
    QLabel label;
    label.hide();
    tipslabel = &label;
    label_time_count = 4;
    setTipsNow(QString::fromUtf8("设置成功"), 5);
    tipslabel = nullptr;
    EXPECT_EQ(label.text(), QString::fromUtf8("设置成功"));
    EXPECT_FALSE(label.isHidden());
    EXPECT_EQ(label_time_set, 5);
    EXPECT_EQ(label_time_count, 0);
}

TEST(GlobalVar, StartValues)
{
    EXPECT_EQ(sizeof allData, 76u);
    EXPECT_EQ(offsetof(AllData, relay), 0u);
    EXPECT_EQ(offsetof(AllData, schedule), 12u);
    EXPECT_EQ(g_pvstate, 1);
    EXPECT_EQ(keyword_right, 0);
    EXPECT_EQ(sizeof dcacstate, 60u);
    EXPECT_EQ(sizeof dcdcstate, 60u);
    EXPECT_EQ(sizeof localData, 4096u);
    EXPECT_EQ(sizeof g_acCrtlCmd, 2u);
    for (unsigned char c : dcacstate)
        EXPECT_EQ(c, 0);
}
