#include "machtypecombo.h"

#include <gtest/gtest.h>

#include <QListView>

TEST(MachTypeCombo, CodesAndRowsBothWays)
{
    MachTypeCombo combo;
    for (int row = 0; row < 35; ++row)
        combo.addItem(QString("model %1").arg(row));
    EXPECT_EQ(combo.currentIndex(), 0);

    struct Case {
        int code;
        int row;
    };
    const Case cases[] = { { 100, 33 }, { 101, 34 }, { 0, 0 }, { 5, 5 }, { 32, 32 } };
    for (const Case& c : cases) {
        combo.setCurrentIndex(c.code);
        EXPECT_EQ(combo.QComboBox::currentIndex(), c.row) << c.code;
        EXPECT_EQ(combo.currentIndex(), c.code) << c.code;
        combo.QComboBox::setCurrentIndex(c.row);
        EXPECT_EQ(combo.currentIndex(), c.code) << c.row;
    }
    EXPECT_NE(qobject_cast<QListView*>(combo.view()), nullptr);
}

TEST(MachTypeCombo, NoRowGivesMinusOne)
{
    MachTypeCombo combo;
    EXPECT_EQ(combo.currentIndex(), -1);
}
