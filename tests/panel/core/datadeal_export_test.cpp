// Before any Qt header: the handler has a member named like Qt's "slots" keyword.
#include "achandler.h"
#include "datadeal.h"
#include "alarmrecordfile.h"
#include "energyimage.h"
#include "fakedevice.h"
#include "fakehardware.h"
#include "globalvar.h"
#include "modbusacdcdata.h"
#include "monitorset.h"
#include "operaterecordfile.h"
#include "racktable.h"
#include "runtimetree.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QLabel>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

typedef std::pair<int, int> Report;
typedef std::vector<Report> Reports;

// A device that also keeps fault records.
class FaultyDevice : public FakeDevice {
public:
    int getFaultRecordSize() override { return faults; }
    int faults = 0;
};

// A data-handling object over fake devices in a fresh runtime tree; with a stick, the tree has
// the mount point "udisk/" and the marker "dev/udisk".
struct Export {
    RuntimeTree tree;
    FaultyDevice ac, dc, sts, bms;
    DATADEAL* d;
    Reports reports;

    explicit Export(bool stick = true, int level = 0)
    {
        TimeSeam::useFakeClock(true);
        FakeHardware::install();
        for (int i = 0; i < 80; ++i)
            set[i].value = 0;
        set[0].value = 10;   // settings as saved, not reset to their defaults
        set[10].value = 15;
        set[21].value = 1;
        keyword_right = level;
        isdownALLing = 0;
        downNum = 0;
        memset(&currentRackInfo, 0, sizeof currentRackInfo);
        if (stick)
            tree.writeFile("dev/udisk", "");
        d = new DATADEAL;
        d->setDeviceData(&ac, &dc, &sts, &bms, nullptr, nullptr, set);
        d->setModuleState(dcacstate, dcdcstate);
        QObject::connect(d, qOverload<int, int>(&DATADEAL::sendcommond),
            [this](int id, int code) { reports.push_back(Report(id, code)); });
    }
    ~Export()
    {
        delete d;
        TimeSeam::useFakeClock(false);
    }

    Reports take()
    {
        Reports r;
        r.swap(reports);
        return r;
    }
    // The run loop's forwarding, pass after pass, until `last` has come (the export threads
    // run on real time).
    Reports forwardUntil(Report last)
    {
        for (int waited = 0; waited < 60000; waited += 5) {
            d->download_patch();
            for (const Report& r : reports)
                if (r == last)
                    return take();
            usleep(5000);
        }
        ADD_FAILURE() << "no report (" << last.first << ", " << last.second << ")";
        return take();
    }
    int mdevLines() const
    {
        std::istringstream in(tree.commands());
        int n = 0;
        for (std::string line; std::getline(in, line);)
            n += line == "/sbin/mdev -s" ? 1 : 0;
        return n;
    }
    void addAlarm()
    {
        ChargerFault f;
        memset(&f, 0, sizeof f);
        f.code = 101;
        f.index = 3;
        strcpy(f.startTime, "2024-05-06 07:08:09");
        f.active = 1;
        d->getAlarmRecordFile()->set(&f);
        d->getAlarmRecordFile()->write();
    }
    void addOperation()
    {
        OperateRecord r;
        memset(&r, 0, sizeof r);
        strcpy(r.time, "2024-05-06 07:08:09");
        r.oid = 87;
        r.modules = 101;
        r.mdata = 12.5;
        d->getOperateRecordFile()->set(&r);
        d->getOperateRecordFile()->write();
    }
};

// An AC/DC object with its statistics in memory only: its port does not exist, so open()
// stops after making the handler.
struct Statistics {
    ModbusAcDcData ac;
    Statistics() : ac(13, const_cast<char*>("/dev/ttyNONE"), const_cast<char*>("19200,n,8,1"), 300, 0)
    {
        EXPECT_EQ(ac.open(), -1);
    }
    EnergyImage::Data& data() { return ac.handler()->energy().data(); }
};

