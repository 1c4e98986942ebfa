#ifndef PARAMRECORD_H
#define PARAMRECORD_H

#include <stdint.h>

// One parameter of one module, as its parameter file holds it.
struct ParamRecord {
    int32_t index;  // the parameter's index, its line number in the file
    float value;    // in its engineering unit
    int32_t saved;  // 1 = equal to its line in the file; 0 = waits for the next write pass
};

#endif
