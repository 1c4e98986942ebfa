#include "interface_sysset.h"

#include "devicedata.h"
#include "devicedataof.h"
#include "globalvar.h"
#include "idturn.h"
#include "monitorset.h"
#include "pageturnadv.h"
#include "tab_set.h"

#include <QVBoxLayout>

namespace {
enum { kBasic, kMachineType, kSystem, kMonitor, kAc, kDc, kSts, kAcDebug, kDcDebug, kUpgrade };
}

interface_SysSet::interface_SysSet(QWidget* parent)
    : QWidget(parent)
{
    if (objectName().isEmpty())
        setObjectName("interface_SysSet");
    resize(796, 480);
    setWindowTitle("Form");
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    QMetaObject::connectSlotsByName(this);
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
    m_pagesWidth = m_pages->width();
    m_module = new IdTurn(this);
    // On the pager's row: at the top it covered the field of the sub-page's first row.
    m_module->move(200, 437);
    m_module->settitle(tr("模块"));
    m_module->hide();
    connect(m_tab, &Tab_set::sendcommond, this, &interface_SysSet::sendcommond);
    connect(m_tab, &Tab_set::sendcommond_udisk, this, &interface_SysSet::sendcommond_udisk);
    connect(m_pages, &PageTurnAdv::page, this, &interface_SysSet::_change_sub_interface);
}

void interface_SysSet::setDiviceData(modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp,
    ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts)
{
    m_acdc = acdc;
    if (m_tab)
        m_tab->setDeviceData(rtu, tcp, acdc, dcdc, sts);
}

void interface_SysSet::change_sub_interface(int f)
{
    // Pages of each sub-page; the AC sub-page's follow the grid code, one more for inverter type 3.
    int counts[9] = { 0, 0, 2, 2, 9, 2, 3, 3, 0 };
    float inverterType = 0;
    if (DeviceData* ac = deviceDataOf(m_acdc))
        ac->getConfig(0, 109, &inverterType);
    const int extra = inverterType == 3.0f ? 1 : 0;
    switch (set[53].value) {
    case 0:
    case 3:
        counts[kAc] = 4 + extra;
        break;
    case 1:
        counts[kAc] = 8 + extra;
        break;
    case 2:
        counts[kAc] = 7 + extra;
        break;
    default:
        break;
    }

    if (!m_tab)
        return;
    currentSettingsSubPage = f;
    m_tab->setCurrentIndex(f);
    m_tab->setfirstindex(f);

    auto showPages = [this](int count) {
        m_pages->setmaxpage(count);
        m_pages->setFirstPage();
        m_pages->show();
        m_pages->raise();
    };
    auto showModules = [this](const QString& title, int count, int id) {
        // The pager leaves the right part of the row to the module picker (three pages at most here).
        m_pages->resize(196, m_pages->height());
        m_module->settitle(title);
        m_module->setMaxCount(count);
        m_module->setCurrentId(id);
        m_module->show();
        m_module->raise();
    };
    m_pages->hide();
    m_module->hide();
    m_pages->resize(m_pagesWidth, m_pages->height());
    switch (f) {
    case kMachineType:
        // Read-only below level 4 until the settings refresh applies the page's own level rules.
        if (QWidget* page = m_tab->widget(kMachineType))
            page->setEnabled(keyword_right > 3);
        break;
    case kSystem:
        showPages(set[25].value == 6091 ? 3 : 2);
        break;
    case kMonitor:
        showPages(2);
        break;
    case kAc:
        showPages(counts[kAc]);
        break;
    case kDc:
        showPages(2);
        // A branch count outside 1..8 would leave the picker empty and address branch "1000".
        showModules(tr("支路"), Tab_set::branchCount(), m_tab->dcModule - 1000);
        break;
    case kSts:
        showPages(keyword_right <= 2 ? 2 : 3);
        break;
    case kAcDebug:
        if (keyword_right > 2)
            showPages(3);
        showModules(tr("模块"), 11, m_tab->acDebugModule);
        break;
    case kDcDebug:
        showModules(tr("模块"), 10, m_tab->dcDebugModule);
        break;
    default:
        break;
    }
}

void interface_SysSet::_change_sub_interface(int p)
{
    if (!m_tab)
        return;
    m_tab->setsubindex(p);
    int tab = -1;
    switch (currentSettingsSubPage) {
    case kBasic:
        tab = p == 1 ? 0 : 26;
        break;
    case kSystem:
        tab = p == 1 ? 2 : (p == 2 ? 24 : (p == 3 ? 27 : -1));
        break;
    case kMonitor:
        tab = p == 1 ? 3 : 25;
        break;
    case kAc: {
        static const int order03[] = { 4, 10, 11, 12, 17 };
        static const int order2[] = { 4, 10, 13, 11, 12, 15, 16, 17 };
        const int code = set[53].value;
        if (p == 1)
            tab = 4;
        else if ((code == 0 || code == 3) && p >= 2 && p <= 5)
            tab = order03[p - 1];
        else if (code == 1 && p >= 2 && p <= 9)
            tab = p + 8;
        else if (code == 2 && p >= 2 && p <= 8)
            tab = order2[p - 1];
        break;
    }
    case kDc:
        tab = p == 1 ? 5 : p + 16;
        break;
    case kSts:
        tab = p == 1 ? 6 : p + 18;
        break;
    case kAcDebug:
        tab = p == 1 ? 7 : p + 20;
        break;
    default:
        break;
    }
    if (tab >= 0 && tab < m_tab->count())
        m_tab->setCurrentIndex(tab);
}

void interface_SysSet::freshme()
{
    if (!m_tab)
        return;
    switch (currentSettingsSubPage) {
    case kDc:
        m_tab->dcModule = m_module->getId() + 1000;
        break;
    case kAcDebug:
        m_tab->acDebugModule = m_module->getId();
        break;
    case kDcDebug:
        m_tab->dcDebugModule = m_module->getId();
        break;
    default:
        break;
    }
    m_tab->mpaintEvent();
}
