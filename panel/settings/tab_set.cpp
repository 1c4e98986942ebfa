#include "tab_set.h"
#include "ui_tab_set.h"
#include "upgradethread.h"

#include "devicedata.h"
#include "devicedataof.h"
#include "globalvar.h"
#include "keypad.h"
#include "monitorset.h"
#include "racktable.h"
#include "keydialog.h"
#include "shellrunner.h"
#include "syspath.h"
#include "tapentry.h"
#include "timeseam.h"
#include "writepoll.h"

#include <QDateTime>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QFile>
#include <QRegularExpression>
#include <QMessageBox>
#include <QTabBar>
#include <QTextStream>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

Relaxed<int> Tab_set::Upgrading = 0;

namespace {
const int kShowDataBytes = 240;
// The DC branches the branch writes address.
const int kFirstBranch = 1001;
const int kLastBranch = 1008;
const int kSerialBytes = 128;

// The sub-page each tab belongs to (tabs 0 to 9 are the first pages of sub-pages 0 to 9).
const int kSubPageOfTab[28] = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 6, 6, 7, 7, 2, 3, 0, 2 };

struct BuiltSubPage {
    int subPage;
    void (Tab_set::*fresh)(int page);   // null for a sub-page the dispatcher does not refresh
};

// The sub-pages that are built. Every other sub-page stays disabled at every level, so a
// half-built page can never write; a sub-page joins with its line here.
const BuiltSubPage kBuiltSubPages[] = {
    { 0, &Tab_set::fresh_basicset },
    { 1, &Tab_set::fresh_machtype },
    { 2, &Tab_set::fresh_sysset },
    { 3, &Tab_set::fresh_pcsset },
    { 4, &Tab_set::fresh_ac },
    { 5, &Tab_set::fresh_dc },
    { 6, &Tab_set::fresh_sts },
    { 7, &Tab_set::fresh_acdebug },
    { 8, &Tab_set::fresh_dcdebug },
    { 9, nullptr },
};

const BuiltSubPage* builtSubPage(int subPage)
{
    for (const BuiltSubPage& b : kBuiltSubPages)
        if (b.subPage == subPage)
            return &b;
    return nullptr;
}

// The switch timing rows (tab 19) have no entries, and no pager offers them.
const int kTabWithoutEntries = 19;

bool tabIsBuilt(int tab)
{
    return tab >= 0 && tab < 28 && tab != kTabWithoutEntries && builtSubPage(kSubPageOfTab[tab]) != nullptr;
}

void fillDcParam(int a, int b, int c, int d, int e, int f, int g, int h, int i)
{
    const int v[9] = { a, b, c, d, e, f, g, h, i };
    for (int k = 0; k < 9; ++k)
        dcParam[k] = v[k];
}
}

Tab_set::Tab_set(QWidget* parent)
    : QTabWidget(parent)
    , ui(new Ui::tab_set)
{
    ui->setupUi(this);
    tabBar()->hide();
    // The pre-charge caption has no field of its own and lies below the visible page.
    ui->label_425->hide();
    ui->label_111->hide();
    TapEntry::install(this);
    chargeCorrection = float(set[51].value);
    dischargeCorrection = float(set[52].value);
    lockUnbuiltPages();
    showDcInType();
    initUpgrade();
}

void Tab_set::lockUnbuiltPages()
{
    for (int tab = 0; tab < count(); ++tab)
        if (!tabIsBuilt(tab))
            widget(tab)->setEnabled(false);
}

Tab_set::~Tab_set()
{
    // A pass still running holds pointers into this page's devices.
    if (upgradeThread) {
        upgradeThread->join();
        delete upgradeThread;
    }
    delete ui;
}

void Tab_set::setDeviceData(modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, ModbusAcDcData* acdc,
    DcdcData* dcdc, ModbusSTSData* sts)
{
    rtuDev = rtu;
    tcpDev = tcp;
    acDev = acdc;
    dcDev = dcdc;
    stsDev = sts;
    setDeviceViews(deviceDataOf(rtu), deviceDataOf(tcp), deviceDataOf(acdc), deviceDataOf(dcdc), deviceDataOf(sts));
}

void Tab_set::setDeviceViews(DeviceData* rtu, DeviceData* tcp, DeviceData* acdc, DeviceData* dcdc, DeviceData* sts)
{
    rtuView = rtu;
    tcpView = tcp;
    acView = acdc;
    dcView = dcdc;
    stsView = sts;
    devicesSet = 1;
    if (acView) {
        acView->setting(0, 10048, chargeCorrection, 0);
        acView->setting(0, 10098, dischargeCorrection, 0);
    }
    computeDcParam();
    if (set[54].value < 0 || set[54].value > 2)
        set[54].value = int(acConfig(108));
    loadPageFiles();
    initAcShow();
    if (tcpView)
        tcpView->setting(0, 600, 1.0f, 0);
}

