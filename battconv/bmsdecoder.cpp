#include "bmsdecoder.h"

#include <stdio.h>

namespace {

int length(const CanFrame& f)
{
    return f.dlc > 8 ? 8 : f.dlc;
}

// The identifier word as the kernel has it: bytes 0..3 little-endian.
uint32_t idWord(const CanFrame& f)
{
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&f);
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
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

// Word k: bytes 2k, 2k + 1.
unsigned w(const CanFrame& f, int k)
{
    return le(f, 2 * k);
}

int sw(const CanFrame& f, int k)
{
    return sle(f, 2 * k);
}

unsigned be(const CanFrame& f, int a)
{
    return (unsigned(f.data[a]) << 8) | unsigned(f.data[a + 1]);
}

unsigned t24(const CanFrame& f, int a, int b, int c)
{
    return unsigned(f.data[a]) + 256u * f.data[b] + 65536u * f.data[c];
}

int bit(unsigned v, int n)
{
    return int((v >> n) & 1u);
}

// 3 when the bit is set in the third byte, else 2 in the second, else 1 in the first, else 0.
int level(uint8_t first, uint8_t second, uint8_t third, int n)
{
    if (bit(third, n))
        return 3;
    if (bit(second, n))
        return 2;
    if (bit(first, n))
        return 1;
    return 0;
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
    const uint32_t id = idWord(f);
    if (f.ff && f.pf == 0xF2) {
        if (m_trace)
            printf("BMS   FrameId p=%x pf=%x ps=%x sa=%x data:%x %x %x %x %x %x %x %x\n", unsigned(f.p), unsigned(f.pf),
                unsigned(f.da), unsigned(f.sa), f.data[0], f.data[1], f.data[2], f.data[3], f.data[4], f.data[5],
                f.data[6], f.data[7]);
        return processGeneric(f) ? GENERIC : NONE;
    }
    if (f.da == 0xFF && f.pf >= 80 && f.pf <= 87)
        return process_BmsD(f) ? BMS_D : NONE;
    if (f.da == 0xFF && f.pf >= 110)
        return process_BmsD_2(f) ? BMS_D2 : NONE;
    if (f.da == 0x42 || f.da == 0x73)
        return process_BmsF(f) ? BMS_F : NONE;
    if ((id & 0x1C00FF00u) == 0x18002700u)
        return process_BmsG_2(f) ? BMS_G : NONE;
    if ((id & 0x9CFF00FFu) == 0x941100F1u)
        return process_BmsE_CAN(f) ? BMS_E : NONE;
    if (m_type == 11)
        return process_BmsH(f) ? BMS_H : NONE;
    if (m_type == 4)
        return process_KwBe(f) ? KWBE : NONE;
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

bool BmsDecoder::process_BmsG_2(const CanFrame& f)
{
    if (f.sa < 1 || f.sa > 8)
        return false;
    const int r = f.sa - 1;
    const char* fn = __PRETTY_FUNCTION__;
    const uint8_t* d = f.data;
    switch (f.pf) {
    case 0x10:
        if (!enough(f, 8, fn, f.pf))
            return false;
        setAnalog(r, 0, w(f, 0) * 0.1);
        setAnalog(r, 1, w(f, 1) * 0.1);
        setAnalog(r, 2, w(f, 2) * 0.1);
        setAnalog(r, 3, w(f, 3) * 0.1 - 3200);
        setNewData(r);
        break;
    case 0x11:
        if (!enough(f, 8, fn, f.pf))
            return false;
        setAnalog(r, 4, w(f, 0) * 0.1);
        setAnalog(r, 5, w(f, 1) * 0.1);
        setAnalog(r, 6, d[6]);
        setAnalog(r, 7, d[7]);
        break;
    case 0x12: {
        if (!enough(f, 7, fn, f.pf))
            return false;
        static const int statusBits[6] = { 7, 6, 5, 4, 1, 0 };
        for (int k = 0; k < 6; ++k)
            setStatus(r, 3 + k, bit(d[0], statusBits[k]));
        for (int k = 0; k < 8; ++k)
            setAlarm(r, k, level(d[1], d[3], d[5], 7 - k));
        for (int k = 0; k < 5; ++k)
            setAlarm(r, 8 + k, level(d[2], d[4], d[6], 7 - k));
        break;
    }
    case 0x13:
        if (!enough(f, 6, fn, f.pf))
            return false;
        setAnalog(r, 8, w(f, 0) * 0.001);
        setAnalog(r, 9, w(f, 2) * 0.001);
        break;
    case 0x14:
        if (!enough(f, 4, fn, f.pf))
            return false;
        setAnalog(r, 10, d[0]);
        setAnalog(r, 11, d[3]);
        break;
    case 0x15:
        if (!enough(f, 3, fn, f.pf))
            return false;
        setAnalog(r, 12, int(d[0]) - 40);
        setAnalog(r, 13, int(d[2]) - 40);
        break;
    default:
        break;
    }
    counted(r);
    return true;
}

bool BmsDecoder::process_KwBe(const CanFrame& f)
{
    const int r = 0;
    const char* fn = __PRETTY_FUNCTION__;
    const uint8_t* d = f.data;
    switch (f.sa) {
    case 0x59:
        if (!enough(f, 7, fn, f.sa))
            return false;
        for (int k = 0; k < 4; ++k)
            for (int j = 0; j < 8; ++j)
                setAlarm(r, 8 * k + j, bit(d[k], j));
        setAnalog(r, 0, d[4]);
        setAnalog(r, 1, d[5]);
        setAnalog(r, 2, d[6]);
        break;
    case 0x51:
        if (!enough(f, 6, fn, f.sa))
            return false;
        setAnalog(r, 3, w(f, 0) / 10.0);
        setAnalog(r, 4, sw(f, 1) / 10.0);
        setAnalog(r, 5, sw(f, 2) / 10.0);
        setNewData(r);
        break;
    case 0x55:
        if (!enough(f, 4, fn, f.sa))
            return false;
        setAnalog(r, 6, w(f, 0));
        setAnalog(r, 7, sw(f, 1));
        break;
    case 0x56:
        if (!enough(f, 6, fn, f.sa))
            return false;
        setAnalog(r, 8, w(f, 0) / 100.0);
        setAnalog(r, 9, sw(f, 1) / 10.0);
        setAnalog(r, 10, sw(f, 2) / 10.0);
        break;
    case 0x99:
        if (!enough(f, 5, fn, f.sa))
            return false;
        setAnalog(r, 11, w(f, 0) / 10.0);
        setAlarm(r, 32, bit(d[2], 0));
        setAlarm(r, 33, bit(d[2], 1));
        setAlarm(r, 34, bit(d[4], 0));
        setAlarm(r, 35, bit(d[4], 1));
        break;
    default:
        break;
    }
    counted(r);
    return true;
}

bool BmsDecoder::process_BmsE_CAN(const CanFrame& f)
{
    const int r = 0;
    const char* fn = __PRETTY_FUNCTION__;
    const uint8_t* d = f.data;
    const int ps = f.da;
    switch (ps) {
    case 1:
        if (!enough(f, 8, fn, ps))
            return false;
        setAnalog(r, 0, w(f, 0));
        setAnalog(r, 1, w(f, 1));
        setAnalog(r, 2, w(f, 2) * 0.01);
        setAnalog(r, 3, w(f, 3) * 0.01);
        break;
    case 2:
        if (!enough(f, 8, fn, ps))
            return false;
        setAnalog(r, 4, w(f, 0) * 0.1);
        setAnalog(r, 5, w(f, 1) * 0.1);
        setAnalog(r, 6, d[4]);
        setAnalog(r, 7, d[4] & 3);
        setAnalog(r, 8, bit(d[4], 2));
        setAnalog(r, 9, t24(f, 5, 6, 7));
        setNewData(r);
        break;
    case 3:
        if (!enough(f, 8, fn, ps))
            return false;
        setAnalog(r, 10, w(f, 0) * 0.1);
        setAnalog(r, 11, w(f, 1) * 0.1);
        setAnalog(r, 12, w(f, 2));
        setAnalog(r, 13, d[6] * 0.4);
        setAnalog(r, 14, d[7] * 0.4);
        break;
    case 4:
    case 5:
    case 9: {
        if (!enough(f, 8, fn, ps))
            return false;
        const int first = ps == 4 ? 23 : ps == 5 ? 27 : 39;
        setAnalog(r, first, t24(f, 0, 1, 2));
        setAnalog(r, first + 1, t24(f, 3, 4, 5));
        setAnalog(r, first + 2, d[6]);
        setAnalog(r, first + 3, d[7]);
        break;
    }
    case 6:
        if (!enough(f, 8, fn, ps))
            return false;
        setAnalog(r, 31, t24(f, 0, 1, 2));
        setAnalog(r, 32, t24(f, 3, 4, 5));
        setAnalog(r, 33, w(f, 3) * 0.1 - 40);
        break;
    case 7:
        if (!enough(f, 8, fn, ps))
            return false;
        setAnalog(r, 34, t24(f, 0, 1, 2));
        setAnalog(r, 35, t24(f, 3, 4, 5));
        setAnalog(r, 36, w(f, 3));
        break;
    case 8:
        if (!enough(f, 6, fn, ps))
            return false;
        setAnalog(r, 37, t24(f, 0, 1, 2));
        setAnalog(r, 38, t24(f, 3, 4, 5));
        break;
    case 10:
        if (!enough(f, 8, fn, ps))
            return false;
        setAnalog(r, 15, w(f, 0) * 0.001);
        setAnalog(r, 16, w(f, 1));
        setAnalog(r, 17, w(f, 2) * 0.001);
        setAnalog(r, 18, w(f, 3));
        break;
    case 11:
        if (!enough(f, 8, fn, ps))
            return false;
        setAnalog(r, 19, w(f, 0) * 0.1 - 40);
        setAnalog(r, 20, w(f, 1));
        setAnalog(r, 21, w(f, 2) * 0.1 - 40);
        setAnalog(r, 22, w(f, 3));
        break;
    default:
        break;
    }
    counted(r);
    return true;
}

bool BmsDecoder::process_BmsH(const CanFrame& f)
{
    const int r = int(f.pf) - 12;
    printf("%d,%d\n", r, int(f.pf));
    if (!validRack(r))
        return false;
    const char* fn = __PRETTY_FUNCTION__;
    switch (f.sa) {
    case 0:
        if (!enough(f, 8, fn, f.sa))
            return false;
        setAnalog(r, 0, be(f, 0));
        setAnalog(r, 1, be(f, 2) * 0.1);
        setAnalog(r, 2, be(f, 4) * 0.1);
        setAnalog(r, 3, be(f, 6) * 0.1);
        setNewData(r);
        break;
    case 4:
        if (!enough(f, 6, fn, f.sa))
            return false;
        setAnalog(r, 4, be(f, 0) * 0.1);
        setAnalog(r, 5, be(f, 2));
        setAnalog(r, 6, be(f, 4));
        break;
    default:
        break;
    }
    counted(r);
    return true;
}

bool BmsDecoder::wordRows(const CanFrame& f, int r, const WordRow* rows, int n, const char* fn)
{
    if (!validRack(r))
        return false;
    if (length(f) < 2) {
        printf("%s: frame of %d bytes has no sub-code, dropped\n", fn, length(f));
        return false;
    }
    const unsigned sub = w(f, 0);
    for (int i = 0; i < n; ++i) {
        const WordRow& row = rows[i];
        if (row.sa != f.sa || row.sub != sub)
            continue;
        if (!enough(f, 2 + 2 * row.count, fn, f.sa))
            return false;
        for (int k = 0; k < row.count; ++k) {
            if (row.alarm)
                setAlarm(r, row.first + k, int(w(f, 1 + k)));
            else
                setAnalog(r, row.first + k, w(f, 1 + k));
        }
        if (row.newData)
            setNewData(r);
        break;
    }
    counted(r);
    return true;
}

bool BmsDecoder::process_BmsD(const CanFrame& f)
{
    static const WordRow rows[] = {
        { 0x32, 67, true, 10, 3, false },
        { 0x33, 195, true, 13, 2, false },
        { 0x34, 67, true, 0, 3, false },
        { 0x34, 897, true, 3, 1, false },
        { 0x35, 67, true, 4, 3, false },
        { 0x35, 897, true, 7, 1, false },
        { 0x50, 67, false, 0, 3, false },
        { 0x50, 899, false, 3, 3, false },
        { 0x51, 67, false, 6, 3, false },
        { 0x51, 899, false, 9, 3, false },
        { 0x52, 67, false, 12, 3, false },
        { 0x52, 899, false, 15, 3, false },
        { 0x53, 65, false, 18, 2, false },
        { 0x53, 257, false, 20, 2, false },
        { 0x53, 513, false, 22, 2, false },
        { 0x53, 769, false, 24, 2, false },
        { 0x53, 1025, false, 26, 2, false },
        { 0x53, 1281, false, 28, 2, false },
        { 0x53, 1537, false, 30, 2, false },
        { 0x53, 1793, false, 32, 2, false },
        { 0x53, 2177, false, 34, 2, false },
        { 0x59, 67, false, 36, 3, false },
        { 0x5A, 67, false, 39, 3, true },
        { 0x5A, 897, false, 42, 1, false },
    };
    return wordRows(f, f.pf - 80, rows, int(sizeof rows / sizeof rows[0]), __PRETTY_FUNCTION__);
}

bool BmsDecoder::process_BmsD_2(const CanFrame& f)
{
    static const WordRow rows[] = {
        { 0x32, 67, true, 0, 3, false },
        { 0x34, 67, true, 3, 3, false },
        { 0x34, 899, true, 6, 3, false },
        { 0x35, 67, true, 9, 3, false },
        { 0x35, 897, true, 12, 3, false },
        { 0x36, 67, false, 0, 2, false },
        { 0x50, 67, false, 2, 3, false },
        { 0x50, 771, false, 5, 2, false },
        { 0x50, 1667, false, 7, 3, false },
        { 0x51, 67, false, 10, 3, false },
        { 0x51, 771, false, 13, 3, false },
        { 0x51, 1539, false, 16, 3, false },
        { 0x51, 2307, false, 19, 3, false },
        { 0x51, 3075, false, 22, 3, false },
        { 0x51, 3843, false, 25, 3, false },
        { 0x51, 4739, false, 28, 3, true },
        { 0x53, 65, false, 31, 2, false },
        { 0x53, 257, false, 33, 2, false },
        { 0x53, 513, false, 35, 2, false },
        { 0x53, 897, false, 37, 2, false },
        { 0x5A, 67, false, 39, 3, false },
        { 0x5A, 897, false, 42, 1, false },
    };
    return wordRows(f, 0, rows, int(sizeof rows / sizeof rows[0]), __PRETTY_FUNCTION__);
}

bool BmsDecoder::process_BmsF(const CanFrame& f)
{
    const int hi = f.sa >> 4;
    const int lo = f.sa & 0x0F;
    const bool command = f.da == 0x42;
    const bool inRange = lo <= 8 && (command ? hi >= 1 && hi <= 8 : hi >= 1 && hi <= 2);
    if (!inRange) {
        // Outside the racks' messages: still a sign of life of the system, as rack 0.
        const bool counts = command ? (f.sa <= 0x0F || f.sa >= 0x90) : true;
        if (!counts)
            return false;
        m_racks[0].requested = 1;
        counted(0);
        return true;
    }
    const int r = lo == 0 ? 0 : lo - 1;
    const char* fn = __PRETTY_FUNCTION__;
    const uint8_t* d = f.data;
    const int need = command ? (hi == 8 ? 2 : 8) : 7;
    if (!enough(f, need, fn, (f.da << 8) | f.sa))
        return false;
    if (!command) {
        if (hi == 1) {
            // The four bytes as the battery sent them: the word of a little-endian single.
            const uint32_t raw = uint32_t(d[0]) | (uint32_t(d[1]) << 8) | (uint32_t(d[2]) << 16) | (uint32_t(d[3]) << 24);
            setStatus(r, 8, int32_t(raw));
            const uint32_t v = 65536u * d[5] + 256u * d[4] + 16777216u * d[6];
            setStatus(r, 9, int32_t(v));
        } else {
            setAnalog(r, 25, w(f, 0));
            setAnalog(r, 26, d[2]);
            setAnalog(r, 27, d[3]);
            setAnalog(r, 28, w(f, 2));
            setAnalog(r, 29, d[6]);
        }
    } else {
        switch (hi) {
        case 1:
            setAnalog(r, 0, w(f, 0) * 0.1);
            setAnalog(r, 1, w(f, 1) * 0.1 - 3000);
            setAnalog(r, 2, w(f, 2) * 0.1 - 100);
            setAnalog(r, 3, d[6]);
            setAnalog(r, 4, d[7]);
            break;
        case 2:
            setAnalog(r, 5, w(f, 0) * 0.1);
            setAnalog(r, 6, w(f, 1) * 0.1);
            setAnalog(r, 7, (int(w(f, 2)) - 30000) * 0.1);
            setAnalog(r, 8, (int(w(f, 3)) - 30000) * 0.1);
            setNewData(r);
            break;
        case 3:
        case 6: {
            const int first = hi == 3 ? 9 : 17;
            setAnalog(r, first, w(f, 0) * 0.001);
            setAnalog(r, first + 1, w(f, 1) * 0.001);
            setAnalog(r, first + 2, w(f, 2));
            setAnalog(r, first + 3, w(f, 3));
            break;
        }
        case 4:
        case 7: {
            const int first = hi == 4 ? 13 : 21;
            setAnalog(r, first, w(f, 0) * 0.1 - 100);
            setAnalog(r, first + 1, w(f, 1) * 0.1 - 100);
            setAnalog(r, first + 2, w(f, 2));
            setAnalog(r, first + 3, w(f, 3));
            break;
        }
        case 5: {
            setStatus(r, 3, bit(d[0], 4));
            setStatus(r, 4, bit(d[0], 3));
            setStatus(r, 5, d[0] & 7);
            setAnalog(r, 30, d[1] + 256 * d[2]);
            setAlarm(r, 0, bit(d[3], 7));
            for (int k = 0; k < 6; ++k)
                setAlarm(r, 1 + k, bit(d[3], 5 - k));
            const unsigned fw = le(f, 4);
            const unsigned gw = le(f, 6);
            for (int k = 0; k < 3; ++k) {
                setAlarm(r, 7 + k, bit(fw, 11 - k));
                setAlarm(r, 19 + k, bit(gw, 11 - k));
            }
            setAlarm(r, 10, bit(d[5], 0));
            setAlarm(r, 22, bit(d[7], 0));
            for (int k = 0; k < 8; ++k) {
                setAlarm(r, 11 + k, bit(fw, 7 - k));
                setAlarm(r, 23 + k, bit(gw, 7 - k));
            }
            break;
        }
        case 8:
            setStatus(r, 6, d[0]);
            setStatus(r, 7, d[1]);
            break;
        default:
            break;
        }
    }
    m_racks[r].requested = 1;
    counted(r);
    return true;
}
