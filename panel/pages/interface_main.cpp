#include "interface_main.h"
#include "ui_interface_main.h"

#include "devicedata.h"
#include "devicedataof.h"
#include "form.h"
#include "globalvar.h"
#include "modbusacdcdata.h"
#include "monitorset.h"
#include "nametables.h"
#include "paintdiff.h"
#include "racktable.h"
#include "timeseam.h"

#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QHash>
#include <QPixmap>
#include <QTextLayout>
#include <QTimer>

#include <functional>
#include <string.h>
#include <time.h>

namespace {

const QColor kGreen(0, 166, 85);
const QColor kRed(255, 50, 29);
const QColor kPale(234, 251, 242);
const QColor kOffline(170, 170, 170);

enum { kMaxBranches = 8 };

// A picture by plain name from the working directory, its label sized to it.
void placePicture(QLabel* label, const char* file, int x, int y)
{
    QPixmap pixmap(file);
    label->setPixmap(pixmap);
    if (!pixmap.isNull())
        label->resize(pixmap.size());
    label->move(x, y);
}

// The painter's pictures, loaded once: reading them at every paint cost a file look-up each,
// ten times a second. A picture that is missing is looked for again at the next paint.
const QPixmap& picture(const char* file)
{
    static QHash<QString, QPixmap> loaded;
    QPixmap& p = loaded[QString::fromLatin1(file)];
    if (p.isNull())
        p.load(QString::fromLatin1(file));
    return p;
}

QString one(float v)
{
    // The page formats some forty values twice a frame (a look, then a paint), and they change
    // only when a link polls: each is formatted once and kept (the GUI thread alone calls this).
    static QHash<quint32, QString> formatted;
    quint32 bits;
    memcpy(&bits, &v, sizeof bits);
    auto it = formatted.constFind(bits);
    if (it != formatted.constEnd())
        return it.value();
    if (formatted.size() >= 1024)
        formatted.clear();
    return formatted.insert(bits, QString::number(double(v), 'f', 1)).value();
}

bool hasPvInput(int machineType)
{
    switch (machineType) {
    case 4:
    case 5:
    case 20:
    case 21:
    case 30:
        return true;
    default:
        return false;
    }
}

// The branch count bounds the state entries, relay bytes and columns read for the strings.
int branchCount()
{
    const int n = set[23].value;
    return n < 0 ? 0 : n > kMaxBranches ? kMaxBranches : n;
}

} // namespace

interface_Main::interface_Main(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::interface_Main)
{
    ui->setupUi(this);
    placePicture(ui->image_g, "g.png", 45, 5);
    placePicture(ui->image_L, "L.png", 666, 10);
    placePicture(ui->image_N, "n.png", 265, 49);
    placePicture(ui->image_P, "p.png", 52, 300);
    placePicture(ui->image_SW, "switch-off.png", 230, 32);
    ui->image_SW->hide();

    // The page paints its own background, so that a repaint of what changed (ten a second)
    // does not repaint the frame and the tab pages beneath it as well.
    setAttribute(Qt::WA_OpaquePaintEvent);

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &interface_Main::refresh);
}

interface_Main::~interface_Main()
{
    delete ui;
}

void interface_Main::setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc,
    ModbusSTSData* sts, BmsData* bms)
{
    m_rtu = rtu;
    m_acdc = acdc;
    m_dcdc = dcdc;
    m_sts = sts;
    m_bms = bms;
    m_acdcData = deviceDataOf(acdc);
    m_dcdcData = deviceDataOf(dcdc);
    m_stsData = deviceDataOf(sts);
    m_hasData = true;
}

void interface_Main::startfresh(int stop)
{
    if (stop == 0) {
        connect(m_timer, &QTimer::timeout, this, &interface_Main::refresh, Qt::UniqueConnection);
        m_timer->start(200);
    } else {
        disconnect(m_timer, &QTimer::timeout, this, nullptr);
        m_timer->stop();
    }
}

int interface_Main::dayDischarge(int year, int month, int day, float* out)
{
    if (!m_acdc)
        return -1;
    return m_acdc->getDayDischarge(year, month, day, out);
}

float interface_Main::analog(DeviceData* device, int module, int index) const
{
    float v = 0;
    if (device)
        device->getAnalog(module, index, &v);
    return v;
}

