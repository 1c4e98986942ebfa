#include "interface_spa.h"
#include "interface_tlm.h"

#include "fakedevice.h"
#include "globalvar.h"
#include "nametables.h"
#include "paintrecorder.h"
#include "runtimetree.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QRadioButton>
#include <cstring>
#include <qcustomplot.h>
#include <tuple>
#include <vector>

namespace {

// The energy store is a seam: the test answers each dated read and records what was asked.
class TlmPage : public interface_Tlm {
public:
    void setViews(DeviceData* acdc, DeviceData* sts)
    {
        m_acdcData = acdc;
        m_stsData = sts;
        m_ready = true;
    }
    QCustomPlot* plot() { return findChild<QCustomPlot*>("customPlot"); }
    QCPBars* bars(int i) { return qobject_cast<QCPBars*>(plot()->plottable(1 + i)); }
    QCPGraph* income() { return plot()->graph(0); }
    std::vector<double> values(QCPBars* b)
    {
        std::vector<double> out;
        for (auto it = b->data()->constBegin(); it != b->data()->constEnd(); ++it)
            out.push_back(it->value);
        return out;
    }

    // which, year, month, day, half-hour
    std::vector<std::tuple<int, int, int, int, int>> asked;
    // A read whose last number (k) is listed here fails.
    std::vector<int> failing;
    int rebuilds = 0;

protected:
    int readEnergy(int which, int year, int month, int day, int halfHour, float* out) override
    {
        asked.emplace_back(which, year, month, day, halfHour);
        const int k = halfHour ? halfHour : day ? day : month;
        for (int f : failing)
            if (f == k) {
                *out = 999;
                return -1;
            }
        *out = float(100 * which + k);
        return 0;
    }
};

class TlmTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillStates(dcacstate, 60, 0);
        clearNameTables();
        for (int r = 0; r < UI_DATA_ROWS; ++r) {
            uiDataInfo[r].index = 500 + r;
            uiDataInfo[r].decimals = 1;
        }
        page.resize(796, 480);
    }
    QComboBox* combo(const char* name) { return page.findChild<QComboBox*>(name); }

    RuntimeTree tree { true };
    FakeDevice ac, sts;
    TlmPage page;
    PaintRecorder rec;
};

} // namespace

TEST_F(TlmTest, ChartHasABarPerMonthDayOrHalfHourAndAFailedReadDrawsZero)
{
    struct Case {
        const char* name;
        int mode;
        int bars;
        std::tuple<int, int, int, int, int> firstAsk; // the charge read of k = 1
    };
    const Case cases[] = {
        { "months of 2019", 0, 12, std::make_tuple(0, 2019, 1, 0, 0) },
        { "days of April 2019, always 31", 1, 31, std::make_tuple(0, 2019, 4, 1, 0) },
        { "half-hours of 2019-04-17", 2, 48, std::make_tuple(0, 2019, 4, 17, 1) },
    };
    page.failing = { 3 };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        combo("comboBox_tlm_2")->activated(2);
        combo("comboBox_tlm_3")->activated(3);
        combo("comboBox_tlm_4")->activated(16);
        page.asked.clear();
        combo("comboBox_tlm")->activated(c.mode);

        ASSERT_EQ(page.asked.size(), size_t(3 * c.bars));
        EXPECT_EQ(page.asked.front(), c.firstAsk);
        const std::vector<double> charge = page.values(page.bars(0));
        const std::vector<double> discharge = page.values(page.bars(1));
        ASSERT_EQ(int(charge.size()), c.bars);
        ASSERT_EQ(int(discharge.size()), c.bars);
        EXPECT_EQ(page.income()->data()->size(), c.bars);
        EXPECT_EQ(charge[0], 1);
        EXPECT_EQ(discharge[c.bars - 1], 100 + c.bars);
        EXPECT_EQ(charge[2], 0) << "a failed read is drawn as 0";
        EXPECT_EQ(page.income()->data()->at(1)->value, 202);

        // Every second tick is labelled, counted from 1, at the bar's own position.
        auto ticker = page.plot()->xAxis->ticker().dynamicCast<QCPAxisTickerText>();
        ASSERT_TRUE(ticker);
        ASSERT_EQ(ticker->ticks().size(), c.bars);
        const QList<double> at = ticker->ticks().keys();
        const QList<QString> label = ticker->ticks().values();
        EXPECT_NEAR(at[0], 0, 1e-9);
        EXPECT_NEAR(at[1], 1, 1e-9);
        EXPECT_EQ(label[0], "1");
        EXPECT_EQ(label[1], "");
        EXPECT_EQ(label[2], "3");
        EXPECT_NEAR(ticker->ticks().lastKey(), c.bars - 1, 1e-9);
    }
}

