#include "interface_spa.h"
#include "ui_interface_spa.h"

#include "devicedata.h"
#include "devicedataof.h"
#include "nametables.h"

#include <QPainter>
#include <QStringList>

namespace {

float analogOf(DeviceData* device, int module, int index)
{
    float v = 0;
    if (device)
        device->getAnalog(module, index, &v);
    return v;
}

QString rowText(DeviceData* device, int row)
{
    const int decimals = uiDataInfo[row].decimals;
    return QString::number(double(analogOf(device, 0, uiDataInfo[row].index)), 'f',
        decimals < 0 ? 0 : decimals > 6 ? 6 : decimals);
}

// The rows' values, each with its unit, joined as the branch's are ("230.1V /231.0V /229.8V").
QString rowsJoined(DeviceData* device, int first, int last, const char* unit)
{
    QStringList values;
    for (int row = first; row <= last; ++row)
        values << rowText(device, row) + QLatin1String(unit);
    return values.join(" /");
}

} // namespace

interface_spa::interface_spa(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::interface_spa)
{
    ui->setupUi(this);
    QPalette pal = palette();
    pal.setBrush(QPalette::Window, QBrush(QPixmap(":/image/spa-main.png")));
    setPalette(pal);
    setAutoFillBackground(true);
}

interface_spa::~interface_spa()
{
    delete ui;
}

void interface_spa::setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc,
    ModbusSTSData* sts, BmsData* bms)
{
    m_rtu = rtu;
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_bms = bms;
    m_acdcData = deviceDataOf(acdc);
    m_dcdcData = deviceDataOf(dcdc);
    m_ready = true;
}

void interface_spa::startfresh(int)
{
}

void interface_spa::paintEvent(QPaintEvent*)
{
    if (!m_ready)
        return;
    QPainter painter(this);
    QFont font = painter.font();
    font.setPointSize(10);
    painter.setFont(font);
    painter.setPen(Qt::black);
    // The first DC branch, under the battery of the picture.
    painter.drawText(60, 420,
        QString::number(double(analogOf(m_dcdcData, 1001, 0)), 'f', 1) + "V /"
            + QString::number(double(analogOf(m_dcdcData, 1001, 4)), 'f', 1) + "A");
    // The AC bus, beside the converter.
    painter.drawText(430, 150, rowsJoined(m_acdcData, 0, 2, "V"));
    painter.drawText(430, 172, rowsJoined(m_acdcData, 3, 5, "A"));
    painter.drawText(430, 194, rowText(m_acdcData, 18) + "kW");
}