float interface_Main::rowValue(DeviceData* device, int module, int row) const
{
    if (row < 0 || row >= UI_DATA_ROWS)
        return 0;
    return analog(device, module, uiDataInfo[row].index);
}

int interface_Main::status(DeviceData* device, int module, int index) const
{
    return device ? device->getStatus(module, index) : 0;
}

int interface_Main::inverterType() const
{
    float v = 0;
    if (m_acdcData)
        m_acdcData->getConfig(0, 109, &v);
    return int(v);
}

void interface_Main::refresh()
{
    if (!m_hasData || !isVisible()) {
        update();
        return;
    }
    // The next frame is first recorded without drawing and compared with the last one, so that
    // only what changed (the moving chevrons, a new value) is repainted, not the whole page and
    // the frame beneath it.
    PaintDiff& next = lookAtNextFrame();
    const QRegion changed = m_painted.empty() ? QRegion(rect()) : next.changedSince(m_painted);
    next.swapItems(&m_painted);
    if (changed.isEmpty()) {
        // Nothing to paint: the next look comes as a paint would have armed it.
        m_timer->start(100);
        return;
    }
    m_requested = true;
    update(changed);
}

PaintDiff& interface_Main::lookAtNextFrame()
{
    if (!m_lookDevice || m_lookDevice->size() != size())
        m_lookDevice.reset(new PaintDiff(this));
    PaintDiff& next = *m_lookDevice;
    next.clear();
    // The recording leaves the phases and kept powers as they were: the paint itself moves
    // them on.
    const int phaseA = m_phaseA, phaseB = m_phaseB;
    const float grid = m_gridPower, load = m_loadPower, ac = m_acPower;
    QPainter painter(&next);
    m_look = &next;
    drawFrame(painter);
    painter.end();
    m_look = nullptr;
    m_phaseA = phaseA;
    m_phaseB = phaseB;
    m_gridPower = grid;
    m_loadPower = load;
    m_acPower = ac;
    next.sortByKey();
    return next;
}

void interface_Main::paintEvent(QPaintEvent* event)
{
    // Each paint arms the next one, so a slow paint never queues up repaints behind it.
    m_timer->stop();
    if (!m_requested) {
        // A paint the page did not ask for: the page shown again, a dialog that closes (the
        // window's repaint every second passes over this opaque page). One of the whole page is
        // recorded as it is drawn, so the next look repaints only what changes after it, not the
        // whole page a second time; after any other the next look repaints it all. The record
        // is taken before the paint: a value that changes in between is then repainted by the
        // next look rather than missed.
        if (m_hasData && isVisible() && (QRegion(rect()) - event->region()).isEmpty())
            lookAtNextFrame().swapItems(&m_painted);
        else
            m_painted.clear();
    }
    m_requested = false;
    QPainter painter(this);
    painter.fillRect(event->rect(), Form::pageColour());
    if (!m_hasData)
        return;

    m_paintRegion = event->region();
    drawFrame(painter);
    m_paintRegion = QRegion();
    m_timer->start(100);
}

void interface_Main::drawFrame(QPainter& painter)
{
    QFont font = painter.font();
    font.setPointSize(10);
    painter.setFont(font);
    m_phaseA = m_phaseA >= 11 ? 0 : m_phaseA + 1;
    m_phaseB -= 2;
    if (m_phaseB < 0 || m_phaseB > 11)
        m_phaseB = 11;

    painter.setPen(kGreen);
    showg(painter, 0, 64);
    showsts(painter, 0, 0);
    showpv(painter, 0, 0);

    const int n = branchCount();
    const int step = 800 / (n + 1);
    if (n > 1)
        showLine(painter, step, 240, step * n, 240, 1);
    showBranches(painter, n, step);
}

interface_Main::TextLook& interface_Main::textLook(const QFont& font, const QString& s)
{
    if (!m_textMetrics || font != m_textFont) {
        m_textFont = font;
        m_textMetrics.reset(new QFontMetrics(m_textFont, this));
        m_texts.clear();
    }
    auto it = m_texts.find(s);
    if (it != m_texts.end())
        return it.value();
    // Values come and go as they change: the strings of a few minutes are kept, not all.
    if (m_texts.size() >= 512)
        m_texts.clear();
    const QFontMetrics& m = *m_textMetrics;
    TextLook look;
    look.extent = QRect(0, -m.ascent(), m.horizontalAdvance(s), m.ascent() + m.descent()) | m.boundingRect(s);
    return m_texts.insert(s, look).value();
}

