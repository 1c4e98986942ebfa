// Firmware upgrade tab of the settings page: import a module firmware file from the USB stick
// into /tmp, tick the modules, and start the upgrade worker, which drives the modules over CAN.
// No file name from the stick or /tmp ever reaches a shell: listing, copying and deleting are
// file calls.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "choosefile.h"
#include "filecopy.h"
#include "keypad.h"
#include "syspath.h"
#include "upgradethread.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char kNoFile[] = QT_TRANSLATE_NOOP("Tab_set", "升级文件不存在,请从U盘导入!");
const char kNoFileEnglish[] = "Firmware file doesn't exist,please import from USB disk";
const char kUpgradeCode[] = "905318";

struct ModuleType {
    const char* name;
    int (*filter)(const struct dirent*);
    int addressOffset;
    int kind;
    const char* noFileOnStick;
};

const ModuleType kTypes[] = {
    { "DCAC", Tab_set::selectAcFlies, 64, 0,
        QT_TRANSLATE_NOOP("Tab_set", "U盘中没有DCAC的升级文件，请确认U盘是否存在文件！") },
    { "DCDC", Tab_set::selectDcFlies, 128, 1,
        QT_TRANSLATE_NOOP("Tab_set", "U盘中没有DCDC的升级文件，请确认U盘是否存在文件！") },
    { "U2", Tab_set::selectU2Flies, 64, 2,
        QT_TRANSLATE_NOOP("Tab_set", "U盘中没有U2的升级文件，请确认U盘是否存在文件！") },
    { "STS", Tab_set::selectStsFlies, 64, 3,
        QT_TRANSLATE_NOOP("Tab_set", "U盘中没有STS的升级文件，请确认U盘是否存在文件！") },
};

const ModuleType* typeNamed(const QString& name)
{
    for (const ModuleType& t : kTypes)
        if (name == QLatin1String(t.name))
            return &t;
    return nullptr;
}

bool nameHas(const char* name, const char* word)
{
    return strcasestr(name, word) != nullptr && strcasestr(name, ".hex") != nullptr;
}

// The matching names of a directory in alphabetical order; a directory that cannot be listed
// (a stick that is not mounted) reads as empty.
std::vector<std::string> scan(const std::string& dir, int (*filter)(const struct dirent*))
{
    std::vector<std::string> names;
    struct dirent** list = nullptr;
    const int n = scandir(dir.c_str(), &list, filter, alphasort);
    for (int i = 0; i < n; ++i) {
        names.push_back(list[i]->d_name);
        free(list[i]);
    }
    if (n >= 0)
        free(list);
    return names;
}

std::string tmpDir()
{
    return SysPath::resolve("/tmp");
}

void removeFromTmp(const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        const std::string path = tmpDir() + "/" + name;
        if (::unlink(path.c_str()) != 0)
            printf("Tab_set upgrade: cannot delete %s\n", path.c_str());
    }
}

int numberOf(const QCheckBox* box)
{
    return box->text().remove('#').toInt();
}

} // namespace

int Tab_set::selectAcFlies(const struct dirent* entry)
{
    return nameHas(entry->d_name, "AC");
}

int Tab_set::selectDcFlies(const struct dirent* entry)
{
    return nameHas(entry->d_name, "DC");
}

int Tab_set::selectU2Flies(const struct dirent* entry)
{
    return nameHas(entry->d_name, "U2");
}

int Tab_set::selectStsFlies(const struct dirent* entry)
{
    return nameHas(entry->d_name, "Sts");
}

int Tab_set::selectMonitorFlies(const struct dirent* entry)
{
    return strcmp(entry->d_name, "monitor.tar.gz") == 0;
}

void Tab_set::initUpgrade()
{
    upgradeThread = new UpgradeThread(nullptr);
    connect(upgradeThread, SIGNAL(setUpgradeEdit(QString)), ui->textUpgradeEdit, SLOT(append(QString)));
    connect(upgradeThread, SIGNAL(setProgressBar(int)), ui->progressBar, SLOT(setValue(int)));
    connect(upgradeThread, SIGNAL(sendUpgradeFinish()), this, SLOT(setButtonState()));
    connect(upgradeThread, SIGNAL(sendUpgradFault()), this, SLOT(setUpgradeExpertState()));
    connect(upgradeThread, SIGNAL(sendUpgradeSuccess()), this, SLOT(showUpgradeSucess()));

    moduleBoxes = ui->groupModuleBox->findChildren<QCheckBox*>();
    for (int n = 11; n <= 14; ++n)
        moduleBox(n)->hide();
    ui->radioButton_Module->setChecked(true);
    moduleBox(1)->setChecked(true);
    lookInTmp();
    moduleBox(15)->setStyleSheet("QCheckBox{color:#FF0000}");
    moduleBox(14)->setStyleSheet("QCheckBox{color:#FF0000}");
}

