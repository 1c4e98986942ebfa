#ifndef CHARGERFAULT_H
#define CHARGERFAULT_H

#include <stdint.h>

// One alarm of the alarm history as the rest of the panel sees it.
struct ChargerFault {
    int32_t code;       // device code of the alarm's source
    int32_t index;      // point index, the row of the device's alarm-name table
    char startTime[32]; // "%Y-%m-%d %H:%M:%S"
    char endTime[32];   // 19 blanks while the alarm is open
    char active;        // non-zero while open
};

#endif
