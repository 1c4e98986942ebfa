#include "monitorset.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <QByteArray>
#include <QDataStream>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

void clearSet()
{
    for (setvalue& s : set)
        s = setvalue{ 0, QString() };
}

// Four bytes of a big-endian 32-bit word.
std::string be32(unsigned int v)
{
    return std::string{ char(v >> 24), char(v >> 16), char(v >> 8), char(v) };
}

// A settings file made with Qt's own stream, for fixtures only (the format itself is checked
// against hand-written bytes below).
std::string fileOf(const setvalue (&entries)[80], int count = 80)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_4_8);
    for (int i = 0; i < count; ++i)
        out << qint32(entries[i].value) << entries[i].text;
    return bytes.toStdString();
}

const char kSetipLines[] =
    "sed '1 c\\IP=192.168.1.10' /etc/eth0-setting > /tmp/eth0-setting && cp /tmp/eth0-setting /etc/eth0-setting\n"
    "sed '3 c\\Gateway=192.168.1.1' /etc/eth0-setting > /tmp/eth0-setting && cp /tmp/eth0-setting /etc/eth0-setting\n"
    "sed '2 c\\Mask=255.255.255.0' /etc/eth0-setting > /tmp/eth0-setting && cp /tmp/eth0-setting /etc/eth0-setting\n"
    "ifconfig eth0 192.168.1.10 netmask 255.255.255.0\n"
    "route add default gw 192.168.1.1\n";

void expectDefaults()
{
    const struct { int index; int value; } values[] = {
        { 0, 10 }, { 1, 0 }, { 2, 0 }, { 6, 0 }, { 7, 1 }, { 8, 1 }, { 9, 0 }, { 10, 15 }, { 13, 1 },
        { 14, 0 }, { 21, 1 }, { 22, 0 }, { 23, 1 }, { 24, 1 }, { 27, 10 }, { 28, 10 }, { 29, 10 },
        { 53, 0 }, { 54, 0 }, { 58, 80 }, { 62, 0 },
    };
    for (const auto& v : values)
        EXPECT_EQ(set[v.index].value, v.value) << "entry " << v.index;
    EXPECT_EQ(set[3].text, "192.168.1.10");
    EXPECT_EQ(set[4].text, "192.168.1.1");
    EXPECT_EQ(set[5].text, "255.255.255.0");
    EXPECT_EQ(set[58].text, "Y");
}

} // namespace

TEST(MonitorSet, StreamMatchesHandWrittenBytes)
{
    RuntimeTree tree;
    clearSet();
    set[0] = { 10, QString() };              // null text
    set[1] = { -2, QString("") };            // empty text
    set[3] = { 0, QString("A1") };
    set[20] = { 1, QString::fromUtf8("离线") };
    set[58] = { 80, QString("Y") };
    set[79] = { 0x12345678, QString() };

    std::string golden;
    for (int i = 0; i < 80; ++i) {
        switch (i) {
        case 0: golden += std::string("\x00\x00\x00\x0a" "\xff\xff\xff\xff", 8); break;
        case 1: golden += std::string("\xff\xff\xff\xfe" "\x00\x00\x00\x00", 8); break;
        case 3: golden += std::string("\x00\x00\x00\x00" "\x00\x00\x00\x04" "\x00\x41\x00\x31", 12); break;
        case 20: golden += std::string("\x00\x00\x00\x01" "\x00\x00\x00\x04" "\x79\xbb\x7e\xbf", 12); break;
        case 58: golden += std::string("\x00\x00\x00\x50" "\x00\x00\x00\x02" "\x00\x59", 10); break;
        case 79: golden += std::string("\x12\x34\x56\x78" "\xff\xff\xff\xff", 8); break;
        default: golden += std::string("\x00\x00\x00\x00" "\xff\xff\xff\xff", 8); break;
        }
    }

    savemonitorset();
    EXPECT_EQ(tree.readFile("bin/monitorset.txt"), golden);
    EXPECT_FALSE(tree.exists("bin/monitorset.txt.tmp"));
    EXPECT_FALSE(tree.exists("commands.log"));

    // And back: null and empty texts stay apart.
    clearSet();
    readmonitorset();
    EXPECT_EQ(set[0].value, 10);
    EXPECT_TRUE(set[0].text.isNull());
    EXPECT_EQ(set[1].value, -2);
    EXPECT_TRUE(set[1].text.isEmpty());
    EXPECT_FALSE(set[1].text.isNull());
    EXPECT_EQ(set[3].text, "A1");
    EXPECT_EQ(set[20].text, QString::fromUtf8("离线"));
    EXPECT_EQ(set[79].value, 0x12345678);
    EXPECT_EQ(tree.readFile("bin/monitorset.txt"), golden);
}

