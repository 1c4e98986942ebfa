#include "interface_main.h"

#include "fakedevice.h"
#include "form.h"
#include "globalvar.h"
#include "monitorset.h"
#include "nametables.h"
#include "paintrecorder.h"
#include "racktable.h"
#include "runtimetree.h"
#include "timeseam.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QScreen>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <cstring>
#include <functional>

namespace {

// The converter classes are reached through their DeviceData views; a test sets fakes there.
class DiagramPage : public interface_Main {
public:
    void setViews(DeviceData* acdc, DeviceData* dcdc, DeviceData* sts)
    {
        m_acdcData = acdc;
        m_dcdcData = dcdc;
        m_stsData = sts;
        m_hasData = true;
    }
    int dayResult = 0;
    float dayValue = 0;
    int dayAsked[3] = { 0, 0, 0 };
    bool sprites = true;
    // The region of every paint, once the page is shown.
    std::vector<QRegion> paints;
    void look() { QMetaObject::invokeMethod(this, "refresh"); }

protected:
    bool drawsSprites(const QPainter& painter) const override
    {
        return sprites && interface_Main::drawsSprites(painter);
    }
    void paintEvent(QPaintEvent* event) override
    {
        paints.push_back(event->region());
        interface_Main::paintEvent(event);
    }
    int dayDischarge(int year, int month, int day, float* out) override
    {
        dayAsked[0] = year;
        dayAsked[1] = month;
        dayAsked[2] = day;
        *out = dayValue;
        return dayResult;
    }
};

const QColor kGreen(0, 166, 85);
const QColor kRed(255, 50, 29);

class DiagramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (setvalue& s : set)
            s.value = 0;
        set[23].value = 1;
        fillStates(dcacstate, 60, 0);
        fillStates(dcdcstate, 60, 0);
        allData = AllData{};
        currentRackInfo = RackInfoStuct();
        clearNameTables();
        // Row r reads analog index 500 + r, far from the fixed indices the diagram also reads.
        for (int r = 0; r < UI_DATA_ROWS; ++r) {
            uiDataInfo[r].index = 500 + r;
            uiDataInfo[r].decimals = 1;
        }
        page.resize(796, 480);
        page.setViews(&ac, &dc, &sts);
    }

    QLabel* label(const char* name) { return page.findChild<QLabel*>(name); }
    bool shows(const char* labelName, const char* file)
    {
        const QImage shown = label(labelName)->pixmap(Qt::ReturnByValue).toImage();
        return !shown.isNull() && shown == QImage(file).convertToFormat(shown.format());
    }
    const PaintRecorder& paint()
    {
        rec.record(&page);
        return rec;
    }

    RuntimeTree tree { true };
    FakeDevice ac, dc, sts;
    DiagramPage page;
    PaintRecorder rec;
};

// Strokes of the chevrons whose tip lies on the line at y (horizontal) between two x.
int chevronStrokes(const PaintRecorder& r, int y, int from, int to)
{
    int n = 0;
    for (const PaintRecorder::Line& l : r.lines)
        if (l.line.p1().y() == y && l.line.p1().x() > from && l.line.p1().x() <= to && l.line.p2().y() != y)
            ++n;
    return n;
}

} // namespace

TEST_F(DiagramTest, NothingIsDrawnBeforeTheDevicesAndTheTimerStaysStopped)
{
    interface_Main bare;
    bare.resize(796, 480);
    bare.startfresh(0);
    QTimer* timer = bare.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 200);
    rec.record(&bare);
    EXPECT_TRUE(rec.lines.empty());
    EXPECT_TRUE(rec.texts.empty());
    EXPECT_FALSE(timer->isActive());
}

