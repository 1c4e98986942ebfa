#include "mytoolbar.h"

#include "globalvar.h"
#include "monitorset.h"
#include "mytoolbtn.h"
#include "runtimetree.h"
#include "widgettest.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <sys/stat.h>
#include <vector>

namespace {

std::vector<int> visibleButtons(const MyToolBar& bar)
{
    std::vector<int> out;
    const QList<MyToolBtn*> buttons = bar.findChildren<MyToolBtn*>();
    for (int i = 0; i < buttons.size(); ++i)
        if (!buttons[i]->isHidden())
            out.push_back(i);
    return out;
}


struct Step {
    enum Kind { User, Lock } kind;
    int arg;  // level or lock code
    int mode; // set[1] at that moment
};

} // namespace

TEST(MyToolBar, VisibleButtonsAndPositionsByLevelModeAndLock)
{
    using S = Step;
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<int> visible;
        int level;
        int old;
    } cases[] = {
        { "level 0 after start", {}, { 0, 1, 2, 5, 7 }, 0, 0 },
        { "level 3 local manual", { { S::User, 3, 0 } }, { 0, 1, 2, 3, 4, 5, 6, 7 }, 3, 0 },
        { "level 3 local auto after level 0", { { S::User, 3, 1 } }, { 0, 1, 2, 5, 6, 7 }, 3, 0 },
        { "level 3 remote after level 0", { { S::User, 3, 2 } }, { 0, 1, 2, 5, 7 }, 3, 0 },
        { "level 3 remote after local manual", { { S::User, 3, 0 }, { S::User, 3, 2 } },
            { 0, 1, 2, 3, 4, 5, 7 }, 3, 0 },
        { "unknown mode leaves the buttons", { { S::User, 3, 0 }, { S::User, 2, 7 } },
            { 0, 1, 2, 3, 4, 5, 6, 7 }, 2, 0 },
        { "unknown mode after start", { { S::User, 2, 7 } }, { 0, 1, 2, 5, 7 }, 2, 0 },
        { "logout", { { S::User, 3, 0 }, { S::User, 0, 0 } }, { 0, 1, 2, 5, 7 }, 0, 0 },
        { "lock in local auto", { { S::User, 2, 1 }, { S::Lock, 4001, 1 } }, { 0, 1, 2, 5, 6, 7 }, 0, 2 },
        { "unlock after a lock in local auto", { { S::User, 2, 1 }, { S::Lock, 4001, 1 }, { S::Lock, 4000, 1 } },
            { 0, 1, 2, 3, 4, 5, 6, 7 }, 2, 2 },
        { "any code but 4001 unlocks", { { S::User, 2, 1 }, { S::Lock, 4001, 1 }, { S::Lock, 3, 1 } },
            { 0, 1, 2, 3, 4, 5, 6, 7 }, 2, 2 },
        { "lock in local manual", { { S::User, 2, 0 }, { S::Lock, 4001, 0 } }, { 0, 1, 2, 5 }, 0, 0 },
        { "unlock after a lock in local manual", { { S::User, 2, 0 }, { S::Lock, 4001, 0 }, { S::Lock, 4000, 0 } },
            { 0, 1, 2, 5, 7 }, 0, 0 },
        { "lock in remote", { { S::User, 2, 2 }, { S::Lock, 4001, 2 } }, { 0, 1, 2, 5, 7 }, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        keyword_right = 0;
        oldkeyword = 0;
        set[1].value = 0;
        MyToolBar bar;
        for (const Step& s : c.steps) {
            set[1].value = s.mode;
            if (s.kind == Step::User) {
                keyword_right = s.arg; // as the main window does before it tells the bar
                bar.changeUser(s.arg);
            } else {
                bar.changelock(s.arg);
            }
        }
        EXPECT_EQ(visibleButtons(bar), c.visible);
        EXPECT_EQ(keyword_right, c.level);
        EXPECT_EQ(oldkeyword, c.old);
        const QList<MyToolBtn*> buttons = bar.findChildren<MyToolBtn*>();
        int k = 0;
        for (int i : c.visible) {
            EXPECT_EQ(buttons[i]->pos(), QPoint(20 + 86 * k, 47)) << "button " << i;
            ++k;
        }
    }
}

TEST(MyToolBar, CaptionsInButtonOrder)
{
    MyToolBar bar;
    QStringList captions;
    for (MyToolBtn* b : bar.findChildren<MyToolBtn*>())
        captions << b->text();
    EXPECT_EQ(captions, QString::fromUtf8("主接线图,系统信息,事件记录,系统设置,操作命令,本地远程,控制策略,登入登出").split(','));
}

TEST(MyToolBar, PageButtonEmitsItsPageEvenWhenAlreadyPressed)
{
    MyToolBar bar;
    std::vector<int> pages;
    QObject::connect(&bar, &MyToolBar::signal_toolbar, [&pages](int p) { pages.push_back(p); });
    const QList<MyToolBtn*> buttons = bar.findChildren<MyToolBtn*>();
    backlight_count = 42;
    emit buttons[2]->pressed();
    EXPECT_EQ(backlight_count, 0);
    emit buttons[2]->pressed();
    emit buttons[7]->pressed();
    EXPECT_EQ(pages, (std::vector<int> { 3, 3, 8 }));
}

TEST(MyToolBar, AlarmBadgeGoesToTheLogsButton)
{
    MyToolBar bar;
    const QList<MyToolBtn*> buttons = bar.findChildren<MyToolBtn*>();
    bar.setWaring(true, 12);
    QImage withBadge = buttons[2]->grab().toImage();
    QImage other = buttons[1]->grab().toImage();
    bar.setWaring(false, 0);
    QImage without = buttons[2]->grab().toImage();
    EXPECT_NE(withBadge, without);
    EXPECT_EQ(other, buttons[1]->grab().toImage());
}

