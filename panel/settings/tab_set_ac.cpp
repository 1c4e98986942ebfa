// AC parameters (sub-page 4): control modes and set-points, ramp rates, the certification
// (grid-code) entries whose captions, hints, ranges and often indices come from uiRzData, and
// the local anti-backflow and power-factor control.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "devicedata.h"
#include "monitorset.h"
#include "nametables.h"
#include "tab_set_rows.h"

#include <QCoreApplication>
#include <math.h>
#include <stdio.h>

using tabsetrows::showRow;

namespace {
const int kDispatchModule = 20;
const int kReactiveOff = 255;
// Stand-ins in the table below for the row's own indices.
const int kOwn = -1;
const int kNoSts = -2;
enum Shown { kConfig, kShowSlot0, kShowSlot1 };

// One certification entry: the row it takes caption, hint and range from, the configuration
// it shows, the AC/DC index and switch index it writes, and the refresher of its page.
struct CertField {
    int edit;
    int row;
    int read;
    int acWrite;
    int stsWrite;
    int decimals;
    Shown shown;
    int refresher;
};

const CertField kCertFields[] = {
    // Voltage protection.
    { 56, 0, 81, 81, 60, 2, kConfig, 3 }, { 57, 1, 130, 130, 70, 2, kConfig, 3 },
    { 58, 2, 131, 131, 61, 2, kConfig, 3 }, { 59, 3, 132, 132, 71, 2, kConfig, 3 },
    { 60, 4, 82, 82, 63, 2, kConfig, 3 }, { 61, 5, 133, 133, 72, 2, kConfig, 3 },
    { 62, 6, 134, 134, 64, 2, kConfig, 3 }, { 63, 7, 135, 135, 73, 2, kConfig, 3 },
    { 64, 8, 136, 136, 65, 2, kConfig, 3 }, { 65, 9, 137, 137, 74, 2, kConfig, 3 },
    { 175, 10, 264, 264, 62, 2, kConfig, 3 },
    // Frequency protection.
    { 66, 11, 83, 83, 66, 2, kConfig, 4 }, { 67, 12, 138, 138, 75, 2, kConfig, 4 },
    { 68, 13, 139, 139, 67, 2, kConfig, 4 }, { 69, 14, 140, 140, 76, 2, kConfig, 4 },
    { 70, 15, 84, 84, 68, 2, kConfig, 4 }, { 71, 16, 141, 141, 77, 2, kConfig, 4 },
    { 72, 17, 142, 142, 69, 2, kConfig, 4 }, { 73, 18, 143, 143, 78, 2, kConfig, 4 },
    // Voltage ride-through (the power-factor curve with grid code 2).
    { 124, 19, kOwn, kOwn, kOwn, 2, kConfig, 5 }, { 125, 21, kOwn, kOwn, kOwn, 2, kConfig, 5 },
    { 126, 23, kOwn, kOwn, kOwn, 2, kConfig, 5 }, { 127, 25, kOwn, kOwn, kOwn, 2, kConfig, 5 },
    { 128, 27, kOwn, 150, kOwn, 2, kConfig, 5 }, { 138, 20, kOwn, kOwn, kOwn, 2, kConfig, 5 },
    { 140, 22, kOwn, kOwn, kOwn, 2, kConfig, 5 }, { 134, 24, kOwn, kOwn, kOwn, 2, kConfig, 5 },
    { 136, 26, kOwn, kOwn, kOwn, 2, kConfig, 5 }, { 135, 28, kOwn, 161, kOwn, 2, kConfig, 5 },
    // Frequency ride-through.
    { 129, 29, 151, 151, kOwn, 2, kConfig, 6 }, { 130, 31, 152, 152, kOwn, 2, kConfig, 6 },
    { 131, 33, 153, 153, kOwn, 2, kConfig, 6 }, { 132, 35, 154, 154, kOwn, 2, kConfig, 6 },
    // The two times the module keeps to one decimal show what was typed, to two.
    { 133, 30, 162, 162, kOwn, 1, kConfig, 6 }, { 137, 32, 163, 163, kOwn, 2, kShowSlot0, 6 },
    { 139, 34, 164, 164, kOwn, 1, kConfig, 6 }, { 141, 36, 165, 165, kOwn, 2, kShowSlot1, 6 },
    { 161, 37, 179, 179, kOwn, 2, kConfig, 6 }, { 162, 38, 180, 180, kOwn, 2, kConfig, 6 },
    // Volt-var.
    { 147, 39, 166, 166, kNoSts, 2, kConfig, 7 }, { 149, 40, 167, 167, kNoSts, 2, kConfig, 7 },
    { 143, 41, 168, 168, kNoSts, 2, kConfig, 7 }, { 145, 42, 169, 169, kNoSts, 2, kConfig, 7 },
    { 144, 46, 170, 170, kNoSts, 2, kConfig, 7 }, { 142, 43, 171, 171, kNoSts, 2, kConfig, 7 },
    { 153, 45, 181, 181, kNoSts, 2, kConfig, 7 }, { 154, 44, 182, 182, kNoSts, 2, kConfig, 7 },
    { 155, 47, 186, 186, kNoSts, 2, kConfig, 7 }, { 156, 48, 188, 188, kNoSts, 2, kConfig, 7 },
    // Volt-watt and frequency-watt.
    { 146, 49, 172, 172, kNoSts, 2, kConfig, 8 }, { 152, 50, 174, 174, kNoSts, 2, kConfig, 8 },
    { 150, 55, 175, 175, kNoSts, 2, kConfig, 8 }, { 151, 56, 176, 176, kNoSts, 2, kConfig, 8 },
    { 163, 57, 189, 189, kNoSts, 2, kConfig, 8 }, { 157, 51, 183, 183, kNoSts, 2, kConfig, 8 },
    { 158, 52, 184, 184, kNoSts, 2, kConfig, 8 }, { 159, 53, 185, 185, kNoSts, 2, kConfig, 8 },
    { 160, 54, kOwn, kOwn, kNoSts, 2, kConfig, 8 }, { 176, 58, 261, 261, kNoSts, 2, kConfig, 8 },
    { 177, 59, 262, 262, kNoSts, 2, kConfig, 8 }, { 178, 60, 263, 263, kNoSts, 2, kConfig, 8 },
};

const CertField* certField(int edit)
{
    for (const CertField& f : kCertFields)
        if (f.edit == edit)
            return &f;
    return nullptr;
}

// Refresher of each page number (rows) by grid code (columns); 0 refreshes nothing.
const int kAcRefresher[9][4] = {
    { 1, 1, 1, 1 }, { 2, 2, 2, 2 }, { 3, 3, 5, 3 }, { 4, 4, 3, 4 }, { 9, 5, 4, 9 },
    { 0, 6, 7, 0 }, { 0, 7, 8, 0 }, { 0, 8, 9, 0 }, { 9, 9, 9, 9 },
};

// The module keeps these values to a fixed number of decimals; a typed value is cut, not
// rounded, to them. The small lift keeps 0.7 (0.69999999 as a float) from becoming 0.6.
float truncated(float v, double scale)
{
    const double lifted = double(v) * scale + (v >= 0 ? 1e-4 : -1e-4);
    return float(trunc(lifted) / scale);
}

QString na()
{
    return QStringLiteral("N/A");
}
}

