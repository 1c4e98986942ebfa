#include "interface_energy.h"
#include "combobox.h"
#include "devicedata.h"
#include "devicedataof.h"
#include "energygraph.h"
#include "energyschedule.h"
#include "energythread.h"
#include "globalvar.h"
#include "keypad.h"
#include "monitorset.h"
#include "racktable.h"
#include "tapentry.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <fcntl.h>
#include <math.h>
#include <stdio.h>
#include <unistd.h>

namespace {

const char* const kOptionFile = "../log/partdata.dat";

// Rated power (kW) of a machine type, by the sequence number of its rack row.
const int kRatedPower[50] = { 50, 100, 150, 250, 50, 100, 100, 50, 100, 150, 50, 100, 250, 50, 500, 500, 500, 50,
    100, 150, 50, 100, 250, 150, 500, 250, 250, 500, 625, 500, 500 };

float clampTo(float v, float lo, float hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

void encodeRecord(const int32_t* words, unsigned char* bytes)
{
    for (int i = 0; i < interface_Energy::OPTION_WORDS; ++i) {
        const uint32_t w = uint32_t(words[i]);
        bytes[4 * i] = w & 0xff;
        bytes[4 * i + 1] = (w >> 8) & 0xff;
        bytes[4 * i + 2] = (w >> 16) & 0xff;
        bytes[4 * i + 3] = (w >> 24) & 0xff;
    }
}

QLineEdit* entry(QWidget* parent, const char* name, int x, int y, int w = 120)
{
    QLineEdit* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFocusPolicy(Qt::NoFocus);
    e->setGeometry(x, y, w, 30);
    return e;
}

QLabel* caption(QWidget* parent, const char* name, int x, int y, int w = 220)
{
    QLabel* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(x, y, w, 30);
    return l;
}

} // namespace

interface_Energy::interface_Energy(QWidget* parent)
    : QWidget(parent)
{
    setupUi();
    retranslate();
    tabWidget->tabBar()->hide();
    m_thread = new EnergyThread(this);

    groupBox_mg->hide();
    widget_5->hide();
    const int strategy = set[59].value;
    comboBox_Manage->setCurrentIndex(strategy >= 0 && strategy <= 2 ? strategy : 0);
    showStrategy(strategy);
    lineEdit_NLP->setText(QString::number(set[43].value));
    lineEdit_NLR->setText(QString::number(set[44].value));
    lineEdit_YOUJI->setText(QString::number(set[49].value));
    label_DB_3->hide();
    comboBox_DB_3->hide();
    const int monitors = set[23].value < 0 ? 0 : (set[23].value > 10 ? 10 : set[23].value);
    while (comboBox_DB_3->count() > monitors)
        comboBox_DB_3->removeItem(comboBox_DB_3->count() - 1);
    loadOptionRecord();
    lineEdit_DBID->setText(QString::number(m_optionRecord[W_GRID_ID]));
    comboBox_DB_2->setCurrentIndex(m_optionRecord[W_GRID_ENABLE] == 1 ? 1 : 0);
    comboBox_DB->setCurrentIndex(0);
    widget_insulation->hide();
    radioButton_8->hide();
    radioButton_7->hide();
    lineEdit_NLR->hide();
    label_NLR->hide();
    label_NLR_unit->hide();
    groupBox_mode->hide();
    groupBox_4->hide();
    lineEdit_Status_2->setReadOnly(true);
    TapEntry::install(this);
    QMetaObject::connectSlotsByName(this);
}

void interface_Energy::setupUi()
{
    setObjectName("interface_ctrway");
    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabWidget = new QTabWidget(this);
    tabWidget->setObjectName("tabWidget");
    layout->addWidget(tabWidget);
    for (int i = 0; i < 7; ++i) {
        if (i == 2) {
            tab[i] = schedule = new EnergySchedule;
        } else if (i == 6) {
            tab[i] = graph = new EnergyGraph;
        } else {
            tab[i] = new QWidget;
            tab[i]->setObjectName(QString("tab_%1").arg(i));
        }
        tabWidget->addTab(tab[i], QString::number(i));
    }

    // Tab 0: the strategy.
    groupBox_manage = new QGroupBox(tab[0]);
    groupBox_manage->setObjectName("groupBox_manage");
    groupBox_manage->setGeometry(20, 10, 630, 150);
    comboBox_Manage = new ComboBox(groupBox_manage);
    comboBox_Manage->setObjectName("comboBox_Manage");
    comboBox_Manage->setGeometry(20, 30, 220, 30);
    label_manage = caption(groupBox_manage, "label_manage", 20, 70, 590);
    label_manage->setGeometry(20, 65, 590, 75);
    label_manage->setWordWrap(true);
    groupBox_start = new QGroupBox(tab[0]);
    groupBox_start->setObjectName("groupBox_start");
    groupBox_start->setGeometry(20, 170, 630, 90);
    caption(groupBox_start, "label_start", 20, 25, 590)->setGeometry(20, 25, 590, 60);
    groupBox_off = new QGroupBox(tab[0]);
    groupBox_off->setObjectName("groupBox_off");
    groupBox_off->setGeometry(20, 270, 630, 110);
    caption(groupBox_off, "label_off", 20, 25, 590);
    radioButton_8 = new QRadioButton(groupBox_off);
    radioButton_8->setObjectName("radioButton_8");
    radioButton_8->setGeometry(20, 65, 200, 30);
    radioButton_7 = new QRadioButton(groupBox_off);
    radioButton_7->setObjectName("radioButton_7");
    radioButton_7->setGeometry(240, 65, 240, 30);
    groupBox_mg = new QGroupBox(tab[0]);
    groupBox_mg->setObjectName("groupBox_mg");
    groupBox_mg->setGeometry(20, 385, 630, 60);
    radioButton = new QRadioButton(groupBox_mg);
    radioButton->setObjectName("radioButton");
    radioButton->setGeometry(10, 20, 210, 30);
    radioButton_2 = new QRadioButton(groupBox_mg);
    radioButton_2->setObjectName("radioButton_2");
    radioButton_2->setGeometry(225, 20, 270, 30);
    radioButton_3 = new QRadioButton(groupBox_mg);
    radioButton_3->setObjectName("radioButton_3");
    radioButton_3->setGeometry(500, 20, 120, 30);

    // Tab 1: the PV-strategy and anti-backflow settings.
    groupBox_2 = new QGroupBox(tab[1]);
    groupBox_2->setObjectName("groupBox_2");
    groupBox_2->setGeometry(20, 10, 630, 140);
    caption(groupBox_2, "label_NL", 20, 25);
    checkBox_NL = new QCheckBox(groupBox_2);
    checkBox_NL->setObjectName("checkBox_NL");
    checkBox_NL->setGeometry(250, 25, 120, 30);
    caption(groupBox_2, "label_NLP", 20, 60);
    lineEdit_NLP = entry(groupBox_2, "lineEdit_NLP", 250, 60);
    caption(groupBox_2, "label_NLP_hint", 380, 60);
    label_NLR = caption(groupBox_2, "label_NLR", 20, 95);
    lineEdit_NLR = entry(groupBox_2, "lineEdit_NLR", 250, 95);
    label_NLR_unit = caption(groupBox_2, "label_NLR_unit", 380, 95);
    widget_pv = new QWidget(tab[1]);
    widget_pv->setObjectName("widget_pv");
    widget_pv->setGeometry(20, 160, 630, 80);
    caption(widget_pv, "label_YOUJI_2", 20, 5);
    lineEdit_YOUJI_2 = entry(widget_pv, "lineEdit_YOUJI_2", 250, 5);
    label_YOUJI_2_hint = caption(widget_pv, "label_YOUJI_2_hint", 380, 5);
    caption(widget_pv, "label_Status_2", 20, 42);
    lineEdit_Status_2 = entry(widget_pv, "lineEdit_Status_2", 250, 42, 250);
    groupBox_4 = new QGroupBox(tab[1]);
    groupBox_4->setObjectName("groupBox_4");
    groupBox_4->setGeometry(20, 250, 630, 60);
    caption(groupBox_4, "label_YOUJI", 20, 20);
    lineEdit_YOUJI = entry(groupBox_4, "lineEdit_YOUJI", 250, 20);
    caption(groupBox_4, "label_YOUJI_hint", 380, 20);
    widget_5 = new QWidget(tab[1]);
    widget_5->setObjectName("widget_5");
    widget_5->setGeometry(20, 320, 630, 40);
    caption(widget_5, "label_YOUJI_3", 20, 5);
    lineEdit_YOUJI_3 = entry(widget_5, "lineEdit_YOUJI_3", 250, 5);
    caption(widget_5, "label_YOUJI_3_hint", 380, 5);
    groupBox_mode = new QGroupBox(tab[1]);
    groupBox_mode->setObjectName("groupBox_mode");
    groupBox_mode->setGeometry(20, 370, 630, 60);
    comboBox_Mode = new ComboBox(groupBox_mode);
    comboBox_Mode->setObjectName("comboBox_Mode");
    comboBox_Mode->setGeometry(20, 20, 220, 30);
    comboBox_Mode->addItems({ "Hybrid Mode", "Inverter Mode", "On-Grid Mode" });

    // Tab 5: meter and insulation-monitor options.
    comboBox_DB = new ComboBox(tab[5]);
    comboBox_DB->setObjectName("comboBox_DB");
    comboBox_DB->setGeometry(10, 10, 140, 30);
    label_DB_3 = caption(tab[5], "label_DB_3", 155, 10, 45);
    comboBox_DB_3 = new ComboBox(tab[5]);
    comboBox_DB_3->setObjectName("comboBox_DB_3");
    comboBox_DB_3->setGeometry(200, 10, 60, 30);
    for (int m = 1; m <= 10; ++m)
        comboBox_DB_3->addItem(QString::number(m));
    caption(tab[5], "label_DB_2", 265, 10, 90);
    comboBox_DB_2 = new ComboBox(tab[5]);
    comboBox_DB_2->setObjectName("comboBox_DB_2");
    comboBox_DB_2->setGeometry(355, 10, 100, 30);
    caption(tab[5], "label_DBID", 460, 10, 90);
    lineEdit_DBID = entry(tab[5], "lineEdit_DBID", 550, 10, 90);
    label_dbinfo = caption(tab[5], "label_dbinfo", 20, 45, 400);
    widget_insulation = new QWidget(tab[5]);
    widget_insulation->setObjectName("widget_insulation");
    widget_insulation->setGeometry(10, 45, 640, 75);
    lineEdit_DBID_2 = entry(widget_insulation, "lineEdit_DBID_2", 10, 5, 90);
    const char* const buttons[] = { "pushButton_8", "pushButton_9", "pushButton_4", "pushButton_addr", "pushButton_3",
        "pushButton_5", "pushButton_7", "pushButton_6", "pushButton_baud" };
    for (int i = 0; i < 9; ++i) {
        QPushButton* b = new QPushButton(widget_insulation);
        b->setObjectName(buttons[i]);
        b->setGeometry(105 + 106 * (i % 5), 5 + 36 * (i / 5), 102, 32);
    }
    label_6 = caption(widget_insulation, "label_6", 529, 41, 102);
    QLabel* note = caption(tab[5], "label_note", 20, 420, 620);
    note->setStyleSheet("QLabel{color:#FF0000}");
    tab[5]->installEventFilter(this);
}

void interface_Energy::retranslate()
{
    auto text = [this](const char* name, const QString& t) {
        if (QLabel* l = findChild<QLabel*>(name))
            l->setText(t);
    };
    groupBox_manage->setTitle(tr("并网运行管理"));
    comboBox_Manage->addItems({ tr("削峰填谷"), tr("光储一体自动控制"), tr("直流48段自动控制") });
    groupBox_start->setTitle(tr("控制策略启动"));
    text("label_start", tr("选择\"本地自动\"模式，则启动控制策略\n选择\"本地手动\"模式，则停止控制策略"));
    groupBox_off->setTitle(tr(" 离网运行管理 "));
    text("label_off", tr("离网时，PCS提供稳定可靠的三相交流电压"));
    radioButton_8->setText(tr("削峰填谷"));
    radioButton_7->setText(tr("光储微网自动策略"));
    radioButton->setText(tr("电网型微电网"));
    radioButton_2->setText(tr("油机型微电网"));
    radioButton_3->setText(tr("定时充放"));
    text("label_NL", tr("防逆流功能："));
    checkBox_NL->setText(tr("启用"));
    text("label_NLP", tr("电网供电功率下限："));
    text("label_NLP_hint", tr(" 0kW~50kW,默认0"));
    text("label_NLR", tr("误差设置："));
    text("label_NLR_unit", tr(" 0kW~10kW,默认0"));
    text("label_YOUJI_2", tr("电池放电截止容量："));
    text("label_YOUJI_2_hint", tr("40%~99%,默认80%"));
    text("label_Status_2", tr("当前状态"));
    text("label_YOUJI", tr("电网最大充电功率："));
    text("label_YOUJI_hint", tr("kW,0~额定功率"));
    text("label_YOUJI_3", tr("电池充电截止容量："));
    text("label_YOUJI_3_hint", tr("40%~100%,默认80%"));
    comboBox_DB->addItems({ tr("电网电表"), tr("负载电表"), tr("绝缘检测仪") });
    text("label_DB_3", tr("编号"));
    text("label_DB_2", tr("选件使能"));
    comboBox_DB_2->addItems({ tr("不使能"), tr("使能") });
    text("label_DBID", tr("modbus ID:"));
    text("label_note", tr("注:设置选件使能,modbus ID和波特率需重启生效！"));
    const char* const names[] = { "pushButton_8", "pushButton_9", "pushButton_4", "pushButton_addr", "pushButton_3",
        "pushButton_5", "pushButton_7", "pushButton_6", "pushButton_baud" };
    const QString captions[] = { tr("模式设置"), tr("一级报警"), tr("二级报警"), tr("地址"), tr("一级恢复"), tr("二级恢复"),
        tr("测量周期"), tr("最大测量值"), tr("波特率") };
    for (int i = 0; i < 9; ++i)
        findChild<QPushButton*>(names[i])->setText(captions[i]);
}

void interface_Energy::loadOptionRecord()
{
    unsigned char bytes[OPTION_BYTES];
    int fd = ::open(kOptionFile, O_RDWR | O_CREAT | O_SYNC, 0644);
    ssize_t n = -1;
    if (fd >= 0)
        n = ::pread(fd, bytes, sizeof bytes, 0);
    if (n == ssize_t(sizeof bytes)) {
        for (int i = 0; i < OPTION_WORDS; ++i)
            m_optionRecord[i] = int32_t(uint32_t(bytes[4 * i]) | uint32_t(bytes[4 * i + 1]) << 8
                | uint32_t(bytes[4 * i + 2]) << 16 | uint32_t(bytes[4 * i + 3]) << 24);
    } else {
        for (int i = 0; i < OPTION_WORDS; ++i)
            m_optionRecord[i] = 0;
        m_optionRecord[W_BAUD] = 19200;
        if (fd >= 0) {
            encodeRecord(m_optionRecord, bytes);
            if (::pwrite(fd, bytes, sizeof bytes, 0) != ssize_t(sizeof bytes))
                printf("interface_Energy::loadOptionRecord cannot write %s\n", kOptionFile);
        }
    }
    if (fd >= 0)
        ::close(fd);
    if (m_optionRecord[W_BAUD] != 19200 && m_optionRecord[W_BAUD] != 9600) {
        m_optionRecord[W_BAUD] = 19200;
        writeData();
    }
}

void interface_Energy::writeData()
{
    unsigned char bytes[OPTION_BYTES];
    encodeRecord(m_optionRecord, bytes);
    int fd = ::open(kOptionFile, O_RDWR | O_CREAT | O_SYNC, 0644);
    if (fd < 0) {
        printf("interface_Energy::writeData cannot open %s\n", kOptionFile);
        return;
    }
    if (::pwrite(fd, bytes, sizeof bytes, 0) != ssize_t(sizeof bytes))
        printf("interface_Energy::writeData cannot write %s\n", kOptionFile);
    ::close(fd);
}

void interface_Energy::showPvFields(bool shown)
{
    widget_pv->setVisible(shown);
}

// What the constructor and the strategy combo share: the description and the PV fields.
void interface_Energy::showStrategy(int strategy)
{
    if (strategy == 1) {
        label_manage->setText(tr("并网下，如果电池容量低于放电终止容量，则电池持续充电直到充满，电网维持PV+电池+负载，且防逆流功能可选配"));
        radioButton_7->setChecked(true);
        showPvFields(true);
        comboBox_Mode->setCurrentIndex(set[56].value >= 0 && set[56].value <= 2 ? set[56].value : 0);
        lineEdit_YOUJI_2->setText(QString::number(set[58].value));
    } else if (strategy == 2) {
        label_manage->setText(tr("把1天分为48个时间段，配置直流充放电设置，PCS会自动按照时间段的设置运行"));
        showPvFields(false);
        emit sinal_hidesome(2);
    } else {
        label_manage->setText(tr("把1天分为48个时间段，配置交流有功功率，PCS会自动按照时间段的设置运行"));
        showPvFields(false);
        emit sinal_hidesome(0);
    }
}

void interface_Energy::setDeviceData(ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
    modbus::ModbusrtuDevice* rtu, modbus::ModbustcpDevice* tcp)
{
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_rtu = rtu;
    m_tcp = tcp;
    if (m_started)
        return;
    m_started = true;
    schedule->setDeviceData(acdc);
    m_thread->setDeviceData(acdc, dcdc, sts, rtu, tcp);

    // Only a value the converter gave replaces the setting; a failed read keeps it.
    DeviceData* ac = deviceDataOf(acdc);
    float enabled = 0.0f;
    if (ac && ac->getConfig(0, 280, &enabled) == 0) {
        set[42].value = enabled == 1.0f ? 1 : 0;
        savemonitorset();
    }
    checkBox_NL->setChecked(set[42].value == 1);
    for (int m = 0; m < EnergyThread::MONITORS; ++m)
        m_thread->insulationEnable[m] = m_optionRecord[W_MONITOR_ENABLE + m];
    // Without the converter system there is nothing to manage.
    if (!ac) {
        printf("interface_Energy::setDeviceData no AC/DC device, energy management not started\n");
        return;
    }
    m_thread->start(QThread::InheritPriority);
}

int interface_Energy::currentTab() const
{
    return tabWidget->currentIndex();
}

void interface_Energy::change_sub_interface(int n)
{
    m_subPage = n;
    if (n >= 2 && n <= 4) {
        schedule->setMode(n);
        tabWidget->setCurrentIndex(2);
        return;
    }
    if (n >= 0 && n < tabWidget->count())
        tabWidget->setCurrentIndex(n);
}

void interface_Energy::setShowMode()
{
    schedule->setMode(2);
}

int interface_Energy::scheduleMode() const
{
    return schedule->getMode();
}

void interface_Energy::freshme()
{
    comboBox_Manage->setEnabled(keyword_right >= 2);
    checkBox_NL->setChecked(set[42].value == 1);
    const int shown = tabWidget->currentIndex();
    if (shown == 1 && set[59].value == 1) {
        if (g_pvstate == 1)
            lineEdit_Status_2->setText("Status-1 -" + QString::number(double(g_showsoc), 'g', 6));
        else if (g_pvstate == 2)
            lineEdit_Status_2->setText("Status-2");
        else
            lineEdit_Status_2->setText("");
    }
    if (shown == 5)
        tab[5]->update();
    if (shown == 6)
        graph->freshme();
}

void interface_Energy::freshPlot()
{
    graph->freshData();
}

// --- writes ---

int interface_Energy::waitResult(DeviceData* dev, int module, int index, float value)
{
    if (!dev || dev->setting(module, index, value, 0) != 0)
        return -1;
    int r;
    while ((r = dev->getSettingResult(module)) == 2)
        QCoreApplication::processEvents();
    return r == 0 ? 0 : -1;
}

int interface_Energy::setAc(int module, int index, float value)
{
    return waitResult(deviceDataOf(m_acdc), module, index, value);
}

int interface_Energy::setDc(int module, int index, float value)
{
    return waitResult(deviceDataOf(m_dcdc), module, index, value);
}

int interface_Energy::setSts(int module, int index, float value)
{
    return waitResult(deviceDataOf(m_sts), module, index, value);
}

bool interface_Energy::askFloat(const QString& hint, float* out)
{
    KeyPad pad(this);
    pad.setInfo(hint);
    if (pad.exec() != 1)
        return false;
    const float v = pad.value2float();
    // A text that is no number never reaches a setting.
    if (!isfinite(v) || int(v) == KeyPad::invalidValue)
        return false;
    *out = v;
    return true;
}

bool interface_Energy::askInt(const QString& hint, int* out)
{
    KeyPad pad(this);
    pad.setInfo(hint);
    if (pad.exec() != 1)
        return false;
    const int v = pad.value2int();
    if (v == KeyPad::invalidValue)
        return false;
    *out = v;
    return true;
}

// --- strategy (tab 0) ---

void interface_Energy::on_comboBox_Manage_activated(int index)
{
    if (index < 0 || index > 2)
        return;
    set[59].value = index;
    savemonitorset();
    if (index == 1) {
        set[56].value = 0;
        savemonitorset();
        comboBox_Mode->setCurrentIndex(0);
        showStrategy(1);
        emit sinal_hidesome(1);
        return;
    }
    if (index == 2 && set[42].value == 1) {
        // The DC schedule and the anti-backflow hold would fight over the set-point.
        set[42].value = 0;
        setAc(0, 280, 0.0f);
        savemonitorset();
        checkBox_NL->setChecked(false);
    }
    showStrategy(index);
}

void interface_Energy::on_radioButton_clicked()
{
    set[40].value = 0;
    savemonitorset();
    groupBox_2->show();
    groupBox_4->hide();
}

void interface_Energy::on_radioButton_2_clicked()
{
    set[40].value = 1;
    savemonitorset();
    groupBox_2->hide();
    groupBox_4->show();
}

void interface_Energy::on_radioButton_3_clicked()
{
    set[41].value = 0;
    savemonitorset();
}

void interface_Energy::on_radioButton_8_clicked()
{
    set[59].value = 0;
    savemonitorset();
    groupBox_mode->hide();
    showPvFields(false);
    groupBox_4->hide();
    groupBox_2->show();
    emit sinal_hidesome(0);
}

void interface_Energy::on_radioButton_7_clicked()
{
    set[59].value = 1;
    set[56].value = 0;
    savemonitorset();
    showPvFields(true);
    lineEdit_YOUJI_2->setText(QString::number(set[58].value));
    label_YOUJI_2_hint->setText(tr("0%~80%,默认80%"));
    emit sinal_hidesome(1);
}

// --- limits (tab 1) ---

void interface_Energy::on_checkBox_NL_clicked(bool checked)
{
    set[42].value = checked ? 1 : 0;
    savemonitorset();
    setAc(0, 280, checked ? 1.0f : 0.0f);
}

void interface_Energy::on_lineEdit_NLP_selectionChanged()
{
    float v;
    if (!askFloat(tr(" 0kW~50kW,默认0"), &v))
        return;
    set[43].value = int(clampTo(v, 0.0f, 50.0f));
    savemonitorset();
    lineEdit_NLP->setText(QString::number(set[43].value));
}

void interface_Energy::on_lineEdit_NLR_selectionChanged()
{
    float v;
    if (!askFloat(tr(" 0kW~10kW,默认0"), &v))
        return;
    set[44].value = int(clampTo(v, 0.0f, 10.0f));
    savemonitorset();
    lineEdit_NLR->setText(QString::number(set[44].value));
}

void interface_Energy::on_lineEdit_YOUJI_selectionChanged()
{
    float v;
    if (!askFloat(QString(), &v))
        return;
    const int seq = currentRackInfo.seq;
    const float rated = seq >= 0 && seq < 50 ? float(kRatedPower[seq]) : 0.0f;
    set[49].value = int(clampTo(v, 0.0f, rated));
    savemonitorset();
    lineEdit_YOUJI->setText(QString::number(set[49].value) + " kW");
}

void interface_Energy::on_lineEdit_YOUJI_2_selectionChanged()
{
    float v;
    if (!askFloat(tr("40%~99%,默认80%"), &v))
        return;
    set[58].value = int(clampTo(v, 40.0f, 99.0f));
    savemonitorset();
    lineEdit_YOUJI_2->setText(QString::number(set[58].value));
}

void interface_Energy::on_lineEdit_YOUJI_3_selectionChanged()
{
    float v;
    if (!askFloat(QString(), &v))
        return;
    lineEdit_YOUJI_3->setText(QString::number(int(clampTo(v, 40.0f, 100.0f))));
}

// --- options (tab 5) ---

void interface_Energy::showOption()
{
    if (comboBox_DB->currentIndex() == 2) {
        const int m = monitorSelected;
        lineEdit_DBID->setText(QString::number(m_optionRecord[W_MONITOR_ID + m]));
        comboBox_DB_2->setCurrentIndex(m_optionRecord[W_MONITOR_ENABLE + m] == 1 ? 1 : 0);
    } else {
        lineEdit_DBID->setText(QString::number(m_optionRecord[meterShown == 0 ? W_GRID_ID : W_LOAD_ID]));
        comboBox_DB_2->setCurrentIndex(m_optionRecord[meterShown == 0 ? W_GRID_ENABLE : W_LOAD_ENABLE] == 1 ? 1 : 0);
    }
}

void interface_Energy::on_comboBox_DB_activated(int index)
{
    if (index == 0 || index == 1) {
        label_dbinfo->show();
        label_dbinfo->setText(" ");
        widget_insulation->hide();
        label_DB_3->hide();
        comboBox_DB_3->hide();
        meterShown = index;
    } else if (index == 2) {
        label_dbinfo->hide();
        tab[5]->update();
        widget_insulation->setVisible(keyword_right >= 3);
        label_DB_3->show();
        comboBox_DB_3->show();
    } else {
        return;
    }
    showOption();
}

void interface_Energy::on_comboBox_DB_3_activated(int index)
{
    if (index < 0 || index >= 10)
        return;
    monitorSelected = index;
    showOption();
}

void interface_Energy::on_comboBox_DB_2_activated(int index)
{
    const int v = index == 1 ? 1 : 0;
    if (comboBox_DB->currentIndex() == 2)
        m_optionRecord[W_MONITOR_ENABLE + monitorSelected] = v;
    else
        m_optionRecord[meterShown == 0 ? W_GRID_ENABLE : W_LOAD_ENABLE] = v;
    writeData();
}

void interface_Energy::on_lineEdit_DBID_selectionChanged()
{
    int v;
    if (!askInt(QString(), &v))
        return;
    lineEdit_DBID->setText(QString::number(v));
    if (comboBox_DB->currentIndex() == 2)
        m_optionRecord[W_MONITOR_ID + monitorSelected] = v;
    else
        m_optionRecord[meterShown == 0 ? W_GRID_ID : W_LOAD_ID] = v;
    writeData();
}

void interface_Energy::on_lineEdit_DBID_2_selectionChanged()
{
    int v;
    if (!askInt(QString(), &v))
        return;
    stsValue = v;
    lineEdit_DBID_2->setText(QString::number(v));
}

void interface_Energy::insulationSet(int index)
{
    label_6->setText("");
    const int r = setSts(20 + monitorSelected, index, float(stsValue));
    label_6->setText(r == 0 ? tr("设置成功") : tr("设置失败"));
}

void interface_Energy::on_pushButton_8_clicked() { insulationSet(23); }
void interface_Energy::on_pushButton_9_clicked() { insulationSet(24); }
void interface_Energy::on_pushButton_4_clicked() { insulationSet(25); }
void interface_Energy::on_pushButton_addr_clicked() { insulationSet(26); }
void interface_Energy::on_pushButton_3_clicked() { insulationSet(30); }
void interface_Energy::on_pushButton_5_clicked() { insulationSet(31); }
void interface_Energy::on_pushButton_7_clicked() { insulationSet(33); }
void interface_Energy::on_pushButton_6_clicked() { insulationSet(34); }

void interface_Energy::on_pushButton_baud_clicked()
{
    label_6->setText("");
    if (stsValue != 19200 && stsValue != 9600) {
        label_6->setText(tr("设置失败"));
        return;
    }
    m_optionRecord[W_BAUD] = stsValue;
    writeData();
    label_6->setText(tr("设置成功"));
}

bool interface_Energy::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tab[5] && event->type() == QEvent::Paint)
        paintValues(tab[5]);
    return QWidget::eventFilter(watched, event);
}

