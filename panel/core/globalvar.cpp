#include "globalvar.h"

#include <QLabel>
#include <QMetaObject>
#include <QThread>

QLabel* tipslabel = nullptr;
int label_time_set = 0;
int label_time_count = 0;

Relaxed<int> g_autoUpgradeTimer = 0;
int keyword_right = 0;
int oldkeyword = 0;
int g_logout = 0;
int backlight_count = 0;
Relaxed<int> g_alarm_flag = 0;
Relaxed<int> g_alarm_1s_count = 0;
int g_recover_flag = 0;
int g_remoteoutTCPflag = 0;
int g_remoteout485flag = 0;
int telnetTcpHeart = 0;
int telnet485Heart = 0;
unsigned short g_acCrtlCmd = 0;

StateByte dcacstate[60];
StateByte dcdcstate[60];
AllData allData;
int g_bmsStringOnline[8];
Relaxed<float> BmsSoc = 0.0f;

float localData[1024];
Relaxed<float> plot_data[60];
Relaxed<int> g_pvstate = 1;
Relaxed<float> g_showsoc = 0.0f;
float g_power[1440];
std::atomic<int> isdownALLing(0);
std::atomic<int> downNum(0);
int date_power = 0;
int dcParam[9];
int MACH_TYPE[10];

void fillStates(StateByte* first, int count, unsigned char value)
{
    for (int i = 0; i < count; ++i)
        first[i] = value;
}

void clearModuleStates()
{
    fillStates(dcacstate, 60, 0);
    fillStates(dcdcstate, 60, 0);
}

void setTipsNow(const QString& text, int seconds)
{
    label_time_set = seconds;
    label_time_count = 0;
    QLabel* label = tipslabel;
    if (!label)
        return;
    // Tips also come from worker threads; the label may only be touched in its own thread.
    if (QThread::currentThread() == label->thread()) {
        label->setText(text);
        label->show();
    } else {
        QMetaObject::invokeMethod(label, "setText", Qt::QueuedConnection, Q_ARG(QString, text));
        QMetaObject::invokeMethod(label, "show", Qt::QueuedConnection);
    }
}
