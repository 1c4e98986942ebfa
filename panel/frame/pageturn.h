#ifndef PAGETURN_H
#define PAGETURN_H

#include <QWidget>

namespace Ui {
class PageTurn;
}

// First / previous / next / last pager over an open-ended page number (1 to 500); it does not
// know how many pages there really are.
class PageTurn : public QWidget {
    Q_OBJECT
public:
    explicit PageTurn(QWidget* parent = nullptr);
    ~PageTurn() override;

    int getPage();

    static const int lastPage = 500;

signals:
    void page_changed(int page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Ui::PageTurn* ui;
    int page;
};

#endif
