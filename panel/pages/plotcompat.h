#ifndef PLOTCOMPAT_H
#define PLOTCOMPAT_H

#include <QString>
#include <QVector>

class QCPAxis;
class QCPGraph;

// The few QCustomPlot calls whose form differs between the board's 1.x and the 2.x built here;
// every page that plots goes through these instead of calling either form itself.
class PlotCompat {
public:
    // Date-time tick labels in the given format (for example "hh:mm"); a format without seconds
    // gets ticks on whole minutes, each minute labelled once.
    static void setDateTimeTicks(QCPAxis* axis, const QString& format);
    // The tick step in seconds for a time axis of span seconds with about ticks ticks: whole
    // minutes (1, 2, 5, 10, 15, 20, 30 min, 1, 2, 3, 4, 6, 12 h, a day).
    static double minuteTickStep(double span, int ticks);
    // The ticks the axis shows over its present range, and their labels when labels is given.
    static QVector<double> tickPositions(QCPAxis* axis, QVector<QString>* labels = nullptr);
    // Number of points the graph holds.
    static int dataCount(QCPGraph* graph);
    // Drops every point whose key is below key.
    static void removeDataBefore(QCPGraph* graph, double key);
    // Ticks at the given positions with the given labels only (no automatic ticks or step).
    static void setTickVector(QCPAxis* axis, const QVector<double>& ticks, const QVector<QString>& labels);
};

#endif
