#include "interface4_2.h"

#include <QLabel>
#include <QVBoxLayout>

INTERFACE4_2::INTERFACE4_2(QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("INTERFACE4_2", this), 0, Qt::AlignCenter);
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