TEST_F(DiagramTest, EachPaintArmsTheNextAndLeavingThePageStopsIt)
{
    page.startfresh(0);
    QTimer* timer = page.findChild<QTimer*>();
    paint();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 100);
    page.startfresh(1);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(DiagramTest, LineStatesChooseColourOrChevrons)
{
    struct Case { int state; QColor colour; } solid[] = {
        { 0, kRed }, { 3, kRed }, { 1, kGreen }, { 2, QColor(150, 150, 150) }, { 16, QColor(170, 170, 170) },
        { 24, kGreen }, { 27, kGreen }, { 29, kGreen }, { 40, kGreen }, { -1, kGreen },
    };
    for (const Case& c : solid) {
        rec.clear();
        QPainter p(&rec);
        page.showLine(p, 10, 20, 100, 20, c.state);
        p.end();
        ASSERT_EQ(rec.lines.size(), 1u) << c.state;
        EXPECT_EQ(rec.lines[0].pen, c.colour) << c.state;
        EXPECT_EQ(rec.lines[0].width, 2.0) << c.state;
    }

    // Before any paint phase A is 0 and phase B is 5: tips at start + phase + 12k up to the end.
    for (int state : { 20, 21, 32, 33 }) {
        rec.clear();
        QPainter p(&rec);
        page.showLine(p, 10, 20, 100, 20, state);
        p.end();
        ASSERT_EQ(rec.lines.size(), 14u) << state; // tips 22, 34, ..., 94
        ASSERT_NE(rec.line(QPointF(22, 20), QPointF(17, 17)), nullptr) << state;
        EXPECT_NE(rec.line(QPointF(22, 20), QPointF(17, 23)), nullptr) << state;
        EXPECT_EQ(rec.line(QPointF(22, 20), QPointF(17, 17))->pen, QColor(91, 166, 85));
        EXPECT_EQ(rec.line(QPointF(34, 20), QPointF(29, 17))->pen, QColor(182, 166, 85));
        EXPECT_NE(rec.line(QPointF(94, 20), QPointF(89, 17)), nullptr);
    }
    for (int state : { 22, 23, 28 }) {
        rec.clear();
        QPainter p(&rec);
        page.showLine(p, 10, 20, 100, 20, state);
        p.end();
        EXPECT_EQ(rec.lines.size(), 14u) << state; // tips 27, 39, ..., 99
        EXPECT_NE(rec.line(QPointF(27, 20), QPointF(32, 17)), nullptr) << state;
        EXPECT_NE(rec.line(QPointF(99, 20), QPointF(104, 23)), nullptr) << state;
    }
    rec.clear();
    QPainter p(&rec);
    page.showLine(p, 50, 100, 50, 130, 21);
    page.showLine(p, 70, 100, 70, 130, 23);
    p.end();
    EXPECT_NE(rec.line(QPointF(50, 112), QPointF(53, 107)), nullptr) << "vertical, pointing down";
    EXPECT_NE(rec.line(QPointF(50, 124), QPointF(47, 119)), nullptr);
    EXPECT_NE(rec.line(QPointF(70, 117), QPointF(73, 122)), nullptr) << "vertical, pointing up";
    EXPECT_NE(rec.line(QPointF(70, 129), QPointF(67, 134)), nullptr);
}

TEST_F(DiagramTest, ChevronsMoveForwardForChargingAndBackForDischarging)
{
    struct Case { int state; std::vector<int> firstTips; } cases[] = {
        { 21, { 22, 23, 24, 25 } },
        { 23, { 27, 25, 23, 33 } },
    };
    for (const Case& c : cases) {
        DiagramPage fresh;
        fresh.resize(796, 480);
        fresh.setViews(&ac, &dc, &sts);
        for (int tip : c.firstTips) {
            PaintRecorder r;
            QPainter p(&r);
            fresh.showLine(p, 10, 20, 100, 20, c.state);
            p.end();
            ASSERT_FALSE(r.lines.empty());
            EXPECT_EQ(r.lines[0].line.p1(), QPointF(tip, 20)) << c.state;
            rec.record(&fresh); // one paint moves the phases
        }
    }
}

