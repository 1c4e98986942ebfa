#include "interface_sysinf.h"

#include <QLabel>
#include <QVBoxLayout>

interface_SysInf::interface_SysInf(QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    m_caption = new QLabel(this);
    layout->addWidget(m_caption, 0, Qt::AlignCenter);
    change_sub_interface(0);
}

void interface_SysInf::setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc,
    ModbusSTSData* sts, BmsData* bms)
{
    m_rtu = rtu;
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_bms = bms;
}

void interface_SysInf::change_sub_interface(int row)
{
    m_subPage = row;
    m_caption->setText(QString("interface_SysInf %1").arg(row));
}
