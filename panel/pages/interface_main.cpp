#include "interface_main.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

interface_Main::interface_Main(QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("interface_Main", this), 0, Qt::AlignCenter);
    m_timer = new QTimer(this);
}

void interface_Main::startfresh(int stop)
{
    if (stop == 0) {
        connect(m_timer, &QTimer::timeout, this, QOverload<>::of(&QWidget::update), Qt::UniqueConnection);
        m_timer->start(200);
    } else {
        disconnect(m_timer, &QTimer::timeout, this, nullptr);
        m_timer->stop();
    }
}

void interface_Main::setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc,
    ModbusSTSData* sts, BmsData* bms)
{
    m_rtu = rtu;
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_bms = bms;
    m_hasData = true;
}