TEST(MonitorSet, NewFileGetsDefaultsAndRecordsTheNetworkCommands)
{
    struct Case { const char* name; bool present; int entry0; } cases[] = {
        { "missing file", false, 0 }, { "entry 0 is 0", true, 0 }, { "entry 0 negative", true, -5 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RuntimeTree tree;
        clearSet();
        setvalue file[80];
        file[0].value = c.entry0;
        file[11] = { 77, QString("kept") };
        file[26] = { 3, QString() };
        if (c.present)
            tree.writeFile("bin/monitorset.txt", fileOf(file));

        readmonitorset();

        expectDefaults();
        if (c.present) {
            EXPECT_EQ(set[11].value, 77);
            EXPECT_EQ(set[11].text, "kept");
            EXPECT_EQ(BmsType, 3);
        }
        // Recorded once, never run.
        EXPECT_EQ(tree.commands(), kSetipLines);
        EXPECT_FALSE(tree.exists("tmp/eth0-setting"));
        EXPECT_FALSE(tree.exists("etc/eth0-setting"));

        // The file now holds what is in memory.
        setvalue expected[80];
        for (int i = 0; i < 80; ++i)
            expected[i] = set[i];
        EXPECT_EQ(tree.readFile("bin/monitorset.txt"), fileOf(expected));
    }
}

TEST(MonitorSet, OldFileWithoutMarkerGetsEntry58Only)
{
    RuntimeTree tree;
    setvalue file[80];
    for (int i = 0; i < 80; ++i)
        file[i] = { i + 1, i % 3 == 0 ? QString::number(i) : QString() };
    file[26].value = 7;
    file[58] = { 50, QString("N") };
    const std::string before = fileOf(file);
    tree.writeFile("bin/monitorset.txt", before);
    clearSet();

    readmonitorset();

    for (int i = 0; i < 80; ++i) {
        if (i == 58)
            continue;
        EXPECT_EQ(set[i].value, file[i].value) << "entry " << i;
        EXPECT_EQ(set[i].text, file[i].text) << "entry " << i;
        EXPECT_EQ(set[i].text.isNull(), file[i].text.isNull()) << "entry " << i;
    }
    EXPECT_EQ(set[58].value, 80);
    EXPECT_EQ(set[58].text, "Y");
    EXPECT_EQ(BmsType, 7);
    EXPECT_FALSE(tree.exists("commands.log"));
    EXPECT_EQ(tree.readFile("bin/monitorset.txt"), before);
}

TEST(MonitorSet, CorruptFileIsKeptAsideAndDefaultsUsed)
{
    setvalue good[80];
    for (int i = 0; i < 80; ++i)
        good[i] = { 5, QString("x") };
    const std::string full = fileOf(good);
    struct Case { const char* name; std::string bytes; } cases[] = {
        { "empty", std::string() },
        { "twenty entries", fileOf(good, 20) },
        { "cut inside a text", full.substr(0, full.size() - 1) },
        { "odd text length", be32(5) + be32(3) + "abc" + full.substr(10) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RuntimeTree tree;
        clearSet();
        tree.writeFile("bin/monitorset.txt", c.bytes);

        testing::internal::CaptureStdout();
        readmonitorset();
        std::string out = testing::internal::GetCapturedStdout();

        EXPECT_EQ(out.compare(0, 14, "readmonitorset"), 0) << out;
        EXPECT_EQ(tree.readFile("bin/monitorset.txt.bad"), c.bytes);
        expectDefaults();
        EXPECT_EQ(set[11].value, 0);   // nothing of the damaged file survives
        EXPECT_TRUE(set[11].text.isNull());
        EXPECT_EQ(tree.commands(), kSetipLines);

        setvalue expected[80];
        for (int i = 0; i < 80; ++i)
            expected[i] = set[i];
        EXPECT_EQ(tree.readFile("bin/monitorset.txt"), fileOf(expected));
    }
}

TEST(MonitorSet, FailedSaveLeavesThePreviousFile)
{
    RuntimeTree tree;
    clearSet();
    set[0].value = 10;
    set[40] = { 1, QString("old") };
    savemonitorset();
    const std::string previous = tree.readFile("bin/monitorset.txt");
    ASSERT_FALSE(previous.empty());
    set[40] = { 2, QString("a much longer text than before, so the new file is larger") };

    // The temporary name is taken by a directory: nothing can be written.
    mkdir(tree.path("bin/monitorset.txt.tmp").c_str(), 0755);
    testing::internal::CaptureStdout();
    savemonitorset();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.compare(0, 14, "savemonitorset"), 0) << out;
    EXPECT_EQ(tree.readFile("bin/monitorset.txt"), previous);
    rmdir(tree.path("bin/monitorset.txt.tmp").c_str());

    // The disk fills up half-way through the new file.
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 100;
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    testing::internal::CaptureStdout();
    savemonitorset();
    setrlimit(RLIMIT_FSIZE, &old);
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.compare(0, 14, "savemonitorset"), 0) << out;
    EXPECT_EQ(tree.readFile("bin/monitorset.txt"), previous);
    EXPECT_FALSE(tree.exists("bin/monitorset.txt.tmp"));

    // A half-written temporary left by a power cut is ignored by the next start.
    tree.writeFile("bin/monitorset.txt.tmp", previous.substr(0, 37));
    clearSet();
    readmonitorset();
    EXPECT_EQ(set[40].value, 1);
    EXPECT_EQ(set[40].text, "old");
    EXPECT_EQ(tree.readFile("bin/monitorset.txt"), previous);
    EXPECT_FALSE(tree.exists("bin/monitorset.txt.bad"));
}

