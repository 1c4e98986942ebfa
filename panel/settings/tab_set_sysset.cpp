// System parameters (sub-page 2) and monitor settings (sub-page 3) of the settings page.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "devicedata.h"
#include "globalvar.h"
#include "keydialog.h"
#include "keypad.h"
#include "monitorset.h"
#include "shellrunner.h"
#include "timeseam.h"

#include <QDateTime>
#include <QMessageBox>
#include <QRegularExpression>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace {
// A device value shown as a combo row; a value without a row shows no row rather than a wrong one.
void showRow(QComboBox* box, float value)
{
    const int row = int(value);
    box->setCurrentIndex(row >= 0 && row < box->count() ? row : -1);
}

bool rowIn(QComboBox* box, int row)
{
    return row >= 0 && row < box->count();
}
}

void Tab_set::tipSucceeded()
{
    setTipsNow(tr("设置成功"), 5);
}

void Tab_set::fresh_sysset(int page)
{
    if (page == 1) {
        showRow(ui->comboBox_11, acConfig(73));
        showRow(ui->comboBox_4, acConfig(108));
        showRow(ui->comboBox_31, float(set[7].value));
        showRow(ui->comboBox_53, acConfig(275));
        ui->lineEdit_12->setText(QString::number(acConfig(124), 'f', 0));
        ui->lineEdit_13->setText(QString::number(acConfig(125), 'f', 0));
        ui->lineEdit_173->setText(QString::number(acConfig(128), 'f', 0));
        ui->lineEdit_174->setText(QString::number(acConfig(129), 'f', 0));
        const bool on = set[25].value != 6091;
        for (QWidget* w : { static_cast<QWidget*>(ui->label_21), static_cast<QWidget*>(ui->lineEdit_12),
                 static_cast<QWidget*>(ui->label_22), static_cast<QWidget*>(ui->lineEdit_13),
                 static_cast<QWidget*>(ui->label_416), static_cast<QWidget*>(ui->lineEdit_173),
                 static_cast<QWidget*>(ui->label_417), static_cast<QWidget*>(ui->lineEdit_174) })
            w->setEnabled(on);
    } else if (page == 2) {
        const bool seeTotals = keyword_right >= 3;
        ui->label_24->setText(seeTotals ? QString::number(chargeCorrection, 'f', 0) : QString());
        ui->label_25->setText(seeTotals ? QString::number(dischargeCorrection, 'f', 0) : QString());
        ui->lineEdit_179->setText(QString::number(acConfig(105), 'f', 0));
        ui->lineEdit_180->setText(QString::number(acConfig(106), 'f', 0));
        showRow(ui->comboBox_5, float(set[62].value));
        ui->comboBox_5->setEnabled(keyword_right >= 3);
        showRow(ui->comboBox_6, acConfig(276));
        showRow(ui->comboBox_7, acConfig(277));
        showRow(ui->comboBox_8, acConfig(278));
        while (ui->comboBox_9->count() > 1)
            ui->comboBox_9->removeItem(ui->comboBox_9->count() - 1);
        showRow(ui->comboBox_9, acConfig(279));
    } else if (page == 3) {
        ui->lineEdit_188->setText(QString::number(acConfig(124) * 0.1, 'f', 1));
        ui->lineEdit_189->setText(QString::number(acConfig(125), 'f', 0));
        ui->lineEdit_190->setText(QString::number(acConfig(128) * 0.0001, 'f', 4));
        ui->lineEdit_191->setText(QString::number(acConfig(129) * 0.0001, 'f', 4));
        const int status = tcpView ? tcpView->getStatus(0, 503) : 0;
        ui->comboBox_12->setCurrentIndex((status & 1) ? 1 : 0);
    }
}

