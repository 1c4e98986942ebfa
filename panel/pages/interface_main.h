#ifndef INTERFACE_MAIN_H
#define INTERFACE_MAIN_H

#include <QWidget>

class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
class BmsData;
class QLabel;
class QTimer;
namespace modbus {
class ModbusrtuDevice;
}

// The one-line diagram page (tab 0). Until the diagram is drawn it shows its name; it keeps the
// devices and repaints every 200 ms while shown.
class interface_Main : public QWidget {
    Q_OBJECT
public:
    explicit interface_Main(QWidget* parent = nullptr);

    void startfresh(int stop);
    void setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
        BmsData* bms);

private:
    QTimer* m_timer = nullptr;
    modbus::ModbusrtuDevice* m_rtu = nullptr;
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    BmsData* m_bms = nullptr;
    bool m_hasData = false;
};

#endif
