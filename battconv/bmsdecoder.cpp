#include "bmsdecoder.h"

#include <stdio.h>

namespace {

int length(const CanFrame& f)
{
    return f.dlc > 8 ? 8 : f.dlc;
}

// Little-endian word of bytes a, a + 1.
unsigned le(const CanFrame& f, int a)
{
    return unsigned(f.data[a]) | (unsigned(f.data[a + 1]) << 8);
}

int sle(const CanFrame& f, int a)
{
    return int16_t(uint16_t(le(f, a)));
}

// The message uses bytes 0..need-1; a shorter frame carries no values.
bool enough(const CanFrame& f, int need, const char* fn, int message)
{
    if (length(f) >= need)
        return true;
    printf("%s: message 0x%x of %d bytes needs %d, dropped\n", fn, unsigned(message), length(f), need);
    return false;
}

} // namespace

BmsDecoder::BmsDecoder()
    : m_link(1), m_type(0), m_trace(false)
{
    for (Rack& r : m_racks) {
        for (int i = 0; i < POINTS; ++i) {
            r.analog[i] = 0.0f;
            r.status[i] = 0;
            r.alarm[i] = 0;
        }
        r.online = 1;
        r.frames = 0;
        r.requested = 0;
        r.newData[0] = 0;
        r.newData[1] = 0;
    }
}

void BmsDecoder::init_BMS_Status(int type)
{
    m_type = type;
    for (int r = 0; r < RACKS; ++r) {
        if (type == 10) {
            setAnalog(r, 7, 1.0);
            setAnalog(r, 8, 1.0);
        } else {
            setAnalog(r, 39, -0.1);
            setAnalog(r, 40, -0.1);
            setStatus(r, 1, 1);
            setStatus(r, 2, 1);
        }
    }
}

void BmsDecoder::counted(int r)
{
    if (!validRack(r))
        return;
    m_link = 1;
    m_racks[r].alarm[COMM_ALARM] = 0;
    m_racks[r].frames.fetch_add(1);
}

void BmsDecoder::setAnalog(int r, int i, double v)
{
    if (validRack(r) && validPoint(i))
        m_racks[r].analog[i] = float(v);
}

void BmsDecoder::setStatus(int r, int i, int v)
{
    if (validRack(r) && validPoint(i))
        m_racks[r].status[i] = v;
}

void BmsDecoder::setAlarm(int r, int i, int v)
{
    if (validRack(r) && validPoint(i))
        m_racks[r].alarm[i] = v;
}

void BmsDecoder::setNewData(int r)
{
    if (!validRack(r))
        return;
    m_racks[r].newData[0] = 1;
    m_racks[r].newData[1] = 1;
}

BmsDecoder::Protocol BmsDecoder::dispatch(const CanFrame& f)
{
    if (f.ff && f.pf == 0xF2) {
        if (m_trace)
            printf("BMS   FrameId p=%x pf=%x ps=%x sa=%x data:%x %x %x %x %x %x %x %x\n", unsigned(f.p), unsigned(f.pf),
                unsigned(f.da), unsigned(f.sa), f.data[0], f.data[1], f.data[2], f.data[3], f.data[4], f.data[5],
                f.data[6], f.data[7]);
        return processGeneric(f) ? GENERIC : NONE;
    }
    return NONE;
}

bool BmsDecoder::processGeneric(const CanFrame& f)
{
    if (f.sa < 0x91 || f.sa > 0x98)
        return false;
    const int r = f.sa - 0x91;
    const char* fn = __PRETTY_FUNCTION__;
    switch (f.da) {
    case 0x12:
        if (!enough(f, 8, fn, f.da))
            return false;
        setAnalog(r, 0, f.data[0] * 0.004);
        setAnalog(r, 1, le(f, 1) * 0.1);
        setAnalog(r, 2, (int(f.data[3]) + 256 * int(f.data[4]) - 32000) * 0.1);
        setAnalog(r, 3, le(f, 5) * 0.01);
        setStatus(r, 0, f.data[7]);
        break;
    case 0x37:
        if (!enough(f, 8, fn, f.da))
            return false;
        setAnalog(r, 4, le(f, 0) / 10.0);
        setAnalog(r, 5, sle(f, 2) / 10.0 - 600);
        setAnalog(r, 6, sle(f, 4) / 10.0 - 600);
        setAnalog(r, 7, sle(f, 6) / 10.0 - 600);
        setNewData(r);
        break;
    case 0x38:
        if (!enough(f, 8, fn, f.da))
            return false;
        setAnalog(r, 8, le(f, 0) / 10.0);
        setAnalog(r, 9, sle(f, 2) / 10.0 - 1000);
        for (int k = 0; k < 4; ++k)
            setStatus(r, 1 + k, f.data[4 + k]);
        break;
    case 0x16:
        if (!enough(f, 2, fn, f.da))
            return false;
        setStatus(r, 5, f.data[0]);
        setStatus(r, 6, f.data[1] & 1);
        setStatus(r, 7, f.data[1] & 2);
        setStatus(r, 8, f.data[1] & 4);
        setStatus(r, 9, f.data[1] & 8);
        break;
    case 0x33:
        if (!enough(f, 8, fn, f.da))
            return false;
        setAnalog(r, 10, sle(f, 0) / 1000.0);
        setAnalog(r, 11, sle(f, 2) / 1000.0);
        for (int k = 0; k < 4; ++k)
            setAnalog(r, 12 + k, f.data[4 + k]);
        break;
    case 0x34:
        if (!enough(f, 6, fn, f.da))
            return false;
        setAnalog(r, 16, int(f.data[0]) - 40);
        setAnalog(r, 17, int(f.data[1]) - 40);
        for (int k = 0; k < 4; ++k)
            setAnalog(r, 18 + k, f.data[2 + k]);
        break;
    case 0x35:
        if (!enough(f, 8, fn, f.da))
            return false;
        for (int k = 0; k < 8; ++k) {
            setAlarm(r, 2 * k, f.data[k] & 0x0F);
            setAlarm(r, 2 * k + 1, f.data[k] >> 4);
        }
        break;
    case 0x36:
        if (!enough(f, 1, fn, f.da))
            return false;
        setAlarm(r, 16, f.data[0] & 0x0F);
        setAlarm(r, 17, f.data[0] >> 4);
        break;
    default:
        break;
    }
    counted(r);
    return true;
}
