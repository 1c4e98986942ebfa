#include "tab_set.h"

#include "combobox.h"
#include "globalvar.h"
#include "machtypecombo.h"
#include "monitorset.h"
#include "racktable.h"
#include "runtimetree.h"
#include "settingstest.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabBar>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

struct Page {
    RuntimeTree tree;
    FakeDevice rtu, tcp, sts;
    PendingDevice ac, dc;
    Tab_set tab;
    std::vector<int> tips;

    Page()
    {
        set[7].value = 1;
        set[21].value = 0;
        set[24].value = 0;
        set[54].value = 0;
        QObject::connect(&tab, &Tab_set::sendcommond, [this](int c) { tips.push_back(c); });
    }
    void attach() { tab.setDeviceViews(&rtu, &tcp, &ac, &dc, &sts); }
};

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(Tab_set, FormHas28HiddenPagesAndEveryComboStartsAtItsFirstEntry)
{
    Page p;
    EXPECT_EQ(p.tab.count(), 28);
    EXPECT_FALSE(p.tab.tabBar()->isVisibleTo(&p.tab));
    EXPECT_EQ(p.tab.currentIndex(), 24);
    const char* order[] = { "tab_23", "tab_17", "tab0", "tab", "tab_2", "tab_3", "tab_4", "tab_5", "tab_6",
        "tab_20", "tab_7", "tab_9", "tab_10", "tab_8", "tab_18", "tab_19", "tab_21", "tab_22", "tab_11", "tab_12",
        "tab_13", "tab_14", "tab_15", "tab_16", "tab_24", "tab_25", "tab_26", "tab_27" };
    for (int i = 0; i < 28; ++i)
        EXPECT_EQ(p.tab.widget(i)->objectName(), order[i]) << i;

    const QList<QComboBox*> combos = p.tab.findChildren<QComboBox*>();
    EXPECT_EQ(combos.size(), 53);
    for (QComboBox* c : combos) {
        EXPECT_EQ(c->currentIndex(), 0) << c->objectName().toStdString();
        EXPECT_NE(qobject_cast<ComboBox*>(c), nullptr) << c->objectName().toStdString();
    }
    for (QLineEdit* e : p.tab.findChildren<QLineEdit*>())
        EXPECT_EQ(e->focusPolicy(), e->objectName() == "LineFileEdit" ? Qt::StrongFocus : Qt::NoFocus)
            << e->objectName().toStdString();
}

// Every combo box of the form with its whole list: the entry index is the value the pages
// write to the devices and read back, so each entry must stand at its place.
struct ComboList {
    std::vector<const char*> boxes;
    std::vector<const char*> entries;
};

