#include "keypad.h"

#include "tapentry.h"
#include "timeseam.h"
#include "touchguard.h"
#include "widgettest.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <functional>
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

namespace {

void mouseAt(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A touch at a point of the screen: press and release on whatever widget lies there.
void touchAt(QWidget* w, QPoint local)
{
    mouseAt(w, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton);
    mouseAt(w, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
}

// An entry field placed where the keypad's "6" key comes up, opening a keypad when tapped, as
// the pages' entries do.
struct EntryUnderTheKeypad {
    QWidget window;
    QLineEdit* edit;
    int opened = 0;
    QString entryWhenClosed;
    std::function<void(KeyPad*)> onOpen;
    EntryUnderTheKeypad()
    {
        window.setGeometry(0, 0, 800, 480);
        edit = new QLineEdit(&window);
        edit->setGeometry(380, 290, 140, 30);
        edit->setFocusPolicy(Qt::NoFocus);
        TapEntry::watch(edit);
        QObject::connect(edit, &QLineEdit::selectionChanged, [this] {
            ++opened;
            KeyPad pad(&window);
            QTimer::singleShot(0, [this, &pad] { onOpen(&pad); });
            pad.exec();
            entryWhenClosed = pad.findChild<QLabel*>("label")->text();
        });
        window.show();
    }
    QPoint tapPoint() const { return edit->rect().center(); }
};

}

TEST(KeyPad, TouchesRightAfterItOpensPressNoKey)
{
    struct Case {
        const char* name;
        int secondTouchAfterMs;   // after the first tap, on the spot of the first
        const char* typed;
    };
    const Case cases[] = {
        { "double tap, 80 ms apart", 80, "" },
        { "just inside the guard", TouchGuard::guardMs - 1, "" },
        { "a tap once the pad has settled", TouchGuard::guardMs, "6" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TimeSeam::useFakeClock(true);
        EntryUnderTheKeypad f;
        f.onOpen = [&f, &c](KeyPad* pad) {
            // The second touch lands where the first did: on the pad's "6" key.
            const QPoint global = f.edit->mapToGlobal(f.tapPoint());
            QWidget* under = pad->childAt(pad->mapFromGlobal(global));
            EXPECT_TRUE(under && under->objectName() == "6");
            if (under) {
                TimeSeam::advanceMs(c.secondTouchAfterMs);
                touchAt(under, under->mapFromGlobal(global));
            }
            pad->buttonClicked("cancel");
        };
        touchAt(f.edit, f.tapPoint());
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
        EXPECT_EQ(f.opened, 1);
        EXPECT_EQ(f.entryWhenClosed, QString(c.typed));
        TimeSeam::useFakeClock(false);
    }
}

TEST(KeyPad, KeysWaitForThePadToShowEachTime)
{
    TimeSeam::useFakeClock(true);
    KeyPad pad;
    QPushButton* seven = pad.findChild<QPushButton*>("7");
    // Not shown yet: no key takes a touch, however long the pad has existed.
    TimeSeam::advanceMs(5000);
    touchAt(seven, seven->rect().center());
    EXPECT_EQ(entryLine(pad), QString());
    pad.show();
    touchAt(seven, seven->rect().center());
    EXPECT_EQ(entryLine(pad), QString());
    // A press held back is not completed by a release after the guard.
    mouseAt(seven, QEvent::MouseButtonPress, seven->rect().center(), Qt::LeftButton, Qt::LeftButton);
    TimeSeam::advanceMs(TouchGuard::guardMs);
    mouseAt(seven, QEvent::MouseButtonRelease, seven->rect().center(), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(entryLine(pad), QString());
    touchAt(seven, seven->rect().center());
    EXPECT_EQ(entryLine(pad), QString("7"));
    // Shown again later: the guard starts again.
    pad.hide();
    TimeSeam::advanceMs(1000);
    pad.show();
    touchAt(seven, seven->rect().center());
    EXPECT_EQ(entryLine(pad), QString("7"));
    TimeSeam::advanceMs(TouchGuard::guardMs);
    touchAt(seven, seven->rect().center());
    EXPECT_EQ(entryLine(pad), QString("77"));
    TimeSeam::useFakeClock(false);
}
