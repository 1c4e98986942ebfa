#ifndef MYTOOLBAR_H
#define MYTOOLBAR_H

#include <QList>
#include <QStringList>
#include <QWidget>

class MyToolBtn;
class QLabel;
class QPushButton;
class QTimer;

// The two screenshot buttons of the tool bar, hidden until the settings page shows them.
extern QPushButton* screenShotBtn;
extern QPushButton* screenShotExitBtn;

// The bar across the top: eight page buttons, the logo, the tip line and the screenshot buttons.
// Which page buttons show follows the user level, the control mode (set[1]) and the lock.
class MyToolBar : public QWidget {
    Q_OBJECT
public:
    explicit MyToolBar(QWidget* parent = nullptr);
    ~MyToolBar() override;

    void changeUser(int level);
    void changelock(int code);
    void setWaring(bool on, int count);
    void updateTip();

signals:
    void signal_toolbar(int page);

public slots:
    void slot_set(void* button);
    void startScreenShot();
    void screenShot();
    void exitScreenShot();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showButton(int i, bool visible);
    void layoutButtons();
    void placeChildren();

    QStringList m_captions;
    QList<MyToolBtn*> m_buttons;
    QLabel* m_logo = nullptr;
    QLabel* m_tips = nullptr;
    QPushButton* m_shotBtn = nullptr;
    QPushButton* m_shotExitBtn = nullptr;
    QTimer* m_shotTimer = nullptr;
};

#endif
