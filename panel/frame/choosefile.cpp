#include "choosefile.h"
#include "ui_choosefile.h"

#include <QStringList>
#include <QStringListModel>

ChooseFile::ChooseFile(QString* names, int count)
    : QDialog(nullptr)
    , ui(new Ui::ChooseFile)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    QStringList list;
    for (int i = 0; names && i < count; ++i)
        list << names[i];
    m_model = new QStringListModel(list, this);
    ui->fileListView->setModel(m_model);
}

ChooseFile::ChooseFile(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::ChooseFile)
{
    ui->setupUi(this);
}

ChooseFile::~ChooseFile()
{
    delete ui;
}

void ChooseFile::on_ImportFileButton_clicked()
{
    const QModelIndex current = ui->fileListView->currentIndex();
    fileName = current.isValid() ? current.data(Qt::DisplayRole).toString() : QString();
    accept();
}

void ChooseFile::on_CancelButton_clicked()
{
    reject();
}