void Tab_set::fresh_pcsset(int page)
{
    if (page == 1) {
        read_netdata();
        ui->lineEdit->setText(QDateTime::fromMSecsSinceEpoch(TimeSeam::wallMs()).toString("yyyy-MM-dd-hh-mm-ss"));
        ui->lineEdit_4->setText(netIp);
        ui->lineEdit_5->setText(netGateway);
        ui->lineEdit_6->setText(netMask);
        ui->lineEdit_7->setText(QString::number(set[8].value));
        showRow(ui->comboBox_30, float(set[2].value));
        showRow(ui->comboBox_47, float(set[26].value));
        showRow(ui->comboBox_32, float(set[20].value));
        showRow(ui->comboBox_49, float(set[16].value));
        const bool factory = keyword_right > 2;
        ui->pushButton_2->setVisible(factory);
        ui->pushButton_4->setVisible(factory);
        ui->pushButton_5->setVisible(factory);
        ui->pushButton_ScreenShots->setVisible(factory);
        ui->pushButton_3->setVisible(true);
        ui->pushButton_7->setVisible(true);
        ui->pushButton_8->setVisible(true);
    } else if (page == 2) {
        ui->lineEdit_2->setText(QString::number(set[0].value));
        ui->lineEdit_11->setText(QString::number(set[27].value));
        ui->lineEdit_172->setText(QString::number(set[29].value));
        ui->lineEdit_8->setText(QString::number(set[28].value));
        ui->lineEdit_9->setText(QString::number(set[10].value));
        ui->lineEdit_10->setText(QString::number(set[13].value));
        ui->lineEdit_192->setText(QString::fromLatin1(serialNum));
        ui->lineEdit_192->setEnabled(keyword_right >= 4);
    }
}

// Sub-page 2, page 1.

void Tab_set::on_comboBox_11_activated(int row)
{
    if (!rowIn(ui->comboBox_11, row))
        return;
    setAc(73, row);
    setDc(25, row);
}

void Tab_set::on_comboBox_4_activated(int row)
{
    if (!rowIn(ui->comboBox_4, row))
        return;
    setAc(108, row);
    setDc(21, row);
    set[54].value = row;
    savemonitorset();
}

void Tab_set::on_comboBox_31_activated(int row)
{
    if (!rowIn(ui->comboBox_31, row))
        return;
    set[7].value = row;
    savemonitorset();
    tipSucceeded();
}

void Tab_set::on_comboBox_53_activated(int row)
{
    if (rowIn(ui->comboBox_53, row))
        setAc(275, row);
}

void Tab_set::on_lineEdit_12_selectionChanged()
{
    int v;
    if (!askInt(QString(), -32768, 32767, &v))
        return;
    setAc(124, v);
    setDc(47, v);
}

void Tab_set::on_lineEdit_13_selectionChanged()
{
    int v;
    if (!askInt(QString(), -32768, 32767, &v))
        return;
    setAc(125, v);
    setDc(48, v);
}

// Sub-page 2, page 2: the corrections add up; the converter gets the running total.
void Tab_set::energyCorrection(QLineEdit* edit, int slot, float* correction, int index)
{
    float v;
    if (!askFloat(QString(), -2000, 2000, &v))
        return;
    const int step = int(v);
    set[slot].value += step;
    edit->setText(QString::number(step));
    savemonitorset();
    *correction = float(set[slot].value);
    if (acView)
        acView->setting(0, index, *correction, 0);
}

void Tab_set::on_lineEdit_14_selectionChanged()
{
    energyCorrection(ui->lineEdit_14, 51, &chargeCorrection, 10048);
}

void Tab_set::on_lineEdit_19_selectionChanged()
{
    energyCorrection(ui->lineEdit_19, 52, &dischargeCorrection, 10098);
}

// Sub-page 3, page 1.

