// Any bytes as a stream of received CAN frames for the battery link, under each battery type
// that picks a protocol of its own, then values read back from every rack (and the link's own
// module): the ends of the point range, the indices the getters treat apart, and indices the
// input's last bytes pick (all 400 of every rack after each input cost many times the decoding).
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
    int indices[16] = { -1, 0, BmsDecoder::POINTS - 1, BmsDecoder::POINTS, BmsHandler::LINK_INDEX,
        BmsHandler::ONLINE, BmsHandler::CHANGED, BmsHandler::NEW_DATA_1, BmsHandler::NEW_DATA_2, 400 };
    int count = 10;
    for (size_t k = 1; k <= 4 && k < size; ++k)
        indices[count++] = data[size - k] % 402 - 1;
    for (int r = -1; r <= BmsDecoder::RACKS; ++r)
        for (int n = 0; n < count; ++n) {
            const int i = indices[n];
            float v = 0;
            h->getAnalog(r, i, &v);
            h->getStatus(r, i);
            h->getAlarm(r, i);
        }
    for (int n = 0; n < count; ++n)
        h->getStatus(BmsHandler::LINK_MODULE, indices[n]);
    return 0;
}
