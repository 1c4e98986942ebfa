#include "interface_login.h"

#include "fakeupgradeengine.h"
#include "form.h"
#include "globalvar.h"
#include "htstatbar.h"
#include "monitorset.h"
#include "mybasedialog.h"
#include "mytoolbar.h"
#include "runtimetree.h"
#include "tab_set.h"
#include "widgettest.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>

#include <memory>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString welcome(const char* name)
{
    return QString::fromUtf8("亲爱的 ") + QString::fromUtf8(name) + QString::fromUtf8("\n  欢迎进入PCS操作系统");
}


// A login page with its key pad reached by clicks, and the levels it announced.
struct Page {
    interface_login page;
    std::vector<int> announced;
    SeenBoxes boxes;
    BoxCloser closer{ &boxes };

    Page()
    {
        QObject::connect(&page, &interface_login::user_changed, [this](int level) { announced.push_back(level); });
    }
    void key(const char* name)
    {
        QPushButton* b = page.findChild<QPushButton*>(QString("pushButton_") + name);
        ASSERT_NE(b, nullptr) << name;
        b->click();
    }
    void type(const char* digits)
    {
        for (const char* d = digits; *d; ++d) {
            const char name[2] = { *d, 0 };
            key(name);
        }
    }
    void enter(const char* code)
    {
        type(code);
        key("login");
    }
    QString entry() { return page.findChild<QLineEdit*>("lineEdit")->text(); }
    QString greeting() { return page.findChild<QLabel*>("label_welcome")->text(); }
    QPushButton* upgrade() { return page.findChild<QPushButton*>("upgradeButton"); }
    QLineEdit* entryField() { return page.findChild<QLineEdit*>("lineEdit"); }
};

struct CodeCase {
    const char* name;
    const char* typed;
    bool accepted;
    int level;       // when accepted
    int old;         // oldkeyword afterwards
    const char* who; // user name in the greeting when accepted
    bool upgrade;    // upgrade button shown afterwards
};

// Every case starts logged in at level 2, so a refused code visibly changes nothing.
const CodeCase kCodeCases[] = {
    { "service_engineer", "471902385", true, 1, 1, "维护工程师", false },
    { "service_engineer_1", "530718264", true, 2, 2, "维护工程师1", false },
    { "manager", "316947", true, 3, 3, "后台管理员", false },
    { "administrator", "73905162", true, 4, 4, "超级管理员", false },
    { "maker", "7163", true, 8, 8, "Norvale", false },
    { "customer_keeps_oldkeyword", "842067", true, 0, 2, "客户", true },
    { "empty", "", false, 0, 2, nullptr, false },
    { "service_engineer_digit_more", "4719023850", false, 0, 2, nullptr, false },
    { "service_engineer_1_digit_more", "5307182641", false, 0, 2, nullptr, false },
    { "manager_digit_more", "3169470", false, 0, 2, nullptr, false },
    { "administrator_digit_more", "739051629", false, 0, 2, nullptr, false },
    { "maker_digit_more", "71630", false, 0, 2, nullptr, false },
    { "customer_digit_more", "8420671", false, 0, 2, nullptr, false },
    { "service_engineer_digit_less", "47190238", false, 0, 2, nullptr, false },
    { "service_engineer_1_digit_less", "53071826", false, 0, 2, nullptr, false },
    { "manager_digit_less", "31694", false, 0, 2, nullptr, false },
    { "administrator_digit_less", "7390516", false, 0, 2, nullptr, false },
    { "maker_digit_less", "716", false, 0, 2, nullptr, false },
    { "customer_digit_less", "84206", false, 0, 2, nullptr, false },
    // A longer code that ends with a shorter one is still refused.
    { "maker_after_digits", "17163", false, 0, 2, nullptr, false },
};

void PrintTo(const CodeCase& c, std::ostream* os)
{
    *os << '"' << c.typed << '"';
}

class LoginCodes : public ::testing::TestWithParam<CodeCase> {
};

} // namespace