void interface_Main::text(QPainter& painter, int x, int y, const QString& s)
{
    // A look only needs to know where a text goes and what it says, not its glyphs.
    if (m_look) {
        m_look->addText(QPoint(x, y), s, painter.font(), painter.pen().color(), painter.transform(),
            textLook(painter.font(), s).extent);
        return;
    }
    TextLook& look = textLook(painter.font(), s);
    if (!m_paintRegion.isEmpty() && !shows(look.extent.translated(x, y)))
        return;
    if (!drawsSprites(painter)) {
        painter.drawText(x, y, s);
        return;
    }
    if (!look.laidOut) {
        // Laid out as drawText lays out one line; its glyphs then land on the same pixels.
        QTextLayout layout(s, m_textFont, this);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        if (line.isValid()) {
            line.setLineWidth(1e6);
            line.setPosition(QPointF(0, 0));
        }
        layout.endLayout();
        look.ascent = line.isValid() ? line.ascent() : 0;
        look.runs = layout.glyphRuns();
        look.laidOut = true;
    }
    for (const QGlyphRun& run : look.runs)
        painter.drawGlyphRun(QPointF(x, y - look.ascent), run);
}

bool interface_Main::shows(const QRect& r) const
{
    // The margin covers the pen's width and antialiased edges.
    return m_paintRegion.isEmpty() || m_paintRegion.intersects(r.normalized().adjusted(-4, -4, 4, 4));
}

void interface_Main::drawPicture(QPainter& painter, int x, int y, const QPixmap& pixmap)
{
    const QRect r(QPoint(x, y), pixmap.size());
    if (m_look) {
        const qint64 picture = pixmap.cacheKey();
        m_look->note(r, 'X', { x, y, int(picture), int(picture >> 32) });
    } else if (shows(r)) {
        painter.drawPixmap(x, y, pixmap);
    }
}

QRect interface_Main::stroked(const QPainter& painter, const QRect& r) const
{
    const int margin = painter.pen().width() + 2;
    return r.normalized().adjusted(-margin, -margin, margin, margin);
}

void interface_Main::drawLine(QPainter& painter, int x1, int y1, int x2, int y2)
{
    if (m_look) {
        const QPen& pen = painter.pen();
        m_look->note(stroked(painter, QRect(QPoint(x1, y1), QPoint(x2, y2))), 'L',
            { x1, y1, x2, y2, int(pen.color().rgba()), pen.width(), int(pen.style()) });
        return;
    }
    painter.drawLine(x1, y1, x2, y2);
}

bool interface_Main::noteShape(QPainter& painter, const QRect& r, char kind)
{
    if (!m_look)
        return false;
    const QPen& pen = painter.pen();
    const QBrush& brush = painter.brush();
    m_look->note(stroked(painter, r), kind,
        { r.x(), r.y(), r.width(), r.height(), int(pen.color().rgba()), pen.width(), int(pen.style()),
            int(brush.color().rgba()), int(brush.style()) });
    return true;
}

void interface_Main::drawRect(QPainter& painter, const QRect& r)
{
    if (!noteShape(painter, r, 'R'))
        painter.drawRect(r);
}

void interface_Main::drawEllipse(QPainter& painter, const QRect& r)
{
    if (!noteShape(painter, r, 'E'))
        painter.drawEllipse(r);
}

void interface_Main::showLine(QPainter& painter, int x1, int y1, int x2, int y2, int state)
{
    // Chevrons reach 5 pixels along the line and 3 across it.
    if (!shows(QRect(QPoint(x1, y1), QPoint(x2, y2)).normalized().adjusted(-5, -5, 5, 5)))
        return;
    painter.save();
    QColor colour = kGreen;
    switch (state) {
    case 0:
    case 3:
        colour = kRed;
        break;
    case 2:
        colour = QColor(150, 150, 150);
        break;
    case 16:
        colour = kOffline;
        break;
    case 20:
    case 21:
    case 32:
    case 33:
        chevrons(painter, x1, y1, x2, y2, true);
        painter.restore();
        return;
    case 22:
    case 23:
    case 28:
        chevrons(painter, x1, y1, x2, y2, false);
        painter.restore();
        return;
    default:
        break;
    }
    painter.setPen(QPen(colour, 2));
    drawLine(painter, x1, y1, x2, y2);
    painter.restore();
}

