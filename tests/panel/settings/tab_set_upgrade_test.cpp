#include "settingspage.h"

#include "fiforelease.h"
#include "upgradethread.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <dirent.h>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Answers the keypad with text, then the boxes that follow.
struct KeyThenBoxes {
    KeyPadTyper typer;
    Boxes boxes;
    KeyThenBoxes(const char* code, std::vector<QMessageBox::StandardButton> answers)
        : typer(code)
        , boxes(std::move(answers))
    {
    }
};

struct Upgrade : SettingsPage {
    Upgrade()
    {
        attach();
        // The worker's first write is refused as "no file", so each pass ends at once.
        dc.settingResult = -3;
    }
    QCheckBox* box(int n) { return w<QCheckBox>(n == 1 ? "checkBox" : ("checkBox_" + std::to_string(n)).c_str()); }
    void chooseType(const char* type)
    {
        auto* combo = w<QComboBox>("comboBox_Type");
        combo->setCurrentText(type);
        QMetaObject::invokeMethod(&tab, "on_comboBox_Type_activated", Q_ARG(QString, QString(type)));
    }
    void tick(std::initializer_list<int> numbers)
    {
        for (QCheckBox* b : tab.moduleBoxes)
            b->setChecked(false);
        for (int n : numbers)
            box(n)->setChecked(true);
    }
    QString line() { return w<QLineEdit>("LineFileEdit")->text(); }
    // Starts with the code and confirms every question.
    QStringList start(const char* code = "905318")
    {
        KeyThenBoxes k(code, { QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Yes });
        slot("on_StartUpgradeButton_clicked");
        tab.upgradeThread->join();
        QCoreApplication::processEvents();
        return k.boxes.texts;
    }
};

bool matches(int (*filter)(const struct dirent*), const char* name)
{
    struct dirent e = {};
    strncpy(e.d_name, name, sizeof e.d_name - 1);
    return filter(&e) != 0;
}

} // namespace