TEST_F(DiagramTest, BranchColumnsFollowTheBranchCount)
{
    struct Case { int count; int columns; int step; bool bus; } cases[] = {
        { 4, 4, 160, true }, { 2, 2, 266, true }, { 8, 8, 88, true }, { 12, 8, 88, true }, { 0, 0, 0, false },
        { -3, 0, 0, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        set[23].value = c.count;
        for (int i = 0; i < 8; ++i) {
            dc.analog[{ 1001 + i, 0 }] = 700 + i;
            dc.analog[{ 1001 + i, 4 }] = 10 + i;
        }
        paint();
        int columns = 0;
        for (const PaintRecorder::Text& t : rec.texts)
            if (t.text.endsWith("V") && !t.text.contains('/') && !t.text.startsWith("U"))
                ++columns;
        EXPECT_EQ(columns, c.columns);
        EXPECT_EQ(rec.line(QPointF(c.step, 240), QPointF(c.step * c.columns, 240)) != nullptr, c.bus);
        for (int i = 0; i < c.columns; ++i) {
            const int x = c.step * (i + 1);
            EXPECT_NE(rec.line(QPointF(x, 240), QPointF(x, 294)), nullptr) << i;
            EXPECT_EQ(rec.textAt(x + 20, 375), QString("%1.0V").arg(700 + i)) << i;
            EXPECT_EQ(rec.textAt(x + 20, 395), QString("%1.0A").arg(10 + i)) << i;
        }
    }
}

TEST_F(DiagramTest, ColumnsReadTheLinkThatDrivesTheStrings)
{
    set[23].value = 4;
    set[24].value = 1;
    ac.analog[{ 1003, 4 }] = 612.5f;
    ac.analog[{ 1003, 5 }] = -20.25f;
    dcacstate[22] = 23;
    dcacstate[52] = 18;
    allData.relay[2] = 1;
    paint();
    EXPECT_EQ(rec.textAt(500, 375), "612.5V");
    EXPECT_EQ(rec.textAt(500, 395), "-20.3A");
    EXPECT_EQ(rec.line(QPointF(480, 294), QPointF(480, 408)), nullptr) << "discharging: chevrons, no line";
    const PaintRecorder::Shape* box = rec.shape(PaintRecorder::Shape::Rect, QPoint(459, 294), QPoint(508, 333));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->pen, kRed);
    EXPECT_NE(rec.textAt(464, 311), "") << "AC/DC box";
    EXPECT_NE(rec.line(QPointF(484, 369), QPointF(484, 389)), nullptr) << "closed contactor";
    EXPECT_NE(rec.pixmapAt(QPointF(465, 413)), nullptr) << "battery picture";
    EXPECT_EQ(rec.shape(PaintRecorder::Shape::Rect, QPoint(329, 190), QPoint(378, 229)), nullptr)
        << "no AC box at the top when the strings hang on the AC/DC link";
}

TEST_F(DiagramTest, SingleStringLayouts)
{
    set[23].value = 1;
    dc.analog[{ 1001, 0 }] = 650;
    dc.analog[{ 1001, 4 }] = 12.5f;
    paint();
    EXPECT_EQ(rec.textAt(400, 320), "650.0V /12.5A");
    EXPECT_NE(rec.line(QPointF(350, 240), QPointF(350, 288)), nullptr);
    EXPECT_NE(rec.pixmapAt(QPointF(660, 240)), nullptr);
    EXPECT_NE(rec.shape(PaintRecorder::Shape::Rect, QPoint(329, 266), QPoint(378, 305)), nullptr);

    set[24].value = 1;
    ac.analog[{ 1001, 4 }] = 640;
    ac.analog[{ 1001, 5 }] = 3;
    paint();
    EXPECT_EQ(rec.textAt(440, 320), "640.0V /3.0A");
    EXPECT_NE(rec.line(QPointF(350, 240), QPointF(350, 288)), nullptr);
    EXPECT_NE(rec.shape(PaintRecorder::Shape::Rect, QPoint(329, 271), QPoint(378, 310)), nullptr);

    currentRackInfo.diagramLayout = 1;
    paint();
    EXPECT_EQ(rec.line(QPointF(350, 240), QPointF(350, 288)), nullptr);
    EXPECT_NE(rec.line(QPointF(350, 65), QPointF(350, 269)), nullptr) << "the bus runs down to the box";
}

TEST_F(DiagramTest, TopAcBoxIsGreyWhenNoAcDcModuleAnswers)
{
    set[23].value = 2;
    dcacstate[50] = 18;
    const QRectF box(QRect(QPoint(329, 190), QPoint(378, 229)));
    for (int m = 1; m <= 10; ++m)
        dcacstate[m] = 16;
    paint();
    ASSERT_NE(rec.shape(PaintRecorder::Shape::Rect, box), nullptr);
    EXPECT_EQ(rec.shape(PaintRecorder::Shape::Rect, box)->pen, QColor(170, 170, 170));
    dcacstate[7] = 27;
    paint();
    EXPECT_EQ(rec.shape(PaintRecorder::Shape::Rect, box)->pen, kRed);
    dcacstate[50] = 17;
    paint();
    EXPECT_EQ(rec.shape(PaintRecorder::Shape::Rect, box)->pen, kGreen);
}

