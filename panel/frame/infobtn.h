#ifndef INFOBTN_H
#define INFOBTN_H

#include <QString>
#include <QWidget>
#include <stdint.h>

namespace Ui {
class InfoBtn;
}

// An on/off tile: icon, title, state text and a check box that mirrors the state; a touch
// flips it.
class InfoBtn : public QWidget {
    Q_OBJECT
public:
    explicit InfoBtn(QWidget* parent = nullptr);
    InfoBtn(const QString& icon, const QString& title, const QString& stateText, bool state,
            QWidget* parent = nullptr);
    ~InfoBtn() override;

    void init(const QString& icon, const QString& title, const QString& onText,
              const QString& offText, bool state);
    void change_state(bool state);
    void setother();

signals:
    void getclicked(bool state);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setIcon(const QString& icon);
    void showState();

    // Second of the last accepted touch, shared by every tile: one bounce of the touch
    // screen must not flip two tiles.
    static int64_t lastPressSecond;

    Ui::InfoBtn* ui;
    bool state;
    QString onText;
    QString offText;
};

#endif
