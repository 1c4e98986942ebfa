#ifndef INTERFACE_SYSINF_H
#define INTERFACE_SYSINF_H

#include <QWidget>

#include <functional>

class DeviceData;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
class BmsData;
class IdTurn;
class PageTurnAdv;
class QPainter;
namespace modbus {
class ModbusrtuDevice;
}
namespace Ui {
class interface_SysInf;
}

// The system-information page (tab 1): live values of the strings, the AC side, grid and load,
// the module states and versions, and per-module details, one sub-page at a time as the side
// list chooses. Everything but its pickers is painted afresh from the devices at each repaint.
class interface_SysInf : public QWidget {
    Q_OBJECT
public:
    explicit interface_SysInf(QWidget* parent = nullptr);
    ~interface_SysInf() override;

    void setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
        BmsData* bms);
    // Sub-page k: 0 DC, 1 AC, 2 grid, 3 load, 4 module status, 5 BMS, 6 AC, 7 DC, 8 switch details.
    void change_sub_interface(int k);
    int shownSubPage() const { return currentSubPage; }
    // Text of a battery alarm level: light, moderate, severe, else normal.
    QString showBmsAlarmdata(int level);

public slots:
    // Variant of the battery system (setting 55): asks, then saves and restarts.
    void on_comboBox_49_activated(int index);
    // Forced-charging enable (setting 60).
    void on_comboBox_50_activated(int index);
    // Wake-up enable (setting 61).
    void on_comboBox_51_activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

    // The devices as DeviceData, taken when the devices are handed over (null for a device that
    // is absent or whose library is not part of the build).
    DeviceData* m_acdcData = nullptr;
    DeviceData* m_dcdcData = nullptr;
    DeviceData* m_stsData = nullptr;
    DeviceData* m_bmsData = nullptr;
    DeviceData* m_rtuData = nullptr;
    modbus::ModbusrtuDevice* m_rtu = nullptr;

private:
    void drawDcInfo(QPainter& painter);
    void drawAcTable(QPainter& painter, DeviceData* device, int firstRow, const QString& frequencyCaption,
        bool energyRows);
    void drawModuleStatus(QPainter& painter);
    void drawAcDetails(QPainter& painter);
    void drawDcDetails(QPainter& painter);
    void drawStsDetails(QPainter& painter);
    // Thirty display rows in two columns of fifteen.
    void drawAnalogRows(QPainter& painter, DeviceData* device, int module, int firstRow, int y0, int step,
        const int labelX[2], const int valueX[2]);
    void drawBitGrid(QPainter& painter, DeviceData* device, int module, int statusOffset, const QString& statusCaption,
        const QString& alarmCaption);
    void setGreyed(QPainter& painter, bool greyed);

    // The battery sub-page: which controls show, and the page of the battery type.
    void showBmsControls();
    void drawBms(QPainter& painter);
    void drawBmsPage1(QPainter& painter, int type, int unit);
    void drawBmsPage2(QPainter& painter, int type, int unit);
    void drawBmsPage3(QPainter& painter, int type, int unit);
    void drawBmsPage4(QPainter& painter, int type, int unit);
    // Rows first..last of the battery display rows, perColumn to a column: caption, then the
    // text that valueOf gives for the row and its position from first.
    void drawBmsRows(QPainter& painter, int first, int last, int perColumn, int y0, int step, const int labelX[],
        const int valueX[], const std::function<QString(int row, int k)>& valueOf);
    // A raw register of a battery unit as the RTU slave last received it.
    short rtuRegister(int unit, int reg);

    Ui::interface_SysInf* ui;
    IdTurn* m_idTurn = nullptr;
    PageTurnAdv* m_pageTurn = nullptr;
    int currentSubPage = 0;
    int bmsUnitIndex = 0;
    int acModuleId = 1;
    int dcModuleId = 1;
    // 100 while no repaint runs, 0 during one, so a repaint never runs inside another.
    int paintGuard = 100;

    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    BmsData* m_bms = nullptr;
};

#endif
