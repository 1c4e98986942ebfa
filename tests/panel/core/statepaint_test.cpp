#include "statepaint.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>

namespace {
const char kGrey[] = "#f0f0f0";
const char kGreen[] = "#00a550";
const char kRed[] = "#ff6e6e";

QImage blank()
{
    QImage img(120, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

int pixelsOf(const QImage& img, const char* colour)
{
    const QRgb want = QColor(colour).rgb();
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == want;
    return n;
}
}

TEST(StatePaint, DeviceRunStateTextAndBackground)
{
    struct Case { int code; const char* text; const char* colour; } cases[] = {
        { 16, "离线", kGrey }, { 17, "正常", kGreen }, { 18, "故障", kRed }, { 19, "告警", kRed },
        { 20, "充满", kGreen }, { 21, "充电", kGreen }, { 22, "放空", kGreen }, { 23, "放电", kGreen },
        { 24, "待机", kGreen }, { 25, "休眠", kGreen }, { 26, "停机", kGreen }, { 27, "运行", kGreen },
        { 28, "光伏发电", kGreen }, { 29, "---", kGrey }, { 32, "恒压浮充", kGreen },
        { 33, "恒压均充", kGreen }, { 0, "离线", kGrey }, { 15, "离线", kGrey }, { 30, "离线", kGrey },
        { 31, "离线", kGrey }, { 34, "离线", kGrey }, { -1, "离线", kGrey }, { 1000, "离线", kGrey },
    };
    QImage img = blank();
    QPainter painter(&img);
    for (const Case& c : cases) {
        painter.setBackground(Qt::black);
        EXPECT_EQ(showDeviceRunStat(c.code, painter), QString::fromUtf8(c.text)) << c.code;
        EXPECT_EQ(painter.background().color(), QColor(c.colour)) << c.code;
    }
}

TEST(StatePaint, ModeWordOnOpaqueBackground)
{
    struct Case { unsigned char code; const char* text; const char* colour; } cases[] = {
        { 17, "离线", kGrey }, { 16, "离线", kGrey }, { 29, "离线", kGrey }, { 30, "离线", kGrey },
        { 31, "离线", kGrey }, { 0, "离线", kGrey }, { 15, "离线", kGrey }, { 34, "离线", kGrey },
        { 255, "离线", kGrey }, { 18, "故障", kRed }, { 19, "告警", kRed }, { 24, "停机", kGreen },
        { 25, "停机", kGreen }, { 26, "停机", kGreen }, { 20, "运行", kGreen }, { 23, "运行", kGreen },
        { 27, "运行", kGreen }, { 28, "运行", kGreen }, { 32, "运行", kGreen }, { 33, "运行", kGreen },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.code));
        QImage got = blank();
        {
            QPainter painter(&got);
            showModeStat(10, 30, painter, c.code);
            EXPECT_EQ(painter.background().color(), QColor(c.colour));
            EXPECT_EQ(painter.backgroundMode(), Qt::TransparentMode);
        }
        QImage want = blank();
        {
            QPainter painter(&want);
            painter.setBackground(QColor(c.colour));
            painter.setBackgroundMode(Qt::OpaqueMode);
            painter.drawText(10, 30, QString::fromUtf8(c.text));
        }
        EXPECT_GT(pixelsOf(got, c.colour), 50);
        EXPECT_TRUE(got == want);
    }
}

TEST(StatePaint, BatteryTypeAndBmsAlarmTexts)
{
    struct Case { int code; const char* text; } types[] = {
        { 1, "铅酸电池" }, { 2, "镍氢电池" }, { 3, "磷酸铁锂电池" }, { 4, "锰酸锂电池" },
        { 5, "钴酸锂电池" }, { 6, "三元材料电池" }, { 7, "聚合物锂电池" }, { 8, "钛酸锂电池" },
        { 0, "其他电池" }, { 9, "其他电池" }, { -3, "其他电池" },
    };
    for (const Case& c : types)
        EXPECT_EQ(showBatteryType(c.code), QString::fromUtf8(c.text)) << c.code;
    Case alarms[] = {
        { 1, "告警 LV1" }, { 2, "告警 LV2" }, { 3, "告警 LV3" }, { 4, "告警 LV4" },
        { 0, "正常" }, { 5, "正常" }, { -1, "正常" },
    };
    for (const Case& c : alarms)
        EXPECT_EQ(showBmsAlarm(c.code), QString::fromUtf8(c.text)) << c.code;
}