TEST_P(LoginCodes, LevelAndPageState)
{
    const CodeCase& c = GetParam();
    keyword_right = 0;
    oldkeyword = 0;
    Page p;
    p.enter("530718264");
    ASSERT_EQ(keyword_right, 2);
    p.announced.clear();

    p.enter(c.typed);

    if (c.accepted) {
        EXPECT_EQ(p.boxes.count, 0);
        EXPECT_EQ(keyword_right, c.level);
        EXPECT_EQ(p.announced, std::vector<int> { c.level });
        EXPECT_EQ(p.greeting(), welcome(c.who));
        EXPECT_EQ(p.entry(), QString());
    } else {
        EXPECT_EQ(p.boxes.count, 1);
        EXPECT_EQ(p.boxes.title, QString::fromUtf8("错误"));
        EXPECT_EQ(p.boxes.text, QString::fromUtf8("密码错误！"));
        EXPECT_EQ(p.boxes.icon, QMessageBox::Critical);
        EXPECT_EQ(keyword_right, 2);
        EXPECT_TRUE(p.announced.empty());
        EXPECT_EQ(p.greeting(), welcome("维护工程师1"));
        EXPECT_EQ(p.entry(), QString(c.typed));
    }
    EXPECT_EQ(oldkeyword, c.old);
    EXPECT_EQ(p.upgrade()->isHidden(), !c.upgrade);
}

INSTANTIATE_TEST_SUITE_P(Table, LoginCodes, ::testing::ValuesIn(kCodeCases),
    [](const ::testing::TestParamInfo<CodeCase>& info) { return std::string(info.param.name); });

