#include "typedvalue.h"

#include <cmath>
#include <stdio.h>
#include <stdlib.h>

namespace cp {

namespace {

// value = mantissa x 10^exponent with the fewest digits that read back as the same float.
bool shortestDecimal(float value, int64_t* mantissa, int* exponent)
{
    if (!std::isfinite(value))
        return false;
    *mantissa = 0;
    *exponent = 0;
    if (value == 0.0f)
        return true;
    char text[40];
    for (int digits = 1; digits <= 9; ++digits) {
        snprintf(text, sizeof text, "%.*e", digits - 1, double(value));
        if (strtof(text, nullptr) == value)
            break;
    }
    // "-d.ddde+XX": the digits before 'e' make the mantissa, whatever the decimal point is.
    const char* p = text;
    const bool negative = *p == '-';
    int64_t m = 0;
    int count = 0;
    for (; *p && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') {
            m = m * 10 + (*p - '0');
            ++count;
        }
    }
    if (*p != 'e' || count == 0)
        return false;
    *mantissa = negative ? -m : m;
    *exponent = atoi(p + 1) - (count - 1);
    return true;
}

}

bool TypedValue::scaledWord(float value, int scale, int64_t* out)
{
    int64_t m = 0;
    int e = 0;
    if (!shortestDecimal(value, &m, &e))
        return false;
    // At most nine digits times a 32-bit scale stays below 2^62.
    int64_t x = m * int64_t(scale);
    if (e >= 0) {
        for (int i = 0; i < e && x != 0; ++i) {
            if (x > INT64_MAX / 10 || x < INT64_MIN / 10)
                return false;
            x *= 10;
        }
    } else if (e < -18) {
        x = 0;
    } else {
        int64_t divisor = 1;
        for (int i = 0; i < -e; ++i)
            divisor *= 10;
        x /= divisor;   // toward zero
    }
    *out = x;
    return true;
}

double TypedValue::scaled(float value, int scale)
{
    int64_t m = 0;
    int e = 0;
    if (!shortestDecimal(value, &m, &e))
        return double(value) * scale;
    const double x = double(m) * scale;
    return e >= 0 ? x * std::pow(10.0, e) : x / std::pow(10.0, -e);
}

}
