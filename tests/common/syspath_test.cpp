#include "syspath.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <stdlib.h>

TEST(SysPath, PlainPathsWithoutRoot)
{
    unsetenv("STATIONPANEL_ROOT");
    EXPECT_EQ(SysPath::resolve("/dev/ttySAC1"), "/dev/ttySAC1");
    EXPECT_EQ(SysPath::resolve("../conf/map.pdu"), "../conf/map.pdu");
#ifndef STATIONPANEL_BOARD
    EXPECT_FALSE(SysPath::deviceMayOpen());
#endif
}

TEST(SysPath, AbsolutePathsLandUnderRoot)
{
    RuntimeTree tree;
    const std::string r = tree.root();
    struct Case { const char* in; std::string out; } cases[] = {
        { "/udisk", r + "/udisk" },
        { "/etc/eth0-setting", r + "/etc/eth0-setting" },
        { "/opt/pcs/bin/logo.png", r + "/bin/logo.png" },
        { "/opt/pcs/conf-dcdc", r + "/conf-dcdc" },
        { "/opt/pcs", r },
        { "/opt/pcsx/a", r + "/opt/pcsx/a" },
        { "monitorset.txt", "monitorset.txt" },
        { "../log", "../log" },
        { "", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(SysPath::resolve(c.in), c.out) << c.in;
    // Resolving twice changes nothing.
    EXPECT_EQ(SysPath::resolve(SysPath::resolve("/tmp/x")), r + "/tmp/x");
    EXPECT_TRUE(SysPath::deviceMayOpen());
}

TEST(SysPath, TrailingSlashOfRootIgnored)
{
    setenv("STATIONPANEL_ROOT", "/tmp/spx/", 1);
    EXPECT_EQ(SysPath::resolve("/dev/gpio"), "/tmp/spx/dev/gpio");
    unsetenv("STATIONPANEL_ROOT");
}