const std::vector<ComboList>& comboLists()
{
    static const std::vector<ComboList> lists = {
        { { "comboBox_10", "comboBox_4" }, { "交流调度", "直流调度", "支路调度(有功)" } },
        { { "comboBox_29", "comboBox_27" }, { "设定有功模式", "Volt-Watt", "Freq-Watt", "V-W&F-W" } },
        { { "comboBox_16", "comboBox_13" },
            { "不启用", "恒功率因数控制", "恒无功功率控制", "电压调节无功", "功率因数曲线控制" } },
        { { "comboBox_2", "comboBox_37", "comboBox" }, { "1", "2", "3", "4", "5", "6", "7", "8", "9", "10" } },
        { { "comboBox_17", "comboBox_14" }, { "恒流", "恒功率" } },
        { { "comboBox_33" },
            { "HUX1-50K", "HUX1-100K", "HUX1-150K", "HUX1-250K", "HUJ2-50K", "HUJ2-100K", "HUX2-100K-2-H",
                "HUX1-50K-H", "HUX1-100K-H", "HUX1-150K-H", "HUX2-50K-H", "HUX2-100K-H", "HUX2-250K-H",
                "HUX2-50K-3-H", "HUX1-500K-H-TL", "HUX1-500K-4-H-TL", "HUX1-500K-8-H-TL", "HUX1-50K-NA",
                "HUX1-100K-NA", "HUX1-150K-NA", "HUJ2-50K-NA", "HUJ2-100K-NA", "HUX1-250K-NA", "HUX1-150K-3",
                "HUX1-500K-TL", "HUX1-250K-H", "HUX1-250k-4-H", "HUX1-500K-2-H-TL", "HUX1-630K-H-TL",
                "HUX1-400K-8-TL", "HUJ2-30K", "HUX2-250K-4-H", "HUX1-250K-2-H", "HUX1-自老化", "HUX2-自老化" } },
        { { "comboBox_34", "comboBox_40", "comboBox_41", "comboBox_42", "comboBox_43", "comboBox_44", "comboBox_45",
              "comboBox_46" },
            { "锂电池", "光伏", "超级电容", "直流源", "铅酸电池", "预留" } },
        { { "comboBox_35" },
            { "双模", "预留1", "预留2", "微网1", "STS切换", "切换柜", "IO切换", "高压切换", "接触器切换", "预留9" } },
        { { "comboBox_36" }, { "50Hz", "60Hz" } },
        { { "comboBox_38" }, { "正常工作", "自老化", "测试", "直流母线", "直流母线-Ensync ", "预留" } },
        { { "comboBox_39" }, { "DC软启动", "AC软启动", "预留" } },
        { { "comboBox_50" }, { "380V", "400V" } },
        { { "comboBox_51" }, { "国内版", "北美版", "澳洲版", "英国版" } },
        { { "comboBox_11" }, { "自动开机", "手动开机" } },
        { { "comboBox_31" }, { "统一设置", "单独设置" } },
        { { "comboBox_53" }, { "断开", "闭合" } },
        { { "comboBox_30" }, { "19200", "9600" } },
        { { "comboBox_32" }, { "简体中文", "English" } },
        { { "comboBox_47" },
            { "不启用", "BMS-A-1.2", "BMS-A-1.4", "BMS-B", "BMS-C", "BMS-D", "BMS-E-485", "BMS-F", "BMS-G-pre",
                "BMS-G", "BMS-E-CAN", "BMS-H" } },
        { { "comboBox_49", "comboBox_19", "comboBox_26", "comboBox_23" }, { "不使能", "使能" } },
        { { "comboBox_18" }, { "阶跃", "斜率" } },
        { { "comboBox_24", "comboBox_21", "comboBox_20", "comboBox_22", "comboBox_52", "comboBox_12" },
            { "不启用", "启用" } },
        { { "comboBox_48" }, { "启用", "不启用" } },
        { { "comboBox_15" }, { "电池", "光伏", "超级电容", "直流源", "备用类型1", "备用类型2" } },
        { { "comboBox_28" }, { "并网优先离网可设", "并网优先离网不可设" } },
        { { "comboBox_Type" }, { "DCAC", "DCDC", "U2", "STS" } },
        { { "comboBox_25" }, { "阶跃", "软启动" } },
        { { "comboBox_5" }, { "标准机型", "降额机型" } },
        { { "comboBox_6" }, { "并网初始", "离网初始" } },
        { { "comboBox_7" }, { "无效", "启动油机", "启/停状态", "离/并网状态" } },
        { { "comboBox_8" }, { "无效", "江苏电网负荷精切", "河南电网负荷精切", "BMS常开干接点" } },
        { { "comboBox_9" }, { "EPO" } },
    };
    return lists;
}

TEST(Tab_set, EveryComboListWholeAndInItsOrder)
{
    Page p;
    QStringList listed;
    for (const ComboList& list : comboLists()) {
        QStringList want;
        for (const char* e : list.entries)
            want << QString::fromUtf8(e);
        for (const char* name : list.boxes) {
            listed << name;
            QComboBox* box = p.tab.findChild<QComboBox*>(name);
            ASSERT_NE(box, nullptr) << name;
            QStringList got;
            for (int i = 0; i < box->count(); ++i)
                got << box->itemText(i);
            EXPECT_EQ(got, want) << name;
        }
    }
    // The table leaves out no combo box of the form, and names none twice.
    QStringList onForm;
    for (QComboBox* box : p.tab.findChildren<QComboBox*>())
        onForm << box->objectName();
    onForm.sort();
    listed.sort();
    EXPECT_EQ(listed, onForm);
    // The model box maps its two last rows to the ageing codes.
    MachTypeCombo* mach = p.tab.findChild<MachTypeCombo*>("comboBox_33");
    ASSERT_NE(mach, nullptr);
    mach->setCurrentIndex(101);
    EXPECT_EQ(mach->QComboBox::currentIndex(), 34);
}

