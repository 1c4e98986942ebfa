#ifndef TAB_LOGOUT_H
#define TAB_LOGOUT_H

#include <QTabWidget>

class INTERFACE4_1;
class INTERFACE4_2;
class Interface4_5;
namespace Ui {
class Tab_Logout;
}

// The body of the records page, one tab per records sub-page with the tab bar hidden: the alarm,
// operation and status lists, the power curve of the last ten hours, and the export page whose
// buttons ask the core to copy records to the USB stick and which shows the copy's progress.
class Tab_Logout : public QTabWidget {
    Q_OBJECT
public:
    explicit Tab_Logout(QWidget* parent = nullptr);
    ~Tab_Logout() override;

    INTERFACE4_1* getwarwidget() const;
    INTERFACE4_2* getlogwidget() const;
    Interface4_5* getslogwidget() const;

    // 0 open alarms, 1 ended alarms, 2 operation log, 3 status log, 4 power curve, 5 export.
    void setshowtype(int type);
    int showtype() const { return m_showtype; }
    // Reloads the sub-page shown; every second while the records page is on screen.
    void fresh_current();
    // Samples the system power for the curve; every second whatever page is shown.
    void fresh_power_data();
    // Export progress from the core: the export slot and the kind of report.
    void fresh_down(int index, int type);

signals:
    void sendcommond(int code);

public slots:
    void down_all();
    void down_history();
    void down_operation();
    void down_ac();
    void down_sts();
    void down_stat();
    void down_data();
    void down_dc();
    void clear();

private:
    enum { SLOTS = 9 };

    void setupPlot();
    void setPair(int slot, bool enabled);
    void setStatus(const QString& line1, const QString& line2, const QString& line3);
    void request(const char* word, int code);

    Ui::Tab_Logout* ui;
    int m_showtype = 0;
    double m_lastSample = 0; // seconds since the epoch, milliseconds as fraction
    QWidget* m_slotButtons[SLOTS];
    QWidget* m_slotLabels[SLOTS];
};

#endif
