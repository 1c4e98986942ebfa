#include "interface_sysset.h"

#include "globalvar.h"
#include "idturn.h"
#include "keypad.h"
#include "modbusacdcdata.h"
#include "monitorset.h"
#include "pageturnadv.h"
#include "tab_set.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <string>
#include <vector>

namespace {

// An AC/DC object that is never opened and answers the inverter type from the test.
class InverterType : public ModbusAcDcData {
public:
    InverterType() : ModbusAcDcData(13, nullptr, nullptr, 300, 0) {}
    int getConfig(int module, int index, float* out) override
    {
        if (module != 0 || index != 109)
            return -1;
        *out = type;
        return 0;
    }
    float type = 0;
};

struct Settings {
    InverterType ac;
    interface_SysSet page;
    Tab_set* tab = nullptr;
    PageTurnAdv* pages = nullptr;
    IdTurn* modules = nullptr;

    explicit Settings(int level = 4)
    {
        keyword_right = level;
        set[23].value = 4;
        set[25].value = 1091;
        set[53].value = 0;
        page.loadtab_delay();
        page.resize(796, 480);
        page.show();
        tab = page.findChild<Tab_set*>();
        pages = page.findChild<PageTurnAdv*>();
        modules = page.findChild<IdTurn*>();
        page.setDiviceData(nullptr, nullptr, &ac, nullptr, nullptr);
    }
    // Number of page buttons offered, 0 when the page picker is hidden.
    int pageCount() const
    {
        if (!pages->isVisible())
            return 0;
        int n = 0;
        for (QRadioButton* b : pages->findChildren<QRadioButton*>())
            n += b->isVisible() ? 1 : 0;
        return n;
    }
    // Title and entries of the module picker, empty when hidden.
    std::string moduleChoice() const
    {
        if (!modules->isVisible())
            return "";
        QComboBox* box = modules->findChild<QComboBox*>();
        return modules->findChild<QLabel*>("label")->text().toStdString() + " " + std::to_string(box->count()) + " #"
            + std::to_string(modules->getId());
    }
};

} // namespace

