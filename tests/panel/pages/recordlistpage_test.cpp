#include "recordlistpage.h"

#include "interface4_2.h"
#include "interface4_5.h"
#include "recordtestdata.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QMouseEvent>

using namespace recordtest;

namespace {

QLineEdit* entry(QWidget* page)
{
    return page->findChild<QLineEdit*>("lineEdit_page");
}

void touch(QWidget* w)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

void click(QWidget* page, const char* button)
{
    QPushButton* b = page->findChild<QPushButton*>(button);
    ASSERT_NE(b, nullptr) << button;
    b->click();
}

} // namespace

TEST(RecordListPage, PagingRowLayoutAndCaptions)
{
    Interface4_5 page;
    struct Case { const char* name; const char* caption; QRect geometry; } cases[] = {
        { "btn_first", "|<", QRect(50, 425, 50, 31) },
        { "btn_previous", "<", QRect(180, 425, 50, 31) },
        { "btn_next", ">", QRect(400, 425, 50, 31) },
        { "btn_last", ">|", QRect(510, 425, 50, 31) },
    };
    for (const Case& c : cases) {
        QPushButton* b = page.findChild<QPushButton*>(c.name);
        ASSERT_NE(b, nullptr) << c.name;
        EXPECT_EQ(text(b->text()), c.caption);
        EXPECT_EQ(b->geometry(), c.geometry) << c.name;
    }
    EXPECT_EQ(entry(&page)->geometry(), QRect(290, 425, 50, 31));
    EXPECT_EQ(text(entry(&page)->text()), "1");
    EXPECT_EQ(page.findChild<QLabel*>("label_13_3")->geometry(), QRect(500, 371, 140, 27));
    EXPECT_EQ(text(cell(&page, 13, 0)), "12");
}

TEST(RecordListPage, FirstAndLastTakeEffectAtTheNextReload)
{
    INTERFACE4_2 page;
    page.freshme();
    click(&page, "btn_last");
    EXPECT_EQ(page.currentPage(), 500);
    EXPECT_EQ(text(cell(&page, 1, 0)), "0") << "rows follow the next reload";
    page.freshme();
    EXPECT_EQ(text(cell(&page, 1, 0)), "6487");
    EXPECT_EQ(text(cell(&page, 13, 0)), "6499");
    EXPECT_EQ(text(entry(&page)->text()), "500");
    click(&page, "btn_next");
    EXPECT_EQ(page.currentPage(), 500);
    click(&page, "btn_previous");
    EXPECT_EQ(page.currentPage(), 499);
    EXPECT_EQ(text(entry(&page)->text()), "500") << "only the alarm list redraws on a step";
    click(&page, "btn_first");
    click(&page, "btn_previous");
    EXPECT_EQ(page.currentPage(), 1);
}

TEST(RecordListPage, PageEntryThroughTheKeypad)
{
    struct Case { const char* name; QStringList keys; int page; } cases[] = {
        { "a page", { "4", "2", "ok" }, 42 },
        { "zero", { "0", "ok" }, 1 },
        { "negative", { "sub", "5", "ok" }, 1 },
        { "not a number", { "dot", "ok" }, 1 },
        { "past the end", { "9", "0", "0", "ok" }, 500 },
        { "cancelled", { "7", "cancel" }, 3 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        INTERFACE4_2 page;
        page.btnnext();
        page.btnnext();
        KeyPadDriver driver([&c](KeyPad* pad) { typeOn(pad, c.keys); });
        touch(entry(&page));
        EXPECT_EQ(driver.shown, 1);
        EXPECT_EQ(page.currentPage(), c.page);
        EXPECT_EQ(KeyPad::edit, 0);
        // Writing the page number afterwards opens no keypad of its own.
        page.freshme();
        EXPECT_EQ(driver.shown, 1);
        EXPECT_EQ(text(entry(&page)->text()), std::to_string(c.page));
    }
}

TEST(RecordListPage, TypedTextWhileTheEntryIsOpen)
{
    Interface4_5 page;
    page.input("12");
    EXPECT_EQ(page.currentPage(), 1) << "no entry open";
    KeyPadDriver driver([](KeyPad* pad) { typeOn(pad, { "cancel" }); });
    touch(entry(&page));
    page.input("12.9");
    EXPECT_EQ(page.currentPage(), 12);
    EXPECT_EQ(text(entry(&page)->text()), "12");
    page.input("600");
    EXPECT_EQ(page.currentPage(), 500);
    page.input("abc");
    EXPECT_EQ(page.currentPage(), 1);
    page.keycancel();
    page.input("7");
    EXPECT_EQ(page.currentPage(), 1);
    touch(entry(&page));
    page.input("");
    page.input("7");
    EXPECT_EQ(page.currentPage(), 1);
}
