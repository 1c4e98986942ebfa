#ifndef CHOOSEFILE_H
#define CHOOSEFILE_H

#include <QDialog>
#include <QString>

class QStringListModel;
namespace Ui {
class ChooseFile;
}

// Picks one file name out of a list, for an import from the USB stick.
class ChooseFile : public QDialog {
    Q_OBJECT
public:
    ChooseFile(QString* names, int count);
    explicit ChooseFile(QWidget* parent);
    ~ChooseFile() override;

    // The name taken by the import button; read after an accepted exec().
    QString fileName;

private slots:
    void on_ImportFileButton_clicked();
    void on_CancelButton_clicked();

private:
    Ui::ChooseFile* ui;
    QStringListModel* m_model = nullptr;
};

#endif
