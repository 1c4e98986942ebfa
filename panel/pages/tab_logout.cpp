#include "tab_logout.h"
#include "ui_tab_logout.h"

#include "globalvar.h"
#include "interface4_1.h"
#include "interface4_2.h"
#include "interface4_5.h"
#include "plotcompat.h"
#include "timeseam.h"

#include <QDebug>
#include <QTabBar>

namespace {
// The curve shows ten hours; a sample every ten seconds.
const double kCurveWidth = 36000;
const int kSampleSeconds = 10;
// Past this many points the curve is cut back to the ten hours it shows (cutting it to the last
// 2048 seconds emptied most of the window about every eleven hours).
const int kMaxPoints = 4096;
const double kKeptSeconds = kCurveWidth;
}

Tab_Logout::Tab_Logout(QWidget* parent)
    : QTabWidget(parent)
    , ui(new Ui::Tab_Logout)
{
    ui->setupUi(this);
    tabBar()->hide();
    m_showtype = 0;

    ui->table_current->settile(QStringList() << tr("序号") << tr("名称") << tr("开始时间") << tr("结束时间"));
    ui->table_history->settile(QStringList() << tr("序号") << tr("名称") << tr("开始时间") << tr("结束时间"));
    ui->table_operation->settile(QStringList() << tr("序号") << tr("名称") << tr("开始时间") << tr("备注"));
    ui->table_stat->settile(QStringList() << tr("序号") << tr("名称") << tr("时间") << tr("状态"));

    connect(ui->btn_downall, SIGNAL(clicked()), this, SLOT(down_all()));
    connect(ui->btn_downhistory, SIGNAL(clicked()), this, SLOT(down_history()));
    connect(ui->btn_downstat, SIGNAL(clicked()), this, SLOT(down_stat()));
    connect(ui->btn_downoperation, SIGNAL(clicked()), this, SLOT(down_operation()));
    connect(ui->btn_downdata, SIGNAL(clicked()), this, SLOT(down_data()));
    connect(ui->btn_downac, SIGNAL(clicked()), this, SLOT(down_ac()));
    connect(ui->btn_downdc, SIGNAL(clicked()), this, SLOT(down_dc()));
    connect(ui->btn_downsts, SIGNAL(clicked()), this, SLOT(down_sts()));
    connect(ui->btn_clear, SIGNAL(clicked()), this, SLOT(clear()));

    setupPlot();

    // Slot k is the index by which the core reports the progress of that export.
    QWidget* const buttons[SLOTS] = { ui->btn_downall, ui->btn_downhistory, ui->btn_downstat, ui->btn_downoperation,
        ui->btn_downdata, ui->btn_downac, ui->btn_downdc, ui->btn_downsts, ui->btn_clear };
    QWidget* const labels[SLOTS] = { ui->label_downall, ui->label_downhistory, ui->label_downstat,
        ui->label_downoperation, ui->label_downdata, ui->label_downac, ui->label_downdc, ui->label_downsts,
        ui->label_clear };
    for (int k = 0; k < SLOTS; ++k) {
        m_slotButtons[k] = buttons[k];
        m_slotLabels[k] = labels[k];
    }
}

Tab_Logout::~Tab_Logout()
{
    delete ui;
}

void Tab_Logout::setupPlot()
{
    QCustomPlot* plot = ui->plot;
    plot->setInteractions(QCP::iSelectLegend | QCP::iSelectPlottables);
    plot->yAxis->setPadding(3);
    plot->yAxis->setLabel(tr("P(kW)"));
    plot->yAxis->setRange(-550, 550);
    plot->xAxis2->setVisible(true);
    plot->xAxis2->setTickLabels(false);
    plot->yAxis2->setVisible(true);
    plot->yAxis2->setTickLabels(false);
    plot->legend->setVisible(true);
    plot->legend->setBorderPen(QPen(QColor(0, 0, 0, 0)));
    plot->legend->setBrush(QBrush(QColor(255, 255, 255, 22)));

    QCPGraph* graph = plot->addGraph();
    graph->setPen(QPen(QColor(200, 0, 0)));
    graph->setName(tr("功率"));

    PlotCompat::setDateTimeTicks(plot->xAxis, "hh:mm");
    m_lastSample = TimeSeam::wallMs() / 1000.0;
    plot->xAxis->setRange(m_lastSample + 0.25, kCurveWidth, Qt::AlignRight);
}

INTERFACE4_1* Tab_Logout::getwarwidget() const
{
    return ui->waring;
}