void Tab_set::settime(QString& text)
{
    const QStringList parts = text.split('-', Qt::KeepEmptyParts);
    // The parts go into a shell command: digits only, and a date the clock can take.
    static const int lo[6] = { 2001, 1, 1, 0, 0, 0 };
    static const int hi[6] = { 9999, 12, 31, 23, 59, 59 };
    bool valid = parts.size() == 6;
    for (int i = 0; valid && i < 6; ++i) {
        const QString& part = parts[i];
        bool digits = !part.isEmpty() && part.size() <= 4;
        for (QChar c : part)
            digits = digits && c >= '0' && c <= '9';
        valid = digits && part.toInt() >= lo[i] && part.toInt() <= hi[i];
    }
    // A day the month does not have (02-31, 02-29 outside a leap year, 04-31) is no date.
    valid = valid && QDate(parts[0].toInt(), parts[1].toInt(), parts[2].toInt()).isValid();
    if (!valid) {
        printf("i can set time now\n");
        setTipsNow(tr("设置失败"), 5);
        return;
    }
    const QString command = "date -s " + parts[0] + "." + parts[1] + "." + QString::number(parts[2].toInt()) + "-"
        + parts[3] + ":" + parts[4] + ":" + parts[5];
    // The hardware clock takes the system time only once that time is set.
    if (ShellRunner::run(command.toStdString()) != 0 || ShellRunner::run("hwclock -w") != 0) {
        printf("Tab_set::settime: the clock was not set\n");
        setTipsNow(tr("设置失败"), 5);
        return;
    }
    tipSucceeded();
}

void Tab_set::on_lineEdit_selectionChanged()
{
    entryStarted();
    KeyPad pad(this);
    pad.setInfo(tr("系统时间设置:yyyy-MM-dd-hh-mm-ss"));
    if (pad.exec() != 1)
        return;
    QString text = pad.valueText();
    settime(text);
    savemonitorset();
}

void Tab_set::ipformat(int kind, QString text)
{
    static const QRegularExpression quad(QRegularExpression::anchoredPattern(
        "\\b(?:(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\.){3}(?:25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)\\b"));
    QLineEdit* edit;
    int slot;
    const char* fallback;
    if (kind == 4) {
        edit = ui->lineEdit_4;
        slot = 3;
        fallback = "192.168.1.10";
    } else if (kind == 5) {
        edit = ui->lineEdit_5;
        slot = 4;
        fallback = "192.168.1.1";
    } else if (kind == 6) {
        edit = ui->lineEdit_6;
        slot = 5;
        fallback = "255.255.255.0";
    } else {
        printf("ipformat unknown kind %d\n", kind);
        return;
    }
    const bool valid = !text.isEmpty() && quad.match(text).hasMatch();
    if (valid) {
        // Leading zeros are decimal here, but the network tools would read them as octal.
        QStringList parts = text.split('.');
        for (QString& part : parts)
            part = QString::number(part.toInt());
        text = parts.join('.');
    } else {
        setTipsNow(tr("非法输入"), 5);
        text = QString::fromLatin1(fallback);
    }
    edit->setText(text);
    set[slot].text = text;
    const bool applied = setip(set[3].text, set[5].text, set[4].text);
    if (!valid)
        return;
    if (applied)
        tipSucceeded();
    else
        setTipsNow(tr("设置失败"), 5);
}

void Tab_set::addressEntry(int kind, const QString& hint)
{
    entryStarted();
    KeyPad pad(this);
    pad.setInfo(hint);
    if (pad.exec() != 1)
        return;
    ipformat(kind, pad.valueText());
    savemonitorset();
}

void Tab_set::on_lineEdit_4_selectionChanged()
{
    addressEntry(4, tr("设置本地IP："));
}

void Tab_set::on_lineEdit_5_selectionChanged()
{
    addressEntry(5, tr("设置网关："));
}

void Tab_set::on_lineEdit_6_selectionChanged()
{
    addressEntry(6, tr("设置子网掩码："));
}

// The RTU slave first, then the TCP slave; fire and forget.
void Tab_set::upwardWrite(int reg, float v)
{
    if (rtuView)
        rtuView->setting(0, reg, v, 0);
    if (tcpView)
        tcpView->setting(0, reg, v, 0);
}

void Tab_set::on_lineEdit_7_selectionChanged()
{
    int v;
    if (!askInt(tr("设置modebus设备地址(1~247)"), 1, 247, &v))
        return;
    set[8].value = v;
    upwardWrite(1, v);
    tipSucceeded();
    savemonitorset();
}

void Tab_set::on_comboBox_30_activated(int row)
{
    if (!rowIn(ui->comboBox_30, row))
        return;
    set[2].value = row;
    savemonitorset();
    upwardWrite(501, row);
}

