#ifndef INTERFACE_SYSSET_H
#define INTERFACE_SYSSET_H

#include <QWidget>

class IdTurn;
class PageTurnAdv;
class Tab_set;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}

// The settings page of the frame (page 3): holds the settings tabs, a page picker and a module
// or branch picker. Turns the frame's side-list row into a settings sub-page, its pages into
// tabs, and hands the picked module to the settings tabs once a second.
class interface_SysSet : public QWidget {
    Q_OBJECT
public:
    explicit interface_SysSet(QWidget* parent = nullptr);

    // Makes the settings tabs and the two pickers; the frame calls it right after its form.
    void loadtab_delay();
    void setDiviceData(modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, ModbusAcDcData* acdc,
        DcdcData* dcdc, ModbusSTSData* sts);
    // Settings sub-page f: 0 basic, 1 machine type, 2 system, 3 monitor, 4 AC, 5 DC, 6 STS,
    // 7 AC debug, 8 DC debug, 9 upgrade.
    void change_sub_interface(int f);
    void freshme();
    int shownSubPage() const { return currentSettingsSubPage; }

signals:
    void sendcommond(int code);
    // Relay of the settings page's requests to the data-handling object.
    void sendcommond_udisk(int code);

public slots:
    // Page p (1-based) of the current sub-page.
    void _change_sub_interface(int p);

private:
    Tab_set* m_tab = nullptr;
    PageTurnAdv* m_pages = nullptr;
    int m_pagesWidth = 0;
    IdTurn* m_module = nullptr;
    int currentSettingsSubPage = 0;
    ModbusAcDcData* m_acdc = nullptr;
};

#endif