void Tab_set::fresh_ac(int page)
{
    if (page < 1 || page > 9)
        return;
    const int code = set[53].value;
    int refresher;
    if (code >= 0 && code <= 3)
        refresher = kAcRefresher[page - 1][code];
    else
        refresher = page == 1 ? 1 : (page == 2 ? 2 : (page == 9 ? 9 : 0));
    switch (refresher) {
    case 1: _fresh_ac1(); break;
    case 2: _fresh_ac2(); break;
    case 3: _fresh_ac3(); break;
    case 4: _fresh_ac4(); break;
    case 5: _fresh_ac5(); break;
    case 6: _fresh_ac6(); break;
    case 7: _fresh_ac7(); break;
    case 8: _fresh_ac8(); break;
    case 9: _fresh_ac9(); break;
    default: break;
    }
}

void Tab_set::showConfig(QLineEdit* edit, int index, int decimals)
{
    float v;
    // A failed read is no value: showing 0 would pass for one.
    edit->setText(readConfig(acView, 0, index, &v) ? QString::number(v, 'f', decimals) : na());
}

void Tab_set::_fresh_ac1()
{
    showRow(ui->comboBox_27, configOf(acView, 0, 145));
    float mode;
    const bool modeRead = readConfig(acView, 0, 94, &mode);
    showRow(ui->comboBox_13, !modeRead || int(mode) == kReactiveOff ? 0.0f : mode + 1);
    ui->lineEdit_15->setText(QString::number(analogOf(acView, 0, 70), 'f', 2));
    ui->lineEdit_16->setText(QString::number(analogOf(acView, 0, 47), 'f', 1));
    ui->lineEdit_17->setText(QString::number(analogOf(acView, 0, 48), 'f', 1));
    showRow(ui->comboBox_18, configOf(acView, 0, 112));
    showConfig(ui->lineEdit_52, 86, 0);
    showConfig(ui->lineEdit_53, 88, 3);
    float v;
    ui->lineEdit_54->setText(readConfig(acView, 0, 100, &v) ? QString::number(showData[2], 'f', 4) : na());
    showRow(ui->comboBox_24, configOf(acView, 0, 113));
}