TEST(Tab_set_upgrade, FileFiltersByName)
{
    struct Case {
        const char* name;
        bool ac, dc, u2, sts, monitor;
    };
    const Case cases[] = {
        { "dcac_v3.HEX", true, true, false, false, false },
        { "STS.hex", false, false, false, true, false },
        { "fw_ac.hex.old", true, false, false, false, false },
        { "u2_main.Hex", false, false, true, false, false },
        { "AC_fw.bin", false, false, false, false, false },
        { "x'$(reboot)`AC`.hex", true, false, false, false, false },
        { "monitor.tar.gz", false, false, false, false, true },
        { "Monitor.tar.gz", false, false, false, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(matches(Tab_set::selectAcFlies, c.name), c.ac);
        EXPECT_EQ(matches(Tab_set::selectDcFlies, c.name), c.dc);
        EXPECT_EQ(matches(Tab_set::selectU2Flies, c.name), c.u2);
        EXPECT_EQ(matches(Tab_set::selectStsFlies, c.name), c.sts);
        EXPECT_EQ(matches(Tab_set::selectMonitorFlies, c.name), c.monitor);
    }
}

TEST(Tab_set_upgrade, ImportsAlreadyInTmpNoneOneOrSeveral)
{
    const char* const noFile = "升级文件不存在,请从U盘导入!";
    {
        Upgrade p;
        p.chooseType("DCAC");
        EXPECT_EQ(p.line(), noFile);
    }
    {
        Upgrade p;
        p.tree.writeFile("tmp/DCAC_v1.hex", "x");
        p.chooseType("DCAC");
        EXPECT_EQ(p.line(), "DCAC_v1.hex");
        EXPECT_TRUE(p.tree.exists("tmp/DCAC_v1.hex"));
    }
    {
        Upgrade p;
        for (const char* f : { "tmp/a_AC.hex", "tmp/b_AC.hex", "tmp/c_ac.HEX", "tmp/keep_DC.hex" })
            p.tree.writeFile(f, "x");
        p.chooseType("DCAC");
        EXPECT_EQ(p.line(), noFile);
        EXPECT_FALSE(p.tree.exists("tmp/a_AC.hex"));
        EXPECT_FALSE(p.tree.exists("tmp/c_ac.HEX"));
        EXPECT_TRUE(p.tree.exists("tmp/keep_DC.hex"));
    }
}

TEST(Tab_set_upgrade, ImportCopiesByFileCallsEvenANameWithShellSyntax)
{
    Upgrade p;
    const std::string name = "x'$(touch${IFS}pwned);`AC`.hex";
    p.chooseType("DCAC");
    {
        Boxes boxes;
        p.slot("on_ImportFileButton_clicked");
        EXPECT_EQ(boxes.texts, QStringList() << "请插入U盘");
    }
    p.tree.writeFile("dev/udisk", "");
    {
        Boxes boxes;
        p.slot("on_ImportFileButton_clicked");
        EXPECT_EQ(boxes.texts, QStringList() << "U盘中没有DCAC的升级文件，请确认U盘是否存在文件！");
    }
    p.tree.writeFile("udisk/" + name, "firmware");
    p.tree.writeFile("tmp/old_AC.hex", "old");
    Boxes boxes;
    p.slot("on_ImportFileButton_clicked");
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join("|").toStdString();
    EXPECT_EQ(p.line(), QString::fromStdString(name));
    EXPECT_EQ(p.tree.readFile("tmp/" + name), "firmware");
    EXPECT_FALSE(p.tree.exists("tmp/old_AC.hex"));
    EXPECT_FALSE(p.tree.exists("bin/pwned"));
    EXPECT_EQ(p.tree.commands(), "");
    EXPECT_TRUE(p.w<QPushButton>("ImportFileButton")->isEnabled());
}

TEST(Tab_set_upgrade, FailedImportIsReportedAndNotShownAsImported)
{
    Upgrade p;
    p.tree.writeFile("dev/udisk", "");
    p.tree.writeFile("udisk/fw_AC.hex", "firmware");
    // A directory under the file's name in /tmp makes the copy fail, even for root.
    ::mkdir(p.tree.path("tmp/fw_AC.hex").c_str(), 0755);
    Boxes boxes;
    p.slot("on_ImportFileButton_clicked");
    EXPECT_EQ(boxes.texts, QStringList() << "升级文件导入失败，请重新导入");
    EXPECT_NE(p.line(), "fw_AC.hex");
}

TEST(Tab_set_upgrade, AnImportTakesOnlyARegularFileAndKeepsTheLastImportUntilThen)
{
    enum Make { REGULAR, FIFO, DEVICE_LINK, FILE_LINK, DIRECTORY, TOO_LARGE };
    struct Case {
        const char* name;
        const char* file;   // on the stick
        Make make;
        const char* said;   // the box, null for none
    };
    const Case cases[] = {
        { "regular file", "fw_AC.hex", REGULAR, nullptr },
        { "same name as the last import", "old_AC.hex", REGULAR, nullptr },
        { "name with a space", "fw AC.hex", REGULAR, "文件名不能有空格!" },
        { "FIFO", "dcac_x.hex", FIFO, "升级文件不是普通文件，不能导入!" },
        { "link to a device", "zero_AC.hex", DEVICE_LINK, "升级文件不是普通文件，不能导入!" },
        { "link to a file", "link_AC.hex", FILE_LINK, "升级文件不是普通文件，不能导入!" },
        { "directory", "dir_AC.hex", DIRECTORY, "升级文件不是普通文件，不能导入!" },
        { "too large", "big_AC.hex", TOO_LARGE, "升级文件超过16MB，不能导入!" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Upgrade p;
        p.tree.writeFile("dev/udisk", "");
        p.tree.writeFile("tmp/old_AC.hex", "old");
        p.chooseType("DCAC");
        ASSERT_EQ(p.line(), "old_AC.hex");
        const std::string onStick = p.tree.path("udisk/") + c.file;
        switch (c.make) {
        case REGULAR:
            p.tree.writeFile(std::string("udisk/") + c.file, "new");
            break;
        case FIFO:
            ASSERT_EQ(::mkfifo(onStick.c_str(), 0644), 0);
            break;
        case DEVICE_LINK:
            ASSERT_EQ(::symlink("/dev/zero", onStick.c_str()), 0);
            break;
        case FILE_LINK:
            p.tree.writeFile("bin/elsewhere.hex", "new");
            ASSERT_EQ(::symlink(p.tree.path("bin/elsewhere.hex").c_str(), onStick.c_str()), 0);
            break;
        case DIRECTORY:
            ASSERT_EQ(::mkdir(onStick.c_str(), 0755), 0);
            break;
        case TOO_LARGE:
            p.tree.writeFile(std::string("udisk/") + c.file, "");
            ASSERT_EQ(::truncate(onStick.c_str(), UpgradeThread::FILE_MAX_BYTES + 1), 0);
            break;
        }
        {
            FifoRelease release(onStick);
            Boxes boxes;
            p.slot("on_ImportFileButton_clicked");
            EXPECT_FALSE(release.waited) << "the import waited on the file";
            EXPECT_EQ(boxes.texts.join("|").toStdString(), c.said ? c.said : "");
        }
        EXPECT_TRUE(p.w<QPushButton>("ImportFileButton")->isEnabled());
        DIR* d = opendir(p.tree.path("tmp").c_str());
        ASSERT_TRUE(d);
        std::vector<std::string> inTmp;
        while (const struct dirent* e = readdir(d))
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
                inTmp.push_back(e->d_name);
        closedir(d);
        if (!c.said) {
            EXPECT_EQ(p.line().toStdString(), c.file);
            EXPECT_EQ(inTmp, std::vector<std::string>{ c.file }) << "the last import goes once the new one is in";
            EXPECT_EQ(p.tree.readFile(std::string("tmp/") + c.file), "new");
            continue;
        }
        // A refused import changes nothing: the last import is still there to start.
        EXPECT_EQ(p.line().toStdString(), "old_AC.hex");
        EXPECT_EQ(inTmp, std::vector<std::string>{ "old_AC.hex" });
        EXPECT_EQ(p.tree.readFile("tmp/old_AC.hex"), "old");
        const QStringList said = p.start();
        EXPECT_FALSE(said.contains("升级文件打开失败，请重新导入")) << said.join("|").toStdString();
        EXPECT_FALSE(p.dc.writes.empty()) << "the worker started on the last import";
    }
}

TEST(Tab_set_upgrade, TickedModulesBecomeAddressesOfTheirType)
{
    struct Case {
        const char* type;
        std::initializer_list<int> ticked;
        std::vector<int> addresses;
        int kind;
        const char* listed;
        bool aloneWarning;
    };
    const Case cases[] = {
        { "DCDC", { 3, 1 }, { 129, 131 }, 1, "升级模块编号为:1,3,", false },
        { "DCAC", { 15 }, { 79 }, 0, "升级模块编号为:15,", true },
        { "U2", { 11 }, { 75 }, 2, "升级模块编号为:11,", false },
        { "STS", { 12 }, { 76 }, 3, "升级模块编号为:12,", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Upgrade p;
        p.tree.writeFile("tmp/fw_" + std::string(c.type) + "_x.hex", "0123456789");
        p.chooseType(c.type);
        p.tick(c.ticked);
        const QStringList said = p.start();
        ASSERT_GE(said.size(), 2);
        EXPECT_TRUE(said[0].contains(c.listed)) << said[0].toStdString();
        EXPECT_EQ(said.size(), c.aloneWarning ? 3 : 2);
        EXPECT_EQ(p.tab.upgradeThread->upgradeModules(), c.addresses);
        EXPECT_EQ(p.tab.upgradeThread->upgradeKind(), c.kind);
        EXPECT_EQ(p.tab.upgradeTotal, 10 * int(c.addresses.size()));
        ASSERT_FALSE(p.dc.writes.empty());
        EXPECT_EQ(p.dc.writes[0].module, c.addresses[0]) << "the worker works on the DC/DC link";
        EXPECT_EQ(Tab_set::Upgrading, 0) << "the end of the pass clears the mark";
        EXPECT_TRUE(p.w<QPushButton>("StartUpgradeButton")->isEnabled());
    }
}

TEST(Tab_set_upgrade, StartRefusals)
{
    struct Case {
        const char* name;
        const char* file;     // written into /tmp, null for none
        const char* content;
        const char* code;
        const char* said;
    };
    const Case cases[] = {
        { "no file", nullptr, "", "905318", "升级文件不存在!" },
        { "wrong code", "fw_AC.hex", "x", "9053181", "升级密码输入错误!" },
        { "empty file", "fw_AC.hex", "", "905318", "升级文件为空文件，请重新导入" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Upgrade p;
        if (c.file)
            p.tree.writeFile(std::string("tmp/") + c.file, c.content);
        p.chooseType("DCAC");
        KeyThenBoxes k(c.code, { QMessageBox::Yes, QMessageBox::Yes });
        p.slot("on_StartUpgradeButton_clicked");
        ASSERT_FALSE(k.boxes.texts.isEmpty());
        EXPECT_EQ(k.boxes.texts.last(), c.said);
        EXPECT_FALSE(p.tab.upgradeThread->isRunning());
        EXPECT_EQ(Tab_set::Upgrading, 0);
        EXPECT_TRUE(p.dc.writes.empty());
    }
    Upgrade p;
    p.tree.writeFile("tmp/fw_AC.hex", "x");
    p.chooseType("DCAC");
    p.tick({});
    Boxes boxes;
    p.slot("on_StartUpgradeButton_clicked");
    EXPECT_EQ(boxes.texts, QStringList() << "没有选择模块!");
}

namespace {
// Holds the worker inside its first write until the test lets it go.
class HeldDevice : public PendingDevice {
public:
    std::promise<void> entered;
    std::shared_future<void> release;
    int setting(int module, int index, float value, int flag) override
    {
        entered.set_value();
        release.wait();
        PendingDevice::setting(module, index, value, flag);
        return -3;
    }
};
} // namespace

TEST(Tab_set_upgrade, NoSecondStartWhileAPassRuns)
{
    Upgrade p;
    HeldDevice held;
    std::promise<void> go;
    held.release = go.get_future().share();
    p.tab.setDeviceViews(&p.rtu, &p.tcp, &p.ac, &held, &p.sts);
    p.tree.writeFile("tmp/fw_AC.hex", "0123");
    p.chooseType("DCAC");
    p.tick({ 2 });
    {
        KeyThenBoxes k("905318", { QMessageBox::Yes, QMessageBox::Yes });
        p.slot("on_StartUpgradeButton_clicked");
    }
    held.entered.get_future().wait();
    EXPECT_EQ(Tab_set::Upgrading, 1);
    // The finish button frees the start button, but a start still waits for the pass.
    p.slot("on_UpgradeFinishButton_clicked");
    EXPECT_EQ(Tab_set::Upgrading, 0);
    p.tick({ 5 });
    {
        Boxes boxes;
        p.slot("on_StartUpgradeButton_clicked");
        EXPECT_EQ(boxes.texts, QStringList() << "正在升级，请等待本次升级结束!");
    }
    go.set_value();
    p.tab.upgradeThread->join();
    EXPECT_EQ(p.tab.upgradeThread->upgradeModules(), std::vector<int>{ 66 });
}

TEST(Tab_set_upgrade, SelectionModesAndBoxRules)
{
    Upgrade p;
    p.chooseType("DCAC");
    EXPECT_TRUE(p.w<QRadioButton>("radioButton_Module")->isChecked());
    EXPECT_TRUE(p.box(1)->isChecked());
    EXPECT_TRUE(p.box(11)->isHidden());

    p.slot("on_radioButton_All_clicked");
    for (int n = 1; n <= 10; ++n) {
        EXPECT_TRUE(p.box(n)->isChecked()) << n;
        EXPECT_FALSE(p.box(n)->isEnabled()) << n;
    }
    EXPECT_TRUE(p.box(15)->isHidden());

    p.slot("on_radioButton_Module_clicked");
    p.box(4)->setChecked(true);
    p.box(15)->setChecked(true);
    p.slot("on_checkBox_15_clicked");
    for (QCheckBox* b : p.tab.moduleBoxes)
        EXPECT_EQ(b->isChecked(), b == p.box(15)) << b->text().toStdString();
    p.box(3)->setChecked(true);
    p.slot("on_checkBox_3_clicked");
    EXPECT_FALSE(p.box(15)->isChecked());

    p.chooseType("U2");
    EXPECT_TRUE(p.box(11)->isChecked());
    EXPECT_FALSE(p.box(14)->isHidden());
    EXPECT_TRUE(p.box(1)->isHidden());
    p.box(14)->setChecked(true);
    p.slot("on_checkBox_14_clicked");
    EXPECT_FALSE(p.box(11)->isChecked());

    p.chooseType("STS");
    EXPECT_TRUE(p.box(12)->isChecked());
    EXPECT_TRUE(p.box(11)->isHidden());
}
