#ifndef INTERFACE_LOGOUT_H
#define INTERFACE_LOGOUT_H

#include <QWidget>

class Tab_Logout;
class INTERFACE4_1;
class INTERFACE4_2;
class Interface4_5;

// The records page of the frame (page 2): holds the records tab, made by loadtab_delay, turns
// the frame's side-list row into one of its tabs, and relays its export requests through
// sendcommond(int).
class interface_LogOut : public QWidget {
    Q_OBJECT
public:
    explicit interface_LogOut(QWidget* parent = nullptr);

    void loadtab_delay();
    INTERFACE4_1* getwarwidget() const;
    INTERFACE4_2* getlogwidget() const;
    Interface4_5* getslogwidget() const;
    void freshme();
    void fresh_power_data();
    void fresh_down(int index, int type);
    // Rows 0 open alarms, 1 alarm history, 2 operation log, 3 status log, 4 power curve, 5 export.
    void change_sub_interface(int type);
    int shownSubPage() const { return m_type; }

signals:
    void sendcommond(int code);

private:
    Tab_Logout* m_tab = nullptr;
    int m_type = 0; // the last row asked for
};

#endif
