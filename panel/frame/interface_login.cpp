#include "interface_login.h"

#include <QLabel>
#include <QVBoxLayout>

interface_login::interface_login(QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("interface_login", this), 0, Qt::AlignCenter);
}

void interface_login::setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
    modbus::ModbustcpDevice* tcp)
{
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_tcp = tcp;
}

void interface_login::slot_btnstate_changed(int)
{
}
