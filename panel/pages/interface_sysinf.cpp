#include "interface_sysinf.h"
#include "ui_interface_sysinf.h"

#include "devicedata.h"
#include "devicedataof.h"
#include "globalvar.h"
#include "idturn.h"
#include "modbusrtudevice.h"
#include "monitorset.h"
#include "nametables.h"
#include "pageturnadv.h"
#include "saturate.h"
#include "shellrunner.h"
#include "statepaint.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPainter>

#include <stdint.h>

#include <string.h>

namespace {

enum { kMaxBranches = 8, kMaxDecimals = 6 };

float analog(DeviceData* device, int module, int index)
{
    float v = 0;
    if (device)
        device->getAnalog(module, index, &v);
    return v;
}

int status(DeviceData* device, int module, int index)
{
    return device ? device->getStatus(module, index) : 0;
}

int alarm(DeviceData* device, int module, int index)
{
    return device ? device->getAlarm(module, index) : 0;
}

float config(DeviceData* device, int module, int index)
{
    float v = 0;
    if (device)
        device->getConfig(module, index, &v);
    return v;
}

// A value with a display row's decimals; a table row asking for a negative or absurd count
// gets the nearest sensible one.
QString fixed(float v, int decimals)
{
    if (decimals < 0)
        decimals = 0;
    if (decimals > kMaxDecimals)
        decimals = kMaxDecimals;
    return QString::number(double(v), 'f', decimals);
}

const UiDataInfo& row(int r)
{
    static const UiDataInfo none = UiDataInfo();
    return r >= 0 && r < UI_DATA_ROWS ? uiDataInfo[r] : none;
}

// The caption of a display row, translated; the stored name need not end inside its field.
QString rowName(int r)
{
    char name[sizeof(UiDataInfo::name) + 1];
    memcpy(name, row(r).name, sizeof(UiDataInfo::name));
    name[sizeof(UiDataInfo::name)] = '\0';
    return QCoreApplication::translate("interface_SysInf", name);
}

float rowValue(DeviceData* device, int module, int r)
{
    return analog(device, module, row(r).index);
}

QString rowText(DeviceData* device, int module, int r)
{
    return fixed(rowValue(device, module, r), row(r).decimals);
}

// Pages of each battery type's sub-page; 0 leaves the picker without buttons, on page 1.
int bmsPageCount(int type)
{
    static const int pages[11] = { 0, 2, 2, 0, 3, 3, 3, 4, 3, 2, 2 };
    return type >= 0 && type <= 10 ? pages[type] : 0;
}

bool hasUnitPicker(int type)
{
    switch (type) {
    case 3:
    case 5:
    case 7:
    case 8:
    case 9:
    case 11:
        return true;
    default:
        return false;
    }
}

const UiDataInfo& bmsRow(int r)
{
    static const UiDataInfo none = UiDataInfo();
    return r >= 0 && r < UI_BMS_ROWS ? uiBmsDataInfo[r] : none;
}

QString bmsRowName(int r)
{
    char name[sizeof(UiDataInfo::name) + 1];
    memcpy(name, bmsRow(r).name, sizeof(UiDataInfo::name));
    name[sizeof(UiDataInfo::name)] = '\0';
    return QCoreApplication::translate("interface_SysInf", name);
}

// The scale word of a battery row; a row without one is shown unscaled rather than divided by 0.
double bmsScale(int r)
{
    const int cmd = r >= 0 && r < UI_BMS_ROWS ? BmsDataCmd[r] : 0;
    return cmd == 0 ? 1.0 : double(cmd);
}

// Raw 16-bit registers of the RS-485 battery types, scaled by their row's decimals.
double scaleRaw(double v, int decimals, int type)
{
    if (decimals == 1)
        return v / 10;
    if (decimals == 2 && (type == 1 || type == 2))
        return v / 100;
    if (decimals == 3 && type == 3)
        return v / 1000;
    return v;
}

QString statusWord(unsigned word)
{
    switch (word & 0xFFFF) {
    case 0x1111: return QCoreApplication::translate("interface_SysInf", "充满");
    case 0x2222: return QCoreApplication::translate("interface_SysInf", "放空");
    case 0x5555: return QCoreApplication::translate("interface_SysInf", "告警");
    case 0xAAAA: return QCoreApplication::translate("interface_SysInf", "故障");
    case 0xBBBB: return QCoreApplication::translate("interface_SysInf", "正常");
    default: return "---";
    }
}

QString hex(unsigned v)
{
    return "0x" + QString::number(v, 16);
}

// A reading that carries a register word, taken as the signed 16-bit value the word holds.
int16_t signedWord(double v)
{
    return int16_t(uint16_t(uint32_t(Saturate::toInt32(v)) & 0xFFFF));
}

// A reading cut to one decimal toward zero through a 16-bit integer, as the battery reports it.
double cutToTenth(float v)
{
    return Saturate::toInt16(double(v) * 10) / 10.0;
}

} // namespace