void interface_Energy::paintValues(QWidget* on)
{
    QPainter painter(on);
    QFont font = painter.font();
    font.setPointSize(12);
    painter.setFont(font);
    if (comboBox_DB->currentIndex() != 2) {
        const QString captions[7] = { tr("AB交流线电压(V)"), tr("BC交流线电压(V)"), tr("CA交流线电压(V)"), tr("A相交流电流(A)"),
            tr("B相交流电流(A)"), tr("C相交流电流(A)"), tr("P(kW)") };
        const int decimals[7] = { 3, 3, 3, 4, 4, 4, 6 };
        const int meter = meterShown == 1 ? 1 : 0;
        for (int r = 0; r < 7; ++r) {
            const int y = 130 + 35 * r;
            painter.drawText(20, y, captions[r]);
            painter.drawText(250, y, QString::number(m_thread->meterValues[meter][100 + r], 'f', decimals[r]));
        }
        return;
    }
    const QString captions[16] = { tr("正母线状态"), tr("负母线状态"), tr("负对地电阻(kΩ)"), tr("测量周期"),
        tr("二级报警电阻阀值(kΩ)"), tr("二级报警恢复电阻值(kΩ)"), tr("正对地电阻测量值(kΩ)"), tr("波特率"), tr("检测状态"),
        tr("正对地电阻(kΩ)"), tr("正向平衡电阻(kΩ)"), tr("一级报警电阻阀值(kΩ)"), tr("一级报警恢复电阻值(kΩ)"),
        tr("最大测量电阻值(kΩ)"), tr("负对地电阻测量值(kΩ)"), tr("通讯状态") };
    // -1: the baud rate of the record, -2: the measurement state.
    const int source[16] = { 6, 7, 5, 28, 17, 19, 49, -1, -2, 4, 21, 16, 18, 29, 50, 48 };
    const int m = comboBox_DB_3->currentIndex() < 0 ? 0 : comboBox_DB_3->currentIndex();
    for (int i = 0; i < 16; ++i) {
        double v;
        if (source[i] == -1)
            v = m_optionRecord[W_BAUD];
        else if (source[i] == -2)
            v = m < EnergyThread::BRANCHES ? m_thread->insulationState[m] : 0;
        else
            v = m_thread->insulationValues[m][source[i]];
        const int column = i / 8;
        const int y = 130 + 35 * (i % 8);
        painter.drawText(20 + 320 * column, y, captions[i]);
        painter.drawText(250 + 320 * column, y, QString::number(v, 'g'));
    }
}
