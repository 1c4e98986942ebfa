#include "shellrunner.h"
#include "runtimetree.h"

#include <gtest/gtest.h>

TEST(ShellRunner, MachineChangingCommandsAreOnlyRecorded)
{
    RuntimeTree tree;
    const char* lines[] = {
        "reboot",
        "sync;reboot",
        "date -s \"2026-01-01 00:00:00\"",
        "hwclock -w",
        "ifconfig eth0 down ",
        "route add default gw 192.168.1.1",
        "ip link set can0 up type can bitrate 1000000",
        "/sbin/mdev -s",
        "sed '1 c\\IP=1.2.3.4' /etc/eth0-setting > /tmp/eth0-setting && cp /tmp/eth0-setting /etc/eth0-setting",
        "ts_calibrate",
        "gsnap /udisk/a.png /dev/fb0",
    };
    std::string expected;
    for (const char* l : lines) {
        EXPECT_TRUE(ShellRunner::changesMachine(l)) << l;
        EXPECT_EQ(ShellRunner::run(l), 0) << l;
        expected += std::string(l) + "\n";
    }
    EXPECT_EQ(tree.commands(), expected);
}

TEST(ShellRunner, ARecordedCommandFailsAsTheBoardWouldWhenTheTreeSaysSo)
{
    RuntimeTree tree;
    tree.writeFile("commands.fail", "date -s 2024.02.31\nroute add\n");
    EXPECT_NE(ShellRunner::run("date -s 2024.02.31-10:20:30"), 0);
    EXPECT_EQ(ShellRunner::run("date -s 2024.02.29-10:20:30"), 0);
    EXPECT_NE(ShellRunner::run("route add default gw 10.0.0.1"), 0);
    EXPECT_EQ(ShellRunner::run("hwclock -w"), 0);
    EXPECT_EQ(tree.commands(), "date -s 2024.02.31-10:20:30\ndate -s 2024.02.29-10:20:30\n"
                               "route add default gw 10.0.0.1\nhwclock -w\n");
}

TEST(ShellRunner, FileCommandsUnderRootRun)
{
    RuntimeTree tree;
    const std::string dir = tree.path("udisk");
    EXPECT_FALSE(ShellRunner::changesMachine("touch " + dir + "/a"));
    EXPECT_EQ(ShellRunner::run("touch " + dir + "/a && mkdir -p " + dir + "/Logfiles"), 0);
    EXPECT_TRUE(tree.exists("udisk/a"));
    EXPECT_TRUE(tree.exists("udisk/Logfiles"));
    EXPECT_EQ(ShellRunner::run("rm -f ../log/none.log; touch ../log/x.log"), 0);
    EXPECT_TRUE(tree.exists("log/x.log"));
    EXPECT_FALSE(tree.exists("commands.log"));
    EXPECT_NE(ShellRunner::run("false"), 0);
}

TEST(ShellRunner, PathsOutsideRootAreNotTouched)
{
    RuntimeTree tree;
    EXPECT_EQ(ShellRunner::run("touch /tmp/sp-shellrunner-should-not-exist"), 0);
    EXPECT_NE(access("/tmp/sp-shellrunner-should-not-exist", F_OK), 0);
    EXPECT_EQ(ShellRunner::run("dd if=/dev/zero of=/dev/sp-none count=1"), 0);
    EXPECT_EQ(tree.commands(),
        "touch /tmp/sp-shellrunner-should-not-exist\n"
        "dd if=/dev/zero of=/dev/sp-none count=1\n");
}
