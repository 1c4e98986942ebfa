#include "tapentry.h"

#include <QApplication>
#include <QLineEdit>
#include <QMetaObject>
#include <QMouseEvent>

namespace {
const char* const kWatched = "tapEntry";
}

TapEntry::TapEntry(QObject* parent)
    : QObject(parent)
{
}

void TapEntry::install(QWidget* root)
{
    if (!root)
        return;
    for (QLineEdit* edit : root->findChildren<QLineEdit*>())
        if (edit->focusPolicy() == Qt::NoFocus)
            watch(edit);
}

void TapEntry::watch(QLineEdit* edit)
{
    // One filter per edit: a page inside another page may be installed twice.
    if (!edit || edit->property(kWatched).toBool())
        return;
    edit->setProperty(kWatched, true);
    edit->installEventFilter(new TapEntry(edit));
}

bool TapEntry::eventFilter(QObject* watched, QEvent* event)
{
    QLineEdit* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        QMouseEvent* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) {
            m_pressed = edit;
            m_pressAt = e->globalPos();
            m_moved = false;
        }
        return true;
    }
    case QEvent::MouseMove: {
        QMouseEvent* e = static_cast<QMouseEvent*>(event);
        if (m_pressed == edit && (e->globalPos() - m_pressAt).manhattanLength() > QApplication::startDragDistance())
            m_moved = true;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        QMouseEvent* e = static_cast<QMouseEvent*>(event);
        const bool tap = e->button() == Qt::LeftButton && m_pressed == edit && !m_moved && edit->rect().contains(e->pos());
        m_pressed = nullptr;
        // After the release has been handled, so that the keypad's modal loop starts with no
        // button held. A disabled entry (a page not built yet) opens nothing.
        if (tap && edit->isEnabled())
            QMetaObject::invokeMethod(edit, "selectionChanged", Qt::QueuedConnection);
        return true;
    }
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}
