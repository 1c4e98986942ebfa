#include "mybasedialog.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>

namespace {
void doubleClick(QWidget* w, QPoint pos, Qt::MouseButton button)
{
    QMouseEvent ev(QEvent::MouseButtonDblClick, pos, w->mapToGlobal(pos), button, button, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}
}

TEST(MyBaseDialog, DoubleClickOnTheTopEdgeToggles)
{
    MyBaseDialog dlg;
    EXPECT_TRUE(dlg.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dlg.minimumSize(), QSize(390, 250));
    dlg.setGeometry(10, 20, 400, 300);
    const QRect normal = dlg.geometry();

    doubleClick(&dlg, QPoint(50, 1), Qt::LeftButton);
    EXPECT_EQ(dlg.geometry(), normal) << "below the top edge";
    doubleClick(&dlg, QPoint(50, 0), Qt::RightButton);
    EXPECT_EQ(dlg.geometry(), normal) << "right button";

    doubleClick(&dlg, QPoint(50, 0), Qt::LeftButton);
    EXPECT_NE(dlg.geometry(), normal);
    doubleClick(&dlg, QPoint(50, -3), Qt::LeftButton);
    EXPECT_EQ(dlg.geometry(), normal);
}