bool Tab_set::needsPowerCycle()
{
    return QMessageBox::warning(this, tr("警告"), tr("该设置需要机架下电生效，是否确认?"),
               QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

void Tab_set::on_comboBox_47_activated(int row)
{
    if (!rowIn(ui->comboBox_47, row) || !needsPowerCycle())
        return;
    set[26].value = row;
    set[55].value = 0;
    set[60].value = 0;
    set[61].value = 0;
    setAc(98, row);
    setDc(22, set[26].value);
    savemonitorset();
}

void Tab_set::on_comboBox_32_activated(int row)
{
    if (!rowIn(ui->comboBox_32, row) || !needsPowerCycle())
        return;
    set[20].value = row;
    savemonitorset();
}

void Tab_set::on_comboBox_49_activated(int row)
{
    if (!rowIn(ui->comboBox_49, row))
        return;
    set[16].value = row;
    savemonitorset();
}

// Sub-page 3, page 2.

void Tab_set::on_lineEdit_2_selectionChanged()
{
    int v;
    if (askInt(tr(" 1 ~ 120 (min)"), 1, 120, &v)) {
        set[0].value = v;
        backlight_count = 0;
        tipSucceeded();
        savemonitorset();
    }
    ui->lineEdit_2->setText(QString::number(set[0].value));
}

void Tab_set::upwardTimeout(QLineEdit*, int slot, int reg)
{
    int v;
    if (!askInt(tr(" 0 ~ 600 (s),0代表不使能"), 0, 600, &v))
        return;
    set[slot].value = v;
    upwardWrite(reg, v);
    savemonitorset();
}

void Tab_set::on_lineEdit_11_selectionChanged()
{
    upwardTimeout(ui->lineEdit_11, 27, 420);
}

void Tab_set::on_lineEdit_172_selectionChanged()
{
    upwardTimeout(ui->lineEdit_172, 29, 421);
}

void Tab_set::on_lineEdit_8_selectionChanged()
{
    upwardTimeout(ui->lineEdit_8, 28, 422);
}

void Tab_set::on_lineEdit_9_selectionChanged()
{
    int v;
    if (!askInt(tr("设置记录间隔(15~60)"), 15, 60, &v))
        return;
    set[10].value = v;
    tipSucceeded();
    savemonitorset();
    // The running timer keeps its old period until it is restarted.
    emit sendcommond_udisk(5);
}

void Tab_set::on_lineEdit_10_selectionChanged()
{
    int v;
    if (!askInt(tr("104设备地址(1~65535)"), 1, 65535, &v))
        return;
    set[13].value = v;
    tipSucceeded();
    savemonitorset();
}

void Tab_set::on_lineEdit_192_selectionChanged()
{
    static bool entering = false;
    if (entering)
        return;
    entering = true;
    entryStarted();
    KeyDialog keys(this);
    keys.setInfo(tr("请输入SN序列号:"));
    if (keys.exec() == QDialog::Accepted) {
        const QString first = keys.GetString();
        keys.setString(QString());
        keys.setInfo(tr("请再次输入序列号:"));
        if (keys.exec() == QDialog::Accepted) {
            const QString second = keys.GetString();
            if (first != second) {
                QMessageBox::critical(this, "Error", tr("两次输入不一致"), QMessageBox::Ok);
            } else if (first.size() != 22) {
                QMessageBox::critical(this, "Error", tr("序列号长度不对"), QMessageBox::Ok);
            } else {
                const QByteArray bytes = first.toLatin1();
                memset(serialNum, 0, 23);
                memcpy(serialNum, bytes.constData(), 22);
                printf("SN:%s\n", serialNum);
                int fd = ::open("SerialNum.dat", O_RDWR | O_DSYNC);
                if (fd < 0) {
                    printf("on_lineEdit_192_selectionChanged cannot open SerialNum.dat\n");
                } else {
                    if (::pwrite(fd, serialNum, sizeof serialNum, 0) != ssize_t(sizeof serialNum))
                        printf("on_lineEdit_192_selectionChanged short write\n");
                    ::close(fd);
                }
                if (tcpView)
                    tcpView->setting(0, 600, 1.0f, 0);
            }
        }
    }
    entering = false;
}
