#ifndef TAPENTRY_H
#define TAPENTRY_H

#include <QObject>
#include <QPoint>
#include <QPointer>

class QLineEdit;
class QWidget;

// Touch entries. The pages open an entry's keypad from the line edit's selectionChanged(); this
// filter makes that signal mean "tapped": a press and release without movement emits it once, after
// the release, and the line edit itself never selects text. (A plain tap selected nothing and so
// opened nothing, a drag or double tap did, and the selection that the closing keypad or the next
// refresh cleared opened the keypad a second time.)
class TapEntry : public QObject {
    Q_OBJECT
public:
    // Every line edit under root that takes no keyboard focus (those that do are typed into).
    static void install(QWidget* root);
    static void watch(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TapEntry(QObject* parent);

    QPointer<QLineEdit> m_pressed;
    QPoint m_pressAt;
    bool m_moved = false;
};

#endif
