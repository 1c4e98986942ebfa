#ifndef DATADEAL_H
#define DATADEAL_H

#include <QThread>

// The panel's data-handling thread. Start-up and the one-second supervisor use the calls
// below; the thread's own work (records, states, relays, batteries) is added to it as
// those parts of the core are built.
class DATADEAL : public QThread {
    Q_OBJECT
public:
    DATADEAL();

    int getAlarmSize();
    void buzzoff();
    void monitorRemoteState(int flag);

signals:
    void sendcommond(int id, int commond);
    void sendcommond(int commond);
    void replot();

public slots:
    void dealwithcommond(int commond);

protected:
    void run() override;

private:
    int alarmSize;
};

#endif
