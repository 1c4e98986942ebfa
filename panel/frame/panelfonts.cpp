#include "panelfonts.h"

#include <QApplication>
#include <QFont>
#include <QStringList>

QString PanelFonts::family()
{
    return QStringLiteral("WenQuanYi Micro Hei");
}

int PanelFonts::defaultPointSize()
{
    return 9;
}

void PanelFonts::install()
{
    // A substitute is only taken where the named family is missing: the board keeps its own fonts.
    const QStringList boardNames = { QString::fromUtf8("宋体"), QStringLiteral("SimSun"), QStringLiteral("ubuntu") };
    for (const QString& name : boardNames)
        QFont::insertSubstitution(name, family());
#ifndef STATIONPANEL_BOARD
    // Each host platform has its own default (9 points in a window, 12 offscreen).
    QApplication::setFont(QFont(family(), defaultPointSize()));
#endif
}