void interface_Main::chevrons(QPainter& painter, int x1, int y1, int x2, int y2, bool forward)
{
    const bool horizontal = y1 == y2;
    if (!horizontal && x1 != x2) {
        // Only straight lines carry chevrons; a slanted one is drawn plain.
        painter.setPen(QPen(kGreen, 2));
        drawLine(painter, x1, y1, x2, y2);
        return;
    }
    const int from = horizontal ? qMin(x1, x2) : qMin(y1, y2);
    const int to = horizontal ? qMax(x1, x2) : qMax(y1, y2);
    const int phase = forward ? m_phaseA : m_phaseB;
    const int across = horizontal ? y1 : x1;
    const int count = (to - from - phase) / 12;
    if (count < 1)
        return;
    // What the chevrons and their pen cover.
    const int first = from + phase + 12, last = from + phase + 12 * count;
    const QRect area = horizontal ? QRect(QPoint(first - 7, y1 - 5), QPoint(last + 7, y1 + 5))
                                  : QRect(QPoint(x1 - 5, first - 7), QPoint(x1 + 5, last + 7));
    if (m_look) {
        // One thing per line: the chevrons move together, and each noted apart made some
        // hundred rectangles a frame for the comparison to join again.
        m_look->note(area.adjusted(-2, -2, 2, 2), 'C', { horizontal, across, from, to, phase, forward });
        return;
    }
    if (drawsSprites(painter)) {
        // A line's chevrons at one phase are copied from one picture: stroking them one by one
        // cost more than the rest of a frame. The picture depends only on the direction, the
        // phase and how many there are, not on where the line stands.
        if (!shows(area))
            return;
        const quint64 shape = (quint64('V') << 56) | (quint64(horizontal) << 40) | (quint64(forward) << 32)
            | (quint64(phase) << 16) | quint64(count);
        drawSprite(painter, area, shape,
            [&](QPainter& p) { strokeChevrons(p, horizontal, across, from, to, phase, forward); });
        return;
    }
    strokeChevrons(painter, horizontal, across, from, to, phase, forward);
}

void interface_Main::strokeChevrons(QPainter& painter, bool horizontal, int across, int from, int to, int phase,
    bool forward)
{
    const int back = forward ? -5 : 5;
    for (int k = 1;; ++k) {
        const int t = from + phase + 12 * k;
        if (t > to)
            break;
        const QRect area = horizontal ? QRect(t - 5, across - 3, 11, 7) : QRect(across - 3, t - 5, 7, 11);
        if (!shows(area))
            continue;
        painter.setPen(QPen(QColor((91 * k) % 256, 166, 85), 2));
        const QLine strokes[2] = {
            horizontal ? QLine(t, across, t + back, across - 3) : QLine(across, t, across + 3, t + back),
            horizontal ? QLine(t, across, t + back, across + 3) : QLine(across, t, across - 3, t + back)
        };
        painter.drawLines(strokes, 2);
    }
}

bool interface_Main::drawsSprites(const QPainter& painter) const
{
    // Pixels are copied only onto pixels; a recording painter gets the strokes themselves.
    return painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster;
}

void interface_Main::drawSprite(QPainter& painter, const QRect& area, quint64 key,
    const std::function<void(QPainter&)>& draw)
{
    if (painter.font() != m_spriteFont) {
        m_sprites.clear();
        m_spriteFont = painter.font();
    }
    auto it = m_sprites.find(key);
    if (it == m_sprites.end()) {
        // Drawn as the page would draw it at the sprite's corner: what the strokes cover is
        // opaque (they are not antialiased), the rest transparent, so the copy leaves what lies
        // beneath exactly as the strokes would.
        QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        const QRegion region = m_paintRegion;
        m_paintRegion = QRegion();
        {
            QPainter p(&image);
            p.setRenderHints(painter.renderHints());
            p.setFont(painter.font());
            p.translate(-area.topLeft());
            draw(p);
        }
        m_paintRegion = region;
        it = m_sprites.insert(key, image);
    }
    painter.drawImage(area.topLeft(), it.value());
}

