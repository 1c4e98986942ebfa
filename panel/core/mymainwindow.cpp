#include "mymainwindow.h"
#include "certparamfile.h"
#include "localdatatable.h"
#include "backlightcontrol.h"
#include "bmsdata.h"
#include "configfile.h"
#include "datadeal.h"
#include "dcdcdata.h"
#include "dataexportdevice.h"
#include "devicedata.h"
#include "form.h"
#include "globalvar.h"
#include "htstatbar.h"
#include "interface4_1.h"
#include "interface4_2.h"
#include "interface4_5.h"
#include "iec104device.h"
#include "modbusacdcdata.h"
#include "modbusrtudevice.h"
#include "modbusstsdata.h"
#include "modbustcpdevice.h"
#include "monitorset.h"
#include "mytoolbar.h"
#include "nametables.h"
#include "paramline.h"
#include "racktable.h"
#include "syspath.h"
#include "tab_set.h"
#include "watchdog.h"
#include "writepoll.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int debug = 0;

namespace {

const int kDialogDaySeconds = 86400;

// Upward register values mirrored into the settings; out-of-range values are not taken.
bool inRange(int v, int lo, int hi)
{
    return v >= lo && v <= hi;
}

int baudRow(int registerValue)
{
    return registerValue == 9600 ? 1 : 0;
}

} // namespace

MyMainWindow::MyMainWindow(QWidget* parent)
    : MyBaseDialog(parent)
    , acdc(nullptr)
    , stsdata(nullptr)
    , rtu(nullptr)
    , tcp(nullptr)
    , dataExport(nullptr)
    , iec104(nullptr)
    , dcdc(nullptr)
    , bms(nullptr)
    , acdcDevice(nullptr)
    , dcdcDevice(nullptr)
    , bmsDevice(nullptr)
    , backlight(nullptr)
    , watchdog(nullptr)
    , timer(nullptr)
    , datadeal(nullptr)
    , dialogCount(0)
    , oldInstallation(false)
    , gridRows(0)
{
    setMinimumSize(800, 600);

    toolbar = new MyToolBar(this);
    m_form = new Form(this);
    statbar = new HTStatbar(this);
    toolbar->installEventFilter(this);
    m_form->installEventFilter(this);
    statbar->installEventFilter(this);
    // A touch on a page's own button or on a keypad never reaches those three: the buttons take
    // it. Every touch counts as activity, so the whole application is watched too.
    qApp->installEventFilter(this);

    layout = new QVBoxLayout(this);
    layout->addWidget(toolbar);
    layout->addWidget(m_form);
    layout->addWidget(statbar);
    layout->setContentsMargins(0, 0, 0, 2);
    layout->setSpacing(0);

    connect(toolbar, SIGNAL(signal_toolbar(int)), m_form, SLOT(slot_toolbar(int)));
    connect(m_form, SIGNAL(user_changed(int)), this, SLOT(user_changed(int)));
    connect(m_form, SIGNAL(sendcommond(int)), this, SLOT(tip_show(int)));
    connect(this, SIGNAL(btnstate_changed(int)), m_form, SIGNAL(btnstate_changed(int)));

    watchdog = nullptr;
    oldInstallation = false;
    init_all();

    watchdog = new Watchdog("/dev/watchdog");
    watchdog->open();
    watchdog->feed();

    timer = new QTimer(this);
    timer->start(1000);
    connect(timer, SIGNAL(timeout()), this, SLOT(update()));
    connect(timer, SIGNAL(timeout()), this, SLOT(timeout_1s()));

    user_changed(0);
    telnetTcpHeart = 0;
    telnet485Heart = 0;
    dialogCount = 0;
}

void MyMainWindow::init_all()
{
    init_data();
    init_text();
    init_device();
}

