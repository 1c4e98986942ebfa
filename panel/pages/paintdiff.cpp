#include "paintdiff.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <QWidget>

#include <map>
#include <math.h>

class PaintDiff::Engine : public QPaintEngine {
public:
    explicit Engine(std::vector<Item>* items)
        : QPaintEngine(QPaintEngine::AllFeatures)
        , m_items(items)
    {
    }

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& s) override
    {
        if (s.state() & DirtyPen)
            m_pen = s.pen();
        if (s.state() & DirtyBrush)
            m_brush = s.brush();
        if (s.state() & DirtyTransform)
            m_transform = s.transform();
        if (s.state() & DirtyFont)
            m_font = s.font();
    }

    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            add('L', QRectF(lines[i].p1(), lines[i].p2()).normalized(), numbers({ lines[i].x1(), lines[i].y1(),
                lines[i].x2(), lines[i].y2() }), false);
    }
    void drawLines(const QLine* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QLineF line(lines[i]);
            drawLines(&line, 1);
        }
    }
    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            add('R', rects[i], numbers({ rects[i].x(), rects[i].y(), rects[i].width(), rects[i].height() }), true);
    }
    void drawRects(const QRect* rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QRectF rect(rects[i]);
            drawRects(&rect, 1);
        }
    }
    void drawEllipse(const QRectF& r) override
    {
        add('E', r, numbers({ r.x(), r.y(), r.width(), r.height() }), true);
    }
    void drawEllipse(const QRect& r) override { drawEllipse(QRectF(r)); }
    void drawPath(const QPainterPath& path) override
    {
        QByteArray what;
        for (int i = 0; i < path.elementCount(); ++i)
            what += numbers({ path.elementAt(i).x, path.elementAt(i).y, double(path.elementAt(i).type) });
        add('P', path.boundingRect(), what, true);
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        QByteArray what = numbers({ double(mode) });
        QPolygonF polygon;
        for (int i = 0; i < count; ++i) {
            polygon << points[i];
            what += numbers({ points[i].x(), points[i].y() });
        }
        add('G', polygon.boundingRect(), what, true);
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override
    {
        QPolygonF polygon;
        for (int i = 0; i < count; ++i)
            polygon << QPointF(points[i]);
        drawPolygon(polygon.constData(), count, mode);
    }
    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override
    {
        add('X', r, numbers({ r.x(), r.y(), r.width(), r.height(), sr.x(), sr.y(), sr.width(), sr.height(),
            double(pm.cacheKey()) }), false);
    }
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override
    {
        add('I', r, numbers({ r.x(), r.y(), r.width(), r.height(), sr.x(), sr.y(), sr.width(), sr.height(),
            double(image.cacheKey()) }), false);
    }
    void drawTextItem(const QPointF& p, const QTextItem& ti) override
    {
        const QRectF area(p.x(), p.y() - ti.ascent(), ti.width(), ti.ascent() + ti.descent());
        add('T', area, numbers({ p.x(), p.y() }) + ti.text().toUtf8() + '\0' + ti.font().key().toUtf8(), false);
    }

private:
    static QByteArray numbers(std::initializer_list<double> values)
    {
        QByteArray out;
        for (double v : values)
            out.append(reinterpret_cast<const char*>(&v), sizeof v);
        return out;
    }

    void add(char kind, const QRectF& area, const QByteArray& what, bool filled)
    {
        QByteArray key(1, kind);
        key += what;
        key += numbers({ double(m_pen.color().rgba()), m_pen.widthF(), double(m_pen.style()) });
        if (filled)
            key += numbers({ double(m_brush.color().rgba()), double(m_brush.style()) });
        key += numbers({ m_transform.m11(), m_transform.m22(), m_transform.dx(), m_transform.dy() });
        // The pen's width and antialiased edges reach a little past the geometry.
        const int margin = int(ceil(m_pen.widthF())) + 2;
        const QRect rect = m_transform.mapRect(area).toAlignedRect().adjusted(-margin, -margin, margin, margin);
        m_items->push_back({ rect, key });
    }

    std::vector<Item>* m_items;
    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
    QFont m_font;
};

PaintDiff::PaintDiff(const QWidget* like)
    : m_engine(new Engine(&m_items))
    , m_size(like->size())
    , m_dpiX(like->logicalDpiX())
    , m_dpiY(like->logicalDpiY())
{
}

PaintDiff::~PaintDiff()
{
    delete m_engine;
}

void PaintDiff::addText(const QPoint& baseline, const QString& text, const QFont& font, const QColor& colour,
    const QTransform& transform)
{
    const QFontMetrics metrics(font, this);
    const QRect area(baseline.x(), baseline.y() - metrics.ascent(), metrics.maxWidth() * text.size(),
        metrics.ascent() + metrics.descent());
    QByteArray key("t");
    const int numbers[3] = { baseline.x(), baseline.y(), int(colour.rgba()) };
    key.append(reinterpret_cast<const char*>(numbers), sizeof numbers);
    key += text.toUtf8() + '\0' + font.key().toUtf8();
    m_items.push_back({ transform.mapRect(area).adjusted(-2, -2, 2, 2), key });
}

QPaintEngine* PaintDiff::paintEngine() const
{
    return m_engine;
}

int PaintDiff::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_size.width();
    case PdmHeight:
        return m_size.height();
    case PdmDpiX:
    case PdmPhysicalDpiX:
        return m_dpiX;
    case PdmDpiY:
    case PdmPhysicalDpiY:
        return m_dpiY;
    case PdmWidthMM:
        return m_dpiX > 0 ? m_size.width() * 254 / (10 * m_dpiX) : 0;
    case PdmHeightMM:
        return m_dpiY > 0 ? m_size.height() * 254 / (10 * m_dpiY) : 0;
    case PdmNumColors:
        return 0x7FFFFFFF;
    case PdmDepth:
        return 32;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

QRegion PaintDiff::changedSince(const std::vector<Item>& before) const
{
    // Things are matched by what they are and where, not by their place in the list: a line
    // with one chevron more or less must not shift every later thing out of step.
    std::map<QByteArray, int> old;
    auto whole = [](const Item& item) {
        QByteArray k = item.key;
        const int r[4] = { item.rect.x(), item.rect.y(), item.rect.width(), item.rect.height() };
        k.append(reinterpret_cast<const char*>(r), sizeof r);
        return k;
    };
    for (const Item& item : before)
        ++old[whole(item)];
    QRegion changed;
    for (const Item& item : m_items) {
        auto it = old.find(whole(item));
        if (it != old.end() && it->second > 0)
            --it->second;
        else
            changed += item.rect;
    }
    for (const Item& item : before) {
        auto it = old.find(whole(item));
        if (it != old.end() && it->second > 0) {
            --it->second;
            changed += item.rect;
        }
    }
    return changed;
}
