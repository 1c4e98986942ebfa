#include "mybasedialog.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

MyBaseDialog::MyBaseDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::FramelessWindowHint);
    setMinimumSize(390, 250);
    setMouseTracking(true);
}

void MyBaseDialog::paintEvent(QPaintEvent* event)
{
    // The rounded mask depends only on the size: it is made again only when that changes, not
    // on every paint of a page above the frame.
    if (m_maskSize != size()) {
        QBitmap mask(size());
        mask.fill(Qt::color0);
        {
            QPainter mp(&mask);
            mp.setPen(Qt::NoPen);
            mp.setBrush(Qt::color1);
            mp.drawRoundedRect(mask.rect(), 5, 5);
        }
        setMask(mask);
        m_maskSize = size();
    }

    QPainter p(this);
    p.fillRect(event->rect(), QColor(0, 155, 77));
}

void MyBaseDialog::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Only the top edge toggles, as a title bar would.
    if (event->button() != Qt::LeftButton || event->pos().y() > 0)
        return;
    if (m_maximized) {
        m_maximized = false;
        setGeometry(m_normalGeometry);
    } else {
        m_normalGeometry = geometry();
        m_maximized = true;
        if (QScreen* screen = QGuiApplication::primaryScreen())
            setGeometry(screen->availableGeometry());
    }
    update();
}
