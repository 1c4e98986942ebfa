#include "interface_energy.h"
#include "globalvar.h"
#include "keypadtyper.h"
#include "racktable.h"
#include "widgettest.h"
#include "energythread.h"
#include "modbusacdcdata.h"
#include "modbusrtudevice.h"
#include "modbusstsdata.h"
#include "modbustcpdevice.h"
#include "monitorset.h"
#include "rtuline.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QThread>
#include <unistd.h>
#include <stdio.h>
#include <string>

namespace {

// The option record with the given insulation monitors enabled (words 42 + m).
std::string optionRecord(std::initializer_list<int> monitors)
{
    std::string record(840, '\0');
    for (int m : monitors)
        record[4 * (42 + m)] = 1;
    return record;
}

// The converter's anti-backflow enable (parameter 280) in its parameter file.
void antiBackflowInParamFile(RuntimeTree& tree, int on)
{
    std::string param = tree.readFile("conf/default/param.ini");
    char line[17];
    snprintf(line, sizeof line, "0280/%010d", on * 1000);
    param.replace(280 * 16, 15, line);
    tree.writeFile("conf/param_0.ini", param);
}

} // namespace

TEST(interface_Energy, WithoutTheConverterTheThreadIsNotStarted)
{
    RuntimeTree tree{ true };
    set[42].value = 1;
    interface_Energy page;
    ASSERT_NE(page.findChild<EnergyThread*>(), nullptr);
    EXPECT_FALSE(page.findChild<EnergyThread*>()->isRunning());
    page.setDeviceData(nullptr, nullptr, nullptr, nullptr, nullptr);
    EnergyThread* t = page.findChild<EnergyThread*>();
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(t->isRunning());
    EXPECT_EQ(set[42].value, 1);
}

TEST(interface_Energy, StartsTheThreadOnceWithTheConvertersAntiBackflowAndTheMonitorEnables)
{
    RuntimeTree tree{ true };
    antiBackflowInParamFile(tree, 1);
    tree.writeFile("log/partdata.dat", optionRecord({ 1, 3 }));
    RtuLine line;
    ASSERT_TRUE(line.open(tree.path("dev/ttySAC1")));
    line.start();
    ModbusAcDcData ac(13, const_cast<char*>("/dev/ttySAC1"), const_cast<char*>("19200,n,8,1"), 300, 0);
    ASSERT_EQ(ac.open(), 0);
    ModbusSTSData sts(1, "/dev/ttySAC2", "19200,n,8,1", 800, 0);
    sts.open();
    modbus::ModbusrtuDevice rtu(nullptr, nullptr, nullptr, "/dev/ttySAC3", 19200, 1, 1, 0, 0);
    modbus::ModbustcpDevice tcp(nullptr, nullptr, nullptr, 502, 1, 0, 0);
    readmonitorset();
    set[42].value = 0;
    {
        interface_Energy page;
        page.setDeviceData(&ac, nullptr, &sts, &rtu, &tcp);
        EnergyThread* t = page.findChild<EnergyThread*>();
        ASSERT_NE(t, nullptr);
        EXPECT_TRUE(t->isRunning());
        EXPECT_EQ(set[42].value, 1);
        EXPECT_EQ(t->insulationEnable[1], 1);
        EXPECT_EQ(t->insulationEnable[3], 1);
        EXPECT_EQ(t->insulationEnable[0], 0);
        page.setDeviceData(&ac, nullptr, &sts, &rtu, &tcp);
        EXPECT_EQ(page.findChildren<EnergyThread*>().size(), 1);

        // The thread's start publishes the enables to the slaves.
        float v = 0;
        for (int i = 0; i < 2000 && tcp.getAnalog(0, 404, &v) != 0; ++i)
            QThread::msleep(1);
        EXPECT_EQ(v, 1.0f);
        EXPECT_EQ(rtu.getStatus(0, 402), 1);
        EXPECT_EQ(rtu.getStatus(0, 401), 0);
    }   // the page stops its thread
    set[42].value = 0;
    readmonitorset();
    EXPECT_EQ(set[42].value, 1);   // saved
}

