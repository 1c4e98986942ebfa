#include "htstatbar.h"

#include "monitorset.h"
#include "timeseam.h"

#include <QDateTime>
#include <QLabel>

namespace {
QLabel* placedLabel(const QString& text, int x, int y, int w, int h, QWidget* parent)
{
    QLabel* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, h);
    return label;
}
}

HTStatbar::HTStatbar(QWidget* parent)
    : QWidget(parent)
{
    resize(800, 24);
    setFixedHeight(24);
    // Side by side without overlap; the English caption is wider.
    const bool english = set[20].value == 1;
    m_versionCaption = placedLabel(tr("固件版本:"), 10, 5, english ? 98 : 68, 17, this);
    m_versionNumber = placedLabel("1400", english ? 110 : 80, 5, 60, 17, this);
    m_userCaption = placedLabel(tr("用户:"), 180, 4, 44, 17, this);
    m_userName = placedLabel(tr("客户"), 226, 2, 231, 20, this);
    m_versionCode = placedLabel("SP0001LM", 490, 5, 111, 17, this);
    m_time = placedLabel(QString(), 620, 5, 171, 16, this);
    m_userName->setObjectName("label_user");
    m_time->setObjectName("label_time");
}

void HTStatbar::updateTime()
{
    m_time->setText(QDateTime::fromMSecsSinceEpoch(TimeSeam::wallMs()).toString("yyyy-MM-dd HH:mm:ss"));
}

void HTStatbar::user_changed(int level)
{
    switch (level) {
    case 0: m_userName->setText(tr("客户")); break;
    case 1: m_userName->setText(tr("维护工程师")); break;
    case 2: m_userName->setText(tr("维护工程师1")); break;
    case 3: m_userName->setText(tr("后台管理员")); break;
    case 4: m_userName->setText(tr("超级管理员")); break;
    case 8: m_userName->setText("Norvale"); break;
    default: break;
    }
}