void interface_Main::showSwitch(QPainter& painter, int x, int y, bool vertical, bool closed)
{
    // Everything the patch, the circles and either blade may cover, in both orientations.
    const QRect area(QPoint(x - 10, y - 16), QPoint(x + 30, y + 30));
    if (m_look) {
        m_look->note(area, 'S', { x, y, vertical, closed });
        return;
    }
    if (!shows(area))
        return;
    if (drawsSprites(painter)) {
        // The sprite does not depend on where the switch stands: it is drawn at the origin.
        const quint64 shape = (quint64('S') << 56) | (vertical ? 2 : 0) | (closed ? 1 : 0);
        drawSprite(painter, area, shape, [&](QPainter& p) { strokeSwitch(p, x, y, vertical, closed); });
        return;
    }
    strokeSwitch(painter, x, y, vertical, closed);
}

void interface_Main::strokeSwitch(QPainter& painter, int x, int y, bool vertical, bool closed)
{
    painter.save();
    // The patch hides the line under the switch, so an open switch shows a gap.
    painter.setPen(QPen(kPale, 2));
    painter.setBrush(kPale);
    if (vertical)
        painter.drawRect(QRect(QPoint(x - 6, y), QPoint(x + 5, y + 26)));
    else
        painter.drawRect(QRect(QPoint(x, y - 6), QPoint(x + 26, y + 5)));

    painter.setPen(QPen(kGreen, 2));
    if (vertical) {
        painter.drawEllipse(QRect(QPoint(x - 4, y), QPoint(x + 2, y + 6)));
        painter.drawEllipse(QRect(QPoint(x - 4, y + 19), QPoint(x + 2, y + 25)));
        if (closed)
            painter.drawLine(x + 4, y + 4, x + 4, y + 24);
        else
            painter.drawLine(x + 4, y + 4, x + 12, y + 19);
    } else {
        painter.drawEllipse(QRect(QPoint(x, y - 4), QPoint(x + 6, y + 2)));
        painter.drawEllipse(QRect(QPoint(x + 19, y - 4), QPoint(x + 25, y + 2)));
        if (closed)
            painter.drawLine(x + 4, y - 4, x + 24, y - 4);
        else
            painter.drawLine(x + 4, y - 4, x + 19, y - 12);
    }
    painter.restore();
}

void interface_Main::showBox(QPainter& painter, int x, int y, int healthCode, const char* top, const char* bottom)
{
    const QColor colour = healthCode == 17 ? kGreen : healthCode == 29 ? kOffline : kRed;
    // The outline's pen reaches a pixel past the box; the texts lie inside it.
    const QRect area(QPoint(x - 4, y - 4), QPoint(x + 54, y + 44));
    if (m_look) {
        m_look->note(area, 'B', { x, y, int(colour.rgba()), top[0], top[1], bottom[0], bottom[1] });
        return;
    }
    if (!shows(area))
        return;
    if (drawsSprites(painter)) {
        const quint64 shape = (quint64('B') << 56) | (quint64(colour.rgba()) << 16) | (quint64(top[0] == 'A') << 1)
            | quint64(bottom[0] == 'A');
        drawSprite(painter, area, shape, [&](QPainter& p) { strokeBox(p, x, y, colour, top, bottom); });
        return;
    }
    strokeBox(painter, x, y, colour, top, bottom);
}

void interface_Main::strokeBox(QPainter& painter, int x, int y, const QColor& colour, const char* top,
    const char* bottom)
{
    painter.save();
    painter.setPen(QPen(colour, 2));
    painter.setBrush(kPale);
    painter.drawRect(QRect(QPoint(x, y), QPoint(x + 49, y + 39)));
    painter.drawLine(x, y + 40, x + 50, y);
    painter.drawText(x + 5, y + 17, QString::fromLatin1(top));
    painter.drawText(x + 23, y + 33, QString::fromLatin1(bottom));
    painter.restore();
}

void interface_Main::showAcBox(QPainter& painter, int x, int y, int healthCode)
{
    showBox(painter, x, y, healthCode, "AC", "DC");
}

void interface_Main::showDcBox(QPainter& painter, int x, int y, int healthCode)
{
    showBox(painter, x, y, healthCode, "DC", "DC");
}

