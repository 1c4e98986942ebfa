#include "touchguard.h"

#include "timeseam.h"

#include <QAbstractButton>
#include <QEvent>
#include <QWidget>

TouchGuard::TouchGuard(QWidget* pad)
    : QObject(pad)
    , m_pad(pad)
{
}

void TouchGuard::install(QWidget* pad)
{
    if (!pad)
        return;
    TouchGuard* guard = new TouchGuard(pad);
    pad->installEventFilter(guard);
    for (QAbstractButton* key : pad->findChildren<QAbstractButton*>())
        key->installEventFilter(guard);
}

bool TouchGuard::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_pad) {
        if (type == QEvent::Show)
            m_shownAtMs = TimeSeam::monotonicMs();
        return false;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::TouchBegin)
        return false;
    return m_shownAtMs < 0 || TimeSeam::monotonicMs() - m_shownAtMs < guardMs;
}
