#include "interface_login.h"

#include "filecopy.h"
#include "ui_interface_login.h"

#include "devicedata.h"
#include "devicedataof.h"
#include "globalvar.h"
#include "shellrunner.h"
#include "syspath.h"
#include "tab_set.h"
#include "timeseam.h"
#include "upgradethread.h"

#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QMutexLocker>
#include <QSignalMapper>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

namespace {
struct AccessCode {
    int level;
    const char* code;
    const char* name;
};

// Tried in this order; each code must match the typed text whole.
const AccessCode kCodes[] = {
    { 1, "471902385", QT_TRANSLATE_NOOP("interface_login", "维护工程师") },
    { 2, "530718264", QT_TRANSLATE_NOOP("interface_login", "维护工程师1") },
    { 3, "316947", QT_TRANSLATE_NOOP("interface_login", "后台管理员") },
    { 4, "73905162", QT_TRANSLATE_NOOP("interface_login", "超级管理员") },
    { 8, "7163", nullptr }, // the maker's name is never translated
    { 0, "842067", QT_TRANSLATE_NOOP("interface_login", "客户") },
};

// Upgrade kinds in the order they are copied and upgraded: 0 AC, 1 DC, 2 U2, 3 STS.
struct UpgradeKind {
    int (*filter)(const struct dirent*);
    const char* noFile;
    const char* upgrading;
};

const UpgradeKind kKinds[] = {
    { interface_login::selectUpgradeAcFlies,
        QT_TRANSLATE_NOOP("interface_login", "U盘中没有DCAC的升级文件，请确认U盘是否存在文件！"),
        QT_TRANSLATE_NOOP("interface_login", "正在升级AC,不能下电!") },
    { interface_login::selectUpgradeDcFlies,
        QT_TRANSLATE_NOOP("interface_login", "U盘中没有DCDC的升级文件，请确认U盘是否存在文件！"),
        QT_TRANSLATE_NOOP("interface_login", "正在升级DC,不能下电!") },
    { interface_login::selectUpgradeU2Flies,
        QT_TRANSLATE_NOOP("interface_login", "U盘中没有U2的升级文件，请确认U盘是否存在文件！"),
        QT_TRANSLATE_NOOP("interface_login", "正在升级U2,不能下电!") },
    { interface_login::selectUpgradeStsFlies,
        QT_TRANSLATE_NOOP("interface_login", "U盘中没有STS的升级文件，请确认U盘是否存在文件！"),
        QT_TRANSLATE_NOOP("interface_login", "正在升级sts,不能下电") },
};

bool upgradeFileName(const char* name, const char* word)
{
    return strcasestr(name, word) != nullptr && strcasestr(name, ".hex") != nullptr;
}

// The matching names of a directory in alphabetical order; false when it cannot be listed.
bool listUpgradeFiles(const std::string& dir, int (*filter)(const struct dirent*), std::vector<std::string>* names)
{
    struct dirent** list = nullptr;
    const int n = scandir(dir.c_str(), &list, filter, alphasort);
    if (n < 0)
        return false;
    for (int i = 0; i < n; ++i) {
        names->push_back(list[i]->d_name);
        free(list[i]);
    }
    free(list);
    return true;
}

}

interface_login::interface_login(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::interface_login)
{
    ui->setupUi(this);
    keyword_right = 0;
    m_userName = tr("客户");

    ui->pushButton_del->setIcon(QIcon(":/image/clear.png"));
    ui->pushButton_del->setIconSize(QSize(48, 32));
    ui->upgradeButton->hide();
    ui->label_progress->clear();

    signalMapper = new QSignalMapper(this);
    const struct {
        QPushButton* button;
        const char* key;
    } keys[] = {
        { ui->pushButton_1, "1" }, { ui->pushButton_2, "2" }, { ui->pushButton_3, "3" },
        { ui->pushButton_4, "4" }, { ui->pushButton_5, "5" }, { ui->pushButton_6, "6" },
        { ui->pushButton_7, "7" }, { ui->pushButton_8, "8" }, { ui->pushButton_9, "9" },
        { ui->pushButton_0, "0" }, { ui->pushButton_C, "Clear" }, { ui->pushButton_del, "Del" },
        { ui->pushButton_login, "Login" }, { ui->pushButton_logout, "Logout" },
    };
    for (const auto& k : keys) {
        connect(k.button, SIGNAL(clicked()), signalMapper, SLOT(map()));
        signalMapper->setMapping(k.button, QString(k.key));
    }
    connect(signalMapper, SIGNAL(mapped(const QString&)), this, SLOT(buttonClicked(const QString&)));

    showWelcome();
}