interface_SysInf::interface_SysInf(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::interface_SysInf)
{
    // The form names and sizes the page, builds the battery controls and connects their slots.
    ui->setupUi(this);
    setStyleSheet("QComboBox { border: 1px solid rgb(0, 185, 89); border-radius: 3px; padding: 1px 18px 1px 3px; }"
                  "QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top right; width: 20px;"
                  " border-left: 1px solid rgb(0, 185, 89); background: rgb(0, 165, 80); }"
                  "QComboBox QAbstractItemView::item { min-height: 30px; }");
    acModuleId = 1;
    dcModuleId = 1;
    bmsUnitIndex = 0;
    paintGuard = 100;

    m_idTurn = new IdTurn(this);
    m_idTurn->move(0, 7);
    m_idTurn->hide();
    m_pageTurn = new PageTurnAdv(this);
    m_pageTurn->move(20, 425);
    m_pageTurn->hide();
    connect(m_pageTurn, SIGNAL(page(int)), this, SLOT(update()));

    if (BmsType == 8)
        ui->comboBox_49->addItems(QStringList() << tr("Mode 0") << tr("Mode 1"));
    else
        ui->comboBox_49->addItems(QStringList() << tr("BCMU") << tr("BSMU"));
    ui->comboBox_50->addItems(QStringList() << tr("不使能") << tr("使能"));
    ui->comboBox_51->addItems(QStringList() << tr("不使能") << tr("使能"));
    ui->comboBox_49->setCurrentIndex(set[55].value);
    ui->comboBox_50->setCurrentIndex(set[60].value);
    ui->comboBox_51->setCurrentIndex(set[61].value);
    ui->comboBox_49->hide();
    ui->widget_bmsF->hide();
}

interface_SysInf::~interface_SysInf()
{
    delete ui;
}

void interface_SysInf::setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc,
    ModbusSTSData* sts, BmsData* bms)
{
    m_rtu = rtu;
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_bms = bms;
    m_rtuData = deviceDataOf(rtu);
    m_acdcData = deviceDataOf(acdc);
    m_dcdcData = deviceDataOf(dcdc);
    m_stsData = deviceDataOf(sts);
    m_bmsData = deviceDataOf(bms);
}

void interface_SysInf::change_sub_interface(int k)
{
    currentSubPage = k;
    if (k <= 4) {
        m_pageTurn->hide();
        m_idTurn->hide();
    } else {
        m_pageTurn->setFirstPage();
        m_pageTurn->setmaxpage(3);
        if (keyword_right > 2)
            m_pageTurn->show();
        switch (k) {
        case 5:
            m_idTurn->settitle(tr("BMS系统"));
            m_idTurn->setMaxCount(8);
            m_idTurn->setCurrentId(bmsUnitIndex + 1);
            m_pageTurn->setFirstPage();
            m_pageTurn->setmaxpage(bmsPageCount(BmsType));
            m_pageTurn->show();
            // Only the types that address several units offer the unit picker; the others
            // always show the unit picked last, which they cannot change (unit 1).
            m_idTurn->setVisible(hasUnitPicker(BmsType));
            break;
        case 6:
            m_idTurn->settitle(tr("AC模块编号"));
            m_idTurn->setMaxCount(11);
            m_idTurn->setCurrentId(acModuleId);
            m_idTurn->show();
            if (keyword_right > 2)
                m_pageTurn->setmaxpage(5);
            m_pageTurn->show();
            break;
        case 7:
            m_idTurn->settitle(tr("DC模块编号"));
            m_idTurn->setMaxCount(10);
            m_idTurn->setCurrentId(dcModuleId);
            m_idTurn->show();
            if (keyword_right <= 2)
                m_pageTurn->hide();
            break;
        case 8:
            m_idTurn->hide();
            // Like the AC and DC details, the switch's bit grid and settings are for level 3 and up.
            if (keyword_right <= 2)
                m_pageTurn->hide();
            break;
        default:
            break;
        }
    }
    update();
}

