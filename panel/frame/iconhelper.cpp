#include "iconhelper.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMutex>
#include <QMutexLocker>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <cstdio>

IconHelper* IconHelper::_instance = nullptr;

IconHelper* IconHelper::Instance()
{
    static QMutex mutex;
    if (!_instance) {
        QMutexLocker locker(&mutex);
        if (!_instance)
            _instance = new IconHelper;
    }
    return _instance;
}

IconHelper::IconHelper()
    : QObject(nullptr)
{
    // A font named by its file path is found only by the embedded toolkit; here the file is
    // registered with the font database and its family used.
    const QString path = QCoreApplication::applicationDirPath() + "/fontawesome-webfont.ttf";
    const int id = QFontDatabase::addApplicationFont(path);
    const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) {
        std::printf("IconHelper: cannot load the icon font %s\n", qPrintable(path));
        iconFont.setFamily(path);
    } else {
        iconFont.setFamily(families.first());
    }
}

void IconHelper::SetIcon(QLabel* label, QChar glyph, int size, QString color)
{
    iconFont.setPointSize(size);
    label->setFont(iconFont);
    label->setStyleSheet("color:" + color);
    label->setText(glyph);
}

QPixmap IconHelper::glyphPixmap(QChar glyph, int size, const QString& color)
{
    QPixmap pix(55, 55);
    pix.fill(Qt::transparent);
    QPainter painter(&pix);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
    iconFont.setPointSize(size);
    painter.setFont(iconFont);
    painter.setPen(QColor(color));
    painter.drawText(pix.rect(), Qt::AlignCenter, glyph);
    painter.end();
    return pix;
}

void IconHelper::SetIcon(QPushButton* button, QChar glyph, int size, QString color)
{
    button->setIcon(QIcon(glyphPixmap(glyph, size, color)));
}

void IconHelper::SetIcon(QRadioButton* button, QChar glyph, int size, QString color)
{
    button->setIcon(QIcon(glyphPixmap(glyph, size, color)));
}
