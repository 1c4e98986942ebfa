#ifndef TABWIDGET_H
#define TABWIDGET_H

#include <QTabWidget>

// A page container without visible tabs; the owner switches pages by index.
class TabWidget : public QTabWidget {
    Q_OBJECT
public:
    explicit TabWidget(QWidget* parent = nullptr);
};

#endif
