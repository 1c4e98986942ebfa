#ifndef SETTINGSTEST_H
#define SETTINGSTEST_H

#include "fakedevice.h"
#include "keypad.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <vector>

// Fakes whose writes stay pending for a number of polls.
class PendingDevice : public FakeDevice {
public:
    int getSettingResult(int module) override
    {
        polled.push_back(module);
        if (pendingPolls > 0) {
            --pendingPolls;
            return 2;
        }
        return FakeDevice::getSettingResult(module);
    }
    int pendingPolls = 0;
    std::vector<int> polled;
};

// Types text into the next keypad that opens and confirms it (or cancels it when text is null).
class KeyPadTyper {
public:
    explicit KeyPadTyper(const char* text)
    {
        const QString entry = text ? QString::fromUtf8(text) : QString();
        const bool cancel = text == nullptr;
        QObject::connect(&timer_, &QTimer::timeout, [this, entry, cancel]() {
            KeyPad* pad = qobject_cast<KeyPad*>(QApplication::activeModalWidget());
            if (!pad)
                return;
            timer_.stop();
            if (cancel) {
                pad->buttonClicked("cancel");
                return;
            }
            for (QChar c : entry) {
                if (c.isDigit())
                    pad->buttonClicked(QString(c));
                else if (c == '.')
                    pad->buttonClicked("dot");
                else if (c == '-')
                    pad->buttonClicked("sub");
                else if (c == '+')
                    pad->buttonClicked("add");
            }
            pad->buttonClicked("ok");
        });
        timer_.start(5);
    }

private:
    QTimer timer_;
};

// Answers the next message box with the given button and keeps its text.
struct BoxAnswer {
    QString text;
    QTimer timer;
    explicit BoxAnswer(QMessageBox::StandardButton answer)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, answer]() {
            QMessageBox* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            timer.stop();
            text = box->text();
            box->button(answer)->click();
        });
        timer.start(5);
    }
};

// Answers each message box that opens with the next answer (Ok for one-button boxes when the
// list runs out), and keeps what each said.
struct Boxes {
    std::vector<QMessageBox::StandardButton> answers;
    QStringList texts;
    QPointer<QMessageBox> last;
    QTimer timer;
    explicit Boxes(std::vector<QMessageBox::StandardButton> a = {})
        : answers(std::move(a))
    {
        QObject::connect(&timer, &QTimer::timeout, [this]() {
            QMessageBox* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == last)
                return;
            last = box;
            texts << box->text();
            QMessageBox::StandardButton answer = QMessageBox::Ok;
            if (!answers.empty()) {
                answer = answers.front();
                answers.erase(answers.begin());
            }
            if (!box->button(answer))
                answer = QMessageBox::Ok;
            box->button(answer)->click();
        });
        timer.start(5);
    }
};

#endif
