#ifndef INTERFACE_TLM_H
#define INTERFACE_TLM_H

#include <QWidget>

class DeviceData;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
class BmsData;
class QCPBars;
class QCPGraph;
class QTimer;
namespace modbus {
class ModbusrtuDevice;
}
namespace Ui {
class interface_Tlm;
}

// A compact system page: live values over a background picture and a chart of the energy
// charged and discharged (or the income) by the months of a year, the days of a month or the
// half-hours of a day. No frame opens it; it is a complete page for a cabinet that wants it.
class interface_Tlm : public QWidget {
    Q_OBJECT
public:
    explicit interface_Tlm(QWidget* parent = nullptr);
    ~interface_Tlm() override;

    void setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
        BmsData* bms);
    // 0 starts the two-second check of the energy totals, anything else stops it.
    void startfresh(int stop);

public slots:
    // Rebuilds the chart when the totals read by the last paint moved since the last rebuild.
    void checkDemo();
    void Demo();

private slots:
    void on_comboBox_tlm_activated(int mode);
    void on_comboBox_tlm_2_activated(int i);
    void on_comboBox_tlm_3_activated(int i);
    void on_comboBox_tlm_4_activated(int i);
    void on_radioButton_tlm_clicked();
    void on_radioButton_tlm_2_clicked();

private:
    // Key range of the bar chart: every bar wholly inside.
    void fitBars();

protected:
    void paintEvent(QPaintEvent* event) override;
    // The dated energy store of the AC/DC link: which 0 charge, 1 discharge, 2 income. A seam so
    // that a test need not build the link's energy image. -1 when no AC/DC device was handed over.
    virtual int readEnergy(int which, int year, int month, int day, int halfHour, float* out);

    DeviceData* m_acdcData = nullptr;
    DeviceData* m_dcdcData = nullptr;
    DeviceData* m_stsData = nullptr;
    bool m_ready = false;

    Ui::interface_Tlm* ui;
    QCPBars* m_chargeBars = nullptr;
    QCPBars* m_dischargeBars = nullptr;
    QCPGraph* m_income = nullptr;

    int m_year = 2017;
    int m_month = 1;
    int m_day = 1;
    int m_mode = 0;

private:
    void plotInit();
    void enableDateCombos();
    float analog(DeviceData* device, int module, int index) const;
    QString rowText(DeviceData* device, int module, int row) const;
    QString rowsJoined(DeviceData* device, int module, int first, int last) const;

    QTimer* m_timer = nullptr;
    modbus::ModbusrtuDevice* m_rtu = nullptr;
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    BmsData* m_bms = nullptr;

    float m_totalCharge = 0;
    float m_totalDischarge = 0;
    // -1 so that the first check always rebuilds.
    float m_chartCharge = -1.0f;
    float m_chartDischarge = -1.0f;
};

#endif
