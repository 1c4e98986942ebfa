// Factory operations of the monitor-settings sub-page: clear the logs, save and restore the
// factory parameter set, change the logo, give the board a new MAC address, calibrate the touch
// screen and unlock the tool bar's screenshot buttons.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "devicedata.h"
#include "filecopy.h"
#include "globalvar.h"
#include "keypad.h"
#include "monitorset.h"
#include "paramfile.h"
#include "mytoolbar.h"
#include "shellrunner.h"
#include "syspath.h"
#include "timeseam.h"

#include <QDebug>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct ParamGroup {
    const char* dir;
    std::vector<int> numbers;
};

// The parameter files of every module, branch and switch, in the order they are copied.
std::vector<ParamGroup> paramGroups()
{
    std::vector<int> ac, dc, sts;
    for (int n = 1001; n <= 1008; ++n)
        ac.push_back(n);
    for (int n = 0; n <= 12; ++n)
        ac.push_back(n);
    for (int n = 1000; n <= 1008; ++n)
        dc.push_back(n);
    for (int n = 1; n <= 10; ++n)
        dc.push_back(n);
    for (int n = 1001; n <= 1008; ++n)
        sts.push_back(n);
    sts.push_back(0);
    sts.push_back(1);
    return { { "../conf", ac }, { "../conf-dcdc", dc }, { "../conf-sts", sts } };
}

// Copies each parameter file between its ".ini" and ".bak" forms. A file that is not there is
// skipped (not every cabinet has every module); any other failure is counted.
int copyParamFiles(const char* fromSuffix, const char* toSuffix)
{
    int failed = 0;
    for (const ParamGroup& g : paramGroups())
        for (int n : g.numbers) {
            const std::string base = std::string(g.dir) + "/param_" + std::to_string(n);
            const std::string from = base + fromSuffix;
            if (::access(from.c_str(), F_OK) != 0)
                continue;
            // The link libraries write lines of the running file meanwhile: hold its lock both
            // ways, so a restore cannot lose a line and a backup never takes a half-written one.
            ParamFileLock running(base + ".ini");
            if (copyWhole(from, base + toSuffix) != 0)
                ++failed;
        }
    return failed;
}

