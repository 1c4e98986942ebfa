#ifndef INTERFACE_ENERGY_H
#define INTERFACE_ENERGY_H

#include <QWidget>
#include <stdint.h>

class EnergyGraph;
class EnergySchedule;
class EnergyThread;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}

// The energy-management page: strategy choice and limits, the PV-strategy state, the half-hour
// schedule, the meter and insulation-monitor options and the power curves, one tab each (the
// frame's side list picks the tab). It owns the control thread and starts it.
class interface_Energy : public QWidget {
    Q_OBJECT
public:
    enum { OPTION_WORDS = 210, OPTION_BYTES = 840 };
    // Words of the option record "../log/partdata.dat".
    enum { W_GRID_ENABLE = 0, W_GRID_ID = 10, W_LOAD_ENABLE = 21, W_LOAD_ID = 31, W_MONITOR_ENABLE = 42,
        W_MONITOR_ID = 52, W_BAUD = 62 };

    explicit interface_Energy(QWidget* parent = nullptr);

    // Hands the devices to the schedule page and the control thread and starts the thread
    // (once). The anti-backflow setting follows the converter's.
    void setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts, modbus::ModbusrtuDevice* rtu,
        modbus::ModbustcpDevice* tcp);
    void freshme();
    void freshPlot();
    void change_sub_interface(int n);
    void setShowMode();
    // The last side-list row handed in, and the tab it shows.
    int shownSubPage() const { return m_subPage; }
    int currentTab() const;
    // 2 half-hour schedule, 3 price table A, 4 price table B.
    int scheduleMode() const;
    const int32_t* optionRecord() const { return m_optionRecord; }
    // Writes the option record over the file's first 840 bytes.
    void writeData();

    // The write idiom on the page's devices: 0 when the write succeeded.
    int setAc(int module, int index, float value);
    int setDc(int module, int index, float value);
    int setSts(int module, int index, float value);

signals:
    void sinal_hidesome(int type);

private slots:
    void on_comboBox_Manage_activated(int index);
    void on_radioButton_clicked();
    void on_radioButton_2_clicked();
    void on_radioButton_3_clicked();
    void on_radioButton_8_clicked();
    void on_radioButton_7_clicked();
    void on_checkBox_NL_clicked(bool checked);
    void on_lineEdit_NLP_selectionChanged();
    void on_lineEdit_NLR_selectionChanged();
    void on_lineEdit_YOUJI_selectionChanged();
    void on_lineEdit_YOUJI_2_selectionChanged();
    void on_lineEdit_YOUJI_3_selectionChanged();
    void on_comboBox_DB_activated(int index);
    void on_comboBox_DB_3_activated(int index);
    void on_comboBox_DB_2_activated(int index);
    void on_lineEdit_DBID_selectionChanged();
    void on_lineEdit_DBID_2_selectionChanged();
    void on_pushButton_8_clicked();
    void on_pushButton_9_clicked();
    void on_pushButton_4_clicked();
    void on_pushButton_addr_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_5_clicked();
    void on_pushButton_7_clicked();
    void on_pushButton_6_clicked();
    void on_pushButton_baud_clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupUi();
    void retranslate();
    void loadOptionRecord();
    void showStrategy(int strategy);
    void showPvFields(bool shown);
    void showOption();
    void insulationSet(int index);
    void paintValues(QWidget* on);
    // Runs the keypad with a hint; false when cancelled or not a number.
    bool askFloat(const QString& hint, float* out);
    bool askInt(const QString& hint, int* out);
    int waitResult(class DeviceData* dev, int module, int index, float value);

    QTabWidget* tabWidget = nullptr;
    QWidget* tab[7] = {};
    QGroupBox* groupBox_manage = nullptr;
    QComboBox* comboBox_Manage = nullptr;
    QLabel* label_manage = nullptr;
    QGroupBox* groupBox_start = nullptr;
    QGroupBox* groupBox_off = nullptr;
    QRadioButton* radioButton_8 = nullptr;
    QRadioButton* radioButton_7 = nullptr;
    QGroupBox* groupBox_mg = nullptr;
    QRadioButton* radioButton = nullptr;
    QRadioButton* radioButton_2 = nullptr;
    QRadioButton* radioButton_3 = nullptr;

    QGroupBox* groupBox_2 = nullptr;       // anti-backflow
    QCheckBox* checkBox_NL = nullptr;
    QLineEdit* lineEdit_NLP = nullptr;
    QLabel* label_NLR = nullptr;
    QLineEdit* lineEdit_NLR = nullptr;
    QLabel* label_NLR_unit = nullptr;
    QWidget* widget_pv = nullptr;          // PV-strategy fields
    QLineEdit* lineEdit_YOUJI_2 = nullptr;
    QLabel* label_YOUJI_2_hint = nullptr;
    QLineEdit* lineEdit_Status_2 = nullptr;
    QGroupBox* groupBox_4 = nullptr;       // grid charging
    QLineEdit* lineEdit_YOUJI = nullptr;
    QWidget* widget_5 = nullptr;           // charge cut-off
    QLineEdit* lineEdit_YOUJI_3 = nullptr;
    QGroupBox* groupBox_mode = nullptr;
    QComboBox* comboBox_Mode = nullptr;

    QComboBox* comboBox_DB = nullptr;
    QLabel* label_DB_3 = nullptr;
    QComboBox* comboBox_DB_3 = nullptr;
    QComboBox* comboBox_DB_2 = nullptr;
    QLineEdit* lineEdit_DBID = nullptr;
    QLabel* label_dbinfo = nullptr;
    QWidget* widget_insulation = nullptr;
    QLineEdit* lineEdit_DBID_2 = nullptr;
    QLabel* label_6 = nullptr;

    int m_subPage = 0;
    EnergySchedule* schedule = nullptr;
    EnergyGraph* graph = nullptr;
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    modbus::ModbusrtuDevice* m_rtu = nullptr;
    modbus::ModbustcpDevice* m_tcp = nullptr;
    EnergyThread* m_thread = nullptr;
    bool m_started = false;
    int meterShown = 0;
    int32_t m_optionRecord[OPTION_WORDS] = {};
    int monitorSelected = 0;
    int stsValue = 0;
};

#endif
