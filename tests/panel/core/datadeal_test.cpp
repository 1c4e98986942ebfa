#include "datadeal.h"
#include "alarmrecordfile.h"
#include "buzz.h"
#include "debugargs.h"
#include "fakedevice.h"
#include "fakehardware.h"
#include "globalvar.h"
#include "gpio.h"
#include "led.h"
#include "monitorset.h"
#include "nametables.h"
#include "operaterecordfile.h"
#include "racktable.h"
#include "runtimetree.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QMetaMethod>
#include <QTimer>
#include <initializer_list>
#include <string.h>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A data-handling object over fake devices in a fresh runtime tree. Its loop is driven one pass
// (or one step) at a time on a stepped clock.
struct Deal {
    RuntimeTree tree;
    FakeHardware* hw;
    FakeDevice ac, dc, sts, bms;
    DATADEAL* d;
    std::vector<int> tips;

    explicit Deal(std::initializer_list<std::pair<int, int>> settings = {})
    {
        TimeSeam::useFakeClock(true);
        hw = FakeHardware::install();
        for (int i = 0; i < 80; ++i)
            set[i].value = 0;
        set[21].value = 1;   // no switch fitted unless a test says so
        for (const auto& s : settings)
            set[s.first].value = s.second;
        fillStates(dcacstate, 60, 0);
        fillStates(dcdcstate, 60, 0);
        memset(&currentRackInfo, 0, sizeof currentRackInfo);
        g_alarm_flag = 0;
        g_alarm_1s_count = 0;
        g_remoteoutTCPflag = 0;
        g_remoteout485flag = 0;
        d = new DATADEAL;
        d->setDeviceData(&ac, &dc, &sts, &bms, nullptr, nullptr, set);
        d->setModuleState(dcacstate, dcdcstate);
        d->setDataName(text_dcac_status, text_dcdc_status, text_sts_status, text_dcac_alarm, text_dcdc_alarm,
            text_sts_alarm, text_dcac_analog, text_dcdc_analog, text_sts_analog, text_dcac_config,
            text_dcdc_config, text_sts_config);
        QObject::connect(d, qOverload<int>(&DATADEAL::sendcommond), [this](int code) { tips.push_back(code); });
    }
    ~Deal()
    {
        delete d;
        TimeSeam::useFakeClock(false);
    }

    std::vector<OperateRecord> records(norvale::OperateRecordFile* file)
    {
        std::vector<OperateRecord> out;
        for (int i = 0; i < file->size(); ++i) {
            OperateRecord r;
            file->get(i, &r);
            out.push_back(r);
        }
        return out;
    }
    std::vector<ChargerFault> alarms()
    {
        std::vector<ChargerFault> out;
        norvale::AlarmRecordFile* file = d->getAlarmRecordFile();
        for (int i = 0; i < file->size(); ++i) {
            ChargerFault f;
            file->get(i, &f);
            out.push_back(f);
        }
        return out;
    }
    int openLines()
    {
        int n = 0;
        for (const ChargerFault& f : alarms())
            n += f.active ? 1 : 0;
        return n;
    }
    int activeTimers()
    {
        int n = 0;
        for (QTimer* t : d->findChildren<QTimer*>())
            n += t->isActive() ? 1 : 0;
        return n;
    }
};

OperateRecord record(int oid, int modules, double value = 1.0)
{
    OperateRecord r;
    memset(&r, 0, sizeof r);
    strcpy(r.time, "2024-05-06 07:08:09");
    r.oid = oid;
    r.modules = modules;
    r.mdata = value;
    return r;
}

} // namespace

