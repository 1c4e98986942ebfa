// Draws the pictures compiled into the panel (resources/image/Cn-Help.png, En-Help.png, clear.png,
// the command icons power_on.png, power_off.png, ongrid.png, offgrid.png, clearfault.png, the
// export icons Download.png, clear2.png and the backgrounds of the statistics and simple system
// pages tlm_main.png, spa-main.png).
// Run once by hand when their text changes:
//   g++ -std=c++17 -fPIC scripts/drawpictures.cpp -o /tmp/drawpictures \
//       $(pkg-config --cflags --libs Qt5Gui) && QT_QPA_PLATFORM=offscreen /tmp/drawpictures resources/image
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QStringList>
#include <cstdio>

static bool drawHelp(const QString& file, const QString& title, const QStringList& lines)
{
    QImage img(550, 450, QImage::Format_ARGB32);
    img.fill(QColor(249, 252, 250));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    p.fillRect(QRect(0, 0, 550, 56), QColor(0, 165, 80));
    QFont titleFont("WenQuanYi Micro Hei");
    titleFont.setPixelSize(24);
    titleFont.setBold(true);
    p.setFont(titleFont);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 550, 56), Qt::AlignCenter, title);

    QFont body("WenQuanYi Micro Hei");
    body.setPixelSize(18);
    p.setFont(body);
    int y = 80;
    for (int i = 0; i < lines.size(); ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 165, 80));
        p.drawEllipse(QRect(28, y + 8, 12, 12));
        p.setPen(QColor(40, 40, 40));
        QRect box(52, y, 470, 60);
        QRect used;
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, lines.at(i), &used);
        y += used.height() + 22;
    }

    p.setPen(QPen(QColor(0, 185, 89), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(1, 1, 548, 448));
    p.end();
    return img.save(file);
}

// The delete key of the login page: a left-pointing key cap with a cross, on a clear ground so
// that the button's own colour shows around it.
static bool drawClear(const QString& file)
{
    QImage img(48, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF cap;
    cap << QPointF(2, 16) << QPointF(14, 3) << QPointF(45, 3) << QPointF(45, 29) << QPointF(14, 29);
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(cap);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(22, 10), QPointF(35, 22));
    p.drawLine(QPointF(35, 10), QPointF(22, 22));
    p.end();
    return img.save(file);
}

// Command icons: a round badge in the command's colour with a white symbol, 64 x 64 on a clear
// ground (the buttons scale them down).
static void badge(const QColor& colour, QPainter& p, QImage& img)
{
    img = QImage(64, 64, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(colour);
    p.drawEllipse(QRectF(3, 3, 58, 58));
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
}

static bool drawPower(const QString& file, const QColor& colour)
{
    QImage img;
    QPainter p;
    badge(colour, p, img);
    p.drawArc(QRectF(17, 19, 30, 30), 120 * 16, 300 * 16);
    p.drawLine(QPointF(32, 13), QPointF(32, 31));
    p.end();
    return img.save(file);
}

// A plug whose cable runs into a pylon; off-grid draws the pair apart with a gap.
static bool drawGrid(const QString& file, bool tied)
{
    QImage img;
    QPainter p;
    badge(tied ? QColor(0, 150, 80) : QColor(230, 140, 30), p, img);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // pylon on the right
    QPolygonF pylon;
    pylon << QPointF(38, 50) << QPointF(44, 14) << QPointF(50, 50);
    p.drawPolyline(pylon);
    p.drawLine(QPointF(37, 24), QPointF(51, 24));
    p.drawLine(QPointF(39, 34), QPointF(49, 34));
    // plug on the left
    const qreal shift = tied ? 0 : -6;
    p.setBrush(Qt::white);
    p.drawRect(QRectF(13 + shift, 26, 10, 12));
    p.drawLine(QPointF(23 + shift, 29), QPointF(27 + shift, 29));
    p.drawLine(QPointF(23 + shift, 35), QPointF(27 + shift, 35));
    p.setBrush(Qt::NoBrush);
    if (tied) {
        p.drawLine(QPointF(27, 32), QPointF(41, 32));
    } else {
        p.setPen(QPen(Qt::white, 3, Qt::DotLine, Qt::RoundCap));
        p.drawLine(QPointF(25, 32), QPointF(37, 32));
    }
    p.end();
    return img.save(file);
}

// A warning triangle with a tick beside it: the faults are cleared.
static bool drawClearFault(const QString& file)
{
    QImage img;
    QPainter p;
    badge(QColor(40, 120, 200), p, img);
    QPolygonF tri;
    tri << QPointF(26, 14) << QPointF(44, 46) << QPointF(8, 46);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolygon(tri);
    p.drawLine(QPointF(26, 25), QPointF(26, 36));
    p.drawPoint(QPointF(26, 41));
    p.setPen(QPen(QColor(255, 230, 90), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF tick;
    tick << QPointF(38, 36) << QPointF(44, 43) << QPointF(56, 26);
    p.drawPolyline(tick);
    p.end();
    return img.save(file);
}

// The export buttons of the records tab: an arrow into a tray, white on a clear ground.
static bool drawDownload(const QString& file)
{
    QImage img(48, 48, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(24, 6), QPointF(24, 30));
    QPolygonF head;
    head << QPointF(14, 21) << QPointF(24, 31) << QPointF(34, 21);
    p.drawPolyline(head);
    QPolygonF tray;
    tray << QPointF(7, 30) << QPointF(7, 41) << QPointF(41, 41) << QPointF(41, 30);
    p.drawPolyline(tray);
    p.end();
    return img.save(file);
}

// The reset button of the records tab: a circular arrow, white on a clear ground.
static bool drawReset(const QString& file)
{
    QImage img(48, 48, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // An open circle from the top clockwise round to the upper left, the arrow head at its end.
    p.drawArc(QRectF(9, 9, 30, 30), 60 * 16, -300 * 16);
    QPolygonF head;
    head << QPointF(26, 5) << QPointF(32, 11) << QPointF(25, 16);
    p.drawPolyline(head);
    p.end();
    return img.save(file);
}

// A captioned box of a background; the page writes its values inside.
static void box(QPainter& p, const QRect& r, const QString& caption)
{
    p.setPen(QPen(QColor(0, 165, 80), 1.5));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRoundedRect(r, 6, 6);
    p.fillRect(QRect(r.x() + 1, r.y() + 1, r.width() - 1, 18), QColor(0, 165, 80, 60));
    QFont f("WenQuanYi Micro Hei");
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0, 110, 55));
    p.drawText(QRect(r.x() + 8, r.y() + 1, r.width() - 16, 18), Qt::AlignVCenter | Qt::AlignLeft, caption);
}

static QImage pageCanvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(236, 248, 241));
    g.setColorAt(1, QColor(214, 236, 224));
    QPainter p(&img);
    p.fillRect(img.rect(), g);
    return img;
}

