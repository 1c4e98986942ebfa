#include "modbusframe.h"

#include "modbusconstants.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace cp {

namespace {

const int kBufferSize = ModbusConstants::FRAME_BUFFER_SIZE;

void put16(unsigned char* p, int v)
{
    p[0] = (unsigned char)((v >> 8) & 0xFF);
    p[1] = (unsigned char)(v & 0xFF);
}

unsigned get16(const unsigned char* p)
{
    return (unsigned)p[0] << 8 | p[1];
}

uint32_t get32(const unsigned char* p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

bool isReplyCode(int fc)
{
    return (fc >= 1 && fc <= 6) || fc == 16;
}

}

ModbusFrame::ModbusFrame(bool request)
    : m_length(0), m_cursor(DATA_AREA), m_request(request), m_crcOrder(0), m_node(0), m_fun(0), m_id(0),
      m_count(0), m_bytes(0), m_value(0), m_error(0), m_trace(false)
{
    memset(m_buffer, 0, sizeof m_buffer);
}

int ModbusFrame::clearBuffer()
{
    memset(m_buffer, 0, sizeof m_buffer);
    m_length = 0;
    m_cursor = DATA_AREA;
    return 0;
}

int ModbusFrame::typeSize(int type)
{
    switch (type) {
    case 1: case 4: case 7:
        return 1;
    case 0: case 5: case 6: case 8: case 11:
        return 2;
    case 2: case 3: case 9: case 10:
        return 4;
    default:
        return 0;
    }
}

int ModbusFrame::appendCrc(int at)
{
    int crc = ModbusConstants::getCheckSum(m_buffer, at, m_crcOrder);
    put16(m_buffer + at, crc);
    return at + 2;
}

unsigned char* ModbusFrame::getBuffer()
{
    return m_request ? buildRequest() : buildResponse();
}

unsigned char* ModbusFrame::buildRequest()
{
    m_length = 0;
    m_buffer[0] = (unsigned char)m_node;
    m_buffer[1] = (unsigned char)m_fun;
    int n = m_cursor - DATA_AREA;
    if (m_cursor >= DATA_AREA + DATA_AREA_SIZE)
        return nullptr;
    int at = 2;
    switch (m_fun) {
    case 1: case 2: case 3: case 4:
        put16(m_buffer + 2, m_id);
        put16(m_buffer + 4, m_count);
        at = 6;
        break;
    case 5: case 6:
        put16(m_buffer + 2, m_id);
        put16(m_buffer + 4, m_value);
        at = 6;
        break;
    case 16:
        put16(m_buffer + 2, m_id);
        put16(m_buffer + 4, m_count);
        m_buffer[6] = (unsigned char)m_bytes;
        memcpy(m_buffer + 7, m_buffer + DATA_AREA, n);
        at = 7 + n;
        break;
    default:
        return nullptr;
    }
    m_length = appendCrc(at);
    return m_buffer;
}

unsigned char* ModbusFrame::buildResponse()
{
    m_length = 0;
    m_buffer[0] = (unsigned char)m_node;
    m_buffer[1] = (unsigned char)m_fun;
    int n = m_cursor - DATA_AREA;
    if (m_cursor >= DATA_AREA + DATA_AREA_SIZE)
        return nullptr;
    int at = 2;
    if (m_fun & 0x80) {
        m_buffer[2] = (unsigned char)m_error;
        at = 3;
    } else if (m_fun == 3 || m_fun == 4) {
        m_buffer[2] = (unsigned char)n;
        memcpy(m_buffer + 3, m_buffer + DATA_AREA, n);
        at = 3 + n;
    } else if (m_fun == 5 || m_fun == 6) {
        put16(m_buffer + 2, m_id);
        put16(m_buffer + 4, m_value);
        at = 6;
    } else if (m_fun == 16) {
        put16(m_buffer + 2, m_id);
        put16(m_buffer + 4, m_count);
        at = 6;
    }
    m_length = appendCrc(at);
    return m_buffer;
}

int ModbusFrame::parse(const unsigned char* data, int len)
{
    if (!data || len < 4 || len > kBufferSize)
        return -1;
    return m_request ? parseReply(data, len) : parseRequest(data, len);
}

int ModbusFrame::parseReply(const unsigned char* data, int len)
{
    clearBuffer();
    m_error = 0;
    const unsigned char node = (unsigned char)m_node;
    int i = 0;
    while (i + 1 < len) {
        if (data[i] != node) {
            ++i;
            continue;
        }
        int fc = data[i + 1];
        // Only a reply to this request counts: a late echo of an earlier write must not be
        // taken as the answer to a read.
        if (!isReplyCode(fc) || fc != m_fun) {
            ++i;
            continue;
        }
        if (fc <= 4) {
            int expected = fc <= 2 ? (m_count + 7) / 8 : 2 * m_count;
            if (i + 2 >= len) {
                i += 2;
                continue;
            }
            int bc = data[i + 2];
            if (bc != expected || i + 3 + bc + 2 > len) {
                i += 2;
                continue;
            }
            int crc = ModbusConstants::getCheckSum(data + i, 3 + bc, m_crcOrder);
            if (crc != (int)get16(data + i + 3 + bc)) {
                i += 2;
                continue;
            }
            memcpy(m_buffer, data + i, 5 + bc);
            m_length = 5 + bc;
            m_count = bc;
            return 0;
        }
        if (i + 8 > len) {
            i += 2;
            continue;
        }
        // A write-multiple reply is taken in the standard order whatever the flag.
        int order = fc == 16 ? 1 : m_crcOrder;
        int crc = ModbusConstants::getCheckSum(data + i, 6, order);
        if (crc != (int)get16(data + i + 6)) {
            i += 2;
            continue;
        }
        memcpy(m_buffer, data + i, 8);
        m_length = 8;
        m_id = (int)get16(data + i + 2);
        if (fc == 16)
            m_count = (int)get16(data + i + 4);
        else
            m_value = (int)get16(data + i + 4);
        return 0;
    }
    return -3;
}

int ModbusFrame::parseRequest(const unsigned char* data, int len)
{
    clearBuffer();
    if (len < 8)
        return -5;
    m_node = data[0];
    m_fun = data[1];
    m_id = (int)get16(data + 2);
    if (m_fun == 5 || m_fun == 6) {
        m_value = (int)get16(data + 4);
    } else {
        m_count = (int)get16(data + 4);
    }
    int total = 8;
    if (m_fun == 16) {
        m_bytes = data[6];
        total = 7 + m_bytes + 2;
        if (total > len)
            return -5;
        memcpy(m_buffer + DATA_AREA, data + 7, m_bytes);
        m_cursor = DATA_AREA + m_bytes;
    }
    memcpy(m_buffer, data, total);
    m_length = total;
    return 0;
}

float ModbusFrame::getInfoData(int offset, int type, int bit)
{
    int size = typeSize(type);
    if (size == 0 || bit >= 8 || offset < 2 || offset + size > m_length - 2)
        return 0.0f;
    const unsigned char* p = m_buffer + offset;
    switch (type) {
    case 0: case 5:
        return (float)(int16_t)get16(p);
    case 1:
        return bit < 0 ? 0.0f : (float)((p[0] >> bit) & 1);
    case 2:
        return (float)(int32_t)get32(p);
    case 3: {
        uint32_t u = get32(p);
        float f;
        memcpy(&f, &u, 4);
        return f;
    }
    case 4:
        return (float)p[0];
    case 6: {
        unsigned w = get16(p);
        return w == 0xFFFF ? -10000.0f : (float)w;
    }
    case 7:
        return bit < 0 ? 0.0f : (float)((p[0] >> bit) & 3);
    case 8:
        return (float)get16(p);
    case 9:
        return (float)(int32_t)((uint32_t)get16(p + 2) << 16 | get16(p));
    case 10: {
        uint32_t u = (uint32_t)get16(p + 2) << 16 | get16(p);
        float f;
        memcpy(&f, &u, 4);
        return f;
    }
    case 11: {
        int var = (p[0] & 0xF0) == 0xF0 ? -(int)(get16(p) & 0x0FFF) : (int)get16(p);
        if (m_trace)
            printf("var=%d \n", var);
        return (float)var;
    }
    }
    return 0.0f;
}

int ModbusFrame::getInfoData(int offset, char* out, int n)
{
    if (!out || n < 1)
        return 0;
    memset(out, 0, n);
    if (offset < 2 || offset + n > m_length - 2)
        return 0;
    memcpy(out, m_buffer + offset, n);
    return 1;
}

int ModbusFrame::addInfoData(float value, int type)
{
    int size = type == 1 ? 0 : typeSize(type);
    if (type < 0 || (type > 4 && type != 11) || size == 0)
        return 0;
    if (!std::isfinite(value) || m_cursor + size > kBufferSize)
        return -1;
    unsigned char* p = m_buffer + m_cursor;
    double v = value;
    switch (type) {
    case 0:
        if (v <= -32769.0 || v >= 65536.0)
            return -1;
        put16(p, (int)v);
        break;
    case 2: {
        if (v <= -2147483649.0 || v >= 2147483648.0)
            return -1;
        uint32_t u = (uint32_t)(int32_t)v;
        put16(p, (int)(u >> 16));
        put16(p + 2, (int)(u & 0xFFFF));
        break;
    }
    case 3: {
        uint32_t u;
        memcpy(&u, &value, 4);
        put16(p, (int)(u >> 16));
        put16(p + 2, (int)(u & 0xFFFF));
        break;
    }
    case 4:
        if (v <= -1.0 || v >= 256.0)
            return -1;
        p[0] = (unsigned char)(unsigned)v;
        break;
    case 11: {
        // Sign and magnitude: 12 bits of magnitude below zero; a positive word must keep its
        // top nibble clear or it would read back as negative.
        if (v >= 0) {
            int x = v >= 61439.0 ? 0xEFFF : (int)v;
            put16(p, x);
        } else {
            int m = v <= -4095.0 ? 0xFFF : (int)-v;
            p[0] = (unsigned char)(0xF0 | (m >> 8));
            p[1] = (unsigned char)(m & 0xFF);
        }
        break;
    }
    }
    m_cursor += size;
    return 0;
}

int ModbusFrame::addInfoData(unsigned char* data, int n)
{
    if (!data || n < 1)
        return 0;
    if (m_cursor + n > kBufferSize)
        return -1;
    memcpy(m_buffer + m_cursor, data, n);
    m_cursor += n;
    return 0;
}

}