TEST(Tab_set, FormWidgetsByKind)
{
    Page p;
    // The form's own widgets: the pages and what they hold, as the form names them (the toolkit's
    // inner parts are unnamed or "qt_...").
    std::map<std::string, int> kinds;
    int total = 0;
    for (int i = 0; i < p.tab.count(); ++i) {
        QWidget* page = p.tab.widget(i);
        QList<QWidget*> widgets = page->findChildren<QWidget*>();
        widgets.prepend(page);
        for (QWidget* w : widgets) {
            const QString name = w->objectName();
            if (name.isEmpty() || name.startsWith("qt_"))
                continue;
            ++kinds[w->metaObject()->className()];
            ++total;
        }
    }
    const std::map<std::string, int> want = {
        { "QLabel", 440 }, { "QLineEdit", 193 }, { "ComboBox", 52 }, { "MachTypeCombo", 1 }, { "QGroupBox", 14 },
        { "QPushButton", 14 }, { "QCheckBox", 15 }, { "QRadioButton", 2 }, { "QProgressBar", 1 },
        { "QTextEdit", 1 },
        // The 28 pages and six blocks of rows.
        { "QWidget", 34 },
    };
    EXPECT_EQ(kinds, want);
    EXPECT_EQ(total, 767);
    EXPECT_EQ(p.tab.findChildren<QGridLayout*>().size(), 1);
    for (const char* block : { "dc_basic_widget", "gridLayoutWidget", "widget", "widget_2", "widget_dc", "widget_acid" })
        EXPECT_EQ(p.tab.findChild<QWidget*>(block)->metaObject()->className(), std::string("QWidget")) << block;
}

TEST(Tab_set, SwitchTimingPageHoldsItsRowsAndStaysLocked)
{
    Page p;
    QWidget* page = p.tab.widget(19);
    ASSERT_EQ(page->objectName(), "tab_12");
    struct Row {
        const char* caption;
        const char* captionText;
        const char* field;
        const char* hint;
        const char* hintText;
    };
    const Row rows[] = {
        { "label_176", "电网恢复延时", "lineEdit_82", "label_177", "0~300s，默认20" },
        { "label_179", "开关闭合延时", "lineEdit_83", "label_178", "0~10000ms，默认1" },
        { "label_181", "开关断开延时", "lineEdit_84", "label_180", "0~10000ms，默认1" },
        { "label_183", "闭合通信延时", "lineEdit_85", "label_182", "0~10000ms，默认1" },
        { "label_185", "断开通信延时", "lineEdit_86", "label_184", "0~10000ms，默认1" },
    };
    int lastY = -1;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.caption);
        QLabel* caption = page->findChild<QLabel*>(r.caption);
        QLineEdit* field = page->findChild<QLineEdit*>(r.field);
        QLabel* hint = page->findChild<QLabel*>(r.hint);
        ASSERT_TRUE(caption && field && hint);
        EXPECT_EQ(caption->text(), QString::fromUtf8(r.captionText));
        EXPECT_EQ(hint->text(), QString::fromUtf8(r.hintText));
        EXPECT_TRUE(field->text().isEmpty());
        EXPECT_EQ(field->focusPolicy(), Qt::NoFocus);
        // One row, top to bottom: caption, then the field on it, then the hint.
        EXPECT_GT(caption->y(), lastY);
        lastY = caption->y();
        EXPECT_EQ(field->y(), caption->y());
        EXPECT_EQ(hint->y(), caption->y());
        EXPECT_LT(caption->x(), field->x());
        EXPECT_LE(field->geometry().right(), hint->x());
    }
    // Its entries have no behaviour: the page stays disabled, also when shown and refreshed.
    p.attach();
    p.tab.setfirstindex(5);
    p.tab.setsubindex(3);
    p.tab.setCurrentIndex(19);
    p.tab.mpaintEvent();
    EXPECT_FALSE(page->isEnabled());
}

TEST(Tab_set, EmptyCaptionsAndStartingTexts)
{
    Page p;
    for (const char* g : { "groupBox", "groupBox_2", "groupBox_3" })
        EXPECT_TRUE(p.tab.findChild<QGroupBox*>(g)->title().isEmpty()) << g;
    EXPECT_TRUE(p.tab.findChild<QLabel*>("label_24")->text().isEmpty());
    EXPECT_TRUE(p.tab.findChild<QLabel*>("label_25")->text().isEmpty());
    EXPECT_EQ(p.tab.findChild<QLineEdit*>("lineEdit_14")->text(), "0");
    EXPECT_EQ(p.tab.findChild<QLineEdit*>("lineEdit_19")->text(), "0");
    EXPECT_EQ(p.tab.findChild<QLabel*>("label_425")->text(), QString::fromUtf8("预充电时间"));
}

