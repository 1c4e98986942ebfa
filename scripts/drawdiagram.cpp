// Draws the pictures of the one-line diagram, read by plain name from the working directory
// (runtime/bin/*.png). Each picture carries a short stub of line where the diagram's own lines
// meet it, so a line runs on into the picture without a gap. Run once by hand when one changes:
//   g++ -std=c++17 -fPIC scripts/drawdiagram.cpp -o /tmp/drawdiagram \
//       $(pkg-config --cflags --libs Qt5Gui) && QT_QPA_PLATFORM=offscreen /tmp/drawdiagram runtime/bin
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cstdio>

namespace {

const QColor kGreen(0, 166, 85);
const QColor kRed(255, 50, 29);
const QColor kGrey(170, 170, 170);
const QColor kPale(234, 251, 242);

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

void setUp(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
}

// A lattice pylon; the line leaves it to the right at y = 59 (the diagram's grid line at y 64,
// the picture at y 5).
QImage grid()
{
    QImage img = canvas(95, 100);
    QPainter p(&img);
    setUp(p);
    p.setPen(QPen(QColor(90, 90, 90), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF legs;
    legs << QPointF(20, 96) << QPointF(38, 12) << QPointF(56, 96);
    p.drawPolyline(legs);
    p.drawLine(QPointF(38, 4), QPointF(38, 12));
    p.drawLine(QPointF(16, 24), QPointF(60, 24));
    p.drawLine(QPointF(20, 40), QPointF(56, 40));
    for (int y : { 24, 40, 60 }) {
        const qreal half = 7 + (y - 12) * 0.21;
        p.drawLine(QPointF(38 - half, y), QPointF(38 + half, y + 16 < 96 ? y + 16 : 96));
        p.drawLine(QPointF(38 + half, y), QPointF(38 - half, y + 16 < 96 ? y + 16 : 96));
    }
    p.setPen(QPen(kGreen, 2));
    p.drawLine(QPointF(60, 24), QPointF(76, 24));
    p.drawLine(QPointF(76, 24), QPointF(76, 59));
    p.drawLine(QPointF(76, 59), QPointF(95, 59));
    return img;
}

// A house with a plug; the line arrives from the left at y = 54.
QImage load()
{
    QImage img = canvas(110, 100);
    QPainter p(&img);
    setUp(p);
    p.setPen(QPen(kGreen, 2));
    p.drawLine(QPointF(0, 54), QPointF(30, 54));
    p.setPen(QPen(QColor(70, 70, 70), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(250, 250, 245));
    QPolygonF house;
    house << QPointF(30, 90) << QPointF(30, 44) << QPointF(66, 14) << QPointF(102, 44) << QPointF(102, 90);
    p.drawPolygon(house);
    p.setBrush(QColor(255, 214, 90));
    p.drawRect(QRectF(44, 52, 18, 16));
    p.drawRect(QRectF(72, 52, 18, 16));
    p.setBrush(QColor(160, 110, 60));
    p.drawRect(QRectF(58, 72, 16, 18));
    return img;
}

// The static transfer switch; the grid line crosses it at y = 15.
QImage transferSwitch(const QColor& colour)
{
    QImage img = canvas(60, 30);
    QPainter p(&img);
    setUp(p);
    p.setPen(QPen(colour, 2));
    p.drawLine(QPointF(0, 15), QPointF(8, 15));
    p.drawLine(QPointF(52, 15), QPointF(60, 15));
    p.setBrush(kPale);
    p.drawRoundedRect(QRectF(8, 2, 44, 26), 5, 5);
    QFont f("DejaVu Sans");
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(8, 2, 44, 26), Qt::AlignCenter, "STS");
    return img;
}

// The grid breaker, closed or open; the line runs through at y = lineY.
QImage breaker(bool closed, int lineY)
{
    QImage img = canvas(50, 60);
    QPainter p(&img);
    setUp(p);
    const QColor colour = closed ? kGreen : kRed;
    p.setPen(QPen(colour, 2));
    p.drawLine(QPointF(0, lineY), QPointF(12, lineY));
    p.drawLine(QPointF(38, lineY), QPointF(50, lineY));
    p.setBrush(kPale);
    p.drawEllipse(QPointF(14, lineY), 3, 3);
    p.drawEllipse(QPointF(36, lineY), 3, 3);
    if (closed)
        p.drawLine(QPointF(16, lineY - 2), QPointF(34, lineY - 2));
    else
        p.drawLine(QPointF(16, lineY - 2), QPointF(32, lineY - 16));
    p.setPen(QPen(colour, 1.5));
    p.drawLine(QPointF(22, lineY + 8), QPointF(28, lineY + 14));
    p.drawLine(QPointF(28, lineY + 8), QPointF(22, lineY + 14));
    return img;
}

// A solar panel; the line leaves it to the right at y = 30 (the diagram's PV line ends at y 330,
// the picture at y 300, and x 140 is 88 into it).
QImage pv()
{
    QImage img = canvas(90, 60);
    QPainter p(&img);
    setUp(p);
    p.setPen(QPen(kGreen, 2));
    p.drawLine(QPointF(70, 30), QPointF(88, 30));
    p.drawLine(QPointF(88, 0), QPointF(88, 30));
    p.setPen(QPen(QColor(40, 60, 110), 1.5));
    p.setBrush(QColor(60, 110, 200));
    QPolygonF panel;
    panel << QPointF(14, 8) << QPointF(70, 8) << QPointF(62, 48) << QPointF(4, 48);
    p.drawPolygon(panel);
    p.setPen(QPen(QColor(200, 225, 255), 1));
    for (int i = 1; i < 4; ++i) {
        const qreal t = i / 4.0;
        p.drawLine(QPointF(14 + 56 * t, 8), QPointF(4 + 58 * t, 48));
    }
    for (int i = 1; i < 3; ++i) {
        const qreal t = i / 3.0;
        p.drawLine(QPointF(14 - 10 * t, 8 + 40 * t), QPointF(70 - 8 * t, 8 + 40 * t));
    }
    p.setPen(QPen(QColor(90, 90, 90), 2));
    p.drawLine(QPointF(33, 48), QPointF(33, 56));
    p.drawLine(QPointF(22, 56), QPointF(44, 56));
    return img;
}

void batteryBody(QPainter& p, const QRectF& body, int cells)
{
    p.setPen(QPen(QColor(60, 60, 60), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(250, 250, 245));
    p.drawRoundedRect(body, 3, 3);
    const qreal gap = 3;
    const qreal h = (body.height() - gap * (cells + 1)) / cells;
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    for (int i = 0; i < cells; ++i)
        p.drawRect(QRectF(body.left() + gap, body.top() + gap + i * (h + gap), body.width() - 2 * gap, h));
}

// The battery of a single-string cabinet; the string line arrives from the left at y = 48.
QImage bigBattery()
{
    QImage img = canvas(110, 100);
    QPainter p(&img);
    setUp(p);
    p.setPen(QPen(kGreen, 2));
    p.drawLine(QPointF(0, 48), QPointF(20, 48));
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(60, 60, 60), 2));
        p.setBrush(QColor(60, 60, 60));
        const qreal x = 20 + i * 30;
        p.drawRect(QRectF(x + 8, 12, 10, 5));
        batteryBody(p, QRectF(x, 17, 26, 70), 4);
    }
    return img;
}

// The battery under a string column; the column line arrives at the top middle.
QImage smallBattery()
{
    QImage img = canvas(30, 40);
    QPainter p(&img);
    setUp(p);
    p.setPen(QPen(kGreen, 2));
    p.drawLine(QPointF(15, 0), QPointF(15, 5));
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(11, 5, 8, 3));
    batteryBody(p, QRectF(5, 8, 20, 30), 3);
    return img;
}