TEST_F(DiagramTest, GridAndLoadThroughTheTransferSwitch)
{
    set[21].value = 0;
    for (int r : { 30, 31, 32, 33, 34, 35, 48, 60, 61, 62, 63, 64, 65, 78 })
        sts.analog[{ 0, 500 + r }] = r;
    sts.analog[{ 0, 548 }] = 15; // grid power: importing
    sts.analog[{ 0, 578 }] = 0.5f;
    paint();
    EXPECT_EQ(rec.textAt(150, 108), "电网:");
    EXPECT_EQ(rec.textAt(148, 128), "U: 30.0 /31.0 /32.0");
    EXPECT_EQ(rec.textAt(150, 148), "I: 33.0 /34.0 /35.0");
    EXPECT_EQ(rec.textAt(150, 168), "P: 15.0kW");
    EXPECT_EQ(rec.textAt(590, 108), "负载:");
    EXPECT_EQ(rec.textAt(588, 128), "U: 60.0 /61.0 /62.0");
    EXPECT_EQ(rec.textAt(590, 168), "P: 0.5kW");
    // The lines follow the powers of the paint before.
    EXPECT_NE(rec.line(QPointF(140, 64), QPointF(350, 64)), nullptr);
    paint();
    EXPECT_EQ(rec.line(QPointF(140, 64), QPointF(350, 64)), nullptr);
    EXPECT_GT(chevronStrokes(rec, 64, 140, 350), 0);
    EXPECT_NE(rec.line(QPointF(350, 64), QPointF(650, 64)), nullptr) << "load within +-1 kW: still";
    sts.analog[{ 0, 578 }] = 4;
    paint();
    paint();
    EXPECT_EQ(rec.line(QPointF(350, 64), QPointF(650, 64)), nullptr);
    EXPECT_TRUE(label("image_N")->isVisibleTo(&page));
    EXPECT_FALSE(label("image_SW")->isVisibleTo(&page));
}

TEST_F(DiagramTest, TransferSwitchContactsAndPicture)
{
    set[21].value = 0;
    sts.status[{ 1, 18 }] = 1;
    paint();
    EXPECT_NE(rec.line(QPointF(184, 60), QPointF(204, 60)), nullptr) << "grid side closed";
    EXPECT_NE(rec.line(QPointF(574, 60), QPointF(589, 52)), nullptr) << "load side open";
    EXPECT_TRUE(shows("image_N", "n.png"));

    struct Case { int u2; int sw; int alarm; int fault; const char* file; } cases[] = {
        { 16, 27, 0, 0, "n.png" }, // the U2 unit's state does not concern the switch
        { 27, 16, 0, 0, "nh.png" },
        { 27, 27, 1, 0, "nr.png" },
        { 27, 27, 0, 1, "nr.png" },
        { 27, 16, 1, 1, "nh.png" },
        { 27, 27, 0, 0, "n.png" },
    };
    for (const Case& c : cases) {
        dcacstate[11] = c.u2;
        dcacstate[12] = c.sw;
        sts.status[{ 1, 12 }] = c.alarm;
        sts.status[{ 1, 13 }] = c.fault;
        paint();
        EXPECT_TRUE(shows("image_N", c.file)) << c.file << " u2 " << c.u2 << " sw " << c.sw;
    }
}

TEST_F(DiagramTest, WithoutTransferSwitchTheLinesStayStillAndTheBreakerShows)
{
    set[21].value = 1;
    sts.analog[{ 0, 548 }] = 15;
    ac.analog[{ 11, 78 }] = 30;
    ac.analog[{ 0, 518 }] = 12;
    ac.config[{ 0, 109 }] = 3;
    for (int i : { 36, 37, 38 })
        ac.analog[{ 0, i }] = 400 + i;
    for (int i : { 65, 66, 67, 79, 80, 81 })
        ac.analog[{ 11, i }] = i;
    for (int r : { 0, 1, 2 })
        ac.analog[{ 0, 500 + r }] = 230 + r;
    paint();
    paint();
    EXPECT_NE(rec.line(QPointF(140, 64), QPointF(350, 64)), nullptr);
    EXPECT_NE(rec.line(QPointF(350, 64), QPointF(650, 64)), nullptr);
    EXPECT_FALSE(label("image_N")->isVisibleTo(&page));
    EXPECT_FALSE(label("image_SW")->isVisibleTo(&page));
    EXPECT_EQ(rec.textAt(148, 128), "U: 436.0 /437.0 /438.0");
    EXPECT_EQ(rec.textAt(150, 148), "I: 65.0 /66.0 /67.0");
    EXPECT_EQ(rec.textAt(150, 168), "P: 30.0kW");
    EXPECT_EQ(rec.textAt(588, 128), "U: 230.0 /231.0 /232.0");
    EXPECT_EQ(rec.textAt(590, 148), "I: 79.0 /80.0 /81.0");
    EXPECT_EQ(rec.textAt(590, 168), "P: 18.0kW") << "grid minus converter output";
    EXPECT_NE(rec.shape(PaintRecorder::Shape::Rect, QPoint(344, 80), QPoint(355, 106)), nullptr)
        << "AC breaker drawn";

    ac.config[{ 0, 109 }] = 8;
    paint();
    EXPECT_TRUE(label("image_SW")->isVisibleTo(&page));
    EXPECT_TRUE(shows("image_SW", "switch.png"));
    EXPECT_EQ(label("image_SW")->pos(), QPoint(230, 32));
    EXPECT_EQ(rec.shape(PaintRecorder::Shape::Rect, QPoint(344, 80), QPoint(355, 106)), nullptr);
    ac.status[{ 11, 17 }] = 1;
    paint();
    EXPECT_TRUE(shows("image_SW", "switch-off.png"));
    EXPECT_EQ(label("image_SW")->pos(), QPoint(230, 34));

    ac.config[{ 0, 109 }] = 0;
    paint();
    EXPECT_EQ(rec.textAt(150, 108), "") << "no grid values without a measuring point";
    EXPECT_FALSE(label("image_SW")->isVisibleTo(&page));
}