TEST(Tab_set, PagesAsPictures)
{
    Page p;
    p.tab.resize(677, 639);
    p.tab.show();
    // Each page with a few of the fields it must show, '|' between them.
    const struct { int index; const char* shows; } shots[] = {
        { 0, "能量调度模式|交流调度|直流控制模式|恒流" },
        { 1, "机型设置：|HUX1-50K|额定电压等级：|380V" },
        { 2, "启动方式|自动开机|直流参数设置方式|统一设置" },
        { 3, "通讯波特率|19200|语言|简体中文" },
        { 9, "类型选择|DCAC|#15|开始升级" },
        { 24, "电网接入初始模式|并网初始|输入干接点4配置|EPO" },
        { 25, "背光延时设置|机柜序列号" },
        { 26, "直流配置|均充电压|电池总容量|AH" },
        { 27, "微网下垂使能|不启用" },
    };
    for (const auto& s : shots) {
        const int i = s.index;
        p.tab.setCurrentIndex(i);
        EXPECT_FALSE(saveArtifact(&p.tab, QString("tab_set_page_%1.png").arg(i)).isEmpty());
        EXPECT_EQ(notDrawn(&p.tab, QString::fromUtf8(s.shows).split('|')), QStringList()) << i;
    }
}

TEST(Tab_set, RefreshWaitsForTheDevicesAndTheKeypad)
{
    Page p;
    p.tab.setCurrentIndex(2);
    p.tab.currentWidget()->setEnabled(false);
    p.tab.mpaintEvent();
    EXPECT_FALSE(p.tab.currentWidget()->isEnabled());
    p.attach();
    {
        KeyPad pad;
        p.tab.mpaintEvent();
        EXPECT_FALSE(p.tab.currentWidget()->isEnabled());
    }
    p.tab.mpaintEvent();
    EXPECT_TRUE(p.tab.currentWidget()->isEnabled());
    EXPECT_EQ(p.tab.idleFlag, 100);
}

TEST(Tab_set, MachineTypeChoicesSurviveItsOwnRefreshOnly)
{
    Page p;
    p.attach();
    p.tab.setfirstindex(1);
    p.tab.machTypeDirty = 1;
    p.tab.mpaintEvent();
    EXPECT_EQ(p.tab.machTypeDirty, 1);
    p.tab.setfirstindex(2);
    EXPECT_EQ(p.tab.subIndex, 1);
    p.tab.mpaintEvent();
    EXPECT_EQ(p.tab.machTypeDirty, 0);
}

struct WriteCase {
    const char* name;
    int device;        // 0 ac, 1 dc, 2 sts
    int set21, set24;
    int finalResult;
    std::vector<int> tips;
};

TEST(Tab_set, WritesReportTheirResult)
{
    const WriteCase cases[] = {
        { "ac ok", 0, 0, 0, 0, { 3 } },
        { "ac failed", 0, 0, 1, 1, { 4 } },
        { "dc failed, dc own link", 1, 0, 0, 1, { 4 } },
        { "dc failed, dc through ac/dc", 1, 0, 1, 1, {} },
        { "dc ok through ac/dc", 1, 0, 1, 0, { 3 } },
        { "switch failed, switch present", 2, 0, 0, 1, { 4 } },
        { "switch failed, no switch", 2, 1, 0, 1, {} },
    };
    for (const WriteCase& c : cases) {
        Page p;
        p.attach();
        set[21].value = c.set21;
        set[24].value = c.set24;
        p.ac.finalResult = p.dc.finalResult = p.sts.finalResult = c.finalResult;
        p.ac.pendingPolls = 3;
        if (c.device == 0)
            p.tab.setAc(61, 2.5f);
        else if (c.device == 1)
            p.tab.setDc(61, 2.5f);
        else
            p.tab.setSts(61, 2.5f);
        FakeDevice* dev = c.device == 0 ? static_cast<FakeDevice*>(&p.ac)
                                        : c.device == 1 ? static_cast<FakeDevice*>(&p.dc) : &p.sts;
        EXPECT_TRUE(dev->wrote(0, 61, 2.5f)) << c.name;
        EXPECT_EQ(p.tips, c.tips) << c.name;
    }
}