std::string readData(const std::string& name)
{
    std::ifstream f(std::string(TEST_DATA_DIR) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

int lineCount(const std::string& s)
{
    int n = 0;
    for (char c : s)
        n += c == '\n' ? 1 : 0;
    return n;
}

time_t localTime(int y, int mo, int d, int h, int mi, int s)
{
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return mktime(&tm);
}

void putFloat(std::string& at, size_t offset, float v)
{
    unsigned char b[4];
    memcpy(b, &v, 4);   // this host is little-endian, like the board
    at.replace(offset, 4, reinterpret_cast<const char*>(b), 4);
}

const int SLOT = 13232;

} // namespace

TEST(DatadealExport, WithoutAStickEveryRequestShowsTheTipOnly)
{
    Export t(false);
    QLabel tip;
    tipslabel = &tip;
    for (int code : { 6, 7, 8, 9, 10, 11, 12, 13, 99 }) {
        t.d->dealwithcommond(code);
        EXPECT_EQ(t.take(), (Reports{ { 0, 6 } })) << code;
        EXPECT_EQ(tip.text(), QString::fromUtf8("请插入U盘"));
        EXPECT_EQ(label_time_set, 1);
    }
    tipslabel = nullptr;
    EXPECT_EQ(t.mdevLines(), 9);
    EXPECT_EQ(isdownALLing, 0);
    EXPECT_FALSE(t.tree.exists("bin/Logfiles"));

    // Restarting the snapshot timer needs no stick and asks for none.
    set[10].value = 20;
    t.d->dealwithcommond(5);
    EXPECT_TRUE(t.take().empty());
    EXPECT_EQ(t.mdevLines(), 9);
    int snapshotTimers = 0;
    for (QTimer* timer : t.d->findChildren<QTimer*>())
        snapshotTimers += timer->isActive() && timer->interval() == 20 * 60000 ? 1 : 0;
    EXPECT_EQ(snapshotTimers, 1);
}

TEST(DatadealExport, SingleCopiesReportAndCopyWhole)
{
    struct Case {
        int code, id, started, done;
        const char* from;
        const char* to;
    } cases[] = {
        { 7, 1, 8, 14, "log/history.log", "udisk/history.log" },
        { 8, 2, 7, 13, "log/status_history.log", "udisk/status_history.log" },
        { 9, 3, 9, 15, "log/operaterecord.log", "udisk/operaterecord.log" },
        { 11, 5, 10, 16, "log/dcacfaultRecord.log", "udisk/dcacfaultRecord.log" },
        { 12, 6, 11, 17, "log/dcdcfaultRecord.log", "udisk/dcdc_faultrecord.log" },
        { 13, 7, 22, 23, "log/stsfaultRecord.log", "udisk/stsfaultRecord.log" },
    };
    Export t;
    // Empty logs and devices without fault records: nothing to copy. The status log always
    // holds its power-on record.
    for (const Case& c : cases) {
        if (c.code == 8)
            continue;
        t.d->dealwithcommond(c.code);
        EXPECT_EQ(t.take(), (Reports{ { c.id, 21 } })) << c.code;
        EXPECT_FALSE(t.tree.exists(c.to)) << c.to;
    }

    t.addAlarm();
    t.addOperation();
    t.ac.faults = t.dc.faults = t.sts.faults = 1;
    const std::string gbkCaption = "[\xcb\xf7\xd2\xfd]\n";
    t.tree.writeFile("log/dcacfaultRecord.log", "[NEXT]\n0002\n\n" + gbkCaption);
    t.tree.writeFile("log/dcdcfaultRecord.log", "[NEXT]\n0003\n\n" + gbkCaption);
    t.tree.writeFile("log/stsfaultRecord.log", std::string("sts\0fault", 9));
    for (const Case& c : cases) {
        t.d->dealwithcommond(c.code);
        EXPECT_EQ(t.take(), (Reports{ { c.id, c.started }, { c.id, c.done } })) << c.code;
        const std::string from = t.tree.readFile(c.from);
        EXPECT_FALSE(from.empty()) << c.from;
        EXPECT_EQ(t.tree.readFile(c.to), from) << c.to;
    }
    EXPECT_EQ(t.mdevLines(), 11);

    // A stick that is there but not mounted: the copy fails and says so.
    ASSERT_EQ(system(("rm -rf '" + t.tree.path("udisk") + "'").c_str()), 0);
    t.d->dealwithcommond(7);
    EXPECT_EQ(t.take(), (Reports{ { 1, 8 }, { 1, 21 } }));
}

TEST(DatadealExport, RequestArrivingDuringACopyWaitsItsTurn)
{
    Export t;
    t.addAlarm();
    // The copy lets GUI events through; the status-log request among them is served after it.
    QMetaObject::invokeMethod(t.d, "dealwithcommond", Qt::QueuedConnection, Q_ARG(int, 8));
    t.d->dealwithcommond(7);
    EXPECT_EQ(t.take(), (Reports{ { 1, 8 }, { 1, 14 }, { 2, 7 }, { 2, 13 } }));
}

TEST(DatadealExport, EnergyReportAtLevelTwo)
{
    Export t(true, 2);
    Statistics s;
    // Year 2017 lies in the statistics' fourth year slot.
    EnergyImage::Data& e = s.data();
    e.charge[3][0][0][0] = 1.5f;
    e.charge[3][0][0][1] = 123.456789f;   // six significant digits
    e.charge[3][0][0][47] = 0.1f;
    e.discharge[3][0][0][1] = 2.5f;
    e.discharge[3][0][0][3] = 1234567.0f;
    e.money[3][0][0][2] = 1.23456f;
    e.money[3][0][0][3] = -0.5f;
    e.dayDischarge[3][0][0] = 12.6f;
    e.charge[3][1][29][0] = 7.0f;   // February 30th, a row like any other
    t.d->setAcDcData(&s.ac);
    currentRackInfo.machineType = 21;

    // At level 2 an export of everything is the energy report alone.
    t.d->dealwithcommond(6);
    EXPECT_EQ(t.take(), (Reports{ { 2, 7 } }));
    EXPECT_EQ(isdownALLing, 0);
    EXPECT_EQ(t.forwardUntil(Report(2, 13)), (Reports{ { 2, 13 } }));

    const std::string report = t.tree.readFile("bin/Data.xls");
    const std::string golden = readData("energy_2017-01-01.xls");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(report.substr(0, golden.size()), golden);
    EXPECT_EQ(t.tree.readFile("udisk/Data.xls"), report);
    // A header, then four rows a day for six years of twelve 31-day months.
    EXPECT_EQ(lineCount(report), 1 + 6 * 12 * 31 * 4);
    EXPECT_NE(report.find("\n2017-2-30\t\xb3\xe4\xb5\xe7\xc1\xbf(kWh)\t7\t0\t"), std::string::npos);
    const std::string lastRow = "\n2022-12-31\tPV\xc8\xd5\xc0\xdb\xbc\xc6(kWh)\t0\n";
    ASSERT_GT(report.size(), lastRow.size());
    EXPECT_EQ(report.substr(report.size() - lastRow.size()), lastRow);

    // A machine type without PV has no PV rows.
    currentRackInfo.machineType = 3;
    t.d->dealwithcommond(6);
    EXPECT_EQ(t.forwardUntil(Report(2, 13)), (Reports{ { 2, 7 }, { 2, 13 } }));
    const std::string noPv = t.tree.readFile("udisk/Data.xls");
    EXPECT_EQ(lineCount(noPv), 1 + 6 * 12 * 31 * 3);
    EXPECT_EQ(noPv.find("PV"), std::string::npos);
    const size_t pvRow = golden.rfind("2017-1-1\tPV");
    ASSERT_NE(pvRow, std::string::npos);
    EXPECT_EQ(noPv.substr(0, pvRow), golden.substr(0, pvRow));
}

TEST(DatadealExport, EnergyReportWithoutTheAcDcObjectFails)
{
    Export t(true, 2);
    t.d->dealwithcommond(6);
    EXPECT_EQ(t.take(), (Reports{ { 2, 21 } }));
    EXPECT_FALSE(t.tree.exists("udisk/Data.xls"));
}

TEST(DatadealExport, ExportAllGathersEverythingIntoOneArchive)
{
    Export t(true, 0);
    Statistics s;
    t.d->setAcDcData(&s.ac);
    t.addAlarm();
    t.addOperation();
    t.ac.faults = t.dc.faults = t.sts.faults = 1;
    t.tree.writeFile("log/dcacfaultRecord.log", "ac faults");
    t.tree.writeFile("log/dcdcfaultRecord.log", "dc faults");
    t.tree.writeFile("log/stsfaultRecord.log", "sts faults");
    t.tree.writeFile("bin/log.dat", std::string(SLOT, '\x5a'));
    t.tree.writeFile("conf/param_1.ini", "0000/0000001000\n");
    t.tree.writeFile("conf/notes.txt", "not a parameter file");
    t.tree.writeFile("conf-dcdc/param_2.ini", "0001/0000002000\n");
    t.tree.writeFile("conf-sts/param_3.ini", "0002/0000003000\n");
    t.tree.writeFile("bin/monitorset.txt", "settings");
    // Versions: the first AC/DC module online is 2, the unit 11, the DC/DC module 3, the switch.
    t.ac.status[{ 2, 0 }] = 1;
    t.ac.analog[{ 2, 40 }] = 1.25f;
    t.ac.analog[{ 2, 39 }] = 2.5f;
    t.ac.analog[{ 1, 40 }] = 99.0f;
    t.ac.status[{ 11, 0 }] = 1;
    t.ac.analog[{ 11, 40 }] = 3.0f;
    t.ac.analog[{ 11, 39 }] = 4.0f;
    t.dc.status[{ 3, 100 }] = 1;
    t.dc.analog[{ 3, 21 }] = 5.0f;
    t.dc.analog[{ 3, 22 }] = 6.0f;
    t.sts.status[{ 1, 0 }] = 1;
    t.sts.analog[{ 1, 66 }] = 7.0f;
    t.sts.analog[{ 1, 67 }] = 8.0f;

    t.d->dealwithcommond(6);
    EXPECT_EQ(isdownALLing, 1);
    EXPECT_EQ(t.take(), (Reports{ { 1, 8 }, { 1, 14 }, { 2, 7 }, { 2, 7 }, { 2, 13 }, { 3, 9 }, { 3, 15 }, { 5, 10 },
                            { 5, 16 }, { 6, 11 }, { 6, 17 }, { 7, 22 }, { 7, 23 } }));
    const char version[] = "\x00\x00\xa0\x3f\x00\x00\x20\x40\x00\x00\x40\x40\x00\x00\x80\x40"
                           "\x00\x00\xa0\x40\x00\x00\xc0\x40\x00\x00\xe0\x40\x00\x00\x00\x41";
    EXPECT_EQ(t.tree.readFile("bin/version.dat"), std::string(version, 32));

    // Every code the archive thread leaves comes through, in order, even when the loop forwards
    // them only once it has finished.
    for (int waited = 0; downNum.load() != 18 && waited < 60000; waited += 5)
        usleep(5000);
    t.d->download_patch();
    EXPECT_EQ(t.take(), (Reports{ { 4, 19 }, { 2, 13 }, { 0, 18 } }));
    EXPECT_EQ(downNum, 0);
    EXPECT_FALSE(t.tree.exists("bin/Logfiles"));
    EXPECT_FALSE(t.tree.exists("bin/Logfiles.tar.gz"));

    ASSERT_TRUE(t.tree.exists("udisk/Logfiles.tar.gz"));
    ASSERT_EQ(system(("mkdir '" + t.tree.path("unpacked") + "' && tar -xzf '" + t.tree.path("udisk/Logfiles.tar.gz")
                         + "' -C '" + t.tree.path("unpacked") + "'")
                         .c_str()),
        0);
    struct Packed {
        const char* inArchive;
        const char* from;
    } packed[] = {
        { "Logfiles/history.log", "log/history.log" },
        { "Logfiles/status_history.log", "log/status_history.log" },
        { "Logfiles/operaterecord.log", "log/operaterecord.log" },
        { "Logfiles/dcacfaultRecord.log", "log/dcacfaultRecord.log" },
        { "Logfiles/dcdc_faultrecord.log", "log/dcdcfaultRecord.log" },
        { "Logfiles/stsfaultRecord.log", "log/stsfaultRecord.log" },
        { "Logfiles/Data.xls", "bin/Data.xls" },
        { "Logfiles/version.dat", "bin/version.dat" },
        { "Logfiles/log.dat", "bin/log.dat" },
        { "Logfiles/ConfigFile/conf/param_1.ini", "conf/param_1.ini" },
        { "Logfiles/ConfigFile/conf-dcdc/param_2.ini", "conf-dcdc/param_2.ini" },
        { "Logfiles/ConfigFile/conf-sts/param_3.ini", "conf-sts/param_3.ini" },
        { "Logfiles/ConfigFile/monitorset.txt", "bin/monitorset.txt" },
    };
    for (const Packed& p : packed) {
        const std::string in = std::string("unpacked/") + p.inArchive;
        ASSERT_TRUE(t.tree.exists(in)) << p.inArchive;
        EXPECT_EQ(t.tree.readFile(in), t.tree.readFile(p.from)) << p.inArchive;
    }
    EXPECT_FALSE(t.tree.exists("unpacked/Logfiles/ConfigFile/conf/notes.txt"));
    EXPECT_TRUE(t.tree.exists("unpacked/Logfiles/ConfigFile/conf-sts"));
    // Only the copies of an export-all go into the archive; nothing else lands on the stick.
    EXPECT_FALSE(t.tree.exists("udisk/history.log"));
    EXPECT_FALSE(t.tree.exists("udisk/Data.xls"));
}

TEST(DatadealExport, HistoryDataCopy)
{
    Export t;
    // No snapshot taken yet: the copy fails instead of reporting success.
    t.d->dealwithcommond(10);
    EXPECT_EQ(t.forwardUntil(Report(4, 21)), (Reports{ { 4, 19 }, { 4, 21 } }));

    t.tree.writeFile("udisk/log.dat", "an older copy");
    t.d->time_1og_slot();
    t.d->time_1og_slot();
    t.d->dealwithcommond(10);
    EXPECT_EQ(t.forwardUntil(Report(4, 20)), (Reports{ { 4, 19 }, { 4, 20 } }));
    EXPECT_EQ(t.tree.readFile("udisk/log.dat").size(), size_t(2 * SLOT));
    EXPECT_EQ(t.tree.readFile("udisk/log.dat"), t.tree.readFile("bin/log.dat"));
    EXPECT_EQ(isdownALLing, 0);
}

TEST(DatadealExport, ProgressLeftInDownNumIsForwardedOnce)
{
    Export t;
    struct Case { int code; Reports sent; int after; } cases[] = {
        { 7, { { 2, 7 } }, 0 }, { 13, { { 2, 13 } }, 0 }, { 18, { { 0, 18 } }, 0 },
        { 19, { { 4, 19 } }, 0 }, { 20, { { 4, 20 } }, 0 }, { 0, {}, 0 }, { 5, {}, 5 },
    };
    for (const Case& c : cases) {
        downNum = c.code;
        t.d->download_patch();
        t.d->download_patch();
        EXPECT_EQ(t.take(), c.sent) << c.code;
        EXPECT_EQ(downNum, c.after) << c.code;
    }
}

TEST(DatadealExport, SnapshotSlotLayout)
{
    Export t;
    const time_t when = localTime(2024, 5, 6, 7, 8, 9);
    TimeSeam::setWallTime(when);
    t.ac.alarm[{ 1, 0 }] = 1;
    t.ac.status[{ 1, 0 }] = 1;
    t.ac.analog[{ 1, 0 }] = 230.5f;
    t.ac.status[{ 11, 99 }] = 0x1ff;   // only the low byte is kept
    t.ac.alarm[{ 11, 99 }] = -1;        // a point the device does not have
    t.ac.analog[{ 11, 99 }] = -1.0f;
    t.ac.analog[{ 12, 0 }] = 55.0f;     // module 12 is not in the snapshot
    t.sts.alarm[{ 1, 5 }] = 2;
    t.sts.analog[{ 1, 5 }] = 50.0f;
    t.dc.status[{ 10, 99 }] = 1;
    t.dc.analog[{ 10, 99 }] = 12.25f;
    t.dc.analog[{ 1, 100 }] = 9.0f;     // point 100 is not in the snapshot

    // Written from the layout: the time, then 2200 status bytes, 2200 alarm bytes and 2200
    // floats; entry 0 AC/DC module 1 point 0, 1099 module 11 point 99, 1105 the switch's point
    // 5, 2199 DC/DC module 10 point 99.
    std::string golden(SLOT, '\0');
    golden.replace(0, 19, "2024-05-06 07:08:09");
    golden[32 + 0] = 1;
    golden[2232 + 0] = 1;
    putFloat(golden, 4432 + 0, 230.5f);
    golden[32 + 1099] = '\xff';
    golden[2232 + 1099] = '\xff';
    putFloat(golden, 4432 + 4 * 1099, -1.0f);
    golden[2232 + 1105] = 2;
    putFloat(golden, 4432 + 4 * 1105, 50.0f);
    golden[32 + 2199] = 1;
    putFloat(golden, 4432 + 4 * 2199, 12.25f);

    set[9].value = 0;
    t.d->startLog();
    t.d->time_1og_slot();
    EXPECT_EQ(t.tree.readFile("bin/log.dat"), golden);
    EXPECT_EQ(set[9].value, 1);
    // The slot survives a restart through the saved settings.
    set[9].value = 0;
    readmonitorset();
    EXPECT_EQ(set[9].value, 1);
}

TEST(DatadealExport, SnapshotPlacement)
{
    struct Case {
        const char* name;
        long fileBytes;   // -1: no file
        int slotSetting;
        int slot;
        int after;
    } cases[] = {
        { "a deleted file starts again at slot 0", -1, 500, 0, 1 },
        { "a short file grows at its end", 3L * SLOT, 10, 3, 4 },
        { "a torn last slot is written again whole", 3L * SLOT + 100, 10, 3, 4 },
        { "a slot inside the file is overwritten", 5L * SLOT, 2, 2, 3 },
        { "the stored 1000 is slot 0", 1000L * SLOT, 1000, 0, 1 },
        { "a negative slot starts again at slot 0", 5L * SLOT, -7, 0, 1 },
    };
    Export t;
    time_t when = localTime(2024, 1, 1, 0, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = t.tree.path("bin/log.dat");
        unlink(file.c_str());
        if (c.fileBytes >= 0) {
            std::ofstream(file, std::ios::binary).put('\x01');
            ASSERT_EQ(truncate(file.c_str(), c.fileBytes), 0);
        }
        when += 900;
        TimeSeam::setWallTime(when);
        char stamp[32];
        struct tm tm;
        localtime_r(&when, &tm);
        strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);

        set[9].value = c.slotSetting;
        t.d->startLog();
        t.d->time_1og_slot();
        EXPECT_EQ(set[9].value, c.after);
        struct stat st;
        ASSERT_EQ(stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_size, std::max<off_t>(c.fileBytes, off_t(c.slot + 1) * SLOT));
        std::ifstream in(file, std::ios::binary);
        in.seekg(off_t(c.slot) * SLOT);
        char got[20] = {};
        in.read(got, 19);
        EXPECT_STREQ(got, stamp);
    }
}

