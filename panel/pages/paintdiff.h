#ifndef PAINTDIFF_H
#define PAINTDIFF_H

#include <QColor>
#include <QFont>
#include <QTransform>
#include <QPaintDevice>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <initializer_list>
#include <vector>

class QPaintEngine;
class QWidget;

// A paint device that draws nothing: it keeps each thing painted on it as the rectangle it
// covers and a key of how it was painted, so that two frames of a page can be compared and
// only the rectangles that differ repainted.
class PaintDiff : public QPaintDevice {
public:
    // What a thing is and how it was painted, down to a 64-bit digest of its geometry, pen,
    // brush and transform together with the rectangle it covers: ten frames a second are
    // compared, and strings as keys cost more than the painting they were to spare.
    struct Item {
        QRect rect;
        quint64 key;
    };

    // Same size and resolution as the widget whose frames it records.
    explicit PaintDiff(const QWidget* like);
    ~PaintDiff() override;

    // A text noted with the extent its caller measured for it, relative to the baseline point:
    // a tight rectangle keeps a changed value from repainting half a row of the page.
    void addText(const QPoint& baseline, const QString& text, const QFont& font, const QColor& colour,
        const QTransform& transform, const QRect& extent);

    // A thing noted by its caller, who knows what it covers and what decides its pixels: a
    // page's own look at its next frame notes its strokes so, without a painter's work.
    void note(const QRect& rect, char kind, std::initializer_list<int> numbers);
    // Puts the record in the order of its keys: a record kept so is compared with the next
    // without sorting both again, ten times a second.
    void sortByKey();
    // Empties the record for the next frame, keeping its storage.
    void clear() { m_items.clear(); }

    QPaintEngine* paintEngine() const override;
    const std::vector<Item>& items() const { return m_items; }
    // Hands the record over (and takes the other's storage back for the next frame).
    void swapItems(std::vector<Item>* other) { m_items.swap(*other); }
    QSize size() const { return m_size; }
    // Where this frame differs from an earlier one: the rectangle of every thing that only one
    // of the two holds.
    QRegion changedSince(const std::vector<Item>& before) const;

    // One region of the rectangles, neighbours that overlap enough joined into one box.
    static QRegion mergedRegion(std::vector<QRect>* rects);

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    PaintDiff(const PaintDiff&) = delete;
    PaintDiff& operator=(const PaintDiff&) = delete;
    void useFont(const QFont& font);

    class Engine;
    Engine* m_engine;
    // The last font a text was noted in, and its digest.
    QFont m_textFont;
    quint64 m_textFontKey = 0;
    bool m_hasTextFont = false;
    std::vector<Item> m_items;
    QSize m_size;
    int m_dpiX;
    int m_dpiY;
};

#endif
