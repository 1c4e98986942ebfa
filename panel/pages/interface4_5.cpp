#include "interface4_5.h"

#include "nametables.h"
#include "operaterecord.h"
#include "operaterecordfile.h"

#include <string.h>

char (*Interface4_5::m_dcacStatusName)[32] = nullptr;
char (*Interface4_5::m_dcdcStatusName)[32] = nullptr;
char (*Interface4_5::m_stsStatusName)[32] = nullptr;

namespace {
bool listed(int code)
{
    return (code >= 300 && code <= 1299) || code == 2000;
}
}

Interface4_5::Interface4_5(QWidget* parent)
    : RecordListPage(parent)
    , m_records(new OperateRecord[BUFFER_SIZE])
{
    memset(m_records.get(), 0, sizeof(OperateRecord) * BUFFER_SIZE);
    setpositiontext();
}

Interface4_5::~Interface4_5() = default;

void Interface4_5::setpositiontext()
{
    placeWidgets(QStringList() << tr("序号") << tr("名称") << tr("时间") << tr("状态"), tr("|<"), tr(">|"));
}

void Interface4_5::getStatusRecordFile(norvale::OperateRecordFile* file)
{
    m_file = file;
}

void Interface4_5::setStatusName(char (*acdc)[32], char (*dcdc)[32], char (*sts)[32])
{
    m_dcacStatusName = acdc;
    m_dcdcStatusName = dcdc;
    m_stsStatusName = sts;
}

void Interface4_5::freshme()
{
    loadNewestFirst(m_file, m_records.get(), BUFFER_SIZE, listed);
    freshlabel();
}

void Interface4_5::rowText(int e, QString* name, QString* third, QString* fourth) const
{
    const OperateRecord& r = m_records[e];
    *name = showname(r.modules, r.oid);
    *third = " " + timeText(r.time);
    if (r.modules == 0)
        *fourth = QString();
    else
        *fourth = " " + QString::number(r.rdata, 'f', 2) + "-->" + QString::number(r.mdata, 'f', 2);
}

QString Interface4_5::showname(int code, int index)
{
    const QString ac = nameRow(m_dcacStatusName, NAME_ROWS, index);
    const QString dc = nameRow(m_dcdcStatusName, NAME_ROWS, index);
    if (code == 1100)
        return tr(" AC ") + " " + ac;
    if (code == 1200)
        return tr(" DC ") + " " + dc;
    if (code > 1100 && code < 1200)
        return tr(" AC Str.") + QString::number(code - 1100) + " " + ac;
    if (code > 1200 && code < 1300)
        return tr(" DC Str.") + QString::number(code - 1200) + " " + dc;
    if (code == 111)
        return tr("PCS") + " " + ac;
    if (code >= 100 && code < 200)
        return tr("AC #") + QString::number(code - 100) + " " + ac;
    if (code >= 200 && code < 300)
        return tr(" DC #") + QString::number(code - 200) + " " + dc;
    if (code >= 300 && code < 400)
        return tr(" STS") + " " + nameRow(m_stsStatusName, NAME_ROWS, index);
    if (code == 2000 && index == 0)
        return tr(" 监控初始化");
    return " ";
}
