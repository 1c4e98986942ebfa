// Any bytes as the digits of one firmware-file record.
#include "upgradehexline.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t out[UpgradeHexLine::FRAME_BYTES];
    const int n = UpgradeHexLine::convert(reinterpret_cast<const char*>(data), size, out);
    if (n > UpgradeHexLine::MAX_BYTES || n == 0 || (n < 0 && n != -1))
        abort();
    // Beyond the record (and the pad byte a swapped odd record fills) everything is zero.
    for (int i = n < 0 ? 0 : n + (n % 2); i < UpgradeHexLine::FRAME_BYTES; ++i)
        if (out[i] != 0)
            abort();
    return 0;
}
