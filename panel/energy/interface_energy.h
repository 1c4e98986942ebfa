#ifndef INTERFACE_ENERGY_H
#define INTERFACE_ENERGY_H

#include <QWidget>

class EnergyThread;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
class QLabel;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}

// The energy-management page (tab 6). Until its sub-pages exist it shows its name, the sub-page
// chosen and the mode of the schedule editor; it already runs the control thread.
class interface_Energy : public QWidget {
    Q_OBJECT
public:
    explicit interface_Energy(QWidget* parent = nullptr);

    // Hands the devices to the control thread and starts it (once). The anti-backflow setting
    // follows the converter's.
    void setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts, modbus::ModbusrtuDevice* rtu,
        modbus::ModbustcpDevice* tcp);
    void freshme();
    void freshPlot();
    void change_sub_interface(int row);
    void setShowMode();
    int shownSubPage() const { return m_subPage; }
    // 2 half-hour schedule, 3 charge prices, 4 discharge prices.
    int scheduleMode() const { return m_scheduleMode; }

signals:
    // The strategy (0, 1 or 2) after a change of strategy or mode.
    void sinal_hidesome(int strategy);

private:
    void showCaption();

    QLabel* m_caption = nullptr;
    int m_subPage = 0;
    int m_scheduleMode = 2;
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    modbus::ModbusrtuDevice* m_rtu = nullptr;
    modbus::ModbustcpDevice* m_tcp = nullptr;
    EnergyThread* m_thread = nullptr;
};

#endif
