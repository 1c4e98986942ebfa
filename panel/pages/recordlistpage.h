#ifndef RECORDLISTPAGE_H
#define RECORDLISTPAGE_H

#include <QString>
#include <QStringList>
#include <QWidget>

#include <string.h>

class QLabel;
class QLineEdit;
class QPushButton;

// What the alarm, operation and status lists share: the grid of 13 rows under a header, the
// paging row with its page-number entry, and the page number (1..500, 13 rows each, which covers
// the 6500 entries of a page's buffer). A page fills its buffer newest first and says what the
// cells of one buffer entry read.
struct OperateRecord;
namespace norvale {
class OperateRecordFile;
}

class RecordListPage : public QWidget {
    Q_OBJECT
public:
    enum { ROWS = 13, BUFFER_SIZE = 6500, LAST_PAGE = 500 };

    int currentPage() const { return m_page; }
    // The 13 rows of the current page and the page entry, from the buffer alone.
    void freshlabel();

    // A picture as the whole face of a button.
    static void SetBtnImage(QPushButton* button, const QString& file);

public slots:
    void btnfirst();
    void btnlast();
    void btnnext();
    void btnend();
    void changePage();
    void input(QString text);
    void keycancel();

protected:
    explicit RecordListPage(QWidget* parent);

    // Places the cells and the paging row; the captions come translated in the page's own context.
    void placeWidgets(const QStringList& headers, const QString& firstCaption, const QString& lastCaption);
    // Name, third and fourth cell of buffer entry e (0..6499).
    virtual void rowText(int e, QString* name, QString* third, QString* fourth) const = 0;
    // The alarm list redraws at once on previous and next; the others wait for the next reload.
    virtual bool redrawOnStep() const { return false; }

    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Row index of a name table (rows of W characters, not necessarily NUL-terminated); empty
    // for a missing table or an index outside it, since records carry whatever index a device sent.
    template <int W>
    static QString nameRow(const char (*table)[W], int rows, int index)
    {
        if (!table || index < 0 || index >= rows)
            return QString();
        return QString::fromUtf8(table[index], int(strnlen(table[index], W)));
    }
    // A fixed 32-character time text of a record.
    static QString timeText(const char* text);
    // Fills buffer with the records of file whose code passes listed, newest first, and zeroes
    // the rest of it.
    static void loadNewestFirst(norvale::OperateRecordFile* file, OperateRecord* buffer, int size,
        bool (*listed)(int code));

    int m_page = 1;
    int m_entryState = -1;

private:
    QLabel* m_cells[ROWS + 1][4] = {};
    QLineEdit* m_pageEntry = nullptr;
};

#endif
