#ifndef INTERFACE_LOGOUT_H
#define INTERFACE_LOGOUT_H

#include <QWidget>

class Tab_Logout;
class INTERFACE4_1;
class INTERFACE4_2;
class Interface4_5;

// The records page (tab 2): holds the records widget, made by loadtab_delay, and relays its
// export requests through sendcommond(int).
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
    void fresh_down(int kind, int value);
    void change_sub_interface(int row);
    int shownSubPage() const { return m_subPage; }

signals:
    void sendcommond(int code);

private:
    Tab_Logout* m_tab = nullptr;
    int m_subPage = 0;
};

#endif
