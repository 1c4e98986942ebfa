#include "energyschedule.h"
#include "globalvar.h"
#include "keypadtyper.h"
#include "localdatatable.h"
#include "monitorset.h"
#include "runtimetree.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string.h>

namespace {

class ScheduleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(localData, 0, sizeof localData);
        set[59].value = 0;
        set[7].value = 1;
        set[23].value = 4;
    }
    QLineEdit* edit(int row) { return page->findChild<QLineEdit*>(QString("lineEdit_%1").arg(row)); }
    QString caption(int row) { return page->findChild<QLabel*>(QString("label_period_%1").arg(row))->text(); }
    QString valueTitle() { return page->findChild<QLabel*>("label_value_1")->text(); }
    // Types text into entry row (1..24); returns the keypad's hint.
    QString enter(int row, const char* text)
    {
        KeyPadTyper typer(text);
        touch(edit(row));
        return typer.hint;
    }
    RuntimeTree tree{ true };
    std::unique_ptr<EnergySchedule> page;
};

float fileFloat(RuntimeTree& tree, int word)
{
    const std::string bytes = tree.readFile("log/localdata.dat");
    float v;
    memcpy(&v, bytes.data() + 4 * word, 4);
    return v;
}

} // namespace

TEST_F(ScheduleTest, ModesChooseTitlesTablesAndDecimals)
{
    page.reset(new EnergySchedule);
    page->show();
    localData[5] = 12.34f;
    localData[512 + 5] = 0.56789f;
    localData[800 + 17] = 3.0f;
    localData[48 * 2 + 5] = -7.0f;
    QComboBox* branch = page->findChild<QComboBox*>("comboBox");
    QLabel* note = page->findChild<QLabel*>("label_note");

    page->setMode(2);
    EXPECT_EQ(valueTitle(), "功率(kW)");
    EXPECT_FALSE(branch->isVisible());
    EXPECT_FALSE(note->isVisible());
    EXPECT_EQ(edit(6)->text(), "12.3");
    EXPECT_EQ(page->getBranch(), 0);

    page->setMode(3);
    EXPECT_EQ(valueTitle(), "价格(元)");
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(edit(6)->text(), "0.5679");
    page->setMode(4);
    EXPECT_EQ(edit(18)->text(), "3.0000");

    set[59].value = 2;
    page->setMode(2);
    EXPECT_EQ(valueTitle(), "直流功率(kW)/电流(A)");
    EXPECT_TRUE(branch->isVisible());
    EXPECT_EQ(branch->count(), 4);
    EXPECT_EQ(page->getBranch(), 1);
    branch->setCurrentIndex(1);
    emit branch->activated(1);
    EXPECT_EQ(page->getBranch(), 2);
    EXPECT_EQ(edit(6)->text(), "-7.0");
    EXPECT_FALSE(note->isVisible());
    page->resize(796, 480);
    saveArtifact(page.get(), "energy_schedule_dc.png");
}

struct ScheduleCase {
    const char* name;
    int strategy;    // set[59]
    int mode;
    int row;
    bool secondHalf; // ">>" pressed first
    const char* typed;
    int word;
    float stored;
    const char* hint;
};

const ScheduleCase kScheduleCases[] = {
    { "ac_power", 0, 2, 1, false, "100.5", 0, 100.5f, "(-660.0~660.0)" },
    { "ac_power_clamped", 0, 2, 3, false, "700", 2, 660.0f, "(-660.0~660.0)" },
    { "ac_power_after_next_page", 0, 2, 1, true, "-20", 24, -20.0f, "(-660.0~660.0)" },
    { "ac_right_column", 0, 2, 13, true, "5", 36, 5.0f, "(-660.0~660.0)" },
    { "dc_branch_clamped", 2, 2, 2, false, "-2000", 48 + 1, -1500.0f, "(-1500.0~1500.0)" },
    { "price_a", 0, 3, 4, false, "0.85", 512 + 3, 0.85f, "(0.0~1000.0)" },
    { "price_b_clamped", 2, 4, 24, true, "1200", 800 + 47, 1000.0f, "(0.0~1000.0)" },
    { "price_negative", 0, 3, 1, false, "-1", 512, 0.0f, "(0.0~1000.0)" },
};

class ScheduleEntry : public ScheduleTest, public ::testing::WithParamInterface<ScheduleCase> {};

