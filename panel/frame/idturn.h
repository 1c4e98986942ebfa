#ifndef IDTURN_H
#define IDTURN_H

#include <QString>
#include <QWidget>

namespace Ui {
class IdTurn;
}

// Module-number picker: rows "1" to "10" stand for modules 1 to 10, "U2" for 11.
class IdTurn : public QWidget {
    Q_OBJECT
public:
    explicit IdTurn(QWidget* parent = nullptr);
    ~IdTurn() override;

    void settitle(QString text);
    void setMaxCount(int count);
    int getId();
    void setCurrentId(int id);

public slots:
    void idChanged(int index);

private:
    Ui::IdTurn* ui;
    int id;
};

#endif
