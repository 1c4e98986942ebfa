#include "mymainwindow.h"
#include "datadeal.h"
#include "fakedevice.h"
#include "form.h"
#include "globalvar.h"
#include "iec104device.h"
#include "modbusrtudevice.h"
#include "modbusstsdata.h"
#include "modbustcpdevice.h"
#include "dataexportdevice.h"
#include "monitorset.h"
#include "runtimetree.h"
#include "widgettest.h"
#include "tab_set.h"
#include "timeseam.h"
#include "interface_login.h"
#include "interface_switch.h"
#include "interface_ctrmod.h"
#include "mytoolbar.h"
#include "interface4_1.h"
#include "interface4_2.h"
#include "interface4_5.h"
#include "buzz.h"
#include "nametables.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QPixmap>
#include <QTranslator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// The data thread's loop does not run here: the tests drive the window, and the fakes are not
// made to be read from two threads.
class HeldDataDeal : public DATADEAL {
protected:
    void run() override { runEnds(); }
};

// Records every construction and stands fakes in for the devices of our own libraries.
class RecordingFactory : public DeviceFactory {
public:
    std::vector<std::string> calls;
    FakeDevice ac, dc, bms;
    DATADEAL* datadeal = nullptr;

    DATADEAL* newDataDeal() override
    {
        calls.push_back("datadeal");
        datadeal = new HeldDataDeal;
        return datadeal;
    }

    Made<ModbusAcDcData> newAcDc(int modules, const char* port, const char* line, int timeoutMs, int trace) override
    {
        calls.push_back(fmt("acdc", modules, port, line, timeoutMs, trace));
        return { nullptr, &ac };
    }
    Made<BmsData> newBms(const char* bus, int bitRate, int timeoutMs, int ext) override
    {
        calls.push_back(fmt("bms", bus, bitRate, timeoutMs, ext));
        return { nullptr, &bms };
    }
    Made<DcdcData> newDcdc(const char* bus, int bitRate, int tickMs, int trace) override
    {
        calls.push_back(fmt("dcdc", bus, bitRate, tickMs, trace));
        return { nullptr, &dc };
    }
    ModbusSTSData* newSts(int address, const char* port, const char* line, int timeoutMs, int trace) override
    {
        calls.push_back(fmt("sts", address, port, line, timeoutMs, trace));
        return DeviceFactory::newSts(address, port, line, timeoutMs, trace);
    }
    modbus::ModbusrtuDevice* newRtu(DeviceData* a, DeviceData* d, DeviceData* s, const char* port, int baud, int mode,
        int address, int reserved, int trace) override
    {
        calls.push_back(fmt("rtu", devices(a, d, s), port, baud, mode, address, reserved, trace));
        return DeviceFactory::newRtu(a, d, s, port, baud, mode, address, reserved, trace);
    }
    modbus::ModbustcpDevice* newTcp(DeviceData* a, DeviceData* d, DeviceData* s, int port, int address, int reserved,
        int trace) override
    {
        calls.push_back(fmt("tcp", devices(a, d, s), port, address, reserved, trace));
        return DeviceFactory::newTcp(a, d, s, port, address, reserved, trace);
    }
    modbus::DataExportDevice* newExport(DeviceData* a, DeviceData* d, DeviceData* s, int port, int reserved,
        int trace) override
    {
        calls.push_back(fmt("export", devices(a, d, s), port, reserved, trace));
        return DeviceFactory::newExport(a, d, s, port, reserved, trace);
    }
    Iec104Device* newIec104(DeviceData* a, DeviceData* d, DeviceData* s, int port, int address, int reserved,
        int trace) override
    {
        calls.push_back(fmt("iec104", devices(a, d, s), port, address, reserved, trace));
        return DeviceFactory::newIec104(a, d, s, port, address, reserved, trace);
    }

private:
    std::string devices(DeviceData* a, DeviceData* d, DeviceData* s)
    {
        return std::string(a == &ac ? "ac" : "?") + (d == &dc ? "+dc" : "+?") + (s ? "+sts" : "+?");
    }
    template <class... T>
    static std::string fmt(const char* name, const T&... args)
    {
        std::ostringstream o;
        o << name;
        ((o << " " << args), ...);
        return o.str();
    }
};

// A runtime tree with settings written as the test wants them, and a main window over fakes.
struct Panel {
    RuntimeTree tree{ true };
    RecordingFactory factory;
    MyMainWindow* w = nullptr;