void MyMainWindow::init_data()
{
    keyword_right = 0;
    backlight_count = 0;
    label_time_count = 0;
    label_time_set = 0;

    loadRackTable(set[22].value);

    clearModuleStates();
    clearNameTables();
    memset(localData, 0, sizeof localData);

    // The schedule table: a missing or short file becomes 4096 zero bytes.
    int fd = ::open("../log/localdata.dat", O_RDWR | O_CREAT | O_DSYNC, 0644);
    if (fd < 0) {
        printf("MyMainWindow::init_data cannot open ../log/localdata.dat\n");
        return;
    }
    ssize_t n = ::read(fd, localData, sizeof localData);
    if (n < ssize_t(sizeof localData)) {
        memset(localData, 0, sizeof localData);
        lseek(fd, 0, SEEK_SET);
        if (::write(fd, localData, sizeof localData) != ssize_t(sizeof localData))
            printf("MyMainWindow::init_data cannot write ../log/localdata.dat\n");
    }
    ::close(fd);
    LocalDataTable::checkLoaded();
}

void MyMainWindow::init_text()
{
    checkoldversion();
    if (set[55].value != 0 && set[55].value != 1) {
        set[55].value = 0;
        savemonitorset();
    }
    const bool english = set[20].value == 1;
    loadDeviceNames(english);
    if (set[53].value > 3) {
        set[53].value = 0;
        savemonitorset();
    }
    gridRows = loadInterfaceFile(english, set[26].value, set[55].value, set[53].value);
    if (oldInstallation)
        dealwithparmfile();
}

void MyMainWindow::checkoldversion()
{
    FILE* fp = fopen("../conf-sts/param_0.ini", "r");
    if (!fp) {
        printf("cannot open sts param file\n");
        return;
    }
    float v60 = 0, v61 = 0, v70 = 0;
    char line[64];
    while (fgets(line, sizeof line, fp)) {
        int index = 0;
        float value = 0;
        if (!ParamLine::parse(line, &index, &value))
            continue;   // a damaged line costs only itself
        if (index == 60)
            v60 = value;
        else if (index == 61)
            v61 = value;
        else if (index == 70)
            v70 = value;
    }
    fclose(fp);
    if (v60 == 0 && v61 == 0 && v70 == 0) {
        oldInstallation = true;
        set[53].value = 0;
        savemonitorset();
    }
}

void MyMainWindow::dealwithparmfile()
{
    // The rows the interface file gave at start-up, patched as a certification switch-over does.
    unsigned char loaded[UI_RZ_ROWS] = {};
    for (int r = 0; r < gridRows && r < UI_RZ_ROWS; ++r)
        loaded[r] = 1;
    CertParamFile::patchAll(uiRzData, loaded);
}

