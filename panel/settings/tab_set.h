#ifndef TAB_SET_H
#define TAB_SET_H

#include "relaxed.h"

#include <QList>
#include <QString>
#include <QTabWidget>

struct dirent;

class DeviceData;
class UpgradeThread;
class QCheckBox;
class QComboBox;
class QLineEdit;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
namespace modbus {
class ModbusrtuDevice;
class ModbustcpDevice;
}
namespace Ui {
class tab_set;
}

// The settings page inside the settings container: the 28 pages of the settings form behind a
// hidden tab bar. The container picks the page and calls mpaintEvent; the page refreshes the
// sub-page shown and writes what the user enters to the devices, reporting through sendcommond
// (3 confirmed, 4 failed). Upgrading is the process-wide mark of a running firmware upgrade.
class Tab_set : public QTabWidget {
    Q_OBJECT
public:
    explicit Tab_set(QWidget* parent = nullptr);
    ~Tab_set() override;

    // 1 while a module firmware upgrade runs, else 0; set by the upgrade threads, read by the pages.
    static Relaxed<int> Upgrading;

    void setDeviceData(modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp, ModbusAcDcData* acdc,
        DcdcData* dcdc, ModbusSTSData* sts);
    // The same through the devices' common interface; tests hand in fakes here.
    void setDeviceViews(DeviceData* rtu, DeviceData* tcp, DeviceData* acdc, DeviceData* dcdc, DeviceData* sts);
    // The sub-page shown (0..8) from its first page, and the page within it.
    void setfirstindex(int i);
    void setsubindex(int i);
    // The refresh of the page shown; once a second from the container.
    void mpaintEvent();

    // Writes to module 0 of a device; the tip code reports the result.
    void setAc(int index, float v);
    void setDc(int index, float v);
    void setSts(int index, float v);
    void _setSts(int module, int index, float v);
    // One DC-branch parameter: the branch picked (one-by-one entry) or all branches.
    void basic_setDc_byAc(int index, float v);
    void basic_setDc_byDc(int index, float v);
    void setDc_byAc(int index, float v);
    void setDc_byDc(int index, float v);

    void saveshowData();
    void read_netdata();
    // The power-cycle notice; 1 when acknowledged with OK.
    int reboot();
    void closeSomething();

    // Refreshers of the sub-pages: basic, machine type, system parameters, monitor settings.
    void fresh_basicset(int page);
    void fresh_machtype(int page);
    void fresh_sysset(int page);
    void fresh_pcsset(int page);
    // DC parameters of branch dcModule: page 1 or 2, each filled and then laid out by the input type.
    void fresh_dc(int page);
    void _fresh_dc1();
    void __fresh_dc1();
    void _fresh_dc2();
    void __fresh_dc2();
    // AC sub-page: one refresher per form page, chosen by page number and grid code.
    void fresh_ac(int page);
    void _fresh_ac1();
    void _fresh_ac2();
    void _fresh_ac3();
    void _fresh_ac4();
    void _fresh_ac5();
    void _fresh_ac6();
    void _fresh_ac7();
    void _fresh_ac8();
    void _fresh_ac9();
    // Lays the AC pages out for the grid code set[53] from the certification rows.
    void initAcShow();
    // Switches to the certification standard chosen on the machine-type page.
    void setRzVersion();
    // Lays out the basic DC parameter page by the DC input type of branch dcTypeModule.
    void fresh_basic_dc();
    // Shows the DC input selectors that the chosen machine type has.
    void showDcInType();
    // One network address: kind 4 IP, 5 gateway, 6 mask. Invalid text gives the kind's default.
    void ipformat(int kind, QString text);
    // Sets the clock from "yyyy-MM-dd-hh-mm-ss".
    void settime(QString& text);
    // Switch parameters, AC debug and DC debug sub-pages.
    void fresh_sts(int page);
    void fresh_acdebug(int page);
    void fresh_dcdebug(int page);
    // Calibration against a typed true value (k counts the rows from 1) and the debug words.
    void _stsDebug(int k, float typed);
    void _acDebug(int k, float typed);
    void _dcDebug(int k, float typed);
    void __acDebug(int index, float value);
    // A channel's new coefficient from its reading, its present coefficient and the true value.
    static float calibrationCoefficient(float reading, float coefficient, float typed);
    // Calibration pairs {coefficient configuration, reading analog}, in field order.
    static const int stsindex[12][2];
    static const int acindex[16][2];
    static const int dcindex[5][2];

