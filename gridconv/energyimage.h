#ifndef ENERGYIMAGE_H
#define ENERGYIMAGE_H

#include <atomic>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <time.h>

// The AC/DC link's energy statistics: running accumulators per module and branch, charged and
// discharged energy and earnings per half-hour, discharge per day and two price tables, kept in
// one block that is mirrored byte for byte in "../log/AcData.log".
//
// The dated tables have ten year slots used as a rolling window: year Y lives in slot
// (Y - 2014) mod 10, so the years 2014 to 2023 of older files stay where they were. Which year
// each slot holds is kept in a small text file beside the image, one line per slot; without it
// slot k holds 2014 + k. A slot is cleared before a new year takes it over.
class EnergyImage {
public:
    enum { YEARS = 10, MONTHS = 12, DAYS = 32, HALF_HOURS = 48, GROUPS = 21, FIRST_YEAR = 2014 };
    // Places in an accumulator group, read as value indices 122, 123, 162, 163 and 124.
    enum { A, B, C, D, E, ACCUMULATORS };

    typedef float HalfHourTable[YEARS][MONTHS][DAYS][HALF_HOURS];
    typedef float DayTable[YEARS][MONTHS][DAYS];

    // The file layout: little-endian, no header, no padding.
    struct Data {
        double accumulators[GROUPS][ACCUMULATORS]; // groups 0-12 modules 0-12, 13-20 branches 1-8
        HalfHourTable charge;
        HalfHourTable discharge;
        HalfHourTable money;
        float firstPrice[HALF_HOURS];
        float secondPrice[HALF_HOURS];
        DayTable dayDischarge;
    };

    enum { SIZE = 2228424 };

    EnergyImage(const char* imagePath, const char* yearPath);
    ~EnergyImage();

    // The image from its file: a missing file starts as zeros; a short or unreadable one is
    // set aside under another name and the image starts as zeros; a longer one is taken for
    // its first SIZE bytes. Then the year of each slot.
    void load();
    // The whole image to its file (not created here), through a temporary file renamed over
    // it, so that a cut leaves the old image or the new one: 0, or -1 when it could not be
    // written (the file is then as it was).
    int writeData();

    // The write calls of a save go through here, so that a test can cut a save short; null
    // restores write(2).
    typedef ssize_t (*WriteFn)(int fd, const void* buf, size_t len);
    static void setWrite(WriteFn fn);

    // 0; -1 for a null out; -2 for a year no slot holds, a month above 12, a day above 32 or a
    // half-hour above 48 (negative counts as too large). Year 0 sums everything, month 0 the
    // year, day 0 the month, half-hour 0 the day.
    int getCharge(int year, int month, int day, int halfHour, float* out) const;
    int getDischarge(int year, int month, int day, int halfHour, float* out) const;
    int getMoney(int year, int month, int day, int halfHour, float* out) const;
    int getDayDischarge(int year, int month, int day, float* out) const;

    // The slot holding year, -1 when none does.
    int slotOf(int year) const;
    int yearOf(int slot) const;
    // The slot to add to in year: the one holding it, or its own slot after clearing it when
    // it held an earlier year (the image and the year file are then written at once). -1 for
    // a year before 2014, or when the slot holds a later year (a clock set back must not wipe
    // newer statistics).
    int claimYear(int year);

    // The dated part of one poll's energy at local time t: charge, discharge and earnings in
    // the half-hour of t, or the day's discharge.
    void addHalfHour(const struct tm& t, float charge, float discharge);
    void addDayDischarge(const struct tm& t, float discharge);

    // The polling thread adds while callers read and save: every use of data() holds lock(),
    // as the methods here do themselves (a double or a table is not written in one step).
    Data& data() { return *m_data; }
    const Data& data() const { return *m_data; }
    std::recursive_mutex& lock() const { return m_lock; }

private:
    friend struct EnergyImageProbe;
    EnergyImage(const EnergyImage&) = delete;
    EnergyImage& operator=(const EnergyImage&) = delete;

    int dated(const HalfHourTable& table, int year, int month, int day, int halfHour, float* out) const;
    int slotForAdding(const struct tm& t, int* month, int* day);
    void loadYears();
    int writeYears();
    void clearSlot(int slot);
    void setAside(const std::string& real);

    Data* m_data;
    mutable std::recursive_mutex m_lock;
    char m_path[128];
    char m_yearPath[128];
    std::atomic<int> m_years[YEARS];
    int m_refusedYear;
};

#endif
