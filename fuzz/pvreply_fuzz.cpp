// Any bytes as what the PV inverter sends back over TCP: the first byte sets the size of the
// pieces the bytes arrive in, the rest is the stream. The answer is gathered as the control
// thread gathers it (until the length field is satisfied or the buffer is full), then read as
// a measurement answer and as a state answer from a buffer of exactly its length, so that a
// read past what arrived is caught.
#include "pvreply.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t piece = data[0] % 64 + 1;
    ++data;
    --size;
    unsigned char gathered[1000];
    memset(gathered, 0, sizeof gathered);
    int have = 0;
    size_t at = 0;
    while (have < int(sizeof gathered) && at < size) {
        if (PvReply::complete(gathered, have))
            break;
        size_t n = piece;
        if (n > size - at)
            n = size - at;
        if (n > sizeof gathered - size_t(have))
            n = sizeof gathered - size_t(have);
        memcpy(gathered + have, data + at, n);
        have += int(n);
        at += n;
    }
    unsigned char* exact = new unsigned char[have];
    memcpy(exact, gathered, size_t(have));
    float values[PvReply::VALUES];
    for (float& v : values)
        v = -12345.0f;
    if (PvReply::measurements(exact, have, values)) {
        for (int k = 0; k < PvReply::REGISTERS; ++k)
            if (!(values[k] >= -32768.0f && values[k] <= 32767.0f))
                abort();
        if (values[PvReply::LIMIT] != values[26] / 10 || values[PvReply::POWER] != values[31] / 10 - 1680)
            abort();
    } else if (values[0] != -12345.0f || values[PvReply::LIMIT] != -12345.0f) {
        abort();
    }
    for (float& v : values)
        v = -12345.0f;
    if (PvReply::state(exact, have, values)) {
        if (values[PvReply::RUNNING] != float(exact[26] & 1) || values[PvReply::HOLD_BIT] != float(exact[26] & 2))
            abort();
    } else if (values[PvReply::RUNNING] != -12345.0f) {
        abort();
    }
    delete[] exact;
    return 0;
}
