#ifndef MACHTYPECOMBO_H
#define MACHTYPECOMBO_H

#include "combobox.h"

// The machine-type selector: row n stands for machine-type code n, except the two ageing
// models on rows 33 and 34, whose codes are 100 and 101.
class MachTypeCombo : public ComboBox {
    Q_OBJECT
public:
    explicit MachTypeCombo(QWidget* parent = nullptr);

    // Both take and give a machine-type code, not a row.
    void setCurrentIndex(int code);
    int currentIndex() const;
};

#endif