void MyMainWindow::init_device()
{
    DeviceFactory* f = DeviceFactory::instance();

    Made<ModbusAcDcData> ac = f->newAcDc(13, "/dev/ttySAC1", "19200,n,8,1", 300, debug & 1);
    acdc = ac.object;
    acdcDevice = ac.device;

    int bitRate = 250000;
    int ext = 1;
    switch (set[26].value) {
    case 4: bitRate = 500000; ext = 0; break;
    case 5: bitRate = 125000; ext = 1; break;
    case 7: bitRate = 500000; ext = 1; break;
    default: break;
    }
    Made<BmsData> b = f->newBms("can1", bitRate, 2000, ext);
    bms = b.object;
    bmsDevice = b.device;
    if (bmsDevice)
        bmsDevice->setting(0, 1001, float(set[26].value), 0);

    Made<DcdcData> dc = f->newDcdc("can0", 1000000, 800, (debug >> 1) & 1);
    dcdc = dc.object;
    dcdcDevice = dc.device;

    if (bmsDevice)
        bmsDevice->open();
    if (acdcDevice) {
        int r = acdcDevice->open();
        if (r < 0)
            qDebug("init dcacdata error %d", r);
    }
    if (dcdcDevice) {
        int r = dcdcDevice->open();
        if (r < 0)
            qDebug("init dcdcdata error %d", r);
    }

    stsdata = f->newSts(set[50].value * 256 + 1, "/dev/ttySAC2", "19200,n,8,1", 800, debug & 1);
    if (stsdata) {
        int r = stsdata->open();
        if (r < 0)
            qDebug("init stsdata error %d", r);
    }

    if (!inRange(set[8].value, 1, 247))
        set[8].value = 1;
    if (!inRange(set[13].value, 1, 65535))
        set[13].value = 1;
    if (set[2].value != 0 && set[2].value != 1)
        set[2].value = 0;
    savemonitorset();

    const int baud = set[2].value == 1 ? 9600 : 19200;
    rtu = f->newRtu(acdcDevice, dcdcDevice, stsdata, "/dev/ttySAC3", baud, BmsType == 2 ? 0 : 1, set[8].value, 0,
        (debug >> 3) & 1);
    if (rtu)
        rtu->open();
    tcp = f->newTcp(acdcDevice, dcdcDevice, stsdata, 502, set[8].value, 0, (debug >> 4) & 1);
    if (tcp)
        tcp->open();
    dataExport = f->newExport(acdcDevice, dcdcDevice, stsdata, 8010, 0, (debug >> 4) & 1);
    if (dataExport)
        dataExport->open();
    iec104 = f->newIec104(acdcDevice, dcdcDevice, stsdata, 2404, set[13].value, 0, (debug >> 5) & 1);
    if (iec104)
        iec104->open();

    // Both slaves start with what the settings hold: the supervisor mirrors these registers back
    // into the settings, so a register left at zero would overwrite them on the first tick.
    if (rtu) {
        rtu->setting(0, 420, float(set[27].value), 0);
        rtu->setting(0, 421, float(set[29].value), 0);
        rtu->setting(0, 422, float(set[28].value), 0);
        rtu->setting(0, 500, float(baud), 0);
        rtu->setting(0, 1, float(set[8].value), 0);
        rtu->setting(0, 505, float(set[26].value), 0);
        rtu->setting(0, 0, float(set[1].value), 0);
        rtu->setting(0, 100, float(set[1].value), 0);
    }
    if (tcp) {
        tcp->setting(0, 0, float(set[1].value), 0);
        tcp->setting(0, 420, float(set[27].value), 0);
        tcp->setting(0, 421, float(set[29].value), 0);
        tcp->setting(0, 422, float(set[28].value), 0);
        tcp->setting(0, 500, float(baud), 0);
        tcp->setting(0, 1, float(set[8].value), 0);
        tcp->setting(0, 100, float(set[1].value), 0);
    }

    // The data thread runs from here on, before the pages have their devices and before its
    // signals are connected.
    datadeal = f->newDataDeal();
    datadeal->setDeviceData(acdcDevice, dcdcDevice, stsdata, bmsDevice, rtu, tcp, set);
    datadeal->setAcDcData(acdc);
    datadeal->setModuleState(dcacstate, dcdcstate);
    datadeal->setDataName(text_dcac_status, text_dcdc_status, text_sts_status, text_dcac_alarm, text_dcdc_alarm,
        text_sts_alarm, text_dcac_analog, text_dcdc_analog, text_sts_analog, text_dcac_config, text_dcdc_config,
        text_sts_config);
    datadeal->start(QThread::InheritPriority);
    datadeal->startLog();

    backlight = new BackLightControl("/dev/backlight");
    backlight->openBK();
    backlight->bkOn();

    m_form->setDeviceData(acdc, dcdc, stsdata, bms, rtu, tcp, iec104);

    connect(datadeal, SIGNAL(sendcommond(int)), this, SLOT(tip_show(int)));
    connect(datadeal, SIGNAL(sendcommond(int,int)), m_form, SLOT(fresh_down(int,int)));
    connect(m_form, SIGNAL(sendcommond_udisk(int)), datadeal, SLOT(dealwithcommond(int)));

    if (INTERFACE4_1* alarms = m_form->getwarwidget()) {
        alarms->setChargerFaultFile(datadeal->getAlarmRecordFile());
        alarms->setAlarmName(text_dcac_alarm, text_dcdc_alarm, text_sts_alarm);
    }
    if (INTERFACE4_2* operations = m_form->getlogwidget()) {
        operations->setOperateRecordFile(datadeal->getOperateRecordFile());
        operations->setConfigName(text_dcac_config, text_dcdc_config, text_sts_config);
    }
    if (Interface4_5* statuses = m_form->getslogwidget()) {
        statuses->getStatusRecordFile(datadeal->getStatusRecordFile());
        statuses->setStatusName(text_dcac_status, text_dcdc_status, text_sts_status);
    }
}

