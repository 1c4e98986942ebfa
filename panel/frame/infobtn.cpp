#include "infobtn.h"
#include "ui_infobtn.h"

#include "timeseam.h"

#include <QMouseEvent>
#include <QPixmap>

int64_t InfoBtn::lastPressSecond = -1;

namespace {
const char* const kOnStyle =
    "QWidget#widget{background-color:rgb(249, 0, 0);border: 1px solid gray;color:rgb(0, 0, 0);}";
const char* const kOffStyle =
    "QWidget#widget{background-color:rgb(249, 252, 250);border: 1px solid gray;color:rgb(255, 255, 255);}";
}

InfoBtn::InfoBtn(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::InfoBtn)
    , state(false)
{
    ui->setupUi(this);
    // The check box only shows the state; a touch on it belongs to the tile.
    ui->checkBox->setAttribute(Qt::WA_TransparentForMouseEvents);
}

InfoBtn::InfoBtn(const QString& icon, const QString& title, const QString& stateText, bool state,
                 QWidget* parent)
    : InfoBtn(parent)
{
    setIcon(icon);
    ui->label_title->setText(title);
    this->state = state;
    ui->label_state->setText(stateText);
    ui->checkBox->setChecked(state);
    ui->widget->setStyleSheet(state ? kOnStyle : kOffStyle);
}

InfoBtn::~InfoBtn()
{
    delete ui;
}

void InfoBtn::setIcon(const QString& icon)
{
    ui->label_icon->setText(QString());
    ui->label_icon->setPixmap(QPixmap(icon));
}

void InfoBtn::init(const QString& icon, const QString& title, const QString& onText,
                   const QString& offText, bool state)
{
    setIcon(icon);
    ui->label_title->setText(title);
    this->onText = onText;
    this->offText = offText;
    this->state = state;
    ui->label_state->setText(state ? onText : offText);
    ui->checkBox->setChecked(state);
}

void InfoBtn::showState()
{
    ui->widget->setStyleSheet(state ? kOnStyle : kOffStyle);
    ui->label_state->setText(state ? onText : offText);
    ui->checkBox->setChecked(state);
}

void InfoBtn::change_state(bool state)
{
    this->state = state;
    showState();
}

void InfoBtn::setother()
{
    ui->label_state->hide();
    ui->checkBox->hide();
}

void InfoBtn::mousePressEvent(QMouseEvent* event)
{
    const int64_t second = TimeSeam::monotonicMs() / 1000;
    if (second != lastPressSecond) {
        lastPressSecond = second;
        state = !state;
        showState();
        emit getclicked(state);
    }
    QWidget::mousePressEvent(event);
}
