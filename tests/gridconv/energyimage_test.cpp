#include "energyimage.h"
#include "runtimetree.h"

#include <dirent.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char* kImage = "../log/AcData.log";
const char* kYears = "../log/AcData.year";
const size_t kSize = 2228424;

// Offsets of the file layout, counted by hand: 21 groups of five doubles, then the three
// half-hour tables of 10 x 12 x 32 x 48 floats, the two price tables and the day table.
enum Table { CHARGE = 840, DISCHARGE = 738120, MONEY = 1475400 };
const size_t kFirstPrice = 2212680, kSecondPrice = 2212872, kDayDischarge = 2213064;

size_t halfHourAt(Table t, int slot, int month, int day, int halfHour)
{
    return size_t(t) + 4 * size_t(((slot * 12 + (month - 1)) * 32 + (day - 1)) * 48 + (halfHour - 1));
}

size_t dayAt(int slot, int month, int day)
{
    return kDayDischarge + 4 * size_t((slot * 12 + (month - 1)) * 32 + (day - 1));
}

void putFloat(std::string& file, size_t at, float v)
{
    memcpy(&file[at], &v, 4);
}

void putDouble(std::string& file, size_t at, double v)
{
    memcpy(&file[at], &v, 8);
}

float floatAt(const std::string& file, size_t at)
{
    float v;
    memcpy(&v, &file[at], 4);
    return v;
}

std::vector<std::string> asideFiles(const RuntimeTree& tree)
{
    std::vector<std::string> out;
    DIR* d = opendir(tree.path("log").c_str());
    while (struct dirent* e = readdir(d))
        if (strncmp(e->d_name, "AcData.log.bad-", 15) == 0)
            out.push_back(e->d_name);
    closedir(d);
    return out;
}

// A write that stops for good once the budget is spent: the process dies there, as the board
// does when the power goes.
long g_budget = 0;
ssize_t cutWrite(int fd, const void* buf, size_t len)
{
    size_t n = len < size_t(g_budget) ? len : size_t(g_budget);
    if (n > 0 && write(fd, buf, n) != ssize_t(n))
        _exit(2);
    g_budget -= long(n);
    if (g_budget <= 0)
        _exit(0);
    return ssize_t(n);
}

// A disk that fills up once the budget is spent: short writes, then ENOSPC.
ssize_t fullWrite(int fd, const void* buf, size_t len)
{
    size_t n = len < size_t(g_budget) ? len : size_t(g_budget);
    if (n == 0) {
        errno = ENOSPC;
        return -1;
    }
    ssize_t w = write(fd, buf, n);
    if (w > 0)
        g_budget -= long(w);
    return w;
}

const std::string kLegacyYears = "2014\n2015\n2016\n2017\n2018\n2019\n2020\n2021\n2022\n2023\n";

struct tm localAt(int year, int month, int day, int hour, int minute)
{
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return t;
}

}

TEST(EnergyImage, LoadsTheFileLayout)
{
    RuntimeTree tree;
    std::string file(kSize, '\0');
    putDouble(file, 20 * 40 + 4 * 8, 9.5);                       // branch 8, accumulator E
    putFloat(file, halfHourAt(CHARGE, 9, 12, 32, 48), 1.5f);    // the last slot of the charge table
    putFloat(file, halfHourAt(DISCHARGE, 0, 1, 1, 1), 2.5f);
    putFloat(file, halfHourAt(MONEY, 5, 6, 1, 7), -3.0f);
    putFloat(file, kFirstPrice + 4 * 3, 0.25f);
    putFloat(file, kSecondPrice + 4 * 47, 0.75f);
    putFloat(file, dayAt(9, 12, 32), 4.0f);
    tree.writeFile("log/AcData.log", file);

    EnergyImage e(kImage, kYears);
    e.load();
    EXPECT_DOUBLE_EQ(e.data().accumulators[20][EnergyImage::E], 9.5);
    EXPECT_FLOAT_EQ(e.data().firstPrice[3], 0.25f);
    EXPECT_FLOAT_EQ(e.data().secondPrice[47], 0.75f);
    float v = 0.0f;
    EXPECT_EQ(e.getCharge(2023, 12, 32, 48, &v), 0);
    EXPECT_FLOAT_EQ(v, 1.5f);
    EXPECT_EQ(e.getDischarge(2014, 1, 1, 1, &v), 0);
    EXPECT_FLOAT_EQ(v, 2.5f);
    EXPECT_EQ(e.getMoney(2019, 6, 1, 7, &v), 0);
    EXPECT_FLOAT_EQ(v, -3.0f);
    EXPECT_EQ(e.getDayDischarge(2023, 12, 32, &v), 0);
    EXPECT_FLOAT_EQ(v, 4.0f);
    // Without a year file the slots hold 2014 to 2023 in order, and the file is written so.
    EXPECT_EQ(tree.readFile("log/AcData.year"), kLegacyYears);
}

