#include "recordlistpage.h"
#include "operaterecordfile.h"

#include "keypad.h"

#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>

namespace {
const int kColumnX[5] = { 10, 60, 360, 500, 640 };
const int kTop = 20;
const int kRowHeight = 27;
const char* const kButtonStyle = "QPushButton{background-color:rgb(0,165,80);color:rgb(255,255,255);}";

QPushButton* pagingButton(QWidget* parent, const char* name, const QString& caption, int x)
{
    QPushButton* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(x, 425, 50, 31);
    QFont font("ubuntu", 20);
    font.setBold(true);
    b->setFont(font);
    b->setStyleSheet(kButtonStyle);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}
}

RecordListPage::RecordListPage(QWidget* parent)
    : QWidget(parent)
{
}

void RecordListPage::placeWidgets(const QStringList& headers, const QString& firstCaption, const QString& lastCaption)
{
    const QFont cellFont("ubuntu", 10);
    const QFont headFont("ubuntu", 11);
    for (int k = 0; k <= ROWS; ++k) {
        for (int c = 0; c < 4; ++c) {
            QLabel* l = new QLabel(this);
            l->setObjectName(QString("label_%1_%2").arg(k).arg(c));
            l->setGeometry(kColumnX[c], kTop + kRowHeight * k, kColumnX[c + 1] - kColumnX[c], kRowHeight);
            if (k == 0 || c == 0) {
                l->setFont(headFont);
                l->setAlignment(Qt::AlignCenter);
            } else {
                l->setFont(cellFont);
            }
            if (k == 0)
                l->setText(headers.value(c));
            else if (c == 0)
                l->setText(QString::number(k - 1));
            m_cells[k][c] = l;
        }
    }

    QPushButton* first = pagingButton(this, "btn_first", firstCaption, 50);
    QPushButton* previous = pagingButton(this, "btn_previous", "<", 180);
    QPushButton* next = pagingButton(this, "btn_next", ">", 400);
    QPushButton* last = pagingButton(this, "btn_last", lastCaption, 510);
    m_pageEntry = new QLineEdit(this);
    m_pageEntry->setObjectName("lineEdit_page");
    m_pageEntry->setGeometry(290, 425, 50, 31);
    m_pageEntry->setAlignment(Qt::AlignCenter);
    m_pageEntry->setFocusPolicy(Qt::NoFocus);
    m_pageEntry->setText(QString::number(m_page));
    // A touch selects the text, which is what opens the keypad (no keyboard focus on this screen).
    m_pageEntry->installEventFilter(this);

    connect(first, SIGNAL(clicked()), this, SLOT(btnfirst()));
    connect(previous, SIGNAL(clicked()), this, SLOT(btnlast()));
    connect(next, SIGNAL(clicked()), this, SLOT(btnnext()));
    connect(last, SIGNAL(clicked()), this, SLOT(btnend()));
    connect(m_pageEntry, SIGNAL(selectionChanged()), this, SLOT(changePage()));
}

QString RecordListPage::timeText(const char* text)
{
    return QString::fromLatin1(text, int(strnlen(text, 32)));
}

void RecordListPage::freshlabel()
{
    if (!m_pageEntry)
        return;
    for (int r = 0; r < ROWS; ++r) {
        const int e = (m_page - 1) * ROWS + r;
        QString name, third, fourth;
        if (e >= 0 && e < BUFFER_SIZE)
            rowText(e, &name, &third, &fourth);
        m_cells[r + 1][0]->setText(QString::number(e));
        m_cells[r + 1][1]->setText(name);
        m_cells[r + 1][2]->setText(third);
        m_cells[r + 1][3]->setText(fourth);
    }
    m_pageEntry->setText(QString::number(m_page));
}

void RecordListPage::btnfirst()
{
    m_page = 1;
}

void RecordListPage::btnlast()
{
    if (m_page > 1)
        m_page -= 1;
    if (redrawOnStep())
        freshlabel();
}

void RecordListPage::btnnext()
{
    if (m_page < LAST_PAGE)
        m_page += 1;
    if (redrawOnStep())
        freshlabel();
}

void RecordListPage::btnend()
{
    m_page = LAST_PAGE;
}

void RecordListPage::changePage()
{
    // Setting the page text clears a selection and says so; only a new selection is a touch.
    if (!m_pageEntry || !m_pageEntry->hasSelectedText())
        return;
    const bool blocked = m_pageEntry->blockSignals(true);
    m_pageEntry->deselect();
    m_pageEntry->blockSignals(blocked);

    m_entryState = 1;
    KeyPad pad;
    if (pad.exec() != 1)
        return;
    const int v = pad.value2int();
    m_page = v < 1 ? 1 : (v > LAST_PAGE ? LAST_PAGE : v);
}

void RecordListPage::input(QString text)
{
    if (text.isEmpty()) {
        m_entryState = -1;
        return;
    }
    if (m_entryState != 1)
        return;
    const double v = text.toDouble();
    m_page = v < 1 ? 1 : (v > LAST_PAGE ? LAST_PAGE : int(v));
    if (m_pageEntry)
        m_pageEntry->setText(QString::number(m_page));
}

void RecordListPage::keycancel()
{
    m_entryState = -1;
}

bool RecordListPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pageEntry && event->type() == QEvent::MouseButtonPress) {
        m_pageEntry->selectAll();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void RecordListPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(Qt::black);
    const int bottom = kTop + kRowHeight * (ROWS + 1);
    for (int k = 0; k <= ROWS + 1; ++k)
        p.drawLine(kColumnX[0], kTop + kRowHeight * k, kColumnX[4], kTop + kRowHeight * k);
    for (int x : kColumnX)
        p.drawLine(x, kTop, x, bottom);
}

void RecordListPage::SetBtnImage(QPushButton* button, const QString& file)
{
    if (!button)
        return;
    button->setFlat(true);
    button->setAutoFillBackground(true);
    QPalette palette = button->palette();
    palette.setBrush(QPalette::Button, QBrush(QPixmap(file)));
    button->setPalette(palette);
}

void RecordListPage::loadNewestFirst(norvale::OperateRecordFile* file, OperateRecord* buffer, int size,
    bool (*listed)(int code))
{
    int kept = 0;
    const int n = file ? file->size() : 0;
    for (int i = n - 1; i >= 0 && kept < size; --i) {
        OperateRecord r;
        if (file->get(i, &r) && listed(r.modules))
            buffer[kept++] = r;
    }
    memset(buffer + kept, 0, sizeof(OperateRecord) * size_t(size - kept));
}