TEST(DATADEAL, StartsWithAPowerOnRecordAndNoAlarms)
{
    Deal t;
    const auto status = t.records(t.d->getStatusRecordFile());
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0].modules, 2000);
    EXPECT_EQ(status[0].oid, 0);
    EXPECT_EQ(status[0].rdata, 0.0);
    EXPECT_EQ(status[0].mdata, 1.0);
    EXPECT_EQ(strlen(status[0].time), 19u);
    EXPECT_EQ(t.d->getAlarmSize(), 0);
    EXPECT_EQ(t.d->getOperateRecordFile()->size(), 0);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(allData.openTimer[i], -1);
        EXPECT_EQ(allData.relay[i], 0);
    }
    // Only the power timer runs; it takes the AC/DC system power each second.
    EXPECT_EQ(t.activeTimers(), 1);
    t.ac.analog[{ 0, 53 }] = 12.5f;
    t.d->time_power_slot();
    EXPECT_EQ(g_power[0], 12.5f);
    // The LED thread started on the GPIO device, the buzzer thread on the PWM device.
    EXPECT_EQ(Led::io_handle, Gpio::handle);
    EXPECT_GE(Buzz::buzzFd, 0);
}

TEST(DATADEAL, PassSchedule)
{
    Deal t;
    // Every battery pass copies the AC/DC value, since the DC/DC side never takes it here.
    t.ac.analog[{ 0, 47 }] = 5.0f;
    t.dc.config[{ 20, 87 }] = 1.0f;
    std::vector<int> statePasses, powerPasses;
    for (int pass = 1; pass <= 100; ++pass) {
        dcacstate[0] = 99;
        const size_t writes = t.dc.writes.size();
        t.d->onePass();
        if (dcacstate[0] != 99)
            statePasses.push_back(pass);
        if (t.dc.writes.size() > writes)
            powerPasses.push_back(pass);
    }
    std::vector<int> states;
    for (int p = 5; p <= 100; p += 6)
        states.push_back(p);
    EXPECT_EQ(statePasses, states);
    EXPECT_EQ(powerPasses, (std::vector<int>{ 80, 90, 100 }));
    EXPECT_TRUE(t.dc.wrote(30, 87, 5.0f));
}

TEST(DATADEAL, PowerPairWithAFailedReadIsSkipped)
{
    Deal t;
    t.ac.analog[{ 0, 47 }] = 5.0f;
    t.dc.config[{ 20, 87 }] = 5.0f;   // equal: nothing to send
    t.ac.analog[{ 0, 48 }] = 7.0f;    // the DC/DC side does not answer for 76
    t.dc.config[{ 20, 85 }] = 2.0f;   // the AC/DC side does not answer for 70
    t.d->dealwithPower();
    EXPECT_TRUE(t.dc.writes.empty());
    t.dc.config[{ 20, 76 }] = 1.0f;
    t.d->dealwithPower();
    ASSERT_EQ(t.dc.writes.size(), 1u);
    EXPECT_TRUE(t.dc.wrote(30, 76, 7.0f));
}

