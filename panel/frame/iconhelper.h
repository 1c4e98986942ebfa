#ifndef ICONHELPER_H
#define ICONHELPER_H

#include <QChar>
#include <QFont>
#include <QObject>
#include <QString>

class QLabel;
class QPushButton;
class QRadioButton;

// Paints glyphs of the icon font "fontawesome-webfont.ttf", read from the program's directory.
class IconHelper : public QObject {
    Q_OBJECT
public:
    static IconHelper* Instance();

    void SetIcon(QLabel* label, QChar glyph, int size, QString color);
    void SetIcon(QPushButton* button, QChar glyph, int size, QString color);
    void SetIcon(QRadioButton* button, QChar glyph, int size, QString color);

    QFont font() const { return iconFont; }

private:
    IconHelper();
    QPixmap glyphPixmap(QChar glyph, int size, const QString& color);

    static IconHelper* _instance;
    QFont iconFont;
};

#endif
