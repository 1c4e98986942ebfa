#include "upgradehexline.h"

#include <string.h>

namespace {
int nibble(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
}

int UpgradeHexLine::convert(const char* digits, size_t len, uint8_t (&out)[FRAME_BYTES])
{
    memset(out, 0, sizeof out);
    // A damaged record must not reach a boot loader half-read.
    if (!digits || len == 0 || len % 2 != 0 || len / 2 > MAX_BYTES)
        return -1;
    const int n = int(len / 2);
    for (int i = 0; i < n; ++i) {
        const int hi = nibble(digits[2 * i]);
        const int lo = nibble(digits[2 * i + 1]);
        if (hi < 0 || lo < 0) {
            memset(out, 0, sizeof out);
            return -1;
        }
        out[i] = uint8_t(hi << 4 | lo);
    }
    for (int i = 0; i < n; i += 2) {
        const uint8_t b = out[i];
        out[i] = out[i + 1];
        out[i + 1] = b;
    }
    return n;
}
