#ifndef MYBASEDIALOG_H
#define MYBASEDIALOG_H

#include <QDialog>
#include <QRect>
#include <QSize>

// Frameless green dialog with rounded corners; the main window derives from it.
class MyBaseDialog : public QDialog {
    Q_OBJECT
public:
    explicit MyBaseDialog(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool m_maximized = false;
    QRect m_normalGeometry;
    QSize m_maskSize;   // the size the current mask was made for
};

#endif
