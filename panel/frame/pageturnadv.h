#ifndef PAGETURNADV_H
#define PAGETURNADV_H

#include <QWidget>

class QRadioButton;

namespace Ui {
class PageTurnAdv;
}

// A row of nine page buttons; the owner says how many of them its page has.
class PageTurnAdv : public QWidget {
    Q_OBJECT
public:
    explicit PageTurnAdv(QWidget* parent = nullptr);
    ~PageTurnAdv() override;

    int getPage();
    void setCurrentPage(int page);
    void setFirstPage();
    void setmaxpage(int count);

signals:
    void page(int page);

public slots:
    void page_one();
    void page_two();
    void page_three();
    void page_four();
    void page_five();
    void page_six();
    void page_seven();
    void page_eight();
    void page_nine();

private:
    void choose(int n);
    QRadioButton* button(int n);

    Ui::PageTurnAdv* ui;
    int currentPage;
};

#endif
