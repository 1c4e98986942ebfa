#include "mytoolbar.h"

#include "globalvar.h"
#include "monitorset.h"
#include "mytoolbtn.h"
#include "shellrunner.h"
#include "syspath.h"
#include "timeseam.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <stdio.h>

QPushButton* screenShotBtn = nullptr;
QPushButton* screenShotExitBtn = nullptr;

namespace {
enum { kSettings = 3, kOperation = 4, kCtrlMode = 5, kTactics = 6, kUser = 7 };
}

MyToolBar::MyToolBar(QWidget* parent)
    : QWidget(parent)
{
    m_captions << tr("主接线图") << tr("系统信息") << tr("事件记录") << tr("系统设置") << tr("操作命令")
               << tr("本地远程") << tr("控制策略") << tr("登入登出");
    for (const QString& caption : m_captions) {
        MyToolBtn* btn = new MyToolBtn(caption, this);
        m_buttons.append(btn);
        connect(btn, &MyToolBtn::signal_parent, this, &MyToolBar::slot_set);
    }

    m_logo = new QLabel(this);
    QPixmap logo("logo.png");
    if (!logo.isNull()) {
        m_logo->setPixmap(logo);
        m_logo->resize(logo.size());
    }

    m_shotBtn = new QPushButton(tr("截屏"), this);
    m_shotBtn->resize(100, 30);
    m_shotBtn->setStyleSheet("background-color:#19c26e;");
    m_shotBtn->hide();
    m_shotExitBtn = new QPushButton(tr("退出"), this);
    m_shotExitBtn->resize(100, 30);
    m_shotExitBtn->setStyleSheet("background-color:#19c26e;");
    m_shotExitBtn->hide();
    screenShotBtn = m_shotBtn;
    screenShotExitBtn = m_shotExitBtn;

    m_tips = new QLabel(this);
    // One pixel short of the buttons' top edge at y 47.
    m_tips->resize(200, 29);
    tipslabel = m_tips;
    setTipsNow(tr("设备初始化中..."), 10);

    m_shotTimer = new QTimer(this);
    connect(m_shotTimer, &QTimer::timeout, this, &MyToolBar::screenShot);
    connect(m_shotBtn, &QPushButton::clicked, this, &MyToolBar::startScreenShot);
    connect(m_shotExitBtn, &QPushButton::clicked, this, &MyToolBar::exitScreenShot);

    setFixedHeight(87);
    setMinimumWidth(700);
    placeChildren();
    changeUser(0);
}

MyToolBar::~MyToolBar()
{
    // The globals must not outlive the widgets they point at.
    if (tipslabel == m_tips)
        tipslabel = nullptr;
    if (screenShotBtn == m_shotBtn)
        screenShotBtn = nullptr;
    if (screenShotExitBtn == m_shotExitBtn)
        screenShotExitBtn = nullptr;
}

void MyToolBar::showButton(int i, bool visible)
{
    m_buttons[i]->setVisible(visible);
}

void MyToolBar::layoutButtons()
{
    int k = 0;
    for (MyToolBtn* btn : m_buttons) {
        if (btn->isHidden())
            continue;
        btn->move(20 + 86 * k, 47);
        ++k;
    }
}

void MyToolBar::changeUser(int level)
{
    if (level == 0) {
        showButton(kSettings, false);
        showButton(kOperation, false);
        showButton(kCtrlMode, true);
        showButton(kTactics, false);
        showButton(kUser, true);
    } else {
        switch (set[1].value) {
        case 0:
            for (int i = kSettings; i <= kUser; ++i)
                showButton(i, true);
            break;
        case 1:
            showButton(kCtrlMode, true);
            showButton(kTactics, true);
            showButton(kUser, true);
            break;
        case 2:
            showButton(kCtrlMode, true);
            showButton(kTactics, false);
            showButton(kUser, true);
            break;
        default:
            break;
        }
    }
    layoutButtons();
}

