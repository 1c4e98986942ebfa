#ifndef INTERFACE_CTRMOD_H
#define INTERFACE_CTRMOD_H

#include <QWidget>

class ModbusAcDcData;
class DcdcData;
class Iec104Device;
class QRadioButton;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}

// The control-mode page (tab 5). Until the mode changes are built it shows the three mode
// buttons, follows a mode set from outside and locks them while nobody is logged in.
class interface_CtrMod : public QWidget {
    Q_OBJECT
public:
    explicit interface_CtrMod(QWidget* parent = nullptr);

    void setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, modbus::ModbusrtuDevice* rtu,
        modbus::ModbustcpDevice* tcp, Iec104Device* iec);
    void setAutoDisabled(bool disabled);
    void changeCtrlState(int mode);
    void setCtrlDisable(int level);

signals:
    void sendcommond(int code);

private:
    QRadioButton* radioButton = nullptr;
    QRadioButton* radioButton_2 = nullptr;
    QRadioButton* radioButton_3 = nullptr;
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    modbus::ModbusrtuDevice* m_rtu = nullptr;
    modbus::ModbustcpDevice* m_tcp = nullptr;
    Iec104Device* m_iec = nullptr;
    bool m_hasData = false;
};

#endif
