#include "nametables.h"
#include "panelfonts.h"
#include "runtimetree.h"

#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QString>

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {
const char* kAcMap =
    "[STATUS_NUM]\n3\n[STATUS_DATA]\n"
    "0\t0\tLink\t0\n"
    "1\t500\tOutside\t1\n"       // past the table: skipped
    "2\t4\tAlarm state\t4\n"
    "[ALARM_NUM]\n1\n[ALARM_DATA]\n0\t7\tGrid overvoltage\t100\n"
    "[ANALOG_NUM]\n1\n[ANALOG_DATA]\n0\t53\tActive power\t253\n"
    "[CONF_NUM]\n2\n[CONF_DATA]\n280\tAnti-backflow\n-1\tNegative\n";
}

TEST(NameTables, DeviceNamesCutSkippedAndEnglish)
{
    RuntimeTree tree;
    const std::string longName(60, 'x');
    tree.writeFile("conf/map.pdu", "[STATUS_NUM]\n1\n[STATUS_DATA]\n0\t1\t中文名\t0\n");
    tree.writeFile("conf/map_english.pdu", kAcMap);
    tree.writeFile("conf-dcdc/map_english.pdu",
        "[STATUS_DATA_NUM]\n1\n[STATUS_DATA_INFO]\n100\tOnline\n"
        "[ALARM_DATA_NUM]\n1\n[ALARM_DATA_INFO]\n2\t" + longName + "\n"
        "[ANALOG_DATA_NUM]\n1\n[ANALOG_DATA_INFO]\n5\tSOC\t1\n"
        "[CONF_DATA_NUM]\n1\n[CONF_DATA_INFO]\n87\t1\tActive power\t0\tff\t1\t0\t100\n");
    clearNameTables();
    loadDeviceNames(true);
    EXPECT_STREQ(text_dcac_status[0], "Link");
    EXPECT_STREQ(text_dcac_status[4], "Alarm state");
    EXPECT_STREQ(text_dcac_status[1], "");        // the Chinese file was not read
    EXPECT_STREQ(text_dcac_alarm[7], "Grid overvoltage");
    EXPECT_STREQ(text_dcac_analog[53], "Active power");
    EXPECT_STREQ(text_dcac_config[280], "Anti-backflow");
    EXPECT_STREQ(text_dcdc_status[100], "Online");
    EXPECT_EQ(std::string(text_dcdc_alarm[2]), std::string(31, 'x'));
    EXPECT_STREQ(text_dcdc_analog[5], "SOC");
    EXPECT_STREQ(text_dcdc_config[87], "Active power");
    // The switch map is missing: its tables stay blank.
    EXPECT_STREQ(text_sts_status[0], "");

    clearNameTables();
    loadDeviceNames(false);
    EXPECT_STREQ(text_dcac_status[1], "中文名");
}

TEST(NameTables, BatteryAndGridCodeSectionsChosenBySettings)
{
    RuntimeTree tree;
    tree.writeFile("bin/pcs_interface.pdu",
        "[UiDataNumInfo]\n2\n[UiDataInfo]\n0\t53\tPower\t1\n400\t1\tOutside\t0\n"
        "[UiBmsInfoNum_BMSD]\n1\n[UiBmsInfo_BMSD]\n0\t1\tD one\t1\t10\n"
        "[UiBmsInfoNum_BMSD_2]\n1\n[UiBmsInfo_BMSD_2]\n0\t2\tD two\t2\t20\n"
        "[UiBmsInfoNum_DEF]\n1\n[UiBmsInfo_DEF]\n0\t3\tDefault\t0\t1\n"
        "[UiRzVersionNum_China]\n1\n[UiRzVersion_China]\n0\t128\t60\tOV\tRange\t253\t310.5\t276\n"
        "[UiRzVersionNum_UK]\n2\n[UiRzVersion_UK]\n0\t129\t-1\tUV\tHint\t1\t2\t0.1\n1\t130\t-1\tX\tY\t0\t1\t1\n");
    struct Case { const char* name; int bms; int variant; int grid; const char* bmsRow; int cmd; int rows; const char* rz; };
    const Case cases[] = {
        { "type 5 first set", 5, 0, 0, "D one", 10, 1, "OV" },
        { "type 5 second set", 5, 1, 3, "D two", 20, 2, "UV" },
        { "other type", 8, 0, 0, "Default", 1, 1, "OV" },
        { "grid code out of range reads China", 0, 0, 9, "Default", 1, 1, "OV" },
    };
    for (const Case& c : cases) {
        clearNameTables();
        EXPECT_EQ(loadInterfaceFile(false, c.bms, c.variant, c.grid), c.rows) << c.name;
        EXPECT_STREQ(uiDataInfo[0].name, "Power") << c.name;
        EXPECT_EQ(uiDataInfo[0].index, 53);
        EXPECT_STREQ(uiBmsDataInfo[0].name, c.bmsRow) << c.name;
        EXPECT_EQ(BmsDataCmd[0], c.cmd) << c.name;
        EXPECT_STREQ(uiRzData[0].name, c.rz) << c.name;
    }
    EXPECT_EQ(uiRzData[0].acIdx, 128);
    EXPECT_EQ(uiRzData[0].stsIdx, 60);
    EXPECT_FLOAT_EQ(uiRzData[0].maxValue, 310.5f);
}