    explicit Panel(std::initializer_list<std::pair<int, int>> settings = {}, int debugMask = 0,
        const std::string& localdata = std::string())
    {
        if (!localdata.empty())
            tree.writeFile("log/localdata.dat", localdata);
        TimeSeam::useFakeClock(true);
        for (int i = 0; i < 80; ++i) {
            set[i].value = 0;
            set[i].text = QString();
        }
        readmonitorset();   // a fresh tree: defaults
        for (const auto& s : settings)
            set[s.first].value = s.second;
        savemonitorset();
        readmonitorset();   // as main loads them, with the battery type copied
        debug = debugMask;
        DeviceFactory::setInstance(&factory);
        w = new MyMainWindow;
    }
    ~Panel()
    {
        delete w;
        DeviceFactory::setInstance(nullptr);
        TimeSeam::useFakeClock(false);
        Tab_set::Upgrading = 0;
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            w->timeout_1s();
    }
    QString tip() const { return tipslabel ? tipslabel->text() : QString(); }
};

// The command page keeps DeviceData views of the converters; the fakes have no class of their
// own, so the test hands the views over itself.
struct SwitchViews : interface_Switch {
    static void give(Form* form, DeviceData* ac, DeviceData* dc)
    {
        interface_Switch* page = form->findChild<interface_Switch*>("interface_switch");
        ASSERT_NE(page, nullptr);
        DeviceData* interface_Switch::*acView = &SwitchViews::m_acdcData;
        DeviceData* interface_Switch::*dcView = &SwitchViews::m_dcdcData;
        page->*acView = ac;
        page->*dcView = dc;
    }
};

} // namespace

TEST(MyMainWindow, DevicesMadeWithTheirArguments)
{
    struct Case { const char* name; int bms; int mode; const char* bmsCall; int rtuMode; } cases[] = {
        { "type 4", 4, 0, "bms can1 500000 2000 0", 1 },
        { "type 5", 5, 0, "bms can1 125000 2000 1", 1 },
        { "type 7", 7, 0, "bms can1 500000 2000 1", 1 },
        { "type 2 gives rtu mode 0", 2, 0, "bms can1 250000 2000 1", 0 },
        { "type 9", 9, 0, "bms can1 250000 2000 1", 1 },
    };
    for (const auto& c : cases) {
        Panel p({ { 26, c.bms }, { 8, 300 }, { 13, 0 }, { 2, 5 }, { 50, 2 } }, 9);
        const auto& calls = p.factory.calls;
        ASSERT_EQ(calls.size(), 9u) << c.name;
        EXPECT_EQ(calls[0], "acdc 13 /dev/ttySAC1 19200,n,8,1 300 1") << c.name;
        EXPECT_EQ(calls[1], c.bmsCall) << c.name;
        EXPECT_EQ(calls[2], "dcdc can0 1000000 800 0") << c.name;
        EXPECT_EQ(calls[3], "sts 513 /dev/ttySAC2 19200,n,8,1 800 1") << c.name;
        EXPECT_EQ(calls[4], "rtu ac+dc+sts /dev/ttySAC3 19200 " + std::to_string(c.rtuMode) + " 1 0 1") << c.name;
        EXPECT_EQ(calls[5], "tcp ac+dc+sts 502 1 0 0") << c.name;
        EXPECT_EQ(calls[6], "export ac+dc+sts 8010 0 0") << c.name;
        EXPECT_EQ(calls[7], "iec104 ac+dc+sts 2404 1 0 0") << c.name;
        EXPECT_EQ(calls[8], "datadeal") << c.name;
        EXPECT_TRUE(p.factory.bms.wrote(0, 1001, float(c.bms))) << c.name;
        // The clamps were saved.
        EXPECT_EQ(set[8].value, 1);
        EXPECT_EQ(set[13].value, 1);
        EXPECT_EQ(set[2].value, 0);
    }
}

