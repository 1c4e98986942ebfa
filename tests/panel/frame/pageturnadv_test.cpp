#include "pageturnadv.h"

#include <gtest/gtest.h>

#include <QRadioButton>

namespace {
QRadioButton* button(PageTurnAdv& t, int n)
{
    return t.findChild<QRadioButton*>(n == 1 ? QString("radioButton") : QString("radioButton_%1").arg(n));
}

int shown(PageTurnAdv& t)
{
    int count = 0;
    for (int n = 1; n <= 9; ++n)
        count += button(t, n)->isHidden() ? 0 : 1;
    return count;
}
}

TEST(PageTurnAdv, SetMaxPageShowsTheFirstButtonsAndGoesToPageOne)
{
    struct Case {
        int count;
        int shown;
    };
    const Case cases[] = { { 3, 3 }, { 0, 0 }, { 12, 9 }, { -1, 0 }, { 9, 9 }, { 1, 1 } };
    PageTurnAdv t;
    for (const Case& c : cases) {
        t.setCurrentPage(5);
        t.setmaxpage(c.count);
        EXPECT_EQ(t.getPage(), 1) << c.count;
        EXPECT_EQ(shown(t), c.shown) << c.count;
        for (int n = 1; n <= c.shown; ++n)
            EXPECT_FALSE(button(t, n)->isHidden()) << c.count << " " << n;
    }
}

TEST(PageTurnAdv, ButtonsChooseThePage)
{
    PageTurnAdv t;
    int emitted = 0;
    QObject::connect(&t, &PageTurnAdv::page, [&](int p) { emitted = p; });
    button(t, 4)->click();
    EXPECT_EQ(t.getPage(), 4);
    EXPECT_EQ(emitted, 4);
    button(t, 9)->click();
    EXPECT_EQ(emitted, 9);

    t.setmaxpage(3);  // leaves the checked button alone
    EXPECT_TRUE(button(t, 9)->isChecked());
    t.setCurrentPage(2);
    EXPECT_EQ(t.getPage(), 2);
    EXPECT_TRUE(button(t, 9)->isChecked());
    t.setFirstPage();
    EXPECT_EQ(t.getPage(), 1);
    EXPECT_TRUE(button(t, 1)->isChecked());
}
