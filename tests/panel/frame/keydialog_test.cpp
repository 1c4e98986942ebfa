#include "keydialog.h"

#include "timeseam.h"
#include "touchguard.h"
#include "widgettest.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <cstdio>

namespace {
void press(KeyDialog& d, const char* key)
{
    QPushButton* b = d.findChild<QPushButton*>(key);
    ASSERT_NE(b, nullptr) << key;
    b->click();
}
}

TEST(KeyDialog, TypesLettersAndDigits)
{
    KeyDialog d;
    press(d, "S");
    press(d, "1");
    press(d, "2");
    press(d, "DEL");
    press(d, "OK");
    EXPECT_EQ(d.GetString(), QString("S1"));
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST(KeyDialog, PresetClearAndClose)
{
    KeyDialog d;
    d.setString("HZ12");
    press(d, "P");
    EXPECT_EQ(d.GetString(), QString("HZ12P"));
    press(d, "CLEAR");
    EXPECT_EQ(d.GetString(), QString());
    press(d, "DEL");
    EXPECT_EQ(d.GetString(), QString());
    d.setResult(QDialog::Accepted);
    press(d, "Close");
    EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST(KeyDialog, Form)
{
    KeyDialog d;
    EXPECT_EQ(d.size(), QSize(418, 532));
    EXPECT_EQ(d.findChild<QLabel*>("label")->text(), QString::fromUtf8("请输入SN序列号:"));
    d.setInfo("IP");
    EXPECT_EQ(d.findChild<QLabel*>("label")->text(), QString("IP"));
    EXPECT_EQ(d.findChildren<QPushButton*>().size(), 22);
    EXPECT_NE(d.findChild<QLineEdit*>("lineEdit"), nullptr);
    EXPECT_EQ(d.findChild<QPushButton*>("CLEAR")->text(), QString::fromUtf8("清除"));
    EXPECT_EQ(d.findChild<QPushButton*>("OK")->text(), QString::fromUtf8("确定"));
    EXPECT_TRUE(d.windowFlags() & Qt::FramelessWindowHint);
}

TEST(KeyDialog, RenderingIsKeptAsArtifact)
{
    KeyDialog d;
    d.setString("SH2023");
    ASSERT_FALSE(saveArtifact(&d, "keydialog.png").isEmpty());
    EXPECT_EQ(notDrawn(&d, { QString::fromUtf8("请输入SN序列号:"), QString::fromUtf8("SH2023"), QString::fromUtf8("确定") }), QStringList());
}

// The text pad opens over the entry too: a touch right after it shows presses no key.
TEST(KeyDialog, TouchesRightAfterItShowsPressNoKey)
{
    TimeSeam::useFakeClock(true);
    KeyDialog d;
    d.show();
    QPushButton* s = d.findChild<QPushButton*>("S");
    auto touch = [s]() {
        const QPoint c = s->rect().center();
        QMouseEvent press(QEvent::MouseButtonPress, c, s->mapToGlobal(c), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, c, s->mapToGlobal(c), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(s, &press);
        QCoreApplication::sendEvent(s, &release);
    };
    TimeSeam::advanceMs(80);
    touch();
    EXPECT_EQ(d.GetString(), QString());
    TimeSeam::advanceMs(TouchGuard::guardMs);
    touch();
    EXPECT_EQ(d.GetString(), QString("S"));
    TimeSeam::useFakeClock(false);
}
