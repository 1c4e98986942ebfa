#ifndef CP_TYPEDVALUE_H
#define CP_TYPEDVALUE_H

#include <stdint.h>

namespace cp {

// A value as the operator typed it, times a setting's scale. A float holds 2.3 as
// 2.2999999523, and that times 10 truncates to 22; here the value is taken as the shortest
// decimal that reads back as the same float ("2.3"), and the product is made in decimal, so
// 2.3 x 10 is 23 while digits beyond the scale (2.37 x 10) are still cut off.
class TypedValue {
public:
    // The product truncated toward zero; false for NaN, infinity or a product beyond 64 bits.
    static bool scaledWord(float value, int scale, int64_t* out);
    // The product as the nearest double (a float register, a trace); NaN for NaN.
    static double scaled(float value, int scale);
};

}

#endif
