#include "tapentry.h"

#include "energyschedule.h"
#include "globalvar.h"
#include "interface4_2.h"
#include "interface_energy.h"
#include "keydialog.h"
#include "keypad.h"
#include "localdatatable.h"
#include "monitorset.h"
#include "runtimetree.h"
#include "tab_set.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

// A tap (press and release, no movement) on an entry opens its keypad once; OK or ESC closes it
// for good, whatever the entry writes back into its field afterwards.

namespace {

// Closes every pad as soon as it shows, with "5" and OK or with ESC, and counts them. Message
// boxes that follow a confirmed entry are accepted.
class PadCloser {
public:
    explicit PadCloser(bool confirm)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this, confirm]() {
            QWidget* modal = QApplication::activeModalWidget();
            if (KeyPad* pad = qobject_cast<KeyPad*>(modal)) {
                ++shown;
                if (confirm) {
                    pad->buttonClicked("5");
                    pad->buttonClicked("ok");
                } else {
                    pad->buttonClicked("cancel");
                }
            } else if (KeyDialog* keys = qobject_cast<KeyDialog*>(modal)) {
                ++shown;
                keys->buttonClicked(confirm ? "OK" : "Close");
            } else if (QMessageBox* box = qobject_cast<QMessageBox*>(modal)) {
                box->accept();
            }
        });
        timer_.start(5);
    }
    int shown = 0;

private:
    QTimer timer_;
};

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void tap(QWidget* w)
{
    const QPoint c = w->rect().center();
    mouse(w, QEvent::MouseButtonPress, c, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, c, Qt::LeftButton, Qt::NoButton);
}

// Long enough for a queued opening, the pad's own loop and anything it sets off afterwards.
void settle()
{
    for (int i = 0; i < 40; ++i) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
}

struct EntryKind {
    const char* name;
    std::function<QWidget*()> make;
    const char* entry;
    // Pads one confirmed entry shows by design (the serial number is typed twice).
    int padsOnOk;
};

const EntryKind kKinds[] = {
    { "SettingsNumber", [] { return new Tab_set; }, "lineEdit_14", 1 },
    { "SettingsAddress", [] { return new Tab_set; }, "lineEdit_4", 1 },
    { "SettingsText", [] { return new Tab_set; }, "lineEdit_192", 2 },
    { "EnergyStrategy", [] { return new interface_Energy; }, "lineEdit_NLP", 1 },
    { "EnergyOption", [] { return new interface_Energy; }, "lineEdit_DBID", 1 },
    { "Schedule",
        [] {
            EnergySchedule* s = new EnergySchedule;
            s->setMode(LocalDataTable::MODE_POWER);
            return s;
        },
        "lineEdit_1", 1 },
    { "RecordPage", [] { return new INTERFACE4_2; }, "lineEdit_page", 1 },
};

struct TapCase {
    EntryKind kind;
    bool confirm;
};

void PrintTo(const TapCase& c, std::ostream* os)
{
    *os << c.kind.name << (c.confirm ? " with OK" : " with ESC");
}

class KeypadTap : public ::testing::TestWithParam<TapCase> {
protected:
    void SetUp() override
    {
        keyword_right = 4;
        set[20].value = 0;
        set[59].value = 0;
        page.reset(GetParam().kind.make());
        page->resize(796, 480);
        page->show();
        edit = page->findChild<QLineEdit*>(GetParam().kind.entry);
        ASSERT_NE(edit, nullptr);
        // As the page's refresher leaves it: enabled.
        for (QWidget* w = edit; w; w = w->parentWidget())
            w->setEnabled(true);
        QApplication::processEvents();
    }

    RuntimeTree tree { true };
    std::unique_ptr<QWidget> page;
    QLineEdit* edit = nullptr;
};

TEST_P(KeypadTap, OneTapOpensOnePadThatStaysClosed)
{
    const TapCase& c = GetParam();
    PadCloser closer(c.confirm);
    tap(edit);
    settle();
    EXPECT_EQ(closer.shown, c.confirm ? c.kind.padsOnOk : 1);
    // A refresh writes the field again: that is no tap.
    edit->setText("7");
    settle();
    EXPECT_EQ(closer.shown, c.confirm ? c.kind.padsOnOk : 1);
}

std::vector<TapCase> allCases()
{
    std::vector<TapCase> cases;
    for (const EntryKind& k : kKinds) {
        cases.push_back({ k, true });
        cases.push_back({ k, false });
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Entries, KeypadTap, ::testing::ValuesIn(allCases()),
    [](const ::testing::TestParamInfo<TapCase>& info) {
        return std::string(info.param.kind.name) + (info.param.confirm ? "Ok" : "Esc");
    });

// The filter alone, on a bare field: what counts as a tap.
struct TappedField {
    QLineEdit edit;
    int opened = 0;
    TappedField()
    {
        edit.setFocusPolicy(Qt::NoFocus);
        edit.resize(140, 30);
        edit.setText("12.5");
        TapEntry::watch(&edit);
        QObject::connect(&edit, &QLineEdit::selectionChanged, [this] { ++opened; });
    }
};

TEST(KeypadTapFilter, DragDoubleTapAndDisabledField)
{
    {
        TappedField f;
        mouse(&f.edit, QEvent::MouseButtonPress, QPoint(10, 15), Qt::LeftButton, Qt::LeftButton);
        mouse(&f.edit, QEvent::MouseMove, QPoint(120, 15), Qt::NoButton, Qt::LeftButton);
        mouse(&f.edit, QEvent::MouseButtonRelease, QPoint(120, 15), Qt::LeftButton, Qt::NoButton);
        settle();
        EXPECT_EQ(f.opened, 0) << "a drag is no tap";
        EXPECT_FALSE(f.edit.hasSelectedText()) << "the field never selects text itself";
    }
    {
        TappedField f;
        const QPoint c(70, 15);
        mouse(&f.edit, QEvent::MouseButtonPress, c, Qt::LeftButton, Qt::LeftButton);
        mouse(&f.edit, QEvent::MouseButtonRelease, c, Qt::LeftButton, Qt::NoButton);
        mouse(&f.edit, QEvent::MouseButtonDblClick, c, Qt::LeftButton, Qt::LeftButton);
        mouse(&f.edit, QEvent::MouseButtonRelease, c, Qt::LeftButton, Qt::NoButton);
        settle();
        EXPECT_EQ(f.opened, 1) << "a double tap opens once";
        EXPECT_FALSE(f.edit.hasSelectedText());
    }
    {
        TappedField f;
        f.edit.setEnabled(false);
        tap(&f.edit);
        settle();
        EXPECT_EQ(f.opened, 0) << "a disabled field opens nothing";
    }
    {
        // A second watch of the same field (a page inside a page) still opens once.
        TappedField f;
        TapEntry::watch(&f.edit);
        tap(&f.edit);
        settle();
        EXPECT_EQ(f.opened, 1);
    }
}

} // namespace
