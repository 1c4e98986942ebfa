#include "infobtn.h"

#include "timeseam.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <vector>

namespace {
const QString kOn = "QWidget#widget{background-color:rgb(249, 0, 0);border: 1px solid gray;color:rgb(0, 0, 0);}";
const QString kOff = "QWidget#widget{background-color:rgb(249, 252, 250);border: 1px solid gray;color:rgb(255, 255, 255);}";

struct Tile {
    InfoBtn btn;
    std::vector<bool> emitted;
    Tile()
    {
        btn.init(QString(), "K1", "on", "off", false);
        QObject::connect(&btn, &InfoBtn::getclicked, [this](bool s) { emitted.push_back(s); });
    }
    void press()
    {
        QMouseEvent ev(QEvent::MouseButtonPress, QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&btn, &ev);
    }
    bool checked() { return btn.findChild<QCheckBox*>("checkBox")->isChecked(); }
    QString text() { return btn.findChild<QLabel*>("label_state")->text(); }
    QString style() { return btn.findChild<QWidget*>("widget")->styleSheet(); }
};

class InfoBtnTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TimeSeam::useFakeClock(true);
        // Start on a second boundary so the steps below land where the test says.
        TimeSeam::advanceMs(1000 - TimeSeam::monotonicMs() % 1000);
    }
    void TearDown() override { TimeSeam::useFakeClock(false); }
};
}

TEST_F(InfoBtnTest, OneToggleASecondAcrossAllTiles)
{
    Tile a, b;
    a.press();
    EXPECT_EQ(a.emitted, std::vector<bool>{ true });
    EXPECT_TRUE(a.checked());
    EXPECT_EQ(a.text(), QString("on"));
    EXPECT_EQ(a.style(), kOn);

    TimeSeam::advanceMs(999);  // same second: another tile is ignored too
    b.press();
    EXPECT_TRUE(b.emitted.empty());
    EXPECT_FALSE(b.checked());

    TimeSeam::advanceMs(1);  // next second
    b.press();
    EXPECT_EQ(b.emitted, std::vector<bool>{ true });
    TimeSeam::advanceMs(1000);
    b.press();
    EXPECT_EQ(b.emitted, (std::vector<bool>{ true, false }));
    EXPECT_EQ(b.text(), QString("off"));
    EXPECT_EQ(b.style(), kOff);
    EXPECT_FALSE(b.checked());
}

TEST_F(InfoBtnTest, ProgramChangesNeitherSignalNorDebounce)
{
    Tile a;
    a.btn.change_state(true);
    EXPECT_TRUE(a.emitted.empty());
    EXPECT_TRUE(a.checked());
    EXPECT_EQ(a.text(), QString("on"));
    EXPECT_EQ(a.style(), kOn);
    a.press();
    EXPECT_EQ(a.emitted, std::vector<bool>{ false });
}

TEST(InfoBtn, InitLeavesTheFrameStyleAndSetOtherHides)
{
    InfoBtn btn;
    EXPECT_EQ(btn.findChild<QLabel*>("label_title")->text(), QString::fromUtf8("信息"));
    btn.init(QString(), "K1", "on", "off", true);
    EXPECT_EQ(btn.findChild<QLabel*>("label_state")->text(), QString("on"));
    EXPECT_TRUE(btn.findChild<QCheckBox*>("checkBox")->isChecked());
    EXPECT_EQ(btn.findChild<QWidget*>("widget")->styleSheet(), QString());
    btn.setother();
    EXPECT_TRUE(btn.findChild<QLabel*>("label_state")->isHidden());
    EXPECT_TRUE(btn.findChild<QCheckBox*>("checkBox")->isHidden());
}
