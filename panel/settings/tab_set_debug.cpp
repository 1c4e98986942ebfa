// AC debug (sub-page 7) and DC debug (sub-page 8) sub-pages: the debug words and measured values
// of the module picked in the container, and the calibration of its measurements against a
// reference instrument.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "devicedata.h"
#include "globalvar.h"
#include "keypad.h"
#include "writepoll.h"

#include <QLabel>
#include <QLineEdit>
#include <cmath>

namespace {
QString fixed(float v, int decimals)
{
    return QString::number(double(v), 'f', decimals);
}

// What the device leaves in the value is shown, whatever the read returned.
float analogRead(DeviceData* device, int module, int index)
{
    float v = 0;
    if (device)
        device->getAnalog(module, index, &v);
    return v;
}

float configRead(DeviceData* device, int module, int index)
{
    float v = 0;
    if (device)
        device->getConfig(module, index, &v);
    return v;
}

const float kWordMax = 65535.0f;
}

const int Tab_set::acindex[16][2] = {
    { 201, 6 }, { 202, 7 }, { 203, 8 }, { 204, 9 }, { 205, 10 }, { 206, 11 }, { 217, 65 }, { 218, 66 },
    { 219, 67 }, { 220, 36 }, { 221, 37 }, { 222, 38 }, { 207, 27 }, { 208, 28 }, { 209, 5 }, { 210, 4 },
};

const int Tab_set::dcindex[5][2] = {
    { 70, 4 }, { 71, 1 }, { 72, 0 }, { 73, 3 }, { 74, 2 },
};

float Tab_set::calibrationCoefficient(float reading, float coefficient, float typed)
{
    if (reading == 0)
        return 1.0f;
    const float k = typed / reading * coefficient;
    // A coefficient never set (0) or a reading gone wrong starts the channel again from 1.
    if (k == 0 || !std::isfinite(k))
        return 1.0f;
    if (k > 1.1f)
        return 1.1f;
    if (k < 0.9f)
        return 0.9f;
    return k;
}

void Tab_set::calibrate(DeviceData* device, int module, int config, int analog, float typed, bool sts)
{
    // A keypad text that was no number is never a true value.
    if (typed == float(KeyPad::invalidValue))
        return;
    const float reading = analogRead(device, module, analog);
    const float coefficient = configRead(device, module, config);
    const float next = calibrationCoefficient(reading, coefficient, typed);
    if (sts)
        _setSts(module, config, next);
    else
        writeReported(device, module, config, next, true);
}

bool Tab_set::calibrationEntry(QLineEdit* field, float* typed)
{
    entryStarted();
    KeyPad pad(this);
    if (pad.exec() != 1)
        return false;
    const float v = pad.value2float();
    if (v == float(KeyPad::invalidValue))
        return false;
    field->setText(fixed(v, 1));
    *typed = v;
    return true;
}

// ---- AC debug ------------------------------------------------------------------------------

void Tab_set::fresh_acdebug(int page)
{
    if (page == 1)
        _fresh_acdebug1();
    else if (page == 2)
        _fresh_acdebug2();
    else if (page == 3)
        _fresh_acdebug3();
}

void Tab_set::_fresh_acdebug1()
{
    const int m = acDebugModule;
    if (!acView || acView->getStatus(m, 0) != 1)
        currentWidget()->setEnabled(false);
    QLineEdit* const words[6] = { ui->lineEdit_34, ui->lineEdit_35, ui->lineEdit_36, ui->lineEdit_37,
        ui->lineEdit_38, ui->lineEdit_39 };
    for (int i = 0; i < 6; ++i)
        words[i]->setText(fixed(configRead(acView, m, 211 + i), 0));
    ui->label_80->setText(fixed(analogRead(acView, m, 29), 0));
    ui->label_77->setText(fixed(analogRead(acView, m, 30), 0));
    ui->label_79->setText(fixed(analogRead(acView, m, 31), 0));
}

