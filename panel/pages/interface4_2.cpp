#include "interface4_2.h"

#include "nametables.h"
#include "operaterecord.h"
#include "operaterecordfile.h"

#include <string.h>

char (*INTERFACE4_2::m_dcacConfigName)[48] = nullptr;
char (*INTERFACE4_2::m_dcdcConfigName)[48] = nullptr;
char (*INTERFACE4_2::m_stsConfigName)[48] = nullptr;

namespace {
bool listed(int code)
{
    return (code >= 1100 && code <= 1599) || (code >= 3000 && code <= 3219);
}
}

INTERFACE4_2::INTERFACE4_2(QWidget* parent)
    : RecordListPage(parent)
    , m_records(new OperateRecord[BUFFER_SIZE])
{
    memset(m_records.get(), 0, sizeof(OperateRecord) * BUFFER_SIZE);
    setpositiontext();
}

INTERFACE4_2::~INTERFACE4_2() = default;

void INTERFACE4_2::setpositiontext()
{
    placeWidgets(QStringList() << tr("序号") << tr("名称") << tr("时间") << tr("操作"), tr("|<"), tr(">|"));
}

void INTERFACE4_2::setOperateRecordFile(norvale::OperateRecordFile* file)
{
    m_file = file;
}

void INTERFACE4_2::setConfigName(char (*acdc)[48], char (*dcdc)[48], char (*sts)[48])
{
    m_dcacConfigName = acdc;
    m_dcdcConfigName = dcdc;
    m_stsConfigName = sts;
}

void INTERFACE4_2::freshme()
{
    loadNewestFirst(m_file, m_records.get(), BUFFER_SIZE, listed);
    freshlabel();
}

void INTERFACE4_2::rowText(int e, QString* name, QString* third, QString* fourth) const
{
    const OperateRecord& r = m_records[e];
    *name = showname(r.modules, r.oid);
    *third = " " + timeText(r.time);
    *fourth = operationText(r);
}

QString INTERFACE4_2::showname(int code, int index)
{
    const QString ac = nameRow(m_dcacConfigName, DCAC_CONFIG_ROWS, index);
    const QString dc = nameRow(m_dcdcConfigName, DCDC_CONFIG_ROWS, index);
    const QString sts = nameRow(m_stsConfigName, STS_CONFIG_ROWS, index);
    // The dispatch set-point kinds of the branch commands.
    QString dispatch;
    if (index == 1000)
        dispatch = tr("直流功率设置");
    else if (index == 1001)
        dispatch = tr("直流电流设置");
    else if (index == 1002)
        dispatch = tr("支路有功设置");

    if (code == 1100)
        return tr(" AC ") + " " + ac;
    if (code == 1200)
        return tr(" DC ") + " " + dc;
    if (code == 1300)
        return tr(" STS") + " " + sts;
    if (code > 1100 && code < 1200)
        return tr(" AC Str.") + QString::number(code - 1100) + " " + ac;
    if (code > 1200 && code < 1300)
        return tr(" DC Str.") + QString::number(code - 1200) + " " + dc;
    if (code == 1520)
        return tr(" AC ") + " " + ac;
    if (code == 1521)
        return tr(" AC ") + " " + tr("紧急功率启动");
    if (code == 1530)
        return tr(" AC ") + " " + dispatch;
    if (code > 1530 && code < 1540)
        return tr(" AC Str.") + QString::number(code - 1530) + " " + dispatch;
    if (code == 1540)
        return tr(" DC ") + " " + dispatch;
    if (code > 1540 && code < 1550)
        return tr(" DC Str.") + QString::number(code - 1540) + " " + dispatch;
    if (code > 1500 && code < 1600)
        return QString();
    if (code == 111)
        return tr("PCS") + " " + ac;
    if (code >= 100 && code < 200)
        return tr("AC #") + QString::number(code - 100) + " " + ac;
    if (code >= 200 && code < 300)
        return tr(" DC #") + QString::number(code - 200) + " " + dc;
    if (code >= 300 && code < 400)
        return tr("STS") + " " + sts;
    if (code >= 3000 && code < 3100)
        return tr(" AC Str.") + QString::number(code - 3000) + " " + tr("唤醒充电");
    if (code == 3100)
        return tr("后台TCP超时关机");
    if (code == 3101)
        return tr("后台485超时关机");
    if (code >= 3200 && code <= 3210)
        return tr(" DC Str.") + QString::number(code - 3200) + " " + tr("强充");
    if (code >= 3211 && code <= 3220)
        return tr(" AC Str.") + QString::number(code - 3210) + " " + tr("强充");
    return QString();
}

QString INTERFACE4_2::operationText(const OperateRecord& r)
{
    if (r.modules == 0)
        return QString();
    if (r.modules > 1500 && r.modules < 1600) {
        // Branch dispatch commands show only the direction; for the power factor 100 means 1.
        auto sign = [&r](double v) -> QString {
            if (r.oid == 85) {
                if (v == 100)
                    return tr("1");
                if (v > 0)
                    return tr("+");
                if (v < 0)
                    return tr("-");
                return QString();
            }
            if (v > 0)
                return tr("+");
            if (v < 0)
                return tr("-");
            return tr("0");
        };
        return " " + sign(r.rdata) + ">>" + sign(r.mdata);
    }
    const int decimals = (r.modules == 1100 && (r.oid == 88 || r.oid == 100)) ? 3 : 2;
    return " " + QString::number(r.rdata, 'f', decimals) + "-->" + QString::number(r.mdata, 'f', decimals);
}
