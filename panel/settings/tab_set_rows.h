#ifndef TAB_SET_ROWS_H
#define TAB_SET_ROWS_H

#include <QComboBox>
#include <QWidget>
#include <initializer_list>

// Small helpers the settings sub-pages share for their rows.
namespace tabsetrows {

// A device value shown as a combo row; a value without a row shows no row rather than a wrong one.
inline void showRow(QComboBox* box, float value)
{
    const int row = int(value);
    box->setCurrentIndex(row >= 0 && row < box->count() ? row : -1);
}

// One row of a page is its caption, field and unit; they are enabled or shown together.
inline void enableRow(std::initializer_list<QWidget*> row, bool on)
{
    for (QWidget* w : row)
        w->setEnabled(on);
}

}

#endif
