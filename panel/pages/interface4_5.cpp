#include "interface4_5.h"

#include <QLabel>
#include <QVBoxLayout>

Interface4_5::Interface4_5(QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Interface4_5", this), 0, Qt::AlignCenter);
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