TEST(InterfaceLogin, FreshPage)
{
    keyword_right = 4;
    Page p;
    EXPECT_EQ(keyword_right, 0);
    EXPECT_EQ(p.greeting(), welcome("客户"));
    EXPECT_TRUE(p.upgrade()->isHidden());
    EXPECT_EQ(p.upgrade()->text(), QString::fromUtf8("自动升级"));
    EXPECT_EQ(p.page.findChild<QLabel*>("label")->text(), QString::fromUtf8("请输入密码："));
    EXPECT_EQ(p.entryField()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(p.entryField()->isReadOnly());
    QPushButton* del = p.page.findChild<QPushButton*>("pushButton_del");
    EXPECT_TRUE(del->text().isEmpty());
    EXPECT_FALSE(del->icon().isNull());
    EXPECT_EQ(p.page.findChild<QPushButton*>("pushButton_login")->text(), QString::fromUtf8(" 登录"));
    EXPECT_EQ(p.page.findChild<QPushButton*>("pushButton_logout")->text(), QString::fromUtf8(" 注销"));
}

TEST(InterfaceLogin, ClearAndDeleteKeys)
{
    Page p;
    p.key("del");
    EXPECT_EQ(p.entry(), QString());
    p.type("3169");
    p.key("del");
    EXPECT_EQ(p.entry(), QString("316"));
    p.key("C");
    EXPECT_EQ(p.entry(), QString());
    p.type("316947");
    p.key("login");
    EXPECT_EQ(keyword_right, 3);
    EXPECT_TRUE(p.announced == std::vector<int> { 3 });
}

TEST(InterfaceLogin, LogoutKeepsTheTypedDigitsAndTheRestoreLevel)
{
    oldkeyword = 0;
    Page p;
    p.enter("73905162");
    p.type("12");
    g_logout = 7;
    p.key("logout");
    EXPECT_EQ(keyword_right, 0);
    EXPECT_EQ(oldkeyword, 4);
    EXPECT_EQ(g_logout, 0);
    EXPECT_EQ(p.announced, (std::vector<int> { 4, 0 }));
    EXPECT_EQ(p.greeting(), welcome("客户"));
    EXPECT_EQ(p.entry(), QString("12"));
    EXPECT_EQ(p.boxes.count, 0);
}

TEST(InterfaceLogin, UpgradeButtonOnlyAfterTheCustomerCode)
{
    Page p;
    p.enter("842067");
    EXPECT_FALSE(p.upgrade()->isHidden());
    p.enter("1");   // any further login press hides it, even a refused one
    EXPECT_TRUE(p.upgrade()->isHidden());
    p.key("C");
    p.enter("842067");
    p.key("logout");
    EXPECT_TRUE(p.upgrade()->isHidden());
    p.enter("842067");
    p.page.slot_btnstate_changed(1);
    EXPECT_TRUE(p.upgrade()->isHidden());
    p.page.slot_btnstate_changed(0);
    EXPECT_TRUE(p.upgrade()->isHidden());
}

// The customer code logs out but keeps the level, so the tool bar's unlock brings it back.
TEST(InterfaceLogin, CustomerCodeThenUnlockRestoresTheLevel)
{
    RuntimeTree tree(true);
    set[1].value = 0;
    Page p;
    MyToolBar bar;
    QObject::connect(&p.page, &interface_login::user_changed, &bar, &MyToolBar::changeUser);
    p.enter("316947");
    p.enter("842067");
    EXPECT_EQ(keyword_right, 0);
    EXPECT_EQ(oldkeyword, 3);
    bar.changelock(4000);
    EXPECT_EQ(keyword_right, 3);
}

TEST(InterfaceLogin, ScreenSaverLogout)
{
    Page p;
    p.enter("316947");
    p.type("55");
    p.page.show();
    p.page.slot_btnstate_changed(1);
    EXPECT_TRUE(p.entryField()->isHidden());
    EXPECT_EQ(p.greeting(), welcome("客户"));
    EXPECT_EQ(p.announced, std::vector<int> { 3 }); // the main window has announced level 0 itself
    p.page.slot_btnstate_changed(0);
    EXPECT_FALSE(p.entryField()->isHidden());
    EXPECT_EQ(p.greeting(), welcome("客户"));
}

TEST(InterfaceLogin, PlaceInTheForm)
{
    keyword_right = 0;
    Form form;
    QTabWidget* tabs = form.findChild<QTabWidget*>();
    interface_login* page = form.findChild<interface_login*>("interface_loginin");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(tabs->indexOf(page->parentWidget()), 7);
    std::vector<int> relayed;
    QObject::connect(&form, &Form::user_changed, [&relayed](int v) { relayed.push_back(v); });

    form.slot_toolbar(8);
    EXPECT_EQ(tabs->currentIndex(), 7);
    for (const char* k : { "3", "1", "6", "9", "4", "7", "login" })
        page->findChild<QPushButton*>(QString("pushButton_") + k)->click();
    EXPECT_EQ(relayed, std::vector<int> { 3 });

    emit form.btnstate_changed(1);
    EXPECT_TRUE(page->findChild<QLineEdit*>("lineEdit")->isHidden());
    emit form.btnstate_changed(0);
    EXPECT_FALSE(page->findChild<QLineEdit*>("lineEdit")->isHidden());
}

TEST(InterfaceLogin, EnglishTexts)
{
    QTranslator translator;
    ASSERT_TRUE(translator.load(QCoreApplication::applicationDirPath() + "/abc.qm"));
    QCoreApplication::installTranslator(&translator);
    {
        Page p;
        EXPECT_EQ(p.greeting(), QString(" Dear User\nWelcome to control panel"));
        EXPECT_EQ(p.page.findChild<QLabel*>("label")->text(), QString("Password:"));
        EXPECT_EQ(p.upgrade()->text(), QString("Auto Update"));
        p.enter("7163");
        EXPECT_EQ(p.greeting(), QString(" Dear Norvale\nWelcome to control panel"));
        p.enter("1");
        EXPECT_EQ(p.boxes.title, QString("Error"));
        EXPECT_EQ(p.boxes.text, QString("Password Invalid"));
    }
    QCoreApplication::removeTranslator(&translator);
}

TEST(InterfaceLogin, RenderingIsKeptAsArtifact)
{
    RuntimeTree tree(true); // the logo comes from the runtime template
    TimeSeam::useFakeClock(true);
    TimeSeam::setWallTime(1700000000);
    set[1].value = 0;

    MyBaseDialog window;
    window.resize(800, 600);
    MyToolBar* bar = new MyToolBar(&window);
    Form* form = new Form(&window);
    HTStatbar* status = new HTStatbar(&window);
    QVBoxLayout* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 2);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(form);
    layout->addWidget(status);
    QObject::connect(form, &Form::user_changed, bar, &MyToolBar::changeUser);
    QObject::connect(form, &Form::user_changed, status, &HTStatbar::user_changed);
    status->updateTime();
    form->slot_toolbar(8);

    interface_login* page = form->findChild<interface_login*>("interface_loginin");
    for (const char* k : { "8", "4", "2", "0", "6", "7", "login", "1", "2", "3" })
        page->findChild<QPushButton*>(QString("pushButton_") + k)->click();
    window.show();
    QApplication::processEvents();

    const QImage img = window.grab().toImage();
    ASSERT_EQ(img.size(), QSize(800, 600));
    ASSERT_FALSE(saveArtifact(img, "login.png").isEmpty());
    EXPECT_EQ(notDrawn(&window, { QString::fromUtf8("亲爱的 客户"), QString::fromUtf8("●●●"), QString::fromUtf8("用户:"), QString::fromUtf8("客户"), QString::fromUtf8("1400"), QString::fromUtf8("2023-11-15 06:13:20") }), QStringList());
    TimeSeam::useFakeClock(false);
}

