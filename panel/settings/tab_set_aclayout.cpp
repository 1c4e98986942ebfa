// Layout of the AC sub-page per grid code: which rows each certification standard shows, where,
// their captions from the certification rows, and the reactive-power modes it allows.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "monitorset.h"
#include "nametables.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <string.h>

namespace {
enum { kChina, kAmerica, kAustralia, kUk };
const char kTintA[] = "background: rgba(184, 227, 211, 255)";
const char kTintB[] = "background: #E6F5EE;";

// Columns of a row: on the plain pages, and inside the group boxes.
struct Columns {
    int label;
    int field;
    int unit;
};
const Columns kPageColumns = { 50, 420, 590 };
const Columns kGroupColumns = { 30, 430, 580 };

// A row's caption at y, its field 5 pixels and its unit 10 pixels lower; a null part is skipped.
void placeRow(const Columns& c, QWidget* label, QWidget* field, QWidget* unit, int y)
{
    if (label)
        label->move(c.label, y);
    if (field)
        field->move(c.field, y + 5);
    if (unit)
        unit->move(c.unit, y + 10);
}

void showRow(std::initializer_list<QWidget*> row, bool on)
{
    for (QWidget* w : row)
        if (w)
            w->setVisible(on);
}

void tint(QLabel* label, const char* style)
{
    label->setStyleSheet(QString::fromLatin1(style));
}

QString formText(const char* source)
{
    return QCoreApplication::translate("tab_set", source);
}

// The reactive-power modes in the form's order; a grid code offers the first few.
void limitModes(QComboBox* box, int count)
{
    static const char* const kModes[] = { QT_TRANSLATE_NOOP("tab_set", "不启用"), QT_TRANSLATE_NOOP("tab_set", "恒功率因数控制"),
        QT_TRANSLATE_NOOP("tab_set", "恒无功功率控制"), QT_TRANSLATE_NOOP("tab_set", "电压调节无功"),
        QT_TRANSLATE_NOOP("tab_set", "功率因数曲线控制") };
    while (box->count() > count)
        box->removeItem(box->count() - 1);
    while (box->count() < count && box->count() < 5)
        box->addItem(formText(kModes[box->count()]));
}
}