void interface_Main::showBranch(QPainter& painter, int x, int y, float voltage, float current, int branchIndex,
    const StateByte* states, bool acBox)
{
    if (branchIndex < 0 || branchIndex >= kMaxBranches)
        return;
    showLine(painter, x, y, x, y + 54, 1);
    showLine(painter, x, y + 54, x, y + 168, states[20 + branchIndex]);
    if (acBox)
        showAcBox(painter, x - 21, y + 54, states[50 + branchIndex]);
    else
        showDcBox(painter, x - 21, y + 54, states[50 + branchIndex]);
    showSwitch(painter, x, y + 125, true, allData.relay[branchIndex] != 0);
    drawPicture(painter, x - 15, y + 173, picture("bs.png"));
    painter.save();
    painter.setPen(Qt::black);
    text(painter, x + 20, y + 135, one(voltage) + "V");
    text(painter, x + 20, y + 155, one(current) + "A");
    painter.restore();
}

void interface_Main::showac(QPainter& painter, int x, int y, float voltage, float current, int branchIndex)
{
    showBranch(painter, x, y, voltage, current, branchIndex, dcacstate, true);
}

void interface_Main::showdc(QPainter& painter, int x, int y, float voltage, float current, int branchIndex)
{
    showBranch(painter, x, y, voltage, current, branchIndex, dcdcstate, false);
}

void interface_Main::showBranches(QPainter& painter, int n, int step)
{
    if (set[24].value != 1) {
        bool anyOnline = false;
        for (int m = 1; m <= 10; ++m)
            if (dcacstate[m] != 16)
                anyOnline = true;
        showAcBox(painter, 329, 190, anyOnline ? int(dcacstate[50]) : 29);
        if (n == 1) {
            showLine(painter, 350, 240, 350, 288, 1);
            showLine(painter, 371, 288, 650, 288, dcdcstate[20]);
            showDcBox(painter, 329, 266, dcdcstate[50]);
            showSwitch(painter, 550, 288, false, allData.relay[0] != 0);
            drawPicture(painter, 660, 240, picture("b.png"));
            painter.save();
            painter.setPen(Qt::black);
            text(painter, 400, 320,
                one(analog(m_dcdcData, 1001, 0)) + "V /" + one(analog(m_dcdcData, 1001, 4)) + "A");
            painter.restore();
        } else {
            for (int i = 0; i < n; ++i)
                showdc(painter, step * (i + 1), 240, analog(m_dcdcData, 1001 + i, 0),
                    analog(m_dcdcData, 1001 + i, 4), i);
        }
        return;
    }

    if (n == 1) {
        if (currentRackInfo.diagramLayout != 1)
            showLine(painter, 350, 240, 350, 288, 1);
        showLine(painter, 361, 288, 650, 288, dcacstate[20]);
        showAcBox(painter, 329, 271, dcacstate[50]);
        drawPicture(painter, 660, 240, picture("b.png"));
        showSwitch(painter, 550, 288, false, allData.relay[0] != 0);
        painter.save();
        painter.setPen(Qt::black);
        text(painter, 440, 320, one(analog(m_acdcData, 1001, 4)) + "V /" + one(analog(m_acdcData, 1001, 5)) + "A");
        painter.restore();
    } else {
        for (int i = 0; i < n; ++i)
            showac(painter, step * (i + 1), 240, analog(m_acdcData, 1001 + i, 4), analog(m_acdcData, 1001 + i, 5), i);
    }
}

