// Basic settings (sub-page 0): the dispatch set-points of the cabinet and of one DC branch, and
// the basic DC parameters of a branch laid out by its DC input type.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "devicedata.h"
#include "globalvar.h"
#include "helpdialog.h"
#include "monitorset.h"
#include "tab_set_rows.h"

#include <QtGlobal>
#include <stdio.h>

using tabsetrows::enableRow;
using tabsetrows::showRow;

namespace {
enum { kAcDispatch, kDcDispatch, kBranchDispatch };
enum { kLithium, kPv, kSuperCap, kDcSource, kLeadAcid };
const int kDispatchModule = 20;
// The reactive-power mode "disabled" as the converter stores it.
const int kReactiveOff = 255;
}

void Tab_set::fresh_basicset(int page)
{
    if (page != 1)
        return;
    auto activeMode = [this](bool on) { enableRow({ ui->label_394, ui->comboBox_29 }, on); };
    auto reactiveMode = [this](bool on) { enableRow({ ui->label_392, ui->comboBox_16 }, on); };
    auto activePower = [this](bool on) { enableRow({ ui->label_33, ui->lineEdit_21, ui->label_36 }, on); };
    auto reactivePower = [this](bool on) { enableRow({ ui->label_32, ui->lineEdit_20, ui->label_37 }, on); };
    auto powerFactor = [this](bool on) { enableRow({ ui->label_39, ui->lineEdit_29 }, on); };
    auto branchPower = [this](bool on) { enableRow({ ui->label_360, ui->lineEdit_184, ui->label_362 }, on); };
    auto dcMode = [this](bool on) { enableRow({ ui->label_395, ui->comboBox_17 }, on); };
    auto dcCurrent = [this](bool on) { enableRow({ ui->label_373, ui->lineEdit_186, ui->label_376 }, on); };
    auto dcPower = [this](bool on) { enableRow({ ui->label_378, ui->lineEdit_187, ui->label_380 }, on); };

    float reactive = 0;
    const bool reactiveRead = readConfig(acView, 0, 94, &reactive);
    auto reactiveChoice = [&]() {
        const int mode = reactiveRead ? int(reactive) : -1;
        powerFactor(mode == 0 || mode == 3);
        reactivePower(mode == 1 || mode == 2);
    };
    const bool viaAcDc = set[24].value == 1;
    const float dcModeValue
        = viaAcDc ? configOf(acView, basicDcModule, 95) : configOf(dcView, basicDcModule, 26);

    switch (set[54].value) {
    case kAcDispatch:
        ui->groupBox_13->setEnabled(false);
        activeMode(true);
        reactiveMode(true);
        activePower(true);
        reactivePower(true);
        powerFactor(true);
        reactiveChoice();
        break;
    case kDcDispatch:
        ui->groupBox_13->setEnabled(true);
        activeMode(false);
        reactiveMode(false);
        activePower(false);
        reactivePower(false);
        powerFactor(false);
        branchPower(false);
        dcMode(true);
        dcCurrent(int(dcModeValue) == 0);
        dcPower(int(dcModeValue) != 0);
        break;
    case kBranchDispatch:
        ui->groupBox_13->setEnabled(true);
        activeMode(true);
        reactiveMode(true);
        reactivePower(true);
        powerFactor(true);
        activePower(false);
        branchPower(set[24].value != 0);
        dcMode(false);
        dcCurrent(false);
        dcPower(false);
        reactiveChoice();
        break;
    default:
        break;
    }
    // With every branch set together only the first branch's position takes entries.
    ui->dc_basic_widget->setEnabled(!(set[7].value == 0 && basicDcModule > 1001));

    showRow(ui->comboBox_10, acConfig(108));
    showRow(ui->comboBox_29, acConfig(145));
    showRow(ui->comboBox_16, !reactiveRead || int(reactive) == kReactiveOff ? 0.0f : reactive + 1);
    ui->lineEdit_21->setText(QString::number(analogOf(acView, 0, 47), 'f', 1));
    ui->lineEdit_20->setText(QString::number(analogOf(acView, 0, 48), 'f', 1));
    ui->lineEdit_29->setText(QString::number(analogOf(acView, 0, 70), 'f', 2));
    // Rows beyond the cabinet's branches go for good; an empty picker would show no branch at
    // all, and rows 9 and 10 would address branches no write reaches. A branch that is gone
    // falls back to the first, as on the DC sub-page.
    const int branches = branchCount();
    ui->comboBox_2->setMaxCount(branches);
    if (basicDcModule - 1000 > ui->comboBox_2->count()) {
        ui->comboBox_2->setCurrentIndex(0);
        basicDcModule = 1001;
    }
    ui->lineEdit_184->setText(QString::number(analogOf(acView, basicDcModule, 47), 'f', 1));
    showRow(ui->comboBox_17, dcModeValue);
    const float current = viaAcDc ? analogOf(acView, basicDcModule, 51) : analogOf(dcView, basicDcModule, 23);
    const float power = viaAcDc ? analogOf(acView, basicDcModule, 52) : analogOf(dcView, basicDcModule, 24);
    ui->lineEdit_186->setText(QString::number(current, 'f', 1));
    ui->lineEdit_187->setText(QString::number(power, 'f', 1));
}