TEST(DATADEAL, AlarmEdges)
{
    struct Step { const char* name; int value; bool offline; int count; int open; int lines; } steps[] = {
        { "quiet", 0, false, 0, 0, 0 },
        { "0 -> 1 opens", 1, false, 1, 1, 1 },
        { "1 -> 0 closes", 0, false, 0, 0, 1 },
        { "0 -> 300 opens", 300, false, 1, 1, 2 },
        { "a steady 300 writes nothing", 300, false, 1, 1, 2 },
        { "still 300", 300, false, 1, 1, 2 },
        { "a negative value is skipped", -1, false, 1, 1, 2 },
        { "offline module closes its lines", 300, true, 0, 0, 2 },
        { "offline and still set: nothing more", 300, true, 0, 0, 2 },
        { "back online with the alarm set opens again", 300, false, 1, 1, 3 },
        { "300 -> 0 closes", 0, false, 0, 0, 3 },
        { "0 -> 1", 1, false, 1, 1, 4 },
        { "1 -> 2 opens a second line", 2, false, 2, 2, 5 },
        { "2 -> 0 closes both", 0, false, 0, 0, 5 },
        { "0 -> 2", 2, false, 1, 1, 6 },
        { "2 -> 1 closes the newest", 1, false, 0, 0, 6 },
        { "1 -> 0 has nothing left to close", 0, false, 0, 0, 6 },
        { "0 -> 1 once more", 1, false, 1, 1, 7 },
        { "1 -> 2, two lines open", 2, false, 2, 2, 8 },
        { "2 -> 1 closes the newest of two", 1, false, 1, 1, 8 },
        { "1 -> 0 closes the other", 0, false, 0, 0, 8 },
    };
    Deal t;
    for (const Step& s : steps) {
        t.ac.alarm[{ 1, 3 }] = s.value;
        dcacstate[1] = s.offline ? 16 : 27;
        t.d->dealwithAlarmRecord();
        EXPECT_EQ(t.d->getAlarmSize(), s.count) << s.name;
        EXPECT_EQ(t.openLines(), s.open) << s.name;
        EXPECT_EQ(int(t.alarms().size()), s.lines) << s.name;
    }
    for (const ChargerFault& f : t.alarms()) {
        EXPECT_EQ(f.code, 101);
        EXPECT_EQ(f.index, 3);
        EXPECT_EQ(strlen(f.endTime), 19u);
    }

    // The lines reached the file: a fresh reader finds them all closed.
    norvale::RecordFile file("../log/history.log", false);
    ASSERT_TRUE(file.read());
    ASSERT_EQ(file.size(), 8);
    for (int i = 0; i < file.size(); ++i) {
        norvale::Record r;
        file.get(i, &r);
        EXPECT_EQ(r.active, 0) << i;
    }
}

TEST(DATADEAL, AlarmCodesPerDevice)
{
    Deal t;
    t.ac.alarm[{ 11, 149 }] = 1;
    t.dc.alarm[{ 2, 5 }] = 1;
    t.dc.alarm[{ 11, 5 }] = 1;    // past the DC/DC modules
    t.sts.alarm[{ 1, 7 }] = 1;
    t.sts.alarm[{ 1, 150 }] = 1;  // past the switch's points
    dcacstate[11] = 27;
    t.d->dealwithAlarmRecord();
    const auto lines = t.alarms();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].code, 111);
    EXPECT_EQ(lines[0].index, 149);
    EXPECT_EQ(lines[1].code, 202);
    EXPECT_EQ(lines[1].index, 5);
    EXPECT_EQ(lines[2].code, 301);
    EXPECT_EQ(lines[2].index, 7);
    EXPECT_EQ(t.d->getAlarmSize(), 3);
    // The DC/DC and switch alarms stay when their modules look offline.
    fillStates(dcdcstate, 11, 16);
    dcacstate[12] = 16;
    t.d->dealwithAlarmRecord();
    EXPECT_EQ(t.d->getAlarmSize(), 3);
}

TEST(DATADEAL, OperationRecords)
{
    Deal t;
    for (int i = 0; i < 8; ++i)
        t.ac.records.push_back(record(87, 100));
    t.ac.records.push_back(record(10, 101));
    t.ac.records.push_back(record(11, 112));
    for (int oid = 12; oid <= 16; ++oid)
        t.ac.records.push_back(record(oid, 101));
    for (int i = 0; i < 8; ++i)
        t.dc.records.push_back(record(i, 201));
    t.sts.records.push_back(record(3, 301));
    OperateRecord buffer;
    t.d->dealwithSetting(&buffer);

    auto log = t.records(t.d->getOperateRecordFile());
    std::vector<int> oids;
    for (const OperateRecord& r : log)
        oids.push_back(r.oid);
    // AC/DC: the 87s use no budget; 112 uses one slot without being stored; 16 waits.
    // DC/DC: six of eight. The switch record is dropped: no switch fitted.
    EXPECT_EQ(oids, (std::vector<int>{ 10, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5 }));
    EXPECT_EQ(t.ac.records.size(), 1u);
    EXPECT_EQ(t.dc.records.size(), 2u);
    EXPECT_TRUE(t.sts.records.empty());

    set[21].value = 0;
    t.sts.records.push_back(record(4, 301, 2.5));
    t.d->dealwithSetting(&buffer);
    log = t.records(t.d->getOperateRecordFile());
    ASSERT_EQ(log.size(), 11u + 1 + 2 + 1);
    EXPECT_EQ(log.back().modules, 301);
    EXPECT_EQ(log.back().mdata, 2.5);
}

