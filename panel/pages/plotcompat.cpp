#include "plotcompat.h"

#include <qcustomplot.h>

// 1.x has no version macro; 2.x defines QCUSTOMPLOT_VERSION.
#if defined(QCUSTOMPLOT_VERSION) && QCUSTOMPLOT_VERSION >= 0x020000
#define PLOTCOMPAT_2X 1
#else
#define PLOTCOMPAT_2X 0
#endif

namespace {

// Labels without seconds need ticks a whole number of minutes apart, or one minute is labelled
// several times over ("08:05 08:05 08:05").
bool showsSeconds(const QString& format)
{
    return format.contains(QLatin1Char('s'));
}

#if PLOTCOMPAT_2X
class MinuteTicker : public QCPAxisTickerDateTime {
protected:
    double getTickStep(const QCPRange& range) override
    {
        const double automatic = QCPAxisTickerDateTime::getTickStep(range);
        if (automatic >= 86400)
            return automatic;   // days and months keep the date-time ticker's own steps
        // At least the automatic step, rounded up to whole minutes.
        return PlotCompat::minuteTickStep(qMax(range.size(), automatic * tickCount()), tickCount());
    }
};
#endif

} // namespace

double PlotCompat::minuteTickStep(double span, int ticks)
{
    static const int kMinutes[] = { 1, 2, 5, 10, 15, 20, 30, 60, 120, 180, 240, 360, 720, 1440 };
    const double wanted = span / qMax(1, ticks);
    for (int m : kMinutes)
        if (m * 60.0 >= wanted)
            return m * 60.0;
    return 86400.0;
}

void PlotCompat::setDateTimeTicks(QCPAxis* axis, const QString& format)
{
    if (!axis)
        return;
#if PLOTCOMPAT_2X
    QSharedPointer<QCPAxisTickerDateTime> ticker(showsSeconds(format) ? new QCPAxisTickerDateTime : new MinuteTicker);
    ticker->setDateTimeFormat(format);
    axis->setTicker(ticker);
#else
    axis->setTickLabelType(QCPAxis::ltDateTime);
    axis->setDateTimeFormat(format);
    if (!showsSeconds(format)) {
        // 1.x steps ticks from 0, the epoch, a whole minute: a step of whole minutes keeps them there.
        QObject::connect(axis, static_cast<void (QCPAxis::*)(const QCPRange&)>(&QCPAxis::rangeChanged), axis,
            [axis](const QCPRange& range) {
                axis->setAutoTickStep(false);
                axis->setTickStep(PlotCompat::minuteTickStep(range.size(), 5));
            });
        axis->setAutoTickStep(false);
        axis->setTickStep(minuteTickStep(axis->range().size(), 5));
    }
#endif
}

QVector<double> PlotCompat::tickPositions(QCPAxis* axis, QVector<QString>* labels)
{
    QVector<double> ticks;
    if (!axis)
        return ticks;
#if PLOTCOMPAT_2X
    axis->ticker()->generate(axis->range(), QLocale::c(), QLatin1Char('g'), 6, ticks, nullptr, labels);
#else
    ticks = axis->tickVector();
    if (labels)
        *labels = axis->tickVectorLabels();
#endif
    return ticks;
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
