#ifndef FAULTRECORD_H
#define FAULTRECORD_H

#include <stdint.h>

enum { FAULT_DATA_ROWS = 18, FAULT_DATA_COLS = 7, FAULT_DATA_WORDS = FAULT_DATA_ROWS * FAULT_DATA_COLS };

// One module fault with its data snapshot; the same layout in both libraries.
struct FaultRecord {
    char time[32];                                // "%Y-%m-%d %H:%M:%S"
    int32_t type;                                 // the writer's code for the kind of module
    int32_t module;                               // module number
    uint16_t data[FAULT_DATA_ROWS][FAULT_DATA_COLS];
    int32_t index;                                // slot in its file, 0..255
    int32_t dirty;
};

#endif