TEST(interface_Energy, AShortOptionRecordEnablesNoMonitor)
{
    RuntimeTree tree{ true };
    tree.writeFile("log/partdata.dat", std::string(100, '\1'));
    interface_Energy page;
    page.setDeviceData(nullptr, nullptr, nullptr, nullptr, nullptr);
    EnergyThread* t = page.findChild<EnergyThread*>();
    ASSERT_NE(t, nullptr);
    for (int m = 0; m < EnergyThread::MONITORS; ++m)
        EXPECT_EQ(t->insulationEnable[m], 0) << m;
}

// ---- the page's controls ----

namespace {

QLineEdit* edit(QWidget& page, const char* name)
{
    return page.findChild<QLineEdit*>(name);
}

// The option record's words as stored in the file.
int32_t fileWord(RuntimeTree& tree, int word)
{
    const std::string bytes = tree.readFile("log/partdata.dat");
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data()) + 4 * word;
    return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

struct EntryCase {
    const char* field;
    int slot;
    const char* typed;   // null: the keypad is cancelled
    int stored;
    const char* shown;
};

const EntryCase kEntryCases[] = {
    { "lineEdit_NLP", 43, "20", 20, "20" },
    { "lineEdit_NLP", 43, "75", 50, "50" },
    { "lineEdit_NLP", 43, "-3", 0, "0" },
    { "lineEdit_NLP", 43, "12.7", 12, "12" },
    { "lineEdit_NLP", 43, nullptr, 7, "7" },
    { "lineEdit_NLR", 44, "12", 10, "10" },
    { "lineEdit_YOUJI_2", 58, "85", 85, "85" },
    { "lineEdit_YOUJI_2", 58, "30", 40, "40" },
    { "lineEdit_YOUJI_2", 58, "120", 99, "99" },
    { "lineEdit_YOUJI", 49, "900", 150, "150 kW" },   // rack row 2: 150 kW
    { "lineEdit_YOUJI", 49, "-5", 0, "0 kW" },
};

class EnergyEntry : public ::testing::TestWithParam<EntryCase> {};

} // namespace

TEST_P(EnergyEntry, StoresTheClampedValueAndSavesIt)
{
    const EntryCase& c = GetParam();
    RuntimeTree tree{ true };
    readmonitorset();
    set[c.slot].value = 7;
    savemonitorset();
    currentRackInfo.seq = 2;
    interface_Energy page;
    edit(page, c.field)->setText("7");
    {
        KeyPadTyper typer(c.typed);
        touch(edit(page, c.field));
        EXPECT_EQ(typer.shown, 1);
    }
    EXPECT_EQ(set[c.slot].value, c.stored);
    EXPECT_EQ(edit(page, c.field)->text().toStdString(), c.shown);
    set[c.slot].value = -1;
    readmonitorset();
    EXPECT_EQ(set[c.slot].value, c.stored);   // saved
}

INSTANTIATE_TEST_SUITE_P(Table, EnergyEntry, ::testing::ValuesIn(kEntryCases),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return std::to_string(info.index); });

