#include "interface4_1.h"

#include "alarmrecordfile.h"
#include "chargerfault.h"
#include "nametables.h"

#include <string.h>

char (*INTERFACE4_1::m_dcacAlarmName)[32] = nullptr;
char (*INTERFACE4_1::m_dcdcAlarmName)[32] = nullptr;
char (*INTERFACE4_1::m_stsAlarmName)[32] = nullptr;

INTERFACE4_1::INTERFACE4_1(QWidget* parent)
    : RecordListPage(parent)
    , m_history(new ChargerFault[BUFFER_SIZE])
    , m_current(new ChargerFault[BUFFER_SIZE])
{
    memset(m_history.get(), 0, sizeof(ChargerFault) * BUFFER_SIZE);
    memset(m_current.get(), 0, sizeof(ChargerFault) * BUFFER_SIZE);
    setpositiontext();
}

INTERFACE4_1::~INTERFACE4_1() = default;

void INTERFACE4_1::setpositiontext()
{
    placeWidgets(QStringList() << tr("序号") << tr("告警名称") << tr("开始时间") << tr("结束时间"), tr("|<"), tr(">|"));
}

void INTERFACE4_1::setChargerFaultFile(norvale::AlarmRecordFile* file)
{
    m_file = file;
}

void INTERFACE4_1::setAlarmName(char (*acdc)[32], char (*dcdc)[32], char (*sts)[32])
{
    m_dcacAlarmName = acdc;
    m_dcdcAlarmName = dcdc;
    m_stsAlarmName = sts;
}

void INTERFACE4_1::load(bool active)
{
    ChargerFault* buffer = active ? m_current.get() : m_history.get();
    int kept = 0;
    const int n = m_file ? m_file->size() : 0;
    for (int i = n - 1; i >= 0 && kept < BUFFER_SIZE; --i) {
        ChargerFault f;
        if (!m_file->get(i, &f))
            continue;
        if ((f.active != 0) == active)
            buffer[kept++] = f;
    }
    memset(buffer + kept, 0, sizeof(ChargerFault) * (BUFFER_SIZE - kept));
}

void INTERFACE4_1::freshme()
{
    m_listMode = 1;
    load(true);
    freshlabel();
}

void INTERFACE4_1::freshhistory()
{
    m_listMode = 0;
    load(false);
    freshlabel();
}

void INTERFACE4_1::freshToPage1()
{
    m_page = 1;
}

void INTERFACE4_1::rowText(int e, QString* name, QString* third, QString* fourth) const
{
    const ChargerFault& f = (m_listMode == 1 ? m_current : m_history)[e];
    *name = " " + showname(f.code, f.index);
    *third = " " + timeText(f.startTime);
    *fourth = " " + timeText(f.endTime);
}

QString INTERFACE4_1::showname(int code, int index)
{
    const QString ac = nameRow(m_dcacAlarmName, NAME_ROWS, index);
    const QString dc = nameRow(m_dcdcAlarmName, NAME_ROWS, index);
    if (code == 1100)
        return tr("AC ") + " " + ac;
    if (code == 1200)
        return tr("DC ") + " " + dc;
    if (code > 1100 && code < 1200)
        return tr("AC Str.") + QString::number(code - 1100) + " " + ac;
    if (code > 1200 && code < 1300)
        return tr("DC Str.") + QString::number(code - 1200) + " " + dc;
    if (code == 111)
        return tr("PCS") + " " + ac;
    if (code >= 100 && code < 200)
        return tr("AC #") + QString::number(code - 100) + " " + ac;
    if (code >= 200 && code < 300)
        return tr("DC #") + QString::number(code - 200) + " " + dc;
    if (code >= 300 && code < 400)
        return tr("STS") + " " + nameRow(m_stsAlarmName, NAME_ROWS, index);
    return " ";
}