void Tab_set::_fresh_ac2()
{
    const float fvrt = configOf(acView, 0, 74);
    showRow(ui->comboBox_20, fvrt);
    ui->comboBox_22->setEnabled(fvrt != 0);
    showRow(ui->comboBox_22, configOf(acView, 0, 190));
    showRow(ui->comboBox_25, configOf(acView, 0, 111));
    showRow(ui->comboBox_52, configOf(acView, 0, 273));
    showConfig(ui->lineEdit_18, 97, 2);
}

void Tab_set::refreshCertPage(int refresher)
{
    for (const CertField& f : kCertFields) {
        if (f.refresher != refresher)
            continue;
        QLineEdit* edit = findChild<QLineEdit*>(QString("lineEdit_%1").arg(f.edit));
        if (!edit)
            continue;
        const int index = f.read == kOwn ? uiRzData[f.row].acIdx : f.read;
        float v;
        if (!readConfig(acView, 0, index, &v))
            edit->setText(na());
        else if (f.shown == kShowSlot0)
            edit->setText(QString::number(showData[0], 'f', f.decimals));
        else if (f.shown == kShowSlot1)
            edit->setText(QString::number(showData[1], 'f', f.decimals));
        else
            edit->setText(QString::number(v, 'f', f.decimals));
    }
}

void Tab_set::_fresh_ac3() { refreshCertPage(3); }
void Tab_set::_fresh_ac4() { refreshCertPage(4); }
void Tab_set::_fresh_ac5() { refreshCertPage(5); }
void Tab_set::_fresh_ac6() { refreshCertPage(6); }
void Tab_set::_fresh_ac7() { refreshCertPage(7); }
void Tab_set::_fresh_ac8() { refreshCertPage(8); }

void Tab_set::_fresh_ac9()
{
    float word;
    const bool read = readConfig(acView, 0, 127, &word);
    const int bits = int(word);
    QComboBox* const boxes[3] = { ui->comboBox_19, ui->comboBox_23, ui->comboBox_26 };
    for (int bit = 0; bit < 3; ++bit)
        showRow(boxes[bit], read ? float((bits >> bit) & 1) : -1.0f);
    showConfig(ui->lineEdit_165, 155, 0);
    showConfig(ui->lineEdit_164, 144, 0);
    showConfig(ui->lineEdit_166, 173, 0);
    showConfig(ui->lineEdit_167, 115, 2);
}

// Page 1.

void Tab_set::on_comboBox_27_activated(int row)
{
    setAc(145, row);
}

