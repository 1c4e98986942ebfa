#include "helpdialog.h"
#include "ui_helpdialog.h"

#include "monitorset.h"

#include <QEvent>
#include <QKeyEvent>

// The pictures live in the static panel library, whose resource initialiser the linker would
// drop unless something refers to it.
static void initImages()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(images);
        done = true;
    }
}

HelpDialog::HelpDialog(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::HelpDialog)
{
    initImages();
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    move(100, 40);
    if (set[20].value != 0)
        ui->label->setStyleSheet("border-image: url(:/image/En-Help.png)");
    else
        ui->label->setStyleSheet("border-image: url(:/image/Cn-Help.png)");
    installEventFilter(this);
}

HelpDialog::~HelpDialog()
{
    delete ui;
}

void HelpDialog::on_pushButton_clicked()
{
    reject();
}

bool HelpDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter)
        reject();
    return QDialog::eventFilter(watched, event);
}
