#include "rackconfig.h"
#include "runtimetree.h"

#include <gtest/gtest.h>

namespace {
const char* kHeader = "[SOCK_NUM]\n%s\n[SOCK_TYPE]\n";

std::string table(const char* count, const std::string& rows)
{
    char head[64];
    snprintf(head, sizeof head, kHeader, count);
    return head + rows;
}
}

TEST(RackConfig, ReadsRowsFirstOfATypeWins)
{
    RuntimeTree tree;
    tree.writeFile("bin/SockConfig.pdu", table("3",
        "1\t7\tA\t1\t0\t4\t10\t3\t2\t1\tx\ty\n"
        "2\t7\tB\t0\t0\t0\t0\t0\t0\t0\tx\ty\n"
        "3\t2\tC\t0\t1\t2\t5\t0\t1\t0\tt1\tt2\n"));
    RackInfoMap rows;
    RackConfig rc;
    EXPECT_EQ(rc.getRackInf("SockConfig.pdu", &rows), 0);
    ASSERT_EQ(rows.size(), 2u);
    const RackInfoStuct& a = rows[7];
    EXPECT_EQ(a.seq, 1);
    EXPECT_STREQ(a.name, "A");
    EXPECT_EQ(a.typeOption, 1);
    EXPECT_EQ(a.stringCount, 4);
    EXPECT_EQ(a.moduleCount, 10);
    EXPECT_EQ(a.dcParamSet, 3);
    EXPECT_EQ(a.relayLayout, 2);
    EXPECT_EQ(a.diagramLayout, 1);
    EXPECT_EQ(rows[2].dcViaAcDc, 1);
    EXPECT_STREQ(rows[2].text2, "t2");
}

TEST(RackConfig, BoundsFromTheFile)
{
    struct Case { const char* name; const char* count; std::string rows; size_t expected; };
    const std::string row = "1\t1\tN\t0\t0\t1\t1\t0\t0\t0\ta\tb\n";
    const Case cases[] = {
        { "count larger than rows", "5", row, 1 },
        { "huge count ends at once", "2000000000", row, 1 },
        { "zero count", "0", row, 0 },
        { "negative count", "-4", row, 0 },
    };
    for (const Case& c : cases) {
        RuntimeTree tree;
        tree.writeFile("bin/SockConfig.pdu", table(c.count, c.rows));
        RackInfoMap rows;
        RackConfig rc;
        EXPECT_EQ(rc.getRackInf("SockConfig.pdu", &rows), 0) << c.name;
        EXPECT_EQ(rows.size(), c.expected) << c.name;
    }
}

TEST(RackConfig, LongTextsAreCutToTheirFields)
{
    RuntimeTree tree;
    const std::string longName(40, 'n');
    const std::string longText(300, 't');
    tree.writeFile("bin/SockConfig.pdu", table("1", "1\t3\t" + longName + "\t0\t0\t1\t1\t0\t0\t0\t" + longText + "\tz\n"));
    RackInfoMap rows;
    RackConfig rc;
    rc.getRackInf("SockConfig.pdu", &rows);
    ASSERT_EQ(rows.count(3), 1u);
    EXPECT_EQ(std::string(rows[3].name), std::string(31, 'n'));
    EXPECT_EQ(std::string(rows[3].text1), std::string(31, 't'));
    EXPECT_STREQ(rows[3].text2, "z");
}

TEST(RackConfig, MissingFileLeavesRowsAlone)
{
    RuntimeTree tree;
    RackInfoMap rows;
    rows[1].seq = 9;
    RackConfig rc;
    EXPECT_EQ(rc.getRackInf("SockConfig.pdu", &rows), 0);
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[1].seq, 9);
}

TEST(RackConfig, SampleTableOfTheTemplateReadsWhole)
{
    RuntimeTree tree(true);
    RackInfoMap rows;
    RackConfig rc;
    rc.getRackInf("SockConfig.pdu", &rows);
    EXPECT_EQ(rows.size(), 12u);
    for (const auto& r : rows)
        EXPECT_GT(r.second.stringCount, 0) << r.first;
}
