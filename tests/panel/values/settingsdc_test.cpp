// The DC parameter sub-page on the running panel: what the operator types reaches the DC/DC
// modules of the simulated cabinet, and the page shows it back from the link.
#include "../settings/settingstest.h"
#include "acmodulesim.h"
#include "answerinline.h"
#include "dcbussim.h"
#include "form.h"
#include "globalvar.h"
#include "monitorset.h"
#include "mymainwindow.h"
#include "rtuline.h"
#include "runtimetree.h"
#include "tab_set.h"

#include <QApplication>
#include <QLineEdit>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 30000)
{
    for (int waited = 0; waited < ms; waited += 20) {
        QCoreApplication::processEvents();
        if (done())
            return true;
        usleep(20000);
    }
    return done();
}

class SettingsDc : public ::testing::Test {
protected:
    void TearDown() override
    {
        // The panel first: its links stop their threads before the simulators and the process's
        // static objects go.
        delete window;
        window = nullptr;
        dcBus.stop();
        line.stop();
    }

    RuntimeTree tree{ true };
    RtuLine line;
    std::map<int, std::unique_ptr<AcModuleSim>> ac;
    DcBusSim dcBus;
    MyMainWindow* window = nullptr;
};

TEST_F(SettingsDc, CellCountReachesTheModulesOfTheBranch)
{
    ASSERT_TRUE(line.open(tree.path("dev/ttySAC1")));
    for (int node = 1; node <= 11; ++node) {
        ac[node].reset(new AcModuleSim(node));
        line.attach(node, ac[node].get());
    }
    line.start();
    ASSERT_TRUE(dcBus.open(tree.root(), "can0", 10));
    dcBus.start();
    readmonitorset();
    set[24].value = 0;
    set[23].value = 2;
    set[7].value = 1;
    window = new MyMainWindow;
    Tab_set* tab = window->form()->findChild<Tab_set*>();
    ASSERT_TRUE(tab);
    std::vector<int> tips;
    QObject::connect(tab, &Tab_set::sendcommond, [&](int code) { tips.push_back(code); });
    // The DC/DC modules have been initialised and belong to their branches.
    // An initialisation sends the same rows, so none may still be under way when the entry is made.
    ASSERT_TRUE(waitFor([this] {
        for (int n = 1; n <= 10; ++n)
            if (dcBus.module(n)->status(DcModuleSim::STATUS_INIT_REQUEST))
                return false;
        return dcdcstate[21] != 0 && dcdcstate[21] != 16 && dcdcstate[2] != 16;
    })) << "branch 2 state " << int(dcdcstate[21]);

    // A late re-initialisation (a status report that still asked for it) may resend a module's
    // own values after the entry: what counts is what the entry sent, so only commands after it.
    size_t before[11] = {};
    for (int n = 1; n <= 10; ++n)
        before[n] = dcBus.module(n)->commands().size();
    tab->dcModule = 1002;
    tab->setfirstindex(5);
    tab->setsubindex(2);
    tab->setCurrentIndex(18);
    {
        // The six writes each wait a few milliseconds for their acknowledgement.
        AnswerInline answers(dcBus);
        KeyPadTyper typer("240");
        QMetaObject::invokeMethod(tab, "on_lineEdit_78_selectionChanged");
    }
    EXPECT_EQ(tips, std::vector<int>(6, 3));
    // Rows 42, 37, 27, 30, 46, 40 of the DC/DC command table: codes 74, 69, 59, 62, 78, 72,
    // in tenths of a volt (the cell count too).
    const std::vector<std::pair<int, int>> sent = { { 74, 2400 }, { 69, 5520 }, { 59, 5280 }, { 62, 3960 },
        { 78, 4320 }, { 72, 3960 } };
    for (int n = 1; n <= 10; ++n) {
        const std::vector<SimFrame> all = dcBus.module(n)->commands();
        for (const auto& s : sent) {
            bool got = false;
            for (size_t k = before[n]; k < all.size(); ++k)
                got = got || (all[k].word(0) == s.first && int16_t(all[k].word(1)) == s.second);
            // Only the modules of branch 2 (the even ones) are given the entry's values.
            EXPECT_EQ(got, n % 2 == 0) << "module " << n << " code " << s.first;
        }
    }
    tab->mpaintEvent();
    EXPECT_EQ(tab->findChild<QLineEdit*>("lineEdit_78")->text(), "240");
    EXPECT_EQ(tab->findChild<QLineEdit*>("lineEdit_76")->text(), "396.0");
}

}
