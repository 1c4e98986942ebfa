#include "energyimage.h"
#include "atomicfile.h"
#include "syspath.h"
#include "timeseam.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

// The image is written as it lies in memory; the board and this host are both little-endian.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the energy file is little-endian");
static_assert(sizeof(EnergyImage::Data) == EnergyImage::SIZE, "the energy file layout has no padding");

namespace {

bool readAll(int fd, void* buf, size_t len)
{
    char* p = static_cast<char*>(buf);
    size_t done = 0;
    while (done < len) {
        ssize_t n = pread(fd, p + done, len - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

EnergyImage::WriteFn g_write = nullptr;

// Single precision, ascending memory order, as the statistics pages have always summed.
float sum(const float* p, int n)
{
    float s = 0.0f;
    for (int i = 0; i < n; ++i)
        s += p[i];
    return s;
}

bool outOfRange(int v, int max)
{
    return v < 0 || v > max;
}

}

EnergyImage::EnergyImage(const char* imagePath, const char* yearPath)
    : m_data(new Data()), m_refusedYear(0)
{
    memset(m_path, 0, sizeof m_path);
    memset(m_yearPath, 0, sizeof m_yearPath);
    if (imagePath)
        strncpy(m_path, imagePath, sizeof m_path - 1);
    if (yearPath)
        strncpy(m_yearPath, yearPath, sizeof m_yearPath - 1);
    memset(m_data, 0, sizeof *m_data);
    for (int k = 0; k < YEARS; ++k)
        m_years[k] = FIRST_YEAR + k;
}

EnergyImage::~EnergyImage()
{
    delete m_data;
}

void EnergyImage::setWrite(WriteFn fn)
{
    g_write = fn;
}

// Keeps a short or damaged image under a name of its own: it may still be read by hand.
void EnergyImage::setAside(const std::string& real)
{
    time_t t = TimeSeam::wallTime();
    struct tm tmv;
    localtime_r(&t, &tmv);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &tmv);
    std::string aside = real + ".bad-" + stamp;
    struct stat st;
    for (int n = 1; stat(aside.c_str(), &st) == 0 && n < 1000; ++n)
        aside = real + ".bad-" + stamp + "-" + std::to_string(n);
    if (rename(real.c_str(), aside.c_str()) == 0)
        printf("EnergyImage::load %s is short or damaged, kept as %s\n", m_path, aside.c_str());
    else
        printf("EnergyImage::load %s is short or damaged and cannot be set aside\n", m_path);
}

void EnergyImage::load()
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    const std::string real = SysPath::resolve(m_path);
    // What a save cut short left behind; the image itself is still whole.
    unlink(AtomicFile::temporary(real).c_str());
    int fd = ::open(real.c_str(), O_RDONLY | O_CLOEXEC);
    // The image is cleared only where it is not read whole: it is 2.2 MB.
    if (fd < 0 && errno != ENOENT) {
        printf("EnergyImage::load cannot open %s\n", m_path);
        memset(m_data, 0, sizeof *m_data);
        loadYears();
        return;
    }
    if (fd >= 0) {
        bool whole = readAll(fd, m_data, sizeof *m_data);
        ::close(fd);
        if (whole) {
            loadYears();
            return;
        }
        setAside(real);
    }
    memset(m_data, 0, sizeof *m_data);
    if (!AtomicFile::replace(real, { { m_data, sizeof *m_data } }, g_write))
        printf("EnergyImage::load cannot write %s\n", m_path);
    loadYears();
}

int EnergyImage::writeData()
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    const std::string real = SysPath::resolve(m_path);
    int fd = ::open(real.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        printf("EnergyImage::writeData cannot open %s\n", m_path);
        return -1;
    }
    // Bytes past the image are nobody's, but they were there before and stay.
    std::vector<char> tail;
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_size > off_t(sizeof *m_data)) {
        tail.resize(size_t(st.st_size) - sizeof *m_data);
        ssize_t n = pread(fd, tail.data(), tail.size(), off_t(sizeof *m_data));
        tail.resize(n > 0 ? size_t(n) : 0);
    }
    ::close(fd);
    // A new file beside the old one, renamed over it when whole: a power cut in the middle of
    // the 2.2 MB leaves the last save, never half of two.
    if (!AtomicFile::replace(real, { { m_data, sizeof *m_data }, { tail.data(), tail.size() } }, g_write)) {
        printf("EnergyImage::writeData cannot write %s\n", m_path);
        return -1;
    }
    return 0;
}

void EnergyImage::loadYears()
{
    for (int k = 0; k < YEARS; ++k)
        m_years[k] = FIRST_YEAR + k;
    FILE* f = fopen(SysPath::resolve(m_yearPath).c_str(), "r");
    if (!f) {
        // Files from before the rolling window hold 2014 to 2023 in order.
        writeYears();
        return;
    }
    char line[64];
    for (int k = 0; k < YEARS && fgets(line, sizeof line, f); ++k) {
        char* end = nullptr;
        long y = strtol(line, &end, 10);
        if (end == line || y < FIRST_YEAR || y > 100000 || (y - FIRST_YEAR) % YEARS != k) {
            printf("EnergyImage::loadYears slot %d of %s does not fit, taken as %d\n", k, m_yearPath,
                FIRST_YEAR + k);
            continue;
        }
        m_years[k] = int(y);
    }
    fclose(f);
}