TEST(DatadealExport, SnapshotRingWrapsOnASteppedClock)
{
    Export t;
    const std::string file = t.tree.path("bin/log.dat");
    std::ofstream(file, std::ios::binary).put('\x01');
    ASSERT_EQ(truncate(file.c_str(), 1000L * SLOT), 0);
    TimeSeam::setWallTime(localTime(2024, 12, 31, 23, 30, 0));
    set[9].value = 998;
    t.d->startLog();
    struct Step { int slot; int after; const char* stamp; } steps[] = {
        { 998, 999, "2024-12-31 23:30:00" },
        { 999, 1000, "2024-12-31 23:45:00" },
        { 0, 1, "2025-01-01 00:00:00" },
        { 1, 2, "2025-01-01 00:15:00" },
    };
    for (const Step& s : steps) {
        t.d->time_1og_slot();
        EXPECT_EQ(set[9].value, s.after);
        TimeSeam::advanceMs(15 * 60000);
    }
    std::ifstream in(file, std::ios::binary);
    for (const Step& s : steps) {
        in.seekg(off_t(s.slot) * SLOT);
        char got[32];
        in.read(got, 32);
        EXPECT_EQ(std::string(got, 32), std::string(s.stamp) + std::string(13, '\0')) << s.slot;
    }
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 1000L * SLOT);
}

TEST(DatadealExport, EnglishTexts)
{
    QTranslator translator;
    ASSERT_TRUE(translator.load(QCoreApplication::applicationDirPath() + "/abc.qm"));
    QCoreApplication::installTranslator(&translator);
    struct Case { const char* source; const char* english; } cases[] = {
        { "请插入U盘", "Please insert USB flash disk!" },
        { "充电量(kWh)\t", "Charge amount(kWh)\t" },
        { "放电量(kWh)\t", "Discharge capacity(kWh)\t" },
        { "效益(元)\t", "benefit\t" },
        { "PV日累计(kWh)\t", "PV daily cumulative\t" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(DATADEAL::tr(c.source), QString::fromUtf8(c.english)) << c.english;
    QString header;
    for (int h = 0; h < 48; ++h)
        header += QString::asprintf("\t%02d:%02d~%02d:%02d", h / 2, h % 2 * 30, (h + 1) / 2, (h + 1) % 2 * 30);
    EXPECT_EQ(DATADEAL::tr(("日期\t类型" + header + "\n").toUtf8().constData()), "Date\tType" + header + "\n");
    QCoreApplication::removeTranslator(&translator);
}