interface_login::~interface_login()
{
    // The upgrade thread hands work to this thread (queued and blocking calls): serve them
    // while it comes to its end, and move a test's stepped clock on for its pauses.
    m_quitUpgrade = true;
    if (m_handlerStarted) {
        while (!m_handlerDone) {
            QCoreApplication::processEvents();
            if (TimeSeam::fakeClock())
                TimeSeam::advanceMs(100);
            else
                TimeSeam::sleepMs(5);
        }
        pthread_join(m_handlerThread, nullptr);
        m_handlerStarted = false;
    }
    if (m_upgrade) {
        m_upgrade->join();
        delete m_upgrade;
    }
    delete ui;
}

void interface_login::setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
    modbus::ModbustcpDevice* tcp)
{
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_tcp = tcp;
    m_acdcData = deviceDataOf(acdc);
    m_dcdcData = deviceDataOf(dcdc);
    m_stsData = deviceDataOf(sts);
    if (!m_upgrade) {
        m_upgrade = new UpgradeThread(nullptr);
        connect(m_upgrade, SIGNAL(sendUpgradeFinish()), this, SLOT(UpgradeFinishState()), Qt::QueuedConnection);
        connect(m_upgrade, SIGNAL(sendUpgradeFail(int)), this, SLOT(UpgradeFailState(int)), Qt::QueuedConnection);
        connect(this, SIGNAL(sendmessagebox(int, QString)), this, SLOT(showMessagebox(int, QString)),
            Qt::QueuedConnection);
    }
}

void interface_login::buttonClicked(const QString& key)
{
    const QString entry = ui->lineEdit->text();
    if (key.size() == 1 && key.at(0).isDigit()) {
        ui->lineEdit->setText(entry + key);
    } else if (key == "Clear") {
        ui->lineEdit->clear();
    } else if (key == "Del") {
        ui->lineEdit->setText(entry.left(entry.size() - 1));
    } else if (key == "Login") {
        login(entry);
    } else if (key == "Logout") {
        logout();
    }
}

void interface_login::login(const QString& code)
{
    ui->upgradeButton->hide();
    const AccessCode* match = nullptr;
    for (const AccessCode& c : kCodes) {
        if (code == QLatin1String(c.code)) {
            match = &c;
            break;
        }
    }
    if (!match) {
        QMessageBox box(QMessageBox::Critical, tr("错误"), tr("密码错误！"), QMessageBox::Ok, this);
        box.exec();
        return;
    }

    if (match->level != 0) {
        keyword_right = oldkeyword = match->level;
        m_userName = match->name ? tr(match->name) : QString("Norvale");
    } else {
        // The customer code leaves the level an unlock restores as it was.
        keyword_right = 0;
        m_userName = tr(match->name);
        ui->upgradeButton->show();
    }
    emit user_changed(keyword_right);
    showWelcome();
    ui->lineEdit->clear();
}

void interface_login::logout()
{
    keyword_right = 0;
    g_logout = 0;
    m_userName = tr("客户");
    emit user_changed(0);
    showWelcome();
    ui->upgradeButton->hide();
}

void interface_login::showWelcome()
{
    ui->label_welcome->setText(tr("亲爱的 ") + m_userName + tr("\n  欢迎进入PCS操作系统"));
}

void interface_login::slot_btnstate_changed(int state)
{
    if (state != 0) {
        ui->lineEdit->hide();
        ui->upgradeButton->hide();
        // The main window has already set level 0; the greeting must not name the last user.
        g_logout = 0;
        m_userName = tr("客户");
        showWelcome();
    } else {
        ui->lineEdit->show();
    }
}

int interface_login::selectUpgradeAcFlies(const struct dirent* entry)
{
    return upgradeFileName(entry->d_name, "AC");
}

int interface_login::selectUpgradeDcFlies(const struct dirent* entry)
{
    return upgradeFileName(entry->d_name, "DC");
}

int interface_login::selectUpgradeU2Flies(const struct dirent* entry)
{
    return upgradeFileName(entry->d_name, "U2");
}

int interface_login::selectUpgradeStsFlies(const struct dirent* entry)
{
    return upgradeFileName(entry->d_name, "Sts");
}

