#include "layoutframe.h"
#include "pageturnadv.h"
#include "panelfonts.h"
#include "runtimetree.h"
#include "widgettest.h"

#include <gtest/gtest.h>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>
#include <QTranslator>
#include <QVBoxLayout>
#include <cstring>
#include <memory>

// Every page and sub-page of the frame, in both languages, must fit the 800 x 600 screen: no
// visible widget outside the screen or its parent, no two visible siblings on top of each other,
// no caption wider than the label or button that shows it.

namespace {

const QRect kScreen(0, 0, 800, 600);

QString describe(const QWidget* w)
{
    QStringList path;
    for (const QWidget* p = w; p && !p->isWindow(); p = p->parentWidget())
        path.prepend(p->objectName().isEmpty() ? QString(p->metaObject()->className()) : p->objectName());
    return path.join('/') + QString(" (%1)").arg(w->metaObject()->className());
}

QString rectText(const QRect& r)
{
    return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// Widgets whose children are their own machinery (scroll bars, edit fields, arrows).
bool isCompound(const QWidget* w)
{
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w)
        || qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QTabBar*>(w)
        || qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractButton*>(w);
}

QList<QWidget*> visibleChildren(const QWidget* w)
{
    QList<QWidget*> out;
    if (isCompound(w))
        return out;
    for (QObject* o : w->children()) {
        QWidget* c = qobject_cast<QWidget*>(o);
        if (c && !c->isWindow() && c->isVisible() && !c->size().isEmpty())
            out << c;
    }
    return out;
}

// What a sibling draws over: its own rectangle when it shows something itself (a control, a
// framed box), else the rectangles of what it holds; in the coordinates of its parent.
void drawnRects(QWidget* w, const QPoint& offset, QList<QPair<QRect, QWidget*>>* out)
{
    const QList<QWidget*> children = visibleChildren(w);
    const QFrame* frame = qobject_cast<const QFrame*>(w);
    // An empty plain container (a page not built yet) draws nothing.
    const bool plain = w->metaObject() == &QWidget::staticMetaObject;
    const bool drawsItself = (children.isEmpty() && !plain) || qobject_cast<QGroupBox*>(w)
        || (frame && frame->frameShape() != QFrame::NoFrame) || w->autoFillBackground();
    if (drawsItself)
        out->append({ QRect(offset, w->size()), w });
    for (QWidget* c : children)
        drawnRects(c, offset + c->pos(), out);
}

int textWidth(const QFontMetrics& fm, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split('\n'))
        widest = qMax(widest, fm.horizontalAdvance(QString(line).remove('&')));
    return widest;
}

// The caption's width against the room the widget gives it; 0 when it fits or shows no caption.
QString captionFault(QWidget* w)
{
    // A combo box shows its current entry left of the arrow; any entry may become current.
    if (QComboBox* box = qobject_cast<QComboBox*>(w)) {
        QStyleOptionComboBox opt;
        opt.initFrom(box);
        opt.editable = box->isEditable();
        const int room = box->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, box).width();
        for (int i = 0; i < box->count(); ++i) {
            const int need = textWidth(box->fontMetrics(), box->itemText(i));
            if (need > room)
                return QString("entry \"%1\" needs %2 px, has %3").arg(box->itemText(i)).arg(need).arg(room);
        }
        return QString();
    }
    if (QLabel* l = qobject_cast<QLabel*>(w)) {
        if (l->text().isEmpty() || !l->pixmap(Qt::ReturnByValue).isNull())
            return QString();
        const int room = l->contentsRect().width() - 2 * l->margin() - qMax(0, l->indent());
        if (l->wordWrap()) {
            const int need = l->heightForWidth(l->width());
            if (need > l->height())
                return QString("caption \"%1\" wraps to %2 px high in %3").arg(l->text()).arg(need).arg(l->height());
            return QString();
        }
        int need;
        if (Qt::mightBeRichText(l->text()) && l->textFormat() != Qt::PlainText) {
            QTextDocument doc;
            doc.setDefaultFont(l->font());
            doc.setDocumentMargin(0);
            doc.setHtml(l->text());
            need = int(doc.idealWidth() + 0.5);
        } else {
            need = textWidth(l->fontMetrics(), l->text());
        }
        if (need > room)
            return QString("caption \"%1\" needs %2 px, has %3").arg(l->text()).arg(need).arg(room);
        return QString();
    }
    QAbstractButton* b = qobject_cast<QAbstractButton*>(w);
    if (!b || b->text().isEmpty())
        return QString();
    int need = textWidth(b->fontMetrics(), b->text());
    if (!b->icon().isNull())
        need += b->iconSize().width() + 4;
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    int room;
    if (qobject_cast<QRadioButton*>(b))
        room = b->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, b).width();
    else if (qobject_cast<QCheckBox*>(b))
        room = b->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, b).width();
    else if (QPushButton* p = qobject_cast<QPushButton*>(b)) {
        if (p->isFlat())
            opt.features |= QStyleOptionButton::Flat;
        room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width();
    } else {
        // A tool button draws its caption inside a one-pixel border and a small margin.
        room = b->width() - 6;
    }
    if (need > room)
        return QString("caption \"%1\" needs %2 px, has %3").arg(b->text()).arg(need).arg(room);
    return QString();
}

