// Helpers the DC/DC link's source files share: command frames, whole numbers, local time.
#ifndef DCHANDLER_P_H
#define DCHANDLER_P_H

#include "canframe.h"
#include "dchandler.h"
#include "saturate.h"
#include "timeseam.h"

#include <string.h>
#include <string>
#include <time.h>

// Private to the library: each source file keeps its own copy, as when they were one file.
namespace {
inline CanFrame commandFrame(int priority, int pf, int da)
{
    CanFrame f;
    memset(&f, 0, sizeof f);
    f.ff = 1;
    f.p = priority & 7;
    f.pf = uint8_t(pf);
    f.da = uint8_t(da);
    f.sa = DcHandler::OWN_ADDRESS;
    f.dlc = 8;
    return f;
}

// The integer part of a float product, as the modules take it (saturated instead of undefined
// beyond the range).
inline int integerOf(float v)
{
    return Saturate::toInt32(double(v));
}

inline std::string localTimeText()
{
    const time_t now = TimeSeam::wallTime();
    struct tm t;
    char text[32] = "";
    if (localtime_r(&now, &t))
        strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &t);
    return text;
}
}

#endif
