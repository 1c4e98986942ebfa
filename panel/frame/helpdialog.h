#ifndef HELPDIALOG_H
#define HELPDIALOG_H

#include <QDialog>

namespace Ui {
class HelpDialog;
}

// The help picture of the settings page, in the panel's language.
class HelpDialog : public QDialog {
    Q_OBJECT
public:
    // The picture follows the language setting (set[20]: 0 Chinese, else English).
    explicit HelpDialog(QWidget* parent = nullptr);
    ~HelpDialog() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void on_pushButton_clicked();

private:
    Ui::HelpDialog* ui;
};

#endif
