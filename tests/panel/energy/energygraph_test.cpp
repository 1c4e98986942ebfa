#include "energygraph.h"
#include "globalvar.h"
#include "plotcompat.h"
#include "interface_energy.h"
#include "runtimetree.h"
#include "timeseam.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QMap>
#include <math.h>
#include <qcustomplot.h>

namespace {

// 2026-03-01 00:00:00 UTC, a whole minute.
const time_t kMidnight = 1772323200;

class GraphTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TimeSeam::useFakeClock(true);
        TimeSeam::setWallTime(kMidnight + 30);
        for (Relaxed<float>& v : plot_data)
            v = 0;
        page.reset(new EnergyGraph);
        plot = page->findChild<QCustomPlot*>("customPlot");
    }
    void TearDown() override
    {
        page.reset();
        TimeSeam::useFakeClock(false);
    }
    // One second tick at time t.
    void tickAt(time_t t)
    {
        TimeSeam::setWallTime(t);
        page->freshData();
    }
    QCPAxis* bottom(int rect) { return plot->axisRects().at(rect)->axis(QCPAxis::atBottom); }
    RuntimeTree tree{ true };
    std::unique_ptr<EnergyGraph> page;
    QCustomPlot* plot = nullptr;
};

} // namespace

TEST_F(GraphTest, BeforeTheFirstSampleTheAxesShowTheLastMinute)
{
    ASSERT_EQ(plot->axisRects().size(), 2);
    ASSERT_EQ(plot->graphCount(), 4);
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(bottom(r)->range().lower, double(kMidnight + 30 - 60));
        EXPECT_EQ(bottom(r)->range().upper, double(kMidnight + 30));
    }
    EXPECT_EQ(plot->graph(3)->keyAxis()->axisRect(), plot->axisRects().at(1));
    EXPECT_EQ(plot->graph(0)->pen().color(), QColor(255, 0, 0));
    EXPECT_EQ(plot->graph(3)->pen().color(), QColor(255, 0, 255));
}

TEST_F(GraphTest, SamplesTheLiveValuesOnTheWholeMinuteOnly)
{
    plot_data[0] = 10;
    plot_data[1] = 99;   // not drawn
    plot_data[2] = -20;
    plot_data[3] = 30;
    plot_data[4] = 55;
    tickAt(kMidnight + 59);
    tickAt(kMidnight + 61);   // the tick missed the whole minute: no point for it
    EXPECT_EQ(plot->graph(0)->data()->size(), 0);
    tickAt(kMidnight + 120);
    const float expected[4] = { 10, -20, 30, 55 };
    for (int g = 0; g < 4; ++g) {
        ASSERT_EQ(plot->graph(g)->data()->size(), 1) << g;
        EXPECT_EQ(plot->graph(g)->data()->begin()->key, double(kMidnight + 120)) << g;
        EXPECT_EQ(plot->graph(g)->data()->begin()->value, expected[g]) << g;
    }
}

TEST_F(GraphTest, PastTwoThousandPointsTheCurvesKeepTheLastDay)
{
    time_t t = kMidnight;
    for (int i = 0; i < 2000; ++i, t += 60)
        tickAt(t);
    EXPECT_EQ(plot->graph(0)->data()->size(), 2000);
    tickAt(t);   // sample 2001
    for (int g = 0; g < 4; ++g) {
        EXPECT_EQ(plot->graph(g)->data()->size(), 1441) << g;
        EXPECT_EQ(plot->graph(g)->data()->begin()->key, double(t - 86400)) << g;
    }
}

TEST_F(GraphTest, TheViewFollowsTheDataThreeSecondsAfterASample)
{
    for (int i = 0; i < 240; ++i) {
        plot_data[0] = float(50 * sin(i / 30.0));
        plot_data[2] = float(20 + 10 * cos(i / 20.0));
        plot_data[3] = 25;
        plot_data[4] = float(40 + i / 8.0);
        tickAt(kMidnight + 60 * i);
    }
    const time_t last = kMidnight + 60 * 239;
    TimeSeam::setWallTime(last + 2);
    page->freshme();
    EXPECT_EQ(bottom(0)->range().upper, double(kMidnight + 30));   // not yet
    TimeSeam::setWallTime(last + 3);
    page->freshme();
    EXPECT_EQ(bottom(0)->range().lower, double(kMidnight));
    EXPECT_EQ(bottom(0)->range().upper, double(last));
    EXPECT_EQ(bottom(1)->range(), bottom(0)->range());
    saveArtifact(page.get(), "energy_graph.png");
}

TEST_F(GraphTest, DisplayChoiceOnlyEnablesTheDateSelectors)
{
    QComboBox* by = page->findChild<QComboBox*>("comboBox");
    QComboBox* monthBox = page->findChild<QComboBox*>("comboBox_3");
    QComboBox* dayBox = page->findChild<QComboBox*>("comboBox_4");
    EXPECT_EQ(page->findChild<QComboBox*>("comboBox_2")->count(), 20);
    tickAt(kMidnight);
    const struct { int index; bool month; bool day; } cases[] = { { 0, false, false }, { 1, true, false }, { 2, true, true } };
    for (const auto& c : cases) {
        emit by->activated(c.index);
        EXPECT_EQ(page->displayChoice(), c.index);
        EXPECT_EQ(monthBox->isEnabled(), c.month) << c.index;
        EXPECT_EQ(dayBox->isEnabled(), c.day) << c.index;
    }
    emit page->findChild<QComboBox*>("comboBox_2")->activated(3);
    emit monthBox->activated(11);
    emit dayBox->activated(30);
    EXPECT_EQ(page->shownYear(), 2020);
    EXPECT_EQ(page->shownMonth(), 12);
    EXPECT_EQ(page->shownDay(), 31);
    EXPECT_EQ(plot->graph(0)->data()->size(), 1);
}