void Tab_set::on_comboBox_13_activated(int row)
{
    setAc(94, row == 0 ? kReactiveOff : row - 1);
    // The basic page offers the set-point that the chosen mode uses.
    ui->label_39->setEnabled(row == 1);
    ui->lineEdit_29->setEnabled(row == 1);
    ui->label_32->setEnabled(row == 2);
    ui->lineEdit_20->setEnabled(row == 2);
}

void Tab_set::on_lineEdit_15_selectionChanged()
{
    float v;
    if (askFloat(tr("正代表吸收感性，负代表吸收容性  -1.00~+1.00,默认1.00"), -1, 1, &v))
        dispatchSetpoint(kDispatchModule, 85, v);
}

void Tab_set::on_lineEdit_16_selectionChanged()
{
    float v;
    if (askFloat(tr("正代表充电,负代表放电,-770.0~770.0kW,默认0.0"), -770, 770, &v))
        dispatchSetpoint(kDispatchModule, 87, v);
}

void Tab_set::on_lineEdit_17_selectionChanged()
{
    float v;
    if (askFloat(tr("正代表感性无功,负代表容性无功,  -770.0~+770.0kVAr,默认0.0"), -770, 770, &v))
        dispatchSetpoint(kDispatchModule, 76, v);
}

void Tab_set::on_comboBox_18_activated(int row)
{
    setAc(112, row);
}

void Tab_set::on_lineEdit_52_selectionChanged()
{
    int v;
    if (!askInt(tr("0~600s，默认20s"), 0, 600, &v))
        return;
    setAc(86, v);
    setSts(51, v);
}

void Tab_set::on_lineEdit_53_selectionChanged()
{
    const UiRzData& r = uiRzData[61];
    float v;
    if (askFloat(QString::fromUtf8(r.hint), r.minValue, r.maxValue, &v))
        setAc(r.acIdx, v);
}

void Tab_set::on_lineEdit_54_selectionChanged()
{
    float v;
    if (!askFloat(tr("0.001~2.000*额定/s，默认0.020"), 0.001f, 2.0f, &v))
        return;
    // The module keeps three decimals; the page shows what was typed.
    showData[2] = v;
    saveshowData();
    printf("befor data:%f\n", double(v));
    const float cut = truncated(v, 1000);
    printf("after data:%f\n", double(cut));
    setAc(100, cut);
}

void Tab_set::on_comboBox_24_activated(int row)
{
    setAc(113, row);
    setSts(50, row);
}

// Page 2.

void Tab_set::on_comboBox_20_activated(int row)
{
    setAc(74, row);
    setSts(49, row);
}

void Tab_set::on_comboBox_22_activated(int row)
{
    setAc(190, row);
}

void Tab_set::on_comboBox_25_activated(int row)
{
    setAc(111, row);
}

void Tab_set::on_comboBox_52_activated(int row)
{
    setAc(273, row);
}

void Tab_set::on_lineEdit_18_selectionChanged()
{
    float v;
    if (askFloat(tr("0.90~1.10*额定,默认1.00"), 0.9f, 1.1f, &v))
        setAc(97, v);
}

void Tab_set::on_comboBox_21_activated(int row)
{
    setAc(75, row);
}

void Tab_set::on_comboBox_48_activated(int row)
{
    setAc(78, row);
}

// Certification entries.

void Tab_set::certEntry(int edit)
{
    const CertField* f = certField(edit);
    if (!f)
        return;
    const UiRzData& r = uiRzData[f->row];
    float v;
    if (!askFloat(QString::fromUtf8(r.hint), r.minValue, r.maxValue, &v))
        return;
    const int acIndex = f->acWrite == kOwn ? r.acIdx : f->acWrite;
    if (f->shown == kShowSlot0 || f->shown == kShowSlot1) {
        // The module keeps one decimal; the page shows what was typed.
        showData[f->shown == kShowSlot0 ? 0 : 1] = v;
        saveshowData();
        v = truncated(v, 10);
    }
    setAc(acIndex, v);
    if (f->stsWrite == kNoSts)
        return;
    const int stsIndex = f->stsWrite == kOwn ? r.stsIdx : f->stsWrite;
    if (stsIndex != -1)
        setSts(stsIndex, v);
}