bool confirmed(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QObject::tr("警告"), text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

// Replaces one line (1-based) of a text file through a temporary file and a rename, so a failed
// edit never leaves the file empty or half written.
bool replaceLine(const std::string& path, int lineNo, const std::string& text)
{
    FILE* in = fopen(path.c_str(), "r");
    if (!in) {
        printf("replaceLine cannot read %s: %s\n", path.c_str(), strerror(errno));
        return false;
    }
    std::vector<std::string> lines;
    char buf[512];
    std::string cur;
    while (fgets(buf, sizeof buf, in)) {
        cur += buf;
        if (!cur.empty() && cur.back() == '\n') {
            lines.push_back(cur);
            cur.clear();
        }
    }
    const bool readOk = !ferror(in);
    fclose(in);
    if (!cur.empty())
        lines.push_back(cur + "\n");
    if (!readOk)
        return false;
    while (int(lines.size()) < lineNo)
        lines.push_back("\n");
    lines[size_t(lineNo - 1)] = text + "\n";

    const std::string tmp = path + ".tmp";
    FILE* out = fopen(tmp.c_str(), "w");
    if (!out) {
        printf("replaceLine cannot write %s: %s\n", tmp.c_str(), strerror(errno));
        return false;
    }
    bool ok = true;
    for (const std::string& l : lines)
        ok = ok && fputs(l.c_str(), out) >= 0;
    ok = fflush(out) == 0 && ok;
    ok = fsync(fileno(out)) == 0 && ok;
    ok = fclose(out) == 0 && ok;
    if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
        printf("replaceLine cannot replace %s: %s\n", path.c_str(), strerror(errno));
        unlink(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace

// Clear data: logs, snapshot ring and energy corrections, then a restart.
void Tab_set::on_pushButton_2_clicked()
{
    if (!confirmed(this, tr("监控会自动重启生效该设置，是否确认?")))
        return;
    QDir logs("../log");
    for (const QString& name : logs.entryList(QStringList() << "*.log", QDir::Files))
        if (!logs.remove(name))
            printf("on_pushButton_2_clicked cannot delete ../log/%s\n", qPrintable(name));
    set[51].value = 0;
    set[9].value = 0;
    chargeCorrection = 0;
    set[52].value = 0;
    dischargeCorrection = 0;
    // Saved before the restart, or the zeroed counters come back with it.
    savemonitorset();
    if (acView) {
        acView->setting(0, 10048, 0.0f, 0);
        acView->setting(0, 10098, 0.0f, 0);
    }
    if (::unlink("log.dat") != 0 && errno != ENOENT)
        printf("on_pushButton_2_clicked cannot delete log.dat: %s\n", strerror(errno));
    ::sync();
    ShellRunner::run("reboot");
}

// Restore factory settings: the saved parameter files and monitor settings come back.
void Tab_set::on_pushButton_3_clicked()
{
    if (!confirmed(this, tr("是否确认恢复出厂设置?")))
        return;
    int failed = copyParamFiles(".bak", ".ini");
    if (restoremonitorset("monitorset_bak.txt") < 0)
        ++failed;
    ::sync();
    if (failed > 0) {
        printf("on_pushButton_3_clicked: %d copies failed\n", failed);
        setTipsNow(tr("设置失败"), 5);
        return;
    }
    reboot();
}

// Save factory settings: the running parameter files and monitor settings become the backups.
void Tab_set::on_pushButton_4_clicked()
{
    int failed = copyParamFiles(".ini", ".bak");
    if (!backupmonitorset("monitorset_bak.txt"))
        ++failed;
    ::sync();
    if (failed > 0) {
        printf("on_pushButton_4_clicked: %d copies failed\n", failed);
        setTipsNow(tr("设置失败"), 5);
        return;
    }
    setTipsNow(tr("设置成功"), 5);
    QMessageBox box(QMessageBox::Information, tr("提示"), tr("设置成功"), QMessageBox::Ok, this);
    box.exec();
}

// Change logo: "logo.png" from the stick replaces the panel's logo at the next start.
void Tab_set::on_pushButton_5_clicked()
{
    if (::access(SysPath::resolve("/dev/udisk").c_str(), F_OK) != 0) {
        setTipsNow(tr("请插入U盘"), 15);
        return;
    }
    const std::string logo = SysPath::resolve("/udisk/logo.png");
    if (::access(logo.c_str(), F_OK) != 0) {
        setTipsNow(tr("无Logo文件！"), 15);
        return;
    }
    // Far above a tool-bar picture; the stick may hold anything under the name.
    const long long logoMaxBytes = 4LL << 20;
    const int copied = copyFromStick(logo, SysPath::resolve("/opt/pcs/bin/logo.png"), logoMaxBytes);
    if (copied == COPY_NOT_REGULAR) {
        setTipsNow(tr("Logo文件不是普通文件！"), 15);
        return;
    }
    if (copied == COPY_TOO_LARGE) {
        setTipsNow(tr("Logo文件超过%1MB！").arg(logoMaxBytes >> 20), 15);
        return;
    }
    if (copied != 0) {
        setTipsNow(tr("设置失败"), 15);
        return;
    }
    setTipsNow(tr("设置成功"), 15);
    QMessageBox box(QMessageBox::Warning, tr("警告"), tr("重启监控生效"), QMessageBox::Ok, this);
    box.exec();
}

QString Tab_set::newMacAddress()
{
    // Seeded by the second, as the address has always been: two changes within one second give
    // the same address.
    QRandomGenerator random(quint32(TimeSeam::wallMs() / 1000));
    // A byte below 16 is one digit ("00:24:a:..."); the interface set-up reads one or two digits
    // a byte, and no reader of the network file needs two.
    QString mac = "00:24";
    for (int i = 0; i < 4; ++i)
        mac += QString::asprintf(":%x", random.generate() % 256);
    return mac;
}

// Modify MAC: a new address in the board's network file and on the interface.
void Tab_set::on_pushButton_7_clicked()
{
    qDebug() << "touchCode now";
    const QString mac = newMacAddress();
    const std::string line = "MAC=" + mac.toStdString();
    bool ok;
    if (SysPath::deviceMayOpen()) {
        ok = replaceLine(SysPath::resolve("/etc/eth0-setting"), 5, line);
    } else {
        // A host build without a runtime tree never edits this machine's /etc: the runner records it.
        ok = ShellRunner::run("sed '5 c\\" + line + "' /etc/eth0-setting") == 0;
    }
    ok = ok && ShellRunner::run("ifconfig eth0 down") == 0;
    ok = ok && ShellRunner::run("ifconfig eth0 hw ether " + mac.toStdString()) == 0;
    // The interface comes back up even when the new address was refused.
    ok = ShellRunner::run("ifconfig eth0 up") == 0 && ok;
    qDebug() << "mac address:" << mac;
    setTipsNow(ok ? tr("设置成功") : tr("设置失败"), 3);
}

// Touch calibration: the calibration tool takes the screen, then the board restarts.
void Tab_set::on_pushButton_8_clicked()
{
    if (!confirmed(this, tr("监控会自动重启生效该设置，确认校准?")))
        return;
    ShellRunner::run("ts_calibrate");
    ShellRunner::run("reboot");
}

// The access code shows the tool bar's screenshot buttons.
void Tab_set::on_pushButton_ScreenShots_clicked()
{
    KeyPad pad(this);
    if (pad.exec() != 1 || pad.valueText() != QLatin1String("5927"))
        return;
    if (screenShotBtn)
        screenShotBtn->setVisible(true);
    if (screenShotExitBtn)
        screenShotExitBtn->setVisible(true);
}
