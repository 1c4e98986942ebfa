#include "combobox.h"

#include <QListView>

ComboBox::ComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setView(new QListView());
}
