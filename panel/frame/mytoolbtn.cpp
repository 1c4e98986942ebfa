#include "mytoolbtn.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionToolButton>

namespace {
// The badge's ellipse spans y 0 to 19; a caption painted below it stays clear of the count.
const int kBadgeBottom = 19;
}

MyToolBtn::MyToolBtn(const QString& caption, QWidget* parent)
    : QToolButton(parent)
    , m_caption(caption)
{
    setText(caption);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setFixedSize(85, 40);
    // A caption wider than the button (some English ones) is set smaller rather than clipped.
    QFont captionFont(QString::fromUtf8("宋体"), 13);
    while (captionFont.pointSize() > 8 && QFontMetrics(captionFont).horizontalAdvance(caption) > width() - 6)
        captionFont.setPointSize(captionFont.pointSize() - 1);
    setFont(captionFont);
    setStyleSheet("QToolButton{border: 1px solid gray;border-color:#ffffff;}");
    setCaptionColour(Qt::white);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QToolButton::pressed, this, &MyToolBtn::slot_press);
}

void MyToolBtn::setWaring(int flag, int count)
{
    if (flag == m_waring && count == m_waringCount)
        return;
    m_waring = flag;
    m_waringCount = count;
    update();
}

void MyToolBtn::SetPress(bool pressed)
{
    if (pressed == m_pressed)
        return;
    m_pressed = pressed;
    update();
}

void MyToolBtn::slot_press()
{
    SetPress(true);
    emit signal_parent(this);
}

void MyToolBtn::setCaptionColour(const QColor& colour)
{
    QPalette pal = palette();
    if (pal.color(QPalette::Active, QPalette::ButtonText) == colour
        && pal.color(QPalette::Inactive, QPalette::ButtonText) == colour
        && pal.color(QPalette::Disabled, QPalette::ButtonText) == colour)
        return;
    pal.setColor(QPalette::ButtonText, colour);
    setPalette(pal);
}

void MyToolBtn::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(this);
        if (m_pressed || m_over) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor("#BBE4D4"));
            p.drawRect(0, 0, width() - 1, height() - 1);
        }
        // Under the pointer the caption keeps the colour it had.
        if (m_pressed)
            setCaptionColour(Qt::black);
        else if (!m_over)
            setCaptionColour(Qt::white);
    }
    const bool badged = m_waring == 1 && m_waringCount > 0;
    if (badged) {
        QPainter badge(this);
        badge.setRenderHint(QPainter::Antialiasing);
        badge.setPen(Qt::transparent);
        badge.setBrush(QColor(255, 255, 0, 180));
        badge.drawEllipse(QRect(QPoint(50, 0), QPoint(74, 19)));
        // Small enough for two digits inside the ellipse.
        QFont small = font();
        small.setPixelSize(12);
        badge.setFont(small);
        badge.setPen(Qt::red);
        badge.drawText(QPointF(58.0, 16.0), tr("%1").arg(m_waringCount));
    }
    if (!badged) {
        QToolButton::paintEvent(event);
        return;
    }
    // The badge sits over the upper right of a centred caption: the caption goes below it.
    QPainter p(this);
    QStyleOptionToolButton opt;
    initStyleOption(&opt);
    const QString caption = opt.text;
    opt.text.clear();
    style()->drawComplexControl(QStyle::CC_ToolButton, &opt, &p, this);
    opt.text = caption;
    opt.rect = rect().adjusted(1, kBadgeBottom, -1, -1);
    style()->drawControl(QStyle::CE_ToolButtonLabel, &opt, &p, this);
}

void MyToolBtn::enterEvent(QEvent* event)
{
    m_over = true;
    update();
    QToolButton::enterEvent(event);
}

void MyToolBtn::leaveEvent(QEvent* event)
{
    m_over = false;
    update();
    QToolButton::leaveEvent(event);
}