float Tab_set::acConfig(int index) const
{
    return configOf(acView, 0, index);
}

bool Tab_set::readConfig(DeviceData* device, int module, int index, float* out) const
{
    *out = 0;
    if (!device || device->getConfig(module, index, out) != 0) {
        *out = 0;
        return false;
    }
    return true;
}

float Tab_set::configOf(DeviceData* device, int module, int index) const
{
    float v;
    readConfig(device, module, index, &v);
    return v;
}

float Tab_set::analogOf(DeviceData* device, int module, int index) const
{
    float v = 0;
    if (!device || device->getAnalog(module, index, &v) != 0)
        v = 0;
    return v;
}

int Tab_set::dcInTypeOf(int branch) const
{
    if (set[24].value == 1)
        return int(configOf(acView, branch, 104));
    return int(configOf(dcView, branch, 35));
}

void Tab_set::computeDcParam()
{
    const int selector = currentRackInfo.dcParamSet;
    const int model = set[25].value;
    if (set[24].value == 1) {
        if (selector == 1) {
            fillDcParam(500, 850, 630, 500, 850, 750, 500, 850, 750);
            return;
        }
        const bool lowFirst = model == 1091;
        const bool wideFirst = acConfig(79) != 0 ? model == 3091 : (model == 3091 || model == 4091);
        if (lowFirst)
            fillDcParam(562, 900, 630, 600, 900, 750, 600, 900, 750);
        else if (wideFirst)
            fillDcParam(500, 900, 630, 600, 900, 750, 600, 900, 750);
        else
            fillDcParam(600, 900, 630, 600, 900, 750, 600, 900, 750);
        return;
    }
    if (model == 5091 || selector == 0)
        fillDcParam(30, 800, 300, 30, 800, 500, 30, 800, 500);
    else if (selector == 3)
        fillDcParam(30, 520, 300, 30, 520, 500, 30, 520, 500);
}

void Tab_set::loadPageFiles()
{
    // Both files sit in the working directory; a failed open reads as a short file.
    memset(showData, 0, sizeof showData);
    int fd = ::open("setting.dat", O_RDWR | O_CREAT | O_DSYNC, 0644);
    ssize_t got = fd >= 0 ? ::pread(fd, showData, kShowDataBytes, 0) : -1;
    if (got < kShowDataBytes) {
        memset(showData, 0, sizeof showData);
        showData[0] = acConfig(163);
        showData[1] = acConfig(165);
        showData[2] = acConfig(100);
        if (fd >= 0 && ::pwrite(fd, showData, kShowDataBytes, 0) != kShowDataBytes)
            printf("loadPageFiles setting.dat not rewritten\n");
    }
    if (fd >= 0)
        ::close(fd);

    memset(serialNum, 0, sizeof serialNum);
    fd = ::open("SerialNum.dat", O_RDWR | O_CREAT | O_DSYNC, 0644);
    got = fd >= 0 ? ::read(fd, serialNum, kSerialBytes) : -1;
    if (got < kSerialBytes) {
        memset(serialNum, 0, sizeof serialNum);
        // Appended where the read stopped: a new file becomes 128 zero bytes.
        if (fd >= 0 && ::write(fd, serialNum, kSerialBytes) != kSerialBytes)
            printf("loadPageFiles SerialNum.dat not rewritten\n");
    }
    // The buffer is shown as text: keep it terminated whatever the file held.
    serialNum[kSerialBytes - 1] = '\0';
    if (fd >= 0)
        ::close(fd);
}

void Tab_set::saveshowData()
{
    int fd = ::open("setting.dat", O_RDWR | O_DSYNC);
    if (fd < 0) {
        printf("saveshowData cannot open setting.dat\n");
        return;
    }
    if (::pwrite(fd, showData, kShowDataBytes, 0) != kShowDataBytes)
        printf("saveshowData short write\n");
    ::close(fd);
}

