#include "dcdcdata.h"
#include "dcfixture.h"
#include "dchandler.h"

#include <gtest/gtest.h>

TEST(DcdcData, PrintsItsVersionWhenBuilt)
{
    RuntimeTree tree(true);
    testing::internal::CaptureStdout();
    DcdcData d("can0", 1000000, 800, false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "libbattconv.so  Version 1205\tbuildTime   Jul 15 2019 20:11:28\n");
    char buf[32];
    EXPECT_EQ(d.getVersion(buf, sizeof buf), 1205);
}

TEST(DcdcData, DispatchSetPointsAnswerWithoutTheHandler)
{
    RuntimeTree tree(true);
    tree.writeFile("conf-dcdc/param_1000.ini", paramLines(90, { { 85, 0.5 }, { 26, 1 } }));
    DcdcData d("can0", 1000000, 800, false);
    ASSERT_EQ(d.open(), 0);
    float v = -1;
    EXPECT_EQ(d.getConfig(20, 85, &v), 0);
    EXPECT_EQ(v, 1.0f);
    EXPECT_EQ(d.getConfig(20, 87, &v), 0);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(d.getConfig(20, 76, &v), 0);
    EXPECT_EQ(v, 0.0f);
    // Anything else is the handler's: the system's parameter file.
    EXPECT_EQ(d.getConfig(0, 85, &v), 0);
    EXPECT_EQ(v, 0.5f);
    EXPECT_EQ(d.getConfig(0, 26, &v), 0);
    EXPECT_EQ(v, 1.0f);
    EXPECT_EQ(d.getConfig(20, 26, &v), -1);
    EXPECT_EQ(d.getConfig(0, 200, &v), -1);
    EXPECT_EQ(d.getStatus(0, 100), 0);
    EXPECT_EQ(d.getFaultRecordSize(), 0);
    EXPECT_EQ(d.close(), 0);
}

TEST(DcdcData, DispatchSetPointsAreCachedWhateverTheHandlerSays)
{
    RuntimeTree tree(true);
    DcdcData d("can0", 1000000, 800, false);
    // Not open: the broadcast cannot go out, the value is kept all the same.
    EXPECT_NE(d.setting(20, 85, 0.9f, 0), 0);
    EXPECT_EQ(d.setting(30, 87, 5.0f, 0), 0);
    EXPECT_EQ(d.setting(30, 76, -2.0f, 0), 0);
    float v = 0;
    EXPECT_EQ(d.getConfig(20, 85, &v), 0);
    EXPECT_FLOAT_EQ(v, 0.9f);
    EXPECT_EQ(d.getConfig(20, 87, &v), 0);
    EXPECT_FLOAT_EQ(v, 5.0f);
    EXPECT_EQ(d.getConfig(20, 76, &v), 0);
    EXPECT_FLOAT_EQ(v, -2.0f);
    EXPECT_EQ(d.getConfig(30, 76, &v), -1);
}

// Analogs of the fourth analog format that the module reports in tenths, as the panel reads
// them through the facade.
TEST(DcdcData, AnalogsReportedInTenthsAreDividedByTen)
{
    struct Row {
        int index;
        int raw;
        float value;
    };
    const Row rows[] = {
        { 24, 1234, 123.4f },
        { 26, -57, -5.7f },
        { 27, 3, 0.3f },
    };
    RuntimeTree tree(true);
    DcBusSim sim;
    ASSERT_TRUE(sim.open(tree.root(), "can0", 1));
    sim.setPeriod(25);
    for (const Row& r : rows)
        sim.module(1)->setAnalog(r.index, r.raw);
    sim.start();
    DcdcData d("can0", 1000000, 800, false);
    ASSERT_EQ(d.open(), 0);
    for (const Row& r : rows) {
        float v = 0;
        EXPECT_TRUE(waitFor([&] { return d.getAnalog(1, r.index, &v) == 0 && v != 0; })) << r.index;
        EXPECT_FLOAT_EQ(v, r.value) << r.index;
    }
    d.close();
}
