#ifndef RECORDTESTDATA_H
#define RECORDTESTDATA_H

#include "alarmrecordfile.h"
#include "chargerfault.h"
#include "keypad.h"
#include "operaterecord.h"
#include "operaterecordfile.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <functional>

// Records as the data thread writes them, and the cells of a record list as a person reads them.
namespace recordtest {

inline ChargerFault openAlarm(int code, int index, int second)
{
    ChargerFault f;
    std::memset(&f, 0, sizeof f);
    f.code = code;
    f.index = index;
    std::snprintf(f.startTime, sizeof f.startTime, "2024-05-01 10:%02d:%02d", second / 60, second % 60);
    f.active = 1;
    return f;
}

inline ChargerFault closeAlarm(int code, int index, int second)
{
    ChargerFault f = openAlarm(code, index, second);
    std::memcpy(f.endTime, f.startTime, sizeof f.endTime);
    std::memset(f.startTime, 0, sizeof f.startTime);
    f.active = 0;
    return f;
}

inline OperateRecord record(int modules, int oid, double oldValue, double newValue, int second)
{
    OperateRecord r;
    std::memset(&r, 0, sizeof r);
    r.modules = modules;
    r.oid = oid;
    r.rdata = oldValue;
    r.mdata = newValue;
    std::snprintf(r.time, sizeof r.time, "2024-05-01 11:%02d:%02d", second / 60, second % 60);
    return r;
}

// Cell (row 0 header, 1..13 records; column 0..3) of a record list page.
inline QString cell(QWidget* page, int row, int column)
{
    QLabel* l = page->findChild<QLabel*>(QString("label_%1_%2").arg(row).arg(column));
    return l ? l->text() : QString("<no cell>");
}

inline std::string text(const QString& s)
{
    return s.toStdString();
}

// Runs action on the keypad as soon as it is shown modally.
class KeyPadDriver {
public:
    explicit KeyPadDriver(std::function<void(KeyPad*)> action)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this, action]() {
            KeyPad* pad = qobject_cast<KeyPad*>(QApplication::activeModalWidget());
            if (!pad)
                return;
            ++shown;
            action(pad);
        });
        timer_.start(5);
    }
    int shown = 0;

private:
    QTimer timer_;
};

// Types the keys (object names of the keypad's buttons) and presses one last key.
inline void typeOn(KeyPad* pad, const QStringList& keys)
{
    for (const QString& k : keys)
        if (QPushButton* b = pad->findChild<QPushButton*>(k))
            b->click();
}

} // namespace recordtest

#endif
