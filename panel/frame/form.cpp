#include "form.h"
#include "ui_form.h"

#include "globalvar.h"
#include "monitorset.h"

#include <QPaintEvent>
#include <QPainter>

#include <stdio.h>

namespace {
enum { kTabMain, kTabSysInf, kTabLogOut, kTabSysSet, kTabSwitch, kTabCtrMod, kTabEnergy, kTabLogin };
}

Form::Form(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::Form)
{
    ui->setupUi(this);
    ui->listWidget->hide();
    ui->interface_logout->loadtab_delay();
    ui->interface_sysset->loadtab_delay();

    connect(ui->interface_loginin, &interface_login::user_changed, this, &Form::user_changed);
    connect(ui->interface_sysset, &interface_SysSet::sendcommond, this, &Form::sendcommond);
    connect(ui->interface_switch, &interface_Switch::sendcommond, this, &Form::sendcommond);
    connect(ui->interface_ctrmod, &interface_CtrMod::sendcommond, this, &Form::sendcommond);
    connect(ui->interface_logout, &interface_LogOut::sendcommond, this, &Form::sendcommond_udisk);
    connect(ui->interface_sysset, &interface_SysSet::sendcommond_udisk, this, &Form::sendcommond_udisk);
    connect(this, &Form::btnstate_changed, ui->interface_loginin, &interface_login::slot_btnstate_changed);
    connect(ui->interface_ctrway, &interface_Energy::sinal_hidesome, this, &Form::slot_hidesome);
    connect(ui->listWidget, &QListWidget::itemClicked, this, &Form::slot_item);
    connect(ui->listWidget, &QListWidget::currentRowChanged, this, &Form::slot_itemindex);
}

Form::~Form()
{
    delete ui;
}

void Form::setRowHidden(int row, bool hidden)
{
    if (row >= 0 && row < ui->listWidget->count())
        ui->listWidget->setRowHidden(row, hidden);
}

void Form::slot_toolbar(int page)
{
    if (page < 1 || page > 8) {
        printf("Form::slot_toolbar: no page %d\n", page);
        return;
    }
    ui->tabWidget->setCurrentIndex(page - 1);
    ui->listWidget->clear();
    ui->interface_main->startfresh(page == 1 ? 0 : 1);

    QStringList rows;
    switch (page) {
    case 2:
        rows << tr("直流信息") << tr("交流信息") << tr("电网信息") << tr("负载信息") << tr("模块状态") << tr("BMS")
             << tr("AC详情") << tr("DC详情") << tr("STS详情");
        break;
    case 3:
        rows << tr("当前告警") << tr("历史告警") << tr("操作记录") << tr("状态记录") << tr("曲线记录")
             << tr("下载记录");
        break;
    case 4:
        if (keyword_right > 2)
            rows << tr("常规设置") << tr("机型选择") << tr("系统参数") << tr("监控参数") << tr("交流参数")
                 << tr("直流参数") << tr("STS") << tr("AC诊断") << tr("DC诊断") << tr("升级模块");
        else
            rows << tr("常规设置") << tr("▲高级设置") << tr("机型选择") << tr("系统参数") << tr("监控参数")
                 << tr("交流参数") << tr("直流参数") << tr("STS") << tr("AC诊断") << tr("DC诊断");
        break;
    case 6:
        ui->interface_ctrmod->setAutoDisabled(keyword_right <= 1);
        break;
    case 7:
        rows << tr("策略说明") << tr("并网策略") << tr("48段配置") << tr("充电电价") << tr("放电电价")
             << tr("选配件") << tr("统计");
        break;
    default:
        break;
    }

    ui->listWidget->setVisible(page == 2 || page == 3 || page == 4 || page == 7);
    for (const QString& caption : rows) {
        QListWidgetItem* item = new QListWidgetItem(caption);
        item->setTextAlignment(Qt::AlignCenter);
        item->setSizeHint(QSize(50, 40));
        ui->listWidget->addItem(item);
    }
    ui->listWidget->setCurrentRow(0);

    // Below level 3 the advanced settings start folded under "▲高级设置".
    if (page == 4 && keyword_right < 3)
        for (int row = 2; row <= 9; ++row)
            setRowHidden(row, true);
    hideSome(page);
}

void Form::hideSome(int page)
{
    switch (page) {
    case 2:
        if (set[21].value == 1) {
            setRowHidden(2, true);
            setRowHidden(3, true);
            setRowHidden(8, true);
        }
        if (set[24].value == 1)
            setRowHidden(7, true);
        if (keyword_right < 2) {
            setRowHidden(6, true);
            setRowHidden(7, true);
            setRowHidden(8, true);
        }
        if (set[26].value == 0)
            setRowHidden(5, true);
        break;
    case 3:
        if (keyword_right == 0)
            setRowHidden(5, true);
        if (keyword_right <= 2)
            setRowHidden(4, true);
        break;
    case 4:
        if (set[21].value == 1)
            setRowHidden(6, true);
        if (set[24].value == 1)
            setRowHidden(8, true);
        if (keyword_right <= 1) {
            setRowHidden(7, true);
            setRowHidden(8, true);
            setRowHidden(9, true);
        }
        break;
    case 7:
        if (keyword_right < 2) {
            setRowHidden(3, true);
            setRowHidden(4, true);
            setRowHidden(6, true);
        }
        applyStrategy(set[59].value);
        break;
    default:
        break;
    }
}

