#include "interface_switch.h"

#include "devicedata.h"
#include "devicedataof.h"

#include <QLabel>
#include <QVBoxLayout>

#include <stdio.h>

interface_Switch::interface_Switch(QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("interface_Switch", this), 0, Qt::AlignCenter);
}

void interface_Switch::setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
    modbus::ModbustcpDevice* tcp)
{
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_tcp = tcp;
    m_acdcData = deviceDataOf(acdc);
    m_dcdcData = deviceDataOf(dcdc);
    m_hasData = true;
}

void interface_Switch::freshme()
{
    if (!m_hasData)
        return;
}

void interface_Switch::timeout_off()
{
    // System stop on both converters; nobody waits for the result.
    if (m_acdcData) {
        int rc = m_acdcData->setting(0, 68, 1.0f, 0);
        if (rc != 0)
            printf("interface_Switch::timeout_off: AC/DC refused the stop (%d)\n", rc);
    }
    if (m_dcdcData) {
        int rc = m_dcdcData->setting(0, 8, 1.0f, 0);
        if (rc != 0)
            printf("interface_Switch::timeout_off: DC/DC refused the stop (%d)\n", rc);
    }
}