TEST_F(TlmTest, PeriodChoiceEnablesTheDateCombosItNeeds)
{
    const struct {
        int mode;
        bool month, day;
    } rows[] = { { 0, false, false }, { 1, true, false }, { 2, true, true }, { 0, false, false } };
    for (const auto& r : rows) {
        combo("comboBox_tlm")->activated(r.mode);
        EXPECT_TRUE(combo("comboBox_tlm_2")->isEnabled()) << r.mode;
        EXPECT_EQ(combo("comboBox_tlm_3")->isEnabled(), r.month) << r.mode;
        EXPECT_EQ(combo("comboBox_tlm_4")->isEnabled(), r.day) << r.mode;
    }
    EXPECT_EQ(combo("comboBox_tlm_2")->count(), 14);
    EXPECT_EQ(combo("comboBox_tlm_2")->itemText(13), "2030");
    EXPECT_EQ(combo("comboBox_tlm_3")->count(), 12);
    EXPECT_EQ(combo("comboBox_tlm_4")->count(), 31);
}

TEST_F(TlmTest, RadioButtonsSwapBarsAndIncomeCurve)
{
    EXPECT_TRUE(page.bars(0)->visible());
    EXPECT_FALSE(page.income()->visible());
    page.findChild<QRadioButton*>("radioButton_tlm_2")->click();
    EXPECT_FALSE(page.bars(0)->visible());
    EXPECT_FALSE(page.bars(1)->visible());
    EXPECT_TRUE(page.income()->visible());
    page.findChild<QRadioButton*>("radioButton_tlm")->click();
    EXPECT_TRUE(page.bars(1)->visible());
    EXPECT_FALSE(page.income()->visible());
}

TEST_F(TlmTest, ChartIsRebuiltWhenThePaintedTotalsMove)
{
    // The remembered totals start at -1, so the first check always rebuilds.
    page.checkDemo();
    EXPECT_EQ(page.asked.size(), size_t(36));
    page.asked.clear();
    page.checkDemo();
    EXPECT_TRUE(page.asked.empty());

    page.setViews(&ac, &sts);
    ac.analog[{ 0, 41 }] = 12.5f;
    ac.analog[{ 0, 42 }] = 3.0f;
    rec.record(&page);
    page.asked.clear();
    page.checkDemo();
    EXPECT_EQ(page.asked.size(), size_t(36));
    rec.record(&page);
    page.asked.clear();
    page.checkDemo();
    EXPECT_TRUE(page.asked.empty());
}

