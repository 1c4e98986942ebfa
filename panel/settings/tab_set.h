#ifndef TAB_SET_H
#define TAB_SET_H

#include <QWidget>

class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
class QLabel;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}

// The settings page inside the settings container. Until its sub-pages are drawn it shows its
// name and keeps the devices; Upgrading is the process-wide mark of a running firmware upgrade.
class Tab_set : public QWidget {
    Q_OBJECT
public:
    explicit Tab_set(QWidget* parent = nullptr);

    // 1 while a module firmware upgrade runs, else 0.
    static int Upgrading;

    void setDeviceData(modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, ModbusAcDcData* acdc,
        DcdcData* dcdc, ModbusSTSData* sts);

signals:
    void sendcommond(int code);

private:
    modbus::ModbusrtuDevice* m_rtu = nullptr;
    modbus::ModbustcpDevice* m_tcp = nullptr;
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
};

#endif
