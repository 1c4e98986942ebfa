#include "interface4_1.h"

#include <QLabel>
#include <QVBoxLayout>

INTERFACE4_1::INTERFACE4_1(QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("INTERFACE4_1", this), 0, Qt::AlignCenter);
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
