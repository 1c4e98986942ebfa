#include "keypad.h"

#include "widgettest.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <cstdio>
#include <ostream>

namespace {

void press(KeyPad& pad, const QString& key)
{
    QPushButton* b = pad.findChild<QPushButton*>(key);
    ASSERT_NE(b, nullptr) << key.toStdString();
    b->click();
}

// Types a text key by key.
void type(KeyPad& pad, const QString& text)
{
    for (QChar c : text) {
        if (c.isDigit())
            press(pad, QString(c));
        else if (c == '.')
            press(pad, "dot");
        else if (c == '+')
            press(pad, "add");
        else if (c == '-')
            press(pad, "sub");
        else
            FAIL() << "no key for " << QString(c).toStdString();
    }
}

QString entryLine(KeyPad& pad)
{
    return pad.findChild<QLabel*>("label")->text();
}

const int M = KeyPad::invalidValue;

struct ValueCase {
    const char* name;
    const char* typed;
    int asInt;
    float asFloat;
};

const ValueCase kValueCases[] = {
    { "decimal", "23.5", M, float(double(23.5f) + 0.000005) },
    { "zero", "0", 0, 0.0f },
    { "negative", "-5", -5, float(double(-5.0f) - 0.000005) },
    { "plus_sign", "+7", 7, float(double(7.0f) + 0.000005) },
    { "two_points", "1.2.3", M, float(M) },
    { "two_signs", "--5", M, float(M) },
    { "lone_point", ".", M, float(M) },
    { "empty", "", M, float(M) },
    { "int_overflow", "99999999999", M, float(double(99999999999.0f) + 0.000005) },
    // Other spellings of zero are a typed zero, not "not a number".
    { "double_zero", "00", 0, 0.0f },
    { "zero_point_zero", "0.0", M, 0.0f },
    { "minus_zero", "-0", 0, 0.0f },
};

void PrintTo(const ValueCase& c, std::ostream* os)
{
    *os << '"' << c.typed << '"';
}

class KeyPadValue : public ::testing::TestWithParam<ValueCase> {
};

}

TEST_P(KeyPadValue, ConvertsTheConfirmedText)
{
    const ValueCase& c = GetParam();
    KeyPad pad;
    type(pad, c.typed);
    press(pad, "ok");
    EXPECT_EQ(pad.result(), QDialog::Accepted);
    EXPECT_EQ(pad.valueText(), QString(c.typed));
    EXPECT_EQ(pad.value2int(), c.asInt);
    EXPECT_EQ(pad.value2float(), c.asFloat);
}

INSTANTIATE_TEST_SUITE_P(Table, KeyPadValue, ::testing::ValuesIn(kValueCases),
                         [](const ::testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST(KeyPad, NudgeMovesAwayFromZero)
{
    KeyPad pad;
    type(pad, "23.5");
    press(pad, "ok");
    EXPECT_GT(pad.value2float(), 23.5f);
    EXPECT_NEAR(pad.value2float(), 23.5000057, 1e-6);
}

TEST(KeyPad, EditFlagLivesWithTheKeypad)
{
    KeyPad::edit = 0;
    {
        KeyPad pad;
        EXPECT_EQ(KeyPad::edit, 1);
    }
    EXPECT_EQ(KeyPad::edit, 0);
}

TEST(KeyPad, EscapeRejectsAndForgetsTheText)
{
    KeyPad pad;
    type(pad, "12");
    press(pad, "cancel");
    EXPECT_EQ(pad.result(), QDialog::Rejected);
    EXPECT_TRUE(pad.valueText().isEmpty());
    EXPECT_EQ(pad.value2int(), M);
}

TEST(KeyPad, KeypadEnterKeyRejects)
{
    KeyPad pad;
    pad.setResult(QDialog::Accepted);
    type(pad, "12");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
    QCoreApplication::sendEvent(&pad, &enter);
    EXPECT_EQ(pad.result(), QDialog::Rejected);
    EXPECT_TRUE(pad.valueText().isEmpty());
    EXPECT_EQ(pad.value2int(), M);
}

TEST(KeyPad, BackspaceEditsTheEntryLine)
{
    KeyPad pad;
    press(pad, "bs");
    EXPECT_EQ(entryLine(pad), QString());
    type(pad, "-12");
    press(pad, "bs");
    EXPECT_EQ(entryLine(pad), QString("-1"));
    press(pad, "ok");
    EXPECT_EQ(pad.value2int(), -1);
}

TEST(KeyPad, FormAndPrompt)
{
    KeyPad pad;
    pad.setInfo(QString::fromUtf8("正代表充电,负代表放电,-770.0~770.0kW,默认0.0"));
    EXPECT_EQ(pad.findChild<QLabel*>("label_2")->text(),
              QString::fromUtf8("正代表充电,负代表放电,-770.0~770.0kW,默认0.0"));
    EXPECT_EQ(pad.size(), QSize(321, 444));
    EXPECT_EQ(pad.pos(), QPoint(240, 85));
    EXPECT_TRUE(pad.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(pad.findChild<QPushButton*>("7")->geometry(), QRect(10, 98, 70, 80));
    EXPECT_EQ(pad.findChild<QPushButton*>("ok")->geometry(), QRect(240, 356, 70, 80));
    EXPECT_EQ(pad.findChild<QPushButton*>("bs")->text(), QString("<-"));
}

TEST(KeyPad, RenderingIsKeptAsArtifact)
{
    KeyPad pad;
    pad.setInfo(QString::fromUtf8("正代表充电,负代表放电,-770.0~770.0kW,默认0.0"));
    type(pad, "-23.5");
    ASSERT_FALSE(saveArtifact(&pad, "keypad.png").isEmpty());
    EXPECT_EQ(notDrawn(&pad, { QString::fromUtf8("-23.5"), QString::fromUtf8("正代表充电,负代表放"), QString::fromUtf8("电,-770.0~770.0kW,默认0.0"), QString::fromUtf8("OK") }), QStringList());
}