// ---- Module upgrade from the USB stick ----

namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon;
};

// Records every message box and answers it: Yes or No where it asks, OK otherwise.
class AnsweringCloser {
public:
    AnsweringCloser(std::vector<SeenBox>* seen, bool* yes)
    {
        QObject::connect(&timer_, &QTimer::timeout, [seen, yes]() {
            QMessageBox* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen->push_back({ box->windowTitle(), box->text(), box->icon() });
            if (QAbstractButton* b = box->button(*yes ? QMessageBox::Yes : QMessageBox::No))
                b->click();
            else
                box->accept();
        });
        timer_.start(2);
    }

private:
    QTimer timer_;
};

// The converter classes are not in this build: the page is given fakes as its device views.
class UpgradePage : public interface_login {
public:
    UpgradePage(DeviceData* acdc, DeviceData* dcdc, DeviceData* sts)
    {
        setDeviceData(nullptr, nullptr, nullptr, nullptr);
        m_acdcData = acdc;
        m_dcdcData = dcdc;
        m_stsData = sts;
    }
};

// A runtime tree with a stick, the three devices and the login page with its upgrade button.
struct StickUpgrade {
    RuntimeTree tree;
    FakeUpgradeEngine ac;
    FakeUpgradeEngine dc; // also the upgrade engine of every kind
    FakeUpgradeEngine sts;
    UpgradePage page{ &ac, &dc, &sts };
    std::vector<SeenBox> boxes;
    bool answerYes = true;
    AnsweringCloser closer{ &boxes, &answerYes };
    std::vector<QString> progress; // texts the progress label showed, in order

    StickUpgrade()
    {
        TimeSeam::useFakeClock(true);
        g_autoUpgradeTimer = 100;
        Tab_set::Upgrading = 0;
        dc.filesIn = tree.path("tmp");
        mkdir(tree.path("dev/udisk").c_str(), 0755); // the stick's marker
        for (const char* k : { "8", "4", "2", "0", "6", "7", "login" })
            page.findChild<QPushButton*>(QString("pushButton_") + k)->click();
    }
    ~StickUpgrade() { TimeSeam::useFakeClock(false); }

    QPushButton* button() { return page.findChild<QPushButton*>("upgradeButton"); }
    QLabel* label() { return page.findChild<QLabel*>("label_progress"); }
    bool idle()
    {
        return button()->isEnabled() && button()->text() == QCoreApplication::translate("interface_login", "自动升级")
            && Tab_set::Upgrading == 0;
    }

    // Steps the clock and handles the GUI thread's events until the check holds.
    bool pumpUntil(const std::function<bool()>& done, int64_t maxFakeMs = 600000)
    {
        for (int64_t t = 0; t < maxFakeMs; t += 50) {
            if (done())
                return true;
            TimeSeam::advanceMs(50);
            QApplication::processEvents();
            const QString shown = label()->text();
            if (!shown.isEmpty() && (progress.empty() || progress.back() != shown))
                progress.push_back(shown);
            usleep(100);
        }
        return done();
    }
    // Presses the button, confirms and waits for the run to end; false if it never ends.
    bool run()
    {
        EXPECT_FALSE(button()->isHidden());
        button()->click();
        return pumpUntil([this]() { return idle(); });
    }
    void onStick(const std::string& name, const std::string& bytes = "firmware\n")
    {
        tree.writeFile("udisk/" + name, bytes);
    }
    SeenBox last() { return boxes.empty() ? SeenBox { "", "", QMessageBox::NoIcon } : boxes.back(); }
};

} // namespace

