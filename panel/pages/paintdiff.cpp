#include "paintdiff.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <QWidget>

#include <algorithm>
#include <math.h>

namespace {

// FNV-1a over the bytes, mixed once more at the end so that near keys spread.
class Digest {
public:
    Digest& bytes(const void* data, size_t n)
    {
        const unsigned char* c = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < n; ++i) {
            m_h ^= c[i];
            m_h *= 1099511628211ULL;
        }
        return *this;
    }
    Digest& numbers(std::initializer_list<double> values)
    {
        for (double v : values)
            bytes(&v, sizeof v);
        return *this;
    }
    Digest& text(const QString& s)
    {
        const int n = s.size();
        bytes(&n, sizeof n);
        return bytes(s.constData(), size_t(n) * sizeof(QChar));
    }
    Digest& rect(const QRect& r)
    {
        const int v[4] = { r.x(), r.y(), r.width(), r.height() };
        return bytes(v, sizeof v);
    }
    quint64 value() const
    {
        quint64 z = m_h + 0x9E3779B97F4A7C15ULL;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

private:
    quint64 m_h = 14695981039346656037ULL;
};

Digest kind(char k)
{
    Digest d;
    d.bytes(&k, 1);
    return d;
}

} // namespace

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
    }

    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QLineF& l = lines[i];
            add(kind('L').numbers({ l.x1(), l.y1(), l.x2(), l.y2() }), QRectF(l.p1(), l.p2()).normalized(), false);
        }
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
        for (int i = 0; i < count; ++i) {
            const QRectF& r = rects[i];
            add(kind('R').numbers({ r.x(), r.y(), r.width(), r.height() }), r, true);
        }
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
        add(kind('E').numbers({ r.x(), r.y(), r.width(), r.height() }), r, true);
    }
    void drawEllipse(const QRect& r) override { drawEllipse(QRectF(r)); }
    void drawPath(const QPainterPath& path) override
    {
        Digest what = kind('P');
        for (int i = 0; i < path.elementCount(); ++i)
            what.numbers({ path.elementAt(i).x, path.elementAt(i).y, double(path.elementAt(i).type) });
        add(what, path.boundingRect(), true);
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        Digest what = kind('G').numbers({ double(mode) });
        QPolygonF polygon;
        for (int i = 0; i < count; ++i) {
            polygon << points[i];
            what.numbers({ points[i].x(), points[i].y() });
        }
        add(what, polygon.boundingRect(), true);
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
        add(kind('X').numbers({ r.x(), r.y(), r.width(), r.height(), sr.x(), sr.y(), sr.width(), sr.height(),
                double(pm.cacheKey()) }),
            r, false);
    }
    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override
    {
        add(kind('I').numbers({ r.x(), r.y(), r.width(), r.height(), sr.x(), sr.y(), sr.width(), sr.height(),
                double(image.cacheKey()) }),
            r, false);
    }
    void drawTextItem(const QPointF& p, const QTextItem& ti) override
    {
        const QRectF area(p.x(), p.y() - ti.ascent(), ti.width(), ti.ascent() + ti.descent());
        add(kind('T').numbers({ p.x(), p.y() }).text(ti.text()).text(ti.font().key()), area, false);
    }

private:
    void add(Digest what, const QRectF& area, bool filled)
    {
        what.numbers({ double(m_pen.color().rgba()), m_pen.widthF(), double(m_pen.style()) });
        if (filled)
            what.numbers({ double(m_brush.color().rgba()), double(m_brush.style()) });
        what.numbers({ m_transform.m11(), m_transform.m22(), m_transform.dx(), m_transform.dy() });
        // The pen's width and antialiased edges reach a little past the geometry.
        const int margin = int(ceil(m_pen.widthF())) + 2;
        const QRect rect = m_transform.mapRect(area).toAlignedRect().adjusted(-margin, -margin, margin, margin);
        m_items->push_back({ rect, what.rect(rect).value() });
    }

    std::vector<Item>* m_items;
    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
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

void PaintDiff::useFont(const QFont& font)
{
    // A page notes its texts in one or two fonts: their keys are made once.
    if (!m_hasTextFont || font != m_textFont) {
        m_textFont = font;
        m_textFontKey = Digest().text(font.key()).value();
        m_hasTextFont = true;
    }
}