void interface_login::on_upgradeButton_clicked()
{
    QMessageBox box(QMessageBox::Information, tr("提示"), tr("是否确认升级?"), QMessageBox::Yes | QMessageBox::No, this);
    if (box.exec() != QMessageBox::Yes)
        return;

    // Disabled here, before the thread exists, so that a second press cannot start a second run.
    ui->upgradeButton->setText(tr("升级中..."));
    ui->upgradeButton->setEnabled(false);
    ui->label_progress->clear();

    // The last run has said its end; its thread is gone or about to be.
    if (m_handlerStarted) {
        pthread_join(m_handlerThread, nullptr);
        m_handlerStarted = false;
    }
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1024 * 1024);
    m_handlerDone = false;
    const int r = pthread_create(&m_handlerThread, &attr, upgradeHandler_thread, this);
    pthread_attr_destroy(&attr);
    m_handlerStarted = r == 0;
    if (r != 0) {
        m_handlerDone = true;
        printf("interface_login::on_upgradeButton_clicked cannot start the upgrade thread: %s\n", strerror(r));
        restoreUpgradeButton();
    }
}

void* interface_login::upgradeHandler_thread(void* page)
{
    interface_login* self = static_cast<interface_login*>(page);
    self->upgradeHandler();
    self->m_handlerDone = true;
    return nullptr;
}

void interface_login::upgradeHandler()
{
    m_acModules.clear();
    m_dcModules.clear();
    m_u2Modules.clear();
    m_stsModules.clear();
    {
        QMutexLocker lock(&m_failMutex);
        m_failModules.clear();
    }
    m_finishFlag = 0;
    m_acPresent = m_dcPresent = m_u2Present = m_stsPresent = 0;

    // The links need about a minute after start before every module has answered.
    Tab_set::Upgrading = 1;
    while (g_autoUpgradeTimer <= 60 && !m_quitUpgrade) {
        TimeSeam::waitMs(1000);
        Tab_set::Upgrading = 1;
    }
    if (m_quitUpgrade) {
        endUpgrade();
        return;
    }

    if (m_acdcData) {
        for (int i = 1; i <= 10; ++i) {
            if (m_acdcData->getStatus(i, 0) == 1) {
                m_acModules.push_back(64 + i);
                m_acPresent = 1;
            }
        }
    }
    if (m_dcdcData) {
        for (int i = 1; i <= 10; ++i) {
            if (m_dcdcData->getStatus(i, 100) != 0) {
                m_dcModules.push_back(128 + i);
                m_dcPresent = 1;
            }
        }
    }
    if (m_acdcData && m_acdcData->getStatus(11, 0) != 0) {
        m_u2Modules.push_back(75);
        m_u2Present = 1;
    }
    if (m_stsData && m_stsData->getStatus(1, 0) != 0) {
        m_stsModules.push_back(76);
        m_stsPresent = 1;
    }

    if (!QDir(QString::fromStdString(SysPath::resolve("/dev/udisk"))).exists()) {
        emit sendmessagebox(0, tr("请插入U盘"));
        endUpgrade();
        return;
    }

    const int present[] = { m_acPresent, m_dcPresent, m_u2Present, m_stsPresent };
    for (int kind = 0; kind < 4; ++kind) {
        if (present[kind] && copyUpgradeFile(kind) != 0) {
            emit sendmessagebox(0, tr(kKinds[kind].noFile));
            endUpgrade();
            return;
        }
    }

    if (!m_upgrade) {
        printf("interface_login::upgradeHandler no upgrade worker: the devices were never given\n");
        endUpgrade();
        return;
    }
    m_upgrade->setDiviceData(m_dcdcData);

    std::vector<int>* modules[] = { &m_acModules, &m_dcModules, &m_u2Modules, &m_stsModules };
    for (int kind = 0; kind < 4; ++kind) {
        if (!present[kind])
            continue;
        m_finishFlag = 0;
        m_failFlag = 0;
        m_upgrade->initUpradeModule(*modules[kind], kind);
        m_upgrade->start();
        QMetaObject::invokeMethod(this, "showUpgradeProgress", Qt::QueuedConnection,
            Q_ARG(QString, tr(kKinds[kind].upgrading)));
        while (m_finishFlag == 0 && !m_upgrade->isFinished() && !m_quitUpgrade)
            TimeSeam::waitMs(1000);
        // The worker emits its end before a missing file's failure, and both are handled in the
        // GUI thread: wait for the worker to end, then until the GUI thread has handled all it sent.
        m_upgrade->join();
        if (m_quitUpgrade) {
            endUpgrade();
            return;
        }
        QMetaObject::invokeMethod(this, "upgradePassSeen", Qt::BlockingQueuedConnection);
        if (m_failFlag != 0 || m_finishFlag == 0) {
            emit sendmessagebox(0, failureText(kind));
            endUpgrade();
            return;
        }
    }

    if (m_acPresent || m_dcPresent || m_u2Present || m_stsPresent)
        emit sendmessagebox(1, tr("升级成功,请下电重启!"));
    else
        emit sendmessagebox(0, tr("没有检测到模块在线!"));
    endUpgrade();
}

