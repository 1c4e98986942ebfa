#include "pageturn.h"
#include "ui_pageturn.h"

#include "iconhelper.h"

#include <QDebug>
#include <QMouseEvent>

PageTurn::PageTurn(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::PageTurn)
    , page(1)
{
    ui->setupUi(this);
    IconHelper::Instance()->SetIcon(ui->label, QChar(0xf100), 23, "#ffffff");
    IconHelper::Instance()->SetIcon(ui->label_2, QChar(0xf104), 23, "#ffffff");
    IconHelper::Instance()->SetIcon(ui->label_3, QChar(0xf105), 23, "#ffffff");
    IconHelper::Instance()->SetIcon(ui->label_4, QChar(0xf101), 23, "#ffffff");
    ui->label->installEventFilter(this);
    ui->label_2->installEventFilter(this);
    ui->label_3->installEventFilter(this);
    ui->label_4->installEventFilter(this);
}

PageTurn::~PageTurn()
{
    delete ui;
}

int PageTurn::getPage()
{
    return page;
}

bool PageTurn::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress
        || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return QWidget::eventFilter(watched, event);

    if (watched == ui->label) {
        qDebug() << "<<";
        page = 1;
    } else if (watched == ui->label_2) {
        qDebug() << "<";
        if (page > 1)
            page--;
    } else if (watched == ui->label_3) {
        qDebug() << ">";
        if (page < lastPage)
            page++;
    } else if (watched == ui->label_4) {
        qDebug() << ">>";
        page = lastPage;
    } else {
        return QWidget::eventFilter(watched, event);
    }
    emit page_changed(page);
    ui->lineEdit->setText(tr("%1").arg(page));
    return QWidget::eventFilter(watched, event);
}
