#include "tab_set.h"

#include "globalvar.h"
#include "monitorset.h"
#include "nametables.h"
#include "settingspage.h"
#include "settingstest.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A parameter file whose line k reads "k/0000009999", so that every patched line shows.
std::string paramFile(int lines)
{
    std::string s;
    char line[32];
    for (int k = 0; k < lines; ++k) {
        std::snprintf(line, sizeof line, "%04d/0000009999\n", k);
        s += line;
    }
    return s;
}

std::string withLine(std::string file, int k, const char* line)
{
    file.replace(size_t(k) * 16, 16, line);
    return file;
}

// Seven rows for China and one for America: row number, AC/DC index, switch index, name, hint,
// minimum, maximum, default. Slots 5 and 6 stay empty although the count is 7; row 57 comes
// first; row 120 lies outside the table; row 4's AC/DC line lies past the end of the files.
const char kInterface[] =
    "[UiRzVersionNum_China]\n7\n"
    "[UiRzVersion_China]\n"
    "57\t9\t-1\tLate\tH\t0\t5\t2.5\n"
    "0\t5\t3\tA\tH\t0\t1\t0.02\n"
    "1\t6\t-1\tB\tH\t-2\t0\t-1.5\n"
    "2\t7\t4\tC\tH\t-1\t1\t0\n"
    "3\t8\t5\tWide\tH\t0\t1e9\t1e8\n"
    "120\t10\t6\tOut\tH\t0\t1\t1\n"
    "4\t400\t7\tEnd\tH\t0\t1\t1\n"
    "[UiRzVersionNum_America]\n1\n"
    "[UiRzVersion_America]\n"
    "0\t5\t3\tUS\tH\t0\t1\t0.5\n";

struct Switch : SettingsPage {
    Switch()
    {
        tree.writeFile("bin/pcs_interface.pdu", kInterface);
        tree.writeFile("conf/param_0.ini", paramFile(200));
        tree.writeFile("conf/param_1003.ini", paramFile(200));
        tree.writeFile("conf-sts/param_0.ini", paramFile(20));
        tree.writeFile("conf-sts/param_1.ini", paramFile(20));
        attach();
    }
    void to(int standard)
    {
        w<QComboBox>("comboBox_51")->setCurrentIndex(standard);
        tab.setRzVersion();
    }
};

TEST(Tab_set_cert, PatchesTheLoadedRowsLineByLine)
{
    Switch s;
    s.to(0);
    std::string ac = paramFile(200);
    ac = withLine(ac, 5, "0005/0000000020\n");    // 0.02
    ac = withLine(ac, 6, "0006/-000001500\n");    // -1.5
    ac = withLine(ac, 7, "0007/0000000000\n");    // 0
    ac = withLine(ac, 9, "0009/0000002500\n");    // row 57, read first
    // Line 8 (a default too wide for its field), line 0 (empty slots) and the line past the end stay.
    EXPECT_EQ(s.tree.readFile("conf/param_0.ini"), ac);
    EXPECT_EQ(s.tree.readFile("conf/param_1003.ini"), ac);
    std::string sts = paramFile(20);
    sts = withLine(sts, 3, "0003/0000000020\n");
    sts = withLine(sts, 4, "0004/0000000000\n");
    sts = withLine(sts, 7, "0007/0000001000\n");   // row 4: the switch file is long enough
    EXPECT_EQ(s.tree.readFile("conf-sts/param_0.ini"), sts);
    EXPECT_EQ(s.tree.readFile("conf-sts/param_1.ini"), sts);
    EXPECT_FALSE(s.tree.exists("conf/param_1.ini"));
    EXPECT_FALSE(s.tree.exists("conf/param_0.ini.new"));
    EXPECT_EQ(set[53].value, 0);
    EXPECT_STREQ(uiRzData[57].name, "Late");
    EXPECT_EQ(uiRzData[5].acIdx, 0);

    // The same standard again writes the same lines: nothing changes.
    s.to(0);
    EXPECT_EQ(s.tree.readFile("conf/param_0.ini"), ac);
    EXPECT_EQ(s.tree.readFile("conf-sts/param_0.ini"), sts);

    // Another standard replaces the rows: only its own lines move.
    s.to(1);
    EXPECT_EQ(s.tree.readFile("conf/param_0.ini"), withLine(ac, 5, "0005/0000000500\n"));
    EXPECT_EQ(s.tree.readFile("conf-sts/param_1.ini"), withLine(sts, 3, "0003/0000000500\n"));
    EXPECT_STREQ(uiRzData[57].name, "");
}

