#include "plotcompat.h"

#include <qcustomplot.h>

// 1.x has no version macro; 2.x defines QCUSTOMPLOT_VERSION.
#if defined(QCUSTOMPLOT_VERSION) && QCUSTOMPLOT_VERSION >= 0x020000
#define PLOTCOMPAT_2X 1
#else
#define PLOTCOMPAT_2X 0
#endif

void PlotCompat::setDateTimeTicks(QCPAxis* axis, const QString& format)
{
    if (!axis)
        return;
#if PLOTCOMPAT_2X
    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(format);
    axis->setTicker(ticker);
#else
    axis->setTickLabelType(QCPAxis::ltDateTime);
    axis->setDateTimeFormat(format);
#endif
}

int PlotCompat::dataCount(QCPGraph* graph)
{
    return graph ? graph->data()->size() : 0;
}

void PlotCompat::removeDataBefore(QCPGraph* graph, double key)
{
    if (!graph)
        return;
#if PLOTCOMPAT_2X
    graph->data()->removeBefore(key);
#else
    graph->removeDataBefore(key);
#endif
}

void PlotCompat::setTickVector(QCPAxis* axis, const QVector<double>& ticks, const QVector<QString>& labels)
{
    if (!axis)
        return;
#if PLOTCOMPAT_2X
    QSharedPointer<QCPAxisTickerText> ticker(new QCPAxisTickerText);
    ticker->setTicks(ticks, labels);
    axis->setTicker(ticker);
#else
    axis->setAutoTicks(false);
    axis->setAutoTickLabels(false);
    axis->setAutoTickStep(false);
    axis->setTickVector(ticks);
    axis->setTickVectorLabels(labels);
#endif
}
