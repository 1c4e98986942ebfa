#include "pageturn.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <vector>

namespace {
struct Pager {
    PageTurn turn;
    std::vector<int> emitted;
    Pager()
    {
        QObject::connect(&turn, &PageTurn::page_changed, [this](int p) { emitted.push_back(p); });
    }
    void press(const char* label, Qt::MouseButton button = Qt::LeftButton)
    {
        QLabel* l = turn.findChild<QLabel*>(label);
        ASSERT_NE(l, nullptr);
        QMouseEvent ev(QEvent::MouseButtonPress, QPointF(5, 5), button, button, Qt::NoModifier);
        QCoreApplication::sendEvent(l, &ev);
    }
    QString entry() { return turn.findChild<QLineEdit*>("lineEdit")->text(); }
};
}

TEST(PageTurn, StaysWithinOneAndFiveHundred)
{
    Pager p;
    EXPECT_EQ(p.turn.getPage(), 1);
    EXPECT_EQ(p.entry(), QString("1"));

    p.press("label_2");  // previous at page 1
    EXPECT_EQ(p.turn.getPage(), 1);
    p.press("label_3");  // next
    p.press("label_3");
    EXPECT_EQ(p.turn.getPage(), 3);
    EXPECT_EQ(p.entry(), QString("3"));
    p.press("label_4");  // last
    EXPECT_EQ(p.turn.getPage(), 500);
    p.press("label_3");  // next at 500
    EXPECT_EQ(p.turn.getPage(), 500);
    p.press("label_2");
    EXPECT_EQ(p.turn.getPage(), 499);
    p.press("label");  // first
    EXPECT_EQ(p.turn.getPage(), 1);
    EXPECT_EQ((std::vector<int>{ 1, 2, 3, 500, 500, 499, 1 }), p.emitted);
}

TEST(PageTurn, OnlyLeftPressesCount)
{
    Pager p;
    p.press("label_3", Qt::RightButton);
    EXPECT_EQ(p.turn.getPage(), 1);
    EXPECT_TRUE(p.emitted.empty());
}

TEST(PageTurn, LabelsShowIconGlyphs)
{
    PageTurn t;
    const char* names[4] = { "label", "label_2", "label_3", "label_4" };
    const ushort glyphs[4] = { 0xf100, 0xf104, 0xf105, 0xf101 };
    for (int i = 0; i < 4; ++i) {
        QLabel* l = t.findChild<QLabel*>(names[i]);
        EXPECT_EQ(l->text(), QString(QChar(glyphs[i])));
        EXPECT_EQ(l->font().pointSize(), 23);
        EXPECT_EQ(l->styleSheet(), QString("color:#ffffff"));
    }
}