TEST(Tab_set, RefusedSettingIsAFailureAndBusyPageDropsTheWrite)
{
    Page p;
    p.attach();
    p.ac.settingResult = -1;
    p.tab.setAc(5, 1);
    EXPECT_EQ(p.tips, std::vector<int>{ 4 });
    p.tips.clear();
    p.tab.idleFlag = 0;
    p.ac.writes.clear();
    p.tab.setAc(5, 1);
    p.tab.setDc(5, 1);
    p.tab.setSts(5, 1);
    EXPECT_TRUE(p.ac.writes.empty());
    EXPECT_TRUE(p.dc.writes.empty());
    EXPECT_TRUE(p.sts.writes.empty());
    EXPECT_TRUE(p.tips.empty());
    // The switch's other modules are written without the idle check.
    p.tab._setSts(3, 7, 1);
    EXPECT_TRUE(p.sts.wrote(3, 7, 1));
}

TEST(Tab_set, DcBranchWritesGoToThePickedBranchOrToAll)
{
    Page p;
    p.attach();
    p.tab.dcModule = 1003;
    p.tab.basicDcModule = 1005;
    p.ac.writes.clear();
    set[7].value = 1;
    p.tab.setDc_byAc(30, 600);
    p.tab.basic_setDc_byDc(30, 600);
    EXPECT_TRUE(p.ac.wrote(1003, 30, 600));
    EXPECT_TRUE(p.dc.wrote(1005, 30, 600));
    EXPECT_EQ(p.ac.polled.back(), 1003);
    set[7].value = 0;
    p.tab.basic_setDc_byAc(31, 1);
    p.tab.setDc_byDc(31, 1);
    EXPECT_TRUE(p.ac.wrote(0, 31, 1));
    EXPECT_TRUE(p.dc.wrote(0, 31, 1));
    EXPECT_EQ(p.dc.polled.back(), 0);
    // Reported whatever set[24] says.
    set[24].value = 1;
    p.tips.clear();
    p.dc.finalResult = 1;
    p.tab.setDc_byDc(31, 1);
    EXPECT_EQ(p.tips, std::vector<int>{ 4 });
    // The last branch, 1008, is sent; a branch number out of 1001..1008 is not.
    set[7].value = 1;
    p.tab.dcModule = 1008;
    p.tab.basicDcModule = 1008;
    p.ac.writes.clear();
    p.dc.writes.clear();
    p.tab.setDc_byAc(30, 2);
    p.tab.basic_setDc_byDc(30, 3);
    EXPECT_TRUE(p.ac.wrote(1008, 30, 2));
    EXPECT_EQ(p.ac.polled.back(), 1008);
    EXPECT_TRUE(p.dc.wrote(1008, 30, 3));
    EXPECT_EQ(p.dc.polled.back(), 1008);
    p.tab.dcModule = 1009;
    p.ac.writes.clear();
    p.tab.setDc_byAc(30, 1);
    EXPECT_TRUE(p.ac.writes.empty());
}

TEST(Tab_set, AttachingWritesCorrectionsAndTheTcpMarkAndReplacesAnUnknownDispatchMode)
{
    Page p;
    set[51].value = 12;
    set[52].value = -7;
    set[54].value = 9;
    Tab_set tab;
    p.ac.config[{ 0, 108 }] = 2;
    tab.setDeviceViews(&p.rtu, &p.tcp, &p.ac, &p.dc, &p.sts);
    EXPECT_TRUE(p.ac.wrote(0, 10048, 12));
    EXPECT_TRUE(p.ac.wrote(0, 10098, -7));
    EXPECT_TRUE(p.tcp.wrote(0, 600, 1.0f));
    EXPECT_EQ(set[54].value, 2);
    EXPECT_EQ(tab.devicesSet, 1);
    set[51].value = set[52].value = 0;
}

struct DcParamCase {
    const char* name;
    int set24, model, selector;
    float config79;
    int expect[9];
};