void Tab_set::_fresh_acdebug2()
{
    QLabel* const readings[9] = { ui->label_286, ui->label_287, ui->label_288, ui->label_289, ui->label_290,
        ui->label_291, ui->label_292, ui->label_293, ui->label_294 };
    QLabel* const coefficients[9] = { ui->label_231, ui->label_232, ui->label_234, ui->label_236, ui->label_238,
        ui->label_240, ui->label_242, ui->label_244, ui->label_246 };
    const int m = acDebugModule;
    // The container never offers calibration below level 3.
    if (!acView || acView->getStatus(m, 0) == 0 || keyword_right <= 2)
        currentWidget()->setEnabled(false);
    for (int k = 0; k < 9; ++k) {
        readings[k]->setText(fixed(analogRead(acView, m, acindex[k][1]), 1));
        coefficients[k]->setText(fixed(configRead(acView, m, acindex[k][0]), 3));
    }
}

void Tab_set::_fresh_acdebug3()
{
    QLabel* const readings[7] = { ui->label_295, ui->label_296, ui->label_297, ui->label_298, ui->label_299,
        ui->label_300, ui->label_301 };
    QLabel* const coefficients[7] = { ui->label_249, ui->label_250, ui->label_252, ui->label_254, ui->label_256,
        ui->label_258, ui->label_260 };
    const int m = acDebugModule;
    if (!acView || acView->getStatus(m, 0) == 0 || keyword_right <= 2)
        currentWidget()->setEnabled(false);
    for (int k = 0; k < 7; ++k) {
        readings[k]->setText(fixed(analogRead(acView, m, acindex[9 + k][1]), 1));
        coefficients[k]->setText(fixed(configRead(acView, m, acindex[9 + k][0]), 3));
    }
}

void Tab_set::_acDebug(int k, float typed)
{
    if (k < 1 || k > 16)
        return;
    calibrate(acView, acDebugModule, acindex[k - 1][0], acindex[k - 1][1], typed, false);
}

void Tab_set::__acDebug(int index, float value)
{
    writeReported(acView, acDebugModule, index, value, true);
}

void Tab_set::acCalibration(QLineEdit* field, int k)
{
    float typed;
    if (calibrationEntry(field, &typed))
        _acDebug(k, typed);
}

void Tab_set::acDebugWord(int index)
{
    int v;
    if (askInt(QString(), 0, 65535, &v))
        __acDebug(index, float(v));
}

void Tab_set::on_lineEdit_34_selectionChanged()
{
    acDebugWord(211);
}

void Tab_set::on_lineEdit_35_selectionChanged()
{
    acDebugWord(212);
}

void Tab_set::on_lineEdit_36_selectionChanged()
{
    acDebugWord(213);
}

void Tab_set::on_lineEdit_37_selectionChanged()
{
    acDebugWord(214);
}

void Tab_set::on_lineEdit_38_selectionChanged()
{
    acDebugWord(215);
}

void Tab_set::on_lineEdit_39_selectionChanged()
{
    acDebugWord(216);
}

void Tab_set::on_lineEdit_108_selectionChanged()
{
    acCalibration(ui->lineEdit_108, 1);
}

void Tab_set::on_lineEdit_109_selectionChanged()
{
    acCalibration(ui->lineEdit_109, 2);
}

void Tab_set::on_lineEdit_110_selectionChanged()
{
    acCalibration(ui->lineEdit_110, 3);
}

void Tab_set::on_lineEdit_111_selectionChanged()
{
    acCalibration(ui->lineEdit_111, 4);
}

void Tab_set::on_lineEdit_112_selectionChanged()
{
    acCalibration(ui->lineEdit_112, 5);
}

void Tab_set::on_lineEdit_113_selectionChanged()
{
    acCalibration(ui->lineEdit_113, 6);
}

void Tab_set::on_lineEdit_114_selectionChanged()
{
    acCalibration(ui->lineEdit_114, 7);
}

void Tab_set::on_lineEdit_115_selectionChanged()
{
    acCalibration(ui->lineEdit_115, 8);
}

void Tab_set::on_lineEdit_116_selectionChanged()
{
    acCalibration(ui->lineEdit_116, 9);
}

void Tab_set::on_lineEdit_117_selectionChanged()
{
    acCalibration(ui->lineEdit_117, 10);
}

void Tab_set::on_lineEdit_118_selectionChanged()
{
    acCalibration(ui->lineEdit_118, 11);
}

void Tab_set::on_lineEdit_119_selectionChanged()
{
    acCalibration(ui->lineEdit_119, 12);
}

void Tab_set::on_lineEdit_120_selectionChanged()
{
    acCalibration(ui->lineEdit_120, 13);
}

