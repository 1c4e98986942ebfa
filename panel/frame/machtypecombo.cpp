#include "machtypecombo.h"

MachTypeCombo::MachTypeCombo(QWidget* parent)
    : ComboBox(parent)
{
}

void MachTypeCombo::setCurrentIndex(int code)
{
    int row = code;
    if (code == 100)
        row = 33;
    else if (code == 101)
        row = 34;
    ComboBox::setCurrentIndex(row);
}

int MachTypeCombo::currentIndex() const
{
    const int row = ComboBox::currentIndex();
    if (row == 33)
        return 100;
    if (row == 34)
        return 101;
    return row;
}
