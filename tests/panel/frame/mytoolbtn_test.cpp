#include "mytoolbtn.h"
#include "paintrecorder.h"
#include "panelfonts.h"

#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QImage>

namespace {

bool yellowish(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 120;
}

bool reddish(QRgb c)
{
    return qRed(c) > 180 && qGreen(c) < 90 && qBlue(c) < 90;
}

int countIn(const QImage& img, const QRect& r, bool (*pred)(QRgb))
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += pred(img.pixel(x, y));
    return n;
}

const QRect kBadge(QPoint(50, 0), QPoint(74, 19));

} // namespace

TEST(MyToolBtn, BadgeDrawnOnlyForFlagAndCount)
{
    struct Case { const char* name; int flag; int count; bool badge; } cases[] = {
        { "no alarm", 0, 0, false },
        { "flag without count", 1, 0, false },
        { "count without flag", 0, 12, false },
        { "twelve open alarms", 1, 12, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MyToolBtn btn(QString::fromUtf8("事件记录"));
        btn.setWaring(c.flag, c.count);
        QImage img = btn.grab().toImage();
        ASSERT_EQ(img.size(), QSize(85, 40));
        EXPECT_EQ(countIn(img, img.rect(), yellowish) > 20, c.badge);
        EXPECT_EQ(countIn(img, kBadge, reddish) > 0, c.badge);
        EXPECT_EQ(countIn(img, img.rect().adjusted(0, 20, 0, 0), yellowish), 0);
    }
}

TEST(MyToolBtn, BadgeShowsTheCount)
{
    MyToolBtn twelve(QString::fromUtf8("事件记录"));
    twelve.setWaring(1, 12);
    MyToolBtn seven(QString::fromUtf8("事件记录"));
    seven.setWaring(1, 7);
    QImage a = twelve.grab().toImage();
    QImage b = seven.grab().toImage();
    // Two digits put more red into the badge than one.
    EXPECT_GT(countIn(a, kBadge, reddish), countIn(b, kBadge, reddish));
}

TEST(MyToolBtn, FixedLook)
{
    MyToolBtn btn("x");
    EXPECT_EQ(btn.size(), QSize(85, 40));
    EXPECT_EQ(btn.toolButtonStyle(), Qt::ToolButtonTextOnly);
    EXPECT_EQ(btn.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(btn.palette().color(QPalette::ButtonText), QColor(Qt::white));
}

// The badge keeps its place at the top right; the caption moves below it while it shows, so the
// count never covers the caption (Chinese or English).
TEST(MyToolBtn, CaptionClearOfTheBadge)
{
    PanelFonts::install();
    for (const char* caption : { "事件记录", "Logs" }) {
        SCOPED_TRACE(caption);
        MyToolBtn btn(QString::fromUtf8(caption));
        PaintRecorder plain;
        plain.record(&btn);
        const PaintRecorder::Text* centred = plain.text(QString::fromUtf8(caption));
        ASSERT_TRUE(centred);
        btn.setWaring(1, 88);
        PaintRecorder badged;
        badged.record(&btn);
        const PaintRecorder::Text* moved = badged.text(QString::fromUtf8(caption));
        ASSERT_TRUE(moved);
        const QFontMetrics fm(btn.font());
        const QRect drawn = fm.tightBoundingRect(QString::fromUtf8(caption)).translated(moved->pos.toPoint());
        EXPECT_GE(drawn.top(), kBadge.bottom()) << "caption at " << drawn.top() << ".." << drawn.bottom();
        EXPECT_LE(drawn.bottom(), 39);
        EXPECT_NEAR(moved->pos.x(), centred->pos.x(), 1.0) << "stays centred across";
        // The count is still drawn in the badge.
        EXPECT_TRUE(badged.text("88"));
        const QImage img = btn.grab().toImage();
        EXPECT_GT(countIn(img, kBadge, reddish), 0);
    }
}