TEST_P(ScheduleEntry, StoresTheClampedValueAndSavesTheTable)
{
    const ScheduleCase& c = GetParam();
    set[59].value = c.strategy;
    page.reset(new EnergySchedule);
    page->setMode(c.mode);
    if (c.secondHalf)
        page->findChild<QPushButton*>("pushButton_2")->click();
    EXPECT_EQ(enter(c.row, c.typed).toStdString(), c.hint);
    // The keypad nudges a typed value by 5e-6 away from zero.
    EXPECT_NEAR(localData[c.word], c.stored, 1e-5);
    EXPECT_EQ(fileFloat(tree, c.word), localData[c.word]);
    EXPECT_EQ(tree.readFile("log/localdata.dat").size(), 4096u);
    for (int w = 0; w < LocalDataTable::WORDS; ++w) {
        if (w != c.word) {
            ASSERT_EQ(localData[w], 0.0f) << w;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ScheduleEntry, ::testing::ValuesIn(kScheduleCases),
    [](const ::testing::TestParamInfo<ScheduleCase>& info) { return std::string(info.param.name); });

TEST_F(ScheduleTest, AllBranchesTogetherWriteEveryBranch)
{
    set[59].value = 2;
    set[7].value = 0;
    set[23].value = 3;
    page.reset(new EnergySchedule);
    page->setMode(2);
    enter(5, "250");
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(localData[48 * k + 4], 250.0f) << k;
    EXPECT_EQ(localData[48 * 4 + 4], 0.0f);
    EXPECT_EQ(localData[4], 0.0f);
}

TEST_F(ScheduleTest, ABranchPastTheEighthStoresNothing)
{
    // The combo offers up to set[23] entries; a ninth branch would write into the price table.
    set[59].value = 2;
    set[23].value = 10;
    page.reset(new EnergySchedule);
    page->setMode(2);
    QComboBox* branch = page->findChild<QComboBox*>("comboBox");
    branch->setCurrentIndex(9);
    emit branch->activated(9);
    enter(1, "10");
    for (int w = 0; w < LocalDataTable::WORDS; ++w)
        ASSERT_EQ(localData[w], 0.0f) << w;
}

TEST_F(ScheduleTest, CancelledKeypadChangesNothing)
{
    page.reset(new EnergySchedule);
    page->setMode(2);
    enter(1, nullptr);
    EXPECT_EQ(localData[0], 0.0f);
    EXPECT_FALSE(tree.exists("log/localdata.dat") && fileFloat(tree, 0) != 0.0f);
}

TEST_F(ScheduleTest, PagingButtonsSetTheCaptions)
{
    page.reset(new EnergySchedule);
    EXPECT_EQ(caption(1), "00:00~0:30");
    EXPECT_EQ(caption(2), "00:30~01:00");
    page->findChild<QPushButton*>("pushButton_2")->click();
    EXPECT_EQ(page->getPageOffset(), 24);
    EXPECT_EQ(caption(1), "12:00~12:30");
    EXPECT_EQ(caption(12), "17:30~18:00");
    EXPECT_EQ(caption(13), "18:00~18:30");
    EXPECT_EQ(caption(24), "23:30~24:00");
    page->findChild<QPushButton*>("pushButton")->click();
    EXPECT_EQ(page->getPageOffset(), 0);
    EXPECT_EQ(caption(1), "00:00~00:30");
    EXPECT_EQ(caption(24), "11:30~12:00");
}

TEST_F(ScheduleTest, SaveRewritesTheFileInPlace)
{
    // A longer file keeps its tail; the table takes the first 4096 bytes.
    tree.writeFile("log/localdata.dat", std::string(5000, '\x7f'));
    page.reset(new EnergySchedule);
    localData[100] = 2.0f;
    page->setMode(3);
    enter(1, "3");
    const std::string bytes = tree.readFile("log/localdata.dat");
    ASSERT_EQ(bytes.size(), 5000u);
    // 2.0f = 0x40000000, little-endian, at word 100.
    EXPECT_EQ(bytes.substr(4 * 100, 4), std::string("\x00\x00\x00\x40", 4));
    EXPECT_NEAR(fileFloat(tree, 512), 3.0f, 1e-5);
    EXPECT_EQ(bytes.substr(0, 4), std::string(4, '\0'));
    EXPECT_EQ(bytes.substr(4096), std::string(904, '\x7f'));
}
