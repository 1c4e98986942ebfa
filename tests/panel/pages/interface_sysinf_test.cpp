#include "interface_sysinf.h"

#include "fakedevice.h"
#include "globalvar.h"
#include "idturn.h"
#include "monitorset.h"
#include "nametables.h"
#include "pageturnadv.h"
#include "paintrecorder.h"
#include "runtimetree.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QRadioButton>
#include <cstring>

namespace {

// The devices' classes come from libraries that a test does not build up; fakes stand in
// through the DeviceData views.
class InfoPage : public interface_SysInf {
public:
    void setViews(DeviceData* acdc, DeviceData* dcdc, DeviceData* sts, DeviceData* bms)
    {
        m_acdcData = acdc;
        m_dcdcData = dcdc;
        m_stsData = sts;
        m_bmsData = bms;
    }
};

class SysInfTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (setvalue& s : set)
            s.value = 0;
        keyword_right = 0;
        fillStates(dcacstate, 60, 0);
        fillStates(dcdcstate, 60, 0);
        allData = AllData{};
        clearNameTables();
        // Row r reads index 500 + r with r % 3 decimals and is called "row<r>".
        for (int r = 0; r < UI_DATA_ROWS; ++r) {
            uiDataInfo[r].index = 500 + r;
            uiDataInfo[r].decimals = r % 3;
            snprintf(uiDataInfo[r].name, sizeof uiDataInfo[r].name, "row%d", r);
        }
        page.resize(796, 480);
        page.setViews(&ac, &dc, &sts, &bms);
    }

    IdTurn* idTurn() { return page.findChild<IdTurn*>(); }
    PageTurnAdv* pageTurn() { return page.findChild<PageTurnAdv*>(); }
    int pageButtons()
    {
        int n = 0;
        for (QRadioButton* b : pageTurn()->findChildren<QRadioButton*>())
            if (b->isVisibleTo(pageTurn()))
                ++n;
        return n;
    }
    const PaintRecorder& paint()
    {
        rec.record(&page);
        return rec;
    }
    void showPage(int n)
    {
        pageTurn()->setCurrentPage(n);
        paint();
    }

    RuntimeTree tree { true };
    FakeDevice ac, dc, sts, bms;
    InfoPage page;
    PaintRecorder rec;
};

} // namespace

TEST_F(SysInfTest, SubPageChoiceSetsThePickers)
{
    struct Case { int sub; int level; bool id; int idCount; bool pager; int pages; } cases[] = {
        { 0, 3, false, -1, false, -1 },
        { 4, 8, false, -1, false, -1 },
        { 6, 1, true, 11, true, 3 },
        { 6, 2, true, 11, true, 3 },
        { 6, 3, true, 11, true, 5 },
        { 7, 2, true, 10, false, -1 },
        { 7, 3, true, 10, true, 3 },
        { 8, 2, false, -1, false, -1 },
        { 8, 4, false, -1, true, 3 },
        { 3, 4, false, -1, false, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "sub-page " << c.sub << " level " << c.level);
        keyword_right = c.level;
        page.change_sub_interface(c.sub);
        EXPECT_EQ(page.shownSubPage(), c.sub);
        EXPECT_EQ(idTurn()->isVisibleTo(&page), c.id);
        if (c.idCount >= 0) {
            EXPECT_EQ(idTurn()->findChild<QComboBox*>()->count(), c.idCount);
        }
        EXPECT_EQ(pageTurn()->isVisibleTo(&page), c.pager);
        if (c.pages >= 0) {
            EXPECT_EQ(pageButtons(), c.pages);
        }
        EXPECT_EQ(pageTurn()->getPage(), c.sub >= 5 ? 1 : pageTurn()->getPage());
    }
}