TEST(DATADEAL, StatusRecords)
{
    Deal t;
    t.ac.status[{ 1003, 5 }] = 1;
    t.ac.status[{ 2, 72 }] = 1;
    t.ac.status[{ 2, 73 }] = 1;     // past the AC/DC status points
    t.dc.status[{ 1002, 7 }] = 1;
    t.dc.status[{ 1, 20 }] = 300;
    t.dc.status[{ 1, 21 }] = 1;     // never recorded
    t.sts.status[{ 1, 4 }] = 2;
    for (int pass = 0; pass < 3; ++pass)
        t.d->dealwithStatusRecord();

    auto log = t.records(t.d->getStatusRecordFile());
    ASSERT_EQ(log.size(), 1u + 5);
    struct Want { int modules, oid; double rdata, mdata; } want[] = {
        { 1103, 5, 0, 1 }, { 102, 72, 0, 1 }, { 1202, 7, 0, 1 }, { 201, 20, 0, 300 }, { 301, 4, 0, 2 },
    };
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(log[i + 1].modules, want[i].modules) << i;
        EXPECT_EQ(log[i + 1].oid, want[i].oid) << i;
        EXPECT_EQ(log[i + 1].rdata, want[i].rdata) << i;
        EXPECT_EQ(log[i + 1].mdata, want[i].mdata) << i;
    }

    // A negative answer is skipped; the fall from 300 is one record with the old value.
    t.dc.status[{ 1, 20 }] = -1;
    t.d->dealwithStatusRecord();
    t.dc.status[{ 1, 20 }] = 0;
    t.d->dealwithStatusRecord();
    log = t.records(t.d->getStatusRecordFile());
    ASSERT_EQ(log.size(), 7u);
    EXPECT_EQ(log[6].modules, 201);
    EXPECT_EQ(log[6].rdata, 300.0);
    EXPECT_EQ(log[6].mdata, 0.0);
}

// The status log takes every change; the console shows them only with the device's trace bit
// (bit 0 the AC/DC link and the switch, bit 1 the DC/DC link), since a start alone makes hundreds.
TEST(DATADEAL, StatusTracesFollowTheTraceSwitches)
{
    const int saved = debug;
    struct Case { int mask; bool dcac, dcdc, sts; } cases[] = {
        { 0, false, false, false },
        { 1, true, false, true },
        { 2, false, true, false },
        { 3, true, true, true },
        { 8, false, false, false },
    };
    for (const Case& c : cases) {
        debug = c.mask;
        Deal t;
        t.ac.status[{ 1003, 5 }] = 1;
        t.ac.status[{ 2, 7 }] = 1;
        t.dc.status[{ 1, 20 }] = 1;
        t.sts.status[{ 1, 4 }] = 2;
        testing::internal::CaptureStdout();
        t.d->dealwithStatusRecord();
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.find("-DCAC status change:moduleId=1003") != std::string::npos, c.dcac) << c.mask << out;
        EXPECT_EQ(out.find("-DCAC status change:moduleId=2 ") != std::string::npos, c.dcac) << c.mask << out;
        EXPECT_EQ(out.find("-DCDC status change:moduleId=1 ") != std::string::npos, c.dcdc) << c.mask << out;
        EXPECT_EQ(out.find("-STS status change:moduleId=1 ") != std::string::npos, c.sts) << c.mask << out;
        EXPECT_EQ(t.records(t.d->getStatusRecordFile()).size(), 1u + 4) << c.mask;
    }
    debug = saved;
}

