// Any bytes as a stream of received CAN frames for the battery link, under each battery type
// that picks a protocol of its own, then every value read: each valid point of every rack and
// the indices around the ends (every index past the end takes the same refusal).
#include "bmsdecoder.h"
#include "bmshandler.h"
#include "canframe.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static BmsHandler* h = new BmsHandler("can1", 250000, 2000, 1);
    static const int types[] = { 0, 4, 7, 10, 11 };
    if (size < 1)
        return 0;
    h->setting(0, 1001, float(types[data[0] % 5]), 0);
    for (size_t at = 1; at + sizeof(CanFrame) <= size; at += sizeof(CanFrame)) {
        CanFrame f;
        memcpy(&f, data + at, sizeof f);
        h->decoder().dispatch(f);
    }
    for (int r = -1; r <= BmsDecoder::RACKS; ++r)
        for (int i = -1; i <= BmsDecoder::POINTS + 1; ++i) {
            float v = 0;
            h->getAnalog(r, i, &v);
            h->getStatus(r, i);
            h->getAlarm(r, i);
        }
    return 0;
}
