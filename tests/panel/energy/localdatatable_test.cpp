#include "localdatatable.h"
#include "fakedevice.h"
#include "globalvar.h"
#include "monitorset.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Table {
    RuntimeTree tree;
    explicit Table(std::initializer_list<std::pair<int, int>> settings = {})
    {
        for (int i = 0; i < 80; ++i)
            set[i].value = 0;
        set[23].value = 8;
        for (const auto& s : settings)
            set[s.first].value = s.second;
        memset(localData, 0, sizeof localData);
    }
};

struct StoreCase {
    const char* name;
    int strategy;      // set[59]
    int oneBranch;     // set[7]
    int branches;      // set[23]
    int mode, branch, period;
    float typed;
    int result;
    std::vector<int> words;   // where the stored value lands
    float stored;
};

void PrintTo(const StoreCase& c, std::ostream* os) { *os << c.name; }

const StoreCase kStores[] = {
    { "ac_power", 0, 1, 8, 2, 0, 20, -35.5f, 0, { 20 }, -35.5f },
    { "ac_power_above_the_range", 0, 1, 8, 2, 0, 0, 700.0f, 0, { 0 }, 660.0f },
    { "ac_power_below_the_range", 1, 1, 8, 2, 3, 47, -661.0f, 0, { 47 }, -660.0f },
    { "second_half_of_the_day", 0, 1, 8, 2, 0, 24, 5.0f, 0, { 24 }, 5.0f },
    { "dc_branch", 2, 1, 8, 2, 3, 10, 100.0f, 0, { 48 * 3 + 10 }, 100.0f },
    { "dc_branch_below_the_range", 2, 1, 8, 2, 1, 0, -2000.0f, 0, { 48 }, -1500.0f },
    { "dc_all_branches", 2, 0, 3, 2, 1, 5, 12.0f, 0, { 48 + 5, 96 + 5, 144 + 5 }, 12.0f },
    { "dc_all_branches_at_most_eight", 2, 0, 12, 2, 1, 0, 1.0f, 0, { 48, 96, 144, 192, 240, 288, 336, 384 }, 1.0f },
    { "dc_branch_past_the_eighth", 2, 1, 10, 2, 9, 0, 1.0f, -1, {}, 0.0f },
    { "dc_branch_zero", 2, 1, 8, 2, 0, 0, 1.0f, -1, {}, 0.0f },
    { "price_a", 2, 1, 8, 3, 0, 7, 0.8523f, 0, { 512 + 7 }, 0.8523f },
    { "price_b_above_the_range", 0, 1, 8, 4, 0, 47, 1200.0f, 0, { 800 + 47 }, 1000.0f },
    { "price_below_zero", 0, 1, 8, 4, 0, 0, -1.0f, 0, { 800 }, 0.0f },
    { "period_out_of_range", 0, 1, 8, 2, 0, 48, 1.0f, -1, {}, 0.0f },
    { "unknown_mode", 0, 1, 8, 5, 0, 0, 1.0f, -1, {}, 0.0f },
    { "not_a_number", 0, 1, 8, 2, 0, 0, NAN, -1, {}, 0.0f },
};

class Store : public ::testing::TestWithParam<StoreCase> {};

} // namespace

TEST_P(Store, LandsWhereTheModeSays)
{
    const StoreCase& c = GetParam();
    Table t({ { 59, c.strategy }, { 7, c.oneBranch }, { 23, c.branches } });
    const float untouched = 7777.0f;
    for (float& w : localData)
        w = untouched;
    EXPECT_EQ(LocalDataTable::store(c.mode, c.branch, c.period, c.typed), c.result);
    int written = 0;
    for (int w = 0; w < LocalDataTable::WORDS; ++w) {
        if (localData[w] != untouched)
            ++written;
    }
    EXPECT_EQ(written, int(c.words.size()));
    for (int w : c.words)
        EXPECT_EQ(localData[w], c.stored) << w;
}

INSTANTIATE_TEST_SUITE_P(LocalDataTable, Store, ::testing::ValuesIn(kStores),
    [](const ::testing::TestParamInfo<StoreCase>& i) { return std::string(i.param.name); });