int EnergyImage::writeYears()
{
    std::string real = SysPath::resolve(m_yearPath);
    std::string tmp = real + ".new";
    FILE* f = fopen(tmp.c_str(), "w");
    if (!f) {
        printf("EnergyImage::writeYears cannot open %s\n", m_yearPath);
        return -1;
    }
    for (int k = 0; k < YEARS; ++k)
        fprintf(f, "%d\n", m_years[k].load());
    bool ok = fflush(f) == 0 && fsync(fileno(f)) == 0;
    ok = fclose(f) == 0 && ok;
    // Renamed into place so that a power cut leaves the old map or the new one, never half.
    if (!ok || rename(tmp.c_str(), real.c_str()) != 0) {
        printf("EnergyImage::writeYears cannot write %s\n", m_yearPath);
        unlink(tmp.c_str());
        return -1;
    }
    return 0;
}

int EnergyImage::slotOf(int year) const
{
    if (year < FIRST_YEAR)
        return -1;
    int slot = (year - FIRST_YEAR) % YEARS;
    return m_years[slot] == year ? slot : -1;
}

int EnergyImage::yearOf(int slot) const
{
    return slot >= 0 && slot < YEARS ? m_years[slot].load() : 0;
}

void EnergyImage::clearSlot(int slot)
{
    memset(m_data->charge[slot], 0, sizeof m_data->charge[slot]);
    memset(m_data->discharge[slot], 0, sizeof m_data->discharge[slot]);
    memset(m_data->money[slot], 0, sizeof m_data->money[slot]);
    memset(m_data->dayDischarge[slot], 0, sizeof m_data->dayDischarge[slot]);
}

int EnergyImage::claimYear(int year)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    if (year < FIRST_YEAR)
        return -1;
    int slot = (year - FIRST_YEAR) % YEARS;
    int held = m_years[slot];
    if (held == year)
        return slot;
    if (held > year) {
        if (m_refusedYear != year)
            printf("EnergyImage::claimYear slot %d holds %d, nothing dated is kept for %d\n", slot, held, year);
        m_refusedYear = year;
        return -1;
    }
    printf("EnergyImage::claimYear slot %d passes from %d to %d\n", slot, held, year);
    clearSlot(slot);
    m_years[slot] = year;
    // The cleared slot reaches the disk before the map names its new year.
    writeData();
    writeYears();
    return slot;
}

int EnergyImage::slotForAdding(const struct tm& t, int* month, int* day)
{
    *month = t.tm_mon;
    *day = t.tm_mday - 1;
    if (*month < 0 || *month >= MONTHS || *day < 0 || *day >= DAYS)
        return -1;
    return claimYear(t.tm_year + 1900);
}

void EnergyImage::addHalfHour(const struct tm& t, float charge, float discharge)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    int m, d;
    int y = slotForAdding(t, &m, &d);
    if (y < 0 || t.tm_hour < 0 || t.tm_hour > 23)
        return;
    int h = 2 * t.tm_hour + (t.tm_min >= 30 ? 1 : 0);
    m_data->charge[y][m][d][h] += charge;
    m_data->discharge[y][m][d][h] += discharge;
    m_data->money[y][m][d][h] += discharge * m_data->secondPrice[h] - charge * m_data->firstPrice[h];
}

void EnergyImage::addDayDischarge(const struct tm& t, float discharge)
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    int m, d;
    int y = slotForAdding(t, &m, &d);
    if (y < 0)
        return;
    m_data->dayDischarge[y][m][d] += discharge;
}

int EnergyImage::dated(const HalfHourTable& table, int year, int month, int day, int halfHour, float* out) const
{
    std::lock_guard<std::recursive_mutex> g(m_lock);
    if (!out)
        return -1;
    if (year == 0) {
        *out = sum(&table[0][0][0][0], YEARS * MONTHS * DAYS * HALF_HOURS);
        return 0;
    }
    int y = slotOf(year);
    if (y < 0 || outOfRange(month, MONTHS) || outOfRange(day, DAYS) || outOfRange(halfHour, HALF_HOURS))
        return -2;
    if (month == 0)
        *out = sum(&table[y][0][0][0], MONTHS * DAYS * HALF_HOURS);
    else if (day == 0)
        *out = sum(&table[y][month - 1][0][0], DAYS * HALF_HOURS);
    else if (halfHour == 0)
        *out = sum(&table[y][month - 1][day - 1][0], HALF_HOURS);
    else
        *out = table[y][month - 1][day - 1][halfHour - 1];
    return 0;
}

int EnergyImage::getCharge(int year, int month, int day, int halfHour, float* out) const
{
    return dated(m_data->charge, year, month, day, halfHour, out);
}

int EnergyImage::getDischarge(int year, int month, int day, int halfHour, float* out) const
{
    return dated(m_data->discharge, year, month, day, halfHour, out);
}

int EnergyImage::getMoney(int year, int month, int day, int halfHour, float* out) const
{
    return dated(m_data->money, year, month, day, halfHour, out);
}

int EnergyImage::getDayDischarge(int year, int month, int day, float* out) const
{
    if (!out)
        return -1;
    std::lock_guard<std::recursive_mutex> g(m_lock);
    const DayTable& table = m_data->dayDischarge;
    if (year == 0) {
        *out = sum(&table[0][0][0], YEARS * MONTHS * DAYS);
        return 0;
    }
    int y = slotOf(year);
    if (y < 0 || outOfRange(month, MONTHS) || outOfRange(day, DAYS))
        return -2;
    if (month == 0)
        *out = sum(&table[y][0][0], MONTHS * DAYS);
    else if (day == 0)
        *out = sum(&table[y][month - 1][0], DAYS);
    else
        *out = table[y][month - 1][day - 1];
    return 0;
}
