#ifndef INTERFACE_CTRMOD_H
#define INTERFACE_CTRMOD_H

#include <QWidget>

class DeviceData;
class ModbusAcDcData;
class DcdcData;
class Iec104Device;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}
namespace Ui {
class interface_CtrMod;
}

// The control-mode page (tab 5): local manual, local auto or remote. A choice is stored in
// set[1], told to the upward servers and both converters, and locks or unlocks the panel.
class interface_CtrMod : public QWidget {
    Q_OBJECT
public:
    explicit interface_CtrMod(QWidget* parent = nullptr);
    ~interface_CtrMod() override;

    void setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, modbus::ModbusrtuDevice* rtu,
        modbus::ModbustcpDevice* tcp, Iec104Device* iec);
    void setAutoDisabled(bool disabled);
    // A mode set from outside (the upper master): shown and locked or unlocked, nothing written.
    void changeCtrlState(int mode);
    void setCtrlDisable(int level);

    // One write to module 0 with its result wait: 0 done, -1 otherwise. No tip.
    int setAc(int index, float value);
    int setDc(int index, float value);

signals:
    void sendcommond(int code);

public slots:
    void set_local_hand();
    void set_local_auto();
    void set_telecont();

protected:
    // The converters as DeviceData, taken when the devices are handed over.
    DeviceData* m_acdcData = nullptr;
    DeviceData* m_dcdcData = nullptr;

private:
    void tellServers(int mode, int iecMode);
    void latchDispatching();
    void releaseControlWord();

    Ui::interface_CtrMod* ui;
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    modbus::ModbusrtuDevice* m_rtu = nullptr;
    modbus::ModbustcpDevice* m_tcp = nullptr;
    Iec104Device* m_iec = nullptr;
    DeviceData* m_rtuData = nullptr;
    DeviceData* m_tcpData = nullptr;
    DeviceData* m_iecData = nullptr;
    bool m_hasData = false;
};

#endif
