#ifndef INTERFACE_LOGIN_H
#define INTERFACE_LOGIN_H

#include <QWidget>

class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
namespace modbus {
class ModbustcpDevice;
}

// The login page (tab 7). Until the key pad and the USB-stick upgrade are built it shows its
// name and keeps the devices.
class interface_login : public QWidget {
    Q_OBJECT
public:
    explicit interface_login(QWidget* parent = nullptr);

    void setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts, modbus::ModbustcpDevice* tcp);

signals:
    void user_changed(int level);

public slots:
    void slot_btnstate_changed(int state);

private:
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    modbus::ModbustcpDevice* m_tcp = nullptr;
};

#endif
