// Machine type (sub-page 1): what the devices say the cabinet is, the user's choices, which are
// only noted, and the apply that commits them all at once.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "devicedata.h"
#include "globalvar.h"
#include "keypad.h"
#include "machtypecombo.h"
#include "monitorset.h"
#include "racktable.h"
#include "tab_set_rows.h"

#include <QLabel>
#include <QMessageBox>
#include <QStringList>
#include <QtGlobal>
#include <stdio.h>

using tabsetrows::showRow;

namespace {
enum { kMachType, kDcInType, kInverterType, kRatedFreq, kRackId, kWorkMode, kSoftStart, kCtrlWord3, kRatedVolt };

// A row's caption as a name, without its closing colon.
QString captionText(const QLabel* caption)
{
    QString text = caption->text().trimmed();
    if (text.endsWith(QChar(0xFF1A)) || text.endsWith(':'))
        text.chop(1);
    return text;
}

// Machine-type code of a model row: the two ageing models sit on rows 33 and 34.
int codeOfRow(int row)
{
    return row == 33 ? 100 : (row == 34 ? 101 : row);
}

const int kUserLevelFull = 4;
const int kUserLevelManager = 3;
}

void Tab_set::fresh_machtype(int)
{
    const int level = keyword_right;
    if (level < kUserLevelManager) {
        ui->tab_17->setEnabled(false);
    } else {
        ui->tab_17->setEnabled(true);
        const bool full = level >= kUserLevelFull;
        for (QWidget* w : { static_cast<QWidget*>(ui->label_262), static_cast<QWidget*>(ui->comboBox_33),
                 static_cast<QWidget*>(ui->label_263), static_cast<QWidget*>(ui->comboBox_34),
                 static_cast<QWidget*>(ui->label_312), static_cast<QWidget*>(ui->comboBox_40),
                 static_cast<QWidget*>(ui->label_313), static_cast<QWidget*>(ui->comboBox_41),
                 static_cast<QWidget*>(ui->label_314), static_cast<QWidget*>(ui->comboBox_42),
                 static_cast<QWidget*>(ui->label_315), static_cast<QWidget*>(ui->comboBox_43),
                 static_cast<QWidget*>(ui->label_316), static_cast<QWidget*>(ui->comboBox_44),
                 static_cast<QWidget*>(ui->label_317), static_cast<QWidget*>(ui->comboBox_45),
                 static_cast<QWidget*>(ui->label_318), static_cast<QWidget*>(ui->comboBox_46),
                 static_cast<QWidget*>(ui->label_264), static_cast<QWidget*>(ui->comboBox_35),
                 static_cast<QWidget*>(ui->label_81), static_cast<QWidget*>(ui->comboBox_38),
                 static_cast<QWidget*>(ui->label_302), static_cast<QWidget*>(ui->comboBox_39) })
            w->setEnabled(full);
        if (full) {
            ui->label_303->setEnabled(true);
            ui->lineEdit_3->setEnabled(true);
        }
    }

    ui->comboBox_33->setCurrentIndex(int(acConfig(156)));
    MACH_TYPE[kMachType] = ui->comboBox_33->currentIndex();
    showDcInType();
    showRow(ui->comboBox_34, float(dcInTypeOf(1001)));
    showRow(ui->comboBox_35, acConfig(109));
    showRow(ui->comboBox_36, configOf(stsView, 0, 43));
    showRow(ui->comboBox_50, acConfig(79));
    showRow(ui->comboBox_37, acConfig(99) - 1);
    showRow(ui->comboBox_38, acConfig(72));
    showRow(ui->comboBox_39, acConfig(110));
    ui->lineEdit_3->setText(QString::number(acConfig(126), 'f', 0));
    showRow(ui->comboBox_51, float(set[53].value));
}

void Tab_set::showDcInType()
{
    ui->comboBox_34->setEnabled(keyword_right >= kUserLevelFull);
    if (currentRackInfo.dcViaAcDc == 1)
        ui->comboBox_34->setCurrentIndex(0);
    // DC inputs beyond the first that the model has.
    int more = 0;
    switch (MACH_TYPE[kMachType]) {
    case 6:
        more = 1;
        break;
    case 13:
        more = 2;
        break;
    case 31:
    case 101:
        more = 3;
        break;
    default:
        break;
    }
    ui->label_263->setText(more > 0 ? tr("直流1接入类型") : tr("直流接入类型"));
    QLabel* const captions[7] = { ui->label_312, ui->label_313, ui->label_314, ui->label_315, ui->label_316,
        ui->label_317, ui->label_318 };
    QComboBox* const boxes[7] = { ui->comboBox_40, ui->comboBox_41, ui->comboBox_42, ui->comboBox_43,
        ui->comboBox_44, ui->comboBox_45, ui->comboBox_46 };
    for (int i = 0; i < 7; ++i) {
        const bool shown = i < more;
        captions[i]->setVisible(shown);
        boxes[i]->setVisible(shown);
        if (shown)
            showRow(boxes[i], float(dcInTypeOf(1002 + i)));
    }
}