QCheckBox* Tab_set::moduleBox(int number) const
{
    for (QCheckBox* box : moduleBoxes)
        if (numberOf(box) == number)
            return box;
    // Every number 1..15 has its box on the form.
    return ui->checkBox;
}

void Tab_set::upgradeError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, "Error", text, QMessageBox::Ok, this);
    box.exec();
}

void Tab_set::lookInTmp()
{
    const ModuleType* type = typeNamed(ui->comboBox_Type->currentText());
    const std::vector<std::string> found = scan(tmpDir(), type ? type->filter : selectAcFlies);
    if (found.size() == 1) {
        ui->LineFileEdit->setText(QString::fromLatin1(found[0].c_str()));
        return;
    }
    removeFromTmp(found);
    ui->LineFileEdit->setText(tr(kNoFile));
}

void Tab_set::on_comboBox_Type_activated(const QString& type)
{
    lookInTmp();
    auto reapplyMode = [this]() {
        if (ui->radioButton_Module->isChecked())
            sinleSelectModule();
        else if (ui->radioButton_All->isChecked())
            allSelectModule();
    };
    if (type == "DCAC" || type == "DCDC") {
        for (int n = 1; n <= 10; ++n)
            moduleBox(n)->show();
        for (int n = 11; n <= 14; ++n)
            moduleBox(n)->hide();
        for (int n = 11; n <= 15; ++n)
            moduleBox(n)->setChecked(false);
        reapplyMode();
    } else if (type == "U2") {
        moduleBox(11)->show();
        moduleBox(11)->setChecked(true);
        reapplyMode();
        for (int n : { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13 })
            moduleBox(n)->hide();
        moduleBox(14)->show();
        for (int n : { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 15 })
            moduleBox(n)->setChecked(false);
    } else if (type == "STS") {
        moduleBox(12)->show();
        moduleBox(12)->setChecked(true);
        reapplyMode();
        for (int n : { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14 })
            moduleBox(n)->hide();
        for (int n : { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15 })
            moduleBox(n)->setChecked(false);
    }
}

void Tab_set::allSelectModule()
{
    const QString type = ui->comboBox_Type->currentText();
    moduleBox(15)->hide();
    moduleBox(15)->setChecked(false);
    if (type == "DCAC" || type == "DCDC") {
        for (int n = 1; n <= 10; ++n) {
            moduleBox(n)->setChecked(true);
            moduleBox(n)->setEnabled(false);
        }
        for (int n = 11; n <= 15; ++n) {
            moduleBox(n)->setEnabled(true);
            moduleBox(n)->setChecked(false);
        }
    } else if (type == "U2" || type == "STS") {
        for (QCheckBox* box : moduleBoxes) {
            box->setChecked(false);
            box->setEnabled(false);
        }
        moduleBox(type == "U2" ? 11 : 12)->setChecked(true);
        if (type == "U2")
            moduleBox(14)->hide();
    }
}

void Tab_set::sinleSelectModule()
{
    const QString type = ui->comboBox_Type->currentText();
    moduleBox(15)->setEnabled(true);
    moduleBox(15)->show();
    moduleBox(15)->setChecked(false);
    if (type == "DCAC" || type == "DCDC") {
        for (QCheckBox* box : moduleBoxes) {
            box->setEnabled(true);
            box->setChecked(false);
        }
        moduleBox(1)->setChecked(true);
    } else if (type == "U2") {
        moduleBox(11)->setEnabled(true);
        moduleBox(11)->setChecked(true);
        moduleBox(14)->setEnabled(true);
        moduleBox(14)->setChecked(false);
        moduleBox(14)->show();
    } else if (type == "STS") {
        moduleBox(12)->setEnabled(true);
        moduleBox(12)->setChecked(true);
    }
}

void Tab_set::on_radioButton_All_clicked()
{
    allSelectModule();
}

void Tab_set::on_radioButton_Module_clicked()
{
    sinleSelectModule();
}

