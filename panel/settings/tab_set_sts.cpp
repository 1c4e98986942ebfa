// Switch parameter sub-page (sub-page 6): control words, grid protection thresholds, the debug
// and test words of the switch's firmware and the calibration of its measurements. Everything
// addresses module 0 of the switch device, whatever module the container has picked.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "devicedata.h"
#include "globalvar.h"

#include <QLabel>
#include <QLineEdit>

namespace {
QString fixed(float v, int decimals)
{
    return QString::number(double(v), 'f', decimals);
}
}

const int Tab_set::stsindex[12][2] = {
    { 101, 0 }, { 102, 1 }, { 103, 2 }, { 104, 3 }, { 105, 4 }, { 106, 5 },
    { 107, 27 }, { 108, 28 }, { 109, 29 }, { 110, 30 }, { 111, 31 }, { 112, 32 },
};

// The switch is never marked offline here: the page stays as the dispatcher left it.
void Tab_set::fresh_sts(int page)
{
    if (page == 1)
        _fresh_sts1();
    else if (page == 2)
        _fresh_sts3();
    else if (page == 3)
        _fresh_sts4();
}

void Tab_set::_fresh_sts1()
{
    ui->lineEdit_87->setText(fixed(configOf(stsView, 0, 53), 0));
    ui->lineEdit_88->setText(fixed(configOf(stsView, 0, 54), 0));
    ui->lineEdit_89->setText(fixed(configOf(stsView, 0, 55), 0));
    ui->comboBox_28->setCurrentIndex(int(configOf(stsView, 0, 56)));
    ui->lineEdit_30->setText(fixed(configOf(stsView, 0, 44), 2));
    ui->lineEdit_31->setText(fixed(configOf(stsView, 0, 45), 2));
    ui->lineEdit_32->setText(fixed(configOf(stsView, 0, 46), 2));
    ui->lineEdit_33->setText(fixed(configOf(stsView, 0, 47), 2));
}

void Tab_set::_fresh_sts3()
{
    QLineEdit* const words[6] = { ui->lineEdit_90, ui->lineEdit_91, ui->lineEdit_92, ui->lineEdit_93,
        ui->lineEdit_94, ui->lineEdit_95 };
    for (int i = 0; i < 6; ++i)
        words[i]->setText(fixed(configOf(stsView, 0, 113 + i), 0));
    ui->label_266->setText(fixed(analogOf(stsView, 0, 63), 0));
    ui->label_267->setText(fixed(analogOf(stsView, 0, 64), 0));
    ui->label_265->setText(fixed(analogOf(stsView, 0, 65), 0));
}

void Tab_set::_fresh_sts4()
{
    // The coefficient labels are not in the order of their names; this is the row order.
    QLabel* const readings[12] = { ui->label_207, ui->label_208, ui->label_210, ui->label_212, ui->label_214,
        ui->label_216, ui->label_218, ui->label_220, ui->label_222, ui->label_224, ui->label_226, ui->label_228 };
    QLabel* const coefficients[12] = { ui->label_279, ui->label_271, ui->label_272, ui->label_269, ui->label_274,
        ui->label_276, ui->label_277, ui->label_275, ui->label_273, ui->label_278, ui->label_270, ui->label_268 };
    // The container never offers calibration below level 3.
    if (keyword_right <= 2)
        currentWidget()->setEnabled(false);
    for (int k = 0; k < 12; ++k) {
        readings[k]->setText(fixed(analogOf(stsView, 0, stsindex[k][1]), 1));
        coefficients[k]->setText(fixed(configOf(stsView, 0, stsindex[k][0]), 3));
    }
}

void Tab_set::stsEntry(int index, const QString& hint, float lo, float hi, bool whole)
{
    if (whole) {
        int v;
        if (askInt(hint, int(lo), int(hi), &v))
            setSts(index, float(v));
        return;
    }
    float v;
    if (askFloat(hint, lo, hi, &v))
        setSts(index, v);
}

