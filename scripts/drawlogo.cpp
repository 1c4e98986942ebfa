// Draws the tool-bar logo read from the working directory (runtime/bin/logo.png).
// Run once by hand when it changes:
//   g++ -std=c++17 -fPIC scripts/drawlogo.cpp -o /tmp/drawlogo \
//       $(pkg-config --cflags --libs Qt5Gui) && QT_QPA_PLATFORM=offscreen /tmp/drawlogo runtime/bin/logo.png
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: drawlogo <output.png>\n");
        return 2;
    }
    // Fits the light upper band of the 87-pixel bar, above the page buttons at y = 47.
    QImage img(180, 42, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 155, 77));
    p.drawRoundedRect(QRectF(1, 1, 178, 40), 9, 9);
    p.setBrush(QColor(25, 194, 110));
    p.drawEllipse(QRectF(9, 9, 24, 24));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(21, 14), QPointF(21, 22));
    p.drawArc(QRectF(14, 15, 14, 14), 120 * 16, 300 * 16);
    QFont font("DejaVu Sans");
    font.setPixelSize(19);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(38, 0, 138, 42), Qt::AlignVCenter | Qt::AlignLeft, "stationpanel");
    p.end();
    if (!img.save(argv[1])) {
        fprintf(stderr, "drawlogo: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