    // The DC branches a branch picker offers: set[23], within the eight branches (1001..1008)
    // that the branch writes address. Both pickers, the basic page's and the DC sub-page's, use it.
    static int branchCount();

    // Default charging parameters of a lead-acid DC branch from its capacity and cell count.
    void setParmToDefault(int branch);
    // "00:24" and four random bytes in lower-case hexadecimal without leading zero.
    QString newMacAddress();

    // Firmware upgrade tab: file filters of the four module types and of the monitor package.
    static int selectAcFlies(const struct dirent* entry);
    static int selectDcFlies(const struct dirent* entry);
    static int selectU2Flies(const struct dirent* entry);
    static int selectStsFlies(const struct dirent* entry);
    static int selectMonitorFlies(const struct dirent* entry);
    void initUpgrade();
    UpgradeThread* upgradeThread = nullptr;
    QList<QCheckBox*> moduleBoxes;
    int upgradeTotal = 0;

    int firstIndex = 0;
    int subIndex = 1;
    int devicesSet = 0;
    int idleFlag = 100;
    int machTypeDirty = 0;
    int dcModule = 1001;     // DC branch of the DC sub-page, 1001..1008
    int acDebugModule = 1;   // AC/DC module of the AC debug sub-page
    int dcDebugModule = 1;   // DC/DC module of the DC debug sub-page
    int basicDcModule = 1001;
    int dcTypeModule = 1001;
    float chargeCorrection = 0;
    float dischargeCorrection = 0;
    QString netIp;
    QString netMask;
    QString netGateway;
    float showData[60] = {};
    char serialNum[128] = {};

signals:
    void sendcommond(int code);
    // A request to the data-handling object, as the records page makes them: 5 restarts the
    // snapshot timer with the period now set.
    void sendcommond_udisk(int code);

private slots:
    void on_comboBox_11_activated(int row);
    void on_comboBox_4_activated(int row);
    void on_comboBox_31_activated(int row);
    void on_comboBox_53_activated(int row);
    void on_lineEdit_12_selectionChanged();
    void on_lineEdit_13_selectionChanged();
    void on_lineEdit_14_selectionChanged();
    void on_lineEdit_19_selectionChanged();
    void on_lineEdit_selectionChanged();
    void on_lineEdit_4_selectionChanged();
    void on_lineEdit_5_selectionChanged();
    void on_lineEdit_6_selectionChanged();
    void on_lineEdit_7_selectionChanged();
    void on_comboBox_30_activated(int row);
    void on_comboBox_47_activated(int row);
    void on_comboBox_32_activated(int row);
    void on_comboBox_49_activated(int row);
    void on_lineEdit_2_selectionChanged();
    void on_lineEdit_11_selectionChanged();
    void on_lineEdit_172_selectionChanged();
    void on_lineEdit_8_selectionChanged();
    void on_lineEdit_9_selectionChanged();
    void on_lineEdit_10_selectionChanged();
    void on_lineEdit_192_selectionChanged();
    void on_pushButton_clicked();

    // Basic sub-page.
    void on_comboBox_10_activated(int row);
    void on_comboBox_29_activated(int row);
    void on_comboBox_16_activated(int row);
    void on_lineEdit_21_selectionChanged();
    void on_lineEdit_20_selectionChanged();
    void on_lineEdit_29_selectionChanged();
    void on_comboBox_2_activated(int row);
    void on_lineEdit_184_selectionChanged();
    void on_comboBox_17_activated(int row);
    void on_lineEdit_186_selectionChanged();
    void on_lineEdit_187_selectionChanged();
    void on_comboBox_activated(int row);
    void on_lineEdit_51_selectionChanged();
    void on_lineEdit_171_selectionChanged();
    void on_lineEdit_55_selectionChanged();
    void on_lineEdit_169_selectionChanged();
    void on_lineEdit_168_selectionChanged();
    void on_lineEdit_148_selectionChanged();
    void on_lineEdit_182_selectionChanged();
    void on_lineEdit_183_selectionChanged();
    void on_lineEdit_181_selectionChanged();
    void on_lineEdit_170_selectionChanged();
    void on_pushButton_11_clicked();

