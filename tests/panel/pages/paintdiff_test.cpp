#include "paintdiff.h"

#include <gtest/gtest.h>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <functional>

namespace {

std::vector<PaintDiff::Item> frame(const QWidget& like, const std::function<void(QPainter&)>& draw)
{
    PaintDiff d(&like);
    QPainter p(&d);
    draw(p);
    p.end();
    return d.items();
}

QRegion changed(const QWidget& like, const std::vector<PaintDiff::Item>& before,
    const std::function<void(QPainter&)>& draw)
{
    PaintDiff d(&like);
    QPainter p(&d);
    draw(p);
    p.end();
    const QRegion region = d.changedSince(before);
    // Records kept in key order give the same answer without sorting.
    PaintDiff sorted(&like);
    {
        QPainter q(&sorted);
        draw(q);
    }
    std::vector<PaintDiff::Item> earlier = before;
    std::sort(earlier.begin(), earlier.end(),
        [](const PaintDiff::Item& a, const PaintDiff::Item& b) { return a.key < b.key; });
    sorted.sortByKey();
    EXPECT_EQ(sorted.changedSince(earlier), region);
    return region;
}

} // namespace

// Only what differs between two frames is to be repainted, wherever it sits in the list.
TEST(PaintDiff, ChangedRegionCoversOnlyWhatDiffers)
{
    QWidget page;
    page.resize(796, 480);
    auto still = [](QPainter& p) {
        p.setPen(QPen(Qt::green, 2));
        p.drawLine(10, 10, 200, 10);
        p.drawText(300, 100, "U: 230.0");
        p.drawRect(400, 300, 49, 39);
    };
    const std::vector<PaintDiff::Item> before = frame(page, still);
    ASSERT_EQ(before.size(), 3u);

    EXPECT_TRUE(changed(page, before, still).isEmpty());

    // A new value: its text only.
    const QRegion text = changed(page, before, [](QPainter& p) {
        p.setPen(QPen(Qt::green, 2));
        p.drawLine(10, 10, 200, 10);
        p.drawText(300, 100, "U: 231.0");
        p.drawRect(400, 300, 49, 39);
    });
    EXPECT_TRUE(text.boundingRect().contains(QPoint(310, 95)));
    EXPECT_FALSE(text.contains(QPoint(100, 10)));
    EXPECT_FALSE(text.contains(QPoint(420, 320)));

    // An extra stroke first (a chevron more) shifts nothing else into the region; a colour
    // change counts as a change.
    const QRegion extra = changed(page, before, [](QPainter& p) {
        p.setPen(QPen(Qt::green, 2));
        p.drawLine(50, 200, 55, 203);
        p.drawLine(10, 10, 200, 10);
        p.drawText(300, 100, "U: 230.0");
        p.setPen(QPen(Qt::red, 2));
        p.drawRect(400, 300, 49, 39);
    });
    EXPECT_TRUE(extra.contains(QPoint(52, 201)));
    EXPECT_TRUE(extra.contains(QPoint(400, 320)));
    EXPECT_FALSE(extra.contains(QPoint(100, 10)));
    EXPECT_FALSE(extra.boundingRect().contains(QPoint(310, 95)));
}