void interface_SysInf::setGreyed(QPainter& painter, bool greyed)
{
    painter.setPen(palette().color(greyed ? QPalette::Disabled : QPalette::Active, QPalette::WindowText));
}

void interface_SysInf::paintEvent(QPaintEvent*)
{
    if (paintGuard != 100)
        return;
    paintGuard = 0;

    QPainter painter(this);
    QFont font = painter.font();
    font.setPointSize(12);
    painter.setFont(font);
    setGreyed(painter, false);
    showBmsControls();

    switch (currentSubPage) {
    case 0:
        drawDcInfo(painter);
        break;
    case 1:
        drawAcTable(painter, m_acdcData, 0, tr("频率(Hz):"), true);
        break;
    case 2:
        drawAcTable(painter, m_stsData, 30, tr("电网频率(Hz):"), false);
        break;
    case 3:
        drawAcTable(painter, m_stsData, 60, tr("负载频率(Hz):"), false);
        break;
    case 4:
        drawModuleStatus(painter);
        break;
    case 5:
        drawBms(painter);
        break;
    case 6:
        drawAcDetails(painter);
        break;
    case 7:
        drawDcDetails(painter);
        break;
    case 8:
        drawStsDetails(painter);
        break;
    default:
        break;
    }
    paintGuard = 100;
}

void interface_SysInf::drawDcInfo(QPainter& painter)
{
    const QString captions[8] = { QString(), tr("直流电压(V)"), tr("直流电流(A)"), tr("直流功率(kW)"), tr("运行状态"),
        tr("告警状态"), tr("空开状态"), tr("母线电压(V)") };
    for (int i = 0; i < 8; ++i)
        painter.drawText(10, 40 + 40 * i, captions[i]);

    int n = set[23].value;
    n = n < 0 ? 0 : n > kMaxBranches ? kMaxBranches : n;
    const int d = 630 / (n + 1);
    const bool viaAcDc = set[24].value == 1;
    const StateByte* states = viaAcDc ? dcacstate : dcdcstate;
    for (int j = 0; j < n; ++j) {
        const int x = d + 50 + j * d;
        const int module = 1001 + j;
        painter.drawText(x, 40, tr("DC系统%1").arg(j + 1));
        if (viaAcDc) {
            painter.drawText(x, 80, fixed(analog(m_acdcData, module, 4), 1));
            painter.drawText(x, 120, fixed(analog(m_acdcData, module, 5), 1));
            painter.drawText(x, 160, fixed(analog(m_acdcData, module, 0), 1));
            painter.drawText(x, 320, "---");
        } else {
            painter.drawText(x, 80, fixed(analog(m_dcdcData, module, 0), 1));
            painter.drawText(x, 120, fixed(analog(m_dcdcData, module, 4), 1));
            painter.drawText(x, 160, fixed(analog(m_dcdcData, module, 5), 1));
            painter.drawText(x, 320, fixed(analog(m_dcdcData, module, 2), 1));
        }
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.drawText(x, 200, showDeviceRunStat(states[20 + j], painter));
        painter.drawText(x, 240, showDeviceRunStat(states[50 + j], painter));
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.drawText(x, 280, allData.relay[j] == 1 ? tr("闭合") : tr("断开"));
    }
}

void interface_SysInf::drawAcTable(QPainter& painter, DeviceData* device, int firstRow,
    const QString& frequencyCaption, bool energyRows)
{
    // A source that does not answer still shows its last values, greyed.
    setGreyed(painter, status(device, 0, 0) != 1);

    const QString heads[6] = { tr("电压"), tr("电流"), tr("有功功率"), tr("无功功率"), tr("视在功率"), tr("功率因数") };
    const char* units[6] = { "(V)", "(A)", "(kW)", "(kVAr)", "(kVA)", "" };
    for (int c = 0; c < 6; ++c) {
        painter.drawText(90 * (c + 1), 40, heads[c]);
        painter.drawText(90 * (c + 1), 60, units[c]);
    }
    for (int p = 0; p < 3; ++p)
        painter.drawText(10, 90 + 50 * p, QString("L%1:").arg(p + 1));
    for (int c = 0; c < 6; ++c)
        for (int p = 0; p < 3; ++p)
            painter.drawText(90 * (c + 1), 90 + 50 * p, rowText(device, 0, firstRow + 3 * c + p));

    const int valueX[2] = { energyRows ? 250 : 180, energyRows ? 600 : 540 };
    const QString labels[4] = { tr("总有功功率(kW):"), tr("总无功功率(kVAr):"), tr("总视在功率(kVA):"), frequencyCaption };
    for (int i = 0; i < 4; ++i) {
        const int y = 250 + 50 * (i / 2);
        painter.drawText(i % 2 ? 360 : 10, y, labels[i]);
        painter.drawText(valueX[i % 2], y, rowText(device, 0, firstRow + 18 + i));
    }
    if (energyRows) {
        painter.drawText(10, 350, tr("有功充电电量(kWh):"));
        painter.drawText(250, 350, rowText(device, 0, firstRow + 22));
        painter.drawText(360, 350, tr("有功放电电量(kWh):"));
        painter.drawText(600, 350, rowText(device, 0, firstRow + 23));
        painter.drawText(10, 400, tr("当天充电电量(kWh):"));
        painter.drawText(250, 400, fixed(analog(device, 0, 1200), 0));
        painter.drawText(360, 400, tr("当天放电电量(kWh):"));
        painter.drawText(600, 400, fixed(analog(device, 0, 1201), 0));
    }
    setGreyed(painter, false);
}

