#ifndef INTERFACE_SWITCH_H
#define INTERFACE_SWITCH_H

#include <QWidget>

class DeviceData;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
namespace modbus {
class ModbustcpDevice;
}
namespace Ui {
class interface_Switch;
}

// The operation-command page (tab 4): system start and stop, grid-tied or off-grid, clear
// faults, the AC side alone on the machine types that have it, and each DC branch. Every
// command is a write that waits for the device's result and reports it as tip 3 or 4.
class interface_Switch : public QWidget {
    Q_OBJECT
public:
    explicit interface_Switch(QWidget* parent = nullptr);
    ~interface_Switch() override;

    void setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts, modbus::ModbustcpDevice* tcp);
    void freshme();
    // System stop when the upper master's link is lost.
    void timeout_off();

    void setAc(int module, int index, int value);
    void setDc(int module, int index, int value);
    void setSTS(int module, int index, int value);

signals:
    void sendcommond(int code);

public slots:
    void switch1_onoff(bool on);
    void switch2_onoff(bool on);
    void switch3_onoff(bool on);
    void switch4_onoff(bool on);
    void switch5_onoff(bool on);
    void switch6_onoff(bool on);
    void switch7_onoff(bool on);
    void switch8_onoff(bool on);

private slots:
    void on_btn_on_clicked();
    void on_btn_off_clicked();
    void on_btn_ingrid_clicked();
    void on_btn_outgrid_clicked();
    void on_btn_clearfault_clicked();
    void on_btn_on_2_clicked();
    void on_btn_off_2_clicked();
    void on_btn_dc1_on_clicked();
    void on_btn_dc2_on_clicked();
    void on_btn_dc3_on_clicked();
    void on_btn_dc4_on_clicked();
    void on_btn_dc5_on_clicked();
    void on_btn_dc6_on_clicked();
    void on_btn_dc7_on_clicked();
    void on_btn_dc8_on_clicked();
    void on_btn_dc1_off_clicked();
    void on_btn_dc2_off_clicked();
    void on_btn_dc3_off_clicked();
    void on_btn_dc4_off_clicked();
    void on_btn_dc5_off_clicked();
    void on_btn_dc6_off_clicked();
    void on_btn_dc7_off_clicked();
    void on_btn_dc8_off_clicked();

protected:
    // The devices as DeviceData, taken when they are handed over; every command goes through these.
    DeviceData* m_acdcData = nullptr;
    DeviceData* m_dcdcData = nullptr;
    DeviceData* m_stsData = nullptr;
    DeviceData* m_tcpData = nullptr;

private:
    enum Report { ReportAll, ReportFailures };
    // One write and its result wait; 0 done, -1 otherwise.
    int command(DeviceData* device, const char* name, int module, int index, int value, Report report);
    void branchCommand(int branch, bool on);
    void showBranchRows();

    Ui::interface_Switch* ui;
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    modbus::ModbustcpDevice* m_tcp = nullptr;
    bool m_hasData = false;
};

#endif