TEST(InterfaceLoginUpgrade, FileFilters)
{
    struct {
        const char* name;
        bool ac, dc, u2, sts;
    } const rows[] = {
        { "pcs_dc_v2.HEX", false, true, false, false },
        { "dcac_v3.HEX", true, true, false, false },
        { "STS.hex", false, false, false, true },
        { "fw_ac.hex.old", true, false, false, false },
        { "u2_boot.Hex", false, false, true, false },
        { "AC.bin", false, false, false, false },
        { "hex_ac", false, false, false, false },
    };
    for (const auto& r : rows) {
        struct dirent e = {};
        strncpy(e.d_name, r.name, sizeof e.d_name - 1);
        EXPECT_EQ(interface_login::selectUpgradeAcFlies(&e) != 0, r.ac) << r.name;
        EXPECT_EQ(interface_login::selectUpgradeDcFlies(&e) != 0, r.dc) << r.name;
        EXPECT_EQ(interface_login::selectUpgradeU2Flies(&e) != 0, r.u2) << r.name;
        EXPECT_EQ(interface_login::selectUpgradeStsFlies(&e) != 0, r.sts) << r.name;
    }
}

TEST(InterfaceLoginUpgrade, NoAtTheQuestionDoesNothing)
{
    StickUpgrade s;
    s.dc.status[{ 3, 100 }] = 1;
    s.onStick("DC.hex");
    s.answerYes = false;
    s.button()->click();
    s.pumpUntil([]() { return false; }, 5000);
    ASSERT_EQ(s.boxes.size(), 1u);
    EXPECT_EQ(s.boxes[0].title, QString::fromUtf8("提示"));
    EXPECT_EQ(s.boxes[0].text, QString::fromUtf8("是否确认升级?"));
    EXPECT_EQ(s.boxes[0].icon, QMessageBox::Information);
    EXPECT_TRUE(s.idle());
    EXPECT_TRUE(s.dc.writes.empty());
    EXPECT_TRUE(s.dc.polls().empty());
}

// Only DC/DC module 3 online, its file named with "dc" in lower case and ".HEX" in upper case.
TEST(InterfaceLoginUpgrade, DcOnlyFileIsCopiedAndUpgraded)
{
    StickUpgrade s;
    s.dc.status[{ 3, 100 }] = 1;
    s.dc.succeeds(131);
    s.onStick("pcs_dc_v2.HEX", ":0011AABB\n:00000001FF\n");
    s.onStick("readme.txt");
    s.tree.writeFile("tmp/old_DC_v1.hex", "old");
    s.tree.writeFile("tmp/keep.txt", "other");

    ASSERT_TRUE(s.run());

    EXPECT_EQ(s.tree.readFile("tmp/pcs_dc_v2.HEX"), ":0011AABB\n:00000001FF\n");
    EXPECT_FALSE(s.tree.exists("tmp/old_DC_v1.hex"));
    EXPECT_TRUE(s.tree.exists("tmp/keep.txt"));
    EXPECT_TRUE(s.tree.exists("udisk/pcs_dc_v2.HEX"));
    EXPECT_EQ(s.dc.prepared, std::vector<std::string> { "pcs_dc_v2.HEX" });
    EXPECT_EQ(s.dc.settings(0), std::vector<std::string> { "131/1" });
    EXPECT_EQ(s.dc.settings(1), std::vector<std::string> { "131/0" });
    EXPECT_EQ(s.dc.settings(2), std::vector<std::string> { "131/0" });

    ASSERT_EQ(s.boxes.size(), 2u);
    EXPECT_EQ(s.boxes[0].text, QString::fromUtf8("是否确认升级?"));
    EXPECT_EQ(s.boxes[1].title, QString("Success"));
    EXPECT_EQ(s.boxes[1].text, QString::fromUtf8("升级成功,请下电重启!"));
    EXPECT_EQ(s.boxes[1].icon, QMessageBox::Information);
    EXPECT_EQ(s.progress, std::vector<QString> { QString::fromUtf8("正在升级DC,不能下电!") });
    EXPECT_TRUE(s.label()->text().isEmpty());
    // Neither copy nor removal went through a shell.
    const std::string commands = s.tree.exists("commands.log") ? s.tree.commands() : std::string();
    EXPECT_EQ(commands.find("cp "), std::string::npos);
    EXPECT_EQ(commands.find("rm "), std::string::npos);
}

