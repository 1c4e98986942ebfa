#include "interface_sysinf.h"

#include "fakedevice.h"
#include "globalvar.h"
#include "idturn.h"
#include "modbusrtudevice.h"
#include "monitorset.h"
#include "nametables.h"
#include "pageturnadv.h"
#include "paintrecorder.h"
#include "runtimetree.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QMessageBox>
#include <QRadioButton>
#include <cstring>
#include <memory>

namespace {

class BmsPage : public interface_SysInf {
public:
    void setBms(DeviceData* bms) { m_bmsData = bms; }
};

// Answers the one question the variant combo asks.
class Answer {
public:
    Answer(bool yes, int* asked)
    {
        QObject::connect(&timer_, &QTimer::timeout, [yes, asked]() {
            QMessageBox* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            ++*asked;
            EXPECT_EQ(box->windowTitle(), "警告");
            EXPECT_EQ(box->text(), "监控会自动重启生效该设置，是否确认?");
            box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        timer_.start(2);
    }

private:
    QTimer timer_;
};

class BmsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (setvalue& s : set)
            s.value = 0;
        keyword_right = 0;
        clearNameTables();
        // Battery row r: register 100 + r, one decimal, scale word 1, named "b<r>".
        for (int r = 0; r < UI_BMS_ROWS; ++r) {
            uiBmsDataInfo[r].index = 100 + r;
            uiBmsDataInfo[r].decimals = 1;
            BmsDataCmd[r] = 1;
            snprintf(uiBmsDataInfo[r].name, sizeof uiBmsDataInfo[r].name, "b%d", r);
        }
        for (int r = 0; r < UI_DATA_ROWS; ++r)
            snprintf(uiDataInfo[r].name, sizeof uiDataInfo[r].name, "row%d", r);
    }

    // The battery layout is fixed when the page is built, as at start.
    BmsPage& make(int type)
    {
        BmsType = type;
        set[26].value = type;
        page.reset(new BmsPage);
        page->resize(796, 480);
        page->setDiviceData(&rtu, nullptr, nullptr, nullptr, nullptr);
        page->setBms(&bms);
        page->change_sub_interface(5);
        return *page;
    }
    IdTurn* idTurn() { return page->findChild<IdTurn*>(); }
    PageTurnAdv* pageTurn() { return page->findChild<PageTurnAdv*>(); }
    QWidget* child(const char* name) { return page->findChild<QWidget*>(name); }
    int pageButtons()
    {
        int n = 0;
        for (QRadioButton* b : pageTurn()->findChildren<QRadioButton*>())
            if (b->isVisibleTo(pageTurn()))
                ++n;
        return n;
    }
    const PaintRecorder& show(int pageNumber)
    {
        pageTurn()->setCurrentPage(pageNumber);
        rec.record(page.get());
        return rec;
    }
    void word(int unit, int reg, uint16_t w) { rtu.upperWriteWord(3001 + unit, reg, w); }

    RuntimeTree tree { true };
    modbus::ModbusrtuDevice rtu { nullptr, nullptr, nullptr, "/dev/ttySAC3", 9600, 0, 1, 0, 0 };
    FakeDevice bms;
    std::unique_ptr<BmsPage> page;
    PaintRecorder rec;
};

} // namespace

