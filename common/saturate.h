#ifndef SATURATE_H
#define SATURATE_H

#include <stdint.h>

// Float to integer conversions of values that come from the field or from files. A plain cast
// of NaN or of a value beyond the range is undefined; these give 0 for NaN, the nearest bound
// beyond the range, and otherwise truncate toward zero (what the board's FPU does).
class Saturate {
public:
    static int32_t toInt32(double v);
    static uint32_t toUint32(double v);
    static int16_t toInt16(double v);
};

#endif