#define CERT_ENTRY(n) \
    void Tab_set::on_lineEdit_##n##_selectionChanged() { certEntry(n); }
CERT_ENTRY(56) CERT_ENTRY(57) CERT_ENTRY(58) CERT_ENTRY(59) CERT_ENTRY(60) CERT_ENTRY(61) CERT_ENTRY(62)
CERT_ENTRY(63) CERT_ENTRY(64) CERT_ENTRY(65) CERT_ENTRY(175)
CERT_ENTRY(66) CERT_ENTRY(67) CERT_ENTRY(68) CERT_ENTRY(69) CERT_ENTRY(70) CERT_ENTRY(71) CERT_ENTRY(72)
CERT_ENTRY(73)
CERT_ENTRY(124) CERT_ENTRY(125) CERT_ENTRY(126) CERT_ENTRY(127) CERT_ENTRY(128) CERT_ENTRY(138)
CERT_ENTRY(140) CERT_ENTRY(134) CERT_ENTRY(136) CERT_ENTRY(135)
CERT_ENTRY(129) CERT_ENTRY(130) CERT_ENTRY(131) CERT_ENTRY(132) CERT_ENTRY(133) CERT_ENTRY(137)
CERT_ENTRY(139) CERT_ENTRY(141) CERT_ENTRY(161) CERT_ENTRY(162)
CERT_ENTRY(147) CERT_ENTRY(149) CERT_ENTRY(143) CERT_ENTRY(145) CERT_ENTRY(144) CERT_ENTRY(142)
CERT_ENTRY(153) CERT_ENTRY(154) CERT_ENTRY(155) CERT_ENTRY(156)
CERT_ENTRY(146) CERT_ENTRY(152) CERT_ENTRY(150) CERT_ENTRY(151) CERT_ENTRY(163) CERT_ENTRY(157)
CERT_ENTRY(158) CERT_ENTRY(159) CERT_ENTRY(160) CERT_ENTRY(176) CERT_ENTRY(177) CERT_ENTRY(178)
#undef CERT_ENTRY

// Anti-backflow and local power factor: three switches packed in configuration 127.

void Tab_set::config127Write(int keep, int bit, int row)
{
    float word;
    // Without the current word a write would clear the other two switches.
    if (!readConfig(acView, 0, 127, &word)) {
        printf("config127Write configuration 127 not read, nothing written\n");
        emit sendcommond(4);
        return;
    }
    setAc(127, float((int(word) & keep) | (row << bit)));
}

void Tab_set::on_comboBox_19_activated(int row)
{
    config127Write(6, 0, row);
}

void Tab_set::on_comboBox_23_activated(int row)
{
    config127Write(5, 1, row);
}

void Tab_set::on_comboBox_26_activated(int row)
{
    config127Write(3, 2, row);
}

void Tab_set::on_lineEdit_165_selectionChanged()
{
    float v;
    if (askFloat(tr("0~1500kW，默认0"), 0, 1500, &v))
        setAc(155, v);
}

void Tab_set::on_lineEdit_164_selectionChanged()
{
    float v;
    if (askFloat(tr("1~20000，默认1"), 1, 20000, &v))
        setAc(144, v);
}

void Tab_set::on_lineEdit_166_selectionChanged()
{
    float v;
    if (askFloat(tr("0~100kW，默认5"), 0, 100, &v))
        setAc(173, v);
}

void Tab_set::on_lineEdit_167_selectionChanged()
{
    float v;
    if (!askFloat(tr("0.5~1，-0.5~-1，默认1，正吸收感性，负吸收容性"), -1, 1, &v))
        return;
    // A power factor below 0.5 either way is refused like any value out of range.
    if (fabsf(v) < 0.5f - 1e-5f)
        return;
    setAc(115, v);
}