TEST(DATADEAL, PanelEventRecords)
{
    Deal t;
    struct Case { const char* name; void (*call)(DATADEAL*); int code; double rdata, mdata; } cases[] = {
        { "TCP heartbeat lost", [](DATADEAL* d) { d->monitorRemoteState(1); }, 3100, 0, 1 },
        { "RS-485 heartbeat lost", [](DATADEAL* d) { d->monitorRemoteState(0); }, 3101, 0, 1 },
        { "battery event", [](DATADEAL* d) { d->monitoWriteLog(2); }, 3002, 0, 1 },
        { "forced charge starts", [](DATADEAL* d) { d->monitorforceChargeLog(3, 0, 0); }, 3203, 0, 1 },
        { "forced charge ends", [](DATADEAL* d) { d->monitorforceChargeLog(3, 1, 1); }, 3213, 1, 0 },
        { "unknown kind and value", [](DATADEAL* d) { d->monitorforceChargeLog(3, 2, 5); }, 0, 0, 0 },
    };
    for (const Case& c : cases) {
        c.call(t.d);
        const auto log = t.records(t.d->getOperateRecordFile());
        ASSERT_FALSE(log.empty()) << c.name;
        EXPECT_EQ(log.back().modules, c.code) << c.name;
        EXPECT_EQ(log.back().oid, 0) << c.name;
        EXPECT_EQ(log.back().rdata, c.rdata) << c.name;
        EXPECT_EQ(log.back().mdata, c.mdata) << c.name;
    }
}

TEST(DATADEAL, TracesNameOnlyPointsInTheirTables)
{
    Deal t;
    strcpy(text_dcac_config[10], "PowerLimit");
    t.ac.records.push_back(record(10, 101));
    t.ac.records.push_back(record(5000, 101));
    t.ac.records.push_back(record(-3, 101));
    t.dc.alarm[{ 1, 149 }] = 1;
    testing::internal::CaptureStdout();
    OperateRecord buffer;
    t.d->dealwithSetting(&buffer);
    t.d->dealwithAlarmRecord();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("index=10 PowerLimit  val="), std::string::npos) << out;
    EXPECT_NE(out.find("index=5000   val="), std::string::npos) << out;
    EXPECT_NE(out.find("index=-3   val="), std::string::npos) << out;
    EXPECT_NE(out.find("DCDC alarm:moduleId=1  index=149"), std::string::npos) << out;
}

TEST(DATADEAL, DcacModuleStates)
{
    struct Case { const char* name; int module; std::vector<int> set; int state, health; } cases[] = {
        { "offline whatever else", 1, { 52, 53, 62 }, 16, 29 },
        { "fault beside running", 1, { 0, 52, 53 }, 27, 18 },
        { "alarm beside running", 1, { 0, 51, 53 }, 27, 19 },
        { "sleep", 1, { 0, 62, 53 }, 25, 17 },
        { "stopped", 1, { 0, 54 }, 26, 17 },
        { "a module is never standby", 2, { 0, 53, 54 }, 27, 17 },
        { "a branch is", 1001, { 0, 53, 54 }, 24, 17 },
        { "PV generation", 3, { 0, 53, 61, 59 }, 28, 17 },
        { "full", 4, { 0, 53, 59, 8 }, 20, 17 },
        { "constant-voltage float", 5, { 0, 53, 8, 7 }, 32, 17 },
        { "constant-voltage equalise", 6, { 0, 53, 7, 57 }, 33, 17 },
        { "charging", 7, { 0, 53, 57, 60 }, 21, 17 },
        { "empty", 8, { 0, 53, 60, 58 }, 22, 17 },
        { "discharging", 9, { 0, 53, 58 }, 23, 17 },
        { "running", 11, { 0, 53 }, 27, 17 },
        { "the system", 0, { 0, 53, 57 }, 21, 17 },
        { "last branch", 1008, { 0, 53, 52 }, 27, 18 },
    };
    Deal t;
    for (const Case& c : cases) {
        t.ac.status.clear();
        for (int p : c.set)
            t.ac.status[{ c.module, p }] = 1;
        fillStates(dcacstate, 60, 0);
        t.d->checkDcacModuleState(c.module);
        const int slot = c.module >= 1001 ? c.module - 981 : c.module;
        EXPECT_EQ(dcacstate[slot], c.state) << c.name;
        EXPECT_EQ(dcacstate[slot + 30], c.health) << c.name;
    }

    // A negative answer counts as set.
    t.ac.status.clear();
    t.ac.status[{ 1, 0 }] = -1;
    t.ac.status[{ 1, 52 }] = -1;
    t.d->checkDcacModuleState(1);
    EXPECT_EQ(dcacstate[1], 26);
    EXPECT_EQ(dcacstate[31], 18);

    // Slot 19 follows the last module, in order, whose point 1 is set; branches leave it.
    t.ac.status.clear();
    t.ac.status[{ 2, 1 }] = 1;
    t.ac.status[{ 2, 53 }] = 1;
    t.ac.status[{ 1001, 1 }] = 1;
    fillStates(dcacstate, 60, 0);
    for (int m : { 0, 1, 2, 3, 1001 })
        t.d->checkDcacModuleState(m);
    EXPECT_EQ(dcacstate[19], 27);
    t.ac.status[{ 3, 1 }] = 1;
    t.d->checkDcacModuleState(3);
    EXPECT_EQ(dcacstate[19], 0);

    // Numbers outside the modules and branches change nothing.
    const std::vector<int> before(dcacstate, dcacstate + 60);
    for (int m : { -1, 12, 1000, 1009 })
        t.d->checkDcacModuleState(m);
    EXPECT_EQ(std::vector<int>(dcacstate, dcacstate + 60), before);
}

