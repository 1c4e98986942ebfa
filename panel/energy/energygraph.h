#ifndef ENERGYGRAPH_H
#define ENERGYGRAPH_H

#include <QWidget>

class QComboBox;
class QCPAxisRect;
class QCPGraph;
class QCustomPlot;
class QLabel;

// The day's power curves: PCS, grid and load power above, the state of charge below, one
// sample a minute from plot_data, kept for the last 24 hours.
class EnergyGraph : public QWidget {
    Q_OBJECT
public:
    enum { MAX_POINTS = 2000, DAY_SECONDS = 86400 };
    explicit EnergyGraph(QWidget* parent = nullptr);

    void init();
    // The sampling tick, every second whatever is shown.
    void freshData();
    // The display tick, every second while the page is shown.
    void freshme();

    int displayChoice() const { return choice; }
    int shownYear() const { return year; }
    int shownMonth() const { return month; }
    int shownDay() const { return day; }

private slots:
    void on_comboBox_activated(int index);
    void on_comboBox_2_activated(int index);
    void on_comboBox_3_activated(int index);
    void on_comboBox_4_activated(int index);

private:
    void setupUi();

    QCustomPlot* customPlot = nullptr;
    QComboBox* comboBox = nullptr;
    QComboBox* comboBox_2 = nullptr;
    QComboBox* comboBox_3 = nullptr;
    QComboBox* comboBox_4 = nullptr;
    QCPAxisRect* upperRect = nullptr;
    QCPAxisRect* lowerRect = nullptr;
    QCPGraph* pcsGraph = nullptr;
    QCPGraph* gridGraph = nullptr;
    QCPGraph* loadGraph = nullptr;
    QCPGraph* socGraph = nullptr;
    int choice = 0;
    int year = 2017;
    int month = 1;
    int day = 1;
};

#endif