TEST(interface_Energy, StrategyChoiceStoresItAndAsksTheFrameForItsRows)
{
    RuntimeTree tree{ true };
    readmonitorset();
    set[59].value = 0;
    set[56].value = 2;
    set[58].value = 66;
    set[42].value = 1;
    interface_Energy page;
    QList<int> spy;
    QObject::connect(&page, &interface_Energy::sinal_hidesome, [&spy](int t) { spy.append(t); });
    QComboBox* combo = page.findChild<QComboBox*>("comboBox_Manage");
    QWidget* pv = page.findChild<QWidget*>("widget_pv");
    page.change_sub_interface(1);
    page.show();

    combo->setCurrentIndex(1);
    emit combo->activated(1);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.takeFirst(), 1);
    EXPECT_EQ(set[59].value, 1);
    EXPECT_EQ(set[56].value, 0);
    EXPECT_TRUE(pv->isVisible());
    EXPECT_EQ(edit(page, "lineEdit_YOUJI_2")->text(), "66");
    EXPECT_EQ(set[42].value, 1);

    // The DC schedule switches the anti-backflow hold off.
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.takeFirst(), 2);
    EXPECT_EQ(set[59].value, 2);
    EXPECT_EQ(set[42].value, 0);
    EXPECT_FALSE(page.findChild<QCheckBox*>("checkBox_NL")->isChecked());
    EXPECT_FALSE(pv->isVisible());

    combo->setCurrentIndex(0);
    emit combo->activated(0);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.takeFirst(), 0);
    EXPECT_EQ(set[59].value, 0);

    readmonitorset();
    EXPECT_EQ(set[59].value, 0);
    EXPECT_EQ(set[42].value, 0);
    EXPECT_EQ(set[56].value, 0);
}