TEST(Tab_set_cert, MissingSectionsWriteNothing)
{
    Switch s;
    s.to(3);
    EXPECT_EQ(s.tree.readFile("conf/param_0.ini"), paramFile(200));
    EXPECT_EQ(s.tree.readFile("conf-sts/param_0.ini"), paramFile(20));
    EXPECT_EQ(set[53].value, 3);
}

TEST(Tab_set_cert, AmericaResetsTheShownValues)
{
    for (int standard : { 0, 1, 2, 3 }) {
        Switch s;
        s.tab.showData[0] = 7;
        s.tab.showData[1] = 8;
        s.tab.showData[2] = 9;
        s.tab.saveshowData();
        s.to(standard);
        const bool us = standard == 1;
        EXPECT_FLOAT_EQ(shownValue(s.tree, 0), us ? 0.1f : 7) << standard;
        EXPECT_FLOAT_EQ(shownValue(s.tree, 1), us ? 0.1f : 8) << standard;
        EXPECT_FLOAT_EQ(shownValue(s.tree, 2), us ? 0.02f : 9) << standard;
    }
}

TEST(Tab_set_cert, ReactiveModeWithinWhatTheStandardAllows)
{
    struct ModeCase {
        const char* name;
        float mode;     // configuration 94; negative: the read fails
        int standard;
        bool writes94;
    };
    const ModeCase cases[] = {
        { "pf curve to China", 3, 0, true },
        { "pf curve to UK", 3, 3, true },
        { "pf curve to America", 3, 1, true },
        { "pf curve to Australia", 3, 2, false },
        { "volt-var to America", 2, 1, false },
        { "volt-var to China", 2, 0, true },
        { "disabled", 255, 0, false },
        { "unread", -1, 0, false },
    };
    for (const ModeCase& c : cases) {
        Switch s;
        if (c.mode >= 0)
            s.ac.config[{ 0, 94 }] = c.mode;
        s.to(c.standard);
        std::vector<std::string> want;
        if (c.writes94)
            want.push_back("ac 0 94");
        want.push_back("ac 0 71");
        want.push_back("sts 0 48");
        EXPECT_EQ(s.order, want) << c.name;
        EXPECT_TRUE(s.ac.wrote(0, 71, float(c.standard))) << c.name;
        EXPECT_TRUE(s.sts.wrote(0, 48, float(c.standard))) << c.name;
        if (c.writes94) {
            EXPECT_TRUE(s.ac.wrote(0, 94, 1)) << c.name;
        }
    }
}

TEST(Tab_set_cert, TheMachineTypeApplySwitchesTheStandard)
{
    Switch s;
    s.w<QComboBox>("comboBox_51")->setCurrentIndex(1);
    BoxAnswer ok(QMessageBox::Ok);
    s.slot("on_pushButton_clicked");
    EXPECT_EQ(set[53].value, 1);
    EXPECT_TRUE(s.ac.wrote(0, 71, 1));
    EXPECT_EQ(s.tree.readFile("conf/param_0.ini"), withLine(paramFile(200), 5, "0005/0000000500\n"));
    // The rows of the new standard name the AC page's certification rows.
    EXPECT_EQ(s.w<QLabel>("label_122")->text(), QString("US"));
}

} // namespace
