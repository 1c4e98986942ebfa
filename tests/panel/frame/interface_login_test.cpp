#include "interface_login.h"

#include "form.h"
#include "globalvar.h"
#include "htstatbar.h"
#include "monitorset.h"
#include "mybasedialog.h"
#include "mytoolbar.h"
#include "runtimetree.h"
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
#include <QVBoxLayout>
#include <cstdio>
#include <ostream>
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
    TimeSeam::useFakeClock(false);
}