TEST(MyToolBar, TipHiddenAtTheFourthCountOfAThreeSecondTip)
{
    MyToolBar bar;
    ASSERT_NE(tipslabel, nullptr);
    EXPECT_EQ(tipslabel->text(), QString::fromUtf8("设备初始化中..."));
    EXPECT_EQ(label_time_set, 10);
    setTipsNow("tip", 3);
    for (int i = 1; i <= 3; ++i) {
        bar.updateTip();
        EXPECT_FALSE(tipslabel->isHidden()) << "count " << i;
    }
    bar.updateTip();
    EXPECT_TRUE(tipslabel->isHidden());
    setTipsNow("again", 1);
    EXPECT_FALSE(tipslabel->isHidden());
}

TEST(MyToolBar, GlobalsPointAtItsWidgetsWhileItLives)
{
    {
        MyToolBar bar;
        ASSERT_NE(screenShotBtn, nullptr);
        ASSERT_NE(screenShotExitBtn, nullptr);
        EXPECT_EQ(screenShotBtn->parent(), &bar);
        EXPECT_TRUE(screenShotBtn->isHidden());
        EXPECT_TRUE(screenShotExitBtn->isHidden());
        EXPECT_EQ(screenShotBtn->text(), QString::fromUtf8("截屏"));
        EXPECT_EQ(screenShotExitBtn->text(), QString::fromUtf8("退出"));
        EXPECT_EQ(screenShotBtn->pos(), QPoint(250, 10));
        EXPECT_EQ(screenShotExitBtn->pos(), QPoint(400, 10));
        EXPECT_EQ(tipslabel->pos(), QPoint(600, 18));
        EXPECT_EQ(bar.height(), 87);
    }
    EXPECT_EQ(screenShotBtn, nullptr);
    EXPECT_EQ(tipslabel, nullptr);
}

TEST(MyToolBar, LogoReadFromTheWorkingDirectory)
{
    auto logoOf = [](const MyToolBar& bar) -> const QLabel* {
        for (const QLabel* l : bar.findChildren<QLabel*>())
            if (l->pos() == QPoint(8, 2))
                return l;
        return nullptr;
    };
    {
        RuntimeTree tree(true);
        MyToolBar bar;
        ASSERT_NE(logoOf(bar), nullptr);
        EXPECT_FALSE(logoOf(bar)->pixmap(Qt::ReturnByValue).isNull());
    }
    {
        RuntimeTree bare;
        MyToolBar bar;
        ASSERT_NE(logoOf(bar), nullptr);
        EXPECT_TRUE(logoOf(bar)->pixmap(Qt::ReturnByValue).isNull());
    }
}

TEST(MyToolBar, ScreenshotWithoutStickAsksForOne)
{
    RuntimeTree tree;
    MyToolBar bar;
    screenShotBtn->show();
    screenShotExitBtn->show();
    SeenBoxes seen;
    BoxCloser closer(&seen);
    bar.startScreenShot();
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.title, "Error");
    EXPECT_EQ(seen.text, QString::fromUtf8("请插入U盘"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_FALSE(screenShotBtn->isHidden());
    EXPECT_EQ(tree.commands(), "");
}

TEST(MyToolBar, ScreenshotCopiedToTheStick)
{
    RuntimeTree tree;
    mkdir(tree.path("dev/udisk").c_str(), 0755);
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1700000000); // 2023-11-15 06:13:20 in Asia/Shanghai
    const std::string name = "2023-11-15-06-13-20.jpg";
    MyToolBar bar;
    screenShotBtn->show();
    screenShotExitBtn->show();

    bar.startScreenShot();
    EXPECT_TRUE(screenShotBtn->isHidden());
    EXPECT_TRUE(screenShotExitBtn->isHidden());
    // gsnap is only recorded on a host build; the picture it would leave is put there by hand.
    tree.writeFile("bin/" + name, "JPEG");
    SeenBoxes seen;
    BoxCloser closer(&seen);
    bar.screenShot();

    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.title, QString::fromUtf8("提示"));
    EXPECT_EQ(seen.text, QString::fromUtf8("截图成功"));
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(tree.readFile("udisk/" + name), "JPEG");
    EXPECT_FALSE(tree.exists("bin/" + name));
    EXPECT_EQ(tree.commands(), "gsnap " + name + " " + tree.root() + "/dev/fb0\n");
    EXPECT_FALSE(screenShotBtn->isHidden());
    EXPECT_FALSE(screenShotExitBtn->isHidden());
    for (QTimer* t : bar.findChildren<QTimer*>())
        EXPECT_FALSE(t->isActive());
}

TEST(MyToolBar, ScreenshotThatFailsIsReportedAsFailed)
{
    RuntimeTree tree;
    mkdir(tree.path("dev/udisk").c_str(), 0755);
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1700000000);
    MyToolBar bar;
    SeenBoxes seen;
    BoxCloser closer(&seen);
    bar.screenShot(); // no picture appeared, so the copy to the stick fails

    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.title, "Error");
    EXPECT_EQ(seen.text, QString::fromUtf8("截图失败"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_FALSE(tree.exists("udisk/2023-11-15-06-13-20.jpg"));
    EXPECT_FALSE(screenShotBtn->isHidden());
}

TEST(MyToolBar, ExitScreenshotHidesBothButtons)
{
    MyToolBar bar;
    screenShotBtn->show();
    screenShotExitBtn->show();
    bar.exitScreenShot();
    EXPECT_TRUE(screenShotBtn->isHidden());
    EXPECT_TRUE(screenShotExitBtn->isHidden());
}
