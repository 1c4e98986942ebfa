#include "saturate.h"

#include <math.h>

int32_t Saturate::toInt32(double v)
{
    if (isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return int32_t(v);
}

uint32_t Saturate::toUint32(double v)
{
    if (isnan(v) || v <= 0.0)
        return 0;
    if (v >= 4294967295.0)
        return UINT32_MAX;
    return uint32_t(v);
}

int16_t Saturate::toInt16(double v)
{
    if (isnan(v))
        return 0;
    if (v >= 32767.0)
        return INT16_MAX;
    if (v <= -32768.0)
        return INT16_MIN;
    return int16_t(v);
}