TEST_F(SysInfTest, DcInfoHasOneColumnPerString)
{
    struct Case { int count; std::vector<int> xs; } cases[] = {
        { 0, {} },
        { 1, { 365 } },
        { 4, { 176, 302, 428, 554 } },
        { -2, {} },
        { 20, { 120, 190, 260, 330, 400, 470, 540, 610 } },
    };
    page.change_sub_interface(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        set[23].value = c.count;
        paint();
        EXPECT_EQ(rec.textAt(10, 80), "直流电压(V)");
        EXPECT_EQ(rec.textAt(10, 320), "母线电压(V)");
        int heads = 0;
        for (const PaintRecorder::Text& t : rec.texts)
            if (t.text.startsWith("DC系统"))
                ++heads;
        EXPECT_EQ(heads, int(c.xs.size()));
        for (size_t j = 0; j < c.xs.size(); ++j)
            EXPECT_EQ(rec.textAt(c.xs[j], 40), QString("DC系统%1").arg(j + 1));
    }
}

TEST_F(SysInfTest, DcInfoReadsTheLinkThatDrivesTheStrings)
{
    set[23].value = 2;
    page.change_sub_interface(0);
    // On the DC/DC link: 0 voltage, 4 current, 5 power, 2 bus voltage.
    dc.analog[{ 1002, 0 }] = 701.26f;
    dc.analog[{ 1002, 4 }] = -12;
    dc.analog[{ 1002, 5 }] = 8.4f;
    dc.analog[{ 1002, 2 }] = 750;
    dcdcstate[21] = 21;
    dcdcstate[51] = 19;
    allData.relay[1] = 1;
    paint();
    const int x = 470; // d = 210, second column at d + 50 + d
    EXPECT_EQ(rec.textAt(x, 80), "701.3");
    EXPECT_EQ(rec.textAt(x, 120), "-12.0");
    EXPECT_EQ(rec.textAt(x, 160), "8.4");
    EXPECT_EQ(rec.textAt(x, 320), "750.0");
    ASSERT_NE(rec.textItemAt(x, 200), nullptr);
    EXPECT_EQ(rec.textItemAt(x, 200)->text, "充电");
    EXPECT_TRUE(rec.textItemAt(x, 200)->opaque);
    EXPECT_EQ(rec.textItemAt(x, 200)->background, QColor("#00a550"));
    EXPECT_EQ(rec.textAt(x, 240), "告警");
    EXPECT_EQ(rec.textItemAt(x, 240)->background, QColor("#ff6e6e"));
    EXPECT_EQ(rec.textAt(x, 280), "闭合");
    EXPECT_EQ(rec.textAt(260, 280), "断开");
    EXPECT_FALSE(rec.textItemAt(x, 280)->opaque);

    // On the AC/DC link: 4 voltage, 5 current, 0 power, no bus voltage.
    set[24].value = 1;
    ac.analog[{ 1002, 4 }] = 690;
    ac.analog[{ 1002, 5 }] = 3.5f;
    ac.analog[{ 1002, 0 }] = 2.4f;
    dcacstate[21] = 23;
    paint();
    EXPECT_EQ(rec.textAt(x, 80), "690.0");
    EXPECT_EQ(rec.textAt(x, 120), "3.5");
    EXPECT_EQ(rec.textAt(x, 160), "2.4");
    EXPECT_EQ(rec.textAt(x, 320), "---");
    EXPECT_EQ(rec.textAt(x, 200), "放电");
}

