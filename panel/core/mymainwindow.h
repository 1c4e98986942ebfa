#ifndef MYMAINWINDOW_H
#define MYMAINWINDOW_H

#include "mybasedialog.h"
#include "debugargs.h"
#include "devicefactory.h"

class QTimer;
class QVBoxLayout;
class MyToolBar;
class Form;
class HTStatbar;
class BackLightControl;
class Watchdog;
class DATADEAL;

// The panel's main window: builds the frame, loads tables, makes every device once, and
// supervises the panel once a second. The link devices it makes live as long as the process
// (their threads never stop); the data thread and the board devices go with the window.
class MyMainWindow : public MyBaseDialog {
    Q_OBJECT
public:
    explicit MyMainWindow(QWidget* parent = nullptr);
    // Frees the data thread (stopped first) and the board's devices it opened.
    ~MyMainWindow() override;

    // The write-and-poll of one AC/DC value: 0 done, -1 refused or failed.
    int setAc(int module, int index, int value);

    MyToolBar* toolBar() const { return toolbar; }
    Form* form() const { return m_form; }
    HTStatbar* statusBar() const { return statbar; }
    int dialogSeconds() const { return dialogCount; }

    ModbusAcDcData* acdc;
    ModbusSTSData* stsdata;
    modbus::ModbusrtuDevice* rtu;
    modbus::ModbustcpDevice* tcp;
    modbus::DataExportDevice* dataExport;
    Iec104Device* iec104;
    DcdcData* dcdc;
    BmsData* bms;
    // The DeviceData views of the three devices whose classes live in our libraries.
    DeviceData* acdcDevice;
    DeviceData* dcdcDevice;
    DeviceData* bmsDevice;

signals:
    void sig_set();
    void btnstate_changed(int state);

public slots:
    void user_changed(int level);
    void timeout_1s();
    void tip_show(int code);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void init_all();
    void init_data();
    void init_text();
    void init_device();
    void checkoldversion();
    void dealwithparmfile();
    void goDark();
    void superviseHeartbeats();
    void mirrorUpwardSettings();

    MyToolBar* toolbar;
    Form* m_form;
    HTStatbar* statbar;
    QVBoxLayout* layout;
    BackLightControl* backlight;
    Watchdog* watchdog;
    QTimer* timer;
    DATADEAL* datadeal;
    int dialogCount;
    bool oldInstallation;
    int gridRows;
};

#endif
