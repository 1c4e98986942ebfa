#include "interface_sysinf.h"

#include "devicedata.h"
#include "devicedataof.h"
#include "globalvar.h"
#include "idturn.h"
#include "monitorset.h"
#include "nametables.h"
#include "pageturnadv.h"
#include "statepaint.h"

#include <QCoreApplication>
#include <QPainter>

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

} // namespace

interface_SysInf::interface_SysInf(QWidget* parent)
    : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName("interface_SysInf");
    resize(796, 480);
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
    const unsigned char* states = viaAcDc ? dcacstate : dcdcstate;
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
        painter.drawText(360, 350, tr("有功放电电量kWh):"));
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
