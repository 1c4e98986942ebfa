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
    // Date-time tick labels in the given format (for example "hh:mm").
    static void setDateTimeTicks(QCPAxis* axis, const QString& format);
    // Number of points the graph holds.
    static int dataCount(QCPGraph* graph);
    // Drops every point whose key is below key.
    static void removeDataBefore(QCPGraph* graph, double key);
    // Ticks at the given positions with the given labels only (no automatic ticks or step).
    static void setTickVector(QCPAxis* axis, const QVector<double>& ticks, const QVector<QString>& labels);
};

#endif
