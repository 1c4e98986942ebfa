#include "settingspage.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <string>
#include <vector>

namespace {

struct EntryCase {
    const char* name;
    const char* slot;
    const char* typed;
    // Expected writes in order ("ac 124" = index 124 of AC/DC module 0) and their value.
    std::vector<std::string> writes;
    float value;
};

TEST(Tab_set_syscontrol, EntriesScaleAndWriteBothConverters)
{
    const EntryCase cases[] = {
        { "H 1.0 in tenths", "on_lineEdit_188_selectionChanged", "1.0", { "ac 0 124", "dc 0 47" }, 10.00005f },
        { "H at its top", "on_lineEdit_188_selectionChanged", "13.1", { "ac 0 124", "dc 0 47" }, 131.00005f },
        { "H past its top", "on_lineEdit_188_selectionChanged", "13.2", {}, 0 },
        { "kD", "on_lineEdit_189_selectionChanged", "150", { "ac 0 125", "dc 0 48" }, 150.000005f },
        { "kD below 10", "on_lineEdit_189_selectionChanged", "9", {}, 0 },
        { "kAFR in ten-thousandths", "on_lineEdit_190_selectionChanged", "0.0167", { "ac 0 128" }, 167.05f },
        { "kAFR too small", "on_lineEdit_190_selectionChanged", "0.004", {}, 0 },
        { "kAVR", "on_lineEdit_191_selectionChanged", "0.1", { "ac 0 129" }, 1000.05f },
        { "kAVR too large", "on_lineEdit_191_selectionChanged", "0.31", {}, 0 },
        { "control word 4 at its bottom", "on_lineEdit_173_selectionChanged", "-32768", { "ac 0 128" }, -32768 },
        { "control word 5 past its top", "on_lineEdit_174_selectionChanged", "32768", {}, 0 },
        { "control word 6", "on_lineEdit_179_selectionChanged", "32767", { "ac 0 105" }, 32767 },
        { "control word 7", "on_lineEdit_180_selectionChanged", "0", { "ac 0 106" }, 0 },
        { "control word not a number", "on_lineEdit_180_selectionChanged", ".", {}, 0 },
        { "constant not a number", "on_lineEdit_189_selectionChanged", ".", {}, 0 },
        { "cancelled", "on_lineEdit_188_selectionChanged", nullptr, {}, 0 },
    };
    for (const EntryCase& c : cases) {
        SettingsPage p;
        set[24].value = 0;
        p.attach();
        p.ac.pendingPolls = 2;
        p.entry(c.slot, c.typed);
        EXPECT_EQ(p.order, c.writes) << c.name;
        EXPECT_EQ(p.tips, std::vector<int>(c.writes.size(), 3)) << c.name;
        for (const FakeDevice::Write& w : p.ac.writes)
            EXPECT_NEAR(w.value, c.value, 1e-3) << c.name;
        for (const FakeDevice::Write& w : p.dc.writes)
            EXPECT_NEAR(w.value, c.value, 1e-3) << c.name;
    }
}

TEST(Tab_set_syscontrol, CombosWriteTheirRow)
{
    struct ComboCase {
        const char* slot;
        int row;
        std::vector<std::string> writes;
    };
    const ComboCase cases[] = {
        { "on_comboBox_6_activated", 1, { "ac 0 276" } },
        { "on_comboBox_7_activated", 3, { "ac 0 277" } },
        { "on_comboBox_8_activated", 2, { "ac 0 278" } },
        { "on_comboBox_9_activated", 0, { "ac 0 279" } },
        // The upper system hears of the droop switch before the converter does, unpolled.
        { "on_comboBox_12_activated", 1, { "tcp 0 503", "ac 0 65" } },
    };
    for (const ComboCase& c : cases) {
        SettingsPage p;
        p.attach();
        p.combo(c.slot, c.row);
        EXPECT_EQ(p.order, c.writes) << c.slot;
        EXPECT_EQ(p.ac.writes.back().value, float(c.row)) << c.slot;
        EXPECT_EQ(p.tips, std::vector<int>{ 3 }) << c.slot;
    }
}

TEST(Tab_set_syscontrol, ProductTypeIsSavedWithoutATip)
{
    SettingsPage p;
    p.attach();
    p.combo("on_comboBox_5_activated", 1);
    EXPECT_EQ(set[62].value, 1);
    EXPECT_EQ(savedSetting(62).value, 1);
    EXPECT_TRUE(p.nothingWritten());
    EXPECT_TRUE(p.tips.empty());
}

TEST(Tab_set_syscontrol, WritesWaitForTheConvertersAnswer)
{
    SettingsPage p;
    p.attach();
    p.ac.pendingPolls = 3;
    p.ac.finalResult = 1;
    p.entry("on_lineEdit_190_selectionChanged", "0.05");
    EXPECT_EQ(p.ac.polled, (std::vector<int>{ 0, 0, 0, 0 }));
    EXPECT_EQ(p.tips, std::vector<int>{ 4 });
}

// Cancels every keypad that opens and counts them.
struct KeyPadCounter {
    int opened = 0;
    QTimer timer;
    KeyPadCounter()
    {
        QObject::connect(&timer, &QTimer::timeout, [this]() {
            if (KeyPad* pad = qobject_cast<KeyPad*>(QApplication::activeModalWidget())) {
                ++opened;
                pad->buttonClicked("cancel");
            }
        });
        timer.start(5);
    }
};

TEST(Tab_set_syscontrol, SelectionThatOpenedTheKeypadOpensNoSecondOne)
{
    SettingsPage p;
    p.ac.config[{ 0, 128 }] = 276;
    p.attach();
    p.show(2, 2);
    QLineEdit* word = p.w<QLineEdit>("lineEdit_173");
    {
        // A touch that selects the field's text opens its keypad.
        KeyPadTyper typer("300");
        word->selectAll();
    }
    EXPECT_TRUE(p.ac.wrote(0, 128, 300));
    EXPECT_FALSE(word->hasSelectedText());
    {
        KeyPadCounter counter;
        p.tab.mpaintEvent();
        EXPECT_EQ(counter.opened, 0);
    }
    // A field whose slot writes the accepted value back, and a selection left on the page.
    QLineEdit* control3 = p.w<QLineEdit>("lineEdit_3");
    p.show(1, 1);
    {
        KeyPadTyper typer("7");
        control3->selectAll();
    }
    EXPECT_EQ(control3->text(), "7");
    {
        const QSignalBlocker quiet(control3);
        control3->selectAll();
    }
    p.tab.machTypeDirty = 0;
    KeyPadCounter counter;
    p.tab.mpaintEvent();
    EXPECT_EQ(counter.opened, 0);
    EXPECT_EQ(p.ac.writes.size(), 1u);
}

} // namespace
