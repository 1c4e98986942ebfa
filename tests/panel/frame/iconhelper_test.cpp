#include "iconhelper.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

TEST(IconHelper, OneInstanceWithTheIconFont)
{
    IconHelper* helper = IconHelper::Instance();
    EXPECT_EQ(helper, IconHelper::Instance());
    // The build copies the font beside the test program, as beside the panel.
    EXPECT_TRUE(QFile::exists(QCoreApplication::applicationDirPath() + "/fontawesome-webfont.ttf"));
    EXPECT_EQ(helper->font().family(), QString("FontAwesome"));
}

TEST(IconHelper, LabelGetsGlyphSizeAndColour)
{
    QLabel label;
    IconHelper::Instance()->SetIcon(&label, QChar(0xf105), 23, "#ffffff");
    EXPECT_EQ(label.text(), QString(QChar(0xf105)));
    EXPECT_EQ(label.font().pointSize(), 23);
    EXPECT_EQ(label.styleSheet(), QString("color:#ffffff"));
    for (ushort g : { 0xf100, 0xf101, 0xf104, 0xf105 })
        EXPECT_TRUE(QFontMetrics(label.font()).inFont(QChar(g))) << std::hex << g;
}

TEST(IconHelper, ButtonGetsAPaintedIcon)
{
    QPushButton button;
    IconHelper::Instance()->SetIcon(&button, QChar(0xf100), 20, "#ff0000");
    ASSERT_FALSE(button.icon().isNull());
    EXPECT_EQ(button.icon().availableSizes().value(0), QSize(55, 55));
}
