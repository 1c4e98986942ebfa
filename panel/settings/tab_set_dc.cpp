// DC parameters (sub-page 5): the parameters of one DC branch, dcModule, kept by the AC/DC
// library (set[24] = 1) or by the DC/DC library, laid out by the branch's DC input type. Lead-acid
// branches get plausibility limits per cell; capacity and cell count set the derived limits.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "devicedata.h"
#include "globalvar.h"
#include "monitorset.h"
#include "racktable.h"
#include "tab_set_rows.h"

#include <QDebug>
#include <stdio.h>

using tabsetrows::showRow;

namespace {
enum { kBattery, kPv, kSuperCap, kDcSource, kLeadAcid };
const int kFirstBranch = 1001;
const int kFlatModules = 11;

// A branch parameter under its AC/DC and its DC/DC index.
struct DcIndex {
    int ac;
    int dc;
};
const DcIndex kLowVoltage = { 90, 30 };
const DcIndex kFloatVoltage = { 93, 27 };
const DcIndex kControlMode = { 95, 26 };
const DcIndex kToppingVoltage = { 101, 37 };
const DcIndex kToppingToFloat = { 102, 38 };
const DcIndex kMaxCharge = { 103, 24 };
const DcIndex kInputType = { 104, 35 };
const DcIndex kPrechargeVoltage = { 116, 40 };
const DcIndex kCapacity = { 117, 41 };
const DcIndex kCells = { 118, 42 };
const DcIndex kMaxPrecharge = { 119, 43 };
const DcIndex kEndOfCharge = { 120, 33 };
const DcIndex kMaxDischarge = { 121, 44 };
const DcIndex kDischargeStart = { 122, 45 };
const DcIndex kEndOfDischarge = { 123, 46 };

// Dispatch set-points of a branch on the DC/DC device, whatever library keeps the parameters.
enum { kDcPowerSetpoint = 1000, kDcCurrentSetpoint = 1001, kBranchPowerSetpoint = 1002 };
}

// What a lead-acid branch allows for an entry: a band per cell, or a multiple of the capacity.
struct Tab_set::LeadAcidLimit {
    enum Kind { None, PerCell, OfCapacity } kind;
    double low;
    double high;
};

float Tab_set::dcBranchConfig(int acIndex, int dcIndex) const
{
    return set[24].value == 1 ? configOf(acView, dcModule, acIndex) : configOf(dcView, dcModule, dcIndex);
}

bool Tab_set::dcBranchOnline() const
{
    const int n = dcModule - 1000;
    for (int i = 1; i <= kFlatModules; ++i) {
        if (set[24].value == 1) {
            if (acView && acView->getStatus(i, 8 + n) == 1 && acView->getStatus(i, 0) == 1)
                return true;
        } else if (dcView && dcView->getStatus(i, 7 + n) == 1 && dcView->getStatus(i, 100) == 1) {
            return true;
        }
    }
    return false;
}

// With every branch set together only branch 1 takes entries; the others only show.
void Tab_set::dcPageState(QWidget* page)
{
    qDebug() << "system " << dcModule << "  online:  " << (dcBranchOnline() ? "true" : "false");
    page->setEnabled(!(set[7].value == 0 && dcModule > kFirstBranch));
}

void Tab_set::fresh_dc(int page)
{
    if (page == 1)
        _fresh_dc1();
    else if (page == 2)
        _fresh_dc2();
}

void Tab_set::_fresh_dc1()
{
    const bool viaAcDc = set[24].value == 1;
    tabsetrows::enableRow({ ui->label_372, ui->lineEdit_185, ui->label_371 }, set[54].value == 2 && set[24].value != 0);
    dcPageState(ui->tab_3);

    auto show = [this](QLineEdit* edit, const DcIndex& at) {
        edit->setText(QString::number(dcBranchConfig(at.ac, at.dc), 'f', 1));
    };
    ui->lineEdit_185->setText(viaAcDc ? QString::number(analogOf(acView, dcModule, 47), 'f', 1) : QString("0.0"));
    show(ui->lineEdit_24, kLowVoltage);
    show(ui->lineEdit_75, kEndOfDischarge);
    show(ui->lineEdit_26, kToppingVoltage);
    show(ui->lineEdit_25, kFloatVoltage);
    show(ui->lineEdit_27, kToppingToFloat);
    show(ui->lineEdit_79, kEndOfCharge);
    show(ui->lineEdit_28, kMaxCharge);
    show(ui->lineEdit_80, kMaxDischarge);
    __fresh_dc1();
}