TEST(interface_Energy, TheDcScheduleSwitchesTheConvertersAntiBackflowOff)
{
    RuntimeTree tree{ true };
    antiBackflowInParamFile(tree, 1);
    RtuLine line;
    ASSERT_TRUE(line.open(tree.path("dev/ttySAC1")));
    line.start();
    ModbusAcDcData ac(13, const_cast<char*>("/dev/ttySAC1"), const_cast<char*>("19200,n,8,1"), 300, 0);
    ASSERT_EQ(ac.open(), 0);
    readmonitorset();
    set[59].value = 0;
    interface_Energy page;
    page.setDeviceData(&ac, nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(set[42].value, 1);
    QComboBox* combo = page.findChild<QComboBox*>("comboBox_Manage");
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    EXPECT_EQ(set[42].value, 0);
    float v = -1;
    EXPECT_EQ(ac.getConfig(0, 280, &v), 0);
    EXPECT_EQ(v, 0.0f);
}

TEST(interface_Energy, FreshmeFollowsTheLevelTheSettingAndThePvState)
{
    RuntimeTree tree{ true };
    readmonitorset();
    set[59].value = 1;
    interface_Energy page;
    QComboBox* combo = page.findChild<QComboBox*>("comboBox_Manage");
    keyword_right = 1;
    set[42].value = 1;
    page.change_sub_interface(1);
    g_pvstate = 1;
    g_showsoc = 55.5f;
    page.freshme();
    EXPECT_FALSE(combo->isEnabled());
    EXPECT_TRUE(page.findChild<QCheckBox*>("checkBox_NL")->isChecked());
    EXPECT_EQ(edit(page, "lineEdit_Status_2")->text(), "Status-1 -55.5");
    g_pvstate = 2;
    keyword_right = 2;
    page.freshme();
    EXPECT_TRUE(combo->isEnabled());
    EXPECT_EQ(edit(page, "lineEdit_Status_2")->text(), "Status-2");
    g_pvstate = 0;
    page.freshme();
    EXPECT_EQ(edit(page, "lineEdit_Status_2")->text(), "");
    page.resize(796, 480);
    saveArtifact(&page, "energy_pv_tab.png");
    page.change_sub_interface(0);
    saveArtifact(&page, "energy_strategy_tab.png");
    keyword_right = 0;
}

TEST(interface_Energy, SubMenuRowsPickTabsAndScheduleModes)
{
    RuntimeTree tree{ true };
    interface_Energy page;
    page.change_sub_interface(3);
    EXPECT_EQ(page.currentTab(), 2);
    EXPECT_EQ(page.scheduleMode(), 3);
    page.setShowMode();
    EXPECT_EQ(page.scheduleMode(), 2);
    page.change_sub_interface(6);
    EXPECT_EQ(page.currentTab(), 6);
    page.change_sub_interface(5);
    EXPECT_EQ(page.currentTab(), 5);
}

TEST(interface_Energy, AMissingOptionRecordIsCreatedWithTheDefaultBaudRate)
{
    RuntimeTree tree{ true };
    ::unlink("../log/partdata.dat");
    {
        interface_Energy page;
    }
    const std::string bytes = tree.readFile("log/partdata.dat");
    std::string expected(840, '\0');
    expected[4 * 62] = char(0x00);   // 19200 = 0x4B00
    expected[4 * 62 + 1] = char(0x4B);
    EXPECT_EQ(bytes, expected);

    // A baud rate that is neither 19200 nor 9600 is put back to 19200; the rest stays.
    std::string odd = expected;
    odd[4 * 62] = 7;
    odd[4 * 62 + 1] = 0;
    odd[4 * 10] = 5;
    tree.writeFile("log/partdata.dat", odd);
    interface_Energy page;
    EXPECT_EQ(fileWord(tree, 62), 19200);
    EXPECT_EQ(fileWord(tree, 10), 5);
    EXPECT_EQ(tree.readFile("log/partdata.dat").size(), 840u);
}

TEST(interface_Energy, OptionsAreKeptInTheRecord)
{
    RuntimeTree tree{ true };
    readmonitorset();
    set[23].value = 4;
    keyword_right = 2;
    interface_Energy page;
    page.change_sub_interface(5);
    page.show();
    QComboBox* kind = page.findChild<QComboBox*>("comboBox_DB");
    QComboBox* number = page.findChild<QComboBox*>("comboBox_DB_3");
    QComboBox* enable = page.findChild<QComboBox*>("comboBox_DB_2");
    QWidget* panel = page.findChild<QWidget*>("widget_insulation");
    EXPECT_EQ(number->count(), 4);
    EXPECT_FALSE(number->isVisible());

    // Load meter: enable and ID.
    kind->setCurrentIndex(1);
    emit kind->activated(1);
    enable->setCurrentIndex(1);
    emit enable->activated(1);
    {
        KeyPadTyper typer("12");
        touch(edit(page, "lineEdit_DBID"));
    }
    EXPECT_EQ(fileWord(tree, 21), 1);
    EXPECT_EQ(fileWord(tree, 31), 12);
    EXPECT_EQ(fileWord(tree, 0), 0);

    // Insulation monitor 3; the setting panel stays hidden below level 3.
    kind->setCurrentIndex(2);
    emit kind->activated(2);
    EXPECT_TRUE(number->isVisible());
    EXPECT_FALSE(panel->isVisible());
    number->setCurrentIndex(2);
    emit number->activated(2);
    enable->setCurrentIndex(1);
    emit enable->activated(1);
    {
        KeyPadTyper typer("33");
        touch(edit(page, "lineEdit_DBID"));
    }
    EXPECT_EQ(fileWord(tree, 44), 1);
    EXPECT_EQ(fileWord(tree, 54), 33);

    keyword_right = 3;
    emit kind->activated(2);
    EXPECT_TRUE(panel->isVisible());
    QLabel* result = page.findChild<QLabel*>("label_6");
    {
        KeyPadTyper typer("9600");
        touch(edit(page, "lineEdit_DBID_2"));
    }
    page.findChild<QPushButton*>("pushButton_baud")->click();
    EXPECT_EQ(result->text(), "设置成功");
    EXPECT_EQ(fileWord(tree, 62), 9600);
    {
        KeyPadTyper typer("4800");
        touch(edit(page, "lineEdit_DBID_2"));
    }
    page.findChild<QPushButton*>("pushButton_baud")->click();
    EXPECT_EQ(result->text(), "设置失败");
    EXPECT_EQ(fileWord(tree, 62), 9600);
    // No switch device: the write fails and says so.
    page.findChild<QPushButton*>("pushButton_9")->click();
    EXPECT_EQ(result->text(), "设置失败");
    page.resize(796, 480);
    saveArtifact(&page, "energy_options_tab.png");
    keyword_right = 0;
}
