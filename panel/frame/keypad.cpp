#include "keypad.h"

#include "touchguard.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalMapper>

int KeyPad::edit = 0;

namespace {
// Key names double as object names; digits carry their digit.
struct KeySpec {
    const char* name;
    const char* caption;
};
const KeySpec kKeys[16] = {
    { "7", QT_TRANSLATE_NOOP("KeyPad", "7") }, { "8", QT_TRANSLATE_NOOP("KeyPad", "8") },
    { "9", QT_TRANSLATE_NOOP("KeyPad", "9") }, { "bs", QT_TRANSLATE_NOOP("KeyPad", "<-") },
    { "4", QT_TRANSLATE_NOOP("KeyPad", "4") }, { "5", QT_TRANSLATE_NOOP("KeyPad", "5") },
    { "6", QT_TRANSLATE_NOOP("KeyPad", "6") }, { "add", QT_TRANSLATE_NOOP("KeyPad", "+") },
    { "1", QT_TRANSLATE_NOOP("KeyPad", "1") }, { "2", QT_TRANSLATE_NOOP("KeyPad", "2") },
    { "3", QT_TRANSLATE_NOOP("KeyPad", "3") }, { "sub", QT_TRANSLATE_NOOP("KeyPad", "-") },
    { "0", QT_TRANSLATE_NOOP("KeyPad", "0") }, { "dot", QT_TRANSLATE_NOOP("KeyPad", ".") },
    { "cancel", QT_TRANSLATE_NOOP("KeyPad", "ESC") }, { "ok", QT_TRANSLATE_NOOP("KeyPad", "OK") },
};
const int kColumnX[4] = { 10, 88, 164, 240 };
const int kRowY[4] = { 98, 184, 270, 356 };
}

KeyPad::KeyPad(QWidget* parent)
    : QDialog(parent)
{
    setupUi();
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    KeyPad::edit = 1;

    signalMapper = new QSignalMapper(this);
    for (QPushButton* key : keys) {
        connect(key, SIGNAL(clicked()), signalMapper, SLOT(map()));
        signalMapper->setMapping(key, key->objectName());
    }
    connect(signalMapper, SIGNAL(mapped(const QString&)), this, SLOT(buttonClicked(const QString&)));

    TouchGuard::install(this);
    move(240, 85);
    setFocus();
    installEventFilter(this);
}

KeyPad::~KeyPad()
{
    KeyPad::edit = 0;
}

void KeyPad::setupUi()
{
    // Built by hand rather than from a .ui file: the digit keys are named "0" to "9",
    // which the form compiler cannot turn into members.
    setObjectName("KeyPad");
    resize(321, 444);
    setWindowTitle("Dialog");

    label = new QLabel(this);
    label->setObjectName("label");
    label->setGeometry(QRect(12, 46, 296, 42));
    label->setStyleSheet("QLabel{\n\t\tborder: 1px solid;\n\tborder-color: rgb(0, 85, 255);\n}");
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    label_2 = new QLabel(this);
    label_2->setObjectName("label_2");
    label_2->setGeometry(QRect(0, 0, 321, 49));
    label_2->setWordWrap(true);

    for (int i = 0; i < 16; ++i) {
        keys[i] = new QPushButton(this);
        keys[i]->setObjectName(kKeys[i].name);
        keys[i]->setGeometry(QRect(kColumnX[i % 4], kRowY[i / 4], 70, 80));
        keys[i]->setText(tr(kKeys[i].caption));
        keys[i]->setFocusPolicy(Qt::NoFocus);
    }
}

void KeyPad::setInfo(const QString& text)
{
    label_2->setText(text);
}

void KeyPad::buttonClicked(const QString& name)
{
    if (name.size() == 1 && name.at(0).isDigit()) {
        label->setText(label->text() + name);
    } else if (name == "dot") {
        label->setText(label->text() + ".");
    } else if (name == "add") {
        label->setText(label->text() + "+");
    } else if (name == "sub") {
        label->setText(label->text() + "-");
    } else if (name == "bs") {
        QString text = label->text();
        text.chop(1);
        label->setText(text);
    } else if (name == "cancel") {
        value.clear();
        reject();
    } else if (name == "ok") {
        value = label->text();
        accept();
    }
}

QString KeyPad::valueText() const
{
    return value;
}

// Any spelling of zero ("0", "00", "0.0", "-0") is a typed zero; only a text that does not
// convert gives the marker.
int KeyPad::value2int()
{
    bool ok = false;
    const int v = value.toInt(&ok, 10);
    if (!ok)
        return invalidValue;
    return v;
}

// Nudged away from zero so that a later truncation of, say, 0.3 * 10 does not fall one short.
float KeyPad::value2float()
{
    bool ok = false;
    const float f = value.toFloat(&ok);
    if (!ok)
        return float(invalidValue);
    if (f > 0)
        return float(double(f) + 0.000005);
    if (f < 0)
        return float(double(f) - 0.000005);
    return 0.0f;
}

bool KeyPad::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter) {
        value.clear();
        reject();
    }
    return QDialog::eventFilter(watched, event);
}

void KeyPad::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QColor(0, 0, 0, 50));
    painter.drawRoundedRect(rect().adjusted(0, 0, -1, -1), 1, 1);
}
