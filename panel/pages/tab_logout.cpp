#include "tab_logout.h"

#include "globalvar.h"
#include "interface4_1.h"
#include "interface4_2.h"
#include "interface4_5.h"

#include <QLabel>
#include <QVBoxLayout>

Tab_Logout::Tab_Logout(QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    m_caption = new QLabel(this);
    m_progress = new QLabel(this);
    layout->addWidget(m_caption, 0, Qt::AlignCenter);
    layout->addWidget(m_progress, 0, Qt::AlignCenter);
    m_waring = new INTERFACE4_1(this);
    m_waring->setObjectName("waring");
    m_waring->hide();
    m_wlog = new INTERFACE4_2(this);
    m_wlog->setObjectName("wlog");
    m_wlog->hide();
    m_slog = new Interface4_5(this);
    m_slog->setObjectName("slog");
    m_slog->hide();
    setshowtype(0);
}

void Tab_Logout::setshowtype(int type)
{
    m_showtype = type;
    m_caption->setText(QString("Tab_Logout %1").arg(type));
}

void Tab_Logout::fresh_current()
{
}

void Tab_Logout::fresh_power_data()
{
}

void Tab_Logout::fresh_down(int id, int commond)
{
    if (commond == 18 && isdownALLing == 1) {
        // The end of an export of everything; the data thread waits for this to copy again.
        m_progress->setText(tr("扫描文件...成功") + "\n" + tr("扫描U盘...正常") + "\n" + tr("拷贝至U盘...成功"));
        isdownALLing = 0;
        return;
    }
    m_progress->setText(QString("%1 %2").arg(id).arg(commond));
}