void interface_SysInf::drawModuleStatus(QPainter& painter)
{
    painter.drawText(175, 40, tr("版本"));
    painter.drawText(240, 40, tr("状态"));
    painter.drawText(475, 40, tr("版本"));
    painter.drawText(540, 40, tr("状态"));
    for (int i = 0; i <= 10; ++i) {
        const int y = 80 + 35 * i;
        painter.drawText(30, y, rowName(90 + i));
        painter.drawText(180, y, fixed(analog(m_acdcData, i + 1, 40), 0));
        showModeStat(240, y, painter, dcacstate[i + 1]);

        painter.drawText(330, y, rowName(101 + i));
        if (i < 10) {
            painter.drawText(480, y, fixed(analog(m_dcdcData, i + 1, 21), 0));
            showModeStat(540, y, painter, dcdcstate[i + 1]);
        } else {
            painter.drawText(480, y, fixed(analog(m_stsData, 1, 66), 0));
            showModeStat(540, y, painter, dcacstate[12]);
        }
    }
}

void interface_SysInf::drawAnalogRows(QPainter& painter, DeviceData* device, int module, int firstRow, int y0,
    int step, const int labelX[2], const int valueX[2])
{
    for (int k = 0; k < 30; ++k) {
        const int column = k / 15;
        const int y = y0 + step * (k % 15);
        painter.drawText(labelX[column], y, rowName(firstRow + k));
        painter.drawText(valueX[column], y, rowText(device, module, firstRow + k));
    }
}

void interface_SysInf::drawBitGrid(QPainter& painter, DeviceData* device, int module, int statusOffset,
    const QString& statusCaption, const QString& alarmCaption)
{
    painter.drawText(70, 80, "State");
    painter.drawText(70, 240, "Alarm");
    painter.drawText(70, 200, statusCaption);
    painter.drawText(70, 360, alarmCaption);
    for (int i = 0; i < 16; ++i) {
        painter.drawText(150 + 30 * i, 80, QString::number(i & 7));
        painter.drawText(150 + 30 * i, 240, QString::number(i & 7));
    }
    for (int r = 0; r < 5; ++r) {
        painter.drawText(70, 100 + 20 * r, QString::number(r));
        painter.drawText(70, 260 + 20 * r, QString::number(r));
        for (int i = 0; i < 16; ++i) {
            painter.drawText(150 + 30 * i, 100 + 20 * r, QString::number(status(device, module, 16 * r + i + statusOffset)));
            painter.drawText(150 + 30 * i, 260 + 20 * r, QString::number(alarm(device, module, 16 * r + i)));
        }
    }
}

void interface_SysInf::drawAcDetails(QPainter& painter)
{
    const int page = m_pageTurn->getPage();
    acModuleId = m_idTurn->getId();
    if (page >= 1 && page <= 3) {
        static const int labelX[3][2] = { { 30, 330 }, { 30, 360 }, { 30, 360 } };
        static const int valueX[2] = { 240, 570 };
        drawAnalogRows(painter, m_acdcData, acModuleId, 190 + 30 * (page - 1), 60, 25, labelX[page - 1], valueX);
    } else if (page == 4) {
        drawBitGrid(painter, m_acdcData, acModuleId, 1, "offset:1", "offset:0");
    } else if (page > 4) {
        static const int valueX[4] = { 100, 250, 400, 550 };
        for (int j = 0; j < 72; ++j) {
            const int x = valueX[j / 18];
            const int y = 60 + 20 * (j % 18);
            painter.drawText(x - 60, y, QString::number(71 + j));
            painter.drawText(x, y, fixed(config(m_acdcData, acModuleId, 71 + j), 2));
        }
    }
}

