#include "racktable.h"
#include "runtimetree.h"

#include <gtest/gtest.h>

TEST(RackTable, CurrentRowFollowsTheMachineType)
{
    RuntimeTree tree;
    tree.writeFile("bin/SockConfig.pdu",
        "[SOCK_NUM]\n1\n[SOCK_TYPE]\n4\t5\tPV\t1\t1\t3\t6\t0\t2\t1\ta\tb\n");
    rackInfoMap.clear();
    loadRackTable(5);
    EXPECT_EQ(currentRackInfo.seq, 4);
    EXPECT_EQ(currentRackInfo.stringCount, 3);

    // Machine type 7 is absent: every property reads 0, so DC branches go through the DC/DC device.
    loadRackTable(7);
    EXPECT_EQ(currentRackInfo.dcViaAcDc, 0);
    EXPECT_EQ(currentRackInfo.moduleCount, 0);
    EXPECT_EQ(rackInfoMap.count(7), 1u);
}
