#include "localdatatable.h"
#include "devicedata.h"
#include "globalvar.h"
#include "monitorset.h"

#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

namespace {
const char kFile[] = "../log/localdata.dat";
}

int LocalDataTable::period(int hour, int minute)
{
    return 2 * hour + (minute >= 30 ? 1 : 0);
}

bool LocalDataTable::range(int mode, float* min, float* max, QString* hint)
{
    float lo = 0, hi = 0;
    const char* text = "";
    if (mode == MODE_PRICE_A || mode == MODE_PRICE_B) {
        lo = 0.0f;
        hi = 1000.0f;
        text = "(0.0~1000.0)";
    } else if (mode == MODE_POWER && set[59].value == 2) {
        lo = -1500.0f;
        hi = 1500.0f;
        text = "(-1500.0~1500.0)";
    } else if (mode == MODE_POWER) {
        lo = -660.0f;
        hi = 660.0f;
        text = "(-660.0~660.0)";
    } else {
        return false;
    }
    if (min)
        *min = lo;
    if (max)
        *max = hi;
    if (hint)
        *hint = QString::fromLatin1(text);
    return true;
}

int LocalDataTable::store(int mode, int branch, int s, float value)
{
    float lo = 0, hi = 0;
    if (!range(mode, &lo, &hi, nullptr) || s < 0 || s >= PERIODS || !isfinite(value))
        return -1;
    if (value > hi)
        value = hi;
    if (value < lo)
        value = lo;
    if (mode == MODE_PRICE_A) {
        localData[PRICE_A + s] = value;
    } else if (mode == MODE_PRICE_B) {
        localData[PRICE_B + s] = value;
    } else if (set[59].value != 2) {
        localData[s] = value;
    } else if (set[7].value != 0) {
        // A branch past the eighth would land in the price tables.
        if (branch < 1 || branch > BRANCHES)
            return -1;
        localData[PERIODS * branch + s] = value;
    } else {
        const int n = set[23].value > BRANCHES ? int(BRANCHES) : set[23].value;
        for (int k = 1; k <= n; ++k)
            localData[PERIODS * k + s] = value;
    }
    return 0;
}

int LocalDataTable::saveLocaldata()
{
    unsigned char image[BYTES];
    for (int i = 0; i < WORDS; ++i) {
        uint32_t bits;
        memcpy(&bits, &localData[i], sizeof bits);
        for (int b = 0; b < 4; ++b)
            image[4 * i + b] = uint8_t(bits >> (8 * b));
    }
    const int fd = ::open(kFile, O_RDWR | O_CREAT | O_DSYNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        printf("saveLocaldata cannot open %s: %s\n", kFile, strerror(errno));
        return -1;
    }
    size_t done = 0;
    while (done < sizeof image) {
        const ssize_t n = ::pwrite(fd, image + done, sizeof image - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            printf("saveLocaldata cannot write %s: %s\n", kFile, n < 0 ? strerror(errno) : "no space");
            ::close(fd);
            return -1;
        }
        done += size_t(n);
    }
    if (::close(fd) != 0) {
        printf("saveLocaldata cannot close %s: %s\n", kFile, strerror(errno));
        return -1;
    }
    return 0;
}

int LocalDataTable::checkLoaded()
{
    struct Part {
        int first, count;
        float lo, hi;
        const char* what;
    };
    const Part parts[] = {
        { 0, PERIODS, -660.0f, 660.0f, "AC set-point" },
        { PERIODS, PERIODS * BRANCHES, -1500.0f, 1500.0f, "branch set-point" },
        { PRICE_A, PERIODS, 0.0f, 1000.0f, "price A" },
        { PRICE_B, PERIODS, 0.0f, 1000.0f, "price B" },
    };
    int replaced = 0;
    for (const Part& p : parts) {
        for (int i = p.first; i < p.first + p.count; ++i) {
            const float v = localData[i];
            if (isfinite(v) && v >= p.lo && v <= p.hi)
                continue;
            printf("LocalDataTable::checkLoaded word %d (%s) %g out of range, 0 taken\n", i, p.what, double(v));
            localData[i] = 0.0f;
            ++replaced;
        }
    }
    return replaced;
}

void LocalDataTable::sendPrices(DeviceData* acdc)
{
    if (!acdc)
        return;
    for (int n = 0; n < PERIODS; ++n) {
        acdc->setting(0, 10000 + n, localData[PRICE_A + n], 0);
        acdc->setting(0, 10050 + n, localData[PRICE_B + n], 0);
    }
}
