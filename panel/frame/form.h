#ifndef FORM_H
#define FORM_H

#include <QColor>
#include <QWidget>

class QListWidgetItem;
class INTERFACE4_1;
class INTERFACE4_2;
class Interface4_5;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
class BmsData;
class Iec104Device;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}
namespace Ui {
class Form;
}

// The area under the tool bar: a side list of sub-menu rows and the stack of the eight pages.
// Turns a tool-bar page number into a page and its rows, hides the rows that the user level and
// the cabinet rule out, routes a chosen row to the page, and relays between pages and main window.
class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    // The colour under every page; a page that paints its own background paints this one.
    static QColor pageColour();

    void hideSome(int page);
    void freshme();
    void setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts, BmsData* bms,
        modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, Iec104Device* iec);
    void changeCtrlState(int mode);
    void setCtrlDisable(int level);
    void shut_down();
    INTERFACE4_1* getwarwidget();
    INTERFACE4_2* getlogwidget();
    Interface4_5* getslogwidget();

signals:
    void user_changed(int level);
    void sendcommond(int code);
    void sendcommond_udisk(int code);
    void btnstate_changed(int state);

public slots:
    void slot_toolbar(int page);
    void slot_item(QListWidgetItem* item);
    void slot_itemindex(int row);
    void slot_hidesome(int strategy);
    void fresh_down(int kind, int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setRowHidden(int row, bool hidden);
    void applyStrategy(int strategy);

    Ui::Form* ui;
};

#endif