void PaintDiff::addText(const QPoint& baseline, const QString& text, const QFont& font, const QColor& colour,
    const QTransform& transform, const QRect& extent)
{
    useFont(font);
    QRect rect = extent.translated(baseline);
    if (!transform.isIdentity())
        rect = transform.mapRect(rect);
    rect.adjust(-2, -2, 2, 2);
    Digest what = kind('t');
    const int numbers[3] = { baseline.x(), baseline.y(), int(colour.rgba()) };
    what.bytes(numbers, sizeof numbers).text(text).bytes(&m_textFontKey, sizeof m_textFontKey);
    m_items.push_back({ rect, what.rect(rect).value() });
}

void PaintDiff::note(const QRect& rect, char kind, std::initializer_list<int> numbers)
{
    Digest what;
    what.bytes(&kind, 1);
    for (int v : numbers)
        what.bytes(&v, sizeof v);
    m_items.push_back({ rect, what.rect(rect).value() });
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

namespace {

bool keyBefore(const PaintDiff::Item& a, const PaintDiff::Item& b)
{
    return a.key < b.key;
}

} // namespace

void PaintDiff::sortByKey()
{
    std::sort(m_items.begin(), m_items.end(), keyBefore);
}

QRegion PaintDiff::changedSince(const std::vector<Item>& before) const
{
    // Things are matched by what they are and where, not by their place in the list: a line
    // with one chevron more or less must not shift every later thing out of step. Both frames'
    // keys are walked side by side in key order (a record kept so by sortByKey is not sorted
    // again); a key that one frame holds more often than the other marks its rectangle as
    // changed.
    thread_local std::vector<const Item*> now, then;
    thread_local std::vector<QRect> changed;
    auto byKey = [](const Item* a, const Item* b) { return keyBefore(*a, *b); };
    auto inKeyOrder = [&byKey](const std::vector<Item>& items, std::vector<const Item*>* out) {
        out->clear();
        for (const Item& item : items)
            out->push_back(&item);
        if (!std::is_sorted(out->begin(), out->end(), byKey))
            std::sort(out->begin(), out->end(), byKey);
    };
    inKeyOrder(m_items, &now);
    inKeyOrder(before, &then);
    changed.clear();
    size_t i = 0, j = 0;
    while (i < now.size() || j < then.size()) {
        if (j == then.size() || (i < now.size() && now[i]->key < then[j]->key))
            changed.push_back(now[i++]->rect);
        else if (i == now.size() || then[j]->key < now[i]->key)
            changed.push_back(then[j++]->rect);
        else {
            ++i;
            ++j;
        }
    }
    return mergedRegion(&changed);
}

QRegion PaintDiff::mergedRegion(std::vector<QRect>* rects)
{
    // Neighbouring rectangles (the chevrons of one line, a text and its old self) are joined
    // when their joint box is no larger than the two apart: a paint clipped to a few boxes costs
    // less than one clipped to many small pieces, and nothing that did not change is added
    // beyond the corners of such a box. Each rectangle takes in every box it joins with, and
    // what it then joins with, before it is kept.
    thread_local std::vector<QRect> boxes;
    boxes.clear();
    auto area = [](const QRect& r) { return qint64(r.width()) * r.height(); };
    // The joint box of two valid rectangles, in line: this runs some thousand times a frame.
    auto unite = [](const QRect& a, const QRect& b) {
        if (!a.isValid() || !b.isValid())
            return a | b;
        return QRect(QPoint(qMin(a.left(), b.left()), qMin(a.top(), b.top())),
            QPoint(qMax(a.right(), b.right()), qMax(a.bottom(), b.bottom())));
    };
    for (const QRect& rect : *rects) {
        QRect box = rect;
        qint64 boxArea = area(box);
        for (size_t k = 0; k < boxes.size();) {
            const QRect joint = unite(box, boxes[k]);
            if (area(joint) <= boxArea + area(boxes[k])) {
                box = joint;
                boxArea = area(joint);
                boxes[k] = boxes.back();
                boxes.pop_back();
                k = 0;
            } else {
                ++k;
            }
        }
        boxes.push_back(box);
    }
    QRegion region;
    for (const QRect& box : boxes)
        region += box;
    return region;
}
