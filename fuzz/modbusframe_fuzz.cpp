// Any bytes as the reply to a request built from the first bytes, then every decode.
#include "modbusframe.h"

#include <stddef.h>
#include <stdint.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    static const int codes[] = { 1, 2, 3, 4, 5, 6, 16, 15 };
    cp::ModbusFrame f(true);
    f.setNode(data[0]);
    f.setFun(codes[data[1] % 8], true);
    f.setNr(data[2]);
    f.setCrc(data[3] & 1);
    if (f.parse(data + 4, (int)size - 4) != 0)
        return 0;
    char out[16];
    for (int offset = -1; offset < f.getLength() + 2; ++offset) {
        for (int type = -1; type <= 12; ++type)
            for (int bit = -1; bit <= 8; bit += 3)
                f.getInfoData(offset, type, bit);
        f.getInfoData(offset, out, (int)sizeof out);
    }
    return 0;
}
