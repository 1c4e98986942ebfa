#include "simframe.h"

#include <stdio.h>

SimFrame SimFrame::j1939(int priority, int pf, int da, int sa)
{
    SimFrame f;
    f.id = (uint32_t(priority & 7) << 26) | (uint32_t(pf & 0xFF) << 16) | (uint32_t(da & 0xFF) << 8) | uint32_t(sa & 0xFF);
    return f;
}

void SimFrame::setWord(int k, int value)
{
    data[2 * k] = uint8_t(value & 0xFF);
    data[2 * k + 1] = uint8_t((value >> 8) & 0xFF);
}

void SimFrame::pack(uint8_t out[WIRE_SIZE]) const
{
    uint32_t word = extended ? (id & 0x1FFFFFFFu) | 0x80000000u : (id & 0x7FFu);
    if (remote)
        word |= 0x40000000u;
    if (error)
        word |= 0x20000000u;
    for (int i = 0; i < 4; ++i)
        out[i] = uint8_t(word >> (8 * i));
    out[4] = length;
    out[5] = out[6] = out[7] = 0;
    for (int i = 0; i < 8; ++i)
        out[8 + i] = data[i];
}

SimFrame SimFrame::unpack(const uint8_t in[WIRE_SIZE])
{
    SimFrame f;
    const uint32_t word = uint32_t(in[0]) | (uint32_t(in[1]) << 8) | (uint32_t(in[2]) << 16) | (uint32_t(in[3]) << 24);
    f.extended = (word & 0x80000000u) != 0;
    f.remote = (word & 0x40000000u) != 0;
    f.error = (word & 0x20000000u) != 0;
    f.id = f.extended ? word & 0x1FFFFFFFu : word & 0x7FFu;
    f.length = in[4];
    for (int i = 0; i < 8; ++i)
        f.data[i] = in[8 + i];
    return f;
}

std::string SimFrame::text() const
{
    char buf[96];
    snprintf(buf, sizeof buf, "%08X [%d] %02X %02X %02X %02X %02X %02X %02X %02X", unsigned(id), length, data[0],
        data[1], data[2], data[3], data[4], data[5], data[6], data[7]);
    return buf;
}