TEST_F(DiagramTest, AcBusValuesAndGridMode)
{
    for (int r : { 0, 1, 2, 3, 4, 5 })
        ac.analog[{ 0, 500 + r }] = 10 * r + 0.24f;
    ac.analog[{ 0, 518 }] = -42.04f;
    paint();
    EXPECT_EQ(rec.textAt(380, 108), "交流母线:");
    EXPECT_EQ(rec.textAt(378, 128), "U: 0.2 /10.2 /20.2");
    EXPECT_EQ(rec.textAt(380, 148), "I: 30.2 /40.2 /50.2");
    EXPECT_EQ(rec.textAt(380, 168), "P: -42.0kW");
    EXPECT_EQ(rec.textAt(87, 148), "并网");
    EXPECT_EQ(rec.textItemAt(87, 148)->pen, QColor(Qt::black));

    // The bus line animates while the modules run, by the output power of the paint before.
    dcacstate[19] = 27;
    paint();
    EXPECT_EQ(rec.line(QPointF(350, 63), QPointF(350, 137)), nullptr);
    EXPECT_GT(rec.lines.size(), 0u);
    bool up = false;
    for (const PaintRecorder::Line& l : rec.lines)
        if (l.line.p1().x() == 350 && l.line.p1().y() > 63 && l.line.p1().y() <= 137 && l.line.p2().y() > l.line.p1().y())
            up = true;
    EXPECT_TRUE(up) << "negative output: chevrons point back up";

    ac.status[{ 0, 56 }] = 1;
    paint();
    EXPECT_EQ(rec.textAt(87, 148), "离网");
}

TEST_F(DiagramTest, PvSectionOnlyOnModelsWithPvInput)
{
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1717200000); // 2024-06-01 08:00 in Shanghai
    ac.analog[{ 11, 4 }] = 520;
    ac.analog[{ 11, 5 }] = 8.5f;
    ac.analog[{ 11, 42 }] = 12345.6f;
    page.dayValue = 37.4f;
    for (int type : { 0, 1, 6, 13, 31 }) {
        set[22].value = type;
        paint();
        EXPECT_FALSE(label("image_P")->isVisibleTo(&page)) << type;
        EXPECT_EQ(rec.textAt(150, 275), "") << type;
    }
    for (int type : { 4, 5, 20, 21, 30 }) {
        set[22].value = type;
        paint();
        EXPECT_TRUE(label("image_P")->isVisibleTo(&page)) << type;
        EXPECT_EQ(rec.textAt(150, 275), "520.0 V /8.5 A") << type;
    }
    EXPECT_EQ(rec.textAt(150, 295), "37 kWh(日累计)");
    EXPECT_EQ(rec.textAt(150, 315), "12346 kWh(总累计)");
    EXPECT_EQ(page.dayAsked[0], 2024);
    EXPECT_EQ(page.dayAsked[1], 6);
    EXPECT_EQ(page.dayAsked[2], 1);
    EXPECT_EQ(rec.line(QPointF(136, 250), QPointF(350, 250)), nullptr) << "PV producing: chevrons";

    page.dayResult = -2;
    ac.analog[{ 11, 5 }] = 0;
    paint();
    EXPECT_EQ(rec.textAt(150, 295), "--- kWh(日累计)");
    EXPECT_NE(rec.line(QPointF(350, 250), QPointF(140, 250)), nullptr);
    EXPECT_NE(rec.line(QPointF(140, 250), QPointF(140, 330)), nullptr);
    TimeSeam::useFakeClock(false);
}

