#include "settingspage.h"

#include "fiforelease.h"
#include "mytoolbar.h"
#include "paramfile.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const char kNotice[] = "该设置需机架下电重启生效,请将机架下电!";

struct Factory : SettingsPage {
    Factory()
    {
        attach();
        tree.writeFile("etc/eth0-setting", "IP=192.168.1.10\nMask=255.255.255.0\nGateway=192.168.1.1\nDNS=8.8.8.8\n"
                                           "MAC=00:24:00:00:00:01\nEND=1\n");
    }
    // The settings as saved on disk, read back into set[].
    int savedValue(int slot)
    {
        const int running = set[slot].value;
        readmonitorset();
        const int saved = set[slot].value;
        set[slot].value = running;
        return saved;
    }
};

} // namespace

TEST(Tab_set_factory, ClearDataOnlyWhenConfirmedAndSavedBeforeTheRestart)
{
    for (bool yes : { false, true }) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        Factory p;
        p.tree.writeFile("log/history.log", "x");
        p.tree.writeFile("log/operaterecord.log", "y");
        p.tree.writeFile("log/AcData.year", "keep");
        p.tree.writeFile("bin/log.dat", "z");
        set[9].value = 7;
        set[51].value = 1200;
        set[52].value = 900;
        p.tab.chargeCorrection = 12;
        p.tab.dischargeCorrection = 9;
        savemonitorset();
        Boxes boxes({ yes ? QMessageBox::Yes : QMessageBox::No });
        p.slot("on_pushButton_2_clicked");

        ASSERT_EQ(boxes.texts.size(), 1);
        EXPECT_EQ(boxes.texts[0], "监控会自动重启生效该设置，是否确认?");
        EXPECT_EQ(p.tree.exists("log/history.log"), !yes);
        EXPECT_EQ(p.tree.exists("log/operaterecord.log"), !yes);
        EXPECT_EQ(p.tree.exists("bin/log.dat"), !yes);
        EXPECT_TRUE(p.tree.exists("log/AcData.year")) << "only the logs go";
        EXPECT_EQ(p.savedValue(9), yes ? 0 : 7);
        EXPECT_EQ(p.savedValue(51), yes ? 0 : 1200);
        EXPECT_EQ(p.savedValue(52), yes ? 0 : 900);
        EXPECT_EQ(p.tab.chargeCorrection, yes ? 0 : 12);
        EXPECT_EQ(p.ac.wrote(0, 10048, 0.0f), yes);
        EXPECT_EQ(p.ac.wrote(0, 10098, 0.0f), yes);
        EXPECT_EQ(p.tree.commands(), yes ? "reboot\n" : "");
    }
}

TEST(Tab_set_factory, SaveThenRestoreBringsTheFactorySetBackAndItStays)
{
    Factory p;
    p.tree.writeFile("conf/param_0.ini", "factory ac\n");
    p.tree.writeFile("conf/param_1001.ini", "factory branch\n");
    p.tree.writeFile("conf-dcdc/param_1000.ini", "factory dc\n");
    p.tree.writeFile("conf-sts/param_1.ini", "factory sts\n");
    set[10].value = 15;
    savemonitorset();
    {
        Boxes boxes({ QMessageBox::Ok });
        p.slot("on_pushButton_4_clicked");
        EXPECT_EQ(boxes.texts, QStringList() << "设置成功");
    }
    EXPECT_EQ(p.tree.readFile("conf/param_0.bak"), "factory ac\n");
    EXPECT_EQ(p.tree.readFile("conf-dcdc/param_1000.bak"), "factory dc\n");
    EXPECT_EQ(p.tree.readFile("conf-sts/param_1.bak"), "factory sts\n");
    EXPECT_FALSE(p.tree.exists("conf/param_2.bak")) << "no file, no backup";

    // The cabinet is changed afterwards...
    p.tree.writeFile("conf/param_0.ini", "changed\n");
    p.tree.writeFile("conf-sts/param_1.ini", "changed\n");
    set[10].value = 60;
    savemonitorset();

    // ...and restored: the files and the running settings are the saved ones.
    Boxes boxes({ QMessageBox::Yes, QMessageBox::Ok });
    p.slot("on_pushButton_3_clicked");
    EXPECT_EQ(boxes.texts, QStringList() << "是否确认恢复出厂设置?" << kNotice);
    EXPECT_EQ(p.tree.readFile("conf/param_0.ini"), "factory ac\n");
    EXPECT_EQ(p.tree.readFile("conf-sts/param_1.ini"), "factory sts\n");
    EXPECT_EQ(set[10].value, 15);
    // A save of the running settings right after keeps the restored value.
    savemonitorset();
    EXPECT_EQ(p.savedValue(10), 15);
}

