#ifndef INTERFACE_SPA_H
#define INTERFACE_SPA_H

#include <QWidget>

class DeviceData;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
class BmsData;
namespace modbus {
class ModbusrtuDevice;
}
namespace Ui {
class interface_spa;
}

// A simple system page: the first DC branch and the AC bus over a background picture. Like
// interface_Tlm, no frame opens it.
class interface_spa : public QWidget {
    Q_OBJECT
public:
    explicit interface_spa(QWidget* parent = nullptr);
    ~interface_spa() override;

    void setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
        BmsData* bms);
    // The page has no timer: it is repainted only when shown or covered.
    void startfresh(int stop);

protected:
    void paintEvent(QPaintEvent* event) override;

    DeviceData* m_acdcData = nullptr;
    DeviceData* m_dcdcData = nullptr;
    bool m_ready = false;

private:
    Ui::interface_spa* ui;
    modbus::ModbusrtuDevice* m_rtu = nullptr;
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    BmsData* m_bms = nullptr;
};

#endif
