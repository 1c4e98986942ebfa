#ifndef KEYPAD_H
#define KEYPAD_H

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QSignalMapper;

// The on-screen number pad: the touch screen has no keyboard, so every number a user types
// goes through one of these, created on the stack and run modally.
class KeyPad : public QDialog {
    Q_OBJECT
public:
    explicit KeyPad(QWidget* parent = nullptr);
    ~KeyPad() override;

    // 1 while a keypad exists; the settings page skips its refresh meanwhile.
    static int edit;

    // Marker for a text that is not a number; callers' range checks refuse it.
    static const int invalidValue = -999999;

    void setInfo(const QString& text);
    int value2int();
    float value2float();
    // The text confirmed with OK, whole (addresses, clock entries, access codes); empty after ESC.
    QString valueText() const;

public slots:
    void buttonClicked(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setupUi();

    QLabel* label;    // entry line
    QLabel* label_2;  // prompt line
    QPushButton* keys[16];
    QSignalMapper* signalMapper;
    QString value;
};

#endif