void Tab_set::initAcShow()
{
    const int code = set[53].value;
    Ui::tab_set* u = ui;
    const bool us = code == kAmerica;
    const bool au = code == kAustralia;
    if (code >= kChina && code <= kUk) {
        // Page 1: the soft-start ramp only with the American code.
        showRow({ u->label_107, u->lineEdit_54 }, us);
        if (us) {
            placeRow(kPageColumns, u->label_107, u->lineEdit_54, nullptr, 300);
            tint(u->label_107, kTintA);
        }
        placeRow(kPageColumns, u->label_105, u->lineEdit_52, u->label_124, us ? 340 : 300);
        tint(u->label_105, us ? kTintB : kTintA);
        placeRow(kPageColumns, u->label_119, u->comboBox_24, nullptr, us ? 380 : 340);
        tint(u->label_119, us ? kTintA : kTintB);

        // Page 2.
        if (us)
            showRow({ u->label_115, u->comboBox_20 }, true);
        showRow({ u->label_117, u->comboBox_22 }, us);
        placeRow(kPageColumns, u->label_120, u->comboBox_25, nullptr, us ? 105 : 65);
        tint(u->label_120, us ? kTintB : kTintA);
        placeRow(kPageColumns, u->label_31, u->lineEdit_18, u->label_434, us ? 145 : 105);
        tint(u->label_31, us ? kTintA : kTintB);
        showRow({ u->label_415, u->comboBox_52 }, au);
        if (au) {
            placeRow(kPageColumns, u->label_415, u->comboBox_52, nullptr, 145);
            tint(u->label_415, kTintA);
        }

        // Frequency protection: the Australian code has no second over-frequency stage.
        placeRow(kGroupColumns, u->label_151, u->lineEdit_70, u->label_341, au ? 95 : 175);
        placeRow(kGroupColumns, u->label_153, u->lineEdit_71, u->label_174, au ? 135 : 215);

        // Voltage ride-through, which the Australian code uses for its power-factor curve.
        if (us || au) {
            showRow({ u->label_327, u->lineEdit_128, u->label_345, u->lineEdit_135 }, us);
            QWidget* const rows[8][2] = { { u->label_319, u->lineEdit_124 }, { u->label_337, u->lineEdit_138 },
                { u->label_322, u->lineEdit_125 }, { u->label_350, u->lineEdit_140 }, { u->label_323, u->lineEdit_126 },
                { u->label_351, u->lineEdit_134 }, { u->label_326, u->lineEdit_127 }, { u->label_338, u->lineEdit_136 } };
            const int y[8] = { 20, 55, 95, 135, 175, 215, 255, 295 };
            for (int i = 0; i < 8; ++i)
                placeRow(kGroupColumns, rows[i][0], rows[i][1], nullptr, y[i]);
            showRow({ u->label_188, u->label_190, u->label_192, u->label_320, u->label_321 }, us);

            // Volt-watt and frequency-watt.
            showRow({ u->label_393, u->lineEdit_160, u->label_333 }, true);
            u->label_333->setText(us ? QStringLiteral("s") : QStringLiteral("Vnom"));
            showRow({ u->label_375, u->lineEdit_152, u->label_429 }, us);
            showRow({ u->label_361, u->lineEdit_150, u->label_430 }, true);
            placeRow(kGroupColumns, u->label_361, u->lineEdit_150, u->label_430, 20);
            showRow({ u->label_374, u->lineEdit_151, u->label_398, u->lineEdit_163, u->label_335 }, us);
            if (us) {
                placeRow(kGroupColumns, u->label_374, u->lineEdit_151, nullptr, 55);
                placeRow(kGroupColumns, u->label_398, u->lineEdit_163, u->label_335, 100);
            }
            QWidget* const tail[3][3] = { { u->label_424, u->lineEdit_176, u->label_431 },
                { u->label_426, u->lineEdit_177, u->label_432 }, { u->label_428, u->lineEdit_178, u->label_433 } };
            for (int i = 0; i < 3; ++i) {
                showRow({ tail[i][0], tail[i][1], tail[i][2] }, au);
                if (au)
                    placeRow(kGroupColumns, tail[i][0], tail[i][1], tail[i][2], 60 + 40 * i);
            }
            // The groups keep to the page above the pager.
            u->groupBox_9->setGeometry(20, 10, 649, us ? 269 : 229);
            u->groupBox_12->setGeometry(20, us ? 280 : 240, 649, us ? 150 : 185);
        }

        limitModes(u->comboBox_13, us ? 4 : (au ? 5 : 3));
        limitModes(u->comboBox_16, us ? 4 : (au ? 5 : 3));
        if (us)
            u->groupBox_6->setTitle(formText(QT_TRANSLATE_NOOP("tab_set", "电压穿越")));
        else if (au)
            u->groupBox_6->setTitle(formText(QT_TRANSLATE_NOOP("tab_set", "功率因数曲线设置")));
    }

    // Captions of the certification rows, for every grid code.
    QLabel* const captions[61] = { u->label_122, u->label_125, u->label_127, u->label_129, u->label_131, u->label_133,
        u->label_135, u->label_137, u->label_139, u->label_141, u->label_421, u->label_142, u->label_143, u->label_147,
        u->label_149, u->label_151, u->label_153, u->label_155, u->label_157, u->label_319, u->label_337, u->label_322,
        u->label_350, u->label_323, u->label_351, u->label_326, u->label_338, u->label_327, u->label_345, u->label_330,
        u->label_349, u->label_332, u->label_352, u->label_334, u->label_348, u->label_336, u->label_343, u->label_158,
        u->label_400, u->label_355, u->label_368, u->label_369, u->label_356, u->label_367, u->label_381, u->label_379,
        u->label_363, u->label_383, u->label_385, u->label_370, u->label_375, u->label_387, u->label_389, u->label_391,
        u->label_393, u->label_361, u->label_374, u->label_398, u->label_424, u->label_426, u->label_428 };
    for (int r = 0; r < 61; ++r)
        captions[r]->setText(QString::fromUtf8(uiRzData[r].name));
    u->label_106->setText(QString::fromUtf8(uiRzData[61].name));

    // Rows that a standard does without are named "NULL" in its set.
    auto named = [](int row) { return strcmp(uiRzData[row].name, "NULL") != 0; };
    showRow({ u->label_135, u->lineEdit_62 }, named(6));
    showRow({ u->label_137, u->lineEdit_63, u->label_166 }, named(7));
    showRow({ u->label_139, u->lineEdit_64 }, named(8));
    showRow({ u->label_141, u->lineEdit_65, u->label_168 }, named(9));
    showRow({ u->label_421, u->lineEdit_175 }, named(10));
    if (named(10))
        placeRow(kGroupColumns, u->label_421, u->lineEdit_175, nullptr, 260);
    QWidget* const frequency[8][3] = { { u->label_142, u->lineEdit_66, u->label_339 },
        { u->label_143, u->lineEdit_67, u->label_170 }, { u->label_147, u->lineEdit_68, u->label_340 },
        { u->label_149, u->lineEdit_69, u->label_172 }, { u->label_151, u->lineEdit_70, u->label_341 },
        { u->label_153, u->lineEdit_71, u->label_174 }, { u->label_155, u->lineEdit_72, u->label_342 },
        { u->label_157, u->lineEdit_73, u->label_186 } };
    for (int i = 0; i < 8; ++i)
        showRow({ frequency[i][0], frequency[i][1], frequency[i][2] }, named(11 + i));
    showRow({ u->label_383, u->lineEdit_155, u->label_331 }, named(47));
    showRow({ u->label_385, u->lineEdit_156, u->label_413 }, named(48));
}
