#include "interface_energy.h"
#include "devicedata.h"
#include "devicedataof.h"
#include "energythread.h"
#include "monitorset.h"

#include <QLabel>
#include <QVBoxLayout>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <unistd.h>

namespace {

// The insulation monitor enables, words 42 to 51 of the option record "../log/partdata.dat"
// (840 bytes of little-endian 32-bit words). A missing or short record enables none.
void readInsulationEnable(int* flags)
{
    enum { RECORD_BYTES = 840, FIRST_WORD = 42 };
    for (int m = 0; m < EnergyThread::MONITORS; ++m)
        flags[m] = 0;
    int fd = ::open("../log/partdata.dat", O_RDONLY);
    if (fd < 0)
        return;
    unsigned char record[RECORD_BYTES];
    const ssize_t n = ::read(fd, record, sizeof record);
    ::close(fd);
    if (n < ssize_t(sizeof record))
        return;
    for (int m = 0; m < EnergyThread::MONITORS; ++m) {
        const unsigned char* w = record + 4 * (FIRST_WORD + m);
        flags[m] = int(uint32_t(w[0]) | uint32_t(w[1]) << 8 | uint32_t(w[2]) << 16 | uint32_t(w[3]) << 24);
    }
}

} // namespace

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
    if (m_thread)
        return;
    m_thread = new EnergyThread(this);
    m_thread->setDeviceData(acdc, dcdc, sts, rtu, tcp);

    // Only a value the converter gave replaces the setting; a failed read keeps it.
    DeviceData* ac = deviceDataOf(acdc);
    float enabled = 0.0f;
    if (ac && ac->getConfig(0, 280, &enabled) == 0) {
        set[42].value = enabled == 1.0f ? 1 : 0;
        savemonitorset();
    }
    readInsulationEnable(m_thread->insulationEnable);
    // Without the converter system there is nothing to manage.
    if (!ac) {
        printf("interface_Energy::setDeviceData no AC/DC device, energy management not started\n");
        return;
    }
    m_thread->start(QThread::InheritPriority);
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