// A name from the stick is only ever a file name, never a piece of a command line.
TEST(InterfaceLoginUpgrade, StickFileNamesNeverReachAShell)
{
    StickUpgrade s;
    s.dc.status[{ 1, 100 }] = 1;
    s.dc.succeeds(129);
    const std::string name = "dc;touch pwned;$(touch pwned2)`touch pwned3` .hex";
    s.onStick(name);
    s.tree.writeFile("tmp/x;touch pwned4;.dc.hex", "old");

    ASSERT_TRUE(s.run());

    EXPECT_TRUE(s.tree.exists("tmp/" + name));
    EXPECT_FALSE(s.tree.exists("tmp/x;touch pwned4;.dc.hex"));
    for (const char* dir : { "bin/", "", "tmp/", "udisk/" })
        for (const char* f : { "pwned", "pwned2", "pwned3", "pwned4" })
            EXPECT_FALSE(s.tree.exists(std::string(dir) + f)) << dir << f;
    EXPECT_EQ(s.last().text, QString::fromUtf8("升级成功,请下电重启!"));
}

// Every kind online: one pass each, in the order AC, DC, U2, switch.
TEST(InterfaceLoginUpgrade, EveryKindInOrder)
{
    StickUpgrade s;
    s.ac.status[{ 1, 0 }] = 1;
    s.ac.status[{ 2, 0 }] = 1;
    s.ac.status[{ 4, 0 }] = 2; // only 1 counts as online for an AC/DC module
    s.dc.status[{ 10, 100 }] = 5;
    s.ac.status[{ 11, 0 }] = 1;
    s.sts.status[{ 1, 0 }] = 1;
    for (int a : { 65, 66, 138, 75, 76 })
        s.dc.succeeds(a);
    for (const char* f : { "AC.hex", "DC.hex", "U2.hex", "sts.HEX" })
        s.onStick(f);

    ASSERT_TRUE(s.run());

    EXPECT_EQ(s.dc.settings(0), (std::vector<std::string> { "65/0", "138/1", "75/2", "76/3" }));
    EXPECT_EQ(s.dc.settings(1), (std::vector<std::string> { "65/0", "66/0", "138/0", "75/0", "76/0" }));
    EXPECT_EQ(s.dc.prepared, (std::vector<std::string> { "AC.hex", "DC.hex", "U2.hex", "sts.HEX" }));
    const std::vector<QString> shown = { QString::fromUtf8("正在升级AC,不能下电!"), QString::fromUtf8("正在升级DC,不能下电!"),
        QString::fromUtf8("正在升级U2,不能下电!"), QString::fromUtf8("正在升级sts,不能下电") };
    EXPECT_EQ(s.progress, shown);
    EXPECT_EQ(s.last().title, QString("Success"));
    EXPECT_EQ(s.boxes.size(), 2u);
}

struct StickCase {
    const char* name;
    bool marker;                     // /dev/udisk present
    bool mounted;                    // /udisk listable
    std::vector<const char*> files;  // on the stick
    bool online;                     // AC/DC module 1 and DC/DC module 1 online
    const char* text;
};

void PrintTo(const StickCase& c, std::ostream* os)
{
    *os << c.name;
}

class InterfaceLoginStick : public ::testing::TestWithParam<StickCase> {
};

// Refusals before any module is touched: the box says why and the button comes back.
TEST_P(InterfaceLoginStick, RefusedBeforeAnyUpgrade)
{
    const StickCase& c = GetParam();
    StickUpgrade s;
    if (c.online) {
        s.ac.status[{ 1, 0 }] = 1;
        s.dc.status[{ 1, 100 }] = 1;
    }
    s.dc.succeeds(65);
    s.dc.succeeds(129);
    for (const char* f : c.files)
        s.onStick(f);
    s.tree.writeFile("tmp/AC_old.hex", "old"); // an earlier import must not be used
    if (!c.marker)
        rmdir(s.tree.path("dev/udisk").c_str());
    if (!c.mounted) {
        ASSERT_EQ(system(("rm -rf '" + s.tree.path("udisk") + "'").c_str()), 0);
    }

    ASSERT_TRUE(s.run());

    ASSERT_EQ(s.boxes.size(), 2u);
    EXPECT_EQ(s.boxes[1].title, QString("Error"));
    EXPECT_EQ(s.boxes[1].text, QString::fromUtf8(c.text));
    EXPECT_EQ(s.boxes[1].icon, QMessageBox::Critical);
    EXPECT_TRUE(s.dc.writes.empty());
    EXPECT_TRUE(s.label()->text().isEmpty());
}