void checkTree(QWidget* parent, QStringList* faults)
{
    const QList<QWidget*> children = visibleChildren(parent);
    for (QWidget* c : children) {
        const QRect onScreen(c->mapTo(c->window(), QPoint(0, 0)), c->size());
        if (!kScreen.contains(onScreen))
            *faults << describe(c) + " at " + rectText(onScreen) + " leaves the 800 x 600 screen";
        else if (!parent->rect().contains(c->geometry()))
            *faults << describe(c) + " at " + rectText(c->geometry()) + " leaves its parent of "
                    + QString("%1x%2").arg(parent->width()).arg(parent->height());
        const QString caption = captionFault(c);
        if (!caption.isEmpty())
            *faults << describe(c) + ": " + caption;
    }
    // Siblings: what one draws must not lie on what another draws.
    QList<QList<QPair<QRect, QWidget*>>> drawn;
    for (QWidget* c : children) {
        drawn.append(QList<QPair<QRect, QWidget*>>());
        drawnRects(c, c->pos(), &drawn.last());
    }
    for (int i = 0; i < children.size(); ++i)
        for (int j = i + 1; j < children.size(); ++j) {
            bool reported = false;
            for (const auto& a : drawn[i]) {
                for (const auto& b : drawn[j])
                    if (a.first.intersects(b.first)) {
                        *faults << describe(a.second) + " at " + rectText(a.first) + " overlaps " + describe(b.second)
                                + " at " + rectText(b.first);
                        reported = true;
                        break;
                    }
                if (reported)
                    break;
            }
        }
    for (QWidget* c : children)
        checkTree(c, faults);
}

QStringList frameFaults(LayoutFrame& frame, const QString& where)
{
    QStringList found;
    checkTree(frame.window.get(), &found);
    for (QString& f : found)
        f.prepend(where + ": ");
    return found;
}

struct LayoutCase {
    PageRow page;
    bool english;
};

void PrintTo(const LayoutCase& c, std::ostream* os)
{
    *os << c.page.name << (c.english ? " in English" : " in Chinese");
}

class PageLayout : public ::testing::TestWithParam<LayoutCase> {
protected:
    RuntimeTree tree { true };
};

TEST_P(PageLayout, FitsTheScreen)
{
    const LayoutCase& c = GetParam();
    PanelFonts::install();
    LayoutFrame frame(c.english);
    frame.open(c.page);
    if (HasFatalFailure())
        return;
    QStringList faults = frameFaults(frame, "page 1");
    int pages = 1;
    if (PageTurnAdv* pager = frame.pager()) {
        const QList<QRadioButton*> buttons = pager->findChildren<QRadioButton*>();
        for (int n = 2; n <= buttons.size(); ++n) {
            QRadioButton* b = pager->findChild<QRadioButton*>(n == 1 ? "radioButton" : QString("radioButton_%1").arg(n));
            if (!b || !b->isVisible())
                continue;
            b->click();
            frame.form->freshme();
            frame.settle();
            faults << frameFaults(frame, QString("page %1").arg(n));
            ++pages;
        }
    }
    const QString shot = QString("layout-%1-%2.png").arg(c.page.name).arg(c.english ? "en" : "cn");
    saveArtifact(frame.window.get(), shot);
    EXPECT_TRUE(faults.isEmpty()) << faults.size() << " faults over " << pages << " pager page(s):\n"
                                  << qPrintable(faults.join('\n'));
}

std::vector<LayoutCase> allCases()
{
    std::vector<LayoutCase> cases;
    for (const PageRow& p : kPages) {
        cases.push_back({ p, false });
        cases.push_back({ p, true });
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Frame, PageLayout, ::testing::ValuesIn(allCases()),
    [](const ::testing::TestParamInfo<LayoutCase>& info) {
        return std::string(info.param.page.name) + (info.param.english ? "English" : "Chinese");
    });

} // namespace
