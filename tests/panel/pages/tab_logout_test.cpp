#include "tab_logout.h"

#include "globalvar.h"
#include "interface4_1.h"
#include "interface4_2.h"
#include "interface4_5.h"

#include <gtest/gtest.h>

TEST(Tab_Logout, FinalCodeOfAnExportOfEverythingClearsTheMark)
{
    struct Case { const char* name; int running; int id; int code; int after; } cases[] = {
        { "end of export-all", 1, 0, 18, 0 },
        { "other code during export-all", 1, 4, 19, 1 },
        { "code 18 with no export-all", 0, 0, 18, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tab_Logout tab;
        isdownALLing = c.running;
        tab.fresh_down(c.id, c.code);
        EXPECT_EQ(isdownALLing, c.after);
    }
}

TEST(Tab_Logout, RecordListsKeepWhatStartUpHandsThem)
{
    Tab_Logout tab;
    static char alarm[3][150][32], status[3][150][32];
    static char acConfig[300][48], dcConfig[150][48], stsConfig[200][48];
    auto* alarms = reinterpret_cast<norvale::AlarmRecordFile*>(0x10);
    auto* operations = reinterpret_cast<norvale::OperateRecordFile*>(0x20);
    auto* statuses = reinterpret_cast<norvale::OperateRecordFile*>(0x30);

    tab.getwarwidget()->setChargerFaultFile(alarms);
    tab.getwarwidget()->setAlarmName(alarm[0], alarm[1], alarm[2]);
    tab.getlogwidget()->setOperateRecordFile(operations);
    tab.getlogwidget()->setConfigName(acConfig, dcConfig, stsConfig);
    tab.getslogwidget()->getStatusRecordFile(statuses);
    tab.getslogwidget()->setStatusName(status[0], status[1], status[2]);

    EXPECT_EQ(tab.getwarwidget()->chargerFaultFile(), alarms);
    EXPECT_EQ(tab.getwarwidget()->stsAlarmName(), alarm[2]);
    EXPECT_EQ(tab.getlogwidget()->operateRecordFile(), operations);
    EXPECT_EQ(tab.getlogwidget()->dcdcConfigName(), dcConfig);
    EXPECT_EQ(tab.getslogwidget()->statusRecordFile(), statuses);
    EXPECT_EQ(tab.getslogwidget()->dcacStatusName(), status[0]);
}