TEST_F(BmsTest, PagesAndUnitPickerByType)
{
    struct Case { int type; int pages; bool unitPicker; } cases[] = {
        { 0, 0, false }, { 1, 2, false }, { 2, 2, false }, { 3, 0, true }, { 4, 3, false }, { 5, 3, true },
        { 6, 3, false }, { 7, 4, true }, { 8, 3, true }, { 9, 2, true }, { 10, 2, false }, { 11, 0, true },
        { 12, 0, false }, { -1, 0, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        make(c.type);
        EXPECT_TRUE(pageTurn()->isVisibleTo(page.get()));
        EXPECT_EQ(pageButtons(), c.pages);
        EXPECT_EQ(pageTurn()->getPage(), 1);
        EXPECT_EQ(idTurn()->isVisibleTo(page.get()), c.unitPicker);
        EXPECT_EQ(idTurn()->findChild<QComboBox*>()->count(), 8);
    }
}

TEST_F(BmsTest, ControlsShowOnlyWhereTheirTypeUsesThem)
{
    struct Case { int type; bool variant; bool bmsF; } cases[] = {
        { 5, true, false }, { 8, true, false }, { 7, false, true }, { 3, false, false }, { 0, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        make(c.type);
        show(1);
        EXPECT_EQ(child("comboBox_49")->isVisibleTo(page.get()), c.variant);
        EXPECT_EQ(child("widget_bmsF")->isVisibleTo(page.get()), c.bmsF);
        page->change_sub_interface(4);
        rec.record(page.get());
        EXPECT_FALSE(child("comboBox_49")->isVisibleTo(page.get()));
        EXPECT_FALSE(child("widget_bmsF")->isVisibleTo(page.get()));
    }
    make(7);
    for (int p : { 2, 3, 4 }) {
        show(p);
        EXPECT_FALSE(child("widget_bmsF")->isVisibleTo(page.get())) << p;
    }
    show(1);
    EXPECT_TRUE(child("widget_bmsF")->isVisibleTo(page.get()));
}

TEST_F(BmsTest, ControlsStartFromTheSettings)
{
    set[55].value = 1;
    set[60].value = 1;
    set[61].value = 0;
    make(8);
    QComboBox* variant = page->findChild<QComboBox*>("comboBox_49");
    EXPECT_EQ(variant->itemText(0), "Mode 0");
    EXPECT_EQ(variant->currentIndex(), 1);
    EXPECT_EQ(page->findChild<QComboBox*>("comboBox_50")->currentIndex(), 1);
    EXPECT_EQ(page->findChild<QComboBox*>("comboBox_51")->currentIndex(), 0);
    EXPECT_EQ(page->findChild<QComboBox*>("comboBox_51")->itemText(1), "使能");
    make(5);
    EXPECT_EQ(page->findChild<QComboBox*>("comboBox_49")->itemText(1), "BSMU");
}

TEST_F(BmsTest, VariantChangeAsksAndRestartsOnlyOnYes)
{
    make(5);
    int asked = 0;
    {
        Answer no(false, &asked);
        page->on_comboBox_49_activated(1);
    }
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(set[55].value, 0);
    EXPECT_EQ(tree.commands().find("reboot"), std::string::npos);
    {
        Answer yes(true, &asked);
        page->on_comboBox_49_activated(1);
    }
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(set[55].value, 1);
    EXPECT_NE(tree.commands().find("reboot"), std::string::npos);
    set[55].value = 0;
    readmonitorset();
    EXPECT_EQ(set[55].value, 1) << "saved before the restart";
}

TEST_F(BmsTest, EnableCombosSaveTheirSettings)
{
    make(7);
    page->on_comboBox_50_activated(1);
    page->on_comboBox_51_activated(1);
    set[60].value = 0;
    set[61].value = 0;
    readmonitorset();
    EXPECT_EQ(set[60].value, 1);
    EXPECT_EQ(set[61].value, 1);
    page->on_comboBox_51_activated(0);
    readmonitorset();
    EXPECT_EQ(set[61].value, 0);
}

TEST_F(BmsTest, TheUnitShownSurvivesALeave)
{
    make(7);
    idTurn()->setCurrentId(4);
    bms.analog[{ 3, 0 }] = 52.5f;
    show(1);
    EXPECT_EQ(rec.textAt(250, 80), "52.5");
    page->change_sub_interface(6);
    EXPECT_EQ(idTurn()->findChild<QComboBox*>()->count(), 11);
    page->change_sub_interface(5);
    EXPECT_EQ(idTurn()->getId(), 4);
    show(1);
    EXPECT_EQ(rec.textAt(250, 80), "52.5");
}

TEST_F(BmsTest, RawRegistersOfTypeThree)
{
    make(3);
    idTurn()->setCurrentId(2);
    uiBmsDataInfo[5].decimals = 1;
    uiBmsDataInfo[11].decimals = 0;
    uiBmsDataInfo[2].decimals = 0;
    uiBmsDataInfo[3].decimals = 3;
    word(1, 105, 0xFF38);
    word(1, 111, 0xFFF6);
    word(1, 102, 0xFFFF);
    word(1, 103, 1234);
    struct Case { uint16_t status; const char* text; } cases[] = {
        { 0x5555, "告警" }, { 0x1111, "充满" }, { 0x2222, "放空" }, { 0xAAAA, "故障" }, { 0xBBBB, "正常" },
        { 0x1234, "---" },
    };
    for (const Case& c : cases) {
        word(1, 100, c.status);
        show(1);
        EXPECT_EQ(rec.textAt(500, 80), c.text);
    }
    EXPECT_EQ(rec.textAt(200, 80), "b0");
    EXPECT_EQ(rec.textAt(500, 80 + 31 * 5), "20.0") << "signed, shown as its size";
    EXPECT_EQ(rec.textAt(500, 80 + 31 * 11), "-10");
    EXPECT_EQ(rec.textAt(500, 80 + 31 * 2), "65535") << "unsigned";
    EXPECT_EQ(rec.textAt(500, 80 + 31 * 3), "1.234");
    EXPECT_EQ(rec.textAt(200, 80 + 31 * 13), "b13");
    show(2);
    EXPECT_EQ(rec.textAt(200, 80), "") << "type 3 has one page";
}

TEST_F(BmsTest, TypesOneAndTwoCombineTheirWordsInOppositeOrder)
{
    for (int r = 11; r <= 14; ++r)
        uiBmsDataInfo[r].decimals = 2;
    for (int type : { 1, 2 }) {
        SCOPED_TRACE(type);
        make(type);
        word(0, 111, 1);  // A, row 11
        word(0, 129, 2);  // B, row 29
        word(0, 115, 0xFF9C); // row 15, signed: -100
        rtu.upperWrite(3001, 100, 1);
        show(1);
        EXPECT_EQ(rec.textAt(500, 80), "有效");
        EXPECT_EQ(rec.textAt(500, 112), "无效");
        show(2);
        EXPECT_EQ(rec.textAt(20, 80), "b11");
        EXPECT_EQ(rec.textAt(290, 80), type == 1 ? "1310.73" : "655.38");
        EXPECT_EQ(rec.textAt(290, 80 + 32 * 4), "-10.0");
        EXPECT_EQ(rec.textAt(380, 80), "b20");
        EXPECT_EQ(rec.textAt(620, 80 + 32 * 8), "0.0") << "row 28";
    }
}

TEST_F(BmsTest, TypeFiveDecodesWordsAndScales)
{
    make(5);
    bms.alarm[{ 0, 100 }] = 2;
    bms.alarm[{ 0, 101 }] = 9;
    bms.alarm[{ 0, 102 }] = 1;
    bms.alarm[{ 0, 103 }] = 0xBEEF;
    show(1);
    EXPECT_EQ(rec.textAt(120, 60), "b0");
    EXPECT_EQ(rec.textAt(420, 60), "放电截止");
    EXPECT_EQ(rec.textAt(420, 87), "故障");
    EXPECT_EQ(rec.textAt(420, 114), "充电");
    EXPECT_EQ(rec.textAt(420, 141), "0xbeef");
    EXPECT_EQ(rec.textAt(330, 60), "") << "rows 13 and 14 only with the second variant";

    BmsDataCmd[13] = 10;
    BmsDataCmd[14] = 0; // no scale word: shown unscaled, not divided by zero
    bms.analog[{ 0, 113 }] = 65436; // -100 as a 16-bit word
    bms.analog[{ 0, 114 }] = 7;
    show(2);
    EXPECT_EQ(rec.textAt(420, 60), "-10.0");
    EXPECT_EQ(rec.textAt(420, 87), "7.0");

    BmsDataCmd[27] = 100;
    bms.analog[{ 0, 127 }] = 0x0010;
    bms.analog[{ 0, 128 }] = 0x0001;
    show(3);
    EXPECT_EQ(rec.textAt(420, 60), "655.5") << "(1 * 65536 + 16) / 100";
    EXPECT_EQ(rec.textAt(120, 249), "b34");

    set[55].value = 1;
    bms.alarm[{ 0, 113 }] = 0x1F;
    show(1);
    EXPECT_EQ(rec.textAt(20, 60), "b0");
    EXPECT_EQ(rec.textAt(250, 60), "放电截止");
    EXPECT_EQ(rec.textAt(530, 60), "0x1f");
    show(2);
    EXPECT_EQ(rec.textAt(20, 60), "b15");
    EXPECT_EQ(rec.textAt(330, 60), "b29");
    BmsDataCmd[46] = 1;
    bms.analog[{ 0, 146 }] = 5;
    bms.analog[{ 0, 147 }] = 2;
    bms.analog[{ 0, 141 }] = 65535;
    show(3);
    EXPECT_EQ(rec.textAt(420, 60), "-1.0") << "row 41 signed";
    EXPECT_EQ(rec.textAt(420, 60 + 27 * 5), "131077.0") << "row 46: 2 * 65536 + 5";
}

TEST_F(BmsTest, TypeSixReadsRawRegisters)
{
    make(6);
    word(0, 100, 0xABCD);
    show(1);
    EXPECT_EQ(rec.textAt(420, 60), "0xabcd");
    word(0, 111, 0xFFFE);
    word(0, 110, 0xFFFE);
    word(0, 112, 25);
    BmsDataCmd[10] = 2;
    show(2);
    EXPECT_EQ(rec.textAt(420, 60), "32767.0") << "row 10 unsigned, / 2";
    EXPECT_EQ(rec.textAt(420, 87), "-2.0") << "row 11 signed";
    EXPECT_EQ(rec.textAt(420, 114), "10.0") << "row 12 / 2.5";
    BmsDataCmd[22] = 10;
    word(0, 122, 0xFFFF);
    show(3);
    EXPECT_EQ(rec.textAt(420, 60), "6553.5");
}

TEST_F(BmsTest, TypeSevenStatusWords)
{
    make(7);
    bms.status[{ 0, 133 }] = 3;
    bms.status[{ 0, 134 }] = 170;
    bms.status[{ 0, 135 }] = 171;
    bms.status[{ 0, 136 }] = 0x0C0B0A01;
    bms.status[{ 0, 137 }] = 0x04031200;
    bms.status[{ 0, 131 }] = -5;
    bms.analog[{ 0, 20 }] = 3.24f;
    show(2);
    EXPECT_EQ(rec.textAt(250, 80), "3.2");
    EXPECT_EQ(rec.textAt(550, 80 + 32 * 1), "-5");
    EXPECT_EQ(rec.textAt(550, 80 + 32 * 3), "搁置");
    EXPECT_EQ(rec.textAt(550, 80 + 32 * 4), "有效");
    EXPECT_EQ(rec.textAt(550, 80 + 32 * 5), "无效");
    EXPECT_EQ(rec.textAt(550, 80 + 32 * 6), "A:SPa-Vb-Rc");
    EXPECT_EQ(rec.textAt(550, 80 + 32 * 7), "B3-V1.2-S4");
    bms.status[{ 0, 136 }] = 0x0C0B0A02;
    bms.status[{ 0, 133 }] = 7;
    show(2);
    EXPECT_EQ(rec.textAt(550, 80 + 32 * 6), "B:SPa-Vb-Rc");
    EXPECT_EQ(rec.textAt(550, 80 + 32 * 3), "");
    bms.alarm[{ 0, 0 }] = 6;
    bms.alarm[{ 0, 19 }] = 8;
    bms.alarm[{ 0, 30 }] = 9;
    show(3);
    EXPECT_EQ(rec.textAt(220, 80), "6");
    show(4);
    EXPECT_EQ(rec.textAt(50, 80), "b57");
    EXPECT_EQ(rec.textAt(220, 80), "8");
    EXPECT_EQ(rec.textAt(480, 80 + 32 * 1), "9") << "k = 11";
}

TEST_F(BmsTest, ReadingsCutToOneDecimalTowardZero)
{
    struct Case { int type; int row; int reg; float value; const char* text; } cases[] = {
        { 10, 11, 11, 3.79f, "3.70" },
        { 10, 11, 11, -3.79f, "-3.70" },
        { 10, 11, 11, 1e6f, "3276.70" },
        { 11, 4, 104, 12.56f, "12.50" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        uiBmsDataInfo[c.row].decimals = 2;
        make(c.type);
        bms.analog[{ 0, c.reg }] = c.value;
        show(1);
        const int x = c.type == 10 ? 560 : 500;
        const int y = c.type == 10 ? 80 : 80 + 31 * 4;
        EXPECT_EQ(rec.textAt(x, y), c.text);
    }
    make(11);
    bms.analog[{ 0, 100 }] = 0xAAAA;
    show(1);
    EXPECT_EQ(rec.textAt(500, 80), "故障");
}

TEST_F(BmsTest, GenericLayoutForTypesZeroAndEight)
{
    for (int type : { 0, 8 }) {
        SCOPED_TRACE(type);
        make(type);
        bms.status[{ 0, 0 }] = 3;
        bms.status[{ 0, 1 }] = 1;
        bms.status[{ 0, 3 }] = 1;
        bms.status[{ 0, 4 }] = 0;
        bms.status[{ 0, 5 }] = 42;
        show(1);
        EXPECT_EQ(rec.textAt(200, 80), "row120");
        EXPECT_EQ(rec.textAt(400, 80), "磷酸铁锂电池");
        EXPECT_EQ(rec.textAt(400, 112), "使能");
        EXPECT_EQ(rec.textAt(400, 144), "禁用");
        EXPECT_EQ(rec.textAt(400, 176), "故障");
        EXPECT_EQ(rec.textAt(400, 208), "关闭");
        EXPECT_EQ(rec.textAt(400, 240), "42");
        bms.alarm[{ 0, 10 }] = 2;
        show(type == 8 ? 2 : 1);
        if (type == 8) {
            EXPECT_EQ(rec.textAt(310, 80 + 32), "row150");
            EXPECT_EQ(rec.textAt(480, 80 + 32), "告警 LV2");
            uiDataInfo[160].decimals = 1;
            bms.analog[{ 0, 0 }] = 0.953f;
            show(3);
            EXPECT_EQ(rec.textAt(290, 80), "95.3") << "k = 0 times 100";
        }
    }
}

TEST_F(BmsTest, TypeNineAlarmLevels)
{
    make(9);
    EXPECT_EQ(page->showBmsAlarmdata(1), "轻度告警");
    EXPECT_EQ(page->showBmsAlarmdata(2), "中度告警");
    EXPECT_EQ(page->showBmsAlarmdata(3), "严重告警");
    EXPECT_EQ(page->showBmsAlarmdata(7), "正常");
    bms.status[{ 0, 114 }] = 12;
    bms.alarm[{ 0, 124 }] = 3;
    show(2);
    EXPECT_EQ(rec.textAt(220, 80), "12");
    EXPECT_EQ(rec.textAt(480, 80), "严重告警");
}

TEST_F(BmsTest, WithoutABatteryDeviceEveryPageDrawsZeroes)
{
    for (int type = 0; type <= 11; ++type) {
        make(type);
        page->setBms(nullptr);
        for (int p = 1; p <= 4; ++p)
            show(p);
    }
    make(4);
    page->setBms(nullptr);
    show(1);
    EXPECT_EQ(rec.textAt(420, 60), "0.0");
}

TEST_F(BmsTest, PicturesOfTheBatteryPages)
{
    // Each picture with a few of the fields it must show, '|' between them.
    const struct { int type; int pageNumber; const char* file; const char* shows; } shots[] = {
        { 3, 1, "interface_sysinf_5_bms_type3.png", "电池组电流(A)|10.0|SOH(%)|30.0" },
        { 5, 1, "interface_sysinf_5_bms_type5.png", "电池组电流(A)|停止|SOC(%)|放电|BCMU" },
        { 7, 1, "interface_sysinf_5_bms_type7.png", "电池组电压(V)|3.2|电池组电流(A)|4.2|唤醒使能|不使能" },
        { 0, 1, "interface_sysinf_5_bms_generic.png", "电池类型|磷酸铁锂电池|主接触器|关闭" },
    };
    for (const auto& s : shots) {
        loadInterfaceFile(false, s.type, 0, 0);
        make(s.type);
        for (int r = 0; r < 20; ++r) {
            bms.analog[{ 0, r }] = 3.2f + r;
            bms.alarm[{ 0, uiBmsDataInfo[r].index }] = r % 4;
            word(0, uiBmsDataInfo[r].index, uint16_t(100 * r));
        }
        word(0, uiBmsDataInfo[0].index, 0xBBBB);
        bms.status[{ 0, 0 }] = 3;
        pageTurn()->setCurrentPage(s.pageNumber);
        EXPECT_FALSE(saveArtifact(page.get(), s.file).isEmpty()) << s.file;
        EXPECT_EQ(notDrawn(page.get(), QString::fromUtf8(s.shows).split('|')), QStringList()) << s.file;
    }
}
