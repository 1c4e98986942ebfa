#ifndef INTERFACE_SYSINF_H
#define INTERFACE_SYSINF_H

#include <QWidget>

class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
class BmsData;
class QLabel;
namespace modbus {
class ModbusrtuDevice;
}

// The system-information page (tab 1). Until its sub-pages exist it shows its name and the
// number of the sub-page chosen in the side list.
class interface_SysInf : public QWidget {
    Q_OBJECT
public:
    explicit interface_SysInf(QWidget* parent = nullptr);

    void setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
        BmsData* bms);
    void change_sub_interface(int row);
    int shownSubPage() const { return m_subPage; }

private:
    QLabel* m_caption = nullptr;
    int m_subPage = 0;
    modbus::ModbusrtuDevice* m_rtu = nullptr;
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    BmsData* m_bms = nullptr;
};

#endif
