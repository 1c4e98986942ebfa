#ifndef TAB_LOGOUT_H
#define TAB_LOGOUT_H

#include <QWidget>

class INTERFACE4_1;
class INTERFACE4_2;
class Interface4_5;
class QLabel;

// The records widget inside the records page: the alarm, operation and status lists and the
// export progress. Until the lists and export buttons are drawn it shows its name, the record
// view asked for and the last export progress.
class Tab_Logout : public QWidget {
    Q_OBJECT
public:
    explicit Tab_Logout(QWidget* parent = nullptr);

    INTERFACE4_1* getwarwidget() const { return m_waring; }
    INTERFACE4_2* getlogwidget() const { return m_wlog; }
    Interface4_5* getslogwidget() const { return m_slog; }

    void setshowtype(int type);
    int showtype() const { return m_showtype; }
    void fresh_current();
    void fresh_power_data();
    void fresh_down(int id, int commond);

signals:
    void sendcommond(int code);

private:
    QLabel* m_caption = nullptr;
    QLabel* m_progress = nullptr;
    INTERFACE4_1* m_waring = nullptr;
    INTERFACE4_2* m_wlog = nullptr;
    Interface4_5* m_slog = nullptr;
    int m_showtype = 0;
};

#endif
