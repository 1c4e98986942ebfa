#ifndef INTERFACE_SWITCH_H
#define INTERFACE_SWITCH_H

#include <QWidget>

class DeviceData;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
namespace modbus {
class ModbustcpDevice;
}

// The operation-command page (tab 4). Until its commands are drawn it shows its name; it already
// switches the system off when the upper system's heartbeat is lost.
class interface_Switch : public QWidget {
    Q_OBJECT
public:
    explicit interface_Switch(QWidget* parent = nullptr);

    void setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts, modbus::ModbustcpDevice* tcp);
    void freshme();
    void timeout_off();

signals:
    void sendcommond(int code);

protected:
    // The converters as DeviceData, taken when the devices are handed over.
    DeviceData* m_acdcData = nullptr;
    DeviceData* m_dcdcData = nullptr;

private:
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    modbus::ModbustcpDevice* m_tcp = nullptr;
    bool m_hasData = false;
};

#endif