INTERFACE4_2* Tab_Logout::getlogwidget() const
{
    return ui->wlog;
}

Interface4_5* Tab_Logout::getslogwidget() const
{
    return ui->slog;
}

void Tab_Logout::setshowtype(int type)
{
    m_showtype = type;
    if (type != 5)
        return;
    // Maintenance engineers (levels 1 and 2) are offered the export of everything only.
    const bool single = !(keyword_right == 1 || keyword_right == 2);
    for (int k = 1; k < SLOTS; ++k) {
        m_slotButtons[k]->setVisible(single);
        m_slotLabels[k]->setVisible(single);
    }
    m_slotButtons[0]->setVisible(true);
    m_slotLabels[0]->setVisible(true);
}

void Tab_Logout::fresh_current()
{
    switch (m_showtype) {
    case 0:
        ui->waring->freshme();
        break;
    case 1:
        ui->waring->freshhistory();
        break;
    case 2:
        ui->wlog->freshme();
        break;
    case 3:
        ui->slog->freshme();
        break;
    case 4: {
        QCustomPlot* plot = ui->plot;
        plot->xAxis->setRange(m_lastSample + 0.25, plot->xAxis->range().size(), Qt::AlignRight);
        plot->yAxis->rescale();
        plot->replot();
        break;
    }
    default:
        break;
    }
}

void Tab_Logout::fresh_power_data()
{
    const double t = TimeSeam::wallMs() / 1000.0;
    m_lastSample = t;
    if (static_cast<long long>(t) % kSampleSeconds != 0)
        return;
    QCPGraph* graph = ui->plot->graph(0);
    graph->addData(t, g_power[0]);
    if (PlotCompat::dataCount(graph) > kMaxPoints)
        PlotCompat::removeDataBefore(graph, t - kKeptSeconds);
}

void Tab_Logout::setPair(int slot, bool enabled)
{
    // The core reports slots 0..7; anything else names no button.
    if (slot < 0 || slot >= SLOTS)
        return;
    m_slotButtons[slot]->setEnabled(enabled);
    m_slotLabels[slot]->setEnabled(enabled);
}

void Tab_Logout::setStatus(const QString& line1, const QString& line2, const QString& line3)
{
    ui->label_2->setText(line1);
    ui->label_3->setText(line2);
    ui->label_4->setText(line3);
}

void Tab_Logout::fresh_down(int index, int type)
{
    switch (type) {
    case 6:
        setPair(0, true);
        setStatus(tr("扫描U盘...失败"), tr("请重新插入U盘..."), QString());
        break;
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 19:
    case 22:
        setPair(index, false);
        setStatus(tr("扫描文件...成功"), tr("扫描U盘...正常"), tr("拷贝至U盘...稍等"));
        break;
    case 21:
        setPair(index, true);
        setStatus(tr("扫描文件...失败"), tr("请重试..."), QString());
        break;
    case 13:
    case 14:
    case 15:
    case 16:
    case 17:
    case 18:
    case 20:
    case 23:
        setPair(index, true);
        if (isdownALLing != 1) {
            setStatus(tr("扫描文件...成功"), tr("扫描U盘...正常"), tr("拷贝至U盘...成功"));
        } else if (type == 18) {
            for (int k = 0; k < SLOTS; ++k)
                setPair(k, true);
            setStatus(tr("扫描文件...成功"), tr("扫描U盘...正常"), tr("拷贝至U盘...成功"));
            isdownALLing = 0;
        }
        break;
    default:
        break;
    }
}

void Tab_Logout::request(const char* word, int code)
{
    setStatus(QString(), QString(), QString());
    qDebug() << word;
    emit sendcommond(code);
}

void Tab_Logout::down_all()
{
    // At level 2 the core answers with the energy report alone, on slot 2, and never reports
    // the end of an export-all that would give this button back.
    if (keyword_right != 2)
        setPair(0, false);
    request("all", 6);
}

void Tab_Logout::down_history()
{
    request("history", 7);
}

void Tab_Logout::down_stat()
{
    request("stat", 8);
}

void Tab_Logout::down_operation()
{
    request("operation", 9);
}

void Tab_Logout::down_data()
{
    request("data", 10);
}

void Tab_Logout::down_ac()
{
    request("ac", 11);
}

void Tab_Logout::down_dc()
{
    request("dc", 12);
}

void Tab_Logout::down_sts()
{
    request("sts", 13);
}

void Tab_Logout::clear()
{
    setStatus(QString(), QString(), QString());
    qDebug() << "clear";
}