TEST(DATADEAL, DcdcModuleStates)
{
    struct Case { const char* name; int module; std::vector<int> set; int state, health; } cases[] = {
        { "offline whatever else", 1, { 0, 25 }, 16, 29 },
        { "fault beside running", 1, { 100, 0, 25 }, 27, 18 },
        { "alarm beside running", 1, { 100, 0, 24 }, 27, 19 },
        { "sleep", 2, { 100, 0, 53 }, 25, 17 },
        { "stopped", 2, { 100, 1 }, 26, 17 },
        { "a module with the standby point runs on", 3, { 100, 0, 1 }, 27, 17 },
        { "a branch with it is standby", 1001, { 100, 0, 1 }, 24, 17 },
        { "PV generation", 4, { 100, 0, 52, 50 }, 28, 17 },
        { "full", 5, { 100, 0, 50, 7 }, 20, 17 },
        { "constant-voltage float", 6, { 100, 0, 7, 6 }, 32, 17 },
        { "constant-voltage equalise", 7, { 100, 0, 6, 48 }, 33, 17 },
        { "charging", 8, { 100, 0, 48, 51 }, 21, 17 },
        { "empty", 9, { 100, 0, 51, 49 }, 22, 17 },
        { "discharging", 10, { 100, 0, 49 }, 23, 17 },
        { "the system", 0, { 100, 0 }, 27, 17 },
        { "last branch", 1008, { 100, 0, 24 }, 27, 19 },
    };
    Deal t;
    for (const Case& c : cases) {
        t.dc.status.clear();
        for (int p : c.set)
            t.dc.status[{ c.module, p }] = 1;
        fillStates(dcdcstate, 60, 0);
        t.d->checkDcdcModuleState(c.module);
        const int slot = c.module >= 1001 ? c.module - 981 : c.module;
        EXPECT_EQ(dcdcstate[slot], c.state) << c.name;
        EXPECT_EQ(dcdcstate[slot + 30], c.health) << c.name;
    }
    const std::vector<int> before(dcdcstate, dcdcstate + 60);
    for (int m : { -1, 11, 1009 })
        t.d->checkDcdcModuleState(m);
    EXPECT_EQ(std::vector<int>(dcdcstate, dcdcstate + 60), before);
}

TEST(DATADEAL, SwitchState)
{
    struct Case { const char* name; std::vector<int> set; int state; } cases[] = {
        { "offline", { 13 }, 16 }, { "fault", { 0, 13, 12 }, 18 }, { "alarm", { 0, 12 }, 19 }, { "running", { 0 }, 27 },
    };
    Deal t;
    for (const Case& c : cases) {
        t.sts.status.clear();
        for (int p : c.set)
            t.sts.status[{ 1, p }] = 1;
        t.d->checkSTSState();
        EXPECT_EQ(dcacstate[12], c.state) << c.name;
    }
}

