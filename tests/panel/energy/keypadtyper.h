#ifndef KEYPADTYPER_H
#define KEYPADTYPER_H

#include "keypad.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QTimer>

// Answers the next modal keypad with a typed text and OK, or with ESC when text is null.
class KeyPadTyper {
public:
    explicit KeyPadTyper(const char* text)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this, text]() {
            KeyPad* pad = qobject_cast<KeyPad*>(QApplication::activeModalWidget());
            if (!pad)
                return;
            ++shown;
            hint = pad->findChild<QLabel*>("label_2") ? pad->findChild<QLabel*>("label_2")->text() : QString();
            if (!text) {
                press(pad, "cancel");
                return;
            }
            for (const char* c = text; *c; ++c)
                press(pad, *c == '-' ? "sub" : (*c == '.' ? "dot" : QString(QChar(*c))));
            press(pad, "ok");
        });
        timer_.start(5);
    }
    int shown = 0;
    QString hint;

private:
    static void press(KeyPad* pad, const QString& key)
    {
        if (QPushButton* b = pad->findChild<QPushButton*>(key))
            b->click();
    }
    QTimer timer_;
};

// What a touch on an entry field does: the field reports a selection change.
inline void touch(QLineEdit* edit)
{
    QMetaObject::invokeMethod(edit, "selectionChanged", Qt::DirectConnection);
}

#endif