void Tab_set::on_lineEdit_87_selectionChanged()
{
    stsEntry(53, tr("-32768~32767，默认0"), -32768, 32767, true);
}

void Tab_set::on_lineEdit_88_selectionChanged()
{
    stsEntry(54, tr("-32768~32767，默认0"), -32768, 32767, true);
}

void Tab_set::on_lineEdit_89_selectionChanged()
{
    stsEntry(55, tr("-32768~32767，默认0"), -32768, 32767, true);
}

void Tab_set::on_comboBox_28_activated(int row)
{
    if (row < 0 || row >= ui->comboBox_28->count())
        return;
    setSts(56, float(row));
}

// The ranges of the protection thresholds stand beside the fields, so the keypad has no hint.
void Tab_set::on_lineEdit_30_selectionChanged()
{
    stsEntry(44, QString(), 1.05f, 1.25f, false);
}

void Tab_set::on_lineEdit_31_selectionChanged()
{
    stsEntry(45, QString(), 0.50f, 0.95f, false);
}

void Tab_set::on_lineEdit_32_selectionChanged()
{
    stsEntry(46, QString(), 0.0f, 5.0f, false);
}

void Tab_set::on_lineEdit_33_selectionChanged()
{
    stsEntry(47, QString(), -5.0f, 0.0f, false);
}

void Tab_set::stsDebugWord(int index)
{
    int v;
    if (askInt(QString(), 0, 65535, &v))
        _setSts(0, index, float(v));
}

void Tab_set::on_lineEdit_90_selectionChanged()
{
    stsDebugWord(113);
}

void Tab_set::on_lineEdit_91_selectionChanged()
{
    stsDebugWord(114);
}

void Tab_set::on_lineEdit_92_selectionChanged()
{
    stsDebugWord(115);
}

void Tab_set::on_lineEdit_93_selectionChanged()
{
    stsDebugWord(116);
}

void Tab_set::on_lineEdit_94_selectionChanged()
{
    stsDebugWord(117);
}

void Tab_set::on_lineEdit_95_selectionChanged()
{
    stsDebugWord(118);
}

void Tab_set::_stsDebug(int k, float typed)
{
    if (k < 1 || k > 12)
        return;
    calibrate(stsView, 0, stsindex[k - 1][0], stsindex[k - 1][1], typed, true);
}

void Tab_set::stsCalibration(QLineEdit* field, int k)
{
    float typed;
    if (calibrationEntry(field, &typed))
        _stsDebug(k, typed);
}

void Tab_set::on_lineEdit_96_selectionChanged()
{
    stsCalibration(ui->lineEdit_96, 1);
}

void Tab_set::on_lineEdit_97_selectionChanged()
{
    stsCalibration(ui->lineEdit_97, 2);
}

void Tab_set::on_lineEdit_98_selectionChanged()
{
    stsCalibration(ui->lineEdit_98, 3);
}

void Tab_set::on_lineEdit_99_selectionChanged()
{
    stsCalibration(ui->lineEdit_99, 4);
}

void Tab_set::on_lineEdit_100_selectionChanged()
{
    stsCalibration(ui->lineEdit_100, 5);
}

void Tab_set::on_lineEdit_101_selectionChanged()
{
    stsCalibration(ui->lineEdit_101, 6);
}

void Tab_set::on_lineEdit_102_selectionChanged()
{
    stsCalibration(ui->lineEdit_102, 7);
}

void Tab_set::on_lineEdit_103_selectionChanged()
{
    stsCalibration(ui->lineEdit_103, 8);
}

void Tab_set::on_lineEdit_104_selectionChanged()
{
    stsCalibration(ui->lineEdit_104, 9);
}

void Tab_set::on_lineEdit_105_selectionChanged()
{
    stsCalibration(ui->lineEdit_105, 10);
}

void Tab_set::on_lineEdit_106_selectionChanged()
{
    stsCalibration(ui->lineEdit_106, 11);
}

void Tab_set::on_lineEdit_107_selectionChanged()
{
    stsCalibration(ui->lineEdit_107, 12);
}