TEST(MyMainWindow, ScheduleValuesOutOfTheirRangeNeverReachAConverter)
{
    std::string file(4096, '\0');
    auto put = [&](int word, float v) { memcpy(&file[4 * size_t(word)], &v, 4); };
    put(0, 1e30f);
    put(1, NAN);
    put(2, 100.0f);
    put(3, -661.0f);
    put(48, 1400.0f);
    put(49, -2000.0f);
    put(512, -1.0f);
    put(513, INFINITY);
    put(800, 0.5f);
    put(801, 1000.5f);
    Panel p({}, 0, file);
    const struct { int word; float value; } expect[] = {
        { 0, 0.0f }, { 1, 0.0f }, { 2, 100.0f }, { 3, 0.0f }, { 48, 1400.0f }, { 49, 0.0f },
        { 512, 0.0f }, { 513, 0.0f }, { 800, 0.5f }, { 801, 0.0f },
    };
    for (const auto& e : expect)
        EXPECT_EQ(localData[e.word], e.value) << "word " << e.word;
}

TEST(MyMainWindow, UpwardRegistersSeededFromTheSettings)
{
    Panel p({ { 27, 30 }, { 28, 12 }, { 29, 14 }, { 8, 17 }, { 2, 1 }, { 1, 2 }, { 26, 6 } });
    for (UpwardRegisterStore* s : { static_cast<UpwardRegisterStore*>(p.w->rtu), static_cast<UpwardRegisterStore*>(p.w->tcp) }) {
        EXPECT_EQ(s->getStatus(0, 420), 30);
        EXPECT_EQ(s->getStatus(0, 421), 14);
        EXPECT_EQ(s->getStatus(0, 422), 12);
        EXPECT_EQ(s->getStatus(0, 500), 9600);
        EXPECT_EQ(s->getStatus(0, 1), 17);
        EXPECT_EQ(s->getStatus(0, 0), 2);
        EXPECT_EQ(s->getStatus(0, 100), 2);
    }
    EXPECT_EQ(p.w->rtu->getStatus(0, 505), 6);
    // The first remote ticks copy nothing over the settings.
    p.ticks(3);
    EXPECT_EQ(set[27].value, 30);
    EXPECT_EQ(set[8].value, 17);
    EXPECT_EQ(set[2].value, 1);
    EXPECT_EQ(set[1].value, 2);
}

TEST(MyMainWindow, IdleLogoutAndUpgradeHold)
{
    Panel p({ { 0, 10 } });
    p.w->show();
    QApplication::setActiveWindow(p.w);
    ASSERT_TRUE(p.w->isActiveWindow());
    p.w->user_changed(3);
    p.ticks(600);
    EXPECT_EQ(keyword_right, 3);
    p.ticks(1);
    EXPECT_EQ(keyword_right, 0);
    EXPECT_EQ(backlight_count, 0);

    p.w->user_changed(3);
    Tab_set::Upgrading = 1;
    p.ticks(700);
    EXPECT_EQ(keyword_right, 3);
    EXPECT_EQ(backlight_count, 600);
}

