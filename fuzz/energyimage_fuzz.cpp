// Any bytes as the energy image "AcData.log" and its year map: byte 0 is a flag (odd stretches
// the image with zeros to its full size, which a short input never reaches), the next 64 are the
// year map, the rest the image. Loading never reads past the image, every read answers, adding
// and saving stay inside.
#include "energyimage.h"
#include "fuzzdir.h"

#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = fuzzTree();
    if (size < 1)
        return 0;
    const bool stretch = data[0] & 1;
    ++data;
    --size;
    const size_t yearBytes = size < 64 ? size : 64;
    const std::string image = root + "/log/AcData.log";
    putFile(root + "/log/AcData.year", data, yearBytes);
    putFile(image, data + yearBytes, size - yearBytes);
    if (stretch && size - yearBytes < size_t(EnergyImage::SIZE)
        && truncate(image.c_str(), EnergyImage::SIZE) != 0)
        abort();
    // Made once: the image is 2 MB.
    static EnergyImage* e = new EnergyImage("../log/AcData.log", "../log/AcData.year");
    e->load();
    float v;
    for (int k = 0; k < EnergyImage::YEARS; ++k) {
        const int year = e->yearOf(k);
        if (e->slotOf(year) != k)
            abort();
        e->getCharge(year, 0, 0, 0, &v);
        e->getDischarge(year, 2, 0, 0, &v);
        e->getMoney(year, 12, 31, 48, &v);
        e->getDayDischarge(year, 1, 32, &v);
    }
    e->getCharge(0, 0, 0, 0, &v);
    struct tm t;
    memset(&t, 0, sizeof t);
    const uint8_t* last = data + size - (size < 4 ? size : 4);
    t.tm_year = (size > 0 ? last[0] : 0) + 100;
    t.tm_mon = size > 1 ? last[1] % 13 : 0;
    t.tm_mday = size > 2 ? last[2] % 33 : 1;
    t.tm_hour = size > 3 ? last[3] % 25 : 0;
    e->addHalfHour(t, 1.0f, 2.0f);
    e->addDayDischarge(t, 3.0f);
    e->writeData();
    if (fileSize(image) > (long(size) > EnergyImage::SIZE ? long(size) : long(EnergyImage::SIZE)))
        abort();
    return 0;
}