TEST(Tab_set_factory, BackupWaitsForALibraryPassOverTheRunningFile)
{
    Factory p;
    p.tree.writeFile("conf/param_0.ini", "line 1 old\nline 2 old\n");
    const std::string running = p.tree.path("conf/param_0.ini");
    std::atomic<bool> holding{ false };
    // A link library's write pass: two lines in place, under the file's lock.
    std::thread library([&] {
        ParamFileLock lock(running);
        std::fstream f(running, std::ios::in | std::ios::out);
        f << "line 1 new\n" << std::flush;
        holding = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        f << "line 2 new\n" << std::flush;
    });
    while (!holding)
        std::this_thread::yield();
    {
        Boxes boxes({ QMessageBox::Ok });
        p.slot("on_pushButton_4_clicked");
    }
    library.join();
    EXPECT_EQ(p.tree.readFile("conf/param_0.bak"), "line 1 new\nline 2 new\n") << "never half a pass";
}

TEST(Tab_set_factory, RestoreWithoutBackupsOrWithADamagedOne)
{
    {
        SCOPED_TRACE("no backups at all");
        Factory p;
        p.tree.writeFile("conf/param_0.ini", "running\n");
        Boxes boxes({ QMessageBox::Yes, QMessageBox::Ok });
        p.slot("on_pushButton_3_clicked");
        EXPECT_EQ(boxes.texts, QStringList() << "是否确认恢复出厂设置?" << kNotice);
        EXPECT_EQ(p.tree.readFile("conf/param_0.ini"), "running\n");
    }
    {
        SCOPED_TRACE("answered No");
        Factory p;
        p.tree.writeFile("conf/param_0.bak", "factory\n");
        p.tree.writeFile("conf/param_0.ini", "running\n");
        Boxes boxes({ QMessageBox::No });
        p.slot("on_pushButton_3_clicked");
        EXPECT_EQ(p.tree.readFile("conf/param_0.ini"), "running\n");
    }
    {
        SCOPED_TRACE("damaged settings copy");
        Factory p;
        set[10].value = 60;
        savemonitorset();
        p.tree.writeFile("bin/monitorset_bak.txt", "short");
        Boxes boxes({ QMessageBox::Yes, QMessageBox::Ok });
        p.slot("on_pushButton_3_clicked");
        EXPECT_EQ(boxes.texts, QStringList() << "是否确认恢复出厂设置?") << "no power-cycle notice after a failure";
        EXPECT_EQ(p.tip.text(), "设置失败");
        EXPECT_EQ(set[10].value, 60);
        EXPECT_EQ(p.savedValue(10), 60);
    }
}