void Tab_set::__fresh_dc1()
{
    const int type = int(dcBranchConfig(kInputType.ac, kInputType.dc));
    if (type < kBattery || type > kLeadAcid)
        return;
    struct Row {
        QLabel* caption;
        QWidget* field;
    };
    const Row rows[8] = { { ui->label_45, ui->lineEdit_24 }, { ui->label_46, ui->lineEdit_25 },
        { ui->label_47, ui->lineEdit_26 }, { ui->label_48, ui->lineEdit_27 }, { ui->label_171, ui->lineEdit_79 },
        { ui->label_49, ui->lineEdit_28 }, { ui->label_173, ui->lineEdit_80 }, { ui->label_163, ui->lineEdit_75 } };
    // Per type: which rows take entries, and the captions of the four rows a type renames. A
    // super-capacitor is laid out as a battery; a DC source sets its output voltage and upper
    // limit and the two currents, nothing of a battery's discharge or charge end.
    static const char* const enabled[5] = { "10101111", "11100011", "10101111", "01100110", "11111111" };
    static const char* const captions[5][4] = {
        { QT_TR_NOOP("直流下限电压"), QT_TR_NOOP("浮充电压"), QT_TR_NOOP("均充电压"), QT_TR_NOOP("放电终止电压") },
        { QT_TR_NOOP("MPPT下限电压"), QT_TR_NOOP("MPPT上限电压"), QT_TR_NOOP("光伏最大电压"), QT_TR_NOOP("休眠电压") },
        { QT_TR_NOOP("直流下限电压"), QT_TR_NOOP("浮充电压"), QT_TR_NOOP("均充电压"), QT_TR_NOOP("放电终止电压") },
        { QT_TR_NOOP("直流下限电压"), QT_TR_NOOP("直流输出电压"), QT_TR_NOOP("直流电压上限"), QT_TR_NOOP("放电终止电压") },
        { QT_TR_NOOP("直流下限电压"), QT_TR_NOOP("浮充电压"), QT_TR_NOOP("均充电压"), QT_TR_NOOP("放电终止电压") },
    };
    for (int r = 0; r < 8; ++r) {
        const bool on = enabled[type][r] == '1';
        rows[r].caption->setEnabled(on);
        rows[r].field->setEnabled(on);
    }
    QLabel* const renamed[4] = { ui->label_45, ui->label_46, ui->label_47, ui->label_163 };
    for (int i = 0; i < 4; ++i)
        renamed[i]->setText(tr(captions[type][i]));
}

void Tab_set::_fresh_dc2()
{
    dcPageState(ui->tab_11);
    showRow(ui->comboBox_14, dcBranchConfig(kControlMode.ac, kControlMode.dc));
    const bool viaAcDc = set[24].value == 1;
    const float current = viaAcDc ? analogOf(acView, dcModule, 51) : analogOf(dcView, dcModule, 23);
    const float power = viaAcDc ? analogOf(acView, dcModule, 52) : analogOf(dcView, dcModule, 24);
    ui->lineEdit_22->setText(QString::number(current, 'f', 1));
    ui->lineEdit_23->setText(QString::number(power, 'f', 1));
    auto show = [this](QLineEdit* edit, const DcIndex& at, int decimals) {
        edit->setText(QString::number(dcBranchConfig(at.ac, at.dc), 'f', decimals));
    };
    show(ui->lineEdit_74, kDischargeStart, 1);
    show(ui->lineEdit_81, kMaxPrecharge, 1);
    show(ui->lineEdit_76, kPrechargeVoltage, 1);
    show(ui->lineEdit_77, kCapacity, 0);
    show(ui->lineEdit_78, kCells, 0);
    __fresh_dc2();
}

void Tab_set::__fresh_dc2()
{
    const int type = int(dcBranchConfig(kInputType.ac, kInputType.dc));
    if (type < kBattery || type > kLeadAcid)
        return;
    QWidget* const rows[8][2] = { { ui->label_42, ui->comboBox_14 }, { ui->label_43, ui->lineEdit_22 },
        { ui->label_44, ui->lineEdit_23 }, { ui->label_160, ui->lineEdit_74 }, { ui->label_165, ui->lineEdit_76 },
        { ui->label_167, ui->lineEdit_77 }, { ui->label_169, ui->lineEdit_78 }, { ui->label_175, ui->lineEdit_81 } };
    static const char* const enabled[5] = { "11100000", "00010000", "11100000", "00000000", "11101111" };
    for (int r = 0; r < 8; ++r)
        for (QWidget* w : rows[r])
            w->setEnabled(enabled[type][r] == '1');
    // Only the PV layout names this row; the name stays on the disabled row of other types.
    if (type == kPv)
        ui->label_160->setText(tr("唤醒电压"));
}

