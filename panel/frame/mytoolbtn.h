#ifndef MYTOOLBTN_H
#define MYTOOLBTN_H

#include <QString>
#include <QToolButton>

// A page button of the tool bar: keeps its pressed look until another button is pressed and can
// carry a yellow badge with a count (the open alarms).
class MyToolBtn : public QToolButton {
    Q_OBJECT
public:
    MyToolBtn(const QString& caption, QWidget* parent = nullptr);

    void setWaring(int flag, int count);
    void SetPress(bool pressed);

signals:
    void signal_parent(void* self);

public slots:
    void slot_press();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setCaptionColour(const QColor& colour);

    QString m_caption;
    bool m_over = false;
    bool m_pressed = false;
    int m_waring = 0;
    int m_waringCount = 0;
};

#endif