    // Machine-type sub-page: a choice is only noted until it is applied.
    void on_comboBox_33_activated(int row);
    void on_comboBox_34_activated(int row);
    void on_comboBox_35_activated(int row);
    void on_comboBox_36_activated(int row);
    void on_comboBox_37_activated(int row);
    void on_comboBox_38_activated(int row);
    void on_comboBox_39_activated(int row);
    void on_comboBox_50_activated(int row);
    void on_comboBox_40_activated(int row);
    void on_comboBox_41_activated(int row);
    void on_comboBox_42_activated(int row);
    void on_comboBox_51_activated(int row);
    void on_lineEdit_3_selectionChanged();

    // DC parameter sub-page.
    void on_lineEdit_185_selectionChanged();
    void on_lineEdit_24_selectionChanged();
    void on_lineEdit_75_selectionChanged();
    void on_lineEdit_26_selectionChanged();
    void on_lineEdit_25_selectionChanged();
    void on_lineEdit_27_selectionChanged();
    void on_lineEdit_79_selectionChanged();
    void on_lineEdit_28_selectionChanged();
    void on_lineEdit_80_selectionChanged();
    void on_comboBox_15_activated(int row);
    void on_comboBox_14_activated(int row);
    void on_lineEdit_22_selectionChanged();
    void on_lineEdit_23_selectionChanged();
    void on_lineEdit_74_selectionChanged();
    void on_lineEdit_81_selectionChanged();
    void on_lineEdit_76_selectionChanged();
    void on_lineEdit_77_selectionChanged();
    void on_lineEdit_78_selectionChanged();

    // Control words, dry contacts and the virtual synchronous machine.
    void on_lineEdit_173_selectionChanged();
    void on_lineEdit_174_selectionChanged();
    void on_lineEdit_179_selectionChanged();
    void on_lineEdit_180_selectionChanged();
    void on_lineEdit_188_selectionChanged();
    void on_lineEdit_189_selectionChanged();
    void on_lineEdit_190_selectionChanged();
    void on_lineEdit_191_selectionChanged();
    void on_comboBox_5_activated(int row);
    void on_comboBox_6_activated(int row);
    void on_comboBox_7_activated(int row);
    void on_comboBox_8_activated(int row);
    void on_comboBox_9_activated(int row);
    void on_comboBox_12_activated(int row);
    void on_pushButton_12_clicked();
    void on_pushButton_13_clicked();

