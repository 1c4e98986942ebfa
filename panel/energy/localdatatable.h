#ifndef LOCALDATATABLE_H
#define LOCALDATATABLE_H

#include <QString>

class DeviceData;

// The half-hour schedule and price tables held in localData and in "../log/localdata.dat"
// (4096 bytes: the 1024 values as little-endian single-precision numbers, no header). Words 0..47
// the AC power set-point per half hour, 48 * k + s that of DC branch k (1..8), 512.. and 800.. the
// two price tables. The schedule page edits them through here; the control thread reads them.
class LocalDataTable {
public:
    enum { WORDS = 1024, BYTES = 4096, PERIODS = 48, BRANCHES = 8, PRICE_A = 512, PRICE_B = 800 };
    // What the schedule page edits: 2 power set-points, 3 price table A, 4 price table B.
    enum { MODE_POWER = 2, MODE_PRICE_A = 3, MODE_PRICE_B = 4 };

    // Half-hour period 0..47 of a time of day.
    static int period(int hour, int minute);
    // Entry range and keypad hint of a mode; the DC 48-period strategy (set[59] = 2) widens the
    // power range. False for an unknown mode.
    static bool range(int mode, float* min, float* max, QString* hint);
    // Stores a typed value for period s, clamped to the mode's range: a price, the AC set-point,
    // or with the DC 48-period strategy the set-point of the branch (1..8), or of every branch
    // up to set[23] when set[7] is 0. 0, or -1 for an unknown mode, period or branch or a value
    // that is not a number (nothing stored).
    static int store(int mode, int branch, int period, float value);
    // Writes the whole table over the file's first 4096 bytes (created when missing, never
    // truncated, written through to the disk). 0, or -1 with a line on standard output.
    static int saveLocaldata();
    // After the table is read from its file: every set-point and price that is not a number
    // or lies outside what its entry accepts (AC set-points -660..660, branch set-points
    // -1500..1500, prices 0..1000) becomes 0, so that a damaged file never commands a
    // converter. The number of values replaced.
    static int checkLoaded();
    // Hands both price tables to the AC/DC converter for its cost statistics, without waiting.
    static void sendPrices(DeviceData* acdc);
};

#endif