// A level typed at the login page is what the idle logout takes away; the panel is left on the
// login page with the entry field hidden until the next touch.
TEST(MyMainWindow, IdleLogoutReturnsToTheLoginPage)
{
    Panel p({ { 0, 1 } });
    p.w->show();
    QApplication::setActiveWindow(p.w);
    interface_login* login = p.w->form()->findChild<interface_login*>("interface_loginin");
    ASSERT_NE(login, nullptr);
    for (const char* k : { "3", "1", "6", "9", "4", "7", "login" })
        login->findChild<QPushButton*>(QString("pushButton_") + k)->click();
    ASSERT_EQ(keyword_right, 3);
    EXPECT_EQ(p.w->findChild<QLabel*>("label_user")->text(), QString::fromUtf8("后台管理员"));
    p.w->form()->slot_toolbar(2);

    p.ticks(61);
    EXPECT_EQ(keyword_right, 0);
    EXPECT_EQ(p.w->form()->findChild<QTabWidget*>()->currentIndex(), 7);
    EXPECT_EQ(p.w->findChild<QLabel*>("label_user")->text(), QString::fromUtf8("客户"));
    EXPECT_TRUE(login->findChild<QLineEdit*>("lineEdit")->isHidden());
    EXPECT_TRUE(login->findChild<QLabel*>("label_welcome")->text().contains(QString::fromUtf8("客户")));

    QMouseEvent touch(QEvent::MouseButtonPress, QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(p.w->form(), &touch);
    EXPECT_FALSE(login->findChild<QLineEdit*>("lineEdit")->isHidden());
}

TEST(MyMainWindow, HeartbeatsInRemoteMode)
{
    Panel p({ { 1, 2 }, { 28, 10 }, { 29, 5 } });
    SwitchViews::give(p.w->form(), &p.factory.ac, &p.factory.dc);
    p.factory.ac.status[{ 0, 53 }] = 1;
    p.ticks(5);
    EXPECT_EQ(p.tip(), QString::fromUtf8("后台485通信异常"));
    EXPECT_EQ(g_remoteout485flag, 1);
    EXPECT_EQ(g_acCrtlCmd & 2, 2);
    EXPECT_TRUE(p.factory.ac.wrote(0, 67, float(g_acCrtlCmd)));
    EXPECT_TRUE(p.factory.ac.wrote(0, 68, 1.0f));   // the running converters were stopped

    // The TCP master talks; the RS-485 one comes back too.
    p.w->tcp->upperPoll();
    p.w->rtu->upperPoll();
    p.ticks(5);
    EXPECT_EQ(g_remoteoutTCPflag, 0);
    EXPECT_EQ(g_remoteout485flag, 0);
    EXPECT_EQ(g_acCrtlCmd & 2, 0);

    // A silent TCP master with the converters stopped: the tip, no stop command.
    p.factory.ac.status[{ 0, 53 }] = 0;
    p.factory.ac.writes.clear();
    set[29].value = 0;
    p.ticks(10);
    EXPECT_EQ(p.tip(), QString::fromUtf8("后台tcp通信异常"));
    EXPECT_EQ(g_remoteoutTCPflag, 1);
    EXPECT_FALSE(p.factory.ac.wrote(0, 68, 1.0f));

    // A period lowered below the running count still checks at the next tick.
    telnetTcpHeart = 8;
    set[28].value = 3;
    p.w->tcp->upperPoll();
    p.ticks(1);
    EXPECT_EQ(g_remoteoutTCPflag, 0);

    // Period 0: never checked, flag cleared.
    g_remoteoutTCPflag = 1;
    set[28].value = 0;
    p.ticks(1);
    EXPECT_EQ(g_remoteoutTCPflag, 0);
}

TEST(MyMainWindow, UpperSystemChangesOnlyInRange)
{
    Panel p({ { 1, 2 }, { 8, 5 } });
    p.w->tcp->upperWrite(0, 500, 9600);
    p.w->tcp->upperWrite(0, 420, 700);   // out of range: kept
    p.w->tcp->upperWrite(0, 1, 300);     // out of range: kept
    p.ticks(1);
    EXPECT_EQ(set[2].value, 1);
    EXPECT_NE(set[27].value, 700);
    EXPECT_EQ(set[8].value, 5);
    p.w->tcp->upperWrite(0, 1, 33);
    p.ticks(1);
    EXPECT_EQ(set[8].value, 33);
    EXPECT_EQ(p.w->rtu->getStatus(0, 1), 33);

    // Register 100 carries the control mode in every mode.
    p.w->tcp->upperWrite(0, 100, 0);
    p.ticks(1);
    EXPECT_EQ(set[1].value, 0);
    EXPECT_EQ(p.w->rtu->getStatus(0, 0), 0);
    p.w->tcp->upperWrite(0, 100, 7);
    p.ticks(1);
    EXPECT_EQ(set[1].value, 0);
}

// The supervisor takes register 100 of the TCP slave whenever it differs from the mode: a mode
// chosen on the control-mode page must not be undone a second later, and the upper system
// must still be able to choose again afterwards.
TEST(MyMainWindow, ControlModeChosenLocallyOrUpstreamSticks)
{
    Panel p({ { 1, 2 } });
    interface_CtrMod* page = p.w->findChild<interface_CtrMod*>("interface_ctrmod");
    ASSERT_NE(page, nullptr);
    page->set_local_hand();
    p.ticks(2);
    EXPECT_EQ(set[1].value, 0);
    EXPECT_EQ(p.w->tcp->getStatus(0, 100), 0) << "the upper system reads the mode in force";

    p.w->tcp->upperWrite(0, 100, 2);
    p.ticks(1);
    EXPECT_EQ(set[1].value, 2);
    EXPECT_EQ(p.w->rtu->getStatus(0, 0), 2);

    page->set_local_auto();
    p.ticks(2);
    EXPECT_EQ(set[1].value, 1);
    p.w->tcp->upperWrite(0, 100, 2);
    p.ticks(1);
    EXPECT_EQ(set[1].value, 2);
}

// The settings page's request reaches the data-handling object: the snapshot timer runs with
// the new period at once, not after a restart.
TEST(MyMainWindow, SnapshotPeriodFromTheSettingsPageTakesEffectAtOnce)
{
    Panel p({ { 10, 15 } });
    auto snapshotTimers = [&](int minutes) {
        int n = 0;
        for (QTimer* t : p.factory.datadeal->findChildren<QTimer*>())
            n += t->isActive() && t->interval() == minutes * 60000 ? 1 : 0;
        return n;
    };
    ASSERT_EQ(snapshotTimers(15), 1);
    Tab_set* tab = p.w->findChild<Tab_set*>();
    ASSERT_NE(tab, nullptr);
    set[10].value = 40;
    QMetaObject::invokeMethod(tab, "sendcommond_udisk", Q_ARG(int, 5));
    EXPECT_EQ(snapshotTimers(40), 1);
    EXPECT_EQ(snapshotTimers(15), 0);
}

TEST(MyMainWindow, TipCodes)
{
    Panel p({ { 1, 1 } });
    struct Case { int code; const char* text; } cases[] = {
        { 0, "AC 通讯故障" }, { 1, "DC 通讯故障" }, { 3, "发送成功" }, { 4, "发送失败" },
        { 25, "后台tcp通信异常" }, { 26, "BMS通信异常" }, { 27, "后台485通信异常" }, { 28, "模块离线" },
    };
    for (const auto& c : cases) {
        p.w->tip_show(c.code);
        EXPECT_EQ(p.tip(), QString::fromUtf8(c.text)) << c.code;
    }
    EXPECT_EQ(label_time_set, 9);
    p.w->tip_show(3);
    EXPECT_EQ(label_time_set, 3);

    p.w->tip_show(12345);   // unknown: nothing changes
    EXPECT_EQ(p.tip(), QString::fromUtf8("发送成功"));

    // A lock in local automatic mode logs out first.
    p.w->user_changed(2);
    p.w->tip_show(4001);
    EXPECT_EQ(keyword_right, 0);
    EXPECT_EQ(oldkeyword, 0);
}

TEST(MyMainWindow, RenderedFrame)
{
    Panel p;
    p.w->resize(800, 600);
    p.w->show();
    EXPECT_FALSE(saveArtifact(p.w, "mainwindow.png").isEmpty());
}

namespace {
std::string paramLines(int count, std::initializer_list<std::pair<int, long>> values)
{
    std::string out;
    for (int i = 0; i < count; ++i) {
        long v = 1000;
        for (const auto& p : values)
            if (p.first == i)
                v = p.second;
        char line[32];
        snprintf(line, sizeof line, "%04d/%010ld\n", i, v);
        out += line;
    }
    return out;
}
}

TEST(MyMainWindow, OldInstallationGetsTheChinaGridCode)
{
    RuntimeTree tree(true);
    tree.writeFile("bin/pcs_interface.pdu",
        "[UiDataNumInfo]\n0\n[UiDataInfo]\n"
        "[UiRzVersionNum_China]\n2\n[UiRzVersion_China]\n"
        "0\t128\t60\tOV\tRange\t1\t2\t0.1\n"
        "1\t130\t-1\tUV\tRange\t1\t2\t-2.5\n"
        "[UiRzVersionNum_UK]\n1\n[UiRzVersion_UK]\n0\t128\t60\tOV\tRange\t1\t2\t9\n");
    tree.writeFile("conf-sts/param_0.ini", paramLines(80, { { 60, 0 }, { 61, 0 }, { 70, 0 } }));
    tree.writeFile("conf/param_0.ini", paramLines(140, {}));
    tree.writeFile("conf/param_1008.ini", paramLines(140, {}));
    for (int i = 0; i < 80; ++i)
        set[i].value = 0;
    readmonitorset();
    set[53].value = 3;
    savemonitorset();
    RecordingFactory factory;
    DeviceFactory::setInstance(&factory);
    MyMainWindow* w = new MyMainWindow;
    EXPECT_EQ(set[53].value, 0);
    for (const char* f : { "conf/param_0.ini", "conf/param_1008.ini" }) {
        const std::string bytes = tree.readFile(f);
        ASSERT_EQ(bytes.size(), 140u * 16) << f;
        EXPECT_EQ(bytes.substr(128 * 16, 16), "0128/0000000100\n") << f;
        EXPECT_EQ(bytes.substr(130 * 16, 16), "0130/-000002500\n") << f;
        EXPECT_EQ(bytes.substr(129 * 16, 16), "0129/0000001000\n") << f;
    }
    EXPECT_EQ(tree.readFile("conf-sts/param_0.ini").substr(60 * 16, 16), "0060/0000000100\n");
    delete w;
    DeviceFactory::setInstance(nullptr);
}

TEST(MyMainWindow, EnglishTranslationRendered)
{
    QTranslator translator;
    ASSERT_TRUE(translator.load(QCoreApplication::applicationDirPath() + "/abc.qm"));
    QCoreApplication::installTranslator(&translator);
    EXPECT_EQ(QCoreApplication::translate("MyToolBar", "主接线图"), QString("Home"));
    EXPECT_EQ(QCoreApplication::translate("MyMainWindow", "发送失败"), QString("Failed!"));
    EXPECT_EQ(QCoreApplication::translate("QObject", "恒压浮充"), QString("Float"));
    Panel p({ { 20, 1 } });
    p.w->resize(800, 600);
    p.w->show();
    EXPECT_FALSE(saveArtifact(p.w, "mainwindow_en.png").isEmpty());
    QCoreApplication::removeTranslator(&translator);
}

TEST(MyMainWindow, TouchOnAnyButtonCountsAsActivity)
{
    Panel p({ { 0, 10 } });
    p.w->show();
    p.ticks(300);
    EXPECT_EQ(backlight_count, 300);
    // A button deep inside a page takes the press itself.
    QPushButton* button = new QPushButton("x", p.w->form()->findChild<QWidget*>("interface_switch"));
    button->show();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &press);
    EXPECT_EQ(backlight_count, 0);
}

