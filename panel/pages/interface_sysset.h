#ifndef INTERFACE_SYSSET_H
#define INTERFACE_SYSSET_H

#include <QWidget>

class IdTurn;
class PageTurnAdv;
class Tab_set;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
class QLabel;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}

// The settings container (tab 3): holds the settings page, made by loadtab_delay, and relays its
// tip codes through sendcommond(int).
class interface_SysSet : public QWidget {
    Q_OBJECT
public:
    explicit interface_SysSet(QWidget* parent = nullptr);

    void loadtab_delay();
    void setDiviceData(modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, ModbusAcDcData* acdc,
        DcdcData* dcdc, ModbusSTSData* sts);
    void freshme();
    void change_sub_interface(int subpage);
    int shownSubPage() const { return m_subPage; }

signals:
    void sendcommond(int code);

private:
    QLabel* m_caption = nullptr;
    Tab_set* m_tab = nullptr;
    PageTurnAdv* m_pages = nullptr;
    IdTurn* m_module = nullptr;
    ModbusAcDcData* m_acdc = nullptr;
    int m_subPage = 0;
};

#endif