TEST(EnergyImage, SumsByDate)
{
    RuntimeTree tree;
    std::string file(kSize, '\0');
    putFloat(file, halfHourAt(CHARGE, 5, 6, 1, 1), 1.0f);
    putFloat(file, halfHourAt(CHARGE, 5, 6, 1, 48), 2.0f);
    putFloat(file, halfHourAt(CHARGE, 5, 6, 30, 7), 4.0f);
    putFloat(file, halfHourAt(CHARGE, 5, 7, 1, 1), 8.0f);
    putFloat(file, halfHourAt(CHARGE, 6, 1, 1, 1), 16.0f);
    putFloat(file, halfHourAt(CHARGE, 9, 12, 32, 48), 32.0f);
    putFloat(file, dayAt(5, 6, 2), 1.5f);
    putFloat(file, dayAt(5, 8, 2), 2.5f);
    putFloat(file, dayAt(0, 1, 1), 4.0f);
    tree.writeFile("log/AcData.log", file);
    EnergyImage e(kImage, kYears);
    e.load();

    struct Case { const char* name; int year, month, day, halfHour; float expected; };
    const Case cases[] = {
        { "one value", 2019, 6, 30, 7, 4.0f },
        { "a day", 2019, 6, 1, 0, 3.0f },
        { "a month; the half-hour is not used", 2019, 6, 0, 7, 7.0f },
        { "a year", 2019, 0, 9, 9, 15.0f },
        { "all years; nothing else is used", 0, 5, 5, 5, 63.0f },
        { "the last slot", 2023, 12, 32, 48, 32.0f },
        { "an empty year", 2017, 0, 0, 0, 0.0f },
    };
    for (const Case& c : cases) {
        float v = -1.0f;
        EXPECT_EQ(e.getCharge(c.year, c.month, c.day, c.halfHour, &v), 0) << c.name;
        EXPECT_FLOAT_EQ(v, c.expected) << c.name;
    }
    float v = 0.0f;
    EXPECT_EQ(e.getDayDischarge(2019, 6, 2, &v), 0);
    EXPECT_FLOAT_EQ(v, 1.5f);
    EXPECT_EQ(e.getDayDischarge(2019, 0, 0, &v), 0);
    EXPECT_FLOAT_EQ(v, 4.0f);
    EXPECT_EQ(e.getDayDischarge(2019, 8, 0, &v), 0);
    EXPECT_FLOAT_EQ(v, 2.5f);
    EXPECT_EQ(e.getDayDischarge(0, 0, 0, &v), 0);
    EXPECT_FLOAT_EQ(v, 8.0f);
}

TEST(EnergyImage, ArgumentsOutsideTheTables)
{
    RuntimeTree tree;
    EnergyImage e(kImage, kYears);
    e.load();
    struct Case { int year, month, day, halfHour; };
    const Case refused[] = {
        { 2024, 1, 1, 1 }, { 2013, 1, 1, 1 }, { 1, 1, 1, 1 }, { -2019, 1, 1, 1 }, { 2019, 13, 1, 1 },
        { 2019, 1, 33, 1 }, { 2019, 1, 1, 49 }, { 2019, -1, 1, 1 }, { 2019, 1, -1, 1 }, { 2019, 1, 1, -1 },
    };
    for (const Case& c : refused) {
        float v = 7.0f;
        EXPECT_EQ(e.getCharge(c.year, c.month, c.day, c.halfHour, &v), -2) << c.year << "/" << c.month << "/" << c.day << "/" << c.halfHour;
        EXPECT_EQ(v, 7.0f);
        EXPECT_EQ(e.getDischarge(c.year, c.month, c.day, c.halfHour, &v), -2);
        EXPECT_EQ(e.getMoney(c.year, c.month, c.day, c.halfHour, &v), -2);
    }
    float v = 7.0f;
    EXPECT_EQ(e.getMoney(2019, 6, 1, 49, &v), -2);
    EXPECT_EQ(e.getDayDischarge(2024, 1, 1, &v), -2);
    EXPECT_EQ(e.getDayDischarge(2019, 13, 1, &v), -2);
    EXPECT_EQ(e.getDayDischarge(2019, 1, 33, &v), -2);
    EXPECT_EQ(e.getCharge(2019, 1, 1, 1, nullptr), -1);
    EXPECT_EQ(e.getDayDischarge(0, 0, 0, nullptr), -1);
}