void interface_SysInf::drawDcDetails(QPainter& painter)
{
    const int page = m_pageTurn->getPage();
    dcModuleId = m_idTurn->getId();
    if (page == 1) {
        static const int labelX[2] = { 50, 350 };
        static const int valueX[2] = { 240, 540 };
        drawAnalogRows(painter, m_dcdcData, dcModuleId, 280, 60, 25, labelX, valueX);
    } else if (page == 2) {
        drawBitGrid(painter, m_dcdcData, dcModuleId, 0, "offset:0", "offset:0");
    } else if (page > 2) {
        static const int valueX[4] = { 140, 370, 600, 830 };
        for (int j = 0; j < 72; ++j) {
            const int x = valueX[j / 18];
            const int y = 60 + 20 * (j % 18);
            painter.drawText(x - 100, y, QString::number(20 + j));
            painter.drawText(x, y, QString::number(double(config(m_dcdcData, dcModuleId, 20 + j)), 'g', 6));
        }
    }
}

void interface_SysInf::drawStsDetails(QPainter& painter)
{
    const int page = m_pageTurn->getPage();
    if (page == 1) {
        static const int labelX[2] = { 30, 330 };
        static const int valueX[2] = { 240, 570 };
        drawAnalogRows(painter, m_stsData, 1, 310, 40, 27, labelX, valueX);
    } else if (page == 2) {
        drawBitGrid(painter, m_stsData, 1, 2, "offset:2", "offset:0");
    } else if (page == 3) {
        static const int valueX[3] = { 140, 370, 600 };
        for (int j = 0; j < 54; ++j) {
            const int x = valueX[j / 18];
            const int y = 30 + 22 * (j % 18);
            painter.drawText(x - 100, y, QString::number(j + 1));
            painter.drawText(x, y, fixed(config(m_stsData, 1, 20 + j), 2));
        }
    }
}

QString interface_SysInf::showBmsAlarmdata(int level)
{
    switch (level) {
    case 1: return tr("轻度告警");
    case 2: return tr("中度告警");
    case 3: return tr("严重告警");
    default: return tr("正常");
    }
}

void interface_SysInf::on_comboBox_49_activated(int index)
{
    QMessageBox box(QMessageBox::Warning, tr("警告"), tr("监控会自动重启生效该设置，是否确认?"),
        QMessageBox::Yes | QMessageBox::No, this);
    if (box.exec() != QMessageBox::Yes)
        return;
    set[55].value = index;
    savemonitorset();
    ShellRunner::run("sync");
    ShellRunner::run("reboot");
}

void interface_SysInf::on_comboBox_50_activated(int index)
{
    set[60].value = index;
    savemonitorset();
}

void interface_SysInf::on_comboBox_51_activated(int index)
{
    set[61].value = index;
    savemonitorset();
}

void interface_SysInf::showBmsControls()
{
    const bool bms = currentSubPage == 5;
    ui->comboBox_49->setVisible(bms && (BmsType == 5 || BmsType == 8));
    ui->widget_bmsF->setVisible(bms && BmsType == 7);
}

short interface_SysInf::rtuRegister(int unit, int reg)
{
    short v = 0;
    if (m_rtu)
        m_rtu->getAnalog(3001 + unit, reg, &v);
    return v;
}

void interface_SysInf::drawBmsRows(QPainter& painter, int first, int last, int perColumn, int y0, int step,
    const int labelX[], const int valueX[], const std::function<QString(int row, int k)>& valueOf)
{
    for (int r = first; r <= last; ++r) {
        const int k = r - first;
        const int column = k / perColumn;
        const int y = y0 + step * (k % perColumn);
        painter.drawText(labelX[column], y, bmsRowName(r));
        painter.drawText(valueX[column], y, valueOf(r, k));
    }
}

void interface_SysInf::drawBms(QPainter& painter)
{
    int unit = m_idTurn->getId() - 1;
    bmsUnitIndex = unit < 0 ? 0 : unit > 7 ? 7 : unit;
    const int page = m_pageTurn->getPage();
    const int type = BmsType;
    // The wake-up and forced-charging controls belong to the first page only.
    if (type == 7 && page != 1)
        ui->widget_bmsF->hide();
    switch (page) {
    case 1:
        drawBmsPage1(painter, type, bmsUnitIndex);
        break;
    case 2:
        drawBmsPage2(painter, type, bmsUnitIndex);
        break;
    case 3:
        drawBmsPage3(painter, type, bmsUnitIndex);
        break;
    case 4:
        drawBmsPage4(painter, type, bmsUnitIndex);
        break;
    default:
        break;
    }
}

