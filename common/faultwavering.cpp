#include "faultwavering.h"
#include "syspath.h"
#include "timeseam.h"

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

// Records are written as they lie in memory; the board and this host are both little-endian.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the ring is little-endian");

FaultWaveRing::FaultWaveRing(const char* p)
{
    memset(path, 0, sizeof path);
    if (p)
        strncpy(path, p, sizeof path - 1);
}

int FaultWaveRing::writeFaultRealData(const FaultRealDataLog* record)
{
    if (!record)
        return -1;
    int fd = ::open(SysPath::resolve(path).c_str(), O_RDWR | O_CREAT | O_SYNC, 0644);
    if (fd < 0) {
        printf("FaultWaveRing::writeFaultRealData cannot open %s\n", path);
        return -1;
    }
    if (lseek(fd, 0, SEEK_END) <= 0) {
        unsigned char zero[2] = { 0, 0 };
        if (pwrite(fd, zero, 2, 0) != 2)
            printf("FaultWaveRing::writeFaultRealData cannot start %s\n", path);
    }
    unsigned char word[2] = { 0, 0 };
    unsigned n = 0;
    if (pread(fd, word, 2, 0) == 2)
        n = unsigned(word[0]) | unsigned(word[1]) << 8;
    // A damaged word must not send the record past the ring.
    if (n >= SLOTS)
        n = 0;
    ssize_t w = pwrite(fd, record, RECORD_SIZE, off_t(2) + off_t(RECORD_SIZE) * n);
    if (w == RECORD_SIZE) {
        n = (n + 1) % SLOTS;
        word[0] = (unsigned char)(n & 0xFF);
        word[1] = (unsigned char)(n >> 8);
        if (pwrite(fd, word, 2, 0) != 2)
            printf("FaultWaveRing::writeFaultRealData cannot advance %s\n", path);
    }
    return ::close(fd) == 0 ? 0 : -1;
}

void FaultWaveRing::get_time(Time* out)
{
    if (!out)
        return;
    memset(out, 0, sizeof *out);
    time_t now = TimeSeam::wallTime();
    struct tm t;
    if (!localtime_r(&now, &t))
        return;
    out->year = uint16_t(t.tm_year + 1900);
    out->month = uint16_t(t.tm_mon + 1);
    out->day = uint8_t(t.tm_mday);
    out->hour = uint8_t(t.tm_hour);
    out->minute = uint8_t(t.tm_min);
    out->second = uint8_t(t.tm_sec);
}
