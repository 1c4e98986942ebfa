#ifndef FAULTWAVERING_H
#define FAULTWAVERING_H

#include <stdint.h>

// Local time of a capture, as the waveform records hold it.
struct Time {
    uint16_t year;    // e.g. 2019
    uint16_t month;   // 1 to 12
    uint8_t day;
    uint8_t hour;
    uint8_t minute;
    uint8_t second;
};

// One fault waveform: the time, the module and 17 snapshots of 100 values; what each snapshot
// holds is its writer's business. 6812 bytes, little-endian, no padding.
struct FaultRealDataLog {
    Time time;
    int32_t module;
    float snapshots[17][100];
};

static_assert(sizeof(Time) == 8, "time fields are 8 bytes");
static_assert(sizeof(FaultRealDataLog) == 6812, "a waveform record is 6812 bytes");

// A ring of at most 101 waveform records behind a 16-bit next-slot word: slot k lies at
// byte 2 + 6812 k. A slot never written lies beyond the end of the file.
class FaultWaveRing {
public:
    enum { SLOTS = 101, RECORD_SIZE = 6812 };

    explicit FaultWaveRing(const char* path);

    // Appends one record; the next-slot word moves on only when the whole record was written.
    // The result of closing the file: 0, or -1 when it could not be opened or closed.
    int writeFaultRealData(const FaultRealDataLog* record);

    // The local time now.
    static void get_time(Time* out);

private:
    char path[128];
};

#endif
