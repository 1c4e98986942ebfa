#ifndef COMBOBOX_H
#define COMBOBOX_H

#include <QComboBox>

// A combo box whose drop-down is a plain list view, so the forms' style rules for the
// drop-down items (row height) take effect.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);
};

#endif
