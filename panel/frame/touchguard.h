#ifndef TOUCHGUARD_H
#define TOUCHGUARD_H

#include <QObject>
#include <stdint.h>

class QWidget;

// The on-screen pads open at a fixed place over the entry that was tapped, so the second touch of
// a double tap, or a touch still queued when the pad came up, lands on one of its keys. This
// filter lets a key take a touch only once the pad has been on screen for guardMs. A key whose
// press was held back never goes down, so its release clicks nothing.
class TouchGuard : public QObject {
    Q_OBJECT
public:
    // Guards every button of pad, from each showing of the pad on.
    static void install(QWidget* pad);
    static const int guardMs = 300;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TouchGuard(QWidget* pad);

    QWidget* m_pad;
    int64_t m_shownAtMs = -1;   // monotonic; -1 until the pad first shows
};

#endif