void Tab_set::on_lineEdit_121_selectionChanged()
{
    acCalibration(ui->lineEdit_121, 14);
}

void Tab_set::on_lineEdit_122_selectionChanged()
{
    acCalibration(ui->lineEdit_122, 15);
}

void Tab_set::on_lineEdit_123_selectionChanged()
{
    acCalibration(ui->lineEdit_123, 16);
}

// ---- DC debug ------------------------------------------------------------------------------

void Tab_set::fresh_dcdebug(int page)
{
    (void)page;
    const int m = dcDebugModule;
    if (!dcView || dcView->getStatus(m, 100) != 1)
        currentWidget()->setEnabled(false);
    // Calibration is for level 3 and above; below it the debug rows move up in its place.
    if (keyword_right > 2) {
        ui->widget_2->show();
        ui->widget->move(100, 220);
    } else {
        ui->widget_2->hide();
        ui->widget->move(100, 50);
    }
    QLabel* const readings[5] = { ui->label_304, ui->label_305, ui->label_306, ui->label_307, ui->label_308 };
    QLabel* const coefficients[5] = { ui->label_95, ui->label_96, ui->label_99, ui->label_100, ui->label_102 };
    for (int k = 0; k < 5; ++k) {
        readings[k]->setText(fixed(analogRead(dcView, m, dcindex[k][1]), 1));
        coefficients[k]->setText(fixed(configRead(dcView, m, dcindex[k][0]), 3));
    }
    ui->label_309->setText(fixed(analogRead(dcView, m, 12), 0));
    ui->label_310->setText(fixed(analogRead(dcView, m, 13), 0));
    ui->label_311->setText(fixed(analogRead(dcView, m, 14), 0));
    // Each field shows the word it writes (field number + 69), so a value typed reappears in place.
    QLineEdit* const words[6] = { ui->lineEdit_45, ui->lineEdit_46, ui->lineEdit_47, ui->lineEdit_48,
        ui->lineEdit_49, ui->lineEdit_50 };
    for (int i = 0; i < 6; ++i)
        words[i]->setText(fixed(configRead(dcView, m, 75 + i), 0));
}

void Tab_set::_dcDebug(int k, float typed)
{
    if (k >= 1 && k <= 5) {
        calibrate(dcView, dcDebugModule, dcindex[k - 1][0], dcindex[k - 1][1], typed, false);
        return;
    }
    if (k < 6 || k > 11 || typed == float(KeyPad::invalidValue))
        return;
    float word = typed;
    if (word > kWordMax)
        word = kWordMax;
    if (word < 0)
        word = 0;
    writeReported(dcView, dcDebugModule, k + 69, word, true);
}

void Tab_set::dcCalibration(QLineEdit* field, int k)
{
    float typed;
    if (calibrationEntry(field, &typed))
        _dcDebug(k, typed);
}

void Tab_set::dcDebugWord(int k)
{
    entryStarted();
    KeyPad pad(this);
    if (pad.exec() != 1)
        return;
    const float v = pad.value2float();
    if (v == float(KeyPad::invalidValue))
        return;
    _dcDebug(k, v);
}

void Tab_set::on_lineEdit_40_selectionChanged()
{
    dcCalibration(ui->lineEdit_40, 1);
}

void Tab_set::on_lineEdit_41_selectionChanged()
{
    dcCalibration(ui->lineEdit_41, 2);
}

void Tab_set::on_lineEdit_42_selectionChanged()
{
    dcCalibration(ui->lineEdit_42, 3);
}

void Tab_set::on_lineEdit_43_selectionChanged()
{
    dcCalibration(ui->lineEdit_43, 4);
}

void Tab_set::on_lineEdit_44_selectionChanged()
{
    dcCalibration(ui->lineEdit_44, 5);
}

void Tab_set::on_lineEdit_45_selectionChanged()
{
    dcDebugWord(6);
}

void Tab_set::on_lineEdit_46_selectionChanged()
{
    dcDebugWord(7);
}

void Tab_set::on_lineEdit_47_selectionChanged()
{
    dcDebugWord(8);
}

void Tab_set::on_lineEdit_48_selectionChanged()
{
    dcDebugWord(9);
}

void Tab_set::on_lineEdit_49_selectionChanged()
{
    dcDebugWord(10);
}

void Tab_set::on_lineEdit_50_selectionChanged()
{
    dcDebugWord(11);
}
