#include "idturn.h"

#include "combobox.h"

#include <gtest/gtest.h>

#include <QLabel>

namespace {
QStringList rows(ComboBox* c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}
}

TEST(IdTurn, RowsAndIds)
{
    IdTurn t;
    ComboBox* combo = t.findChild<ComboBox*>("comboBox");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 11);
    EXPECT_EQ(combo->maxVisibleItems(), 12);

    t.setMaxCount(8);
    EXPECT_EQ(rows(combo), QStringList({ "1", "2", "3", "4", "5", "6", "7", "8" }));
    EXPECT_EQ(t.getId(), 1);

    t.setMaxCount(11);
    EXPECT_EQ(combo->count(), 11);
    EXPECT_EQ(combo->itemText(10), QString("U2"));
    combo->setCurrentIndex(combo->findText("U2"));
    EXPECT_EQ(t.getId(), 11);

    t.setCurrentId(4);
    EXPECT_EQ(combo->currentText(), QString("4"));
    EXPECT_EQ(t.getId(), 4);
}

TEST(IdTurn, NoCurrentRowSelectsTheFirst)
{
    IdTurn t;
    t.setMaxCount(10);
    t.setCurrentId(0);  // row -1: none
    EXPECT_EQ(t.getId(), 1);
    EXPECT_EQ(t.findChild<ComboBox*>("comboBox")->currentIndex(), 0);
}

TEST(IdTurn, Title)
{
    IdTurn t;
    EXPECT_EQ(t.findChild<QLabel*>("label")->text(), QString("TextLabel"));
    t.settitle(QString::fromUtf8("模块"));
    EXPECT_EQ(t.findChild<QLabel*>("label")->text(), QString::fromUtf8("模块"));
}