TEST(EnergyImage, ShortMissingAndLongFiles)
{
    {
        RuntimeTree tree;
        EnergyImage e(kImage, kYears);
        e.load();
        EXPECT_EQ(tree.readFile("log/AcData.log"), std::string(kSize, '\0')) << "missing: created with zeros";
    }
    {
        RuntimeTree tree;
        std::string file(kSize - 1, '\x11');
        tree.writeFile("log/AcData.log", file);
        EnergyImage e(kImage, kYears);
        e.load();
        EXPECT_DOUBLE_EQ(e.data().accumulators[0][0], 0.0);
        EXPECT_EQ(tree.readFile("log/AcData.log"), std::string(kSize, '\0')) << "short: a new image of zeros";
        std::vector<std::string> aside = asideFiles(tree);
        ASSERT_EQ(aside.size(), 1u) << "short: set aside, not overwritten";
        EXPECT_EQ(tree.readFile("log/" + aside[0]), file);
    }
    {
        RuntimeTree tree;
        std::string file(kSize, '\0');
        putFloat(file, halfHourAt(CHARGE, 1, 2, 3, 4), 6.0f);
        tree.writeFile("log/AcData.log", file + "TAIL");
        EnergyImage e(kImage, kYears);
        e.load();
        float v = 0.0f;
        EXPECT_EQ(e.getCharge(2015, 2, 3, 4, &v), 0);
        EXPECT_FLOAT_EQ(v, 6.0f);
        e.data().secondPrice[0] = 0.5f;
        EXPECT_EQ(e.writeData(), 0);
        std::string after = tree.readFile("log/AcData.log");
        ASSERT_EQ(after.size(), kSize + 4);
        EXPECT_EQ(after.substr(kSize), "TAIL") << "long: the tail stays";
        EXPECT_FLOAT_EQ(floatAt(after, kSecondPrice), 0.5f);
        EXPECT_FLOAT_EQ(floatAt(after, halfHourAt(CHARGE, 1, 2, 3, 4)), 6.0f);
    }
}

TEST(EnergyImage, ASaveCutAnywhereLeavesTheOldOrTheNewImageWhole)
{
    RuntimeTree tree;
    EnergyImage e(kImage, kYears);
    e.load();
    e.data().accumulators[0][0] = 1.0;
    e.data().dayDischarge[9][11][31] = 1.0f;
    ASSERT_EQ(e.writeData(), 0);
    const std::string before = tree.readFile("log/AcData.log");
    e.data().accumulators[0][0] = 2.0;
    e.data().charge[4][5][6][7] = 2.0f;
    e.data().dayDischarge[9][11][31] = 2.0f;
    const std::string after(reinterpret_cast<const char*>(&e.data()), kSize);

    for (long cut : { 1L, 8L, long(kSize / 2), long(kSize) - 1, long(kSize) }) {
        tree.writeFile("log/AcData.log", before);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            g_budget = cut;
            EnergyImage::setWrite(cutWrite);
            e.writeData();
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << cut;
        const std::string found = tree.readFile("log/AcData.log");
        EXPECT_TRUE(found == before || found == after) << "cut after " << cut << " bytes mixes two saves";

        // The next start reads one whole image and leaves nothing set aside.
        EnergyImage next(kImage, kYears);
        next.load();
        const double a = next.data().accumulators[0][0];
        EXPECT_TRUE(a == 1.0 || a == 2.0) << cut;
        EXPECT_FLOAT_EQ(next.data().dayDischarge[9][11][31], float(a)) << cut;
        EXPECT_TRUE(asideFiles(tree).empty()) << cut;
    }
}

TEST(EnergyImage, ASaveOnAFullDiskFailsAndLeavesTheOldImageAndNoTemporary)
{
    RuntimeTree tree;
    EnergyImage e(kImage, kYears);
    e.load();
    e.data().accumulators[0][0] = 1.0;
    ASSERT_EQ(e.writeData(), 0);
    // Bytes past the image go out as a second piece.
    const std::string before = tree.readFile("log/AcData.log") + "tail";
    e.data().accumulators[0][0] = 2.0;
    for (long room : { 0L, long(kSize / 2), long(kSize), long(kSize) + 2 }) {
        tree.writeFile("log/AcData.log", before);
        g_budget = room;
        EnergyImage::setWrite(fullWrite);
        const int r = e.writeData();
        EnergyImage::setWrite(nullptr);
        EXPECT_EQ(r, -1) << room;
        EXPECT_EQ(tree.readFile("log/AcData.log"), before) << room;
        EXPECT_FALSE(tree.exists("log/AcData.log.new")) << room;
    }
    EXPECT_EQ(e.writeData(), 0) << "room again";
}

TEST(EnergyImage, WriteDataDoesNotCreateTheFile)
{
    RuntimeTree tree;
    EnergyImage e(kImage, kYears);
    EXPECT_EQ(e.writeData(), -1);
    EXPECT_FALSE(tree.exists("log/AcData.log"));
}

