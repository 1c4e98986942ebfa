#include "interface_ctrmod.h"

#include "monitorset.h"

#include <gtest/gtest.h>
#include <QRadioButton>
#include <vector>

TEST(interface_CtrMod, ModeFromOutsideChecksItsButtonAndLocks)
{
    struct Case { int mode; const char* checked; std::vector<int> codes; } cases[] = {
        { 0, "radioButton", { 4000 } },
        { 1, "radioButton_2", { 4001 } },
        { 2, "radioButton_3", { 4001 } },
        { 3, "radioButton_2", {} },
        { -1, "radioButton_2", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        set[1].value = 1;
        interface_CtrMod page;
        ASSERT_TRUE(page.findChild<QRadioButton*>("radioButton_2")->isChecked()) << "follows set[1] at start";
        std::vector<int> codes;
        QObject::connect(&page, &interface_CtrMod::sendcommond, [&codes](int v) { codes.push_back(v); });
        page.changeCtrlState(c.mode);
        EXPECT_TRUE(page.findChild<QRadioButton*>(c.checked)->isChecked());
        EXPECT_EQ(codes, c.codes);
    }
}

TEST(interface_CtrMod, ModeButtonsLockedWhileNobodyIsLoggedIn)
{
    struct Case { int level; bool enabled; } cases[] = { { 0, false }, { 1, true }, { 8, true }, { 0, false } };
    interface_CtrMod page;
    for (const Case& c : cases) {
        page.setCtrlDisable(c.level);
        for (const char* name : { "radioButton", "radioButton_2", "radioButton_3" })
            EXPECT_EQ(page.findChild<QRadioButton*>(name)->isEnabled(), c.enabled) << c.level << name;
    }
    page.setAutoDisabled(true);
    page.setDeviceData(nullptr, nullptr, nullptr, nullptr, nullptr);
}
