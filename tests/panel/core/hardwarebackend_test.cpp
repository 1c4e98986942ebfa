#include "hardwarebackend.h"
#include "backlightcontrol.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

// Only a host build may run these: they check that the machine's own device nodes stay closed.
// /dev/null stands in for a device node, so even a broken guard could not touch real hardware.
#ifndef STATIONPANEL_BOARD

TEST(HardwareBackend, HostWithoutRootOpensNothing)
{
    unsetenv("STATIONPANEL_ROOT");
    HardwareBackend plain;
    EXPECT_EQ(plain.open("/dev/null", O_RDONLY), -1);
}

TEST(HardwareBackend, DeviceNodeUnderTheRootStaysClosed)
{
    RuntimeTree tree;
    ASSERT_EQ(symlink("/dev/null", tree.path("dev/watchdog").c_str()), 0);
    HardwareBackend plain;
    EXPECT_EQ(plain.open("/dev/watchdog", O_WRONLY), -1);
}

TEST(HardwareBackend, PlainFileUnderTheRootStandsInForTheDevice)
{
    RuntimeTree tree;
    tree.writeFile("dev/backlight", "");
    BackLightControl bk("/dev/backlight");
    ASSERT_GE(bk.openBK(), 0);
    bk.bkOn();
    bk.bkOff();
    EXPECT_EQ(tree.readFile("dev/backlight"), std::string("\x01\x00", 2));
}

#endif
