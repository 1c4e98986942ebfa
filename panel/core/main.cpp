#include "debugargs.h"
#include "monitorset.h"
#include "my_gd.h"
#include "mymainwindow.h"
#include "panelfonts.h"
#include "stopsignals.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTextCodec>
#include <QTranslator>
#include <clocale>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Line by line even into a pipe or a file, so that the last lines before a stop are kept.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    StopSignals::install();
    debug = parseDebugArgs(argc, argv);

    QApplication app(argc, argv);
    // Qt sets the locale from the environment; numbers in files are always read with a point.
    setlocale(LC_NUMERIC, "C");
    PanelFonts::install();
    QStyle* style = QStyleFactory::create("plastique");
    if (!style)
        style = QStyleFactory::create("Fusion");
    if (style)
        QApplication::setStyle(style);

    readmonitorset();

    if (set[20].value == 1) {
        My_Gd::is_english = 1;
        QTranslator* translator = new QTranslator(&app);
        if (translator->load("./abc.qm"))
            app.installTranslator(translator);
        else
            printf("main: ./abc.qm not found, the panel stays in Chinese\n");
    }

    QTextCodec* utf8 = QTextCodec::codecForName("UTF-8");
    QTextCodec::setCodecForLocale(utf8);
#if QT_VERSION < 0x050000
    QTextCodec::setCodecForTr(utf8);
    QTextCodec::setCodecForCStrings(utf8);
#endif

    MyMainWindow* w = new MyMainWindow;
    w->show();
    return app.exec();
}
