#include "minitab.h"

#include "alarmrecordfile.h"
#include "chargerfault.h"
#include "nametables.h"

#include <QFont>
#include <QPainter>

#include <string.h>

char (*MiniTab::m_dcacAlarmName)[32] = nullptr;
char (*MiniTab::m_dcdcAlarmName)[32] = nullptr;
char (*MiniTab::m_stsAlarmName)[32] = nullptr;

namespace {
const int kRecords = 6500;

QString row(char (*table)[32], int index)
{
    if (!table || index < 0 || index >= NAME_ROWS)
        return QString();
    return QString::fromUtf8(table[index], int(strnlen(table[index], 32)));
}
}

MiniTab::MiniTab(QWidget* parent)
    : QWidget(parent)
{
    resize(400, 300);
    setWindowTitle("Form");
}

MiniTab::~MiniTab() = default;

void MiniTab::settile(const QStringList& titles)
{
    m_titles = titles;
}

void MiniTab::setChargerFaultFile(norvale::AlarmRecordFile* file)
{
    m_file = file;
}

void MiniTab::setAlarmName(char (*acdc)[32], char (*dcdc)[32], char (*sts)[32])
{
    m_dcacAlarmName = acdc;
    m_dcdcAlarmName = dcdc;
    m_stsAlarmName = sts;
}

void MiniTab::freshHistory()
{
    m_records.assign(kRecords, ChargerFault());
    memset(m_records.data(), 0, sizeof(ChargerFault) * kRecords);
    int kept = 0;
    const int n = m_file ? m_file->size() : 0;
    for (int i = n - 1; i >= 0 && kept < kRecords; --i) {
        ChargerFault f;
        if (m_file->get(i, &f) && !f.active)
            m_records[kept++] = f;
    }
}

QString MiniTab::showname(int code, int index) const
{
    const QString ac = row(m_dcacAlarmName, index);
    const QString dc = row(m_dcdcAlarmName, index);
    if (code == 1100)
        return tr("AC ") + " " + ac;
    if (code == 1200)
        return tr("DC ") + " " + dc;
    if (code > 1100 && code < 1200)
        return tr("AC Sys") + QString::number(code - 1100) + " " + ac;
    if (code > 1200 && code < 1300)
        return tr("DC Sys") + QString::number(code - 1200) + " " + dc;
    if (code >= 100 && code < 200)
        return tr("AC #") + QString::number(code - 100) + " " + ac;
    if (code >= 200 && code < 300)
        return tr("DC #") + QString::number(code - 200) + " " + dc;
    if (code >= 300 && code < 400)
        return tr("STS") + " " + row(m_stsAlarmName, index);
    return " ";
}

void MiniTab::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QFont font = p.font();
    font.setPointSize(13);
    p.setFont(font);

    p.setPen(QColor(200, 200, 200));
    for (int x : { 40, 90, 320, 470, 620 })
        p.drawLine(x, 7, x, 413);
    for (int k = 0; k < 15; ++k)
        p.drawLine(40, 7 + 29 * k, 620, 7 + 29 * k);

    p.setPen(Qt::black);
    const int titleX[4] = { 45, 200, 360, 530 };
    for (int c = 0; c < 4 && c < m_titles.size(); ++c)
        p.drawText(titleX[c], 29, m_titles.at(c));
    for (int r = 0; r < 13; ++r) {
        const int y = 58 + 29 * r;
        p.drawText(60, y, QString::number((m_page - 1) * 13 + r));
        p.drawText(100, y, "1");
        p.drawText(330, y, "1");
        p.drawText(480, y, "1");
    }
}
