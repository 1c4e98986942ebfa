#include "interface_logout.h"

#include "tab_logout.h"

#include <gtest/gtest.h>
#include <vector>

TEST(interface_LogOut, NothingBeforeTheRecordsWidgetExists)
{
    interface_LogOut page;
    EXPECT_EQ(page.getwarwidget(), nullptr);
    EXPECT_EQ(page.getlogwidget(), nullptr);
    EXPECT_EQ(page.getslogwidget(), nullptr);
    page.freshme();
    page.fresh_power_data();
    page.fresh_down(0, 18);
    page.change_sub_interface(2);
}

TEST(interface_LogOut, RecordsWidgetMadeOnceAndRelayed)
{
    interface_LogOut page;
    page.loadtab_delay();
    Tab_Logout* tab = page.findChild<Tab_Logout*>();
    ASSERT_NE(tab, nullptr);
    page.loadtab_delay();
    EXPECT_EQ(page.findChildren<Tab_Logout*>().size(), 1);
    EXPECT_NE(page.getwarwidget(), nullptr);

    std::vector<int> codes;
    QObject::connect(&page, &interface_LogOut::sendcommond, [&codes](int v) { codes.push_back(v); });
    emit tab->sendcommond(13);
    EXPECT_EQ(codes, std::vector<int> { 13 });

    page.change_sub_interface(3);
    EXPECT_EQ(tab->showtype(), 3);
}
