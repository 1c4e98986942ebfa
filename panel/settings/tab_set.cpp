#include "tab_set.h"

#include <QLabel>
#include <QVBoxLayout>

int Tab_set::Upgrading = 0;

Tab_set::Tab_set(QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Tab_set", this), 0, Qt::AlignCenter);
}

void Tab_set::setDeviceData(modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, ModbusAcDcData* acdc,
    DcdcData* dcdc, ModbusSTSData* sts)
{
    m_rtu = rtu;
    m_tcp = tcp;
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
}