const char* const kNoAcFile = "U盘中没有DCAC的升级文件，请确认U盘是否存在文件！";

const StickCase kStickCases[] = {
    { "no_stick", false, true, { "AC.hex", "DC.hex" }, true, "请插入U盘" },
    { "no_ac_file", true, true, { "DC.hex" }, true, kNoAcFile },
    { "two_ac_files_stop_every_kind", true, true, { "AC_a.hex", "ac_b.hex", "DC.hex" }, true, kNoAcFile },
    { "stick_not_listable", true, false, {}, true, kNoAcFile },
    { "two_dc_files", true, true, { "AC.hex", "DC_1.hex", "dc_2.hex" }, true,
        "U盘中没有DCDC的升级文件，请确认U盘是否存在文件！" },
    { "nothing_online", true, true, { "AC.hex", "DC.hex" }, false, "没有检测到模块在线!" },
};

INSTANTIATE_TEST_SUITE_P(Table, InterfaceLoginStick, ::testing::ValuesIn(kStickCases),
    [](const ::testing::TestParamInfo<StickCase>& info) { return std::string(info.param.name); });

struct FailCase {
    const char* name;
    std::vector<int> failing; // addresses whose boot step fails
    const char* text;
    std::vector<int> notRun;  // addresses of later kinds that must not be upgraded
};

void PrintTo(const FailCase& c, std::ostream* os)
{
    *os << c.name;
}

class InterfaceLoginFail : public ::testing::TestWithParam<FailCase> {
};

// AC/DC modules 2 and 5, DC/DC module 3, the U2 unit and the switch online; a failed module
// ends the run with its kind's text, and later kinds are not upgraded.
TEST_P(InterfaceLoginFail, FailedModuleStopsTheRun)
{
    const FailCase& c = GetParam();
    StickUpgrade s;
    s.ac.status[{ 2, 0 }] = 1;
    s.ac.status[{ 5, 0 }] = 1;
    s.dc.status[{ 3, 100 }] = 1;
    s.ac.status[{ 11, 0 }] = 1;
    s.sts.status[{ 1, 0 }] = 1;
    for (int a : { 66, 69, 131, 75, 76 })
        s.dc.succeeds(a);
    for (int a : c.failing)
        s.dc.script(a, 0, { -2 });
    for (const char* f : { "AC.hex", "DC.hex", "U2.hex", "Sts.hex" })
        s.onStick(f);

    ASSERT_TRUE(s.run());

    ASSERT_EQ(s.boxes.size(), 2u);
    EXPECT_EQ(s.boxes[1].title, QString("Error"));
    EXPECT_EQ(s.boxes[1].text, QString::fromUtf8(c.text));
    EXPECT_EQ(s.boxes[1].icon, QMessageBox::Critical);
    for (int a : c.notRun)
        EXPECT_TRUE(s.dc.polls(a, 0).empty()) << a;
}

const FailCase kFailCases[] = {
    { "two_ac_modules", { 66, 69 }, "AC#2, #5, 升级失败,不能下电,请联系厂家技术支持", { 131, 75, 76 } },
    { "one_ac_module", { 69 }, "AC#5, 升级失败,不能下电,请联系厂家技术支持", { 131, 75, 76 } },
    { "dc_module", { 131 }, "DC#3, 升级失败,不能下电,请联系厂家技术支持", { 75, 76 } },
    { "u2_unit", { 75 }, "U2升级失败,不能下电,请联系厂家技术支持", { 76 } },
    { "transfer_switch", { 76 }, "STS升级失败,不能下电,请联系厂家技术支持", {} },
};

