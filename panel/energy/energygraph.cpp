#include "energygraph.h"
#include "combobox.h"
#include "globalvar.h"
#include "plotcompat.h"
#include "timeseam.h"

#include <QLabel>
#include <qcustomplot.h>

EnergyGraph::EnergyGraph(QWidget* parent)
    : QWidget(parent)
{
    setupUi();
    init();
    QMetaObject::connectSlotsByName(this);
}

void EnergyGraph::setupUi()
{
    setObjectName("EnergyGraph");
    resize(799, 520);
    setWindowTitle("Form");
    setStyleSheet("QComboBox{border:1px solid rgb(0,185,89);border-radius:0px;padding:1px 2px 1px 6px;}"
                  "QComboBox::drop-down{subcontrol-origin:padding;subcontrol-position:top right;width:20px;"
                  "background:rgb(0,165,80);border-left:1px solid darkgray;}"
                  "QComboBox QAbstractItemView::item{height:30px;}"
                  // A selector the display choice leaves off looks off.
                  "QComboBox:disabled{color:#6e6e6e;background:#e4e4e4;border:1px dashed #a0a0a0;}"
                  "QComboBox::drop-down:disabled{background:#c4c4c4;border-left-color:#a0a0a0;}");
    customPlot = new QCustomPlot(this);
    customPlot->setObjectName("customPlot");
    customPlot->setGeometry(10, 10, 661, 431);
    struct Legend {
        const char* name;
        QString text;
        QRect geometry;
        const char* colour;
    };
    const Legend legends[] = {
        { "label", tr("——PCS功率(kW)"), QRect(520, 10, 131, 20), "rgb(255, 0, 0)" },
        { "label_3", tr("——电网功率(kW)"), QRect(520, 40, 131, 20), "rgb(0, 0, 255)" },
        { "label_4", tr("——负载功率(kW)"), QRect(520, 70, 131, 20), "rgb(0, 0, 0)" },
        { "label_5", tr("——SOC(%)"), QRect(550, 290, 101, 17), "rgb(255, 0, 255)" },
    };
    // The legends lie on the plot, so they are the plot's children rather than its siblings.
    for (const Legend& l : legends) {
        QLabel* label = new QLabel(l.text, customPlot);
        label->setObjectName(l.name);
        label->setGeometry(l.geometry.translated(-customPlot->pos()));
        label->setStyleSheet(QString("color: %1;").arg(l.colour));
    }
    // The date pickers right under the plot: lower down they fell off the visible page.
    comboBox = new ComboBox(this);
    comboBox->setObjectName("comboBox");
    comboBox->setGeometry(0, 445, 101, 30);
    comboBox->addItems({ tr("按年显示"), tr("按月显示"), tr("按日显示") });
    comboBox_2 = new ComboBox(this);
    comboBox_2->setObjectName("comboBox_2");
    comboBox_2->setGeometry(102, 445, 78, 30);
    for (int y = 2017; y <= 2036; ++y)
        comboBox_2->addItem(QString::number(y));
    comboBox_3 = new ComboBox(this);
    comboBox_3->setObjectName("comboBox_3");
    // Wide enough for the longest month name in English ("September").
    comboBox_3->setGeometry(181, 445, 100, 30);
    static const char* const months[12] = { QT_TR_NOOP("1月"), QT_TR_NOOP("2月"), QT_TR_NOOP("3月"), QT_TR_NOOP("4月"),
        QT_TR_NOOP("5月"), QT_TR_NOOP("6月"), QT_TR_NOOP("7月"), QT_TR_NOOP("8月"), QT_TR_NOOP("9月"), QT_TR_NOOP("10月"),
        QT_TR_NOOP("11月"), QT_TR_NOOP("12月") };
    for (const char* m : months)
        comboBox_3->addItem(tr(m));
    comboBox_4 = new ComboBox(this);
    comboBox_4->setObjectName("comboBox_4");
    comboBox_4->setGeometry(282, 445, 78, 30);
    for (int d = 1; d <= 31; ++d)
        comboBox_4->addItem(QString::number(d));
}

void EnergyGraph::init()
{
    customPlot->setBackground(QBrush(QColor(230, 245, 238)));
    customPlot->plotLayout()->clear();
    upperRect = new QCPAxisRect(customPlot);
    customPlot->plotLayout()->addElement(0, 0, upperRect);
    upperRect->axis(QCPAxis::atRight)->setTickLabels(true);
    QCPLayoutGrid* lowerGrid = new QCPLayoutGrid;
    customPlot->plotLayout()->addElement(1, 0, lowerGrid);
    lowerRect = new QCPAxisRect(customPlot);
    lowerGrid->addElement(0, 0, lowerRect);
    lowerRect->axis(QCPAxis::atBottom)->grid()->setVisible(false);
    customPlot->plotLayout()->setRowStretchFactor(1, 0.6);

    auto graph = [this](QCPAxisRect* rect, const QColor& colour) {
        QCPGraph* g = customPlot->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        g->setPen(QPen(colour));
        return g;
    };
    pcsGraph = graph(upperRect, QColor(255, 0, 0));
    gridGraph = graph(upperRect, QColor(0, 0, 255));
    loadGraph = graph(upperRect, QColor(0, 0, 0));
    socGraph = graph(lowerRect, QColor(255, 0, 255));
    socGraph->setBrush(QBrush(QColor(255, 161, 0, 50)));

    const double now = double(TimeSeam::wallTime());
    for (QCPAxisRect* rect : { upperRect, lowerRect }) {
        QCPAxis* bottom = rect->axis(QCPAxis::atBottom);
        PlotCompat::setDateTimeTicks(bottom, "hh:mm");
        bottom->setRange(now - 60, now);
    }
}

void EnergyGraph::freshData()
{
    const time_t t = TimeSeam::wallTime();
    if (t % 60 != 0)
        return;
    const double key = double(t);
    pcsGraph->addData(key, plot_data[0]);
    gridGraph->addData(key, plot_data[2]);
    loadGraph->addData(key, plot_data[3]);
    socGraph->addData(key, plot_data[4]);
    if (PlotCompat::dataCount(pcsGraph) > MAX_POINTS) {
        for (QCPGraph* g : { pcsGraph, gridGraph, loadGraph, socGraph })
            PlotCompat::removeDataBefore(g, key - DAY_SECONDS);
    }
}

void EnergyGraph::freshme()
{
    // Three seconds after a sample, so the new point is in.
    if (TimeSeam::wallTime() % 60 != 3)
        return;
    customPlot->rescaleAxes();
    lowerRect->axis(QCPAxis::atBottom)->setRange(upperRect->axis(QCPAxis::atBottom)->range());
    customPlot->replot();
}

void EnergyGraph::on_comboBox_activated(int index)
{
    choice = index;
    comboBox_3->setEnabled(index >= 1);
    comboBox_4->setEnabled(index >= 2);
}

void EnergyGraph::on_comboBox_2_activated(int index)
{
    year = 2017 + index;
}

void EnergyGraph::on_comboBox_3_activated(int index)
{
    month = index + 1;
}

void EnergyGraph::on_comboBox_4_activated(int index)
{
    day = index + 1;
}
