#ifndef PAINTRECORDER_H
#define PAINTRECORDER_H

#include <QBrush>
#include <QColor>
#include <QLineF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QTextItem>
#include <QTransform>
#include <QWidget>
#include <climits>
#include <ostream>
#include <vector>

// A paint device that keeps what was painted on it instead of pixels: texts with their
// baseline position and colours, lines, rectangles, ellipses and pictures, all in the page's
// coordinates. A page painted with render(&recorder) can then be asked what it drew where.
class PaintRecorder : public QPaintDevice {
public:
    struct Text {
        QPointF pos;
        QString text;
        QColor pen;
        QColor background;
        bool opaque;
    };
    struct Line {
        QLineF line;
        QColor pen;
        qreal width;
    };
    struct Shape {
        enum Kind { Rect, Ellipse, Polygon, Pixmap } kind;
        QRectF rect;
        QColor pen;
        QColor brush;
        QImage image;
    };

    PaintRecorder(int w = 796, int h = 480)
        : engine_(this)
        , w_(w)
        , h_(h)
    {
    }

    QPaintEngine* paintEngine() const override { return const_cast<Engine*>(&engine_); }

    // Paints a widget (and its children) onto a fresh recording.
    void record(QWidget* widget)
    {
        clear();
        widget->render(this, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    void clear()
    {
        texts.clear();
        lines.clear();
        shapes.clear();
    }

    // The first text that is exactly s (null when none).
    const Text* text(const QString& s) const
    {
        for (const Text& t : texts)
            if (t.text == s)
                return &t;
        return nullptr;
    }
    // The text drawn with its baseline starting at (x, y); empty when none.
    QString textAt(qreal x, qreal y) const
    {
        for (const Text& t : texts)
            if (qAbs(t.pos.x() - x) < 0.5 && qAbs(t.pos.y() - y) < 0.5)
                return t.text;
        return QString();
    }
    const Text* textItemAt(qreal x, qreal y) const
    {
        for (const Text& t : texts)
            if (qAbs(t.pos.x() - x) < 0.5 && qAbs(t.pos.y() - y) < 0.5)
                return &t;
        return nullptr;
    }
    // The line from a to b in either direction (null when none).
    const Line* line(QPointF a, QPointF b) const
    {
        for (const Line& l : lines)
            if ((near(l.line.p1(), a) && near(l.line.p2(), b)) || (near(l.line.p1(), b) && near(l.line.p2(), a)))
                return &l;
        return nullptr;
    }
    std::vector<Line> linesFrom(QPointF a) const
    {
        std::vector<Line> out;
        for (const Line& l : lines)
            if (near(l.line.p1(), a))
                out.push_back(l);
        return out;
    }
    const Shape* shape(Shape::Kind kind, QRectF rect) const
    {
        for (const Shape& s : shapes)
            if (s.kind == kind && near(s.rect.topLeft(), rect.topLeft()) && near(s.rect.bottomRight(), rect.bottomRight()))
                return &s;
        return nullptr;
    }
    // A rectangle or ellipse as QPainter takes it from two corner points.
    const Shape* shape(Shape::Kind kind, QPoint topLeft, QPoint bottomRight) const
    {
        return shape(kind, QRectF(QRect(topLeft, bottomRight)));
    }
    const Shape* pixmapAt(QPointF topLeft) const
    {
        for (const Shape& s : shapes)
            if (s.kind == Shape::Pixmap && near(s.rect.topLeft(), topLeft))
                return &s;
        return nullptr;
    }

    std::vector<Text> texts;
    std::vector<Line> lines;
    std::vector<Shape> shapes;

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return w_;
        case PdmHeight: return h_;
        case PdmWidthMM: return w_ * 254 / 960;
        case PdmHeightMM: return h_ * 254 / 960;
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return 1 * QPaintDevice::devicePixelRatioFScale();
        default: return 0;
        }
    }

private:
    static bool near(QPointF a, QPointF b) { return qAbs(a.x() - b.x()) < 0.5 && qAbs(a.y() - b.y()) < 0.5; }

