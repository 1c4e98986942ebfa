// Shows the statistics page or the simple system page alone, with made-up values, since no page of
// the frame opens them:  build/bin/lonepage tlm|spa [picture.png]
// With a picture name the page is saved there instead of shown in a window, on Qt's offscreen
// platform when there is no display.
#include "interface_spa.h"
#include "interface_tlm.h"

#include "fakedevice.h"
#include "globalvar.h"
#include "nametables.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdlib.h>

namespace {

class DemoTlm : public interface_Tlm {
public:
    explicit DemoTlm(DeviceData* acdc, DeviceData* sts)
    {
        m_acdcData = acdc;
        m_stsData = sts;
        m_ready = true;
    }

protected:
    // A made-up year: more charge in summer, discharge a little below it, income from the gap.
    int readEnergy(int which, int, int month, int day, int halfHour, float* out) override
    {
        const int k = halfHour ? halfHour : day ? day : month;
        const double base = 400 + 250 * std::sin(k * 0.45);
        *out = float(which == 0 ? base : which == 1 ? base * 0.9 : base * 0.12);
        return 0;
    }
};

class DemoSpa : public interface_spa {
public:
    DemoSpa(DeviceData* acdc, DeviceData* dcdc)
    {
        m_acdcData = acdc;
        m_dcdcData = dcdc;
        m_ready = true;
    }
};

} // namespace

int main(int argc, char** argv)
{
    const bool hasDisplay = (getenv("DISPLAY") && *getenv("DISPLAY"))
        || (getenv("WAYLAND_DISPLAY") && *getenv("WAYLAND_DISPLAY"));
    const bool platformGiven = getenv("QT_QPA_PLATFORM") && *getenv("QT_QPA_PLATFORM");
    if (!hasDisplay && !platformGiven) {
        // A picture needs no screen; a window does.
        if (argc > 2) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        } else {
            std::fprintf(stderr, "lonepage: no display (DISPLAY, WAYLAND_DISPLAY) to show the page on; "
                                 "save it instead: lonepage tlm|spa picture.png\n");
            return 2;
        }
    }
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    const QString which = argc > 1 ? argv[1] : "";
    if (which != "tlm" && which != "spa") {
        std::fprintf(stderr, "usage: lonepage tlm|spa [picture.png]\n");
        return 2;
    }
    // Captions and display rows from the runtime template.
    const QString here = QDir::currentPath();
    QDir::setCurrent(STATIONPANEL_TEMPLATE_DIR "/bin");
    loadInterfaceFile(false, 0, 0, 0);
    QDir::setCurrent(here);

    FakeDevice ac, dc, sts;
    for (int r = 0; r < 3; ++r) {
        ac.analog[{ 0, uiDataInfo[r].index }] = 230.1f + r;
        ac.analog[{ 0, uiDataInfo[3 + r].index }] = 72.4f - r;
        sts.analog[{ 0, uiDataInfo[30 + r].index }] = 229.8f + r;
        sts.analog[{ 0, uiDataInfo[33 + r].index }] = 40.2f + r;
    }
    ac.analog[{ 0, uiDataInfo[18].index }] = 50.0f;
    ac.analog[{ 0, uiDataInfo[19].index }] = 1.2f;
    ac.analog[{ 0, uiDataInfo[20].index }] = 50.1f;
    sts.analog[{ 0, uiDataInfo[48].index }] = 27.5f;
    ac.analog[{ 1001, 4 }] = 720.0f;
    ac.analog[{ 1001, 5 }] = 69.4f;
    ac.analog[{ 0, 41 }] = 15230.5f;
    ac.analog[{ 0, 42 }] = 13702.0f;
    dc.analog[{ 1001, 0 }] = 652.0f;
    dc.analog[{ 1001, 4 }] = 76.7f;
    dcacstate[50] = 27;

    QWidget* page = nullptr;
    if (which == "tlm") {
        DemoTlm* tlm = new DemoTlm(&ac, &sts);
        tlm->Demo();
        page = tlm;
    } else {
        page = new DemoSpa(&ac, &dc);
    }
    if (argc > 2) {
        page->resize(page->size());
        const bool ok = page->grab().save(QString::fromLocal8Bit(argv[2]));
        std::printf("%s %s\n", ok ? "wrote" : "could not write", argv[2]);
        delete page;
        return ok ? 0 : 1;
    }
    page->show();
    const int rc = app.exec();
    delete page;
    return rc;
}