// #15 is always upgraded alone, and of the two U2 units only one at a time.
void Tab_set::moduleBoxClicked(int number)
{
    if (!moduleBox(number)->isChecked())
        return;
    if (number == 15) {
        for (QCheckBox* box : moduleBoxes)
            if (numberOf(box) != 15)
                box->setChecked(false);
    } else if (number == 11) {
        moduleBox(15)->setChecked(false);
        moduleBox(14)->setChecked(false);
    } else if (number == 14) {
        moduleBox(15)->setChecked(false);
        moduleBox(11)->setChecked(false);
    } else {
        moduleBox(15)->setChecked(false);
    }
}

void Tab_set::on_checkBox_clicked() { moduleBoxClicked(1); }
void Tab_set::on_checkBox_2_clicked() { moduleBoxClicked(2); }
void Tab_set::on_checkBox_3_clicked() { moduleBoxClicked(3); }
void Tab_set::on_checkBox_4_clicked() { moduleBoxClicked(4); }
void Tab_set::on_checkBox_5_clicked() { moduleBoxClicked(5); }
void Tab_set::on_checkBox_6_clicked() { moduleBoxClicked(6); }
void Tab_set::on_checkBox_7_clicked() { moduleBoxClicked(7); }
void Tab_set::on_checkBox_8_clicked() { moduleBoxClicked(8); }
void Tab_set::on_checkBox_9_clicked() { moduleBoxClicked(9); }
void Tab_set::on_checkBox_10_clicked() { moduleBoxClicked(10); }
void Tab_set::on_checkBox_11_clicked() { moduleBoxClicked(11); }
void Tab_set::on_checkBox_12_clicked() { moduleBoxClicked(12); }
void Tab_set::on_checkBox_13_clicked() { moduleBoxClicked(13); }
void Tab_set::on_checkBox_14_clicked() { moduleBoxClicked(14); }
void Tab_set::on_checkBox_15_clicked() { moduleBoxClicked(15); }

void Tab_set::on_ImportFileButton_clicked()
{
    ui->ImportFileButton->setEnabled(false);
    struct Reenable {
        QPushButton* button;
        ~Reenable() { button->setEnabled(true); }
    } reenable{ ui->ImportFileButton };

    if (::access(SysPath::resolve("/dev/udisk").c_str(), F_OK) != 0) {
        upgradeError(tr("请插入U盘"));
        return;
    }
    const ModuleType* type = typeNamed(ui->comboBox_Type->currentText());
    if (!type)
        return;
    const std::string stick = SysPath::resolve("/udisk");
    const std::vector<std::string> onStick = scan(stick, type->filter);
    if (onStick.empty()) {
        upgradeError(tr(type->noFileOnStick));
        return;
    }
    std::string name = onStick[0];
    if (onStick.size() > 1) {
        std::vector<QString> names;
        for (const std::string& n : onStick)
            names.push_back(QString::fromLatin1(n.c_str()));
        ChooseFile chooser(names.data(), int(names.size()));
        if (chooser.exec() != 1)
            return;
        name = chooser.fileName.toLatin1().toStdString();
    }
    // A chooser left without a row imports nothing; the last import stays.
    if (name.empty())
        return;
    if (name.find(' ') != std::string::npos) {
        upgradeError(tr("文件名不能有空格!"));
        return;
    }
    // The stick may hold anything under a firmware name: a FIFO, a link to a device, a huge file.
    const int copied = copyFromStick(stick + "/" + name, tmpDir() + "/" + name, UpgradeThread::FILE_MAX_BYTES);
    if (copied == COPY_NOT_REGULAR) {
        upgradeError(tr("升级文件不是普通文件，不能导入!"));
        return;
    }
    if (copied == COPY_TOO_LARGE) {
        upgradeError(tr("升级文件超过%1MB，不能导入!").arg(UpgradeThread::FILE_MAX_BYTES >> 20));
        return;
    }
    if (copied != 0) {
        upgradeError(tr("升级文件导入失败，请重新导入"));
        return;
    }
    // Only now may the earlier imports go; one under the same name was replaced by the copy.
    std::vector<std::string> older = scan(tmpDir(), type->filter);
    older.erase(std::remove(older.begin(), older.end(), name), older.end());
    removeFromTmp(older);
    ::sync();
    ui->LineFileEdit->setText(QString::fromLatin1(name.c_str()));
}

