#include "upgradehexline.h"

#include <stdio.h>
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

int UpgradeHexLine::check(const char* digits, size_t len)
{
    uint8_t raw[FRAME_BYTES];
    const int n = convert(digits, len, raw);
    // Byte count, two address bytes, type, data, checksum.
    if (n < 5)
        return -1;
    // convert() swapped the bytes of each word; the sums and fields are of the record as written.
    uint8_t b[FRAME_BYTES];
    for (int i = 0; i < n; ++i)
        b[i] = raw[i ^ 1];
    if (b[0] + 5 != n)
        return -1;
    unsigned sum = 0;
    for (int i = 0; i < n; ++i)
        sum += b[i];
    if ((sum & 0xFF) != 0)
        return -1;
    return b[3];
}

int UpgradeHexLine::checkFile(const char* path)
{
    FILE* fp = path ? fopen(path, "r") : nullptr;
    if (!fp)
        return -1;
    const int r = checkStream(fp);
    fclose(fp);
    return r;
}

int UpgradeHexLine::checkStream(FILE* fp)
{
    if (!fp)
        return -1;
    // Room for the longest record and a "\r\n"; a file of one endless line is refused after
    // these few bytes instead of being held in memory whole.
    char line[LINE_CHARS + 2];
    size_t len = 0;
    int lineNo = 0;
    int bad = 0;
    bool ended = false;
    for (;;) {
        const int ch = getc(fp);
        if (ch != EOF && ch != '\n') {
            if (len == sizeof line) {
                bad = lineNo + 1;
                break;
            }
            line[len++] = char(ch);
            continue;
        }
        if (ch == EOF && len == 0)
            break;
        ++lineNo;
        while (len > 0 && line[len - 1] == '\r')
            --len;
        const size_t n = len;
        len = 0;
        if (n > LINE_CHARS) {
            bad = lineNo;
            break;
        }
        if (n > 0 && line[0] == ':') {
            const int type = check(line + 1, n - 1);
            // Nothing may follow the end record: a second file run on, or a cut-and-pasted one.
            if (type < 0 || ended || (type == 1 && n - 1 != 10)) {
                bad = lineNo;
                break;
            }
            if (type == 1)
                ended = true;
        }
        if (ch == EOF)
            break;
    }
    if (ferror(fp) != 0)
        return -1;
    if (bad)
        return bad;
    return ended ? 0 : lineNo + 1;
}