TEST(MonitorSet, SetipRunsOnlyPlainAddresses)
{
    const char* const bad[] = {
        "1.2.3.4'; reboot; '", "1.2.3.4;reboot", "256.1.1.1", "1.2.3", "1.2.3.4.5", " 1.2.3.4",
        "1.2.3.4 ", "x1.2.3.4", "1..3.4", "01.2.3.4", "1.2.3.-4", "+1.2.3.4", "", "1.2.3.4\n",
        "１.2.3.4",
    };
    RuntimeTree tree;
    for (const char* b : bad) {
        SCOPED_TRACE(b);
        const QString hostile = QString::fromUtf8(b);
        const QString ok("10.0.0.1");
        for (int slot = 0; slot < 3; ++slot) {
            testing::internal::CaptureStdout();
            setip(slot == 0 ? hostile : ok, slot == 1 ? hostile : QString("255.0.0.0"),
                  slot == 2 ? hostile : ok);
            std::string out = testing::internal::GetCapturedStdout();
            EXPECT_EQ(out.compare(0, 5, "setip"), 0) << out;
        }
    }
    EXPECT_FALSE(tree.exists("commands.log"));

    setip("0.0.0.0", "255.255.255.255", "10.20.30.40");
    EXPECT_EQ(tree.commands(),
        "sed '1 c\\IP=0.0.0.0' /etc/eth0-setting > /tmp/eth0-setting && cp /tmp/eth0-setting /etc/eth0-setting\n"
        "sed '3 c\\Gateway=10.20.30.40' /etc/eth0-setting > /tmp/eth0-setting && cp /tmp/eth0-setting /etc/eth0-setting\n"
        "sed '2 c\\Mask=255.255.255.255' /etc/eth0-setting > /tmp/eth0-setting && cp /tmp/eth0-setting /etc/eth0-setting\n"
        "ifconfig eth0 0.0.0.0 netmask 255.255.255.255\n"
        "route add default gw 10.20.30.40\n");
}