void interface_SysInf::drawBmsPage1(QPainter& painter, int type, int unit)
{
    DeviceData* bms = m_bmsData;
    const int rtuModule = 3001 + unit;
    const auto decimals = [](int r) { return bmsRow(r).decimals; };
    const auto reg = [](int r) { return bmsRow(r).index; };
    switch (type) {
    case 1:
    case 2: {
        const int lx[] = { 200 }, vx[] = { 500 };
        drawBmsRows(painter, 0, 9, 10, 80, 32, lx, vx, [&](int r, int) {
            return status(m_rtuData, rtuModule, reg(r)) ? tr("有效") : tr("无效");
        });
        break;
    }
    case 3: {
        const int lx[] = { 200 }, vx[] = { 500 };
        drawBmsRows(painter, 0, 13, 14, 80, 31, lx, vx, [&](int r, int) {
            const short raw = rtuRegister(unit, reg(r));
            if (r == 0)
                return statusWord(uint16_t(raw));
            double v = uint16_t(raw);
            if (r == 5)
                v = raw < 0 ? -double(raw) : double(raw);
            else if (r == 11)
                v = raw;
            return fixed(float(scaleRaw(v, decimals(r), type)), decimals(r));
        });
        break;
    }
    case 4: {
        const int lx[] = { 120 }, vx[] = { 420 };
        drawBmsRows(painter, 9, 22, 14, 60, 27, lx, vx,
            [&](int r, int) { return fixed(float(alarm(bms, unit, reg(r))), decimals(r)); });
        break;
    }
    case 5: {
        const bool second = set[55].value != 0;
        const int lx[] = { second ? 20 : 120 }, vx[] = { second ? 250 : 420 };
        const auto text = [&](int r, int) {
            const int v = alarm(bms, unit, reg(r));
            switch (r) {
            case 0:
                return v == 0 ? tr("正常") : v == 1 ? tr("充电截止") : v == 2 ? tr("放电截止") : v == 3 ? tr("请求待机") : tr("请求保护");
            case 1:
                return v == 0 ? tr("初始化") : v == 1 ? tr("停止") : v == 2 ? tr("正在启动") : v == 3 ? tr("运行") : v == 4 ? tr("正在停机") : tr("故障");
            case 2:
                return v == 0 ? tr("空闲") : v == 1 ? tr("充电") : tr("放电");
            default:
                return hex(unsigned(v));
            }
        };
        drawBmsRows(painter, 0, 12, 13, 60, 27, lx, vx, text);
        if (second) {
            const int lx2[] = { 330 }, vx2[] = { 530 };
            drawBmsRows(painter, 13, 14, 2, 60, 27, lx2, vx2, text);
        }
        break;
    }
    case 6: {
        const int lx[] = { 120 }, vx[] = { 420 };
        drawBmsRows(painter, 0, 9, 10, 60, 27, lx, vx, [&](int r, int) { return hex(uint16_t(rtuRegister(unit, reg(r)))); });
        break;
    }
    case 7: {
        const int lx[] = { 20, 320 }, vx[] = { 250, 550 };
        drawBmsRows(painter, 0, 19, 10, 80, 32, lx, vx, [&](int r, int) { return fixed(analog(bms, unit, r), decimals(r)); });
        break;
    }
    case 9: {
        const int lx[] = { 50, 330 }, vx[] = { 240, 520 };
        drawBmsRows(painter, 0, 13, 9, 80, 32, lx, vx, [&](int r, int) { return fixed(analog(bms, unit, r), decimals(r)); });
        break;
    }
    case 10: {
        const int lx[] = { 30, 340 }, vx[] = { 250, 560 };
        drawBmsRows(painter, 0, 21, 11, 80, 32, lx, vx, [&](int r, int) {
            const float v = analog(bms, unit, r);
            return fixed(r == 11 ? float(cutToTenth(v)) : v, decimals(r));
        });
        break;
    }
    case 11: {
        const int lx[] = { 200 }, vx[] = { 500 };
        drawBmsRows(painter, 0, 6, 7, 80, 31, lx, vx, [&](int r, int) {
            const float v = analog(bms, unit, reg(r));
            if (r == 0)
                return statusWord(uint16_t(Saturate::toInt32(double(v))));
            return fixed(r == 4 ? float(cutToTenth(v)) : v, decimals(r));
        });
        break;
    }
    default:
        for (int n = 0; n < 10; ++n) {
            const int y = 80 + 32 * n;
            const int v = status(bms, unit, n);
            QString text;
            switch (n) {
            case 0: text = showBatteryType(v); break;
            case 1:
            case 2:
            case 8: text = v ? tr("使能") : tr("禁用"); break;
            case 3:
            case 7:
            case 9: text = v ? tr("故障") : tr("正常"); break;
            case 4:
            case 6: text = v ? tr("开启") : tr("关闭"); break;
            default: text = QString::number(v); break;
            }
            painter.drawText(200, y, rowName(120 + n));
            painter.drawText(400, y, text);
        }
        break;
    }
}

