#ifndef ENERGYSCHEDULE_H
#define ENERGYSCHEDULE_H

#include <QWidget>

class ModbusAcDcData;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Editor of the half-hour tables: the power set-points (AC, or per DC branch with the DC
// 48-period strategy) and the two price tables, half a day at a time in two columns of 12.
class EnergySchedule : public QWidget {
    Q_OBJECT
public:
    enum { ROWS = 24 };
    explicit EnergySchedule(QWidget* parent = nullptr);

    // Stores the converter and hands it both price tables for its cost statistics.
    void setDeviceData(ModbusAcDcData* acdc);
    // 2 power set-points, 3 price table A, 4 price table B.
    void setMode(int m);
    int getMode() const { return mode; }
    int getBranch() const { return branch; }
    int getPageOffset() const { return pageOffset; }

signals:
    void sendfreshme();

public slots:
    void freshme();

private slots:
    void on_comboBox_activated(int i);
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void lineedit1();
    void lineedit2();
    void lineedit3();
    void lineedit4();
    void lineedit5();
    void lineedit6();
    void lineedit7();
    void lineedit8();
    void lineedit9();
    void lineedit10();
    void lineedit11();
    void lineedit12();
    void lineedit13();
    void lineedit14();
    void lineedit15();
    void lineedit16();
    void lineedit17();
    void lineedit18();
    void lineedit19();
    void lineedit20();
    void lineedit21();
    void lineedit22();
    void lineedit23();
    void lineedit24();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setupUi();
    void setCaptions(int firstPeriod);
    void connectEdits(bool on);
    void dealWithLineEdit();

    QLabel* label_period[ROWS] = {};
    QLineEdit* lineEdit[ROWS] = {};
    QLabel* label_time[2] = {};
    QLabel* label_value[2] = {};
    QLabel* label_branch = nullptr;
    QComboBox* comboBox = nullptr;
    QLabel* label_note = nullptr;
    QPushButton* pushButton = nullptr;
    QPushButton* pushButton_2 = nullptr;

    int mode = 2;
    int decimals = 1;
    int row = -1;
    bool refreshing = false;
    int pageOffset = 0;
    int base = 0;
    int branch = 0;
    ModbusAcDcData* acdc = nullptr;
};

#endif