TEST(Tab_set_factory, LogoFromTheStick)
{
    Factory p;
    p.slot("on_pushButton_5_clicked");
    EXPECT_EQ(p.tip.text(), "请插入U盘");

    p.tree.writeFile("dev/udisk", "");
    p.slot("on_pushButton_5_clicked");
    EXPECT_EQ(p.tip.text(), "无Logo文件！");
    EXPECT_FALSE(p.tree.exists("bin/logo.png"));

    p.tree.writeFile("udisk/logo.png", "PNG bytes");
    Boxes boxes({ QMessageBox::Ok });
    p.slot("on_pushButton_5_clicked");
    EXPECT_EQ(p.tip.text(), "设置成功");
    EXPECT_EQ(boxes.texts, QStringList() << "重启监控生效");
    EXPECT_EQ(p.tree.readFile("bin/logo.png"), "PNG bytes");
}

namespace {
std::vector<std::string> entriesOf(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const struct dirent* e = readdir(d))
            names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}
} // namespace

// The stick's "logo.png" may be anything; the panel's logo changes only for a picture-sized file.
TEST(Tab_set_factory, LogoThatIsNoPlainPictureIsRefused)
{
    enum Make { FIFO, DEVICE_LINK, DIRECTORY, TOO_LARGE, LARGEST };
    struct Case {
        const char* name;
        Make make;
        const char* tip;
    };
    const Case cases[] = {
        { "FIFO", FIFO, "Logo文件不是普通文件！" },
        { "link to a device", DEVICE_LINK, "Logo文件不是普通文件！" },
        { "directory", DIRECTORY, "Logo文件不是普通文件！" },
        { "too large", TOO_LARGE, "Logo文件超过4MB！" },
        { "as large as allowed", LARGEST, "设置成功" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Factory p;
        p.tree.writeFile("dev/udisk", "");
        p.tree.writeFile("bin/logo.png", "old logo");
        const std::string logo = p.tree.path("udisk/logo.png");
        switch (c.make) {
        case FIFO:
            ASSERT_EQ(::mkfifo(logo.c_str(), 0644), 0);
            break;
        case DEVICE_LINK:
            ASSERT_EQ(::symlink("/dev/zero", logo.c_str()), 0);
            break;
        case DIRECTORY:
            ASSERT_EQ(::mkdir(logo.c_str(), 0755), 0);
            break;
        case TOO_LARGE:
        case LARGEST:
            p.tree.writeFile("udisk/logo.png", "");
            ASSERT_EQ(::truncate(logo.c_str(), (4 << 20) + (c.make == TOO_LARGE ? 1 : 0)), 0);
            break;
        }
        const std::vector<std::string> before = entriesOf(p.tree.path("bin"));
        Boxes boxes({ QMessageBox::Ok });
        {
            FifoRelease release(logo);
            p.slot("on_pushButton_5_clicked");
            EXPECT_FALSE(release.waited) << "the copy waited on the file";
        }
        EXPECT_EQ(p.tip.text().toStdString(), c.tip);
        EXPECT_EQ(entriesOf(p.tree.path("bin")), before) << "no copy is left beside the logo";
        const std::string now = p.tree.readFile("bin/logo.png");
        if (c.make == LARGEST) {
            EXPECT_EQ(now.size(), size_t(4 << 20));
        } else {
            EXPECT_TRUE(now == "old logo") << "the logo has " << now.size() << " bytes now";
            EXPECT_TRUE(boxes.texts.isEmpty());
        }
    }
}

TEST(Tab_set_factory, NewMacAddressInTheNetworkFileAndOnTheInterface)
{
    Factory p;
    p.slot("on_pushButton_7_clicked");
    std::istringstream lines(p.tree.readFile("etc/eth0-setting"));
    std::vector<std::string> l;
    for (std::string s; std::getline(lines, s);)
        l.push_back(s);
    ASSERT_EQ(l.size(), 6u);
    EXPECT_EQ(l[3], "DNS=8.8.8.8");
    EXPECT_EQ(l[5], "END=1");
    // Every byte in lower-case hexadecimal without leading zero.
    const QRegularExpression form("^MAC=(00:24(:(0|[1-9a-f][0-9a-f]?)){4})$");
    const QRegularExpressionMatch m = form.match(QString::fromStdString(l[4]));
    ASSERT_TRUE(m.hasMatch()) << l[4];
    const std::string mac = m.captured(1).toStdString();
    EXPECT_EQ(p.tree.commands(), "ifconfig eth0 down\nifconfig eth0 hw ether " + mac + "\nifconfig eth0 up\n");
    EXPECT_EQ(p.tip.text(), "设置成功");

    // Seeded by the second: two changes in one second give the same address, the next second another.
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1700000000);
    const QString a = p.tab.newMacAddress();
    TimeSeam::advanceMs(500);
    EXPECT_EQ(p.tab.newMacAddress(), a);
    TimeSeam::advanceMs(1000);
    EXPECT_NE(p.tab.newMacAddress(), a);
    TimeSeam::useFakeClock(false);
}