    class Engine : public QPaintEngine {
    public:
        explicit Engine(PaintRecorder* owner)
            : QPaintEngine(QPaintEngine::AllFeatures)
            , owner_(owner)
        {
        }
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        Type type() const override { return QPaintEngine::User; }
        void updateState(const QPaintEngineState& s) override
        {
            const QPaintEngine::DirtyFlags f = s.state();
            if (f & DirtyPen)
                pen_ = s.pen();
            if (f & DirtyBrush)
                brush_ = s.brush();
            if (f & DirtyTransform)
                transform_ = s.transform();
            if (f & DirtyBackground)
                background_ = s.backgroundBrush();
            if (f & DirtyBackgroundMode)
                bgMode_ = s.backgroundMode();
        }
        void drawTextItem(const QPointF& p, const QTextItem& item) override
        {
            // One drawText call arrives in pieces by script (Chinese and Latin letters in different
            // fonts); a piece that starts where the last one ended belongs to the same text.
            const QPointF at = transform_.map(p);
            if (!owner_->texts.empty() && lastTextEnd_.y() == at.y() && qAbs(lastTextEnd_.x() - at.x()) < 0.5) {
                owner_->texts.back().text += item.text();
            } else {
                // An opaque background reaches the engine as a filled rectangle right before the text.
                Text t { at, item.text(), pen_.color(), background_.color(), bgMode_ == Qt::OpaqueMode };
                if (justFilled_ && !owner_->shapes.empty()) {
                    const Shape& fill = owner_->shapes.back();
                    if (fill.kind == Shape::Rect && fill.rect.contains(QPointF(at.x() + 0.5, at.y() - 1))) {
                        t.opaque = true;
                        t.background = fill.brush;
                    }
                }
                owner_->texts.push_back(t);
            }
            lastTextEnd_ = QPointF(at.x() + item.width(), at.y());
            justFilled_ = false;
        }
        void drawLines(const QLineF* lines, int count) override
        {
            justFilled_ = false;
            for (int i = 0; i < count; ++i)
                owner_->lines.push_back({ transform_.map(lines[i]), pen_.color(), pen_.widthF() });
        }
        void drawLines(const QLine* lines, int count) override
        {
            justFilled_ = false;
            for (int i = 0; i < count; ++i)
                owner_->lines.push_back({ transform_.map(QLineF(lines[i])), pen_.color(), pen_.widthF() });
        }
        void drawRects(const QRectF* rects, int count) override
        {
            for (int i = 0; i < count; ++i)
                addShape(Shape::Rect, rects[i]);
            justFilled_ = true;
        }
        void drawRects(const QRect* rects, int count) override
        {
            for (int i = 0; i < count; ++i)
                addShape(Shape::Rect, QRectF(rects[i]));
            justFilled_ = true;
        }
        void drawEllipse(const QRectF& r) override { addShape(Shape::Ellipse, r); }
        void drawEllipse(const QRect& r) override { addShape(Shape::Ellipse, QRectF(r)); }
        void drawPath(const QPainterPath& path) override { addShape(Shape::Polygon, path.boundingRect()); }
        void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override
        {
            QPolygonF polygon;
            for (int i = 0; i < count; ++i)
                polygon << points[i];
            addShape(Shape::Polygon, polygon.boundingRect());
        }
        void drawPoints(const QPointF*, int) override {}
        void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF&) override
        {
            Shape s { Shape::Pixmap, transform_.mapRect(r), pen_.color(), brush_.color(), pm.toImage() };
            owner_->shapes.push_back(s);
            justFilled_ = false;
        }
        void drawImage(const QRectF& r, const QImage& image, const QRectF&, Qt::ImageConversionFlags) override
        {
            Shape s { Shape::Pixmap, transform_.mapRect(r), pen_.color(), brush_.color(), image };
            owner_->shapes.push_back(s);
            justFilled_ = false;
        }
        void drawTiledPixmap(const QRectF& r, const QPixmap& pm, const QPointF&) override
        {
            Shape s { Shape::Pixmap, transform_.mapRect(r), pen_.color(), brush_.color(), pm.toImage() };
            owner_->shapes.push_back(s);
            justFilled_ = false;
        }

    private:
        void addShape(Shape::Kind kind, const QRectF& r)
        {
            justFilled_ = false;
            owner_->shapes.push_back({ kind, transform_.mapRect(r), pen_.color(), brush_.color(), QImage() });
        }

        PaintRecorder* owner_;
        QPen pen_;
        QBrush brush_;
        QBrush background_;
        Qt::BGMode bgMode_ = Qt::TransparentMode;
        QTransform transform_;
        QPointF lastTextEnd_ { -1e9, -1e9 };
        bool justFilled_ = false; // the last thing painted was a rectangle
    };

    Engine engine_;
    int w_;
    int h_;
};

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

#endif