// Writes one branch parameter through the library that keeps it.
void Tab_set::dcParamWrite(int acIndex, int dcIndex, float v)
{
    if (set[24].value == 1)
        setDc_byAc(acIndex, v);
    else
        setDc_byDc(dcIndex, v);
}

// The lead-acid check reads type, cells and capacity afresh: through the AC/DC library from
// branch 1, through the DC/DC library from the branch shown.
bool Tab_set::leadAcidAllows(float v, const LeadAcidLimit& limit)
{
    if (limit.kind == LeadAcidLimit::None)
        return true;
    const bool viaAcDc = set[24].value == 1;
    DeviceData* device = viaAcDc ? acView : dcView;
    const int branch = viaAcDc ? kFirstBranch : dcModule;
    float type = 0;
    readConfig(device, branch, viaAcDc ? kInputType.ac : kInputType.dc, &type);
    if (int(type) != kLeadAcid)
        return true;
    const DcIndex& basis = limit.kind == LeadAcidLimit::PerCell ? kCells : kCapacity;
    float amount = 0;
    // A rating that cannot be read would give a 0 V or 0 A limit: nothing passes the check then.
    if (!readConfig(device, branch, viaAcDc ? basis.ac : basis.dc, &amount) || !(amount > 0)) {
        printf("leadAcidAllows branch %d: %s unreadable, entry refused\n", branch,
            limit.kind == LeadAcidLimit::PerCell ? "cell count" : "capacity");
        return false;
    }
    // The bounds are compared in the precision of the typed value, as the range checks are: in
    // double a typed 547.2 would lie above 240 x 2.28 and the band's own edge would be refused.
    const float high = float(double(amount) * limit.high);
    if (v > high + 1e-5f)
        return false;
    return limit.kind != LeadAcidLimit::PerCell || v >= float(double(amount) * limit.low) - 1e-5f;
}

void Tab_set::dcParamEntry(const QString& hint, float lo, float hi, int acIndex, int dcIndex, const LeadAcidLimit& limit)
{
    float v;
    if (askFloat(hint, lo, hi, &v) && leadAcidAllows(v, limit))
        dcParamWrite(acIndex, dcIndex, v);
}

// A voltage ranged by one of the three dcParam triples (0, 1 or 2).
void Tab_set::dcLimitEntry(int triple, int acIndex, int dcIndex, double lowPerCell, double highPerCell)
{
    const int* t = dcParam + 3 * triple;
    dcParamEntry(tr("%1.0~%2.0V, 默认%3.0").arg(t[0]).arg(t[1]).arg(t[2]), float(t[0]), float(t[1]), acIndex,
        dcIndex, { LeadAcidLimit::PerCell, lowPerCell, highPerCell });
}

// Sent at once and never polled; only a write the device refuses is reported as failed.
void Tab_set::dcSetpointEntry(const QString& hint, float limit, int index)
{
    float v;
    if (askFloat(hint, -limit, limit, &v))
        dispatchSetpoint(set[7].value != 0 ? dcModule : 0, index, v);
}

// Page 1.

void Tab_set::on_lineEdit_185_selectionChanged()
{
    dcSetpointEntry(tr("-770.0kW ~770.0kW"), 770, kBranchPowerSetpoint);
}

void Tab_set::on_lineEdit_24_selectionChanged()
{
    dcLimitEntry(0, kLowVoltage.ac, kLowVoltage.dc, 1.6, 1.7);
}

void Tab_set::on_lineEdit_75_selectionChanged()
{
    // Without a known upper bound for the cabinet no value is taken.
    int max = 0;
    if (set[24].value == 1)
        max = 900;
    else if (set[25].value == 5091 || currentRackInfo.dcParamSet == 0)
        max = 800;
    else if (currentRackInfo.dcParamSet == 3)
        max = 520;
    dcParamEntry(tr("%1.0~%2.0V, 默认%3.0").arg(30).arg(max).arg(300), 30, float(max), kEndOfDischarge.ac,
        kEndOfDischarge.dc, { LeadAcidLimit::PerCell, 1.75, 1.85 });
}

void Tab_set::on_lineEdit_26_selectionChanged()
{
    dcLimitEntry(2, kToppingVoltage.ac, kToppingVoltage.dc, 2.3, 2.4);
}