TEST_F(DiagramTest, PicturesOfThePage)
{
    // Four strings on the DC/DC link, a transfer switch and a PV input; charging.
    set[21].value = 0;
    set[22].value = 4;
    set[23].value = 4;
    dcacstate[19] = 27;
    for (int m = 1; m <= 10; ++m)
        dcacstate[m] = 27;
    dcacstate[12] = 27;
    dcacstate[50] = 17;
    for (int i = 0; i < 4; ++i) {
        dcdcstate[20 + i] = i == 3 ? 16 : 21;
        dcdcstate[50 + i] = i == 2 ? 19 : i == 3 ? 29 : 17;
        allData.relay[i] = i != 3;
        dc.analog[{ 1001 + i, 0 }] = 716.4f - i;
        dc.analog[{ 1001 + i, 4 }] = i == 3 ? 0 : 35.2f;
    }
    allData.relay[2] = 1;
    for (int r = 0; r < 3; ++r) {
        ac.analog[{ 0, 500 + r }] = 400.1f + r;
        ac.analog[{ 0, 503 + r }] = 72.4f;
        sts.analog[{ 0, 530 + r }] = 401.2f;
        sts.analog[{ 0, 533 + r }] = 120.5f;
        sts.analog[{ 0, 560 + r }] = 399.8f;
        sts.analog[{ 0, 563 + r }] = 48.1f;
    }
    ac.analog[{ 0, 518 }] = 50.0f;
    sts.analog[{ 0, 548 }] = 83.3f;
    sts.analog[{ 0, 578 }] = 33.3f;
    sts.status[{ 1, 18 }] = 1;
    sts.status[{ 1, 19 }] = 1;
    ac.analog[{ 11, 4 }] = 620.4f;
    ac.analog[{ 11, 5 }] = 15.2f;
    ac.analog[{ 11, 42 }] = 5821;
    page.dayValue = 46;
    paint();
    EXPECT_FALSE(saveArtifact(&page, "interface_main_4strings.png").isEmpty());
    EXPECT_EQ(notDrawn(&page, { QString::fromUtf8("并网"), QString::fromUtf8("P: 83.3kW"), QString::fromUtf8("620.4 V /15.2 A"), QString::fromUtf8("46 kWh(日累计)"), QString::fromUtf8("5821 kWh(总累计)"), QString::fromUtf8("716.4V"), QString::fromUtf8("713.4V"), QString::fromUtf8("0.0A") }), QStringList());

    // One string on the AC/DC link, no transfer switch, grid breaker measured by the U2 unit.
    set[21].value = 1;
    set[22].value = 0;
    set[23].value = 1;
    set[24].value = 1;
    ac.config[{ 0, 109 }] = 8;
    dcacstate[20] = 23;
    dcacstate[50] = 17;
    ac.analog[{ 1001, 4 }] = 702.3f;
    ac.analog[{ 1001, 5 }] = -60.1f;
    ac.analog[{ 11, 78 }] = 20;
    ac.analog[{ 0, 518 }] = -40;
    ac.status[{ 0, 56 }] = 1;
    allData.relay[0] = 1;
    EXPECT_FALSE(saveArtifact(&page, "interface_main_1string_acdc.png").isEmpty());
    EXPECT_EQ(notDrawn(&page, { QString::fromUtf8("离网"), QString::fromUtf8("P: -40.0kW"), QString::fromUtf8("702.3V /-60.1A") }), QStringList());

    // Eight strings on the DC/DC link, every module offline.
    set[23].value = 8;
    set[24].value = 0;
    fillStates(dcacstate, 60, 16);
    fillStates(dcdcstate, 60, 16);
    for (int i = 0; i < 8; ++i)
        dcdcstate[50 + i] = 29;
    ac.status[{ 0, 56 }] = 0;
    EXPECT_FALSE(saveArtifact(&page, "interface_main_8strings_offline.png").isEmpty());
    EXPECT_EQ(notDrawn(&page, { QString::fromUtf8("716.4V"), QString::fromUtf8("0.0V"), QString::fromUtf8("0.0A") }), QStringList());
}