TEST(MyMainWindow, DataThreadWiredToTheDevicesThePagesAndTheTips)
{
    Panel p({ { 10, 20 } });
    DATADEAL* d = p.factory.datadeal;
    ASSERT_NE(d, nullptr);

    // The record pages read the thread's files and the name tables.
    Form* form = p.w->form();
    ASSERT_NE(form->getwarwidget(), nullptr);
    EXPECT_EQ(form->getwarwidget()->chargerFaultFile(), d->getAlarmRecordFile());
    EXPECT_EQ(form->getwarwidget()->dcacAlarmName(), text_dcac_alarm);
    EXPECT_EQ(form->getwarwidget()->stsAlarmName(), text_sts_alarm);
    EXPECT_EQ(form->getlogwidget()->operateRecordFile(), d->getOperateRecordFile());
    EXPECT_EQ(form->getlogwidget()->dcdcConfigName(), text_dcdc_config);
    EXPECT_EQ(form->getslogwidget()->statusRecordFile(), d->getStatusRecordFile());
    EXPECT_EQ(form->getslogwidget()->dcacStatusName(), text_dcac_status);

    // Its passes read the start-up devices into the shared state arrays.
    p.factory.ac.status[{ 1, 0 }] = 1;
    p.factory.ac.status[{ 1, 53 }] = 1;
    p.factory.dc.status[{ 2, 100 }] = 1;
    for (int i = 0; i < 5; ++i)
        d->onePass();
    EXPECT_EQ(dcacstate[1], 27);
    EXPECT_EQ(dcdcstate[2], 26);

    // The snapshot timer runs with set[10] minutes.
    bool snapshot = false;
    for (QTimer* t : d->findChildren<QTimer*>())
        snapshot = snapshot || (t->isActive() && t->interval() == 20 * 60000);
    EXPECT_TRUE(snapshot);

    // Its tips reach the tool bar, also when sent from the data thread.
    std::thread data([d] { emit d->sendcommond(28); });
    data.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(p.tip(), QString::fromUtf8("模块离线"));
}

TEST(MyMainWindow, TouchSilencesTheBuzzer)
{
    Panel p;
    Buzz::beep(1, 0);
    g_alarm_flag = 1;
    g_alarm_1s_count = 7;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(p.w->toolBar(), &press);
    EXPECT_EQ(Buzz::sys_beep_state & 0xFF, 0);
    EXPECT_EQ(g_alarm_flag, 0);
    EXPECT_EQ(g_alarm_1s_count, 0);
}