TEST(LocalDataTable, RangesAndHints)
{
    Table t;
    float lo = 0, hi = 0;
    QString hint;
    ASSERT_TRUE(LocalDataTable::range(2, &lo, &hi, &hint));
    EXPECT_EQ(hint, "(-660.0~660.0)");
    EXPECT_EQ(lo, -660.0f);
    set[59].value = 2;
    ASSERT_TRUE(LocalDataTable::range(2, &lo, &hi, &hint));
    EXPECT_EQ(hint, "(-1500.0~1500.0)");
    EXPECT_EQ(hi, 1500.0f);
    ASSERT_TRUE(LocalDataTable::range(4, &lo, &hi, &hint));
    EXPECT_EQ(hint, "(0.0~1000.0)");
    EXPECT_FALSE(LocalDataTable::range(1, &lo, &hi, &hint));
}

TEST(LocalDataTable, Periods)
{
    EXPECT_EQ(LocalDataTable::period(0, 0), 0);
    EXPECT_EQ(LocalDataTable::period(0, 29), 0);
    EXPECT_EQ(LocalDataTable::period(0, 30), 1);
    EXPECT_EQ(LocalDataTable::period(12, 0), 24);
    EXPECT_EQ(LocalDataTable::period(23, 45), 47);
}

TEST(LocalDataTable, SaveCreatesTheWholeImage)
{
    Table t;
    localData[0] = 1.0f;        // 00 00 80 3F
    localData[47] = -660.0f;    // 00 00 25 C4
    localData[512] = 0.5f;      // 00 00 00 3F
    localData[1023] = -2.5f;    // 00 00 20 C0
    ASSERT_EQ(LocalDataTable::saveLocaldata(), 0);
    std::string golden(4096, '\0');
    golden.replace(0, 4, std::string("\x00\x00\x80\x3F", 4));
    golden.replace(47 * 4, 4, std::string("\x00\x00\x25\xC4", 4));
    golden.replace(512 * 4, 4, std::string("\x00\x00\x00\x3F", 4));
    golden.replace(1023 * 4, 4, std::string("\x00\x00\x20\xC0", 4));
    EXPECT_EQ(t.tree.readFile("log/localdata.dat"), golden);
}

TEST(LocalDataTable, SaveRewritesInPlaceWithoutTruncating)
{
    Table t;
    t.tree.writeFile("log/localdata.dat", std::string(4096, '\x11') + "tail");
    localData[1] = 2.0f;        // 00 00 00 40
    ASSERT_EQ(LocalDataTable::saveLocaldata(), 0);
    std::string golden(4096, '\0');
    golden.replace(4, 4, std::string("\x00\x00\x00\x40", 4));
    EXPECT_EQ(t.tree.readFile("log/localdata.dat"), golden + "tail");
}

TEST(LocalDataTable, SaveFailureIsReported)
{
    Table t;
    // A directory in the file's place: the open fails even for root.
    ASSERT_EQ(::mkdir(t.tree.path("log/localdata.dat").c_str(), 0755), 0);
    EXPECT_EQ(LocalDataTable::saveLocaldata(), -1);
    ::rmdir(t.tree.path("log/localdata.dat").c_str());
}

TEST(LocalDataTable, PricesGoToTheConverter)
{
    Table t;
    for (int n = 0; n < 48; ++n) {
        localData[512 + n] = 0.5f + n;
        localData[800 + n] = 100.0f + n;
    }
    FakeDevice ac;
    LocalDataTable::sendPrices(&ac);
    ASSERT_EQ(ac.writes.size(), 96u);
    for (int n = 0; n < 48; ++n) {
        EXPECT_EQ(ac.writes[2 * n].module, 0);
        EXPECT_EQ(ac.writes[2 * n].index, 10000 + n);
        EXPECT_EQ(ac.writes[2 * n].value, 0.5f + n);
        EXPECT_EQ(ac.writes[2 * n + 1].index, 10050 + n);
        EXPECT_EQ(ac.writes[2 * n + 1].value, 100.0f + n);
    }
    LocalDataTable::sendPrices(nullptr);
}