// A paint of part of the page skips what lies elsewhere; whatever meets that part must still
// be drawn, pixel for pixel as a paint of the whole page draws it.
TEST_F(DiagramTest, APaintOfPartOfThePageDrawsAllThatMeetsIt)
{
    set[23].value = 4;
    set[22].value = 4;   // a model with PV input: its texts, lines and switch too
    for (int r = 0; r < UI_DATA_ROWS; ++r) {
        ac.analog[{ 0, 500 + r }] = 100 + r;
        sts.analog[{ 0, 500 + r }] = 200 + r;
    }
    for (int g = 0; g < 4; ++g) {
        dc.analog[{ 1001 + g, 0 }] = 700 + g;
        dc.analog[{ 1001 + g, 4 }] = -12.5f * g;
    }
    allData.relay[1] = 1;
    // Still lines only: chevrons move on with every paint, and two paints are compared here.
    const QSize size = page.size();
    QImage whole(size, QImage::Format_ARGB32_Premultiplied);
    whole.fill(Qt::white);
    page.render(&whole);

    struct Case { const char* name; QRegion region; } cases[] = {
        { "grid values and the grid switch", QRegion(140, 95, 120, 90) },
        { "a strip across the bus and a column", QRegion(0, 236, 796, 6) },
        { "a box and its texts", QRegion(300, 270, 40, 50) },
        { "corners of a column's switch and texts", QRegion(155, 360, 60, 40) + QRegion(330, 100, 4, 4) },
        { "the PV values", QRegion(145, 260, 60, 60) },
    };
    for (const Case& c : cases) {
        QImage part(size, QImage::Format_ARGB32_Premultiplied);
        part.fill(Qt::white);
        const QRect box = c.region.boundingRect();
        page.render(&part, box.topLeft(), c.region);
        int differ = 0;
        for (const QRect& r : c.region)
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    differ += part.pixel(x, y) != whole.pixel(x, y);
        EXPECT_EQ(differ, 0) << c.name;
    }
}

// Switches, boxes, the transformer's circles and the chevrons of a line are copied from pictures
// drawn once, and texts drawn from glyphs laid out once: they must leave on the page exactly what
// the strokes and a text drawn afresh leave, over a line and the page's own colour.
TEST_F(DiagramTest, CopiedSwitchesAndBoxesMatchTheirStrokes)
{
    auto draw = [&](bool sprites, const std::function<void(QPainter&)>& what) {
        QImage image(400, 200, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(0xE6, 0xF5, 0xEE));
        QPainter p(&image);
        QFont font = p.font();
        font.setPointSize(10);
        p.setFont(font);
        p.setPen(QPen(kGreen, 2));
        p.drawLine(0, 40, 120, 40);
        p.drawLine(40, 0, 40, 100);
        p.drawLine(300, 150, 400, 150);
        page.sprites = sprites;
        what(p);
        what(p);   // the second one is copied from the picture the first one made
        return image;
    };
    std::vector<std::pair<const char*, std::function<void(QPainter&)>>> cases = {
        { "horizontal closed", [&](QPainter& p) { page.showSwitch(p, 30, 40, false, true); } },
        { "horizontal open", [&](QPainter& p) { page.showSwitch(p, 30, 40, false, false); } },
        { "vertical closed", [&](QPainter& p) { page.showSwitch(p, 40, 30, true, true); } },
        { "vertical open", [&](QPainter& p) { page.showSwitch(p, 40, 30, true, false); } },
        { "AC box, normal", [&](QPainter& p) { page.showAcBox(p, 19, 30, 17); } },
        { "DC box, alarm", [&](QPainter& p) { page.showDcBox(p, 19, 30, 19); } },
        { "DC box, none", [&](QPainter& p) { page.showDcBox(p, 19, 30, 29); } },
        { "transformer circles and the grid and bus texts", [&](QPainter& p) { page.showsts(p, 0, 0); } },
        { "chevrons along a line", [&](QPainter& p) { page.showLine(p, 60, 120, 390, 120, 21); } },
        { "chevrons up a column", [&](QPainter& p) { page.showLine(p, 200, 10, 200, 190, 23); } },
    };
    for (const auto& c : cases) {
        const QImage strokes = draw(false, c.second);
        const QImage copies = draw(true, c.second);
        EXPECT_EQ(copies, strokes) << c.first;
        EXPECT_NE(strokes, draw(false, [](QPainter&) {})) << c.first << ": nothing drawn";
    }
}

