#include "interface_sysset.h"

#include "idturn.h"
#include "pageturnadv.h"
#include "tab_set.h"

#include <QLabel>
#include <QVBoxLayout>

interface_SysSet::interface_SysSet(QWidget* parent)
    : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName("interface_SysSet");
    QVBoxLayout* layout = new QVBoxLayout(this);
    m_caption = new QLabel(this);
    layout->addWidget(m_caption, 0, Qt::AlignCenter);
    change_sub_interface(0);
}

void interface_SysSet::loadtab_delay()
{
    if (m_tab)
        return;
    m_tab = new Tab_set(this);
    layout()->addWidget(m_tab);
    m_pages = new PageTurnAdv(this);
    m_pages->move(0, 435);
    m_pages->hide();
    m_module = new IdTurn(this);
    m_module->move(0, 5);
    m_module->settitle(tr("模块"));
    m_module->hide();
    connect(m_tab, &Tab_set::sendcommond, this, &interface_SysSet::sendcommond);
}

void interface_SysSet::setDiviceData(modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp,
    ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts)
{
    m_acdc = acdc;
    if (m_tab)
        m_tab->setDeviceData(rtu, tcp, acdc, dcdc, sts);
}

void interface_SysSet::freshme()
{
    if (m_tab)
        m_tab->update();
}

void interface_SysSet::change_sub_interface(int subpage)
{
    m_subPage = subpage;
    m_caption->setText(QString("interface_SysSet %1").arg(subpage));
}
