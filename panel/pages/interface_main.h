#ifndef INTERFACE_MAIN_H
#define INTERFACE_MAIN_H

#include "globalvar.h"
#include "paintdiff.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QList>
#include <QHash>
#include <QImage>
#include <QRegion>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class DeviceData;
class ModbusAcDcData;
class DcdcData;
class ModbusSTSData;
class BmsData;
class QLabel;
class QPainter;
class QTimer;
namespace modbus {
class ModbusrtuDevice;
}
namespace Ui {
class interface_Main;
}

// The home page (tab 0): a live one-line diagram of the cabinet, from the grid connection at
// the top down to one column per battery string. Everything but the five picture labels is
// painted at each paint, ten times a second while the page is shown; a paint covers only
// what changed since the one before.
class interface_Main : public QWidget {
    Q_OBJECT
public:
    explicit interface_Main(QWidget* parent = nullptr);
    ~interface_Main() override;

    void setDiviceData(modbus::ModbusrtuDevice* rtu, ModbusAcDcData* acdc, DcdcData* dcdc, ModbusSTSData* sts,
        BmsData* bms);
    // 0 starts the repaints (the page is shown), anything else stops them.
    void startfresh(int stop);

    // A line in a module state code or one of 0..3 (0 and 3 red, 1 green, 2 grey); charging and
    // discharging codes draw chevrons moving along the line instead.
    void showLine(QPainter& painter, int x1, int y1, int x2, int y2, int state);
    void showSwitch(QPainter& painter, int x, int y, bool vertical, bool closed);
    void showAcBox(QPainter& painter, int x, int y, int healthCode);
    void showDcBox(QPainter& painter, int x, int y, int healthCode);
    // A string column on the AC/DC link (showac) or on the DC/DC link (showdc); branchIndex 0..7.
    void showac(QPainter& painter, int x, int y, float voltage, float current, int branchIndex);
    void showdc(QPainter& painter, int x, int y, float voltage, float current, int branchIndex);
    void showg(QPainter& painter, int x, int y);
    void showsts(QPainter& painter, int x, int y);
    void showpv(QPainter& painter, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Today's PV energy; a seam so that a test need not build the AC/DC library's energy store.
    virtual int dayDischarge(int year, int month, int day, float* out);
    // Whether switches and boxes are copied from pictures drawn once: their small circles and
    // texts cost more to draw than the rest of a frame. Only on a painter of pixels; a recording
    // painter gets the strokes. A seam, so that a test can set the copies beside the strokes.
    virtual bool drawsSprites(const QPainter& painter) const;

    // The devices as DeviceData, taken when the devices are handed over (null for a device that
    // is absent or whose library is not part of the build).
    DeviceData* m_acdcData = nullptr;
    DeviceData* m_dcdcData = nullptr;
    DeviceData* m_stsData = nullptr;
    bool m_hasData = false;

private slots:
    // The timer's look at the devices: repaints what changed since the last paint.
    void refresh();

private:
    // What a text looks like in the page's font, kept per string.
    struct TextLook {
        QRect extent;
        // The laid-out glyphs, made at the first paint of the string: a paint of pixels draws
        // them instead of laying the text out again.
        bool laidOut = false;
        qreal ascent = 0;
        QList<QGlyphRun> runs;
    };
    enum SwitchPicture { kSwitchNormal, kSwitchRed, kSwitchGrey };
    enum BreakerPicture { kBreakerClosed, kBreakerOpen };

    void showBox(QPainter& painter, int x, int y, int healthCode, const char* top, const char* bottom);
    // The strokes and texts of a switch and of a converter box.
    void strokeSwitch(QPainter& painter, int x, int y, bool vertical, bool closed);
    void strokeBox(QPainter& painter, int x, int y, const QColor& colour, const char* top, const char* bottom);
    // A switch or a box is drawn once into a picture of its own and then copied wherever it
    // stands (drawsSprites, above, says on which painters).
    void drawSprite(QPainter& painter, const QRect& area, quint64 key, const std::function<void(QPainter&)>& draw);
    void showBranch(QPainter& painter, int x, int y, float voltage, float current, int branchIndex,
        const StateByte* states, bool acBox);
    void chevrons(QPainter& painter, int x1, int y1, int x2, int y2, bool forward);
    // The strokes of a straight line's chevrons; across is the line's fixed coordinate.
    void strokeChevrons(QPainter& painter, bool horizontal, int across, int from, int to, int phase, bool forward);
    void showBranches(QPainter& painter, int count, int step);
    float analog(DeviceData* device, int module, int index) const;
    float rowValue(DeviceData* device, int module, int row) const;
    int status(DeviceData* device, int module, int index) const;
    int inverterType() const;
    // Records the next frame without drawing it, the phases and kept powers left as they are.
    PaintDiff& lookAtNextFrame();
    // One frame: the phases move on, then every section is drawn.
    void drawFrame(QPainter& painter);
    // Every text of the page goes through here, so that a look can note it without laying it out.
    void text(QPainter& painter, int x, int y, const QString& s);
    // What s looks like in the font: its extent is the advance box and the glyphs' ink,
    // relative to the baseline point.
    TextLook& textLook(const QFont& font, const QString& s);
    // Whether something covering r is to be drawn: a look notes everything, a paint draws only
    // what meets the region it repaints (the painter would clip the rest, but only after the
    // costly part: laying out the text, stroking the line).
    bool shows(const QRect& r) const;
    void drawPicture(QPainter& painter, int x, int y, const QPixmap& pixmap);
    // The page's strokes and shapes in the painter's pen and brush: a look notes them with what
    // decides their pixels instead of handing them to the painter.
    void drawLine(QPainter& painter, int x1, int y1, int x2, int y2);
    // Notes a box or circle for the next look instead of drawing it, when a look is being taken.
    bool noteShape(QPainter& painter, const QRect& r, char kind);
    void drawRect(QPainter& painter, const QRect& r);
    void drawEllipse(QPainter& painter, const QRect& r);
    // What a stroke in the painter's pen may cover around its geometry (width and edges).
    QRect stroked(const QPainter& painter, const QRect& r) const;

    Ui::interface_Main* ui;
    QTimer* m_timer = nullptr;
    modbus::ModbusrtuDevice* m_rtu = nullptr;
    ModbusAcDcData* m_acdc = nullptr;
    DcdcData* m_dcdc = nullptr;
    ModbusSTSData* m_sts = nullptr;
    BmsData* m_bms = nullptr;

    int m_phaseA = 0;
    int m_phaseB = 5;
    float m_gridPower = 0;
    float m_loadPower = 0;
    float m_acPower = 0;
    // Which picture each label holds, so a picture is loaded again only when the choice changes.
    SwitchPicture m_switchPicture = kSwitchNormal;
    BreakerPicture m_breakerPicture = kBreakerOpen;
    // What the last look recorded, and whether the coming paint is the one it asked for.
    std::vector<PaintDiff::Item> m_painted;
    bool m_requested = false;
    // The record a look fills, kept from look to look; set while a look runs.
    std::unique_ptr<PaintDiff> m_lookDevice;
    PaintDiff* m_look = nullptr;
    // While a paint runs: the region it repaints.
    QRegion m_paintRegion;
    // What each text covers around its baseline point, measured once per string and font: a
    // look notes it and a paint tests it without laying the text out again.
    QFont m_textFont;
    std::unique_ptr<QFontMetrics> m_textMetrics;
    QHash<QString, TextLook> m_texts;
    // The sprites by shape, drawn in this font.
    QHash<quint64, QImage> m_sprites;
    QFont m_spriteFont;
};

#endif