MyMainWindow::~MyMainWindow()
{
    // What reads the devices ends first: the data thread, then the pages and their threads.
    delete datadeal;
    datadeal = nullptr;
    delete m_form;
    m_form = nullptr;
    // The upward stand-ins only hold the links; each link stops its own threads when freed.
    delete rtu;
    delete tcp;
    delete dataExport;
    delete iec104;
    rtu = nullptr;
    tcp = nullptr;
    dataExport = nullptr;
    iec104 = nullptr;
    delete stsdata;
    delete acdc;
    delete dcdc;
    delete bms;
    stsdata = nullptr;
    acdc = nullptr;
    dcdc = nullptr;
    bms = nullptr;
    acdcDevice = dcdcDevice = bmsDevice = nullptr;
    delete backlight;
    delete watchdog;
    backlight = nullptr;
    watchdog = nullptr;
}

int MyMainWindow::setAc(int module, int index, int value)
{
    return writeAndPoll(acdcDevice, module, index, float(value));
}

void MyMainWindow::user_changed(int level)
{
    keyword_right = level;
    toolbar->changeUser(level);
    statbar->user_changed(level);
    m_form->setCtrlDisable(level);
}

void MyMainWindow::tip_show(int code)
{
    switch (code) {
    case 0: setTipsNow(tr("AC 通讯故障"), 9); break;
    case 1: setTipsNow(tr("DC 通讯故障"), 9); break;
    case 3: setTipsNow(tr("发送成功"), 3); break;
    case 4:
        setTipsNow(tr("发送失败"), 3);
        toolbar->changelock(4000);
        break;
    case 25: setTipsNow(tr("后台tcp通信异常"), 9); break;
    case 26: setTipsNow(tr("BMS通信异常"), 9); break;
    case 27: setTipsNow(tr("后台485通信异常"), 9); break;
    case 28: setTipsNow(tr("模块离线"), 9); break;
    case 4000: toolbar->changelock(4000); break;
    case 4001:
        if (set[1].value == 1 || set[1].value == 2)
            user_changed(0);
        toolbar->changelock(4001);
        break;
    default: break;
    }
}

bool MyMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const int t = event->type();
    if (t == QEvent::MouseButtonPress || t == QEvent::MouseMove || t == QEvent::MouseTrackingChange) {
        backlight_count = 0;
        if (backlight)
            backlight->bkOn();
        g_alarm_flag = 0;
        g_alarm_1s_count = 0;
        if (datadeal)
            datadeal->buzzoff();
        emit btnstate_changed(0);
    }
    return MyBaseDialog::eventFilter(watched, event);
}

void MyMainWindow::goDark()
{
    if (backlight)
        backlight->bkOff();
    user_changed(0);
    m_form->slot_toolbar(8);
}