void Tab_set::fresh_basic_dc()
{
    const int type = dcInTypeOf(dcTypeModule);
    QWidget* const low[] = { ui->label_69, ui->lineEdit_51, ui->label_38 };
    QWidget* const end[] = { ui->label_412, ui->lineEdit_171, ui->label_56 };
    QWidget* const top[] = { ui->label_59, ui->lineEdit_55, ui->label_41 };
    QWidget* const cutoff[] = { ui->label_410, ui->lineEdit_169, ui->label_53 };
    QWidget* const charge[] = { ui->label_118, ui->lineEdit_168, ui->label_54 };
    QWidget* const discharge[] = { ui->label_364, ui->lineEdit_148, ui->label_55 };
    QWidget* const floatRow[] = { ui->label_60, ui->lineEdit_182, ui->label_51 };
    QWidget* const wake[] = { ui->label_390, ui->lineEdit_183, ui->label_57 };
    auto enable = [](QWidget* const(&r)[3], bool on) {
        for (QWidget* w : r)
            w->setEnabled(on);
    };
    auto showRowOf = [](QWidget* const(&r)[3], bool on) {
        for (QWidget* w : r)
            w->setVisible(on);
    };

    switch (type) {
    case kLithium:
    case kSuperCap:
        ui->widget_dc->show();
        ui->widget_acid->hide();
        ui->label_69->setText(tr("直流下限电压"));
        ui->label_412->setText(tr("放电终止电压"));
        ui->label_59->setText(tr("均充电压"));
        for (auto* r : { &low, &end, &top, &cutoff, &charge, &discharge })
            enable(*r, true);
        showRowOf(floatRow, false);
        showRowOf(wake, false);
        break;
    case kPv:
        ui->widget_dc->show();
        ui->widget_acid->hide();
        ui->label_69->setText(tr("MPPT下限电压"));
        ui->label_412->setText(tr("休眠电压"));
        ui->label_59->setText(tr("光伏最大电压"));
        ui->label_60->setText(tr("MPPT上限电压"));
        for (auto* r : { &low, &end, &top, &floatRow, &discharge })
            enable(*r, true);
        enable(cutoff, false);
        enable(charge, false);
        showRowOf(floatRow, true);
        showRowOf(wake, true);
        break;
    case kDcSource:
        ui->widget_dc->show();
        ui->widget_acid->hide();
        ui->label_69->setText(tr("直流下限电压"));
        ui->label_412->setText(tr("放电终止电压"));
        ui->label_59->setText(tr("直流电压上限"));
        ui->label_60->setText(tr("直流输出电压"));
        enable(low, false);
        enable(end, false);
        enable(cutoff, false);
        for (auto* r : { &top, &charge, &discharge, &floatRow })
            enable(*r, true);
        showRowOf(floatRow, true);
        showRowOf(wake, false);
        break;
    case kLeadAcid:
        ui->widget_dc->hide();
        ui->widget_acid->move(0, 60);
        ui->widget_acid->show();
        break;
    default:
        break;
    }
}

// Cabinet dispatch.

void Tab_set::on_comboBox_10_activated(int row)
{
    setAc(108, row);
    setDc(21, row);
    set[54].value = row;
    savemonitorset();
}

void Tab_set::on_comboBox_29_activated(int row)
{
    setAc(145, row);
}

void Tab_set::on_comboBox_16_activated(int row)
{
    setAc(94, row == 0 ? kReactiveOff : row - 1);
}

void Tab_set::dispatchSetpoint(int module, int index, float v)
{
    const int r = dcView ? dcView->setting(module, index, v, 0) : -1;
    emit sendcommond(r == 0 ? 3 : 4);
}

void Tab_set::on_lineEdit_21_selectionChanged()
{
    float v;
    if (askFloat(tr("正代表充电,负代表放电,-770.0~770.0kW,默认0.0"), -770, 770, &v))
        dispatchSetpoint(kDispatchModule, 87, v);
}

void Tab_set::on_lineEdit_20_selectionChanged()
{
    float v;
    if (askFloat(tr("正代表感性无功,负代表容性无功,  -770.0~+770.0kVAr,默认0.0"), -770, 770, &v))
        dispatchSetpoint(kDispatchModule, 76, v);
}

void Tab_set::on_lineEdit_29_selectionChanged()
{
    float v;
    if (askFloat(tr("正代表吸收感性，负代表吸收容性  -1.00~+1.00,默认1.00"), -1, 1, &v))
        dispatchSetpoint(kDispatchModule, 85, v);
}

// Branch dispatch.

