#ifndef INTERFACE_LOGIN_H
#define INTERFACE_LOGIN_H

#include <QString>
#include <QWidget>

class QSignalMapper;
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
// the whole panel. The customer code also reveals the button of the USB-stick module upgrade.
class interface_login : public QWidget {
    Q_OBJECT
public:
    explicit interface_login(QWidget* parent = nullptr);
    ~interface_login() override;

    void setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts, modbus::ModbustcpDevice* tcp);

signals:
    void user_changed(int level);

public slots:
    // Key names: "1" .. "9", "0", "Clear", "Del", "Login", "Logout".
    void buttonClicked(const QString& key);
    // 1 after the screen saver's logout, 0 on user activity.
    void slot_btnstate_changed(int state);

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
};

#endif
