#include "interface_login.h"
#include "ui_interface_login.h"

#include "globalvar.h"

#include <QIcon>
#include <QMessageBox>
#include <QSignalMapper>

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
    delete ui;
}

void interface_login::setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
    modbus::ModbustcpDevice* tcp)
{
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_tcp = tcp;
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
