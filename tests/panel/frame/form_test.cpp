#include "form.h"

#include "globalvar.h"
#include "interface4_1.h"
#include "interface4_2.h"
#include "interface4_5.h"
#include "interface_ctrmod.h"
#include "interface_energy.h"
#include "interface_login.h"
#include "interface_logout.h"
#include "interface_main.h"
#include "interface_switch.h"
#include "interface_sysinf.h"
#include "interface_sysset.h"
#include "monitorset.h"
#include "tab_logout.h"
#include "tab_set.h"
#include "tabwidget.h"

#include <gtest/gtest.h>
#include <QListWidget>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <vector>

namespace {

class FormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        keyword_right = 0;
        for (int i : { 1, 21, 24, 26, 59 })
            set[i].value = 0;
        form = new Form;
        list = form->findChild<QListWidget*>();
        tabs = form->findChild<QTabWidget*>();
        sysinf = form->findChild<interface_SysInf*>("interface_sysinf");
        logout = form->findChild<interface_LogOut*>("interface_logout");
        sysset = form->findChild<interface_SysSet*>("interface_sysset");
        energy = form->findChild<interface_Energy*>("interface_ctrway");
        ctrmod = form->findChild<interface_CtrMod*>("interface_ctrmod");
        ASSERT_TRUE(list && tabs && sysinf && logout && sysset && energy && ctrmod);
    }
    void TearDown() override { delete form; }

    std::vector<int> visibleRows() const
    {
        std::vector<int> rows;
        for (int r = 0; r < list->count(); ++r)
            if (!list->isRowHidden(r))
                rows.push_back(r);
        return rows;
    }
    std::vector<int> rows(std::initializer_list<int> r) const { return std::vector<int>(r); }

    Form* form = nullptr;
    QListWidget* list = nullptr;
    QTabWidget* tabs = nullptr;
    interface_SysInf* sysinf = nullptr;
    interface_LogOut* logout = nullptr;
    interface_SysSet* sysset = nullptr;
    interface_Energy* energy = nullptr;
    interface_CtrMod* ctrmod = nullptr;
};

} // namespace

TEST_F(FormTest, PagesInTheirTabs)
{
    const char* names[] = { "interface_main", "interface_sysinf", "interface_logout", "interface_sysset",
        "interface_switch", "interface_ctrmod", "interface_ctrway", "interface_loginin" };
    ASSERT_EQ(tabs->count(), 8);
    EXPECT_NE(qobject_cast<TabWidget*>(tabs), nullptr);
    EXPECT_TRUE(tabs->tabBar()->isHidden());
    for (int i = 0; i < 8; ++i) {
        QWidget* page = form->findChild<QWidget*>(names[i]);
        ASSERT_NE(page, nullptr) << names[i];
        EXPECT_TRUE(tabs->widget(i)->isAncestorOf(page)) << names[i];
    }
    EXPECT_TRUE(list->isHidden());
    EXPECT_EQ(list->width(), 120);
    EXPECT_EQ(list->focusPolicy(), Qt::NoFocus);
}

