#include "interface_switch.h"
#include "ui_interface_switch.h"

#include "devicedata.h"
#include "devicedataof.h"
#include "globalvar.h"
#include "monitorset.h"
#include "racktable.h"
#include "writepoll.h"

#include <QIcon>

#include <stdio.h>

interface_Switch::interface_Switch(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::interface_Switch)
{
    ui->setupUi(this);

    const QIcon on(":/image/power_on.png");
    const QIcon off(":/image/power_off.png");
    ui->btn_on->setIcon(on);
    ui->btn_off->setIcon(off);
    ui->btn_ingrid->setIcon(QIcon(":/image/ongrid.png"));
    ui->btn_outgrid->setIcon(QIcon(":/image/offgrid.png"));
    ui->btn_clearfault->setIcon(QIcon(":/image/clearfault.png"));
    ui->btn_on_2->setIcon(on);
    ui->btn_off_2->setIcon(off);
    for (int n = 1; n <= 8; ++n) {
        findChild<QPushButton*>(QString("btn_dc%1_on").arg(n))->setIcon(on);
        findChild<QPushButton*>(QString("btn_dc%1_off").arg(n))->setIcon(off);
    }

    ui->btn_on_2->hide();
    ui->btn_off_2->hide();
    // The tiles and the label below the page are connected to nothing; shown, their top edge
    // would reach into the last row of branch buttons.
    ui->gridLayoutWidget->hide();
    ui->label->hide();
    showBranchRows();
}

interface_Switch::~interface_Switch()
{
    delete ui;
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
    m_stsData = deviceDataOf(sts);
    m_tcpData = deviceDataOf(tcp);
    m_hasData = true;
}

// Rows of the fitted branches; a count the table does not know leaves the form as it is.
void interface_Switch::showBranchRows()
{
    int shown;
    switch (set[23].value) {
    case 1: shown = 0; break;
    case 2: shown = 2; break;
    case 3: shown = 3; break;
    case 4: shown = 4; break;
    case 8: shown = 8; break;
    default: return;
    }
    for (int n = 1; n <= 8; ++n)
        findChild<QWidget*>(QString("DC%1").arg(n))->setVisible(n <= shown);
    ui->label_DC->setVisible(shown > 0);
}

void interface_Switch::freshme()
{
    if (!m_hasData)
        return;

    const int type = currentRackInfo.machineType;
    const bool acSide = type == 6 || type == 13 || type == 31;
    ui->btn_on_2->setVisible(acSide);
    ui->btn_off_2->setVisible(acSide);

    showBranchRows();

    // Only the change to the other grid mode is offered.
    if (m_acdcData) {
        const bool offGrid = m_acdcData->getStatus(0, 56) == 1;
        ui->btn_ingrid->setEnabled(offGrid);
        ui->btn_outgrid->setEnabled(!offGrid);
    }
}

int interface_Switch::command(DeviceData* device, const char* name, int module, int index, int value,
    Report report)
{
    if (!device)
        printf("interface_Switch::%s: no device for module=%d index=%d\n", name, module, index);
    // The wait gives up after 20 s, so a device that never resolves cannot hold the page.
    const int rc = writeAndPoll(device, module, index, float(value));
    if (rc != 0)
        emit sendcommond(4);
    else if (report == ReportAll)
        emit sendcommond(3);
    return rc;
}

void interface_Switch::setAc(int module, int index, int value)
{
    command(m_acdcData, "setAc", module, index, value, ReportAll);
}

void interface_Switch::setDc(int module, int index, int value)
{
    // The DC side is driven through the AC/DC link: the DC/DC device has nothing to do.
    if (set[24].value == 1)
        return;
    command(m_dcdcData, "setDc", module, index, value, ReportAll);
}

void interface_Switch::setSTS(int module, int index, int value)
{
    command(m_stsData, "setSTS", module, index, value, ReportAll);
}

void interface_Switch::timeout_off()
{
    // Only a failure is shown: a success tip would cover the tip that says why the system stopped.
    command(m_acdcData, "timeout_off", 0, 68, 1, ReportFailures);
    if (set[24].value != 1)
        command(m_dcdcData, "timeout_off", 0, 8, 1, ReportFailures);
}

