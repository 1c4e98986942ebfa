#include "interface_logout.h"

#include "tab_logout.h"

#include <QVBoxLayout>

interface_LogOut::interface_LogOut(QWidget* parent)
    : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName("interface_LogOut");
    resize(796, 480);
    setWindowTitle("Form");
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    QMetaObject::connectSlotsByName(this);
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

void interface_LogOut::fresh_down(int index, int type)
{
    if (m_tab)
        m_tab->fresh_down(index, type);
}

void interface_LogOut::change_sub_interface(int type)
{
    m_type = type;
    if (!m_tab)
        return;
    m_tab->setshowtype(type);
    // Both alarm rows share the alarm list; its reload tells them apart by the show type.
    switch (type) {
    case 0:
    case 1:
        m_tab->setCurrentIndex(6);
        break;
    case 2:
        m_tab->setCurrentIndex(7);
        break;
    case 3:
        m_tab->setCurrentIndex(8);
        break;
    default:
        m_tab->setCurrentIndex(type);
        break;
    }
}
