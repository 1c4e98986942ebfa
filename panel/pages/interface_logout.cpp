#include "interface_logout.h"

#include "tab_logout.h"

#include <QVBoxLayout>

interface_LogOut::interface_LogOut(QWidget* parent)
    : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName("interface_LogOut");
    new QVBoxLayout(this);
}

void interface_LogOut::loadtab_delay()
{
    if (m_tab)
        return;
    m_tab = new Tab_Logout(this);
    layout()->addWidget(m_tab);
    connect(m_tab, &Tab_Logout::sendcommond, this, &interface_LogOut::sendcommond);
}

INTERFACE4_1* interface_LogOut::getwarwidget() const
{
    return m_tab ? m_tab->getwarwidget() : nullptr;
}

INTERFACE4_2* interface_LogOut::getlogwidget() const
{
    return m_tab ? m_tab->getlogwidget() : nullptr;
}

Interface4_5* interface_LogOut::getslogwidget() const
{
    return m_tab ? m_tab->getslogwidget() : nullptr;
}

void interface_LogOut::freshme()
{
    if (m_tab)
        m_tab->fresh_current();
}

void interface_LogOut::fresh_power_data()
{
    if (m_tab)
        m_tab->fresh_power_data();
}

void interface_LogOut::fresh_down(int kind, int value)
{
    if (m_tab)
        m_tab->fresh_down(kind, value);
}

void interface_LogOut::change_sub_interface(int row)
{
    m_subPage = row;
    if (m_tab)
        m_tab->setshowtype(row);
}