TEST(Tab_set, DcVoltageLimitsFollowTheCabinet)
{
    const DcParamCase cases[] = {
        { "via ac/dc, selector 1", 1, 1091, 1, 0, { 500, 850, 630, 500, 850, 750, 500, 850, 750 } },
        { "via ac/dc, 79 set, 1091", 1, 1091, 2, 1, { 562, 900, 630, 600, 900, 750, 600, 900, 750 } },
        { "via ac/dc, 79 set, 3091", 1, 3091, 2, 1, { 500, 900, 630, 600, 900, 750, 600, 900, 750 } },
        { "via ac/dc, 79 set, 4091", 1, 4091, 2, 1, { 600, 900, 630, 600, 900, 750, 600, 900, 750 } },
        { "via ac/dc, 79 clear, 4091", 1, 4091, 2, 0, { 500, 900, 630, 600, 900, 750, 600, 900, 750 } },
        { "via ac/dc, 79 clear, other", 1, 2091, 2, 0, { 600, 900, 630, 600, 900, 750, 600, 900, 750 } },
        { "own link, 5091", 0, 5091, 3, 0, { 30, 800, 300, 30, 800, 500, 30, 800, 500 } },
        { "own link, selector 0", 0, 1091, 0, 0, { 30, 800, 300, 30, 800, 500, 30, 800, 500 } },
        { "own link, selector 3", 0, 1091, 3, 0, { 30, 520, 300, 30, 520, 500, 30, 520, 500 } },
        { "own link, selector 2", 0, 1091, 2, 0, { 7, 7, 7, 7, 7, 7, 7, 7, 7 } },
    };
    for (const DcParamCase& c : cases) {
        Page p;
        for (int& v : dcParam)
            v = 7;
        set[24].value = c.set24;
        set[25].value = c.model;
        currentRackInfo.dcParamSet = c.selector;
        p.ac.config[{ 0, 79 }] = c.config79;
        p.attach();
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(dcParam[i], c.expect[i]) << c.name << " " << i;
    }
    currentRackInfo.dcParamSet = 0;
    set[24].value = 0;
}

TEST(Tab_set, ShortSettingFileIsRebuiltFromTheConverter)
{
    Page p;
    p.tree.writeFile("bin/setting.dat", std::string(239, '\x11'));
    p.ac.config[{ 0, 163 }] = 0.5f;
    p.ac.config[{ 0, 165 }] = 0.25f;
    p.ac.config[{ 0, 100 }] = 0.02f;
    p.attach();
    // Golden bytes: little-endian float32 0.5, 0.25, 0.02, then 57 zeros.
    std::string golden("\x00\x00\x00\x3f\x00\x00\x80\x3e\x0a\xd7\xa3\x3c", 12);
    golden += std::string(228, '\0');
    EXPECT_EQ(fileBytes(p.tree.path("bin/setting.dat")), golden);
    EXPECT_FLOAT_EQ(p.tab.showData[2], 0.02f);

    p.tab.showData[0] = 1.0f;
    p.tab.saveshowData();
    EXPECT_EQ(fileBytes(p.tree.path("bin/setting.dat")).substr(0, 4), std::string("\x00\x00\x80\x3f", 4));
}

TEST(Tab_set, WholeSettingFileAndSerialAreKept)
{
    Page p;
    std::string setting(240, '\0');
    setting.replace(0, 4, std::string("\x00\x00\x20\x41", 4));  // 10.0
    p.tree.writeFile("bin/setting.dat", setting);
    std::string serial = "ABCDEFGHIJKLMNOPQRSTUV";
    serial += std::string(128 - serial.size(), '\0');
    p.tree.writeFile("bin/SerialNum.dat", serial);
    p.attach();
    EXPECT_FLOAT_EQ(p.tab.showData[0], 10.0f);
    EXPECT_STREQ(p.tab.serialNum, "ABCDEFGHIJKLMNOPQRSTUV");
    EXPECT_EQ(fileBytes(p.tree.path("bin/SerialNum.dat")), serial);
}

TEST(Tab_set, MissingSerialFileBecomes128ZeroBytes)
{
    Page p;
    p.attach();
    EXPECT_EQ(fileBytes(p.tree.path("bin/SerialNum.dat")), std::string(128, '\0'));
    EXPECT_EQ(fileBytes(p.tree.path("bin/setting.dat")).size(), 240u);
}

TEST(Tab_set, NetworkTextsFromTheSettingFile)
{
    Page p;
    p.tree.writeFile("etc/eth0-setting", "IP=10.0.0.5\nMask=255.255.0.0\nGateway=10.0.0.1\nMAC=x\n");
    p.tab.read_netdata();
    EXPECT_EQ(p.tab.netIp.trimmed(), "10.0.0.5");
    EXPECT_EQ(p.tab.netMask.trimmed(), "255.255.0.0");
    EXPECT_EQ(p.tab.netGateway.trimmed(), "10.0.0.1");
}

TEST(Tab_set, RebootNoticeNeedsOk)
{
    Page p;
    QString text;
    QTimer::singleShot(20, [&text]() {
        QMessageBox* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(p.tab.reboot(), 1);
    EXPECT_EQ(text, QString::fromUtf8("该设置需机架下电重启生效,请将机架下电!"));
}

} // namespace
