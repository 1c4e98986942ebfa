#ifndef INTERFACE_LOGIN_H
#define INTERFACE_LOGIN_H

#include <QMutex>
#include <QString>
#include <QWidget>

#include <atomic>
#include <pthread.h>
#include <vector>

struct dirent;
class QSignalMapper;
class DeviceData;
class UpgradeThread;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
namespace modbus {
class ModbustcpDevice;
}
namespace Ui {
class interface_login;
}

// The login page (tab 7): an access code typed on the page's own key pad sets the user level of
// the whole panel. The customer code also reveals the button of the USB-stick module upgrade:
// every module kind online is upgraded from its one ".hex" file on the stick.
class interface_login : public QWidget {
    Q_OBJECT
public:
    explicit interface_login(QWidget* parent = nullptr);
    ~interface_login() override;

    void setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts, modbus::ModbustcpDevice* tcp);

    // Directory-scan filters of the upgrade files: the kind's word and ".hex", case ignored.
    static int selectUpgradeAcFlies(const struct dirent* entry);
    static int selectUpgradeDcFlies(const struct dirent* entry);
    static int selectUpgradeU2Flies(const struct dirent* entry);
    static int selectUpgradeStsFlies(const struct dirent* entry);

    // The USB-stick upgrade; runs in its own thread, never in the GUI thread.
    void upgradeHandler();
    static void* upgradeHandler_thread(void* page);

signals:
    void user_changed(int level);
    void sendmessagebox(int ok, QString text);

public slots:
    // Key names: "1" .. "9", "0", "Clear", "Del", "Login", "Logout".
    void buttonClicked(const QString& key);
    // 1 after the screen saver's logout, 0 on user activity.
    void slot_btnstate_changed(int state);

    void on_upgradeButton_clicked();
    void showMessagebox(int ok, QString text);
    void UpgradeFinishState();
    void UpgradeFailState(int address);

private slots:
    // Widget work on behalf of the upgrade thread, queued into the GUI thread.
    void showUpgradeProgress(QString text);
    void restoreUpgradeButton();
    void upgradePassSeen();

protected:
    // DeviceData views of the devices (null for a device not in this build).
    DeviceData* m_acdcData = nullptr;
    DeviceData* m_dcdcData = nullptr;
    DeviceData* m_stsData = nullptr;

private:
    void login(const QString& code);
    void logout();
    void showWelcome();

    Ui::interface_login* ui;
    QSignalMapper* signalMapper;
    QString m_userName;

    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    modbus::ModbustcpDevice* m_tcp = nullptr;

    int copyUpgradeFile(int kind);
    QString failureText(int kind);
    void endUpgrade();

    UpgradeThread* m_upgrade = nullptr;
    std::vector<int> m_acModules;
    std::vector<int> m_dcModules;
    std::vector<int> m_u2Modules;
    std::vector<int> m_stsModules;
    std::vector<int> m_failModules; // guarded by m_failMutex
    QMutex m_failMutex;
    int m_acPresent = 0;
    int m_dcPresent = 0;
    int m_u2Present = 0;
    int m_stsPresent = 0;
    // Written in the GUI thread as the worker's signals arrive, read by the upgrade thread.
    std::atomic<int> m_finishFlag{ 0 };
    std::atomic<int> m_failFlag{ 0 };
    // The upgrade thread works on this page: the page tells it to stop and joins it.
    pthread_t m_handlerThread;
    bool m_handlerStarted = false;
    std::atomic<bool> m_handlerDone{ true };
    std::atomic<bool> m_quitUpgrade{ false };
};

#endif