    // AC sub-page.
    void on_comboBox_27_activated(int row);
    void on_comboBox_13_activated(int row);
    void on_lineEdit_15_selectionChanged();
    void on_lineEdit_16_selectionChanged();
    void on_lineEdit_17_selectionChanged();
    void on_comboBox_18_activated(int row);
    void on_lineEdit_52_selectionChanged();
    void on_lineEdit_53_selectionChanged();
    void on_lineEdit_54_selectionChanged();
    void on_comboBox_24_activated(int row);
    void on_comboBox_20_activated(int row);
    void on_comboBox_22_activated(int row);
    void on_comboBox_25_activated(int row);
    void on_comboBox_52_activated(int row);
    void on_lineEdit_18_selectionChanged();
    void on_comboBox_21_activated(int row);
    void on_comboBox_48_activated(int row);
    void on_comboBox_19_activated(int row);
    void on_comboBox_23_activated(int row);
    void on_comboBox_26_activated(int row);
    void on_lineEdit_165_selectionChanged();
    void on_lineEdit_164_selectionChanged();
    void on_lineEdit_166_selectionChanged();
    void on_lineEdit_167_selectionChanged();
    // Certification entries of the AC sub-page.
    void on_lineEdit_56_selectionChanged();
    void on_lineEdit_57_selectionChanged();
    void on_lineEdit_58_selectionChanged();
    void on_lineEdit_59_selectionChanged();
    void on_lineEdit_60_selectionChanged();
    void on_lineEdit_61_selectionChanged();
    void on_lineEdit_62_selectionChanged();
    void on_lineEdit_63_selectionChanged();
    void on_lineEdit_64_selectionChanged();
    void on_lineEdit_65_selectionChanged();
    void on_lineEdit_175_selectionChanged();
    void on_lineEdit_66_selectionChanged();
    void on_lineEdit_67_selectionChanged();
    void on_lineEdit_68_selectionChanged();
    void on_lineEdit_69_selectionChanged();
    void on_lineEdit_70_selectionChanged();
    void on_lineEdit_71_selectionChanged();
    void on_lineEdit_72_selectionChanged();
    void on_lineEdit_73_selectionChanged();
    void on_lineEdit_124_selectionChanged();
    void on_lineEdit_125_selectionChanged();
    void on_lineEdit_126_selectionChanged();
    void on_lineEdit_127_selectionChanged();
    void on_lineEdit_128_selectionChanged();
    void on_lineEdit_138_selectionChanged();
    void on_lineEdit_140_selectionChanged();
    void on_lineEdit_134_selectionChanged();
    void on_lineEdit_136_selectionChanged();
    void on_lineEdit_135_selectionChanged();
    void on_lineEdit_129_selectionChanged();
    void on_lineEdit_130_selectionChanged();
    void on_lineEdit_131_selectionChanged();
    void on_lineEdit_132_selectionChanged();
    void on_lineEdit_133_selectionChanged();
    void on_lineEdit_137_selectionChanged();
    void on_lineEdit_139_selectionChanged();
    void on_lineEdit_141_selectionChanged();
    void on_lineEdit_161_selectionChanged();
    void on_lineEdit_162_selectionChanged();
    void on_lineEdit_147_selectionChanged();
    void on_lineEdit_149_selectionChanged();
    void on_lineEdit_143_selectionChanged();
    void on_lineEdit_145_selectionChanged();
    void on_lineEdit_144_selectionChanged();
    void on_lineEdit_142_selectionChanged();
    void on_lineEdit_153_selectionChanged();
    void on_lineEdit_154_selectionChanged();
    void on_lineEdit_155_selectionChanged();
    void on_lineEdit_156_selectionChanged();
    void on_lineEdit_146_selectionChanged();
    void on_lineEdit_152_selectionChanged();
    void on_lineEdit_150_selectionChanged();
    void on_lineEdit_151_selectionChanged();
    void on_lineEdit_163_selectionChanged();
    void on_lineEdit_157_selectionChanged();
    void on_lineEdit_158_selectionChanged();
    void on_lineEdit_159_selectionChanged();
    void on_lineEdit_160_selectionChanged();
    void on_lineEdit_176_selectionChanged();
    void on_lineEdit_177_selectionChanged();
    void on_lineEdit_178_selectionChanged();
    // Switch parameter sub-page.
    void on_lineEdit_87_selectionChanged();
    void on_lineEdit_88_selectionChanged();
    void on_lineEdit_89_selectionChanged();
    void on_comboBox_28_activated(int row);
    void on_lineEdit_30_selectionChanged();
    void on_lineEdit_31_selectionChanged();
    void on_lineEdit_32_selectionChanged();
    void on_lineEdit_33_selectionChanged();
    void on_lineEdit_90_selectionChanged();
    void on_lineEdit_91_selectionChanged();
    void on_lineEdit_92_selectionChanged();
    void on_lineEdit_93_selectionChanged();
    void on_lineEdit_94_selectionChanged();
    void on_lineEdit_95_selectionChanged();
    // Calibration fields of the switch, the AC/DC and the DC/DC modules, and the debug words.
    void on_lineEdit_96_selectionChanged();
    void on_lineEdit_97_selectionChanged();
    void on_lineEdit_98_selectionChanged();
    void on_lineEdit_99_selectionChanged();
    void on_lineEdit_100_selectionChanged();
    void on_lineEdit_101_selectionChanged();
    void on_lineEdit_102_selectionChanged();
    void on_lineEdit_103_selectionChanged();
    void on_lineEdit_104_selectionChanged();
    void on_lineEdit_105_selectionChanged();
    void on_lineEdit_106_selectionChanged();
    void on_lineEdit_107_selectionChanged();
    void on_lineEdit_108_selectionChanged();
    void on_lineEdit_109_selectionChanged();
    void on_lineEdit_110_selectionChanged();
    void on_lineEdit_111_selectionChanged();
    void on_lineEdit_112_selectionChanged();
    void on_lineEdit_113_selectionChanged();
    void on_lineEdit_114_selectionChanged();
    void on_lineEdit_115_selectionChanged();
    void on_lineEdit_116_selectionChanged();
    void on_lineEdit_117_selectionChanged();
    void on_lineEdit_118_selectionChanged();
    void on_lineEdit_119_selectionChanged();
    void on_lineEdit_120_selectionChanged();
    void on_lineEdit_121_selectionChanged();
    void on_lineEdit_122_selectionChanged();
    void on_lineEdit_123_selectionChanged();
    void on_lineEdit_34_selectionChanged();
    void on_lineEdit_35_selectionChanged();
    void on_lineEdit_36_selectionChanged();
    void on_lineEdit_37_selectionChanged();
    void on_lineEdit_38_selectionChanged();
    void on_lineEdit_39_selectionChanged();
    void on_lineEdit_40_selectionChanged();
    void on_lineEdit_41_selectionChanged();
    void on_lineEdit_42_selectionChanged();
    void on_lineEdit_43_selectionChanged();
    void on_lineEdit_44_selectionChanged();
    void on_lineEdit_45_selectionChanged();
    void on_lineEdit_46_selectionChanged();
    void on_lineEdit_47_selectionChanged();
    void on_lineEdit_48_selectionChanged();
    void on_lineEdit_49_selectionChanged();
    void on_lineEdit_50_selectionChanged();