// Ten looks a second, each repainting what changed since the last paint: every pixel that a
// change alters lies in the repainted region, which leaves the rest of the page alone, and a
// look that finds nothing changed paints nothing.
TEST_F(DiagramTest, ALookRepaintsWhatChangedAndNothingElse)
{
    set[21].value = 0;
    set[23].value = 4;
    for (int i = 0; i < 4; ++i) {
        dcdcstate[50 + i] = 17;
        dc.analog[{ 1001 + i, 0 }] = 700 + i;
        dc.analog[{ 1001 + i, 4 }] = 10;
    }
    ac.analog[{ 0, 500 }] = 400;
    auto before = [&] {
        dc.analog[{ 1001 + 1, 0 }] = 701;
        dcdcstate[50 + 2] = 17;
        allData.relay[3] = 0;
        ac.analog[{ 0, 500 }] = 400;
    };
    auto after = [&] {
        dc.analog[{ 1001 + 1, 0 }] = 688.5f;   // a branch voltage
        dcdcstate[50 + 2] = 18;                // a box turns red
        allData.relay[3] = 1;                  // a contactor closes
        ac.analog[{ 0, 500 }] = 412.3f;        // an AC bus voltage
    };
    const QSize size = page.size();
    auto whole = [&] {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        page.render(&image);
        return image;
    };
    before();
    const QImage first = whole();
    after();
    const QImage second = whole();

    before();
    page.show();
    QApplication::processEvents();
    page.look();
    QApplication::processEvents();
    page.paints.clear();
    after();
    page.look();
    QApplication::processEvents();
    ASSERT_EQ(page.paints.size(), 1u);
    const QRegion repainted = page.paints[0];
    int changed = 0, missed = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if (first.pixel(x, y) != second.pixel(x, y)) {
                ++changed;
                missed += !repainted.contains(QPoint(x, y));
            }
    EXPECT_GT(changed, 0);
    EXPECT_EQ(missed, 0);
    qint64 area = 0;
    for (const QRect& r : repainted)
        area += qint64(r.width()) * r.height();
    EXPECT_LT(area, qint64(size.width()) * size.height() / 10);

    page.paints.clear();
    page.look();
    QApplication::processEvents();
    EXPECT_TRUE(page.paints.empty());
    QTimer* timer = page.findChild<QTimer*>();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 100);
}

// A whole repaint the page did not ask for (the page shown again): the next look repaints only
// what changed since then, not the whole page a second time. After a paint of part of the page
// there is no frame to go by, and the next look repaints it all.
TEST_F(DiagramTest, AfterAWholeRepaintTheNextLookPaintsOnlyWhatChanged)
{
    set[23].value = 4;
    for (int i = 0; i < 4; ++i)
        dc.analog[{ 1001 + i, 0 }] = 700 + i;
    page.show();
    QApplication::processEvents();
    page.look();
    QApplication::processEvents();
    auto repaintAndLook = [&](const QRegion& unasked) {
        page.update(unasked);
        QApplication::processEvents();
        page.paints.clear();
        page.look();
        QApplication::processEvents();
    };

    repaintAndLook(page.rect());
    EXPECT_TRUE(page.paints.empty());

    page.update();
    QApplication::processEvents();
    dc.analog[{ 1002, 0 }] = 688.5f;
    page.paints.clear();
    page.look();
    QApplication::processEvents();
    ASSERT_EQ(page.paints.size(), 1u);
    const QRect changed = page.paints[0].boundingRect();
    EXPECT_LT(qint64(changed.width()) * changed.height(), qint64(page.width()) * page.height() / 20);

    repaintAndLook(QRect(0, 0, 100, 100));
    ASSERT_EQ(page.paints.size(), 1u);
    EXPECT_EQ(page.paints[0], QRegion(page.rect()));
}

// The page paints its own background: a look repaints the page alone, not the frame beneath
// it, and what the window holds after a few looks is what a paint of the whole window gives
// (an old value drawn over with a new one would leave its glyphs behind).
TEST_F(DiagramTest, ALookPaintsOverItsOwnBackgroundAndLeavesTheFrameAlone)
{
    class Frame : public QWidget {
    public:
        int paints = 0;

    protected:
        void paintEvent(QPaintEvent* event) override
        {
            ++paints;
            QPainter(this).fillRect(event->rect(), Qt::red);
        }
    };
    set[23].value = 4;
    for (int i = 0; i < 4; ++i)
        dc.analog[{ 1001 + i, 0 }] = 700 + i;
    Frame frame;
    frame.resize(page.size());
    page.setParent(&frame);
    page.move(0, 0);
    frame.show();
    QApplication::processEvents();
    page.look();
    QApplication::processEvents();
    frame.paints = 0;
    for (float v : { 688.5f, 711.1f, 9.9f }) {
        dc.analog[{ 1002, 0 }] = v;
        page.look();
        QApplication::processEvents();
    }
    EXPECT_EQ(frame.paints, 0);
    const QImage held =
        QGuiApplication::primaryScreen()->grabWindow(frame.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage whole = frame.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(held == whole);
    EXPECT_EQ(whole.pixelColor(5, page.height() - 5), Form::pageColour());
    page.setParent(nullptr);
}
