#include "tabwidget.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTabBar>

TEST(TabWidget, HiddenTabsSwitchedByIndex)
{
    TabWidget tabs;
    EXPECT_EQ(tabs.objectName(), QString("TabWidget"));
    EXPECT_EQ(tabs.size(), QSize(649, 379));
    EXPECT_EQ(tabs.windowTitle(), QString("TabWidget"));
    EXPECT_EQ(tabs.currentIndex(), -1);
    EXPECT_TRUE(tabs.tabBar()->isHidden());
    tabs.addTab(new QLabel("a"), "a");
    tabs.addTab(new QLabel("b"), "b");
    tabs.setCurrentIndex(1);
    EXPECT_EQ(tabs.currentIndex(), 1);
}
