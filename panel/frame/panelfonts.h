#ifndef PANELFONTS_H
#define PANELFONTS_H

#include <QString>

// The fonts the screen is laid out for. The forms name the board's fonts ("宋体", "ubuntu"), which a
// development machine lacks; there they fall to WenQuanYi Micro Hei, and the default font is pinned,
// so that a window, the VNC screen and the offscreen tests measure every caption alike.
class PanelFonts {
public:
    // Call once after the application object exists.
    static void install();
    static QString family();
    static int defaultPointSize();
};

#endif