void interface_SysInf::drawBmsPage2(QPainter& painter, int type, int unit)
{
    DeviceData* bms = m_bmsData;
    const auto decimals = [](int r) { return bmsRow(r).decimals; };
    const auto reg = [](int r) { return bmsRow(r).index; };
    switch (type) {
    case 1:
    case 2: {
        const int lx[] = { 20, 380 }, vx[] = { 290, 620 };
        drawBmsRows(painter, 11, 28, 9, 80, 32, lx, vx, [&](int r, int) {
            if (r <= 14) {
                // Two registers make one 32-bit value; the two protocol versions differ in word order.
                const double a = uint16_t(rtuRegister(unit, reg(r)));
                const double b = uint16_t(rtuRegister(unit, reg(r + 18)));
                const double v = type == 1 ? b * 65536 + a : a * 65536 + b;
                return fixed(float(scaleRaw(v, decimals(r), type)), decimals(r));
            }
            const double v = rtuRegister(unit, reg(r));
            return fixed(float(decimals(r) == 1 ? v / 10 : v), decimals(r));
        });
        break;
    }
    case 4: {
        const int lx[] = { 120 }, vx[] = { 420 };
        drawBmsRows(painter, 0, 8, 9, 80, 32, lx, vx,
            [&](int r, int) { return fixed(float(alarm(bms, unit, reg(r))), decimals(r)); });
        break;
    }
    case 5: {
        const auto scaled = [&](int r, int) {
            return fixed(float(signedWord(double(analog(bms, unit, reg(r)))) / bmsScale(r)), decimals(r));
        };
        if (set[55].value != 0) {
            const int lx[] = { 20 }, vx[] = { 250 }, lx2[] = { 330 }, vx2[] = { 550 };
            drawBmsRows(painter, 15, 28, 14, 60, 27, lx, vx, scaled);
            drawBmsRows(painter, 29, 40, 12, 60, 27, lx2, vx2, scaled);
        } else {
            const int lx[] = { 120 }, vx[] = { 420 };
            drawBmsRows(painter, 13, 26, 14, 60, 27, lx, vx, scaled);
        }
        break;
    }
    case 6: {
        const int lx[] = { 120 }, vx[] = { 420 };
        drawBmsRows(painter, 10, 21, 12, 60, 27, lx, vx, [&](int r, int) {
            const short raw = rtuRegister(unit, reg(r));
            const bool isSigned = r == 11 || r == 14 || r == 15 || r == 16;
            const double v = isSigned ? double(raw) : double(uint16_t(raw));
            const double divisor = r == 12 || r == 13 ? 2.5 : bmsScale(r);
            return fixed(float(v / divisor), decimals(r));
        });
        break;
    }
    case 7: {
        const int lx[] = { 20, 320 }, vx[] = { 250, 550 };
        drawBmsRows(painter, 20, 37, 10, 80, 32, lx, vx, [&](int r, int) {
            if (r <= 30)
                return fixed(analog(bms, unit, r), decimals(r));
            const uint32_t word = uint32_t(status(bms, unit, reg(r)));
            const unsigned b0 = word & 0xFF, b1 = (word >> 8) & 0xFF, b2 = (word >> 16) & 0xFF, b3 = word >> 24;
            switch (r) {
            case 33:
                return word == 0 ? tr("休眠") : word == 1 ? tr("充电") : word == 2 ? tr("放电") : word == 3 ? tr("搁置") : QString();
            case 34:
            case 35:
                return word == 170 ? tr("有效") : tr("无效");
            case 36: {
                const QString body = QString::asprintf("SP%x-V%x-R%x", b1, b2, b3);
                return b0 == 1 ? "A:" + body : b0 == 2 ? "B:" + body : body;
            }
            case 37:
                return QString::asprintf("B%x-V%x.%x-S%x", b2, b1 >> 4, b1 & 0xF, b3);
            default:
                return QString::number(int32_t(word));
            }
        });
        break;
    }
    case 9: {
        const int lx[] = { 50, 310 }, vx[] = { 220, 480 };
        drawBmsRows(painter, 14, 32, 10, 80, 32, lx, vx, [&](int r, int) {
            if (r <= 19)
                return QString::number(status(bms, unit, reg(r)));
            return showBmsAlarmdata(alarm(bms, unit, reg(r)));
        });
        break;
    }
    case 10: {
        const int lx[] = { 30, 340 }, vx[] = { 250, 560 };
        drawBmsRows(painter, 22, 42, 11, 80, 32, lx, vx, [&](int r, int) { return fixed(analog(bms, unit, r), decimals(r)); });
        break;
    }
    case 3:
        break;
    default:
        for (int k = 0; k < 18; ++k) {
            const int x = k < 9 ? 0 : 1;
            const int y = 80 + 32 * (k % 9);
            painter.drawText(x ? 310 : 50, y, rowName(140 + k));
            painter.drawText(x ? 480 : 220, y, showBmsAlarm(alarm(bms, unit, k)));
        }
        break;
    }
}