TEST(DATADEAL, ModuleOfflineTip)
{
    Deal t({ { 62, 0 }, { 24, 0 }, { 21, 1 } });
    currentRackInfo.moduleCount = 3;
    fillStates(dcacstate, 13, 16);
    fillStates(dcdcstate, 11, 16);
    for (int m = 1; m <= 3; ++m)
        dcacstate[m] = 27;
    dcdcstate[1] = dcdcstate[2] = 27;   // one DC/DC module short

    for (int s = 0; s < 29; ++s) {
        t.d->time_power_slot();
        t.d->dealwithAlarmRecord();
    }
    EXPECT_TRUE(t.tips.empty());
    t.d->time_power_slot();
    t.d->dealwithAlarmRecord();
    EXPECT_EQ(t.tips, std::vector<int>{ 28 });
    EXPECT_EQ(Led::sys_state, 48);

    struct Case { const char* name; int s24, s21, sts; size_t tips; } cases[] = {
        { "DC side through the AC/DC object: AC/DC count only", 1, 1, 16, 0 },
        { "switch fitted and offline", 1, 0, 16, 1 },
        { "switch fitted and answering", 1, 0, 27, 0 },
        { "no switch fitted", 0, 1, 16, 1 },
    };
    for (const Case& c : cases) {
        t.tips.clear();
        set[24].value = c.s24;
        set[21].value = c.s21;
        dcacstate[12] = (unsigned char)c.sts;
        t.d->dealwithAlarmRecord();
        EXPECT_EQ(t.tips.size(), c.tips) << c.name;
    }

    // A derated product never checks; the flag it left lights nothing.
    set[62].value = 1;
    t.tips.clear();
    t.d->dealwithAlarmRecord();
    EXPECT_TRUE(t.tips.empty());
    EXPECT_EQ(Led::sys_state, 0);
}

TEST(DATADEAL, LedWord)
{
    struct Case { const char* name; std::vector<std::pair<FakeDevice Deal::*, std::pair<int, int>>> points;
        int tcpLost, rs485Lost, word; };
    const Case cases[] = {
        { "nothing", {}, 0, 0, 0 },
        { "AC/DC fault", { { &Deal::ac, { 0, 52 } } }, 0, 0, 16 },
        { "DC/DC fault while running", { { &Deal::dc, { 0, 25 } }, { &Deal::ac, { 0, 53 } } }, 0, 0, 16 },
        { "switch fault", { { &Deal::sts, { 1, 13 } } }, 0, 0, 16 },
        { "TCP heartbeat lost while running", { { &Deal::ac, { 0, 53 } } }, 1, 0, 16 },
        { "RS-485 heartbeat lost", {}, 0, 1, 16 },
        { "AC/DC alarm", { { &Deal::ac, { 0, 51 } } }, 0, 0, 48 },
        { "DC/DC alarm", { { &Deal::dc, { 0, 24 } } }, 0, 0, 48 },
        { "switch alarm while DC/DC runs", { { &Deal::sts, { 1, 12 } }, { &Deal::dc, { 0, 0 } } }, 0, 0, 49 },
        { "running", { { &Deal::ac, { 0, 53 } } }, 0, 0, 1 },
    };
    Deal t;
    for (const Case& c : cases) {
        for (FakeDevice* dev : { &t.ac, &t.dc, &t.sts })
            dev->status.clear();
        for (const auto& p : c.points)
            (t.*(p.first)).status[p.second] = 1;
        g_remoteoutTCPflag = c.tcpLost;
        g_remoteout485flag = c.rs485Lost;
        t.d->dealwithLed();
        EXPECT_EQ(Led::sys_state, c.word) << c.name;
    }
}

