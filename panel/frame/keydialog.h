#ifndef KEYDIALOG_H
#define KEYDIALOG_H

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QSignalMapper;

// The on-screen text pad for the few texts a user types (serial number, addresses): digits
// and the letters such texts use.
class KeyDialog : public QDialog {
    Q_OBJECT
public:
    explicit KeyDialog(QWidget* parent = nullptr);

    void setInfo(const QString& text);
    void setString(QString text);
    QString GetString();

public slots:
    void buttonClicked(const QString& name);

private:
    void setupUi();

    QLabel* label;  // prompt
    QLineEdit* lineEdit;
    QPushButton* keys[22];
    QSignalMapper* signalMapper;
};

#endif