void interface_SysInf::drawBmsPage3(QPainter& painter, int type, int unit)
{
    DeviceData* bms = m_bmsData;
    const auto decimals = [](int r) { return bmsRow(r).decimals; };
    const auto reg = [](int r) { return bmsRow(r).index; };
    const auto reading = [&](int r) { return double(analog(bms, unit, reg(r))); };
    const auto wide = [&](int r) { return double(analog(bms, unit, reg(r) + 1)) * 65536 + reading(r); };
    switch (type) {
    case 1:
    case 2:
    case 3:
        break;
    case 4: {
        const int lx[] = { 120 }, vx[] = { 420 };
        drawBmsRows(painter, 23, 34, 12, 80, 30, lx, vx, [&](int r, int) { return fixed(float(reading(r)), decimals(r)); });
        break;
    }
    case 5: {
        const int lx[] = { 120 }, vx[] = { 420 };
        if (set[55].value != 0) {
            drawBmsRows(painter, 41, 53, 13, 60, 27, lx, vx, [&](int r, int) {
                double v = reading(r);
                if (r >= 46 && r <= 49)
                    v = wide(r);
                else if (r == 41 || r == 43 || r == 45)
                    v = signedWord(v);
                return fixed(float(v / bmsScale(r)), decimals(r));
            });
        } else {
            drawBmsRows(painter, 27, 33, 7, 60, 27, lx, vx,
                [&](int r, int) { return fixed(float(wide(r) / bmsScale(r)), decimals(r)); });
            drawBmsRows(painter, 34, 38, 5, 249, 27, lx, vx,
                [&](int r, int) { return fixed(float(reading(r) / bmsScale(r)), decimals(r)); });
        }
        break;
    }
    case 6: {
        const int lx[] = { 120 }, vx[] = { 420 };
        drawBmsRows(painter, 22, 27, 6, 60, 27, lx, vx, [&](int r, int) {
            return fixed(float(uint16_t(rtuRegister(unit, reg(r))) / bmsScale(r)), decimals(r));
        });
        break;
    }
    case 7: {
        const int lx[] = { 50, 310 }, vx[] = { 220, 480 };
        drawBmsRows(painter, 38, 56, 10, 80, 32, lx, vx, [&](int, int k) { return QString::number(alarm(bms, unit, k)); });
        break;
    }
    default:
        for (int k = 0; k < 22; ++k) {
            const int column = k < 11 ? 0 : 1;
            const int y = 80 + 32 * (k % 11);
            const float v = analog(bms, unit, k);
            painter.drawText(column ? 350 : 50, y, rowName(160 + k));
            painter.drawText(column ? 590 : 290, y, fixed(k == 0 ? v * 100 : v, row(160 + k).decimals));
        }
        break;
    }
}

void interface_SysInf::drawBmsPage4(QPainter& painter, int type, int unit)
{
    if (type != 7)
        return;
    const int lx[] = { 50, 310 }, vx[] = { 220, 480 };
    drawBmsRows(painter, 57, 68, 10, 80, 32, lx, vx,
        [&](int, int k) { return QString::number(alarm(m_bmsData, unit, k + 19)); });
}