TEST(EnergyImage, ANewYearClearsTheSlotItReuses)
{
    RuntimeTree tree;
    std::string file(kSize, '\0');
    putFloat(file, halfHourAt(CHARGE, 0, 3, 5, 21), 5.0f);      // 2014
    putFloat(file, halfHourAt(DISCHARGE, 0, 1, 1, 1), 6.0f);
    putFloat(file, halfHourAt(MONEY, 0, 12, 31, 48), 7.0f);
    putFloat(file, dayAt(0, 3, 5), 8.0f);
    putFloat(file, halfHourAt(CHARGE, 1, 3, 5, 21), 9.0f);      // 2015 stays
    tree.writeFile("log/AcData.log", file);
    EnergyImage e(kImage, kYears);
    e.load();

    e.addHalfHour(localAt(2024, 3, 5, 10, 10), 1.0f, 2.0f);
    float v = 0.0f;
    EXPECT_EQ(e.getCharge(2014, 0, 0, 0, &v), -2) << "2014 is gone";
    EXPECT_EQ(e.getCharge(2024, 3, 5, 21, &v), 0);
    EXPECT_FLOAT_EQ(v, 1.0f);
    EXPECT_EQ(e.getCharge(2024, 0, 0, 0, &v), 0);
    EXPECT_FLOAT_EQ(v, 1.0f);
    EXPECT_EQ(e.getDischarge(2024, 0, 0, 0, &v), 0);
    EXPECT_FLOAT_EQ(v, 2.0f);
    EXPECT_EQ(e.getMoney(2024, 0, 0, 0, &v), 0);
    EXPECT_FLOAT_EQ(v, 0.0f);
    EXPECT_EQ(e.getDayDischarge(2024, 0, 0, &v), 0);
    EXPECT_FLOAT_EQ(v, 0.0f);
    EXPECT_EQ(e.getCharge(2015, 3, 5, 21, &v), 0);
    EXPECT_FLOAT_EQ(v, 9.0f);
    EXPECT_EQ(e.getCharge(0, 0, 0, 0, &v), 0);
    EXPECT_FLOAT_EQ(v, 10.0f);

    // Both files say so at once: the cleared slot, then the year it now holds.
    std::string after = tree.readFile("log/AcData.log");
    EXPECT_EQ(floatAt(after, halfHourAt(CHARGE, 0, 3, 5, 21)), 0.0f);
    EXPECT_EQ(floatAt(after, halfHourAt(MONEY, 0, 12, 31, 48)), 0.0f);
    EXPECT_EQ(floatAt(after, dayAt(0, 3, 5)), 0.0f);
    EXPECT_EQ(tree.readFile("log/AcData.year"), "2024\n2015\n2016\n2017\n2018\n2019\n2020\n2021\n2022\n2023\n");

    // After a restart the window is the same.
    EnergyImage again(kImage, kYears);
    again.load();
    EXPECT_EQ(again.yearOf(0), 2024);
    EXPECT_EQ(again.getCharge(2014, 1, 1, 1, &v), -2);
    EXPECT_EQ(again.getCharge(2024, 1, 1, 1, &v), 0);
}

TEST(EnergyImage, ClockSetBackDoesNotWipeNewerYears)
{
    RuntimeTree tree;
    tree.writeFile("log/AcData.year", "2014\n2025\n2016\n2017\n2018\n2019\n2020\n2021\n2022\n2023\n");
    EnergyImage e(kImage, kYears);
    e.load();
    e.addDayDischarge(localAt(2025, 2, 1, 0, 0), 3.0f);
    e.addDayDischarge(localAt(2015, 2, 1, 0, 0), 5.0f);
    e.addHalfHour(localAt(2013, 2, 1, 0, 0), 5.0f, 5.0f);
    EXPECT_EQ(e.yearOf(1), 2025);
    float v = 0.0f;
    EXPECT_EQ(e.getDayDischarge(2025, 2, 1, &v), 0);
    EXPECT_FLOAT_EQ(v, 3.0f);
    EXPECT_EQ(e.getDayDischarge(2015, 2, 1, &v), -2);
    EXPECT_EQ(e.getCharge(0, 0, 0, 0, &v), 0);
    EXPECT_FLOAT_EQ(v, 0.0f);
}

TEST(EnergyImage, YearFileLinesThatDoNotFitTheirSlot)
{
    RuntimeTree tree;
    tree.writeFile("log/AcData.year", "2024\n2019\nx\n2036\n");
    EnergyImage e(kImage, kYears);
    e.load();
    const int expected[] = { 2024, 2015, 2016, 2017, 2018, 2019, 2020, 2021, 2022, 2023 };
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(e.yearOf(k), expected[k]) << k;
    EXPECT_EQ(e.slotOf(2037), -1);
    EXPECT_EQ(e.slotOf(2024), 0);
}
