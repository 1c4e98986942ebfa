#include "interface_ctrmod.h"
#include "ui_interface_ctrmod.h"

#include "devicedata.h"
#include "devicedataof.h"
#include "globalvar.h"
#include "monitorset.h"
#include "writepoll.h"

#include <QDebug>

#include <stdio.h>

interface_CtrMod::interface_CtrMod(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::interface_CtrMod)
{
    ui->setupUi(this);

    if (set[1].value == 1)
        ui->radioButton_2->setChecked(true);
    else if (set[1].value == 2)
        ui->radioButton_3->setChecked(true);
    else
        ui->radioButton->setChecked(true);

    connect(ui->radioButton, SIGNAL(clicked()), this, SLOT(set_local_hand()));
    connect(ui->radioButton_2, SIGNAL(clicked()), this, SLOT(set_local_auto()));
    connect(ui->radioButton_3, SIGNAL(clicked()), this, SLOT(set_telecont()));

    // The indicator is only a spacer before the text; English captions differ in length.
    const bool english = set[20].value == 1;
    const int widths[3] = { english ? 30 : 50, english ? 40 : 50, english ? 60 : 50 };
    QRadioButton* buttons[3] = { ui->radioButton, ui->radioButton_2, ui->radioButton_3 };
    for (int i = 0; i < 3; ++i)
        buttons[i]->setStyleSheet(QString("QRadioButton::indicator { width: %1px; }").arg(widths[i]));
}

interface_CtrMod::~interface_CtrMod()
{
    delete ui;
}

void interface_CtrMod::setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, modbus::ModbusrtuDevice* rtu,
    modbus::ModbustcpDevice* tcp, Iec104Device* iec)
{
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_rtu = rtu;
    m_tcp = tcp;
    m_iec = iec;
    m_acdcData = deviceDataOf(acdc);
    m_dcdcData = deviceDataOf(dcdc);
    m_rtuData = deviceDataOf(rtu);
    m_tcpData = deviceDataOf(tcp);
    m_iecData = deviceDataOf(iec);
    m_hasData = true;
}

void interface_CtrMod::setAutoDisabled(bool)
{
}

void interface_CtrMod::changeCtrlState(int mode)
{
    switch (mode) {
    case 0:
        ui->radioButton->setChecked(true);
        emit sendcommond(4000);
        break;
    case 1:
        ui->radioButton_2->setChecked(true);
        emit sendcommond(4001);
        break;
    case 2:
        ui->radioButton_3->setChecked(true);
        emit sendcommond(4001);
        break;
    default:
        break;
    }
}

void interface_CtrMod::setCtrlDisable(int level)
{
    const bool enabled = level != 0;
    ui->radioButton->setEnabled(enabled);
    ui->radioButton_2->setEnabled(enabled);
    ui->radioButton_3->setEnabled(enabled);
}

int interface_CtrMod::setAc(int index, float value)
{
    if (!m_acdcData)
        printf("interface_CtrMod::setAc: no AC/DC device for index=%d\n", index);
    return writeAndPoll(m_acdcData, 0, index, value);
}

int interface_CtrMod::setDc(int index, float value)
{
    if (!m_dcdcData)
        printf("interface_CtrMod::setDc: no DC/DC device for index=%d\n", index);
    return writeAndPoll(m_dcdcData, 0, index, value);
}

// Register 0 of the upward servers is the control mode they report; nobody waits for them.
// Register 100 is where the upper system writes a mode, and the main window takes it over
// whenever it differs from the mode in force: it follows a local choice too, or that choice
// would be undone within a second.
void interface_CtrMod::tellServers(int mode, int iecMode)
{
    if (m_rtuData) {
        m_rtuData->setting(0, 0, float(mode), 0);
        m_rtuData->setting(0, 100, float(mode), 0);
    }
    if (m_tcpData) {
        m_tcpData->setting(0, 0, float(mode), 0);
        m_tcpData->setting(0, 100, float(mode), 0);
    }
    if (m_iecData)
        m_iecData->setting(0, 0, float(iecMode), 0);
}

// The converters' dispatching mode follows the energy strategy that local auto will run.
void interface_CtrMod::latchDispatching()
{
    switch (set[59].value) {
    case 0:
        if (set[54].value != 0) {
            setAc(108, 0);
            setDc(21, 0);
            set[54].value = 0;
            savemonitorset();
        }
        break;
    case 1: {
        g_pvstate = 1;
        // A mode that cannot be read counts as not constant current, so it is set.
        float mode = -1;
        if (set[24].value == 1) {
            if (!m_acdcData || m_acdcData->getConfig(0, 95, &mode) != 0)
                mode = -1;
        } else {
            if (!m_dcdcData || m_dcdcData->getConfig(0, 26, &mode) != 0)
                mode = -1;
        }
        if (set[54].value != 1 || mode != 0) {
            setAc(108, 1);
            setDc(21, 1);
            set[54].value = 1;
            savemonitorset();
            if (set[24].value == 1)
                setAc(95, 0);
            else
                setDc(26, 0);
        }
        break;
    }
    case 2:
        if (set[54].value != 1) {
            setAc(108, 1);
            setDc(21, 1);
            set[54].value = 1;
            savemonitorset();
        }
        break;
    default:
        break;
    }
}

// A local mode takes back the stop request that a lost upper link had set.
void interface_CtrMod::releaseControlWord()
{
    if (!(g_acCrtlCmd & 2))
        return;
    g_acCrtlCmd &= ~2;
    setAc(67, float(g_acCrtlCmd));
    g_remoteout485flag = 0;
    g_remoteoutTCPflag = 0;
}

void interface_CtrMod::set_local_hand()
{
    if (!m_hasData)
        return;
    qDebug() << "local_hand";
    set[1].value = 0;
    savemonitorset();
    tellServers(0, 0);
    setAc(107, 0);
    setDc(20, 0);
    releaseControlWord();
    emit sendcommond(4000);
}

void interface_CtrMod::set_local_auto()
{
    if (!m_hasData)
        return;
    qDebug() << "local_auto";
    set[1].value = 1;
    savemonitorset();
    tellServers(1, 0);
    setAc(107, 1);
    setDc(20, 1);
    allData.schedule = 100;
    latchDispatching();
    releaseControlWord();
    emit sendcommond(4001);
}

void interface_CtrMod::set_telecont()
{
    if (!m_hasData)
        return;
    qDebug() << "telecont";
    // The heartbeat supervision of the upper masters starts counting afresh.
    telnet485Heart = 0;
    telnetTcpHeart = 0;
    tellServers(2, 1);
    setAc(107, 2);
    setDc(20, 2);
    set[1].value = 2;
    savemonitorset();
    emit sendcommond(4001);
}
