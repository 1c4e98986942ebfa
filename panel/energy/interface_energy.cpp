#include "interface_energy.h"

#include <QLabel>
#include <QVBoxLayout>

interface_Energy::interface_Energy(QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    m_caption = new QLabel(this);
    layout->addWidget(m_caption, 0, Qt::AlignCenter);
    showCaption();
}

void interface_Energy::setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
    modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp)
{
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_rtu = rtu;
    m_tcp = tcp;
}

void interface_Energy::freshme()
{
}

void interface_Energy::freshPlot()
{
}

void interface_Energy::change_sub_interface(int row)
{
    // Rows 2 to 4 share the schedule editor in three modes.
    if (row >= 2 && row <= 4)
        m_scheduleMode = row;
    m_subPage = row;
    showCaption();
}

void interface_Energy::setShowMode()
{
    m_scheduleMode = 2;
    showCaption();
}

void interface_Energy::showCaption()
{
    m_caption->setText(QString("interface_Energy %1 / %2").arg(m_subPage).arg(m_scheduleMode));
}