TEST_F(FormTest, VisibleRowsByLevelAndSettings)
{
    struct Case {
        const char* name;
        int page, level, noSwitch, dcViaAc, battery, strategy;
        int count;
        std::vector<int> visible;
    } cases[] = {
        { "settings level 3 flat", 4, 3, 0, 0, 0, 0, 10, { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 } },
        { "settings level 3 no switch", 4, 3, 1, 0, 0, 0, 10, { 0, 1, 2, 3, 4, 5, 7, 8, 9 } },
        { "settings level 3 DC through AC/DC", 4, 3, 0, 1, 0, 0, 10, { 0, 1, 2, 3, 4, 5, 6, 7, 9 } },
        { "settings level 2 folded", 4, 2, 0, 0, 0, 0, 10, { 0, 1 } },
        { "settings level 1 folded", 4, 1, 1, 1, 0, 0, 10, { 0, 1 } },
        { "info level 1 bare cabinet", 2, 1, 0, 0, 0, 0, 9, { 0, 1, 2, 3, 4 } },
        { "info level 0 with battery", 2, 0, 0, 0, 1, 0, 9, { 0, 1, 2, 3, 4, 5 } },
        { "info level 2 with battery", 2, 2, 0, 0, 1, 0, 9, { 0, 1, 2, 3, 4, 5, 6, 7, 8 } },
        { "info level 3 no switch", 2, 3, 1, 0, 1, 0, 9, { 0, 1, 4, 5, 6, 7 } },
        { "info level 3 DC through AC/DC", 2, 3, 0, 1, 1, 0, 9, { 0, 1, 2, 3, 4, 5, 6, 8 } },
        { "logs level 0", 3, 0, 0, 0, 0, 0, 6, { 0, 1, 2, 3 } },
        { "logs level 2", 3, 2, 0, 0, 0, 0, 6, { 0, 1, 2, 3, 5 } },
        { "logs level 3", 3, 3, 0, 0, 0, 0, 6, { 0, 1, 2, 3, 4, 5 } },
        { "peak shaving level 1", 7, 1, 0, 0, 0, 0, 7, { 0, 1, 2, 5 } },
        { "peak shaving level 2", 7, 2, 0, 0, 0, 0, 7, { 0, 1, 2, 3, 4, 5, 6 } },
        { "PV-storage level 2", 7, 2, 0, 0, 0, 1, 7, { 0, 1, 5, 6 } },
        { "PV-storage level 1", 7, 1, 0, 0, 0, 1, 7, { 0, 1, 5 } },
        { "DC schedule level 3", 7, 3, 0, 0, 0, 2, 7, { 0, 2, 3, 4, 5, 6 } },
        { "DC schedule level 1", 7, 1, 0, 0, 0, 2, 7, { 0, 2, 5 } },
        { "unknown strategy level 1", 7, 1, 0, 0, 0, 9, 7, { 0, 1, 2, 5 } },
        { "home", 1, 3, 0, 0, 0, 0, 0, {} },
        { "operation", 5, 3, 0, 0, 0, 0, 0, {} },
        { "control mode", 6, 3, 0, 0, 0, 0, 0, {} },
        { "login", 8, 0, 0, 0, 0, 0, 0, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        keyword_right = c.level;
        set[21].value = c.noSwitch;
        set[24].value = c.dcViaAc;
        set[26].value = c.battery;
        set[59].value = c.strategy;
        form->slot_toolbar(c.page);
        EXPECT_EQ(tabs->currentIndex(), c.page - 1);
        EXPECT_EQ(list->count(), c.count);
        EXPECT_EQ(list->isHidden(), c.count == 0);
        EXPECT_EQ(visibleRows(), c.visible);
        if (c.count > 0) {
            EXPECT_EQ(list->currentRow(), 0);
            EXPECT_EQ(list->item(0)->sizeHint(), QSize(50, 40));
            EXPECT_EQ(list->item(0)->textAlignment(), int(Qt::AlignCenter));
        }
    }
}

TEST_F(FormTest, SettingsCaptionsByLevel)
{
    keyword_right = 3;
    form->slot_toolbar(4);
    EXPECT_EQ(list->item(1)->text(), QString::fromUtf8("机型选择"));
    EXPECT_EQ(list->item(9)->text(), QString::fromUtf8("升级模块"));
    keyword_right = 1;
    form->slot_toolbar(4);
    EXPECT_EQ(list->item(1)->text(), QString::fromUtf8("▲高级设置"));
    EXPECT_EQ(list->item(9)->text(), QString::fromUtf8("DC诊断"));
}

TEST_F(FormTest, RowsReachTheirPages)
{
    struct Case { const char* name; int page; int level; int row; int expect; } cases[] = {
        { "info row 8", 2, 3, 8, 8 },
        { "logs row 5", 3, 3, 5, 5 },
        { "settings level 3 row 9", 4, 3, 9, 9 },
        { "settings level 2 row 9 is DC debug", 4, 2, 9, 8 },
        { "settings level 2 row 2 is cabinet type", 4, 2, 2, 1 },
        { "strategy row 6", 7, 3, 6, 6 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        keyword_right = c.level;
        form->slot_toolbar(c.page);
        list->setCurrentRow(c.row);
        int got = -2;
        switch (c.page) {
        case 2: got = sysinf->shownSubPage(); break;
        case 3: got = logout->shownSubPage(); break;
        case 4: got = sysset->shownSubPage(); break;
        case 7: got = energy->shownSubPage(); break;
        }
        EXPECT_EQ(got, c.expect);
    }
}

TEST_F(FormTest, EnteringAPageShowsItsFirstRow)
{
    keyword_right = 3;
    form->slot_toolbar(2);
    list->setCurrentRow(4);
    form->slot_toolbar(2); // the same button again
    EXPECT_EQ(sysinf->shownSubPage(), 0);
    backlight_count = 30;
    list->setCurrentRow(3);
    EXPECT_EQ(backlight_count, 0);
}

TEST_F(FormTest, ScheduleRowsSetTheEditorMode)
{
    keyword_right = 3;
    form->slot_toolbar(7);
    for (int row : { 2, 3, 4 }) {
        list->setCurrentRow(row);
        EXPECT_EQ(energy->scheduleMode(), row);
    }
}

TEST_F(FormTest, FoldedAdvancedSettings)
{
    keyword_right = 1;
    set[21].value = 0;
    form->slot_toolbar(4);
    EXPECT_EQ(sysset->shownSubPage(), 0);

    list->setCurrentRow(1); // the fold row itself forwards nothing
    EXPECT_EQ(sysset->shownSubPage(), 0);

    form->slot_item(list->item(1));
    EXPECT_EQ(list->item(1)->text(), QString::fromUtf8("▼高级设置"));
    EXPECT_EQ(visibleRows(), rows({ 0, 1, 2, 3, 4, 5, 6, 7 }));
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(sysset->shownSubPage(), 1);

    form->slot_item(list->item(1));
    EXPECT_EQ(list->item(1)->text(), QString::fromUtf8("▲高级设置"));
    EXPECT_EQ(visibleRows(), rows({ 0, 1 }));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(sysset->shownSubPage(), 0);
}

TEST_F(FormTest, UnfoldingAtLevel2WithoutSwitch)
{
    keyword_right = 2;
    set[21].value = 1;
    form->slot_toolbar(4);
    form->slot_item(list->item(1));
    EXPECT_EQ(visibleRows(), rows({ 0, 1, 2, 3, 4, 5, 6, 8, 9 }));
    form->slot_item(list->item(6)); // "直流参数" only writes a line
    EXPECT_EQ(visibleRows(), rows({ 0, 1, 2, 3, 4, 5, 6, 8, 9 }));
}

TEST_F(FormTest, ClearedListForwardsNoRow)
{
    keyword_right = 3;
    for (int page : { 2, 3, 4, 7 }) {
        SCOPED_TRACE(page);
        form->slot_toolbar(page);
        list->setCurrentRow(3);
        list->clear(); // reports row -1
        form->slot_itemindex(-1);
        int got = page == 2 ? sysinf->shownSubPage() : page == 3 ? logout->shownSubPage()
            : page == 4 ? sysset->shownSubPage() : energy->shownSubPage();
        EXPECT_EQ(got, 3);
    }
}

TEST_F(FormTest, StrategyChangeHidesRowsOnlyOnTheEnergyPage)
{
    keyword_right = 3;
    set[59].value = 0;
    form->slot_toolbar(2);
    energy->change_sub_interface(3);
    const std::vector<int> before = visibleRows();
    for (int strategy : { 0, 1, 2 })
        form->slot_hidesome(strategy);
    EXPECT_EQ(visibleRows(), before);
    EXPECT_EQ(energy->scheduleMode(), 3);

    form->slot_toolbar(7);
    emit energy->sinal_hidesome(1);
    EXPECT_EQ(visibleRows(), rows({ 0, 1, 5, 6 }));
    emit energy->sinal_hidesome(2);
    EXPECT_EQ(visibleRows(), rows({ 0, 2, 3, 4, 5, 6 }));
    EXPECT_EQ(energy->scheduleMode(), 2);
    emit energy->sinal_hidesome(7);
    EXPECT_EQ(visibleRows(), rows({ 0, 2, 3, 4, 5, 6 }));
    emit energy->sinal_hidesome(0);
    EXPECT_EQ(visibleRows(), rows({ 0, 1, 2, 3, 4, 5, 6 }));
}

TEST_F(FormTest, StrategyChangeKeepsPriceRowsBelowLevel2)
{
    keyword_right = 1;
    set[59].value = 1;
    form->slot_toolbar(7);
    EXPECT_EQ(visibleRows(), rows({ 0, 1, 5 }));
    form->slot_hidesome(0);
    EXPECT_EQ(visibleRows(), rows({ 0, 1, 2, 5 }));
}

TEST_F(FormTest, DiagramRepaintsOnlyWhileShown)
{
    QTimer* timer = form->findChild<interface_Main*>("interface_main")->findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    form->slot_toolbar(1);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 200);
    form->slot_toolbar(2);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(FormTest, PageNumberOutsideTheBarChangesNothing)
{
    form->slot_toolbar(3);
    form->slot_toolbar(0);
    form->slot_toolbar(9);
    EXPECT_EQ(tabs->currentIndex(), 2);
    EXPECT_EQ(list->count(), 6);
}

TEST_F(FormTest, SignalsRelayed)
{
    std::vector<int> users, tips, exports;
    QObject::connect(form, &Form::user_changed, [&users](int v) { users.push_back(v); });
    QObject::connect(form, &Form::sendcommond, [&tips](int v) { tips.push_back(v); });
    QObject::connect(form, &Form::sendcommond_udisk, [&exports](int v) { exports.push_back(v); });

    emit form->findChild<interface_login*>("interface_loginin")->user_changed(3);
    emit form->findChild<Tab_set*>()->sendcommond(3);
    emit form->findChild<interface_Switch*>("interface_switch")->sendcommond(4);
    emit form->findChild<Tab_Logout*>()->sendcommond(7);
    form->changeCtrlState(2);
    form->changeCtrlState(0);

    EXPECT_EQ(users, std::vector<int> { 3 });
    EXPECT_EQ(tips, (std::vector<int> { 3, 4, 4001, 4000 }));
    EXPECT_EQ(exports, std::vector<int> { 7 });
    EXPECT_TRUE(ctrmod->findChild<QRadioButton*>("radioButton")->isChecked());

    form->setCtrlDisable(0);
    EXPECT_FALSE(ctrmod->findChild<QRadioButton*>("radioButton_3")->isEnabled());
    form->setCtrlDisable(4);
    EXPECT_TRUE(ctrmod->findChild<QRadioButton*>("radioButton_3")->isEnabled());
}

TEST_F(FormTest, RecordWidgetsAndExportProgress)
{
    Tab_Logout* tab = form->findChild<Tab_Logout*>();
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(form->getwarwidget(), tab->findChild<INTERFACE4_1*>("waring"));
    EXPECT_EQ(form->getlogwidget(), tab->findChild<INTERFACE4_2*>("wlog"));
    EXPECT_EQ(form->getslogwidget(), tab->findChild<Interface4_5*>("slog"));
    EXPECT_NE(form->getwarwidget(), nullptr);

    isdownALLing = 1;
    form->fresh_down(4, 19);
    EXPECT_EQ(isdownALLing, 1);
    form->fresh_down(0, 18);
    EXPECT_EQ(isdownALLing, 0);
}

TEST_F(FormTest, NullDevicesAreAccepted)
{
    form->setDeviceData(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    form->shut_down();
    // Without devices every page still opens with its list, and refreshing it reads nothing.
    const int rowsOf[9] = { 0, 0, 9, 6 };
    for (int page = 1; page <= 8; ++page) {
        form->slot_toolbar(page);
        form->freshme();
        EXPECT_EQ(tabs->currentIndex(), page - 1) << page;
        if (page <= 3) {
            EXPECT_EQ(list->count(), rowsOf[page]) << page;
        }
    }
}
