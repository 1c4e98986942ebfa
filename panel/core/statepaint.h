#ifndef STATEPAINT_H
#define STATEPAINT_H

// Texts and colours of module state codes, battery types and BMS alarm levels, shared by the
// pages. Texts are translated in the context QObject.

#include <QString>

class QPainter;

// Text of a module state code; sets the painter's background brush to the code's colour.
QString showDeviceRunStat(int code, QPainter& painter);
// Draws the run-mode word of a code at (x, y) on an opaque background of the code's colour.
void showModeStat(int x, int y, QPainter& painter, unsigned char code);
QString showBatteryType(int code);
QString showBmsAlarm(int level);

#endif
