#include "tabwidget.h"

#include <QTabBar>

TabWidget::TabWidget(QWidget* parent)
    : QTabWidget(parent)
{
    setObjectName("TabWidget");
    resize(649, 379);
    setWindowTitle("TabWidget");
    setCurrentIndex(-1);
    tabBar()->hide();
}