void Form::applyStrategy(int strategy)
{
    switch (strategy) {
    case 0:
        setRowHidden(1, false);
        setRowHidden(2, false);
        if (keyword_right >= 2) {
            setRowHidden(3, false);
            setRowHidden(4, false);
        }
        break;
    case 1:
        setRowHidden(1, false);
        setRowHidden(2, true);
        setRowHidden(3, true);
        setRowHidden(4, true);
        break;
    case 2:
        setRowHidden(1, true);
        setRowHidden(2, false);
        ui->interface_ctrway->setShowMode();
        if (keyword_right >= 2) {
            setRowHidden(3, false);
            setRowHidden(4, false);
        }
        break;
    default:
        break;
    }
}

void Form::slot_hidesome(int strategy)
{
    // The rows in the list belong to the energy page only while it is shown.
    if (ui->tabWidget->currentIndex() != kTabEnergy)
        return;
    applyStrategy(strategy);
}

void Form::slot_item(QListWidgetItem* item)
{
    if (!item)
        return;
    const QString text = item->text();
    if (text == tr("直流参数")) {
        printf("Form::slot_item: DC parameters\n");
    } else if (text == tr("▲高级设置")) {
        ui->listWidget->item(1)->setText(tr("▼高级设置"));
        for (int row = 2; row <= 7; ++row)
            setRowHidden(row, false);
        if (keyword_right == 1) {
            setRowHidden(8, true);
            setRowHidden(9, true);
        } else if (keyword_right == 2) {
            setRowHidden(8, false);
            setRowHidden(9, false);
        }
        if (set[21].value == 1)
            setRowHidden(7, true);
        ui->listWidget->setCurrentRow(2);
    } else if (text == tr("▼高级设置")) {
        ui->listWidget->item(1)->setText(tr("▲高级设置"));
        for (int row = 2; row <= 9; ++row)
            setRowHidden(row, true);
        ui->listWidget->setCurrentRow(0);
    }
}

void Form::slot_itemindex(int row)
{
    // Clearing the list reports row -1; it is not a choice and no page has such a sub-page.
    if (row < 0)
        return;
    backlight_count = 0;
    switch (ui->tabWidget->currentIndex()) {
    case kTabSysInf:
        ui->interface_sysinf->change_sub_interface(row);
        break;
    case kTabLogOut:
        ui->interface_logout->change_sub_interface(row);
        break;
    case kTabSysSet:
        // The folded list has the fold row at 1; the settings page counts without it.
        if (keyword_right <= 2) {
            if (row == 1)
                return;
            if (row > 1)
                row -= 1;
        }
        ui->interface_sysset->change_sub_interface(row);
        break;
    case kTabEnergy:
        ui->interface_ctrway->change_sub_interface(row);
        break;
    default:
        break;
    }
}

void Form::freshme()
{
    switch (ui->tabWidget->currentIndex()) {
    case kTabSysSet:
        ui->interface_sysset->freshme();
        break;
    case kTabLogOut:
        ui->interface_logout->freshme();
        break;
    case kTabSwitch:
        ui->interface_switch->freshme();
        break;
    case kTabEnergy:
        ui->interface_ctrway->freshme();
        break;
    default:
        break;
    }
    // Power data and curves keep being collected while their pages are hidden.
    ui->interface_logout->fresh_power_data();
    ui->interface_ctrway->freshPlot();
}

void Form::setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts, BmsData* bms,
    modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, Iec104Device* iec)
{
    ui->interface_sysset->setDiviceData(rtu, tcp, acdc, dcdc, sts);
    ui->interface_sysinf->setDiviceData(rtu, acdc, dcdc, sts, bms);
    ui->interface_main->setDiviceData(rtu, acdc, dcdc, sts, bms);
    ui->interface_switch->setDeviceData(acdc, dcdc, sts, tcp);
    ui->interface_ctrway->setDeviceData(acdc, dcdc, sts, rtu, tcp);
    ui->interface_ctrmod->setDeviceData(acdc, dcdc, rtu, tcp, iec);
    ui->interface_loginin->setDeviceData(acdc, dcdc, sts, tcp);
}

void Form::changeCtrlState(int mode)
{
    ui->interface_ctrmod->changeCtrlState(mode);
}

void Form::setCtrlDisable(int level)
{
    ui->interface_ctrmod->setCtrlDisable(level);
}

void Form::shut_down()
{
    ui->interface_switch->timeout_off();
}

void Form::fresh_down(int kind, int value)
{
    ui->interface_logout->fresh_down(kind, value);
}

INTERFACE4_1* Form::getwarwidget()
{
    return ui->interface_logout->getwarwidget();
}

INTERFACE4_2* Form::getlogwidget()
{
    return ui->interface_logout->getlogwidget();
}

Interface4_5* Form::getslogwidget()
{
    return ui->interface_logout->getslogwidget();
}

QColor Form::pageColour()
{
    return QColor(0xE6, 0xF5, 0xEE);
}

void Form::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(event->rect(), pageColour());
}
