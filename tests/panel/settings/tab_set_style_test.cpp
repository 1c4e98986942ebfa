#include "settingspage.h"

#include <gtest/gtest.h>
#include <QColor>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>

// A row the user may not change looks so: its field grey with grey text and a grey arrow, its
// caption lighter than an enabled one's yet readable on the row band.

namespace {

double luminance(QRgb c)
{
    auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// Pixels clearly green: the enabled fields' text and drop-down button.
int greenPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qGreen(c) - qMax(qRed(c), qBlue(c)) > 60)
                ++n;
        }
    return n;
}

// The darkest pixel: a caption's text.
QRgb darkest(const QImage& image)
{
    QRgb best = qRgb(255, 255, 255);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (luminance(image.pixel(x, y)) < luminance(best))
                best = image.pixel(x, y);
    return best;
}

QImage shot(QWidget* w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(Tab_set_style, DisabledFieldsAndCaptionsLookDisabledAndStayReadable)
{
    SettingsPage page;
    page.attach();
    page.tab.resize(677, 639);
    page.tab.show();
    page.show(0, 0);
    QApplication::processEvents();

    struct Row {
        const char* caption;
        const char* field;
    };
    // Basic page: a line-edit row and a combo-box row.
    const Row rows[] = { { "label_33", "lineEdit_21" }, { "label_392", "comboBox_16" } };
    for (const Row& r : rows) {
        QLabel* caption = page.w<QLabel>(r.caption);
        QWidget* field = page.w<QWidget>(r.field);
        ASSERT_TRUE(caption && field) << r.field;
        caption->setEnabled(true);
        field->setEnabled(true);
        const QImage onField = shot(field), onCaption = shot(caption);
        caption->setEnabled(false);
        field->setEnabled(false);
        const QImage offField = shot(field), offCaption = shot(caption);

        EXPECT_GT(greenPixels(onField), 20) << r.field << " enabled shows green text or arrow";
        EXPECT_EQ(greenPixels(offField), 0) << r.field << " disabled keeps no green";
        const QPoint inside(field->width() / 2, 3);
        EXPECT_GT(contrast(onField.pixel(inside), offField.pixel(inside)), 1.15)
            << r.field << ": a disabled field has a background of its own";

        const QRgb band = onCaption.pixel(2, 2);
        ASSERT_EQ(band, offCaption.pixel(2, 2)) << r.caption << " keeps its row band";
        EXPECT_GE(contrast(darkest(offCaption), band), 3.0) << r.caption << " disabled stays readable";
        EXPECT_GT(luminance(darkest(offCaption)), luminance(darkest(onCaption)) + 0.03)
            << r.caption << " disabled is lighter than enabled";
    }
}

} // namespace
