#include "datadeal.h"

DATADEAL::DATADEAL()
    : alarmSize(0)
{
}

int DATADEAL::getAlarmSize()
{
    return alarmSize;
}

void DATADEAL::buzzoff()
{
}

void DATADEAL::monitorRemoteState(int flag)
{
    Q_UNUSED(flag);
}

void DATADEAL::dealwithcommond(int commond)
{
    Q_UNUSED(commond);
}

void DATADEAL::run()
{
}
