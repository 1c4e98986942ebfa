// Machine-type apply of the settings page: commits the cabinet description at once.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "devicedata.h"
#include "globalvar.h"
#include "monitorset.h"
#include "racktable.h"

#include <QtGlobal>

namespace {
enum { kMachType, kDcInType, kInverterType, kRatedFreq, kRackId, kWorkMode, kSoftStart, kCtrlWord3, kRatedVolt };

// The row chosen, or 0 when the box shows none.
int rowOf(const QComboBox* box)
{
    return qMax(0, box->currentIndex());
}
}

void Tab_set::setParmToDefault(int branch)
{
    const int oldMode = set[7].value;
    const int oldModule = dcModule;
    set[7].value = 1;
    dcModule = branch;
    float capacity = 0;
    float cells = 0;
    if (set[24].value == 1) {
        if (acView) {
            acView->getConfig(branch, 117, &capacity);
            acView->getConfig(branch, 118, &cells);
        }
        const int index[10] = { 101, 93, 90, 123, 116, 103, 121, 119, 102, 120 };
        const double factor[10] = { 2.3, 2.2, 1.65, 1.8, 1.65, 0.15, 1, 0.05, 0.02, 0 };
        for (int i = 0; i < 10; ++i)
            setDc_byAc(index[i], float(factor[i] * (i < 5 ? cells : capacity)));
    } else {
        if (dcView) {
            dcView->getConfig(branch, 41, &capacity);
            dcView->getConfig(branch, 42, &cells);
        }
        const int index[10] = { 37, 27, 30, 46, 40, 24, 44, 43, 38, 33 };
        const double factor[10] = { 2.3, 2.2, 1.65, 1.8, 1.65, 0.15, 1, 0.05, 0.02, 0 };
        for (int i = 0; i < 10; ++i)
            setDc_byDc(index[i], float(factor[i] * (i < 5 ? cells : capacity)));
    }
    dcModule = oldModule;
    set[7].value = oldMode;
}

// One DC input's type to its branch (0 = all branches), through the library that drives the DC side.
void Tab_set::writeDcInType(int branch, int type, bool leadAcidDefaults)
{
    dcModule = branch;
    if (set[24].value == 1)
        setDc_byAc(104, type);
    else
        setDc_byDc(35, type);
    if (leadAcidDefaults && type == 4)
        setParmToDefault(branch == 0 ? 1001 : branch);
}

void Tab_set::on_pushButton_clicked()
{
    ui->pushButton->setEnabled(false);
    ui->pushButton->setText(tr("配置中.."));

    MACH_TYPE[kMachType] = ui->comboBox_33->currentIndex();
    MACH_TYPE[kDcInType] = rowOf(ui->comboBox_34);
    MACH_TYPE[kInverterType] = rowOf(ui->comboBox_35);
    MACH_TYPE[kRatedFreq] = rowOf(ui->comboBox_36);
    MACH_TYPE[kRackId] = rowOf(ui->comboBox_37);
    MACH_TYPE[kWorkMode] = rowOf(ui->comboBox_38);
    MACH_TYPE[kSoftStart] = rowOf(ui->comboBox_39);
    MACH_TYPE[kRatedVolt] = rowOf(ui->comboBox_50);
    const int machType = qMax(0, MACH_TYPE[kMachType]);

    set[22].value = machType;
    currentRackInfo = rackRow(machType);
    set[21].value = MACH_TYPE[kInverterType] == 4 ? 0 : 1;
    set[14].value = currentRackInfo.typeOption == 0 ? 1 : 0;
    set[23].value = currentRackInfo.stringCount;
    set[24].value = currentRackInfo.dcViaAcDc != 0 ? 1 : 0;
    savemonitorset();

    setAc(156, machType);
    setDc(53, machType);
    setSts(58, machType);

    const int oldModule = dcModule;
    const int oldMode = set[7].value;
    set[7].value = 1;
    const int dcInType = MACH_TYPE[kDcInType];
    // On the AC/DC path only a single input gets the lead-acid defaults.
    const bool perBranchDefaults = set[24].value != 1;
    if (ui->comboBox_40->isHidden()) {
        writeDcInType(0, dcInType, true);
    } else {
        writeDcInType(1001, dcInType, perBranchDefaults);
        writeDcInType(1002, rowOf(ui->comboBox_40), perBranchDefaults);
        if (!ui->comboBox_41->isHidden())
            writeDcInType(1003, rowOf(ui->comboBox_41), perBranchDefaults);
        if (!ui->comboBox_42->isHidden())
            writeDcInType(1004, rowOf(ui->comboBox_42), perBranchDefaults);
    }
    dcModule = oldModule;
    set[7].value = oldMode;

    setAc(109, MACH_TYPE[kInverterType]);
    setDc(22, MACH_TYPE[kInverterType]);
    setAc(80, MACH_TYPE[kRatedFreq]);
    setSts(43, MACH_TYPE[kRatedFreq]);
    setAc(79, MACH_TYPE[kRatedVolt]);
    setSts(59, MACH_TYPE[kRatedVolt]);
    setAc(99, MACH_TYPE[kRackId] + 1);
    setDc(36, MACH_TYPE[kRackId] + 1);
    setSts(41, MACH_TYPE[kRackId] + 1);
    setAc(72, MACH_TYPE[kWorkMode]);
    setDc(34, MACH_TYPE[kWorkMode]);
    setSts(42, MACH_TYPE[kWorkMode]);
    setAc(110, MACH_TYPE[kSoftStart]);
    setDc(23, MACH_TYPE[kSoftStart]);

    set[25].value = qBound(-32768, set[25].value, 32767);
    setAc(126, set[25].value);
    setDc(49, set[25].value);
    // The certification switch-over follows here once it is built; until then the clamped
    // control word is saved directly.
    savemonitorset();

    reboot();
    machTypeDirty = 0;
    ui->pushButton->setEnabled(true);
    ui->pushButton->setText(tr("应用"));
}
