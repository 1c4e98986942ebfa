#include "pageturnadv.h"
#include "ui_pageturnadv.h"

PageTurnAdv::PageTurnAdv(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::PageTurnAdv)
    , currentPage(1)
{
    ui->setupUi(this);
    connect(ui->radioButton, SIGNAL(clicked()), this, SLOT(page_one()));
    connect(ui->radioButton_2, SIGNAL(clicked()), this, SLOT(page_two()));
    connect(ui->radioButton_3, SIGNAL(clicked()), this, SLOT(page_three()));
    connect(ui->radioButton_4, SIGNAL(clicked()), this, SLOT(page_four()));
    connect(ui->radioButton_5, SIGNAL(clicked()), this, SLOT(page_five()));
    connect(ui->radioButton_6, SIGNAL(clicked()), this, SLOT(page_six()));
    connect(ui->radioButton_7, SIGNAL(clicked()), this, SLOT(page_seven()));
    connect(ui->radioButton_8, SIGNAL(clicked()), this, SLOT(page_eight()));
    connect(ui->radioButton_9, SIGNAL(clicked()), this, SLOT(page_nine()));
}

PageTurnAdv::~PageTurnAdv()
{
    delete ui;
}

QRadioButton* PageTurnAdv::button(int n)
{
    QRadioButton* const buttons[9] = { ui->radioButton, ui->radioButton_2, ui->radioButton_3,
                                       ui->radioButton_4, ui->radioButton_5, ui->radioButton_6,
                                       ui->radioButton_7, ui->radioButton_8, ui->radioButton_9 };
    return buttons[n - 1];
}

int PageTurnAdv::getPage()
{
    return currentPage;
}

void PageTurnAdv::setCurrentPage(int page)
{
    currentPage = page;
}

void PageTurnAdv::setFirstPage()
{
    currentPage = 1;
    ui->radioButton->setChecked(true);
}

void PageTurnAdv::setmaxpage(int count)
{
    currentPage = 1;
    for (int n = 1; n <= 9; ++n)
        button(n)->setVisible(n <= count);
}

void PageTurnAdv::choose(int n)
{
    currentPage = n;
    emit page(n);
}

void PageTurnAdv::page_one() { choose(1); }
void PageTurnAdv::page_two() { choose(2); }
void PageTurnAdv::page_three() { choose(3); }
void PageTurnAdv::page_four() { choose(4); }
void PageTurnAdv::page_five() { choose(5); }
void PageTurnAdv::page_six() { choose(6); }
void PageTurnAdv::page_seven() { choose(7); }
void PageTurnAdv::page_eight() { choose(8); }
void PageTurnAdv::page_nine() { choose(9); }
