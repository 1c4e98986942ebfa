#ifndef RECORD_H
#define RECORD_H

#include <stdint.h>

namespace norvale {

// One line of the alarm history in memory.
struct Record {
    int32_t index;      // slot 0..6499 once written; -1 while it has none
    int32_t item1;      // alarm code (device code)
    int32_t item2;      // point index
    int32_t item3;      // always 0
    char startTime[32]; // "%Y-%m-%d %H:%M:%S"
    char endTime[32];   // NULL_STRING while open, BAR_STRING when closed at start-up
    char active;        // 1 while the alarm is open
    int32_t dirty;      // 1 while the line must be written
};

} // namespace norvale

#endif