    // Factory operations.
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void on_pushButton_5_clicked();
    void on_pushButton_7_clicked();
    void on_pushButton_8_clicked();
    void on_pushButton_ScreenShots_clicked();

    // Firmware upgrade tab.
    void on_ImportFileButton_clicked();
    void on_comboBox_Type_activated(const QString& type);
    void on_radioButton_All_clicked();
    void on_radioButton_Module_clicked();
    void on_checkBox_clicked();
    void on_checkBox_2_clicked();
    void on_checkBox_3_clicked();
    void on_checkBox_4_clicked();
    void on_checkBox_5_clicked();
    void on_checkBox_6_clicked();
    void on_checkBox_7_clicked();
    void on_checkBox_8_clicked();
    void on_checkBox_9_clicked();
    void on_checkBox_10_clicked();
    void on_checkBox_11_clicked();
    void on_checkBox_12_clicked();
    void on_checkBox_13_clicked();
    void on_checkBox_14_clicked();
    void on_checkBox_15_clicked();
    void on_StartUpgradeButton_clicked();
    void on_UpgradeFinishButton_clicked();
    // The worker's results.
    void setButtonState();
    void setUpgradeExpertState();
    void showUpgradeSucess();

private:
    // The keypad of an entry slot: true with the typed value when accepted and within [lo, hi].
    bool askInt(const QString& hint, int lo, int hi, int* out);
    bool askFloat(const QString& hint, float lo, float hi, float* out);
    void writeReported(DeviceData* device, int module, int index, float v, bool reportFailure);
    void dcBranchWrite(DeviceData* device, int module, int index, float v, const char* allLine);
    void computeDcParam();
    void loadPageFiles();
    float acConfig(int index) const;
    // A configuration value of any module; 0 when the device is missing or the read fails.
    bool readConfig(DeviceData* device, int module, int index, float* out) const;
    float configOf(DeviceData* device, int module, int index) const;
    float analogOf(DeviceData* device, int module, int index) const;
    // DC input type of a branch, from the library that drives the DC side.
    int dcInTypeOf(int branch) const;
    // Dispatch set-points go out without a result wait; only a refused write is reported.
    void dispatchSetpoint(int module, int index, float v);
    void branchSetpoint(const QString& hint, float limit, int index);
    void basicDcWrite(int acIndex, int dcIndex, float v);
    void basicDcEntry(const QString& hint, float lo, float hi, int acIndex, int dcIndex);
    void basicDcLimit(int triple, int acIndex, int dcIndex);
    void leadAcidWrites(float v, const int* acIndex, const int* dcIndex, const double* factor);
    void controlWord(int index);
    // DC parameter sub-page.
    struct LeadAcidLimit;
    float dcBranchConfig(int acIndex, int dcIndex) const;
    bool dcBranchOnline() const;
    void dcPageState(QWidget* page);
    void dcParamWrite(int acIndex, int dcIndex, float v);
    bool leadAcidAllows(float v, const LeadAcidLimit& limit);
    void dcParamEntry(const QString& hint, float lo, float hi, int acIndex, int dcIndex, const LeadAcidLimit& limit);
    void dcLimitEntry(int triple, int acIndex, int dcIndex, double lowPerCell, double highPerCell);
    void dcSetpointEntry(const QString& hint, float limit, int index);
    // AC sub-page helpers.
    void certEntry(int edit);
    void refreshCertPage(int refresher);
    void showConfig(QLineEdit* edit, int index, int decimals);
    void config127Write(int keep, int bit, int row);
    void showHelp();
    // Disables the tabs of every sub-page whose refresher is not built yet.
    void lockUnbuiltPages();
    // Clears the selection that opened an entry's keypad (see the source).
    void entryStarted();
    void clearEntrySelections();
    void energyCorrection(QLineEdit* edit, int slot, float* correction, int index);
    void upwardTimeout(QLineEdit* edit, int slot, int reg);
    void addressEntry(int kind, const QString& hint);
    void upwardWrite(int reg, float v);
    bool needsPowerCycle();
    void tipSucceeded();
    void writeDcInType(int branch, int type, bool leadAcidDefaults);
    void allSelectModule();
    void sinleSelectModule();
    QCheckBox* moduleBox(int number) const;
    // The imports of the chosen type already in /tmp: one is shown, several are all removed.
    void lookInTmp();
    void moduleBoxClicked(int number);
    void upgradeError(const QString& text);
    void _fresh_sts1();
    void _fresh_sts3();
    void _fresh_sts4();
    void _fresh_acdebug1();
    void _fresh_acdebug2();
    void _fresh_acdebug3();
    void stsEntry(int index, const QString& hint, float lo, float hi, bool whole);
    void stsDebugWord(int index);
    // The keypad of a calibration field: the typed true value, shown in the field with one decimal.
    bool calibrationEntry(QLineEdit* field, float* typed);
    void stsCalibration(QLineEdit* field, int k);
    void acCalibration(QLineEdit* field, int k);
    void dcCalibration(QLineEdit* field, int k);
    void acDebugWord(int index);
    void dcDebugWord(int k);
    void calibrate(DeviceData* device, int module, int config, int analog, float typed, bool sts);

    Ui::tab_set* ui = nullptr;
    modbus::ModbusrtuDevice* rtuDev = nullptr;
    modbus::ModbustcpDevice* tcpDev = nullptr;
    ModbusAcDcData* acDev = nullptr;
    DcdcData* dcDev = nullptr;
    ModbusSTSData* stsDev = nullptr;
    DeviceData* rtuView = nullptr;
    DeviceData* tcpView = nullptr;
    DeviceData* acView = nullptr;
    DeviceData* dcView = nullptr;
    DeviceData* stsView = nullptr;
};

#endif