TEST(Tab_set_factory, MacBytesBelowSixteenAreOneDigit)
{
    Factory p;
    TimeSeam::useFakeClock(true);
    // Over a minute of changes some byte falls below 16; each shows as one digit, never "0a".
    const QRegularExpression form("^00:24(:(0|[1-9a-f][0-9a-f]?)){4}$");
    const QRegularExpression oneDigit(":[0-9a-f](:|$)");
    int oneDigitBytes = 0;
    for (int second = 0; second < 60; ++second) {
        TimeSeam::setWallTime(1700000000 + second);
        const QString mac = p.tab.newMacAddress();
        EXPECT_TRUE(form.match(mac).hasMatch()) << mac.toStdString();
        if (oneDigit.match(mac.mid(5)).hasMatch())
            ++oneDigitBytes;
    }
    TimeSeam::useFakeClock(false);
    EXPECT_GT(oneDigitBytes, 0);
}

TEST(Tab_set_factory, RefusedAddressStillBringsTheInterfaceBackUp)
{
    Factory p;
    p.tree.writeFile("commands.fail", "ifconfig eth0 hw ether\n");
    p.slot("on_pushButton_7_clicked");
    const std::string log = p.tree.commands();
    const size_t refused = log.find("ifconfig eth0 hw ether ");
    ASSERT_NE(refused, std::string::npos) << log;
    EXPECT_NE(log.find("ifconfig eth0 up\n", refused), std::string::npos) << log;
    EXPECT_EQ(p.tip.text(), "设置失败");
}

TEST(Tab_set_factory, MacChangeReportsAFailedEdit)
{
    Factory p;
    std::remove(p.tree.path("etc/eth0-setting").c_str());
    p.slot("on_pushButton_7_clicked");
    EXPECT_EQ(p.tip.text(), "设置失败");
    EXPECT_FALSE(p.tree.exists("etc/eth0-setting"));
}

TEST(Tab_set_factory, TouchCalibrationOnlyWhenConfirmed)
{
    for (bool yes : { false, true }) {
        Factory p;
        Boxes boxes({ yes ? QMessageBox::Yes : QMessageBox::No });
        p.slot("on_pushButton_8_clicked");
        EXPECT_EQ(p.tree.commands(), yes ? "ts_calibrate\nreboot\n" : "");
    }
}

TEST(Tab_set_factory, ScreenshotCodeIsComparedWhole)
{
    struct Case {
        const char* typed; // null cancels
        bool shown;
    };
    const Case cases[] = { { "5927", true }, { "59271", false }, { "592", false }, { "05927", false },
        { nullptr, false } };
    QPushButton shot, exitShot;
    screenShotBtn = &shot;
    screenShotExitBtn = &exitShot;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed ? c.typed : "cancelled");
        Factory p;
        shot.setVisible(false);
        exitShot.setVisible(false);
        p.entry("on_pushButton_ScreenShots_clicked", c.typed);
        EXPECT_EQ(!shot.isHidden(), c.shown);
        EXPECT_EQ(!exitShot.isHidden(), c.shown);
    }
    screenShotBtn = nullptr;
    screenShotExitBtn = nullptr;
}