void Tab_set::on_comboBox_2_activated(int row)
{
    basicDcModule = 1001 + row;
}

void Tab_set::branchSetpoint(const QString& hint, float limit, int index)
{
    float v;
    if (askFloat(hint, -limit, limit, &v))
        dispatchSetpoint(set[7].value != 0 ? basicDcModule : 0, index, v);
}

void Tab_set::on_lineEdit_184_selectionChanged()
{
    branchSetpoint(tr("-770.0kW ~770.0kW"), 770, 1002);
}

void Tab_set::on_comboBox_17_activated(int row)
{
    if (set[24].value == 1)
        basic_setDc_byAc(95, row);
    else
        basic_setDc_byDc(26, row);
}

void Tab_set::on_lineEdit_186_selectionChanged()
{
    branchSetpoint(tr("+代表充电，-代表放电。-1500.0A~1500.0A，默认0"), 1500, 1001);
}

void Tab_set::on_lineEdit_187_selectionChanged()
{
    branchSetpoint(tr("+代表充电，-代表放电。-1000.0~1000.0kW，默认0"), 1000, 1000);
}

// Basic DC parameters (form page 26).

void Tab_set::on_comboBox_activated(int row)
{
    dcTypeModule = 1001 + row;
    fresh_basic_dc();
}

void Tab_set::basicDcWrite(int acIndex, int dcIndex, float v)
{
    if (set[24].value == 1)
        basic_setDc_byAc(acIndex, v);
    else
        basic_setDc_byDc(dcIndex, v);
}

void Tab_set::basicDcEntry(const QString& hint, float lo, float hi, int acIndex, int dcIndex)
{
    float v;
    if (askFloat(hint, lo, hi, &v))
        basicDcWrite(acIndex, dcIndex, v);
}

// A voltage limit ranged by one of the three dcParam triples (0, 1 or 2).
void Tab_set::basicDcLimit(int triple, int acIndex, int dcIndex)
{
    const int* t = dcParam + 3 * triple;
    basicDcEntry(tr("%1.0~%2.0V, 默认%3.0").arg(t[0]).arg(t[1]).arg(t[2]), float(t[0]), float(t[1]), acIndex, dcIndex);
}

void Tab_set::on_lineEdit_51_selectionChanged()
{
    basicDcLimit(0, 90, 30);
}

void Tab_set::on_lineEdit_171_selectionChanged()
{
    basicDcEntry(tr("30.0~900.0V，默认300.0"), 30, 900, 123, 46);
}

void Tab_set::on_lineEdit_55_selectionChanged()
{
    basicDcLimit(2, 101, 37);
}

void Tab_set::on_lineEdit_169_selectionChanged()
{
    basicDcEntry(tr("0.0~250.0A，默认0.0"), 0, 250, 120, 33);
}

void Tab_set::on_lineEdit_168_selectionChanged()
{
    basicDcEntry(tr("0.0~1500.0A，默认50.0"), 0, 1500, 103, 24);
}

void Tab_set::on_lineEdit_148_selectionChanged()
{
    basicDcEntry(tr("0.0~1500.0A，默认50.0"), 0, 1500, 121, 44);
}

void Tab_set::on_lineEdit_182_selectionChanged()
{
    basicDcLimit(1, 93, 27);
}

void Tab_set::on_lineEdit_183_selectionChanged()
{
    basicDcEntry(tr("30.0~900.0V，默认30.0"), 30, 900, 122, 45);
}

// Each derived value is its own write with its own tip.
void Tab_set::leadAcidWrites(float v, const int* acIndex, const int* dcIndex, const double* factor)
{
    for (int i = 0; i < 6; ++i)
        basicDcWrite(acIndex[i], dcIndex[i], float(factor[i] * v));
}

void Tab_set::on_lineEdit_181_selectionChanged()
{
    float capacity;
    if (!askFloat(tr("1-2400Ah，默认30"), 1, 2400, &capacity))
        return;
    static const int ac[6] = { 117, 103, 121, 119, 102, 120 };
    static const int dc[6] = { 41, 24, 44, 43, 38, 33 };
    static const double factor[6] = { 1, 0.15, 1, 0.05, 0.02, 0 };
    leadAcidWrites(capacity, ac, dc, factor);
}

void Tab_set::on_lineEdit_170_selectionChanged()
{
    float cells;
    if (!askFloat(tr("1~396cell，默认180"), 1, 396, &cells))
        return;
    static const int ac[6] = { 118, 101, 93, 90, 123, 116 };
    static const int dc[6] = { 42, 37, 27, 30, 46, 40 };
    static const double factor[6] = { 1, 2.3, 2.2, 1.65, 1.8, 1.65 };
    leadAcidWrites(cells, ac, dc, factor);
}

void Tab_set::showHelp()
{
    HelpDialog help(this);
    help.exec();
}

void Tab_set::on_pushButton_11_clicked()
{
    showHelp();
}
