#include "idturn.h"
#include "ui_idturn.h"

#include <QStringList>

IdTurn::IdTurn(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::IdTurn)
    , id(1)
{
    ui->setupUi(this);
}

IdTurn::~IdTurn()
{
    delete ui;
}

void IdTurn::settitle(QString text)
{
    ui->label->setText(text);
}

void IdTurn::setMaxCount(int count)
{
    ui->comboBox->clear();
    ui->comboBox->setMaxCount(count);
    ui->comboBox->insertItems(0, QStringList() << "1" << "2" << "3" << "4" << "5" << "6" << "7"
                                               << "8" << "9" << "10" << "U2");
    ui->comboBox->setCurrentIndex(0);
}

int IdTurn::getId()
{
    if (ui->comboBox->currentIndex() < 0)
        ui->comboBox->setCurrentIndex(0);
    return ui->comboBox->currentIndex() + 1;
}

void IdTurn::setCurrentId(int id)
{
    ui->comboBox->setCurrentIndex(id - 1);
}

void IdTurn::idChanged(int index)
{
    id = index + 1;
}
