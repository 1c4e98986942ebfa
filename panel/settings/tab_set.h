#ifndef TAB_SET_H
#define TAB_SET_H

#include <QTabWidget>

class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}

// The settings page inside the settings container: 28 pages behind a hidden tab bar, chosen by
// the container. Until its sub-pages are drawn each page shows its number; the refresh keeps the
// frame of the real one (idle guard, keypad guard, the page shown enabled) without refreshers.
// Upgrading is the process-wide mark of a running firmware upgrade.
class Tab_set : public QTabWidget {
    Q_OBJECT
public:
    explicit Tab_set(QWidget* parent = nullptr);

    // 1 while a module firmware upgrade runs, else 0.
    static int Upgrading;

    void setDeviceData(modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, ModbusAcDcData* acdc,
        DcdcData* dcdc, ModbusSTSData* sts);
    // The sub-page shown (0..8) from its first page, and the page within it.
    void setfirstindex(int i);
    void setsubindex(int i);
    // The refresh of the page shown; once a second from the container.
    void mpaintEvent();

    int firstIndex = 0;
    int subIndex = 1;
    int devicesSet = 0;
    int idleFlag = 100;
    int dcModule = 1001;     // DC branch of the DC sub-page, 1001..1008
    int acDebugModule = 1;   // AC/DC module of the AC debug sub-page
    int dcDebugModule = 1;   // DC/DC module of the DC debug sub-page

signals:
    void sendcommond(int code);

private:
    modbus::ModbusrtuDevice* rtuDev = nullptr;
    modbus::ModbustcpDevice* tcpDev = nullptr;
    ModbusAcDcData* acDev = nullptr;
    DcdcData* dcDev = nullptr;
    ModbusSTSData* stsDev = nullptr;
};

#endif
