#include "energyschedule.h"
#include "combobox.h"
#include "devicedataof.h"
#include "globalvar.h"
#include "keypad.h"
#include "localdatatable.h"
#include "monitorset.h"
#include "tapentry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <math.h>

namespace {

// "hh:mm" of the start of half-hour period s (0..48).
QString periodTime(int s)
{
    return QString("%1:%2").arg(s / 2, 2, 10, QChar('0')).arg(s % 2 ? "30" : "00");
}

const char* const kEditSlots[EnergySchedule::ROWS] = { SLOT(lineedit1()), SLOT(lineedit2()), SLOT(lineedit3()),
    SLOT(lineedit4()), SLOT(lineedit5()), SLOT(lineedit6()), SLOT(lineedit7()), SLOT(lineedit8()), SLOT(lineedit9()),
    SLOT(lineedit10()), SLOT(lineedit11()), SLOT(lineedit12()), SLOT(lineedit13()), SLOT(lineedit14()),
    SLOT(lineedit15()), SLOT(lineedit16()), SLOT(lineedit17()), SLOT(lineedit18()), SLOT(lineedit19()),
    SLOT(lineedit20()), SLOT(lineedit21()), SLOT(lineedit22()), SLOT(lineedit23()), SLOT(lineedit24()) };

} // namespace

EnergySchedule::EnergySchedule(QWidget* parent)
    : QWidget(parent)
{
    setupUi();
    TapEntry::install(this);
    connectEdits(true);
    connect(this, &EnergySchedule::sendfreshme, this, &EnergySchedule::freshme);
    QMetaObject::connectSlotsByName(this);
}

void EnergySchedule::setupUi()
{
    setObjectName("EnergySchedule");
    resize(796, 480);
    // Both columns within the 670 pixels right of the sub-menu list.
    const int column = 330;
    for (int c = 0; c < 2; ++c) {
        label_time[c] = new QLabel(tr("时间段"), this);
        label_time[c]->setObjectName(QString("label_time_%1").arg(c + 1));
        label_time[c]->setGeometry(20 + column * c, 40, 150, 30);
        label_value[c] = new QLabel(tr("功率(kW)"), this);
        label_value[c]->setObjectName(QString("label_value_%1").arg(c + 1));
        label_value[c]->setGeometry(170 + column * c, 40, 150, 30);
    }
    for (int r = 0; r < ROWS; ++r) {
        const int c = r / 12;
        const int y = 72 + 30 * (r % 12);
        label_period[r] = new QLabel(this);
        label_period[r]->setObjectName(QString("label_period_%1").arg(r + 1));
        label_period[r]->setGeometry(20 + column * c, y, 145, 26);
        lineEdit[r] = new QLineEdit(this);
        lineEdit[r]->setObjectName(QString("lineEdit_%1").arg(r + 1));
        lineEdit[r]->setFocusPolicy(Qt::NoFocus);
        lineEdit[r]->setGeometry(170 + column * c, y, 130, 26);
    }
    setCaptions(0);
    label_period[0]->setText("00:00~0:30");
    label_branch = new QLabel(tr("支路"), this);
    label_branch->setObjectName("label_branch");
    label_branch->setGeometry(150, 0, 60, 30);
    comboBox = new ComboBox(this);
    comboBox->setObjectName("comboBox");
    comboBox->setGeometry(210, 0, 80, 30);
    for (int b = 1; b <= 10; ++b)
        comboBox->addItem(QString::number(b));
    comboBox->addItem("U2");
    label_note = new QLabel(tr("重启生效！"), this);
    label_note->setObjectName("label_note");
    label_note->setStyleSheet("QLabel{color:#FF0000}");
    label_note->setGeometry(320, 0, 200, 30);
    pushButton = new QPushButton("<<", this);
    pushButton->setObjectName("pushButton");
    pushButton->setGeometry(250, 465 - 20, 100, 32);
    pushButton_2 = new QPushButton(">>", this);
    pushButton_2->setObjectName("pushButton_2");
    pushButton_2->setGeometry(440, 465 - 20, 100, 32);
    label_branch->hide();
    comboBox->hide();
}

void EnergySchedule::setCaptions(int firstPeriod)
{
    for (int r = 0; r < ROWS; ++r)
        label_period[r]->setText(periodTime(firstPeriod + r) + "~" + periodTime(firstPeriod + r + 1));
}

void EnergySchedule::connectEdits(bool on)
{
    for (int r = 0; r < ROWS; ++r) {
        if (on)
            connect(lineEdit[r], SIGNAL(selectionChanged()), this, kEditSlots[r]);
        else
            disconnect(lineEdit[r], SIGNAL(selectionChanged()), this, kEditSlots[r]);
    }
}

void EnergySchedule::setDeviceData(ModbusAcDcData* device)
{
    acdc = device;
    // Prices reach the converter only here: a change shows after a restart.
    LocalDataTable::sendPrices(deviceDataOf(device));
}