void interface_Main::showg(QPainter& painter, int x, int y)
{
    Q_UNUSED(x);
    ui->image_g->move(45, 5);
    if (set[21].value == 0) {
        showLine(painter, 140, y, 350, y, m_gridPower > 0 ? 21 : m_gridPower < 0 ? 23 : 1);
        showLine(painter, 350, y, 650, y, m_loadPower > 1.0f ? 23 : m_loadPower < -1.0f ? 21 : 1);
        showSwitch(painter, 180, y, false, status(m_stsData, 1, 18) != 0);
        showSwitch(painter, 570, y, false, status(m_stsData, 1, 19) != 0);

        // Grey follows the switch's own run state (entry 12), not the U2 unit's.
        SwitchPicture want = kSwitchNormal;
        if (dcacstate[12] == 16)
            want = kSwitchGrey;
        else if (status(m_stsData, 1, 12) == 1 || status(m_stsData, 1, 13) == 1)
            want = kSwitchRed;
        if (want != m_switchPicture) {
            static const char* const files[] = { "n.png", "nr.png", "nh.png" };
            placePicture(ui->image_N, files[want], 265, 49);
            m_switchPicture = want;
        }
        ui->image_N->show();
        ui->image_SW->hide();
    } else {
        showLine(painter, 140, y, 350, y, 1);
        showLine(painter, 350, y, 650, y, 1);
        ui->image_N->hide();
        if (inverterType() == 8) {
            const BreakerPicture want = status(m_acdcData, 11, 17) == 0 ? kBreakerClosed : kBreakerOpen;
            if (want != m_breakerPicture) {
                if (want == kBreakerClosed)
                    placePicture(ui->image_SW, "switch.png", 230, 32);
                else
                    placePicture(ui->image_SW, "switch-off.png", 230, 34);
                m_breakerPicture = want;
            }
            ui->image_SW->show();
        } else {
            ui->image_SW->hide();
        }
    }

    painter.save();
    QString mode;
    if (status(m_acdcData, 0, 56) == 1) {
        painter.setPen(QColor(139, 139, 139));
        painter.setBrush(QColor(139, 139, 139));
        drawPicture(painter, 60, 128, picture("offgrid.png"));
        mode = tr("离网");
    } else {
        painter.setPen(kGreen);
        painter.setBrush(kGreen);
        drawPicture(painter, 60, 128, picture("ongrid.png"));
        mode = tr("并网");
    }
    painter.setPen(Qt::black);
    text(painter, 87, 148, mode);
    painter.restore();
}

