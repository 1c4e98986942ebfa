#include "helpdialog.h"

#include "monitorset.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

TEST(HelpDialog, PictureFollowsTheLanguage)
{
    set[20].value = 1;
    HelpDialog english;
    EXPECT_EQ(english.findChild<QLabel*>("label")->styleSheet(), QString("border-image: url(:/image/En-Help.png)"));
    set[20].value = 0;
    HelpDialog chinese;
    EXPECT_EQ(chinese.findChild<QLabel*>("label")->styleSheet(), QString("border-image: url(:/image/Cn-Help.png)"));
}

TEST(HelpDialog, PicturesAreCompiledIn)
{
    HelpDialog d;
    EXPECT_EQ(QPixmap(":/image/Cn-Help.png").size(), QSize(550, 450));
    EXPECT_EQ(QPixmap(":/image/En-Help.png").size(), QSize(550, 450));
}

TEST(HelpDialog, CloseAndKeypadEnterReject)
{
    HelpDialog d;
    EXPECT_EQ(d.objectName(), QString("HelpDialog"));
    EXPECT_EQ(d.size(), QSize(550, 500));
    EXPECT_EQ(d.pos(), QPoint(100, 40));
    QPushButton* close = d.findChild<QPushButton*>("pushButton");
    EXPECT_EQ(close->text(), QString::fromUtf8("关闭"));
    d.setResult(QDialog::Accepted);
    close->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);

    d.setResult(QDialog::Accepted);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
    QCoreApplication::sendEvent(&d, &enter);
    EXPECT_EQ(d.result(), QDialog::Rejected);
}