void Tab_set::on_lineEdit_25_selectionChanged()
{
    dcLimitEntry(1, kFloatVoltage.ac, kFloatVoltage.dc, 2.2, 2.28);
}

void Tab_set::on_lineEdit_27_selectionChanged()
{
    dcParamEntry(tr("0.0~250.0A，默认0.0"), 0, 250, kToppingToFloat.ac, kToppingToFloat.dc, { LeadAcidLimit::None, 0, 0 });
}

void Tab_set::on_lineEdit_79_selectionChanged()
{
    dcParamEntry(tr("0.0~250.0A，默认0.0"), 0, 250, kEndOfCharge.ac, kEndOfCharge.dc, { LeadAcidLimit::None, 0, 0 });
}

void Tab_set::on_lineEdit_28_selectionChanged()
{
    dcParamEntry(tr("0.0~1500.0A，默认50.0"), 0, 1500, kMaxCharge.ac, kMaxCharge.dc,
        { LeadAcidLimit::OfCapacity, 0, 0.25 });
}

void Tab_set::on_lineEdit_80_selectionChanged()
{
    dcParamEntry(tr("0.0~1500.0A，默认50.0"), 0, 1500, kMaxDischarge.ac, kMaxDischarge.dc,
        { LeadAcidLimit::OfCapacity, 0, 2 });
}

void Tab_set::on_comboBox_15_activated(int row)
{
    dcParamWrite(kInputType.ac, kInputType.dc, row);
}

// Page 2.

void Tab_set::on_comboBox_14_activated(int row)
{
    dcParamWrite(kControlMode.ac, kControlMode.dc, row);
}

void Tab_set::on_lineEdit_22_selectionChanged()
{
    dcSetpointEntry(tr("+代表充电，-代表放电。-1500.0A~1500.0A，默认0"), 1500, kDcCurrentSetpoint);
}

void Tab_set::on_lineEdit_23_selectionChanged()
{
    dcSetpointEntry(tr("+代表充电，-代表放电。-1000.0~1000.0kW，默认0"), 1000, kDcPowerSetpoint);
}

void Tab_set::on_lineEdit_74_selectionChanged()
{
    dcParamEntry(tr("30.0~900.0V，默认30.0"), 30, 900, kDischargeStart.ac, kDischargeStart.dc,
        { LeadAcidLimit::None, 0, 0 });
}

void Tab_set::on_lineEdit_81_selectionChanged()
{
    dcParamEntry(tr("1.0~1500.0A，默认50.0"), 1, 1500, kMaxPrecharge.ac, kMaxPrecharge.dc, { LeadAcidLimit::None, 0, 0 });
}

void Tab_set::on_lineEdit_76_selectionChanged()
{
    dcParamEntry(tr("30.0~900.0V，默认300.0"), 30, 900, kPrechargeVoltage.ac, kPrechargeVoltage.dc,
        { LeadAcidLimit::PerCell, 1.65, 1.75 });
}

// The derived values follow from the typed value alone, each its own write with its own tip.
// GUI events run while each write polls, and the container sets dcModule from its picker at
// every tick: all six still go to the branch the value was typed for.
void Tab_set::on_lineEdit_77_selectionChanged()
{
    float capacity;
    if (!askFloat(tr("1-2400Ah，默认30"), 1, 2400, &capacity))
        return;
    const DcIndex at[6] = { kCapacity, kMaxCharge, kMaxDischarge, kMaxPrecharge, kToppingToFloat, kEndOfCharge };
    static const double factor[6] = { 1, 0.15, 1, 0.05, 0.02, 0 };
    const int branch = dcModule;
    for (int i = 0; i < 6; ++i) {
        dcModule = branch;
        dcParamWrite(at[i].ac, at[i].dc, float(factor[i] * double(capacity)));
    }
}

void Tab_set::on_lineEdit_78_selectionChanged()
{
    float cells;
    if (!askFloat(tr("1~396cell，默认180"), 1, 396, &cells))
        return;
    const DcIndex at[6] = { kCells, kToppingVoltage, kFloatVoltage, kLowVoltage, kEndOfDischarge, kPrechargeVoltage };
    static const double factor[6] = { 1, 2.3, 2.2, 1.65, 1.8, 1.65 };
    const int branch = dcModule;
    for (int i = 0; i < 6; ++i) {
        dcModule = branch;
        dcParamWrite(at[i].ac, at[i].dc, float(factor[i] * double(cells)));
    }
}