void EnergySchedule::setMode(int m)
{
    if (m == LocalDataTable::MODE_POWER) {
        label_note->hide();
        if (set[59].value == 2) {
            for (QLabel* l : label_value)
                l->setText(tr("直流功率(kW)/电流(A)"));
            const int n = set[23].value < 0 ? 0 : set[23].value;
            while (comboBox->count() > n)
                comboBox->removeItem(comboBox->count() - 1);
            label_branch->show();
            comboBox->show();
            branch = comboBox->currentIndex() + 1;
        } else {
            for (QLabel* l : label_value)
                l->setText(tr("功率(kW)"));
            label_branch->hide();
            comboBox->hide();
            branch = 0;
        }
        base = 0;
        decimals = 1;
    } else if (m == LocalDataTable::MODE_PRICE_A || m == LocalDataTable::MODE_PRICE_B) {
        label_branch->hide();
        comboBox->hide();
        label_note->show();
        for (QLabel* l : label_value)
            l->setText(tr("价格(元)"));
        base = m == LocalDataTable::MODE_PRICE_A ? int(LocalDataTable::PRICE_A) : int(LocalDataTable::PRICE_B);
        decimals = 4;
        branch = 0;
    } else {
        return;
    }
    mode = m;
    for (QLabel* l : label_time)
        l->setText(tr("时间段"));
    freshme();
}

void EnergySchedule::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    emit sendfreshme();
}

void EnergySchedule::freshme()
{
    if (refreshing)
        return;
    refreshing = true;
    connectEdits(false);
    for (int r = 0; r < ROWS; ++r) {
        const int word = base + LocalDataTable::PERIODS * branch + pageOffset + r;
        const float v = word >= 0 && word < LocalDataTable::WORDS ? localData[word] : 0.0f;
        const QString text = QString::number(v, 'f', decimals);
        if (lineEdit[r]->text() != text)
            lineEdit[r]->setText(text);
    }
    connectEdits(true);
    refreshing = false;
}

void EnergySchedule::on_comboBox_activated(int i)
{
    branch = i + 1;
    freshme();
}

void EnergySchedule::on_pushButton_clicked()
{
    setCaptions(0);
    pageOffset = 0;
    freshme();
}

void EnergySchedule::on_pushButton_2_clicked()
{
    setCaptions(24);
    pageOffset = 24;
    freshme();
}

void EnergySchedule::dealWithLineEdit()
{
    float lo = 0, hi = 0;
    QString hint;
    if (!LocalDataTable::range(mode, &lo, &hi, &hint) || row < 1 || row > ROWS)
        return;
    KeyPad pad(this);
    pad.setInfo(hint);
    if (pad.exec() != 1)
        return;
    const float v = pad.value2float();
    if (!isfinite(v) || int(v) == KeyPad::invalidValue)
        return;
    if (LocalDataTable::store(mode, branch, pageOffset + row - 1, v) != 0)
        return;
    LocalDataTable::saveLocaldata();
    setTipsNow(tr("设置成功"), 5);
    freshme();
}

void EnergySchedule::lineedit1()
{
    row = 1;
    dealWithLineEdit();
}

void EnergySchedule::lineedit2()
{
    row = 2;
    dealWithLineEdit();
}

void EnergySchedule::lineedit3()
{
    row = 3;
    dealWithLineEdit();
}

void EnergySchedule::lineedit4()
{
    row = 4;
    dealWithLineEdit();
}

void EnergySchedule::lineedit5()
{
    row = 5;
    dealWithLineEdit();
}

void EnergySchedule::lineedit6()
{
    row = 6;
    dealWithLineEdit();
}

void EnergySchedule::lineedit7()
{
    row = 7;
    dealWithLineEdit();
}

void EnergySchedule::lineedit8()
{
    row = 8;
    dealWithLineEdit();
}

void EnergySchedule::lineedit9()
{
    row = 9;
    dealWithLineEdit();
}

void EnergySchedule::lineedit10()
{
    row = 10;
    dealWithLineEdit();
}

void EnergySchedule::lineedit11()
{
    row = 11;
    dealWithLineEdit();
}

void EnergySchedule::lineedit12()
{
    row = 12;
    dealWithLineEdit();
}

void EnergySchedule::lineedit13()
{
    row = 13;
    dealWithLineEdit();
}

void EnergySchedule::lineedit14()
{
    row = 14;
    dealWithLineEdit();
}

void EnergySchedule::lineedit15()
{
    row = 15;
    dealWithLineEdit();
}

void EnergySchedule::lineedit16()
{
    row = 16;
    dealWithLineEdit();
}

void EnergySchedule::lineedit17()
{
    row = 17;
    dealWithLineEdit();
}

void EnergySchedule::lineedit18()
{
    row = 18;
    dealWithLineEdit();
}

void EnergySchedule::lineedit19()
{
    row = 19;
    dealWithLineEdit();
}

void EnergySchedule::lineedit20()
{
    row = 20;
    dealWithLineEdit();
}

void EnergySchedule::lineedit21()
{
    row = 21;
    dealWithLineEdit();
}

void EnergySchedule::lineedit22()
{
    row = 22;
    dealWithLineEdit();
}

void EnergySchedule::lineedit23()
{
    row = 23;
    dealWithLineEdit();
}

void EnergySchedule::lineedit24()
{
    row = 24;
    dealWithLineEdit();
}