TEST(DATADEAL, BuzzerCycle)
{
    Deal t;
    dcacstate[1] = 27;
    t.ac.status[{ 0, 52 }] = 1;
    t.ac.alarm[{ 1, 4 }] = 1;
    // The alarm is seen in the data thread: the buzzer timer starts once the GUI thread runs.
    std::thread data([&] { t.d->dealwithAlarmRecord(); });
    data.join();
    EXPECT_EQ(g_alarm_flag, 1);
    EXPECT_EQ(g_alarm_1s_count, 1);
    EXPECT_EQ(Buzz::sys_beep_state & 0xFF, 1);
    EXPECT_EQ(Buzz::noStopFlag, 1);
    EXPECT_EQ(t.activeTimers(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(t.activeTimers(), 2);

    for (int tick = 1; tick <= 28; ++tick) {
        t.d->time_1s_slot();
        if (tick == 10) {
            // A new alarm while it sounds does not restart the count.
            t.ac.alarm[{ 1, 5 }] = 1;
            t.d->dealwithAlarmRecord();
            EXPECT_EQ(g_alarm_1s_count, 11);
        }
    }
    EXPECT_EQ(g_alarm_1s_count, 29);
    EXPECT_EQ(Buzz::sys_beep_state & 0xFF, 1);
    t.d->time_1s_slot();
    EXPECT_EQ(g_alarm_1s_count, 0);
    EXPECT_EQ(g_alarm_flag, 0);
    EXPECT_EQ(Buzz::sys_beep_state & 0xFF, 0);
    EXPECT_EQ(t.activeTimers(), 1);

    // A new alarm sounds again; clearing the system points silences it on the next pass.
    t.ac.alarm[{ 1, 6 }] = 1;
    t.d->dealwithAlarmRecord();
    EXPECT_EQ(Buzz::sys_beep_state & 0xFF, 1);
    t.d->time_1s_slot();
    EXPECT_EQ(g_alarm_1s_count, 2);
    t.ac.status.clear();
    t.d->dealwithAlarmRecord();
    EXPECT_EQ(Buzz::sys_beep_state & 0xFF, 0);
    EXPECT_EQ(g_alarm_1s_count, 0);

    // Without a system fault or alarm point a new module alarm stays silent.
    t.ac.alarm[{ 1, 7 }] = 1;
    t.d->dealwithAlarmRecord();
    EXPECT_EQ(Buzz::sys_beep_state & 0xFF, 0);
    EXPECT_EQ(g_alarm_1s_count, 0);
}

TEST(DATADEAL, BranchCountHeldToEightStrings)
{
    Deal t;
    struct Case { int setting, count; } cases[] = { { -5, 0 }, { 0, 0 }, { 3, 3 }, { 8, 8 }, { 9, 8 }, { 1000, 8 } };
    for (const Case& c : cases) {
        set[23].value = c.setting;
        EXPECT_EQ(t.d->branchCount(), c.count) << c.setting;
    }
}

TEST(DATADEAL, SnapshotTimerFromTheSettings)
{
    struct Case { int minutes, ms; } cases[] = { { 15, 900000 }, { 60, 3600000 }, { 0, 900000 }, { -2, 900000 } };
    Deal t;
    for (const Case& c : cases) {
        set[10].value = c.minutes;
        t.d->startLog();
        int found = 0;
        for (QTimer* timer : t.d->findChildren<QTimer*>())
            if (timer->isActive() && timer->interval() == c.ms)
                ++found;
        EXPECT_EQ(found, 1) << c.minutes;
    }
}

TEST(DATADEAL, SignalsAndSlotsInTheirOrder)
{
    const QMetaObject& mo = DATADEAL::staticMetaObject;
    std::vector<std::string> methods;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
        methods.push_back(mo.method(i).methodSignature().toStdString());
    EXPECT_EQ(methods, (std::vector<std::string>{ "sendcommond(int,int)", "sendcommond(int)", "replot()",
                           "dealwithcommond(int)", "time_1s_slot()", "time_1og_slot()", "time_power_slot()" }));
}
