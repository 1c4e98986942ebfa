#ifndef LAYOUTFRAME_H
#define LAYOUTFRAME_H

#include "alarmrecordfile.h"
#include "chargerfault.h"
#include "form.h"
#include "globalvar.h"
#include "htstatbar.h"
#include "interface4_1.h"
#include "interface4_2.h"
#include "interface4_5.h"
#include "monitorset.h"
#include "my_gd.h"
#include "mybasedialog.h"
#include "mytoolbar.h"
#include "nametables.h"
#include "operaterecord.h"
#include "operaterecordfile.h"
#include "pageturnadv.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QListWidget>
#include <QTranslator>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>
#include <memory>

// The main window's frame (tool bar, page switcher, status bar) on a 800 x 600 screen, in either
// language, and the pages it offers, for the tests that look at every page.

// One row per page: the tool-bar page and the row of its sub-menu (-1: the page has none).
// Every page of the pager that the sub-page shows is checked too.
struct PageRow {
    const char* name;
    int toolbarPage;
    int row;
};

inline const PageRow kPages[] = {
    { "Diagram", 1, -1 },
    { "SysInfDc", 2, 0 },
    { "SysInfAc", 2, 1 },
    { "SysInfGrid", 2, 2 },
    { "SysInfLoad", 2, 3 },
    { "SysInfStatus", 2, 4 },
    { "SysInfBms", 2, 5 },
    { "SysInfAcDetail", 2, 6 },
    { "SysInfDcDetail", 2, 7 },
    { "SysInfStsDetail", 2, 8 },
    { "RecordsCurrent", 3, 0 },
    { "RecordsPast", 3, 1 },
    { "RecordsOperation", 3, 2 },
    { "RecordsStatus", 3, 3 },
    { "RecordsCurve", 3, 4 },
    { "RecordsExport", 3, 5 },
    { "SettingsGeneral", 4, 0 },
    { "SettingsCabinetType", 4, 1 },
    { "SettingsSystem", 4, 2 },
    { "SettingsMonitor", 4, 3 },
    { "SettingsAc", 4, 4 },
    { "SettingsDc", 4, 5 },
    { "SettingsSts", 4, 6 },
    { "SettingsAcDebug", 4, 7 },
    { "SettingsDcDebug", 4, 8 },
    { "SettingsUpgrade", 4, 9 },
    { "Operation", 5, -1 },
    { "CtrlMode", 6, -1 },
    { "EnergyDescription", 7, 0 },
    { "EnergyStrategy", 7, 1 },
    { "EnergyDaily", 7, 2 },
    { "EnergyChargePrice", 7, 3 },
    { "EnergyDischargePrice", 7, 4 },
    { "EnergyAccessories", 7, 5 },
    { "EnergyStatistics", 7, 6 },
    { "Login", 8, -1 },
};

// The frame as the main window lays it out, with records in the lists so that their columns show
// real texts.
class LayoutFrame {
public:
    explicit LayoutFrame(bool english)
    {
        TimeSeam::useFakeClock(true);
        TimeSeam::setWallTime(1700000000);
        set[1].value = 0;
        set[20].value = english ? 1 : 0;
        set[21].value = 0;
        set[24].value = 0;
        set[26].value = 1;
        set[59].value = 0;
        My_Gd::is_english = english ? 1 : 0;
        if (english) {
            translator.reset(new QTranslator);
            const bool loaded = translator->load(QCoreApplication::applicationDirPath() + "/abc.qm");
            EXPECT_TRUE(loaded);
            QCoreApplication::installTranslator(translator.get());
        }
        clearNameTables();
        loadDeviceNames(english);

        window.reset(new MyBaseDialog);
        window->resize(800, 600);
        bar = new MyToolBar(window.get());
        form = new Form(window.get());
        status = new HTStatbar(window.get());
        QVBoxLayout* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 2);
        layout->setSpacing(0);
        layout->addWidget(bar);
        layout->addWidget(form);
        layout->addWidget(status);
        QObject::connect(bar, &MyToolBar::signal_toolbar, form, &Form::slot_toolbar);
        // The login page starts logged out; every row shows from level 4 on.
        keyword_right = 4;
        bar->changeUser(keyword_right);
        status->user_changed(keyword_right);
        status->updateTime();

        fillRecords();
        window->show();
        QApplication::processEvents();
    }

    ~LayoutFrame()
    {
        window.reset();
        if (translator)
            QCoreApplication::removeTranslator(translator.get());
    }

    void open(const PageRow& page)
    {
        form->slot_toolbar(page.toolbarPage);
        if (page.row >= 0) {
            QListWidget* list = form->findChild<QListWidget*>("listWidget");
            ASSERT_TRUE(list);
            ASSERT_LT(page.row, list->count());
            ASSERT_FALSE(list->isRowHidden(page.row)) << "row " << page.row << " is hidden";
            list->setCurrentRow(page.row);
        }
        // The main window's once-a-second refresh fills the lists.
        form->freshme();
        settle();
    }

    void settle()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

    // The pager of the page shown, if it shows one.
    PageTurnAdv* pager()
    {
        for (PageTurnAdv* p : window->findChildren<PageTurnAdv*>())
            if (p->isVisible())
                return p;
        return nullptr;
    }

    std::unique_ptr<QTranslator> translator;
    std::unique_ptr<MyBaseDialog> window;
    MyToolBar* bar = nullptr;
    Form* form = nullptr;
    HTStatbar* status = nullptr;

private:
    void fillRecords()
    {
        alarms.read();
        operations.read();
        // Twenty alarms, every other one ended: both alarm lists have rows.
        for (int i = 0; i < 20; ++i) {
            ChargerFault f;
            std::memset(&f, 0, sizeof f);
            f.code = 101 + i % 3;
            f.index = i % 10;
            std::snprintf(f.startTime, sizeof f.startTime, "2024-12-28 10:%02d:%02d", i, 59 - i);
            f.active = 1;
            alarms.set(&f);
        }
        for (int i = 0; i < 20; i += 2) {
            ChargerFault f;
            std::memset(&f, 0, sizeof f);
            f.code = 101 + i % 3;
            f.index = i % 10;
            std::snprintf(f.endTime, sizeof f.endTime, "2024-12-28 18:%02d:%02d", i, 48);
            alarms.set(&f);
        }
        for (int i = 0; i < 20; ++i) {
            OperateRecord r;
            std::memset(&r, 0, sizeof r);
            r.modules = i % 2 ? 101 : 0;
            r.oid = i;
            r.rdata = -1234.5;
            r.mdata = 98765.25;
            std::snprintf(r.time, sizeof r.time, "2024-12-28 11:%02d:%02d", i, 58 - i);
            operations.set(&r);
        }
        form->getwarwidget()->setChargerFaultFile(&alarms);
        form->getwarwidget()->setAlarmName(text_dcac_alarm, text_dcdc_alarm, text_sts_alarm);
        form->getlogwidget()->setOperateRecordFile(&operations);
        form->getslogwidget()->getStatusRecordFile(&operations);
    }

    norvale::AlarmRecordFile alarms { "../log/history.log", false };
    norvale::OperateRecordFile operations { "../log/operation.log", false };
};

#endif