void Tab_set::setParmToDefault(int branch)
{
    const bool viaAcDc = set[24].value == 1;
    float capacity = 0;
    float cells = 0;
    const bool read = viaAcDc
        ? readConfig(acView, branch, 117, &capacity) && readConfig(acView, branch, 118, &cells)
        : readConfig(dcView, branch, 41, &capacity) && readConfig(dcView, branch, 42, &cells);
    // Without both ratings the defaults would be 0 V charging limits.
    if (!read || !(capacity > 0) || !(cells > 0)) {
        printf("setParmToDefault branch %d: capacity %g, cells %g unusable, nothing written\n", branch,
            double(capacity), double(cells));
        return;
    }
    const int oldMode = set[7].value;
    const int oldModule = dcModule;
    set[7].value = 1;
    dcModule = branch;
    if (viaAcDc) {
        const int index[10] = { 101, 93, 90, 123, 116, 103, 121, 119, 102, 120 };
        const double factor[10] = { 2.3, 2.2, 1.65, 1.8, 1.65, 0.15, 1, 0.05, 0.02, 0 };
        for (int i = 0; i < 10; ++i)
            setDc_byAc(index[i], float(factor[i] * (i < 5 ? cells : capacity)));
    } else {
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

void Tab_set::on_comboBox_33_activated(int row)
{
    machTypeDirty = 1;
    MACH_TYPE[kMachType] = codeOfRow(row);
    showDcInType();
}

void Tab_set::on_comboBox_34_activated(int row)
{
    machTypeDirty = 1;
    MACH_TYPE[kDcInType] = row;
}

void Tab_set::on_comboBox_35_activated(int row)
{
    machTypeDirty = 1;
    MACH_TYPE[kInverterType] = row;
}

void Tab_set::on_comboBox_36_activated(int row)
{
    machTypeDirty = 1;
    MACH_TYPE[kRatedFreq] = row;
}

void Tab_set::on_comboBox_37_activated(int row)
{
    machTypeDirty = 1;
    MACH_TYPE[kRackId] = row;
}

void Tab_set::on_comboBox_38_activated(int row)
{
    machTypeDirty = 1;
    MACH_TYPE[kWorkMode] = row;
}

void Tab_set::on_comboBox_39_activated(int row)
{
    machTypeDirty = 1;
    MACH_TYPE[kSoftStart] = row;
}

void Tab_set::on_comboBox_50_activated(int row)
{
    machTypeDirty = 1;
    MACH_TYPE[kRatedVolt] = row;
}

// The apply reads the rows of inputs 2 to 4 itself.
void Tab_set::on_comboBox_40_activated(int)
{
    machTypeDirty = 1;
    printf("ddddddddddddd\n");
}

void Tab_set::on_comboBox_41_activated(int)
{
    machTypeDirty = 1;
}

void Tab_set::on_comboBox_42_activated(int)
{
    machTypeDirty = 1;
}

void Tab_set::on_comboBox_51_activated(int)
{
    machTypeDirty = 1;
}

void Tab_set::on_lineEdit_3_selectionChanged()
{
    machTypeDirty = 1;
    entryStarted();
    KeyPad pad(this);
    if (pad.exec() != 1)
        return;
    const int v = pad.value2int();
    // A text that is not a number must not become the control word.
    if (v == KeyPad::invalidValue)
        return;
    MACH_TYPE[kCtrlWord3] = v;
    ui->lineEdit_3->setText(QString::number(v));
    set[25].value = v;
}

void Tab_set::on_pushButton_clicked()
{
    // Below the manager level the page is read-only; the apply never runs there.
    if (keyword_right < kUserLevelManager)
        return;
    ui->pushButton->setEnabled(false);
    ui->pushButton->setText(tr("配置中.."));

    // A box that shows no row (the device held a value outside its list) has no choice to send:
    // its own setting is left as it is, and the user is told which one.
    QStringList missing;
    auto chosen = [&missing](int row, const QLabel* caption) {
        if (row < 0)
            missing << captionText(caption);
        return row;
    };
    MACH_TYPE[kMachType] = chosen(ui->comboBox_33->currentIndex(), ui->label_262);
    MACH_TYPE[kDcInType] = chosen(ui->comboBox_34->currentIndex(), ui->label_263);
    MACH_TYPE[kInverterType] = chosen(ui->comboBox_35->currentIndex(), ui->label_264);
    MACH_TYPE[kRatedFreq] = chosen(ui->comboBox_36->currentIndex(), ui->label_76);
    MACH_TYPE[kRackId] = chosen(ui->comboBox_37->currentIndex(), ui->label_78);
    MACH_TYPE[kWorkMode] = chosen(ui->comboBox_38->currentIndex(), ui->label_81);
    MACH_TYPE[kSoftStart] = chosen(ui->comboBox_39->currentIndex(), ui->label_302);
    MACH_TYPE[kRatedVolt] = chosen(ui->comboBox_50->currentIndex(), ui->label_104);
    const int machType = MACH_TYPE[kMachType];
    const int inverterType = MACH_TYPE[kInverterType];

    if (machType >= 0) {
        set[22].value = machType;
        currentRackInfo = rackRow(machType);
        set[14].value = currentRackInfo.typeOption == 0 ? 1 : 0;
        set[23].value = currentRackInfo.stringCount;
        set[24].value = currentRackInfo.dcViaAcDc != 0 ? 1 : 0;
    }
    if (inverterType >= 0)
        set[21].value = inverterType == 4 ? 0 : 1;
    savemonitorset();

    if (machType >= 0) {
        setAc(156, machType);
        setDc(53, machType);
        setSts(58, machType);
    }

    const int oldModule = dcModule;
    const int oldMode = set[7].value;
    set[7].value = 1;
    const int dcInType = MACH_TYPE[kDcInType];
    // On the AC/DC path only a single input gets the lead-acid defaults.
    const bool perBranchDefaults = set[24].value != 1;
    if (ui->comboBox_40->isHidden()) {
        if (dcInType >= 0)
            writeDcInType(0, dcInType, true);
    } else {
        QComboBox* const more[3] = { ui->comboBox_40, ui->comboBox_41, ui->comboBox_42 };
        QLabel* const moreCaptions[3] = { ui->label_312, ui->label_313, ui->label_314 };
        if (dcInType >= 0)
            writeDcInType(1001, dcInType, perBranchDefaults);
        for (int i = 0; i < 3; ++i) {
            // Input 2 shows on this path; inputs 3 and 4 only where the model has them.
            if (i > 0 && more[i]->isHidden())
                continue;
            const int type = chosen(more[i]->currentIndex(), moreCaptions[i]);
            if (type >= 0)
                writeDcInType(1002 + i, type, perBranchDefaults);
        }
    }
    dcModule = oldModule;
    set[7].value = oldMode;

    if (inverterType >= 0) {
        setAc(109, inverterType);
        setDc(22, inverterType);
    }
    if (MACH_TYPE[kRatedFreq] >= 0) {
        setAc(80, MACH_TYPE[kRatedFreq]);
        setSts(43, MACH_TYPE[kRatedFreq]);
    }
    if (MACH_TYPE[kRatedVolt] >= 0) {
        setAc(79, MACH_TYPE[kRatedVolt]);
        setSts(59, MACH_TYPE[kRatedVolt]);
    }
    if (MACH_TYPE[kRackId] >= 0) {
        setAc(99, MACH_TYPE[kRackId] + 1);
        setDc(36, MACH_TYPE[kRackId] + 1);
        setSts(41, MACH_TYPE[kRackId] + 1);
    }
    if (MACH_TYPE[kWorkMode] >= 0) {
        setAc(72, MACH_TYPE[kWorkMode]);
        setDc(34, MACH_TYPE[kWorkMode]);
        setSts(42, MACH_TYPE[kWorkMode]);
    }
    if (MACH_TYPE[kSoftStart] >= 0) {
        setAc(110, MACH_TYPE[kSoftStart]);
        setDc(23, MACH_TYPE[kSoftStart]);
    }

    set[25].value = qBound(-32768, set[25].value, 32767);
    setAc(126, set[25].value);
    setDc(49, set[25].value);
    // The switch-over saves the monitor settings, the clamped control word with them; without a
    // standard chosen the standard in force stays and only the settings are saved.
    if (chosen(ui->comboBox_51->currentIndex(), ui->label_26) >= 0)
        setRzVersion();
    else
        savemonitorset();

    if (!missing.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, tr("警告"), tr("以下选项未选择，未下发：") + "\n" + missing.join("\n"),
            QMessageBox::Ok, this);
        box.exec();
    }
    reboot();
    machTypeDirty = 0;
    ui->pushButton->setEnabled(true);
    ui->pushButton->setText(tr("应用"));
}
