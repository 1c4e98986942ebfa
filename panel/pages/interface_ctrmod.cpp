#include "interface_ctrmod.h"

#include "monitorset.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

interface_CtrMod::interface_CtrMod(QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("interface_CtrMod", this), 0, Qt::AlignCenter);
    QHBoxLayout* row = new QHBoxLayout;
    radioButton = new QRadioButton(tr("本地手动"), this);
    radioButton->setObjectName("radioButton");
    radioButton_2 = new QRadioButton(tr("本地自动"), this);
    radioButton_2->setObjectName("radioButton_2");
    radioButton_3 = new QRadioButton(tr("远程控制"), this);
    radioButton_3->setObjectName("radioButton_3");
    row->addWidget(radioButton);
    row->addWidget(radioButton_2);
    row->addWidget(radioButton_3);
    layout->addLayout(row);
    if (set[1].value == 1)
        radioButton_2->setChecked(true);
    else if (set[1].value == 2)
        radioButton_3->setChecked(true);
    else
        radioButton->setChecked(true);
}

void interface_CtrMod::setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, modbus::ModbusrtuDevice* rtu,
    modbus::ModbustcpDevice* tcp, Iec104Device* iec)
{
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_rtu = rtu;
    m_tcp = tcp;
    m_iec = iec;
    m_hasData = true;
}

void interface_CtrMod::setAutoDisabled(bool)
{
}

void interface_CtrMod::changeCtrlState(int mode)
{
    switch (mode) {
    case 0:
        radioButton->setChecked(true);
        emit sendcommond(4000);
        break;
    case 1:
        radioButton_2->setChecked(true);
        emit sendcommond(4001);
        break;
    case 2:
        radioButton_3->setChecked(true);
        emit sendcommond(4001);
        break;
    default:
        break;
    }
}

void interface_CtrMod::setCtrlDisable(int level)
{
    const bool enabled = level != 0;
    radioButton->setEnabled(enabled);
    radioButton_2->setEnabled(enabled);
    radioButton_3->setEnabled(enabled);
}