void Tab_set::read_netdata()
{
    QFile file(QString::fromStdString(SysPath::resolve("/etc/eth0-setting")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    for (int line = 0; line < 3 && !file.atEnd(); ++line) {
        const QString text = QString::fromLatin1(file.readLine());
        if (line == 0)
            netIp = text.mid(3);
        else if (line == 1)
            netMask = text.mid(5);
        else
            netGateway = text.mid(8);
    }
}

int Tab_set::reboot()
{
    QMessageBox box(QMessageBox::Warning, tr("警告"), tr("该设置需机架下电重启生效,请将机架下电!"), QMessageBox::Ok, this);
    const bool ok = box.exec() == QMessageBox::Ok;
    printf(ok ? "..........yes\n" : "..........no\n");
    return ok ? 1 : 0;
}

void Tab_set::closeSomething() {}

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
    clearEntrySelections();
    if (tabIsBuilt(currentIndex()))
        currentWidget()->setEnabled(true);
    const BuiltSubPage* built = builtSubPage(firstIndex);
    if (firstIndex == 1) {
        // Unapplied machine-type choices stay on screen.
        if (machTypeDirty == 0 && built && built->fresh)
            (this->*built->fresh)(subIndex);
    } else if (firstIndex >= 0 && firstIndex <= 8) {
        machTypeDirty = 0;
        if (built && built->fresh)
            (this->*built->fresh)(subIndex);
    }
    idleFlag = 100;
}

// The device library ends a pending write itself; writeAndPoll still gives up after 20 s so a
// library that never answers cannot hang the screen (and starve the watchdog).
void Tab_set::writeReported(DeviceData* device, int module, int index, float v, bool reportFailure)
{
    if (writeAndPoll(device, module, index, v) == 0)
        emit sendcommond(3);
    else if (reportFailure)
        emit sendcommond(4);
}

void Tab_set::setAc(int index, float v)
{
    if (idleFlag != 100)
        return;
    writeReported(acView, 0, index, v, true);
}

void Tab_set::setDc(int index, float v)
{
    if (idleFlag != 100)
        return;
    writeReported(dcView, 0, index, v, set[24].value == 0);
}

void Tab_set::setSts(int index, float v)
{
    if (idleFlag != 100)
        return;
    _setSts(0, index, v);
}

void Tab_set::_setSts(int module, int index, float v)
{
    writeReported(stsView, module, index, v, set[21].value == 0);
}

int Tab_set::branchCount()
{
    return qBound(1, set[23].value, kLastBranch - kFirstBranch + 1);
}

void Tab_set::dcBranchWrite(DeviceData* device, int module, int index, float v, const char* allLine)
{
    if (set[7].value == 0) {
        module = 0;
        printf("%s\n", allLine);
    } else if (module != 0 && (module < kFirstBranch || module > kLastBranch)) {
        printf("dcBranchWrite branch %d out of range\n", module);
        return;
    }
    writeReported(device, module, index, v, true);
}

void Tab_set::basic_setDc_byAc(int index, float v)
{
    dcBranchWrite(acView, basicDcModule, index, v, "set All");
}

void Tab_set::basic_setDc_byDc(int index, float v)
{
    dcBranchWrite(dcView, basicDcModule, index, v, "set  All");
}

void Tab_set::setDc_byAc(int index, float v)
{
    dcBranchWrite(acView, dcModule, index, v, "set All");
}

void Tab_set::setDc_byDc(int index, float v)
{
    dcBranchWrite(dcView, dcModule, index, v, "set  All");
}

// Entries open their keypad on selectionChanged. A selection left on the field would fire the
// slot again at the next setText (the refresh, or the slot's own write-back), opening a second
// keypad inside the refresh tick that can write nothing.
void Tab_set::entryStarted()
{
    if (QLineEdit* edit = qobject_cast<QLineEdit*>(sender())) {
        const QSignalBlocker block(edit);
        edit->deselect();
    }
}

void Tab_set::clearEntrySelections()
{
    if (!currentWidget())
        return;
    for (QLineEdit* edit : currentWidget()->findChildren<QLineEdit*>()) {
        if (edit->hasSelectedText()) {
            const QSignalBlocker block(edit);
            edit->deselect();
        }
    }
}

bool Tab_set::askInt(const QString& hint, int lo, int hi, int* out)
{
    entryStarted();
    KeyPad pad(this);
    if (!hint.isEmpty())
        pad.setInfo(hint);
    if (pad.exec() != 1)
        return false;
    const int v = pad.value2int();
    // A text that is not a number is never a value, whatever the range.
    if (v == KeyPad::invalidValue || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

bool Tab_set::askFloat(const QString& hint, float lo, float hi, float* out)
{
    entryStarted();
    KeyPad pad(this);
    if (!hint.isEmpty())
        pad.setInfo(hint);
    if (pad.exec() != 1)
        return false;
    const float v = pad.value2float();
    if (v == float(KeyPad::invalidValue) || v > hi + 1e-5f || v < lo - 1e-5f)
        return false;
    *out = v;
    return true;
}
