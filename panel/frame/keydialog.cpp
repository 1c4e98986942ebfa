#include "keydialog.h"

#include "touchguard.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalMapper>

namespace {
struct KeySpec {
    const char* name;
    const char* caption;
    int row;
    int column;
    int span;
};
// Five columns; the last row holds the two wide keys that close the pad.
const KeySpec kKeys[22] = {
    { "1", QT_TRANSLATE_NOOP("KeyDialog", "1"), 0, 0, 1 },
    { "2", QT_TRANSLATE_NOOP("KeyDialog", "2"), 0, 1, 1 },
    { "3", QT_TRANSLATE_NOOP("KeyDialog", "3"), 0, 2, 1 },
    { "4", QT_TRANSLATE_NOOP("KeyDialog", "4"), 0, 3, 1 },
    { "5", QT_TRANSLATE_NOOP("KeyDialog", "5"), 0, 4, 1 },
    { "6", QT_TRANSLATE_NOOP("KeyDialog", "6"), 1, 0, 1 },
    { "7", QT_TRANSLATE_NOOP("KeyDialog", "7"), 1, 1, 1 },
    { "8", QT_TRANSLATE_NOOP("KeyDialog", "8"), 1, 2, 1 },
    { "9", QT_TRANSLATE_NOOP("KeyDialog", "9"), 1, 3, 1 },
    { "0", QT_TRANSLATE_NOOP("KeyDialog", "0"), 1, 4, 1 },
    { "S", QT_TRANSLATE_NOOP("KeyDialog", "S"), 2, 0, 1 },
    { "H", QT_TRANSLATE_NOOP("KeyDialog", "H"), 2, 1, 1 },
    { "F", QT_TRANSLATE_NOOP("KeyDialog", "F"), 2, 2, 1 },
    { "B", QT_TRANSLATE_NOOP("KeyDialog", "B"), 2, 3, 1 },
    { "Z", QT_TRANSLATE_NOOP("KeyDialog", "Z"), 2, 4, 1 },
    { "X", QT_TRANSLATE_NOOP("KeyDialog", "X"), 3, 0, 1 },
    { "P", QT_TRANSLATE_NOOP("KeyDialog", "P"), 3, 1, 1 },
    { "C", QT_TRANSLATE_NOOP("KeyDialog", "C"), 3, 2, 1 },
    { "CLEAR", QT_TRANSLATE_NOOP("KeyDialog", "清除"), 3, 3, 1 },
    { "DEL", QT_TRANSLATE_NOOP("KeyDialog", "<-"), 3, 4, 1 },
    { "Close", QT_TRANSLATE_NOOP("KeyDialog", "关闭"), 4, 0, 2 },
    { "OK", QT_TRANSLATE_NOOP("KeyDialog", "确定"), 4, 3, 2 },
};
const int kKeyW = 72;
const int kKeyH = 74;
const int kStepX = 81;
const int kStepY = 82;
}

KeyDialog::KeyDialog(QWidget* parent)
    : QDialog(parent)
{
    setupUi();
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setInfo(tr("请输入SN序列号:"));

    signalMapper = new QSignalMapper(this);
    for (QPushButton* key : keys) {
        connect(key, SIGNAL(clicked()), signalMapper, SLOT(map()));
        signalMapper->setMapping(key, key->objectName());
    }
    connect(signalMapper, SIGNAL(mapped(const QString&)), this, SLOT(buttonClicked(const QString&)));
    TouchGuard::install(this);
    setFocus();
}

void KeyDialog::setupUi()
{
    // Built by hand: the keys are named after what they type ("0" to "9"), which the form
    // compiler cannot turn into members.
    setObjectName("KeyDialog");
    resize(418, 532);
    setWindowTitle("Dialog");

    label = new QLabel(this);
    label->setObjectName("label");
    label->setGeometry(QRect(10, 8, 398, 32));

    lineEdit = new QLineEdit(this);
    lineEdit->setObjectName("lineEdit");
    lineEdit->setGeometry(QRect(10, 44, 398, 52));

    for (int i = 0; i < 22; ++i) {
        const KeySpec& k = kKeys[i];
        keys[i] = new QPushButton(this);
        keys[i]->setObjectName(k.name);
        const int width = k.span == 1 ? kKeyW : kKeyW + kStepX;
        const int x = 10 + k.column * kStepX;
        keys[i]->setGeometry(QRect(x, 110 + k.row * kStepY, width, kKeyH));
        keys[i]->setText(tr(k.caption));
        keys[i]->setFocusPolicy(Qt::NoFocus);
    }
}

void KeyDialog::setInfo(const QString& text)
{
    label->setText(text);
}

void KeyDialog::setString(QString text)
{
    lineEdit->setText(text);
}

QString KeyDialog::GetString()
{
    return lineEdit->text();
}

void KeyDialog::buttonClicked(const QString& name)
{
    if (name == "DEL") {
        QString text = lineEdit->text();
        text.chop(1);
        lineEdit->setText(text);
    } else if (name == "CLEAR") {
        lineEdit->clear();
    } else if (name == "Close") {
        reject();
    } else if (name == "OK") {
        accept();
    } else if (name.size() == 1) {
        lineEdit->setText(lineEdit->text() + name);
    }
}