// The statistics page: value boxes on the left (the page writes at x 20 and 176), the chart on the right.
static bool drawTlm(const QString& file)
{
    QImage img = pageCanvas(796, 480);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    box(p, QRect(6, 2, 326, 62), QString::fromUtf8("交流母线 AC bus"));
    box(p, QRect(6, 66, 326, 44), QString::fromUtf8("变流器 PCS  /  支路1 Branch 1"));
    box(p, QRect(6, 112, 326, 80), QString::fromUtf8("电网 Grid"));
    box(p, QRect(6, 194, 326, 44), QString::fromUtf8("累计充电 Charged  /  累计放电 Discharged"));
    box(p, QRect(6, 240, 326, 80), QString::fromUtf8("功率 Power"));
    box(p, QRect(6, 322, 326, 80), QString::fromUtf8("模块1 Module 1"));
    box(p, QRect(6, 404, 326, 44), QString::fromUtf8("并离网  /  状态  /  累计收益 Income"));
    p.setPen(QPen(QColor(0, 165, 80), 1.5));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawRoundedRect(QRect(338, 2, 454, 474), 6, 6);
    return img.save(file);
}

// The simple system page (753 x 560): battery, converter and grid on one line; the page writes the
// branch under the battery at (60, 420) and the AC bus beside the converter from (430, 150).
static bool drawSpa(const QString& file)
{
    QImage img = pageCanvas(753, 560);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor line(0, 165, 80);
    p.setPen(QPen(line, 3));
    p.drawLine(150, 300, 330, 300);
    p.drawLine(410, 300, 640, 300);
    // Battery.
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(QColor(250, 250, 245));
    p.drawRoundedRect(QRect(60, 250, 90, 110), 6, 6);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRect(92, 240, 26, 10));
    p.setBrush(line);
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRect(72, 330 - 28 * i, 66, 20));
    // Converter.
    p.setBrush(QColor(250, 250, 245));
    p.drawRoundedRect(QRect(330, 250, 80, 100), 6, 6);
    p.drawLine(330, 350, 410, 250);
    QFont f("WenQuanYi Micro Hei");
    f.setPixelSize(16);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(336, 256, 40, 30), Qt::AlignCenter, "DC");
    p.drawText(QRect(364, 314, 40, 30), Qt::AlignCenter, "AC");
    // Grid pylon.
    p.setPen(QPen(QColor(90, 90, 90), 2));
    p.drawLine(640, 380, 670, 230);
    p.drawLine(700, 380, 670, 230);
    p.drawLine(645, 260, 695, 260);
    p.drawLine(650, 300, 690, 300);
    box(p, QRect(40, 390, 200, 44), QString::fromUtf8("直流支路1 DC branch 1"));
    box(p, QRect(420, 120, 300, 84), QString::fromUtf8("交流母线 AC bus"));
    return img.save(file);
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(".");
    bool ok = drawHelp(dir + "/Cn-Help.png", QString::fromUtf8("参数设置帮助"),
                       QStringList() << QString::fromUtf8("点击参数框，弹出数字键盘。")
                                     << QString::fromUtf8("键盘上方显示参数的范围和默认值。")
                                     << QString::fromUtf8("输入数值后按 OK 下发，按 ESC 取消。")
                                     << QString::fromUtf8("超出范围的数值不会下发。")
                                     << QString::fromUtf8("下发结果显示在顶部的提示栏中。"));
    ok = drawHelp(dir + "/En-Help.png", "Parameter settings help",
                  QStringList() << "Tap a parameter field to open the keypad."
                                << "The keypad shows the range and the default value."
                                << "Type the value, then press OK to send it or ESC to cancel."
                                << "A value out of range is not sent."
                                << "The tip line at the top shows the result.") && ok;
    ok = drawClear(dir + "/clear.png") && ok;
    ok = drawPower(dir + "/power_on.png", QColor(0, 160, 80)) && ok;
    ok = drawPower(dir + "/power_off.png", QColor(210, 50, 50)) && ok;
    ok = drawGrid(dir + "/ongrid.png", true) && ok;
    ok = drawGrid(dir + "/offgrid.png", false) && ok;
    ok = drawClearFault(dir + "/clearfault.png") && ok;
    ok = drawDownload(dir + "/Download.png") && ok;
    ok = drawReset(dir + "/clear2.png") && ok;
    ok = drawTlm(dir + "/tlm_main.png") && ok;
    ok = drawSpa(dir + "/spa-main.png") && ok;
    if (!ok)
        std::printf("drawpictures: cannot write the pictures to %s\n", qPrintable(dir));
    return ok ? 0 : 1;
}