TEST_F(GraphTest, TheEnergyPageFeedsItsCurveTab)
{
    interface_Energy energy;
    EnergyGraph* graph = energy.findChild<EnergyGraph*>();
    ASSERT_NE(graph, nullptr);
    QCustomPlot* curves = graph->findChild<QCustomPlot*>("customPlot");
    plot_data[0] = 7;
    TimeSeam::setWallTime(kMidnight + 600);
    energy.freshPlot();
    ASSERT_EQ(curves->graph(0)->data()->size(), 1);
    EXPECT_EQ(curves->graph(0)->data()->begin()->value, 7.0);
    // The view follows only while its tab is shown.
    TimeSeam::setWallTime(kMidnight + 603);
    energy.freshme();
    EXPECT_EQ(curves->axisRects().at(0)->axis(QCPAxis::atBottom)->range().upper, double(kMidnight + 30));
    energy.change_sub_interface(6);
    energy.freshme();
    // A single point: the range is centred on it.
    EXPECT_EQ(curves->axisRects().at(0)->axis(QCPAxis::atBottom)->range().center(), double(kMidnight + 600));
}

// Each tick of the time axes stands on a whole minute and labels a minute of its own, however
// many samples the view spans ("08:05" once, not three times); only a view of a day or more
// shows a clock time twice, a day apart.
TEST_F(GraphTest, TimeTicksLabelEachMinuteOnce)
{
    struct Case {
        const char* name;
        int samples;   // one a minute; 0: the view before the first sample
    };
    const Case cases[] = { { "before the first sample", 0 }, { "one sample", 1 }, { "two samples", 2 },
        { "three samples", 3 }, { "ten samples", 10 }, { "two hours", 120 }, { "a day", 1441 } };
    for (const Case& c : cases) {
        page.reset(new EnergyGraph);
        plot = page->findChild<QCustomPlot*>("customPlot");
        time_t last = kMidnight + 30;
        for (int i = 0; i < c.samples; ++i) {
            plot_data[0] = float(i % 7);
            plot_data[4] = float(50 + i % 3);
            last = kMidnight + 60 * i;
            tickAt(last);
        }
        if (c.samples > 0) {
            TimeSeam::setWallTime(last + 3);
            page->freshme();
        }
        for (int r = 0; r < 2; ++r) {
            QVector<QString> labels;
            const QVector<double> ticks = PlotCompat::tickPositions(bottom(r), &labels);
            ASSERT_FALSE(ticks.isEmpty()) << c.name << ", rect " << r;
            QMap<QString, double> seen;
            for (int i = 0; i < ticks.size(); ++i) {
                EXPECT_EQ(fmod(ticks[i], 60.0), 0.0) << c.name << ": tick " << ticks[i] << " off the minute";
                // The same clock time comes back only a day later.
                if (seen.contains(labels[i])) {
                    EXPECT_GE(ticks[i] - seen.value(labels[i]), 86400.0)
                        << c.name << ": \"" << qPrintable(labels[i]) << "\" twice";
                }
                seen.insert(labels[i], ticks[i]);
            }
        }
    }
}

// Any view from a minute to beyond a day: ticks on whole minutes, a clock time labelled once a day.
TEST_F(GraphTest, TimeTicksOnWholeMinutesForAnySpan)
{
    QCPAxis* axis = bottom(0);
    for (double span = 60; span < 40 * 3600; span *= 1.17) {
        const double lower = double(kMidnight) + 37 + span / 3;
        axis->setRange(lower, lower + span);
        QVector<QString> labels;
        const QVector<double> ticks = PlotCompat::tickPositions(axis, &labels);
        QMap<QString, double> seen;
        for (int i = 0; i < ticks.size(); ++i) {
            EXPECT_EQ(fmod(ticks[i], 60.0), 0.0) << "span " << span << ": tick " << ticks[i];
            if (seen.contains(labels[i])) {
                EXPECT_GE(ticks[i] - seen.value(labels[i]), 86400.0) << "span " << span << ": " << qPrintable(labels[i]);
            }
            seen.insert(labels[i], ticks[i]);
        }
    }
}

TEST(MinuteTickStep, WholeMinutesForAboutTheWantedTicks)
{
    const struct {
        double span;
        double step;
    } cases[] = { { 0, 60 }, { 60, 60 }, { 120, 60 }, { 600, 120 }, { 3600, 900 }, { 7200, 1800 },
        { 86400, 21600 }, { 33 * 3600, 43200 }, { 10 * 86400, 86400 } };
    for (const auto& c : cases)
        EXPECT_EQ(PlotCompat::minuteTickStep(c.span, 5), c.step) << c.span;
}

// A date selector the display choice leaves off looks off: no green border or arrow.
TEST_F(GraphTest, SelectorsLeftOffLookOff)
{
    auto green = [](QWidget* w) {
        const QImage img = w->grab().toImage();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                n += qGreen(c) - qMax(qRed(c), qBlue(c)) > 60;
            }
        return n;
    };
    page->show();
    QComboBox* by = page->findChild<QComboBox*>("comboBox");
    QComboBox* monthBox = page->findChild<QComboBox*>("comboBox_3");
    emit by->activated(2);
    EXPECT_GT(green(monthBox), 20);
    emit by->activated(0);
    EXPECT_EQ(green(monthBox), 0);
}