INSTANTIATE_TEST_SUITE_P(Table, InterfaceLoginFail, ::testing::ValuesIn(kFailCases),
    [](const ::testing::TestParamInfo<FailCase>& info) { return std::string(info.param.name); });

// The stick's "file" cannot be read (here a directory), so nothing usable reaches /tmp: the
// worker finds no file, ends its pass, then reports address 0; the kind counts as failed.
TEST(InterfaceLoginUpgrade, CopyThatBringsNoFileFailsTheKind)
{
    StickUpgrade s;
    s.dc.status[{ 1, 100 }] = 1;
    s.dc.succeeds(129);
    mkdir(s.tree.path("udisk/DC.hex").c_str(), 0755);
    s.tree.writeFile("tmp/DC_old.hex", "old");

    ASSERT_TRUE(s.run());

    EXPECT_FALSE(s.tree.exists("tmp/DC.hex"));
    EXPECT_FALSE(s.tree.exists("tmp/DC_old.hex"));
    EXPECT_EQ(s.dc.settings(0), std::vector<std::string> { "129/1" });
    EXPECT_TRUE(s.dc.settings(1).empty());
    EXPECT_EQ(s.last().title, QString("Error"));
    EXPECT_EQ(s.last().text, QString::fromUtf8("DC升级失败,不能下电,请联系厂家技术支持"));
}

// Within the first minute after start nothing is detected; the upgrade mark holds meanwhile.
TEST(InterfaceLoginUpgrade, WaitsForTheFirstMinute)
{
    StickUpgrade s;
    s.dc.status[{ 1, 100 }] = 1;
    s.dc.succeeds(129);
    s.onStick("DC.hex");
    g_autoUpgradeTimer = 30;

    s.button()->click();
    s.pumpUntil([]() { return false; }, 45000);
    EXPECT_TRUE(s.dc.polls().empty());
    EXPECT_EQ(Tab_set::Upgrading, 1);
    EXPECT_FALSE(s.button()->isEnabled());
    EXPECT_EQ(s.button()->text(), QString::fromUtf8("升级中..."));

    g_autoUpgradeTimer = 100; // as the main window pins it after 60 s
    ASSERT_TRUE(s.pumpUntil([&s]() { return s.idle(); }));
    EXPECT_EQ(s.last().text, QString::fromUtf8("升级成功,请下电重启!"));
}

// A page closed while its upgrade thread waits ends that thread first: the thread works on the
// page, and leaves no module half-upgraded (nothing was polled or sent yet).
TEST(InterfaceLoginUpgrade, AClosedPageEndsItsUpgradeThread)
{
    auto s = std::make_unique<StickUpgrade>();
    s->dc.status[{ 1, 100 }] = 1;
    s->dc.succeeds(129);
    s->onStick("DC.hex");
    g_autoUpgradeTimer = 30;
    s->button()->click();
    s->pumpUntil([]() { return false; }, 5000);
    EXPECT_EQ(Tab_set::Upgrading, 1);
    s.reset();
    EXPECT_EQ(Tab_set::Upgrading, 0);
    g_autoUpgradeTimer = 100;
}

TEST(InterfaceLoginUpgrade, EnglishTexts)
{
    QTranslator translator;
    ASSERT_TRUE(translator.load(QCoreApplication::applicationDirPath() + "/abc.qm"));
    QCoreApplication::installTranslator(&translator);
    {
        StickUpgrade s;
        s.ac.status[{ 2, 0 }] = 1;
        s.dc.script(66, 0, { -2 });
        s.onStick("AC.hex");
        ASSERT_TRUE(s.run());
        ASSERT_EQ(s.boxes.size(), 2u);
        EXPECT_EQ(s.boxes[0].title, QString("Information"));
        EXPECT_EQ(s.boxes[0].text, QString("Are you sure to upgrade?"));
        EXPECT_EQ(s.boxes[1].text,
            QString("AC#2, upgrade failed. Now you can't reboot the PCS. Please contact the manufacturer for "
                    "technical support."));
        EXPECT_EQ(s.progress, std::vector<QString> { "Upgrading AC, Now you can't reboot the PCS" });
        EXPECT_EQ(s.button()->text(), QString("Auto Update"));
    }
    QCoreApplication::removeTranslator(&translator);
}