TEST_F(SysInfTest, AcGridAndLoadTablesGreyWhileTheirSourceIsSilent)
{
    struct Case { int sub; FakeDevice* source; int first; const char* freq; int valueX; } cases[] = {
        { 1, &ac, 0, "频率(Hz):", 250 },
        { 2, &sts, 30, "电网频率(Hz):", 180 },
        { 3, &sts, 60, "负载频率(Hz):", 180 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sub);
        for (int k = 0; k < 24; ++k)
            c.source->analog[{ 0, 500 + c.first + k }] = 100 + k;
        page.change_sub_interface(c.sub);
        for (int online : { 0, 1 }) {
            c.source->status[{ 0, 0 }] = online;
            paint();
            // Rows run quantity-major: row first + 3c + p at column c, phase p.
            const int r = c.first + 3 * 2 + 1;
            EXPECT_EQ(rec.textAt(270, 140), QString::number(100 + 7, 'f', r % 3));
            EXPECT_EQ(rec.textAt(90, 40), "电压");
            EXPECT_EQ(rec.textAt(360, 60), "(kVAr)");
            EXPECT_EQ(rec.textAt(10, 190), "L3:");
            EXPECT_EQ(rec.textAt(360, 300), c.freq);
            EXPECT_EQ(rec.textAt(c.valueX, 250), QString::number(118, 'f', (c.first + 18) % 3));
            const QColor expected = page.palette().color(online ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
            EXPECT_EQ(rec.textItemAt(270, 140)->pen, expected) << online;
            EXPECT_EQ(rec.textItemAt(10, 250)->pen, expected) << online;
        }
    }
    ac.analog[{ 0, 1200 }] = 123.6f;
    ac.analog[{ 0, 1201 }] = 45.2f;
    page.change_sub_interface(1);
    paint();
    EXPECT_EQ(rec.textAt(10, 400), "当天充电电量(kWh):");
    EXPECT_EQ(rec.textAt(250, 400), "124");
    EXPECT_EQ(rec.textAt(600, 400), "45");
    EXPECT_EQ(rec.textAt(360, 350), "有功放电电量(kWh):");
    page.change_sub_interface(2);
    paint();
    EXPECT_EQ(rec.textAt(10, 400), "") << "no energy rows for the grid";
    EXPECT_EQ(rec.textAt(540, 250), QString::number(119, 'f', 49 % 3));
}

TEST_F(SysInfTest, ModuleStatusListsElevenRowsEachSide)
{
    for (int m = 1; m <= 11; ++m) {
        ac.analog[{ m, 40 }] = 100 + m;
        dcacstate[m] = m == 3 ? 18 : 27;
    }
    for (int m = 1; m <= 10; ++m) {
        dc.analog[{ m, 21 }] = 200 + m;
        dcdcstate[m] = 24;
    }
    sts.analog[{ 1, 66 }] = 307.4f;
    dcacstate[12] = 16;
    page.change_sub_interface(4);
    paint();
    for (int i = 0; i <= 10; ++i) {
        const int y = 80 + 35 * i;
        EXPECT_EQ(rec.textAt(30, y), QString("row%1").arg(90 + i));
        EXPECT_EQ(rec.textAt(180, y), QString::number(101 + i));
        EXPECT_EQ(rec.textAt(330, y), QString("row%1").arg(101 + i));
    }
    EXPECT_EQ(rec.textAt(240, 150), "故障");
    EXPECT_EQ(rec.textAt(240, 115), "运行");
    EXPECT_EQ(rec.textAt(480, 80), "201");
    EXPECT_EQ(rec.textAt(540, 80), "停机");
    EXPECT_EQ(rec.textAt(480, 430), "307") << "the switch: module 1, index 66";
    EXPECT_EQ(rec.textAt(540, 430), "离线");
}

TEST_F(SysInfTest, DetailPagesFollowThePickers)
{
    keyword_right = 3;
    page.change_sub_interface(6);
    idTurn()->setCurrentId(11);
    ac.analog[{ 11, 500 + 190 }] = 1.5f;
    ac.analog[{ 11, 500 + 219 }] = 2;
    paint();
    EXPECT_EQ(rec.textAt(30, 60), "row190");
    EXPECT_EQ(rec.textAt(240, 60), "1.5");
    EXPECT_EQ(rec.textAt(330, 410), "row219");
    EXPECT_EQ(rec.textAt(570, 410), "2");
    showPage(2);
    EXPECT_EQ(rec.textAt(360, 60), "row235");
    showPage(3);
    EXPECT_EQ(rec.textAt(30, 410), "row264");

    // The picker's module survives a visit elsewhere.
    page.change_sub_interface(0);
    page.change_sub_interface(6);
    EXPECT_EQ(idTurn()->getId(), 11);

    page.change_sub_interface(7);
    idTurn()->setCurrentId(4);
    dc.analog[{ 4, 500 + 280 }] = 9;
    paint();
    EXPECT_EQ(rec.textAt(50, 60), "row280");
    EXPECT_EQ(rec.textAt(240, 60), QString::number(9, 'f', 280 % 3));
    page.change_sub_interface(6);
    EXPECT_EQ(idTurn()->getId(), 11);
    page.change_sub_interface(7);
    EXPECT_EQ(idTurn()->getId(), 4);

    page.change_sub_interface(8);
    sts.analog[{ 1, 500 + 310 }] = 7;
    paint();
    EXPECT_EQ(rec.textAt(30, 40), "row310");
    EXPECT_EQ(rec.textAt(240, 40), QString::number(7, 'f', 310 % 3));
    EXPECT_EQ(rec.textAt(330, 40), "row325");
}

TEST_F(SysInfTest, BitGridsNumberTheirFirstCellAsTheCaptionSays)
{
    keyword_right = 4;
    struct Case { int sub; int page; FakeDevice* device; int module; int statusFirst; const char* caption; } cases[] = {
        { 6, 4, &ac, 2, 1, "offset:1" },
        { 7, 2, &dc, 2, 0, "offset:0" },
        { 8, 2, &sts, 1, 2, "offset:2" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sub);
        page.change_sub_interface(c.sub);
        if (c.sub != 8)
            idTurn()->setCurrentId(2);
        c.device->status[{ c.module, c.statusFirst }] = 7;
        c.device->status[{ c.module, c.statusFirst + 16 * 4 + 15 }] = 5;
        c.device->alarm[{ c.module, 0 }] = 3;
        c.device->alarm[{ c.module, 79 }] = 4;
        showPage(c.page);
        EXPECT_EQ(rec.textAt(70, 80), "State");
        EXPECT_EQ(rec.textAt(70, 200), c.caption);
        EXPECT_EQ(rec.textAt(70, 360), "offset:0");
        EXPECT_EQ(rec.textAt(150, 100), "7");
        EXPECT_EQ(rec.textAt(600, 180), "5");
        EXPECT_EQ(rec.textAt(150, 260), "3");
        EXPECT_EQ(rec.textAt(600, 340), "4");
        EXPECT_EQ(rec.textAt(390, 80), "0") << "column heads repeat 0..7";
        EXPECT_EQ(rec.textAt(70, 340), "4");
    }
}

TEST_F(SysInfTest, ConfigurationPagesShowIndexBesideValue)
{
    keyword_right = 3;
    ac.config[{ 1, 71 }] = 1.234f;
    ac.config[{ 1, 142 }] = -5;
    dc.config[{ 1, 20 }] = 1234567;
    dc.config[{ 1, 91 }] = 0.5f;
    sts.config[{ 1, 20 }] = 3;
    sts.config[{ 1, 73 }] = 4;

    page.change_sub_interface(6);
    showPage(5);
    EXPECT_EQ(rec.textAt(40, 60), "71");
    EXPECT_EQ(rec.textAt(100, 60), "1.23");
    EXPECT_EQ(rec.textAt(490, 400), "142");
    EXPECT_EQ(rec.textAt(550, 400), "-5.00");

    page.change_sub_interface(7);
    showPage(3);
    EXPECT_EQ(rec.textAt(40, 60), "20");
    EXPECT_EQ(rec.textAt(140, 60), "1.23457e+06");
    EXPECT_EQ(rec.textAt(730, 400), "91");
    EXPECT_EQ(rec.textAt(830, 400), "0.5");

    page.change_sub_interface(8);
    showPage(3);
    EXPECT_EQ(rec.textAt(40, 30), "1") << "index 20 is labelled 1";
    EXPECT_EQ(rec.textAt(140, 30), "3.00");
    EXPECT_EQ(rec.textAt(500, 404), "54");
    EXPECT_EQ(rec.textAt(600, 404), "4.00");
    showPage(4);
    EXPECT_TRUE(rec.texts.empty() || rec.textAt(70, 80).isEmpty());
}

TEST_F(SysInfTest, NamesThatFillTheirFieldAreCutAtIt)
{
    memset(uiDataInfo[90].name, 'A', sizeof uiDataInfo[90].name);
    page.change_sub_interface(4);
    paint();
    EXPECT_EQ(rec.textAt(30, 80), QString(40, 'A'));
}

TEST_F(SysInfTest, NothingReadsWithoutDevices)
{
    interface_SysInf bare;
    bare.resize(796, 480);
    set[23].value = 3;
    for (int k = 0; k <= 8; ++k) {
        bare.change_sub_interface(k);
        rec.record(&bare);
    }
    bare.setDiviceData(nullptr, nullptr, nullptr, nullptr, nullptr);
    bare.change_sub_interface(4);
    rec.record(&bare);
    EXPECT_EQ(rec.textAt(180, 80), "0");
}

TEST_F(SysInfTest, PicturesOfTheSubPages)
{
    loadInterfaceFile(false, 0, 0, 0);
    keyword_right = 4;
    set[23].value = 4;
    for (int j = 0; j < 4; ++j) {
        dc.analog[{ 1001 + j, 0 }] = 712.5f - j;
        dc.analog[{ 1001 + j, 4 }] = j == 3 ? 0 : 48.2f;
        dc.analog[{ 1001 + j, 5 }] = j == 3 ? 0 : 34.3f;
        dc.analog[{ 1001 + j, 2 }] = 760;
        dcdcstate[20 + j] = j == 3 ? 16 : 21;
        dcdcstate[50 + j] = j == 2 ? 19 : 17;
        allData.relay[j] = j != 3;
    }
    for (int r = 0; r < 24; ++r) {
        ac.analog[{ 0, uiDataInfo[r].index }] = 100 + r * 1.5f;
        sts.analog[{ 0, uiDataInfo[30 + r].index }] = 200 + r * 1.5f;
    }
    ac.status[{ 0, 0 }] = 1;
    for (int m = 1; m <= 11; ++m) {
        ac.analog[{ m, 40 }] = 1203;
        dcacstate[m] = m <= 4 ? 27 : 16;
    }
    for (int m = 1; m <= 10; ++m) {
        dc.analog[{ m, 21 }] = 305;
        dcdcstate[m] = m <= 4 ? 27 : 16;
    }
    dcacstate[12] = 27;
    for (int k = 0; k < 30; ++k) {
        ac.analog[{ 1, uiDataInfo[190 + k].index }] = 10 + k;
        dc.analog[{ 1, uiDataInfo[280 + k].index }] = 20 + k;
    }
    for (int i = 0; i < 80; i += 3)
        ac.status[{ 1, i }] = 1;
    // Each picture with a few of the fields it must show, '|' between them.
    const struct { int sub; int page; const char* file; const char* shows; } shots[] = {
        { 0, 1, "interface_sysinf_0_dc.png", "DC系统1|712.5|48.2|DC系统4|709.5|离线|断开" },
        { 1, 1, "interface_sysinf_1_ac.png", "100.0|122.50|总有功功率(kW):|127.0" },
        { 2, 1, "interface_sysinf_2_grid_silent.png", "200.0|电网频率(Hz):|231.50" },
        { 4, 1, "interface_sysinf_4_modules.png", "交流模块1|1203|运行|直流模块2|305|交流模块5|离线" },
        { 6, 1, "interface_sysinf_6_ac_details.png", "AB线电压|10.0|漏电流|29.0" },
        { 6, 4, "interface_sysinf_6_ac_bits.png", "State|Alarm|offset:1" },
        { 6, 5, "interface_sysinf_6_ac_config.png", "71|142|0.00" },
        { 7, 1, "interface_sysinf_7_dc_details.png", "电池电压|20.0|软件版本|41" },
        { 8, 3, "interface_sysinf_8_sts_config.png", "1|54|0.00" },
    };
    for (const auto& s : shots) {
        page.change_sub_interface(s.sub);
        pageTurn()->setCurrentPage(s.page);
        EXPECT_FALSE(saveArtifact(&page, s.file).isEmpty()) << s.file;
        EXPECT_EQ(notDrawn(&page, QString::fromUtf8(s.shows).split('|')), QStringList()) << s.file;
    }
}
