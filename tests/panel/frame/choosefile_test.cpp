#include "choosefile.h"

#include "widgettest.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTimer>

namespace {

QString names[] = { "AC_v1.hex", "AC_v2.hex", "AC_v3.hex" };

QPushButton* button(QDialog& d, const char* name)
{
    return d.findChild<QPushButton*>(name);
}

} // namespace

TEST(ChooseFile, Face)
{
    ChooseFile d(names, 3);
    EXPECT_EQ(d.objectName(), QString("ChooseFile"));
    EXPECT_EQ(d.windowTitle(), QString("Dialog"));
    EXPECT_EQ(d.size(), QSize(332, 248));
    EXPECT_TRUE(d.windowFlags() & Qt::FramelessWindowHint);
    QListView* list = d.findChild<QListView*>("fileListView");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->geometry(), QRect(0, 30, 331, 161));
    ASSERT_NE(list->model(), nullptr);
    ASSERT_EQ(list->model()->rowCount(), 3);
    EXPECT_EQ(list->model()->index(2, 0).data().toString(), QString("AC_v3.hex"));
    QLabel* label = d.findChild<QLabel*>("label_14");
    EXPECT_EQ(label->geometry(), QRect(90, 0, 211, 25));
    EXPECT_EQ(label->text(), QString::fromUtf8("请选择要导入的文件"));
    EXPECT_EQ(button(d, "ImportFileButton")->geometry(), QRect(20, 200, 120, 45));
    EXPECT_EQ(button(d, "ImportFileButton")->text(), QString::fromUtf8("导入文件"));
    EXPECT_EQ(button(d, "CancelButton")->geometry(), QRect(190, 200, 120, 45));
    EXPECT_EQ(button(d, "CancelButton")->text(), QString::fromUtf8("  取消"));
    d.show();
    QApplication::processEvents();
    saveArtifact(&d, "choosefile.png");
}

TEST(ChooseFile, ImportTakesTheCurrentRow)
{
    ChooseFile d(names, 3);
    QListView* list = d.findChild<QListView*>("fileListView");
    list->setCurrentIndex(list->model()->index(1, 0));
    QTimer::singleShot(0, button(d, "ImportFileButton"), &QPushButton::click);
    EXPECT_EQ(d.exec(), 1);
    EXPECT_EQ(d.fileName, QString("AC_v2.hex"));
}

TEST(ChooseFile, ImportWithoutCurrentRowGivesAnEmptyName)
{
    ChooseFile d(names, 3);
    d.fileName = "left over";
    d.findChild<QListView*>("fileListView")->setCurrentIndex(QModelIndex());
    button(d, "ImportFileButton")->click();
    EXPECT_EQ(d.result(), int(QDialog::Accepted));
    EXPECT_EQ(d.fileName, QString());
}

TEST(ChooseFile, CancelRejects)
{
    ChooseFile d(names, 3);
    QListView* list = d.findChild<QListView*>("fileListView");
    list->setCurrentIndex(list->model()->index(0, 0));
    QTimer::singleShot(0, button(d, "CancelButton"), &QPushButton::click);
    EXPECT_EQ(d.exec(), 0);
    EXPECT_EQ(d.fileName, QString());
}

// The names are the stick's own: the list must not let anyone edit them.
TEST(ChooseFile, NamesCannotBeEdited)
{
    ChooseFile d(names, 3);
    EXPECT_EQ(d.findChild<QListView*>("fileListView")->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST(ChooseFile, ParentConstructorHasNoListAndAFrame)
{
    QWidget parent;
    ChooseFile d(&parent);
    EXPECT_EQ(d.parentWidget(), &parent);
    EXPECT_EQ(d.findChild<QListView*>("fileListView")->model(), nullptr);
    EXPECT_FALSE(d.windowFlags() & Qt::FramelessWindowHint);
    ASSERT_NE(button(d, "ImportFileButton"), nullptr);
    button(d, "ImportFileButton")->click();
    EXPECT_EQ(d.fileName, QString());
}