void MyToolBar::changelock(int code)
{
    if (code == 4001) {
        showButton(kSettings, false);
        showButton(kOperation, false);
        showButton(kCtrlMode, true);
        showButton(kTactics, false);
        showButton(kUser, false);
        if (set[1].value == 1) {
            // Local automatic keeps the level for the unlock.
            showButton(kTactics, true);
            showButton(kUser, true);
            oldkeyword = keyword_right;
        } else if (set[1].value == 2) {
            showButton(kUser, true);
            oldkeyword = 0;
        } else {
            oldkeyword = 0;
        }
        keyword_right = 0;
    } else {
        keyword_right = oldkeyword;
        if (keyword_right != 0) {
            showButton(kSettings, true);
            showButton(kOperation, true);
            showButton(kTactics, true);
        } else {
            showButton(kTactics, false);
        }
        showButton(kUser, true);
    }
    layoutButtons();
}

void MyToolBar::setWaring(bool on, int count)
{
    m_buttons[2]->setWaring(on ? 1 : 0, count);
}

void MyToolBar::updateTip()
{
    label_time_count += 1;
    if (label_time_count > label_time_set)
        m_tips->hide();
}

void MyToolBar::slot_set(void* button)
{
    backlight_count = 0;
    for (int i = 1; i <= m_buttons.size(); ++i) {
        MyToolBtn* btn = m_buttons[i - 1];
        if (btn == button)
            emit signal_toolbar(i);
        else
            btn->SetPress(false);
    }
}

void MyToolBar::startScreenShot()
{
    if (QDir(QString::fromStdString(SysPath::resolve("/dev/udisk"))).exists()) {
        // The buttons must be gone from the frame buffer before it is read.
        m_shotBtn->hide();
        m_shotExitBtn->hide();
        m_shotTimer->start(100);
    } else {
        QMessageBox box(QMessageBox::Critical, tr("Error"), tr("请插入U盘"), QMessageBox::Ok, this);
        box.exec();
    }
}

void MyToolBar::screenShot()
{
    m_shotTimer->stop();
    const QString name = QDateTime::fromMSecsSinceEpoch(TimeSeam::wallMs()).toString("yyyy-MM-dd-hh-mm-ss")
        + ".jpg";
    const std::string file = name.toStdString();
    // The picture is taken in the working directory and then copied to the stick.
    int rc = ShellRunner::run("gsnap " + file + " " + SysPath::resolve("/dev/fb0"));
    if (rc != 0)
        printf("MyToolBar::screenShot: gsnap failed (%d)\n", rc);
    else if ((rc = ShellRunner::run("cp -f " + file + " " + SysPath::resolve("/udisk") + "/" + file)) != 0)
        printf("MyToolBar::screenShot: copy to the stick failed (%d)\n", rc);
    if (QFile::exists(name))
        ShellRunner::run("rm " + file);
    ShellRunner::run("sync");

    if (rc == 0) {
        QMessageBox box(QMessageBox::Information, tr("提示"), tr("截图成功"), QMessageBox::Ok, this);
        box.exec();
    } else {
        QMessageBox box(QMessageBox::Critical, tr("Error"), tr("截图失败"), QMessageBox::Ok, this);
        box.exec();
    }
    m_shotBtn->show();
    m_shotExitBtn->show();
}

void MyToolBar::exitScreenShot()
{
    m_shotBtn->hide();
    m_shotExitBtn->hide();
}

void MyToolBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(QRect(QPoint(0, 0), QPoint(799, 49)), QColor("#E6F5EE"));
    p.fillRect(QRect(QPoint(0, 50), QPoint(799, 99)), QColor(0, 155, 77));
}

void MyToolBar::placeChildren()
{
    m_logo->move(8, 2);
    m_tips->move(600, 18);
    m_shotBtn->move(250, 10);
    m_shotExitBtn->move(400, 10);
}

void MyToolBar::resizeEvent(QResizeEvent* event)
{
    placeChildren();
    QWidget::resizeEvent(event);
}
