#include "combobox.h"

#include <gtest/gtest.h>

#include <QListView>

TEST(ComboBox, PopupIsAPlainListView)
{
    ComboBox combo;
    EXPECT_EQ(combo.view()->metaObject(), &QListView::staticMetaObject);
}
