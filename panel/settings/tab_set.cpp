#include "tab_set.h"

#include "keypad.h"

#include <QLabel>
#include <QTabBar>
#include <QVBoxLayout>

int Tab_set::Upgrading = 0;

namespace {
const int kPages = 28;
}

Tab_set::Tab_set(QWidget* parent)
    : QTabWidget(parent)
{
    for (int i = 0; i < kPages; ++i) {
        QWidget* page = new QWidget;
        page->setObjectName(QString("tab_set_page_%1").arg(i));
        QVBoxLayout* layout = new QVBoxLayout(page);
        layout->addWidget(new QLabel(QString("Tab_set %1").arg(i), page), 0, Qt::AlignCenter);
        addTab(page, QString::number(i));
    }
    tabBar()->hide();
}

void Tab_set::setDeviceData(modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, ModbusAcDcData* acdc,
    DcdcData* dcdc, ModbusSTSData* sts)
{
    rtuDev = rtu;
    tcpDev = tcp;
    acDev = acdc;
    dcDev = dcdc;
    stsDev = sts;
    devicesSet = 1;
}

void Tab_set::setfirstindex(int i)
{
    firstIndex = i;
    subIndex = 1;
}

void Tab_set::setsubindex(int i)
{
    subIndex = i;
}

void Tab_set::mpaintEvent()
{
    if (devicesSet == 0 || idleFlag != 100 || KeyPad::edit == 1)
        return;
    idleFlag = 0;
    // A sub-page's refresher may disable its page again; none is drawn yet.
    if (QWidget* page = currentWidget())
        page->setEnabled(true);
    idleFlag = 100;
}
