#include "pvreply.h"

#include <stdint.h>

bool PvReply::complete(const unsigned char* buf, int have)
{
    return have >= MBAP_BYTES && have >= MBAP_BYTES + (buf[4] << 8 | buf[5]);
}

bool PvReply::measurements(const unsigned char* buf, int n, float* values)
{
    if (!(n >= 9 + 2 * REGISTERS && buf[0] == (TID_MEASUREMENTS >> 8) && buf[7] == FC_READ_INPUT
            && buf[8] >= 2 * REGISTERS))
        return false;
    for (int k = 0; k < REGISTERS; ++k)
        values[k] = float(int16_t(uint16_t(buf[9 + 2 * k] << 8 | buf[10 + 2 * k])));
    values[LIMIT] = values[26] / 10;
    values[POWER] = values[31] / 10 - 1680;
    return true;
}

bool PvReply::state(const unsigned char* buf, int n, float* values)
{
    if (!(n >= 27 && buf[0] == (TID_STATE >> 8) && buf[7] == FC_READ_HOLDING && buf[8] >= 18))
        return false;
    const int s = buf[26];
    values[RUNNING] = float(s & 1);
    values[HOLD_BIT] = float(s & 2);
    return true;
}
