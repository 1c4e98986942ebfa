// Entries of the system-parameter sub-page that write the converters' control words, the dry
// contacts, the grid access mode, the product type and the virtual synchronous machine.
#include "tab_set.h"
#include "ui_tab_set.h"

#include "devicedata.h"
#include "globalvar.h"
#include "monitorset.h"

void Tab_set::controlWord(int index)
{
    int v;
    if (askInt(QString(), -32768, 32767, &v))
        setAc(index, v);
}

void Tab_set::on_lineEdit_173_selectionChanged()
{
    controlWord(128);
}

void Tab_set::on_lineEdit_174_selectionChanged()
{
    controlWord(129);
}

void Tab_set::on_lineEdit_179_selectionChanged()
{
    controlWord(105);
}

void Tab_set::on_lineEdit_180_selectionChanged()
{
    controlWord(106);
}

// The converters keep H in tenths.
void Tab_set::on_lineEdit_188_selectionChanged()
{
    float v;
    if (!askFloat(tr("0.5~13.1,默认1.0"), 0.5f, 13.1f, &v))
        return;
    const float tenths = 10.0f * v;
    setAc(124, tenths);
    setDc(47, tenths);
}

void Tab_set::on_lineEdit_189_selectionChanged()
{
    float v;
    if (!askFloat(tr("10~500,默认150"), 10, 500, &v))
        return;
    setAc(125, v);
    setDc(48, v);
}

// kAFR and kAVR are kept in ten-thousandths, in the same registers as control words 4 and 5.
void Tab_set::on_lineEdit_190_selectionChanged()
{
    float v;
    if (askFloat(tr("0.0050~0.1,默认0.0167,设置0.0167表示有功功率变化100%Pn，频率变化1.67%Fn"), 0.005f, 0.1f, &v))
        setAc(128, 10000.0f * v);
}

void Tab_set::on_lineEdit_191_selectionChanged()
{
    float v;
    if (askFloat(tr("0.0250~0.3,默认0.1,设置0.1表示无功功率变化100%Qn，电压变压10%Vn"), 0.025f, 0.3f, &v))
        setAc(129, 10000.0f * v);
}

void Tab_set::on_comboBox_5_activated(int row)
{
    set[62].value = row;
    savemonitorset();
}

void Tab_set::on_comboBox_6_activated(int row)
{
    setAc(276, row);
}

void Tab_set::on_comboBox_7_activated(int row)
{
    setAc(277, row);
}

void Tab_set::on_comboBox_8_activated(int row)
{
    setAc(278, row);
}

void Tab_set::on_comboBox_9_activated(int row)
{
    setAc(279, row);
}

// The upper system reads the droop switch from register 503, so it learns it first.
void Tab_set::on_comboBox_12_activated(int row)
{
    if (tcpView)
        tcpView->setting(0, 503, row, 0);
    setAc(65, row);
}

void Tab_set::on_pushButton_12_clicked()
{
    showHelp();
}

void Tab_set::on_pushButton_13_clicked()
{
    showHelp();
}