TEST(NameTables, GridRowsSurviveAMissingBatterySection)
{
    RuntimeTree tree;
    tree.writeFile("bin/pcs_interface.pdu",
        "[UiDataNumInfo]\n0\n[UiDataInfo]\n"
        "[UiRzVersionNum_China]\n1\n[UiRzVersion_China]\n0\t128\t-1\tOV\tRange\t1\t2\t3\n");
    clearNameTables();
    EXPECT_EQ(loadInterfaceFile(false, 4, 0, 0), 1);
    EXPECT_STREQ(uiRzData[0].name, "OV");
}

TEST(NameTables, SampleFilesOfTheTemplateFillTheTables)
{
    RuntimeTree tree(true);
    for (bool english : { false, true }) {
        clearNameTables();
        loadDeviceNames(english);
        EXPECT_STRNE(text_dcac_status[0], "") << english;
        EXPECT_STRNE(text_dcdc_status[100], "") << english;
        EXPECT_STRNE(text_sts_alarm[0], "") << english;
        EXPECT_STRNE(text_dcac_config[280], "") << english;
        EXPECT_EQ(loadInterfaceFile(english, 5, 1, 2), 62) << english;
        EXPECT_STRNE(uiDataInfo[111].name, "") << english;
        EXPECT_STRNE(uiBmsDataInfo[9].name, "") << english;
    }
}

// Every character of the sample map and interface files is drawn by the panel's font: a glyph
// the font leaves empty shows as a gap in a caption (WenQuanYi Micro Hei has no strokes for the
// sign U+2103, degrees Celsius).
TEST(NameTables, SampleFilesUseOnlyCharactersThePanelFontDraws)
{
    RuntimeTree tree(true);
    std::set<uint> chars;
    for (const char* file : { "bin/pcs_interface.pdu", "bin/pcs_interface_english.pdu", "conf/map.pdu",
             "conf/map_english.pdu", "conf-dcdc/map.pdu", "conf-dcdc/map_english.pdu", "conf-sts/map.pdu",
             "conf-sts/map_english.pdu" })
        for (uint c : QString::fromStdString(tree.readFile(file)).toUcs4())
            if (c > 0x20)
                chars.insert(c);
    const QFont font(PanelFonts::family(), 12);
    ASSERT_EQ(QFontInfo(font).family(), PanelFonts::family());
    EXPECT_GT(chars.size(), 300u);
    for (uint c : chars) {
        QImage image(40, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(5, 30, QString::fromUcs4(&c, 1));
        painter.end();
        bool inked = false;
        for (int y = 0; y < image.height() && !inked; ++y)
            for (int x = 0; x < image.width() && !inked; ++x)
                inked = image.pixel(x, y) != qRgb(255, 255, 255);
        EXPECT_TRUE(inked) << "U+" << std::hex << c << " is blank in " << PanelFonts::family().toStdString();
    }
}
