// Any bytes as the energy image "AcData.log" and its year map: byte 0 is a flag, the next 64
// bytes are the year map, the last four a date to add at, the bytes between the image. The year
// map is read for every input; the image only when bits 1 and 2 of the flag are set (bit 0 then
// stretches it with zeros to its full size, which a short input never reaches; bits 3 and 4 ask
// for the sums over all years and over a year): its 2.2 MB pass
// through memory each time, and the image's bytes are taken whole or set aside, never parsed,
// so the map and the dates are what inputs vary. Every read answers inside the tables, adding
// stays inside them, and a save writes no more than the image and what lay past it (a save of
// its own after each input whose image was read; a year claimed saves too).
//
// Saves go through the image's write seam, which counts the bytes instead of writing them: the
// file is renamed into place as always, only its 2.2 MB are not copied for every input.
#include "energyimage.h"
#include "fuzzdir.h"

#include <string.h>

struct EnergyImageProbe {
    static void loadYears(EnergyImage& e) { e.loadYears(); }
};

namespace {
size_t g_written = 0;

ssize_t countWrite(int, const void*, size_t len)
{
    g_written += len;
    return ssize_t(len);
}

// A year of the table from a byte: one the slots hold, one before the table or one ahead of it.
int pickYear(const EnergyImage& e, uint8_t b)
{
    if (b < 160)
        return e.yearOf(b % EnergyImage::YEARS);
    return EnergyImage::FIRST_YEAR - 2 + (b - 160) / 2;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = fuzzTree();
    if (size < 1)
        return 0;
    const uint8_t flag = data[0];
    const bool stretch = flag & 1;
    const bool image = (flag & 6) == 6;
    ++data;
    --size;
    const size_t yearBytes = size < 64 ? size : 64;
    const std::string imagePath = root + "/log/AcData.log";
    putFile(root + "/log/AcData.year", data, yearBytes);
    // Made once: the image is 2.2 MB.
    static EnergyImage* e = nullptr;
    if (!e) {
        EnergyImage::setWrite(countWrite);
        e = new EnergyImage("../log/AcData.log", "../log/AcData.year");
    }
    g_written = 0;
    if (image) {
        // A short image is set aside under a new name each time; older ones would only make
        // the search for a free name longer.
        emptyDir(root + "/log");
        putFile(root + "/log/AcData.year", data, yearBytes);
        putFile(imagePath, data + yearBytes, size - yearBytes);
        if (stretch && size - yearBytes < size_t(EnergyImage::SIZE)
            && truncate(imagePath.c_str(), EnergyImage::SIZE) != 0)
            abort();
        e->load();
    } else {
        // A save needs the image file in place.
        putFile(imagePath, nullptr, 0);
        EnergyImageProbe::loadYears(*e);
    }
    for (int k = 0; k < EnergyImage::YEARS; ++k)
        if (e->slotOf(e->yearOf(k)) != k)
            abort();
    const uint8_t* last = data + size - (size < 4 ? size : 4);
    const uint8_t b0 = size > 0 ? last[0] : 0, b1 = size > 1 ? last[1] : 0, b2 = size > 2 ? last[2] : 0,
                  b3 = size > 3 ? last[3] : 0;
    float v;
    const int year = pickYear(*e, b0);
    // Month, day and half-hour from 0 (the whole of the next larger unit) to one past the end.
    // Month 0 of a half-hour table sums a year, 17856 values one after another: once an input
    // (the three tables share the sum), and only for inputs whose flag has bit 4, or those sums
    // were a third of all the time.
    auto month = [flag](uint8_t b, bool sumsYear) {
        return b % 14 == 0 && !(sumsYear && (flag & 16)) ? 1 : b % 14;
    };
    e->getCharge(year, month(b1, true), b2 % 34, b3 % 50, &v);
    e->getDischarge(year, month(b1, false), b2 % 34, b3 % 50, &v);
    e->getMoney(year, month(b2, false), b3 % 34, b1 % 50, &v);
    e->getDayDischarge(year, b3 % 14, b1 % 34, &v);
    e->getCharge(year, 13, 1, 1, &v);
    e->getDayDischarge(year, -1, 1, &v);
    // Year 0 sums all ten years: the day table's 3840 values, not a half-hour table's 184320
    // (the same loop, a fiftieth of the time); for the inputs whose flag has bit 3, or it was a
    // quarter of every input's time.
    if (flag & 8)
        e->getDayDischarge(0, 0, 0, &v);

    struct tm t;
    memset(&t, 0, sizeof t);
    t.tm_year = b0 + 100;
    t.tm_mon = b1 % 13;
    t.tm_mday = b2 % 33;
    t.tm_hour = b3 % 25;
    t.tm_min = b3 & 0x80 ? 30 : 0;
    e->addHalfHour(t, 1.0f, 2.0f);
    e->addDayDischarge(t, 3.0f);
    for (int k = 0; k < EnergyImage::YEARS; ++k)
        if (e->slotOf(e->yearOf(k)) != k)
            abort();
    // A save's bytes do not depend on the input, only on the file it replaces: once an input
    // whose image was read.
    if (image)
        e->writeData();
    // Each save writes the image and the bytes past it, here none: at most three saves (a
    // short image replaced, a year claimed, then this one).
    if (g_written > 3 * size_t(EnergyImage::SIZE))
        abort();
    return 0;
}