void interface_Main::showsts(QPainter& painter, int x, int y)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
    const int n = branchCount();
    const bool dcViaAcDc = set[24].value == 1;

    // The bus line is drawn before this paint's output power is read, so it follows the last one.
    const int acState = m_acPower < 0 ? 23 : 21;
    if (currentRackInfo.diagramLayout == 1) {
        if (dcacstate[19] == 27)
            showLine(painter, 350, 58, 350, n == 1 ? 263 : 236, acState);
        else
            showLine(painter, 350, 65, 350, n == 1 ? 269 : 240, 1);
    } else {
        const int t = dcViaAcDc ? 50 : 0;
        showLine(painter, 350, t + 168, 350, 240, 1);
        if (dcacstate[19] == 27)
            showLine(painter, 350, 63, 350, t + 137, acState);
        else
            showLine(painter, 350, 65, 350, t + 140, 1);
        if (set[24].value == 0)
            showLine(painter, 350, 190, 350, 240, 1);
        painter.save();
        painter.setPen(QPen(kGreen, 2));
        painter.setBrush(Qt::NoBrush);
        const QRect circles(QPoint(342, t + 140), QPoint(357, t + 166));
        auto strokeCircles = [&](QPainter& p) {
            drawEllipse(p, QRect(QPoint(342, t + 140), QPoint(357, t + 155)));
            drawEllipse(p, QRect(QPoint(342, t + 151), QPoint(357, t + 166)));
        };
        // The bus line's chevrons end beside the circles, so they are drawn at nearly every
        // paint: copied from a picture, as the switches are.
        if (!m_look && shows(circles) && drawsSprites(painter))
            drawSprite(painter, circles.adjusted(-3, -3, 3, 3), quint64('O') << 56, [&](QPainter& p) {
                p.setPen(painter.pen());
                p.setBrush(painter.brush());
                strokeCircles(p);
            });
        else if (shows(circles))
            strokeCircles(painter);
        painter.restore();
    }

    painter.save();
    painter.setPen(Qt::black);
    const float u[3] = { rowValue(m_acdcData, 0, 0), rowValue(m_acdcData, 0, 1), rowValue(m_acdcData, 0, 2) };
    m_acPower = rowValue(m_acdcData, 0, 18);
    text(painter, 380, 108, tr("交流母线:"));
    text(painter, 378, 128, "U: " + one(u[0]) + " /" + one(u[1]) + " /" + one(u[2]));
    text(painter, 380, 148, "I: " + one(rowValue(m_acdcData, 0, 3)) + " /" + one(rowValue(m_acdcData, 0, 4)) + " /"
            + one(rowValue(m_acdcData, 0, 5)));
    text(painter, 380, 168, "P: " + one(m_acPower) + "kW");

    if (set[21].value == 0) {
        m_gridPower = rowValue(m_stsData, 0, 48);
        m_loadPower = rowValue(m_stsData, 0, 78);
        text(painter, 150, 108, tr("电网:"));
        text(painter, 148, 128, "U: " + one(rowValue(m_stsData, 0, 30)) + " /" + one(rowValue(m_stsData, 0, 31))
                + " /" + one(rowValue(m_stsData, 0, 32)));
        text(painter, 150, 148, "I: " + one(rowValue(m_stsData, 0, 33)) + " /" + one(rowValue(m_stsData, 0, 34))
                + " /" + one(rowValue(m_stsData, 0, 35)));
        text(painter, 150, 168, "P: " + one(m_gridPower) + "kW");
        text(painter, 590, 108, tr("负载:"));
        text(painter, 588, 128, "U: " + one(rowValue(m_stsData, 0, 60)) + " /" + one(rowValue(m_stsData, 0, 61))
                + " /" + one(rowValue(m_stsData, 0, 62)));
        text(painter, 590, 148, "I: " + one(rowValue(m_stsData, 0, 63)) + " /" + one(rowValue(m_stsData, 0, 64))
                + " /" + one(rowValue(m_stsData, 0, 65)));
        text(painter, 590, 168, "P: " + one(m_loadPower) + "kW");
    } else {
        const int type = inverterType();
        if (type == 3 || type == 8) {
            // Grid and load measured by the U2 unit of the AC/DC link.
            const float grid = analog(m_acdcData, 11, 78);
            text(painter, 150, 108, tr("电网:"));
            text(painter, 148, 128, "U: " + one(analog(m_acdcData, 0, 36)) + " /" + one(analog(m_acdcData, 0, 37))
                    + " /" + one(analog(m_acdcData, 0, 38)));
            text(painter, 150, 148, "I: " + one(analog(m_acdcData, 11, 65)) + " /" + one(analog(m_acdcData, 11, 66))
                    + " /" + one(analog(m_acdcData, 11, 67)));
            text(painter, 150, 168, "P: " + one(grid) + "kW");
            text(painter, 590, 108, tr("负载:"));
            text(painter, 588, 128, "U: " + one(u[0]) + " /" + one(u[1]) + " /" + one(u[2]));
            text(painter, 590, 148, "I: " + one(analog(m_acdcData, 11, 79)) + " /" + one(analog(m_acdcData, 11, 80))
                    + " /" + one(analog(m_acdcData, 11, 81)));
            text(painter, 590, 168, "P: " + one(grid - m_acPower) + "kW");
        }
        // Without a transfer switch the grid and load lines stay still.
        m_gridPower = 0;
        m_loadPower = 0;
        if (type != 8)
            showSwitch(painter, 350, 80, true, allData.relay[8] != 0);
    }
    painter.restore();
}

void interface_Main::showpv(QPainter& painter, int x, int y)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
    if (!hasPvInput(set[22].value)) {
        ui->image_P->hide();
        return;
    }
    const float current = analog(m_acdcData, 11, 5);
    painter.save();
    painter.setPen(Qt::black);
    text(painter, 150, 275, one(analog(m_acdcData, 11, 4)) + " V /" + one(current) + " A");

    const time_t now = TimeSeam::wallTime();
    struct tm local;
    localtime_r(&now, &local);
    float today = 0;
    const QString todayText = dayDischarge(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, &today) == 0
        ? QString::number(double(today), 'f', 0)
        : QString("---");
    text(painter, 150, 295, todayText + " kWh" + tr("(日累计)"));
    text(painter, 150, 315, QString::number(double(analog(m_acdcData, 11, 42)), 'f', 0) + " kWh" + tr("(总累计)"));
    painter.restore();

    if (current == 0) {
        showLine(painter, 350, 250, 140, 250, 1);
        showLine(painter, 140, 250, 140, 330, 1);
    } else if (current > 0) {
        showLine(painter, 136, 250, 350, 250, 21);
        showLine(painter, 140, 246, 140, 330, 23);
    } else {
        showLine(painter, 136, 250, 350, 250, 23);
        showLine(painter, 140, 246, 140, 330, 21);
    }
    showSwitch(painter, 180, 250, false, allData.relay[2] != 0);
    ui->image_P->show();
}