TEST_F(TlmTest, LiveValuesArePaintedOnlyOnceTheDevicesAreThere)
{
    rec.record(&page);
    EXPECT_EQ(rec.textAt(20, 38), "");

    page.setViews(&ac, &sts);
    for (int r = 0; r < 6; ++r)
        ac.analog[{ 0, 500 + r }] = r < 3 ? 230.0f + r : 10.0f + r;
    ac.analog[{ 0, 518 }] = 55.5f;
    ac.analog[{ 1001, 4 }] = 720.0f;
    ac.analog[{ 1001, 5 }] = -12.5f;
    ac.analog[{ 0, 41 }] = 1234.5f;
    ac.analog[{ 0, 42 }] = 987.0f;
    ac.status[{ 0, 56 }] = 1;
    sts.analog[{ 0, 548 }] = 42.0f;
    std::strcpy(uiDataInfo[19].name, "Q(kVar)");
    dcacstate[50] = 27;
    rec.record(&page);

    EXPECT_EQ(rec.textAt(20, 38), "U: 230.0 /231.0 /232.0");
    EXPECT_EQ(rec.textAt(20, 56), "I: 13.0 /14.0 /15.0");
    EXPECT_EQ(rec.textAt(20, 102), "55.5kW");
    EXPECT_EQ(rec.textAt(176, 102), "720.0V /-12.5A");
    EXPECT_EQ(rec.textAt(20, 184), "42.0kW");
    EXPECT_EQ(rec.textAt(20, 230), "1234.5kWh");
    EXPECT_EQ(rec.textAt(176, 230), "987.0kWh");
    EXPECT_EQ(rec.textAt(20, 294), "Q(kVar): 0.0");
    EXPECT_EQ(rec.textAt(20, 440), "离网");
    EXPECT_EQ(rec.textAt(90, 440), "运行");
    EXPECT_EQ(rec.textAt(176, 440), "200.0000") << "total income, four decimals";
    saveArtifact(&page, "interface_tlm.png");
}

TEST(SpaTest, BranchAndAcBusOverThePicture)
{
    RuntimeTree tree { true };
    clearNameTables();
    for (int r = 0; r < UI_DATA_ROWS; ++r) {
        uiDataInfo[r].index = 500 + r;
        uiDataInfo[r].decimals = 1;
    }
    struct Page : interface_spa {
        void setViews(DeviceData* acdc, DeviceData* dcdc)
        {
            m_acdcData = acdc;
            m_dcdcData = dcdc;
            m_ready = true;
        }
    } page;
    EXPECT_EQ(page.size(), QSize(753, 560));
    PaintRecorder rec(753, 560);
    rec.record(&page);
    EXPECT_TRUE(rec.texts.empty());

    FakeDevice ac, dc;
    dc.analog[{ 1001, 0 }] = 650.0f;
    dc.analog[{ 1001, 4 }] = 20.5f;
    for (int r = 0; r < 6; ++r)
        ac.analog[{ 0, 500 + r }] = float(r);
    ac.analog[{ 0, 518 }] = -30.0f;
    page.setViews(&ac, &dc);
    rec.record(&page);
    EXPECT_EQ(rec.textAt(60, 420), "650.0V /20.5A");
    // The AC bus with its units, as the branch has them.
    EXPECT_EQ(rec.textAt(430, 150), "0.0V /1.0V /2.0V");
    EXPECT_EQ(rec.textAt(430, 172), "3.0A /4.0A /5.0A");
    EXPECT_EQ(rec.textAt(430, 194), "-30.0kW");
    saveArtifact(&page, "interface_spa.png");
}
// Every bar lies wholly inside the chart, the first and the last included, whether or not the
// page has been laid out when the chart is built.
TEST_F(TlmTest, EveryBarWhollyInsideTheChart)
{
    for (bool shown : { false, true }) {
        if (shown)
            page.show();
        for (int mode : { 0, 1, 2 }) {
            SCOPED_TRACE(std::string(shown ? "shown, mode " : "not laid out, mode ") + std::to_string(mode));
            combo("comboBox_tlm")->activated(mode);
            const int n = page.bars(0)->data()->size();
            const double half = page.bars(0)->width() / 2;
            const QCPRange r = page.plot()->xAxis->range();
            EXPECT_LE(r.lower, 0 - half + 1e-9);
            EXPECT_GE(r.upper, n - 1 + half - 1e-9);
            // Back from the income curve to the bars: the same.
            page.findChild<QRadioButton*>("radioButton_tlm_2")->click();
            page.findChild<QRadioButton*>("radioButton_tlm")->click();
            EXPECT_GE(page.plot()->xAxis->range().upper, n - 1 + half - 1e-9);
        }
    }
}