// Grid-tied or off-grid mark beside the mode word: a sine wave, crossed out when off-grid.
QImage gridMode(bool onGrid)
{
    QImage img = canvas(24, 24);
    QPainter p(&img);
    setUp(p);
    const QColor colour = onGrid ? kGreen : QColor(139, 139, 139);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(1, 1, 22, 22));
    QPainterPath wave;
    wave.moveTo(5, 12);
    wave.cubicTo(8, 4, 10, 4, 12, 12);
    wave.cubicTo(14, 20, 16, 20, 19, 12);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    if (!onGrid)
        p.drawLine(QPointF(6, 18), QPointF(18, 6));
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(".");
    struct Picture {
        const char* name;
        QImage image;
    } pictures[] = {
        { "g.png", grid() },
        { "L.png", load() },
        { "n.png", transferSwitch(kGreen) },
        { "nr.png", transferSwitch(kRed) },
        { "nh.png", transferSwitch(kGrey) },
        { "switch.png", breaker(true, 32) },
        { "switch-off.png", breaker(false, 30) },
        { "p.png", pv() },
        { "b.png", bigBattery() },
        { "bs.png", smallBattery() },
        { "ongrid.png", gridMode(true) },
        { "offgrid.png", gridMode(false) },
    };
    bool ok = true;
    for (const Picture& pic : pictures) {
        if (!pic.image.save(dir + "/" + pic.name)) {
            std::printf("drawdiagram: cannot write %s to %s\n", pic.name, qPrintable(dir));
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