void MyMainWindow::timeout_1s()
{
    statbar->updateTime();
    toolbar->updateTip();

    g_autoUpgradeTimer += 1;
    if (g_autoUpgradeTimer > 60)
        g_autoUpgradeTimer = 100;

    backlight_count += 1;
    const int idleLimit = set[0].value * 60;
    if (backlight_count > idleLimit) {
        backlight_count = idleLimit;
        if (Tab_set::Upgrading == 1) {
            if (backlight)
                backlight->bkOn();
            dialogCount = 0;
        } else if (isActiveWindow()) {
            dialogCount = 0;
            backlight_count = 0;
            goDark();
            emit btnstate_changed(1);
        } else {
            if (backlight)
                backlight->bkOn();
            dialogCount += 1;
            if (dialogCount > kDialogDaySeconds) {
                dialogCount = 0;
                // Closes a dialog left open for a day; only a widget that exists gets the key.
                QWidget* focus = QApplication::focusWidget();
                if (focus) {
                    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::NoModifier, QString());
                    QApplication::sendEvent(focus, &enter);
                }
                goDark();
                backlight_count = 0;
            }
        }
    }

    if (watchdog)
        watchdog->feed();

    const int alarms = datadeal ? datadeal->getAlarmSize() : 0;
    if (alarms > 0)
        toolbar->setWaring(true, alarms);
    else
        toolbar->setWaring(false, 0);

    if (set[1].value == 2) {
        superviseHeartbeats();
        mirrorUpwardSettings();
    }

    if (tcp) {
        const int mode = tcp->getStatus(0, 100);
        if (mode != set[1].value && inRange(mode, 0, 2)) {
            set[1].value = mode;
            savemonitorset();
            m_form->changeCtrlState(mode);
            if (rtu)
                rtu->setting(0, 0, float(mode), 0);
            tcp->setting(0, 0, float(mode), 0);
        }
    }

    m_form->freshme();
}

void MyMainWindow::superviseHeartbeats()
{
    auto converterRuns = [this]() {
        return (acdcDevice && acdcDevice->getStatus(0, 53) == 1) || (dcdcDevice && dcdcDevice->getStatus(0, 0) == 1);
    };
    struct Link {
        int period;
        int* count;
        int* lostFlag;
        UpwardRegisterStore* server;
        int tip;
        int remoteState;
    } links[] = {
        { set[28].value, &telnetTcpHeart, &g_remoteoutTCPflag, tcp, 25, 1 },
        { set[29].value, &telnet485Heart, &g_remoteout485flag, rtu, 27, 0 },
    };
    for (Link& l : links) {
        if (l.period == 0) {
            *l.lostFlag = 0;
            continue;
        }
        *l.count += 1;
        // Reaching or passing the period checks: a period lowered below a running count must
        // not stop the checks.
        if (*l.count < l.period)
            continue;
        *l.count = 0;
        if (l.server && l.server->getHeart() != 0) {
            *l.lostFlag = 0;
            continue;
        }
        tip_show(l.tip);
        *l.lostFlag = 1;
        if (converterRuns()) {
            m_form->shut_down();
            if (datadeal)
                datadeal->monitorRemoteState(l.remoteState);
        }
    }

    const bool lost = g_remoteoutTCPflag || g_remoteout485flag;
    if (lost && !(g_acCrtlCmd & 2)) {
        g_acCrtlCmd |= 2;
        setAc(0, 67, g_acCrtlCmd);
    } else if (!lost && (g_acCrtlCmd & 2)) {
        g_acCrtlCmd &= ~2;
        setAc(0, 67, g_acCrtlCmd);
    }
}

void MyMainWindow::mirrorUpwardSettings()
{
    if (!tcp)
        return;
    struct Mirror {
        int reg;
        int setting;
    } timeouts[] = { { 420, 27 }, { 421, 29 }, { 422, 28 } };
    for (const Mirror& m : timeouts) {
        const int v = tcp->getStatus(0, m.reg);
        if (v != set[m.setting].value && inRange(v, 0, 600)) {
            set[m.setting].value = v;
            savemonitorset();
        }
    }
    const int row = baudRow(tcp->getStatus(0, 500));
    if (row != set[2].value) {
        set[2].value = row;
        savemonitorset();
    }
    const int address = tcp->getStatus(0, 1);
    if (address != set[8].value && inRange(address, 1, 247)) {
        set[8].value = address;
        savemonitorset();
        if (rtu)
            rtu->setting(0, 1, float(address), 0);
        tcp->setting(0, 1, float(address), 0);
    }
}
