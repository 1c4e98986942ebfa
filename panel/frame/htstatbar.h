#ifndef HTSTATBAR_H
#define HTSTATBAR_H

#include <QWidget>

class QLabel;

// The bar across the bottom: firmware captions, the logged-in user's level name and the clock.
class HTStatbar : public QWidget {
    Q_OBJECT
public:
    explicit HTStatbar(QWidget* parent = nullptr);

    void updateTime();

public slots:
    void user_changed(int level);

private:
    QLabel* m_userName = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_userCaption = nullptr;
    QLabel* m_versionCaption = nullptr;
    QLabel* m_versionNumber = nullptr;
    QLabel* m_versionCode = nullptr;
};

#endif