void Tab_set::on_StartUpgradeButton_clicked()
{
    const QString fileName = ui->LineFileEdit->text();
    if (fileName.isEmpty() || fileName == tr(kNoFile) || fileName == QLatin1String(kNoFile)
        || fileName == QLatin1String(kNoFileEnglish)) {
        upgradeError(tr("升级文件不存在!"));
        return;
    }
    // The worker's list must not change under a pass that still runs.
    if (upgradeThread && upgradeThread->isRunning()) {
        upgradeError(tr("正在升级，请等待本次升级结束!"));
        return;
    }
    std::vector<int> numbers;
    for (QCheckBox* box : moduleBoxes)
        if (box->isChecked())
            numbers.push_back(numberOf(box));
    if (numbers.empty()) {
        upgradeError(tr("没有选择模块!"));
        return;
    }
    std::sort(numbers.begin(), numbers.end());
    ui->progressBar->setValue(0);

    KeyPad pad(this);
    pad.setInfo(tr("请输入升级密码:"));
    if (pad.exec() != 1)
        return;
    if (pad.valueText() != QLatin1String(kUpgradeCode)) {
        upgradeError(tr("升级密码输入错误!"));
        return;
    }
    const QString typeName = ui->comboBox_Type->currentText();
    QString list;
    for (int n : numbers)
        list += QString::number(n) + ",";
    const QString question = tr("将要升级的模块类型为:") + typeName + "\n" + tr("升级模块编号为:") + list + "\n"
        + tr("升级的文件名为:") + fileName + "\n" + tr("是否确定？");
    {
        QMessageBox box(QMessageBox::Information, tr("提示"), question, QMessageBox::Yes | QMessageBox::No, this);
        if (box.exec() != QMessageBox::Yes)
            return;
    }
    if (numbers.front() == 15) {
        QMessageBox box(QMessageBox::Warning, tr("警告"),
            tr("升级15号时只能单独升级，请检查当前只有一个模块的通信线连接，其他模块的通信线断开。是否确认?"),
            QMessageBox::Yes | QMessageBox::No, this);
        if (box.exec() == QMessageBox::No)
            return;
    }
    {
        QMessageBox box(QMessageBox::Warning, tr("警告"), tr("升级会导致机架停机，是否确认升级？"),
            QMessageBox::Yes | QMessageBox::No, this);
        if (box.exec() != QMessageBox::Yes)
            return;
    }
    ui->textUpgradeEdit->clear();
    const ModuleType* type = typeNamed(typeName);
    std::vector<int> addresses;
    for (int n : numbers)
        addresses.push_back(n + (type ? type->addressOffset : 0));
    const int kind = type ? type->kind : 0;

    const std::string path = tmpDir() + "/" + fileName.toLatin1().toStdString();
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(path.c_str(), R_OK) != 0) {
        upgradeError(tr("升级文件打开失败，请重新导入"));
        return;
    }
    if (st.st_size == 0) {
        upgradeError(tr("升级文件为空文件，请重新导入"));
        return;
    }
    upgradeTotal = int(std::min<long long>(st.st_size * (long long)addresses.size(), 0x7fffffff));
    ui->progressBar->setRange(0, upgradeTotal);

    Upgrading = 1;
    ui->StartUpgradeButton->setEnabled(false);
    if (dcDev)
        upgradeThread->setDiviceData(dcDev);
    else
        upgradeThread->setDiviceData(dcView);
    upgradeThread->initUpradeModule(addresses, kind);
    upgradeThread->start();
}

void Tab_set::on_UpgradeFinishButton_clicked()
{
    ui->StartUpgradeButton->setEnabled(true);
    Upgrading = 0;
}

void Tab_set::setButtonState()
{
    ui->StartUpgradeButton->setEnabled(true);
    Upgrading = 0;
}

void Tab_set::setUpgradeExpertState()
{
    upgradeError(tr("当前存在多个模块，已强制停止升级！升级15号时请移除其他模块的通信线,确保只有一个模块再进行升级!"));
    ui->StartUpgradeButton->setEnabled(true);
}

void Tab_set::showUpgradeSucess()
{
    ui->progressBar->setValue(upgradeTotal);
    const bool monitorPackage = ::access(SysPath::resolve("/dev/udisk").c_str(), F_OK) == 0
        && !scan(SysPath::resolve("/udisk"), selectMonitorFlies).empty();
    QMessageBox box(QMessageBox::Information, tr("提示"),
        monitorPackage ? tr("升级完成，检测到U盘有monitor.tar.gz监控升级文件,请先拔除U盘再下电重启!")
                       : tr("升级完成，请下电重启!"),
        QMessageBox::Ok, this);
    box.exec();
}