void interface_Switch::on_btn_on_clicked()
{
    ui->btn_on->setEnabled(false);
    setAc(0, 61, 1);
    if (currentRackInfo.dcViaAcDc == 0)
        setDc(0, 0, 1);
    ui->btn_on->setEnabled(true);
    if (m_tcpData)
        m_tcpData->setting(0, 502, 0.0f, 0);
}

void interface_Switch::on_btn_off_clicked()
{
    ui->btn_off->setEnabled(false);
    setAc(0, 68, 1);
    if (currentRackInfo.dcViaAcDc == 0)
        setDc(0, 1, 1);
    ui->btn_off->setEnabled(true);
    if (m_tcpData)
        m_tcpData->setting(0, 502, 1.0f, 0);
}

void interface_Switch::on_btn_ingrid_clicked()
{
    if (set[21].value == 0)
        setSTS(0, 1, 0);
    setAc(0, 69, 0);
    setDc(0, 7, 0);
}

void interface_Switch::on_btn_outgrid_clicked()
{
    if (set[21].value == 0)
        setSTS(0, 1, 1);
    setAc(0, 69, 1);
    setDc(0, 7, 1);
}

void interface_Switch::on_btn_clearfault_clicked()
{
    setAc(0, 63, 1);
    setDc(0, 3, 1);
    if (set[21].value == 0)
        setSTS(0, 2, 1);
    // A fault clear also releases the stop that a lost upper link asked for.
    if (g_acCrtlCmd & 2) {
        g_acCrtlCmd &= ~2;
        setAc(0, 67, g_acCrtlCmd);
        g_remoteout485flag = 0;
        g_remoteoutTCPflag = 0;
    }
}

void interface_Switch::on_btn_on_2_clicked()
{
    ui->btn_on_2->setEnabled(false);
    setAc(0, 61, 1);
    ui->btn_on_2->setEnabled(true);
}

void interface_Switch::on_btn_off_2_clicked()
{
    ui->btn_off_2->setEnabled(false);
    setAc(0, 62, 1);
    ui->btn_off_2->setEnabled(true);
}

void interface_Switch::branchCommand(int branch, bool on)
{
    if (currentRackInfo.dcViaAcDc != 0)
        setAc(1000 + branch, on ? 61 : 62, 1);
    else
        setDc(1000 + branch, on ? 0 : 1, 1);
}

void interface_Switch::on_btn_dc1_on_clicked() { branchCommand(1, true); }
void interface_Switch::on_btn_dc2_on_clicked() { branchCommand(2, true); }
void interface_Switch::on_btn_dc3_on_clicked() { branchCommand(3, true); }
void interface_Switch::on_btn_dc4_on_clicked() { branchCommand(4, true); }
void interface_Switch::on_btn_dc5_on_clicked() { branchCommand(5, true); }
void interface_Switch::on_btn_dc6_on_clicked() { branchCommand(6, true); }
void interface_Switch::on_btn_dc7_on_clicked() { branchCommand(7, true); }
void interface_Switch::on_btn_dc8_on_clicked() { branchCommand(8, true); }
void interface_Switch::on_btn_dc1_off_clicked() { branchCommand(1, false); }
void interface_Switch::on_btn_dc2_off_clicked() { branchCommand(2, false); }
void interface_Switch::on_btn_dc3_off_clicked() { branchCommand(3, false); }
void interface_Switch::on_btn_dc4_off_clicked() { branchCommand(4, false); }
void interface_Switch::on_btn_dc5_off_clicked() { branchCommand(5, false); }
void interface_Switch::on_btn_dc6_off_clicked() { branchCommand(6, false); }
void interface_Switch::on_btn_dc7_off_clicked() { branchCommand(7, false); }
void interface_Switch::on_btn_dc8_off_clicked() { branchCommand(8, false); }

void interface_Switch::switch1_onoff(bool on) { branchCommand(1, on); }
void interface_Switch::switch2_onoff(bool on) { branchCommand(2, on); }
void interface_Switch::switch3_onoff(bool on) { branchCommand(3, on); }
void interface_Switch::switch4_onoff(bool on) { branchCommand(4, on); }
void interface_Switch::switch5_onoff(bool on) { branchCommand(5, on); }
void interface_Switch::switch6_onoff(bool on) { branchCommand(6, on); }
void interface_Switch::switch7_onoff(bool on) { branchCommand(7, on); }
void interface_Switch::switch8_onoff(bool on) { branchCommand(8, on); }