TEST(interface_SysSet, NothingBeforeTheSettingsTabsExist)
{
    interface_SysSet page;
    EXPECT_EQ(page.objectName().toStdString(), "interface_SysSet");
    EXPECT_EQ(page.size(), QSize(796, 480));
    page.change_sub_interface(4);
    page._change_sub_interface(2);
    page.freshme();
    page.setDiviceData(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(page.findChild<Tab_set*>(), nullptr);

    page.loadtab_delay();
    page.loadtab_delay();
    EXPECT_EQ(page.findChildren<Tab_set*>().size(), 1);
    Tab_set* tab = page.findChild<Tab_set*>();
    EXPECT_EQ(tab->count(), 28);
    EXPECT_FALSE(page.findChild<PageTurnAdv*>()->isVisibleTo(&page));
    EXPECT_FALSE(page.findChild<IdTurn*>()->isVisibleTo(&page));
    EXPECT_EQ(page.findChild<PageTurnAdv*>()->pos(), QPoint(0, 435));
    EXPECT_EQ(page.findChild<IdTurn*>()->pos(), QPoint(200, 437));

    std::vector<int> codes;
    QObject::connect(&page, &interface_SysSet::sendcommond, [&codes](int v) { codes.push_back(v); });
    emit tab->sendcommond(4);
    EXPECT_EQ(codes, std::vector<int> { 4 });
}

TEST(interface_SysSet, AcPagesByGridCodeAndInverterType)
{
    struct Case { const char* name; int code; float inverter; std::vector<int> tabs; } cases[] = {
        { "China", 0, 0, { 4, 10, 11, 12 } },
        { "China, inverter type 3", 0, 3, { 4, 10, 11, 12, 17 } },
        { "UK, inverter type 3", 3, 3, { 4, 10, 11, 12, 17 } },
        { "North America", 1, 0, { 4, 10, 11, 12, 13, 14, 15, 16 } },
        { "North America, inverter type 3", 1, 3, { 4, 10, 11, 12, 13, 14, 15, 16, 17 } },
        { "Australia", 2, 0, { 4, 10, 13, 11, 12, 15, 16 } },
        { "Australia, inverter type 3", 2, 3, { 4, 10, 13, 11, 12, 15, 16, 17 } },
        { "unknown grid code", 7, 3, { 4, 4, 4, 4, 4, 4, 4, 4, 4 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings s;
        set[53].value = c.code;
        s.ac.type = c.inverter;
        s.page.change_sub_interface(4);
        ASSERT_EQ(s.pageCount(), int(c.tabs.size()));
        EXPECT_EQ(s.tab->currentIndex(), 4);
        std::vector<int> shown;
        for (int p = 1; p <= int(c.tabs.size()); ++p) {
            s.pages->findChild<QRadioButton*>(p == 1 ? QString("radioButton") : QString("radioButton_%1").arg(p))->click();
            EXPECT_EQ(s.tab->subIndex, p);
            shown.push_back(s.tab->currentIndex());
        }
        EXPECT_EQ(shown, c.tabs);
        EXPECT_EQ(s.tab->firstIndex, 4);
    }
}

TEST(interface_SysSet, PagesOfTheOtherSubPages)
{
    struct Case { int f; int page; int tab; } cases[] = {
        { 0, 1, 0 }, { 0, 2, 26 }, { 0, 5, 26 },
        { 2, 1, 2 }, { 2, 2, 24 }, { 2, 3, 27 }, { 2, 4, 2 },
        { 3, 1, 3 }, { 3, 2, 25 },
        { 5, 1, 5 }, { 5, 2, 18 },
        { 6, 1, 6 }, { 6, 2, 20 }, { 6, 3, 21 },
        { 7, 1, 7 }, { 7, 2, 22 }, { 7, 3, 23 },
        { 1, 2, 1 }, { 8, 2, 8 }, { 9, 2, 9 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.f) + " page " + std::to_string(c.page));
        Settings s;
        s.page.change_sub_interface(c.f);
        EXPECT_EQ(s.page.shownSubPage(), c.f);
        EXPECT_EQ(s.tab->currentIndex(), c.f);
        s.page._change_sub_interface(c.page);
        EXPECT_EQ(s.tab->currentIndex(), c.tab);
        EXPECT_EQ(s.tab->subIndex, c.page);
    }
}

TEST(interface_SysSet, PickersBySubPageAndLevel)
{
    struct Case { int f; int level; int model; int pages; const char* modules; } cases[] = {
        { 0, 4, 1091, 0, "" },
        { 1, 4, 1091, 0, "" },
        { 2, 4, 1091, 2, "" },
        { 2, 4, 6091, 3, "" },
        { 3, 1, 1091, 2, "" },
        { 5, 4, 1091, 2, "支路 4 #1" },
        { 6, 3, 1091, 3, "" },
        { 6, 2, 1091, 2, "" },
        { 7, 3, 1091, 3, "模块 11 #1" },
        { 7, 2, 1091, 0, "模块 11 #1" },
        { 8, 4, 1091, 0, "模块 10 #1" },
        { 9, 4, 1091, 0, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.f) + " at level " + std::to_string(c.level));
        Settings s(c.level);
        set[25].value = c.model;
        s.page.change_sub_interface(7); // whatever was shown before
        s.page.change_sub_interface(c.f);
        EXPECT_EQ(s.pageCount(), c.pages);
        EXPECT_EQ(s.moduleChoice(), c.modules);
        if (c.pages > 0) {
            EXPECT_EQ(s.pages->getPage(), 1);
        }
    }
}

TEST(interface_SysSet, PickedModuleReachesTheSettingsTabsEachTick)
{
    Settings s;
    set[23].value = 3;
    s.page.change_sub_interface(5);
    EXPECT_EQ(s.moduleChoice(), "支路 3 #1");
    s.modules->setCurrentId(3);
    s.page.freshme();
    EXPECT_EQ(s.tab->dcModule, 1003);

    // The picker starts from the settings tabs' own choice when the sub-page comes back.
    s.page.change_sub_interface(0);
    s.page.change_sub_interface(5);
    EXPECT_EQ(s.moduleChoice(), "支路 3 #3");

    s.page.change_sub_interface(7);
    s.modules->setCurrentId(11);
    s.page.freshme();
    EXPECT_EQ(s.tab->acDebugModule, 11);
    s.page.change_sub_interface(8);
    s.modules->setCurrentId(10);
    s.page.freshme();
    EXPECT_EQ(s.tab->dcDebugModule, 10);
    EXPECT_EQ(s.tab->dcModule, 1003);
    EXPECT_EQ(s.tab->acDebugModule, 11);

    // A branch count the cabinet cannot have still offers branch 1, never "branch 0".
    set[23].value = 0;
    s.page.change_sub_interface(5);
    s.page.freshme();
    EXPECT_EQ(s.tab->dcModule, 1001);
}

TEST(interface_SysSet, MachineTypeReadOnlyBelowLevelFourUntilTheNextTick)
{
    for (int level : { 1, 2, 3, 4, 8 }) {
        SCOPED_TRACE(level);
        Settings s(level);
        s.page.change_sub_interface(1);
        QWidget* machineType = s.tab->widget(1);
        EXPECT_EQ(machineType->isEnabled(), level > 3);
        // While a keypad is open the settings page is not refreshed.
        {
            KeyPad pad;
            s.page.freshme();
            EXPECT_EQ(machineType->isEnabled(), level > 3);
        }
        // The machine-type refresh keeps it read-only below level 3, where its apply could
        // otherwise write the form's defaults everywhere.
        s.page.freshme();
        EXPECT_EQ(machineType->isEnabled(), level >= 3);
    }
    // Before the devices exist nothing is refreshed.
    keyword_right = 3;
    interface_SysSet page;
    page.loadtab_delay();
    page.change_sub_interface(1);
    page.freshme();
    EXPECT_FALSE(page.findChild<Tab_set*>()->widget(1)->isEnabled());
}

TEST(interface_SysSet, ScreenWithBranchPicker)
{
    Settings s;
    set[23].value = 8;
    s.page.change_sub_interface(5);
    QApplication::processEvents();
    ASSERT_FALSE(saveArtifact(&s.page, "settings_container_dc.png").isEmpty());
    EXPECT_EQ(notDrawn(&s.page, { QString::fromUtf8("电池"), QString::fromUtf8("支路") }), QStringList());
}