// 0 when the kind's one file on the stick is copied (or the copy failed: the worker then finds
// no file and the kind fails); -1 for no file, several files or a stick that cannot be listed.
int interface_login::copyUpgradeFile(int kind)
{
    const UpgradeKind& k = kKinds[kind];
    const std::string udisk = SysPath::resolve("/udisk");
    std::vector<std::string> names;
    // An unreadable stick counts as one without the file: the engine must never pick up an
    // older file left in /tmp.
    if (!listUpgradeFiles(udisk, k.filter, &names)) {
        printf("interface_login::copyUpgradeFile cannot list %s: %s\n", udisk.c_str(), strerror(errno));
        return -1;
    }
    if (kind == 0)
        printf("fileNum:%d\n", int(names.size()));
    if (names.size() != 1)
        return -1;

    // File calls, not a shell: the name comes from the stick.
    const std::string& name = names.front();
    const std::string tmp = SysPath::resolve("/tmp");
    std::vector<std::string> old;
    if (listUpgradeFiles(tmp, k.filter, &old)) {
        for (const std::string& o : old) {
            if (::unlink((tmp + "/" + o).c_str()) != 0)
                printf("interface_login::copyUpgradeFile cannot remove %s/%s: %s\n", tmp.c_str(), o.c_str(),
                    strerror(errno));
        }
    }
    // A partial copy never stays under the firmware name for the engine to send, and a FIFO,
    // a link to a device or a huge file is refused like an unreadable one.
    if (copyFromStick(udisk + "/" + name, tmp + "/" + name, UpgradeThread::FILE_MAX_BYTES) != 0)
        printf("interface_login::copyUpgradeFile cannot copy %s to %s\n", name.c_str(), tmp.c_str());
    ShellRunner::run("sync");
    return 0;
}

QString interface_login::failureText(int kind)
{
    if (kind == 2)
        return tr("U2升级失败,不能下电,请联系厂家技术支持");
    if (kind == 3)
        return tr("STS升级失败,不能下电,请联系厂家技术支持");
    QString text = kind == 0 ? "AC" : "DC";
    const int base = kind == 0 ? 64 : 128;
    QMutexLocker lock(&m_failMutex);
    for (int address : m_failModules) {
        // Address 0 is no module (the file was missing); the sentence alone says it.
        if (address != 0)
            text += QString("#%1, ").arg(address - base);
    }
    return text + tr("升级失败,不能下电,请联系厂家技术支持");
}

void interface_login::endUpgrade()
{
    Tab_set::Upgrading = 0;
    QMetaObject::invokeMethod(this, "restoreUpgradeButton", Qt::QueuedConnection);
}

void interface_login::showUpgradeProgress(QString text)
{
    ui->label_progress->setText(text);
}

void interface_login::restoreUpgradeButton()
{
    ui->upgradeButton->setText(tr("自动升级"));
    ui->upgradeButton->setEnabled(true);
    ui->label_progress->clear();
}

void interface_login::upgradePassSeen()
{
}

void interface_login::showMessagebox(int ok, QString text)
{
    QMessageBox box(ok != 0 ? QMessageBox::Information : QMessageBox::Critical, ok != 0 ? "Success" : "Error", text,
        QMessageBox::Ok, this);
    box.exec();
}

void interface_login::UpgradeFinishState()
{
    m_finishFlag = 1;
    printf("upgradefinish==============\n");
}

void interface_login::UpgradeFailState(int address)
{
    {
        QMutexLocker lock(&m_failMutex);
        m_failModules.push_back(address);
    }
    m_failFlag = 1;
    printf("module fail:%d\n", address);
    printf("upgradefail================\n");
}
