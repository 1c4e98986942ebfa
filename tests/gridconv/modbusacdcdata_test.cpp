#include "modbusacdcdata.h"
#include "achandler.h"
#include "acmodulesim.h"
#include "rtuline.h"
#include "runtimetree.h"
#include "timeseam.h"

#include <algorithm>
#include <atomic>
#include <dirent.h>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

// The AC/DC device object end to end: the simulated modules answer on a pty that the object
// opens as "/dev/ttySAC1", and the test sees only what DeviceData (and the four energy getters)
// give the panel.
namespace {

bool waitFor(const std::function<bool()>& done, int ms = 30000)
{
    for (int waited = 0; waited < ms; waited += 5) {
        if (done())
            return true;
        usleep(5000);
    }
    return done();
}

// Moves the fake clock ahead of real time (step ms every 2 ms), so the poller's pauses pass
// at once and the link's five-second loss timer in a fraction of a second.
class ClockDriver {
public:
    explicit ClockDriver(int stepMs)
    {
        TimeSeam::useFakeClock(true);
        thread_ = std::thread([this, stepMs] {
            while (!stop_) {
                TimeSeam::advanceMs(stepMs);
                usleep(2000);
            }
        });
    }
    ~ClockDriver()
    {
        stop_ = true;
        thread_.join();
        TimeSeam::useFakeClock(false);
    }

private:
    std::atomic<bool> stop_{ false };
    std::thread thread_;
};

// One sim write record: "fc address word...".
std::vector<int> words(const std::string& line)
{
    std::vector<int> out;
    size_t at = 0;
    while (at < line.size()) {
        size_t end = line.find(' ', at);
        out.push_back(std::stoi(line.substr(at, end == std::string::npos ? std::string::npos : end - at)));
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return out;
}

int threadCount()
{
    int n = 0;
    DIR* d = opendir("/proc/self/task");
    if (!d)
        return -1;
    while (struct dirent* e = readdir(d))
        n += e->d_name[0] != '.';
    closedir(d);
    return n;
}

class AcDcLink : public ::testing::Test {
protected:
    RuntimeTree tree{ true };
    RtuLine line;
    std::map<int, std::unique_ptr<AcModuleSim>> sim;
    std::unique_ptr<ModbusAcDcData> dev;

    // The rack row of machine type `type` from the sample table sets the module count. The
    // reply time-out is generous where nothing is silenced, so that a loaded machine cannot
    // make a slow reply look lost.
    void start(int type, std::vector<int> nodes, int timeoutMs = 1000)
    {
        std::string param = tree.readFile("conf/default/param.ini");
        char text[17];
        snprintf(text, sizeof text, "0156/%010d", type * 1000);
        param.replace(156 * 16, 15, text);
        tree.writeFile("conf/param_0.ini", param);
        ASSERT_TRUE(line.open(tree.path("dev/ttySAC1")));
        for (int n : nodes) {
            sim[n].reset(new AcModuleSim(n));
            line.attach(n, sim[n].get());
        }
        line.start();
        dev.reset(
            new ModbusAcDcData(13, const_cast<char*>("/dev/ttySAC1"), const_cast<char*>("19200,n,8,1"), timeoutMs, 0));
        ASSERT_EQ(dev->open(), 0);
    }

    void TearDown() override
    {
        dev.reset();
        line.stop();
    }

    bool online(int m) { return dev->getStatus(m, 0) == 1; }
    float analog(int m, int point)
    {
        float v = -12345.0f;
        dev->getAnalog(m, point, &v);
        return v;
    }
    long passes() { return dev->handler()->passCount(); }
    bool morePasses(int n)
    {
        const long until = passes() + n;
        return waitFor([&] { return passes() >= until; });
    }
    void silence(int node, bool on)
    {
        RtuLine::Faults f = line.faults(node);
        f.silent = on;
        line.setFaults(node, f);
    }
    void exception(int node, int code)
    {
        RtuLine::Faults f = line.faults(node);
        f.exception = code;
        line.setFaults(node, f);
    }

    // The panel's write-and-poll, with a short nap where the panel processes GUI events.
    int writeAndPoll(int module, int index, float value)
    {
        if (dev->setting(module, index, value, 0) != 0)
            return -1;
        int r = 2;
        for (int i = 0; i < 60000 && (r = dev->getSettingResult(module)) == 2; ++i)
            usleep(500);
        EXPECT_NE(r, 2) << "no result for module " << module << " index " << index << " within 30 s";
        return r == 0 ? 0 : -1;
    }

    std::vector<std::string> writesAt(int node, int address)
    {
        std::vector<std::string> out;
        for (const std::string& w : sim[node]->writes())
            if (words(w).size() > 1 && words(w)[1] == address)
                out.push_back(w);
        return out;
    }

    std::vector<OperateRecord> records()
    {
        std::vector<OperateRecord> out;
        OperateRecord r;
        while (dev->getOperateRecord(&r) == 1)
            out.push_back(r);
        return out;
    }
};

}

TEST_F(AcDcLink, ValuesReachTheGettersAndCombine)
{
    start(1, { 1, 2, 11 });   // two modules: 1 in branch 1, 2 in branch 2
    sim[1]->setPower(30.0);
    sim[2]->setPower(-10.0);
    sim[1]->tick(0.0);
    sim[2]->tick(0.0);
    ASSERT_TRUE(waitFor([&] { return online(1) && online(2) && analog(0, 2) > 19.9f; }));
    // Derived states follow the run state one poll later.
    ASSERT_TRUE(morePasses(2));

    EXPECT_NEAR(analog(1, 2), 30.0f, 0.05f);
    EXPECT_NEAR(analog(2, 2), -10.0f, 0.05f);
    EXPECT_NEAR(analog(0, 2), 20.0f, 0.05f);      // the system sums its modules
    EXPECT_NEAR(analog(1001, 2), 30.0f, 0.05f);   // each branch its members
    EXPECT_NEAR(analog(1002, 2), -10.0f, 0.05f);
    EXPECT_NEAR(analog(0, 6), (analog(1, 6) + analog(2, 6)) / 2, 0.05f);   // average line voltage
    EXPECT_NEAR(analog(1, 6), 400.0f, 3.0f);
    const float igbt = analog(1, 14);
    EXPECT_GE(igbt, 40.0f);                        // degrees from the raw sensor reading
    EXPECT_LE(igbt, 120.0f);
    EXPECT_EQ(dev->getStatus(1, 1), 1);            // running
    EXPECT_EQ(dev->getStatus(1, 2), 0);            // not stopped
    EXPECT_EQ(dev->getStatus(1, 9), 1);            // member of branch 1
    EXPECT_EQ(dev->getStatus(2, 9), 0);
    EXPECT_EQ(dev->getStatus(2, 10), 1);
    EXPECT_EQ(dev->getStatus(0, 0), 1);
    EXPECT_EQ(dev->getStatus(1, 999), -1);
    float v = 5.0f;
    EXPECT_EQ(dev->getAnalog(1, 999, &v), -1);
    EXPECT_EQ(v, 0.0f);

    EXPECT_EQ(dev->getAlarm(1, 0), 0);
    sim[1]->setAlarm(0, 0, true);                  // grid over-voltage
    ASSERT_TRUE(waitFor([&] { return dev->getAlarm(1, 0) == 1; }));
    ASSERT_TRUE(waitFor([&] { return dev->getAlarm(0, 0) == 1; }));
    EXPECT_EQ(dev->getAlarm(2, 0), 0);

    sim[2]->setRunState(AcModuleSim::Stopped);
    ASSERT_TRUE(waitFor([&] { return dev->getStatus(2, 2) == 1; }));
    EXPECT_EQ(dev->getStatus(2, 1), 0);

    // Configuration comes from the parameter files; five indices from the object's own cache.
    EXPECT_EQ(dev->getConfig(0, 94, &v), 0);
    EXPECT_EQ(v, 255.0f);
    EXPECT_EQ(dev->getConfig(0, 156, &v), 0);
    EXPECT_EQ(v, 1.0f);
    EXPECT_EQ(dev->getConfig(5, 87, &v), 0);
    EXPECT_EQ(v, 0.0f);

    char text[40];
    EXPECT_EQ(dev->getVersion(text, 31), -1);
    EXPECT_EQ(dev->getVersion(text, 32), 1051);
    EXPECT_STREQ(text, "Jun 27 2019 14:16:06");
}

TEST_F(AcDcLink, SilencedModuleGoesOfflineAndComesBack)
{
    ClockDriver clock(50);
    start(1, { 1, 2, 11 }, 300);
    sim[1]->setPower(30.0);
    sim[2]->setPower(12.0);
    sim[1]->tick(0.0);
    sim[2]->tick(0.0);
    ASSERT_TRUE(waitFor([&] { return online(1) && online(2) && analog(0, 2) > 41.9f; }));

    silence(2, true);
    ASSERT_TRUE(waitFor([&] { return !online(2); }));
    // The system counts only the modules that answer; the lost one keeps its last values.
    ASSERT_TRUE(waitFor([&] { return analog(0, 2) < 30.1f; }));
    EXPECT_NEAR(analog(0, 2), 30.0f, 0.05f);
    EXPECT_NEAR(analog(2, 2), 12.0f, 0.05f);
    EXPECT_TRUE(online(1));

    silence(2, false);
    ASSERT_TRUE(waitFor([&] { return online(2); }));
    ASSERT_TRUE(waitFor([&] { return analog(0, 2) > 41.9f; }));
}

TEST_F(AcDcLink, WriteAndPollRecordsTheOperation)
{
    start(1, { 1, 2, 11 });
    ASSERT_TRUE(waitFor([&] { return online(1) && online(2); }));
    records();

    ASSERT_EQ(writeAndPoll(1, 60, 12.5f), 0);
    ASSERT_EQ(writesAt(1, AcModuleSim::POWER_SETTING).size(), 1u);
    EXPECT_EQ(writesAt(1, AcModuleSim::POWER_SETTING)[0], "6 4352 125");
    std::vector<OperateRecord> r = records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].oid, 60);
    EXPECT_EQ(r[0].modules, 101);
    EXPECT_EQ(r[0].rdata, 0.0);
    EXPECT_EQ(r[0].mdata, 12.5);
    EXPECT_EQ(r[0].dirty, 1);
    EXPECT_EQ(strlen(r[0].time), 19u);

    // The module's parameter file takes the new value, on disk after the parameter thread's pass.
    float v = 0.0f;
    EXPECT_EQ(dev->getConfig(1, 60, &v), 0);
    EXPECT_EQ(v, 12.5f);
    ASSERT_TRUE(waitFor([&] { return tree.readFile("conf/param_1.ini").substr(60 * 16, 16) == "0060/0000012500\n"; }));

    // A second write records the value it replaces.
    ASSERT_EQ(writeAndPoll(1, 60, -4.0f), 0);
    r = records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].rdata, 12.5);
    EXPECT_EQ(r[0].mdata, -4.0);
}

TEST_F(AcDcLink, RefusedAndFailedWrites)
{
    struct Case {
        const char* name;
        int module;
        int index;
    };
    start(1, { 1, 2, 11 });
    ASSERT_TRUE(waitFor([&] { return online(1) && online(2); }));
    records();
    const Case refused[] = {
        { "module beyond the rack's count", 5, 60 },
        { "module between the units and the branches", 13, 60 },
        { "beyond the branches", 1009, 60 },
        { "index above 500", 1, 501 },
        { "negative index", 1, -1 },
    };
    for (const Case& c : refused) {
        EXPECT_EQ(dev->setting(c.module, c.index, 1.0f, 0), -1) << c.name;
        EXPECT_EQ(writeAndPoll(c.module, c.index, 1.0f), -1) << c.name;
    }

    // The module rejects the write: the result says so and nothing is recorded.
    exception(1, 4);
    EXPECT_EQ(writeAndPoll(1, 61, 2.0f), -1);
    EXPECT_EQ(dev->getSettingResult(1), 1);
    exception(1, 0);
    EXPECT_TRUE(records().empty());
    float v = 0.0f;
    dev->getConfig(1, 61, &v);
    EXPECT_EQ(v, 0.0f);

    // A refused write to a cached index leaves the cached value.
    EXPECT_EQ(dev->setting(7, 87, 3.0f, 0), -1);
    dev->getConfig(0, 87, &v);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(dev->setting(1, 87, 3.0f, 0), 0);
    dev->getConfig(4, 87, &v);
    EXPECT_EQ(v, 3.0f);
}

TEST_F(AcDcLink, NoWritesWithoutAPoller)
{
    ModbusAcDcData unopened(13, const_cast<char*>("/dev/ttySAC1"), const_cast<char*>("19200,n,8,1"), 300, 0);
    EXPECT_EQ(unopened.setting(1, 60, 1.0f, 0), -1);
    EXPECT_EQ(unopened.getSettingResult(1), -1);
    OperateRecord r;
    memset(&r, 0x55, sizeof r);
    EXPECT_EQ(unopened.getOperateRecord(&r), -1);
    EXPECT_EQ(r.modules, 0);
    float v = 7.0f;
    EXPECT_EQ(unopened.getAnalog(0, 1000, &v), -1);
    EXPECT_EQ(unopened.getFaultRecordSize(), -1);
    // No port: the object stays without a poller and refuses writes.
    EXPECT_EQ(unopened.open(), -1);
    EXPECT_FALSE(unopened.running());
    EXPECT_EQ(unopened.setting(0, 60, 1.0f, 0), -1);

    // An open handler that nothing polls refuses them too.
    start(1, { 1, 2, 11 });
    AcHandler* h = dev->handler();
    ASSERT_TRUE(waitFor([&] { return online(1); }));
    h->setPolling(false);
    EXPECT_EQ(dev->setting(1, 60, 1.0f, 0), -1);
    EXPECT_EQ(dev->setting(0, 60, 1.0f, 0), -1);
    EXPECT_EQ(dev->setting(0, 10003, 0.5f, 0), 0);   // a price changes memory only
    h->setPolling(true);
    EXPECT_EQ(writeAndPoll(1, 60, 1.0f), 0);
}

TEST_F(AcDcLink, SecondOpenStartsNoSecondPoller)
{
    start(1, { 1, 2, 11 });
    ASSERT_TRUE(waitFor([&] { return online(1) && online(2); }));
    AcHandler* h = dev->handler();
    const int threads = threadCount();
    EXPECT_EQ(dev->open(), 0);
    EXPECT_EQ(dev->handler(), h);
    EXPECT_EQ(threadCount(), threads);
    EXPECT_EQ(writeAndPoll(2, 60, 1.0f), 0);
}

TEST_F(AcDcLink, ConcurrentWritesToOneModuleAreNeverLost)
{
    start(1, { 1, 2, 11 });
    ASSERT_TRUE(waitFor([&] { return online(1); }));
    int accepted = 0;
    for (int round = 0; round < 30; ++round) {
        std::atomic<int> go{ 0 };
        int r[2] = { 9, 9 };
        std::thread a([&] { while (!go) {} r[0] = dev->setting(1, 60, float(round), 0); });
        std::thread b([&] { while (!go) {} r[1] = dev->setting(1, 64, float(round), 0); });
        go = 1;
        a.join();
        b.join();
        for (int k : r) {
            EXPECT_TRUE(k == 0 || k == -2) << k;
            accepted += k == 0;
        }
        ASSERT_TRUE(waitFor([&] { return dev->getSettingResult(1) != 2; }));
        EXPECT_EQ(dev->getSettingResult(1), 0);
    }
    // Every accepted write reached the module, once.
    const size_t sent = writesAt(1, 0x1100).size() + writesAt(1, 0x1101).size();
    EXPECT_EQ(sent, size_t(accepted));
    EXPECT_GE(accepted, 30);
}

TEST_F(AcDcLink, SystemWriteFansOutBeforeItsResult)
{
    start(1, { 1, 2, 11 });
    ASSERT_TRUE(waitFor([&] { return online(1) && online(2) && dev->getStatus(11, 0) == 1; }));
    records();

    ASSERT_EQ(dev->setting(0, 64, 3.0f, 0), 0);
    int r = 2;
    for (int i = 0; i < 100000 && (r = dev->getSettingResult(0)) == 2; ++i)
        usleep(200);
    ASSERT_NE(r, 2) << "no result of the system write within 20 s";
    EXPECT_EQ(r, 0);
    // The result is there only once every module has had the write.
    for (int node : { 1, 2, 11 }) {
        ASSERT_EQ(writesAt(node, 0x1101).size(), 1u) << node;
        EXPECT_EQ(writesAt(node, 0x1101)[0], "6 4353 30") << node;
    }
    EXPECT_EQ(dev->getSettingResult(1001), 0);
    std::vector<OperateRecord> recs = records();
    std::vector<int> codes;
    for (const OperateRecord& o : recs)
        codes.push_back(o.modules);
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, (std::vector<int>{ 101, 102, 111, 1100 }));
    float v = 0.0f;
    for (int id : { 0, 1001, 1008 }) {
        EXPECT_EQ(dev->getConfig(id, 64, &v), 0);
        EXPECT_EQ(v, 3.0f) << id;
    }

    // One module that refuses makes the system write fail.
    exception(2, 4);
    EXPECT_EQ(writeAndPoll(0, 64, 4.0f), -1);
    exception(2, 0);
    EXPECT_EQ(writeAndPoll(0, 64, 5.0f), 0);

    // A branch write reaches its members only.
    const size_t before = writesAt(2, 0x1101).size();
    EXPECT_EQ(writeAndPoll(1001, 64, 6.0f), 0);
    EXPECT_EQ(writesAt(1, 0x1101).back(), "6 4353 60");
    EXPECT_EQ(writesAt(2, 0x1101).size(), before);
}

TEST_F(AcDcLink, EnergyLandsInItsHalfHour)
{
    ClockDriver clock(10);
    struct tm t;
    memset(&t, 0, sizeof t);
    t.tm_year = 2026 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 10;
    t.tm_hour = 10;
    t.tm_min = 29;
    t.tm_isdst = -1;
    TimeSeam::setWallTime(mktime(&t));
    start(1, { 1, 2, 11 });
    ASSERT_TRUE(waitFor([&] { return online(1) && online(2); }));

    float v = 0.0f;
    sim[1]->addEnergy(0.0, 5000.0);
    ASSERT_TRUE(waitFor([&] { return dev->getDischarge(2026, 3, 10, 21, &v) == 0 && v == 5.0f; }, 4000));
    t.tm_min = 30;
    TimeSeam::setWallTime(mktime(&t));
    sim[1]->addEnergy(2000.0, 3000.0);
    ASSERT_TRUE(waitFor([&] { return dev->getDischarge(2026, 3, 10, 22, &v) == 0 && v == 3.0f; }, 4000));
    EXPECT_EQ(dev->getDischarge(2026, 3, 10, 21, &v), 0);
    EXPECT_EQ(v, 5.0f);
    EXPECT_EQ(dev->getCharge(2026, 3, 10, 22, &v), 0);
    EXPECT_EQ(v, 2.0f);
    EXPECT_EQ(dev->getDischarge(2026, 3, 10, 0, &v), 0);
    EXPECT_EQ(v, 8.0f);

    // Module, branch and system totals; module 2 added nothing.
    EXPECT_EQ(analog(1, 35), 8.0f);
    EXPECT_EQ(analog(1001, 35), 8.0f);
    EXPECT_EQ(analog(0, 35), 8.0f);
    EXPECT_EQ(analog(0, 34), 2.0f);
    EXPECT_EQ(analog(2, 35), 0.0f);

    // The same through the dated pseudo-indices and today's sums.
    // Before a date is set the query year is 1, which no table holds: v stays as it was.
    EXPECT_EQ(dev->getAnalog(0, 1047 + 21, &v), 0);
    EXPECT_EQ(v, 8.0f);
    dev->setting(0, 1003, 2026, 0);
    dev->setting(0, 1004, 3, 0);
    dev->setting(0, 1005, 10, 0);
    EXPECT_EQ(dev->getAnalog(0, 1047 + 21, &v), 0);
    EXPECT_EQ(v, 5.0f);
    EXPECT_EQ(dev->getAnalog(0, 1047 + 22, &v), 0);
    EXPECT_EQ(v, 3.0f);
    EXPECT_EQ(dev->getAnalog(0, 1201, &v), 0);
    EXPECT_EQ(v, 8.0f);
    EXPECT_EQ(dev->getAnalog(0, 1200, &v), 0);
    EXPECT_EQ(v, 2.0f);
}

TEST_F(AcDcLink, SilenceAndInterruptsDoNotInflateTheTotals)
{
    ClockDriver clock(50);
    start(1, { 1, 2, 11 }, 300);
    ASSERT_TRUE(waitFor([&] { return online(1) && online(2); }));

    sim[1]->addEnergy(0.0, 2000.0);
    ASSERT_TRUE(waitFor([&] { return analog(1, 35) == 2.0f; }));

    // Polls that fail while the link still counts the module as present add nothing.
    silence(1, true);
    ASSERT_TRUE(waitFor([&] { return !online(1); }));
    ASSERT_TRUE(morePasses(4));
    EXPECT_EQ(analog(1, 35), 2.0f);
    silence(1, false);
    ASSERT_TRUE(waitFor([&] { return online(1); }));

    // Polls cut short by writes add nothing either.
    sim[1]->addEnergy(0.0, 1000.0);
    std::atomic<bool> stop{ false };
    std::thread writer([&] {
        int k = 0;
        while (!stop) {
            dev->setting(2, 60, float(k++ % 50), 0);
            usleep(3000);
        }
    });
    ASSERT_TRUE(morePasses(15));
    stop = true;
    writer.join();
    ASSERT_TRUE(morePasses(3));
    const float total = analog(1, 35);
    EXPECT_GE(total, 2.0f);
    EXPECT_LE(total, sim[1]->reportedWh(false) / 1000.0);
    EXPECT_LE(total, 3.0f);
    EXPECT_EQ(analog(0, 35), total);
}

TEST_F(AcDcLink, SaveRequestWritesTheImageOnItsRisingEdge)
{
    start(1, { 1, 2, 11 });
    ASSERT_TRUE(waitFor([&] { return online(1); }));
    const std::string image = tree.path("log/AcData.log");
    auto size = [&] {
        struct stat st;
        return stat(image.c_str(), &st) == 0 ? long(st.st_size) : -1L;
    };
    ASSERT_EQ(size(), 2228424L);
    ASSERT_EQ(truncate(image.c_str(), 0), 0);
    sim[1]->requestSave(true);
    ASSERT_TRUE(waitFor([&] { return size() == 2228424L; }));
    ASSERT_TRUE(morePasses(1));
    ASSERT_EQ(truncate(image.c_str(), 0), 0);
    ASSERT_TRUE(morePasses(4));
    EXPECT_EQ(size(), 0L);   // not again while the request stays up
    sim[1]->requestSave(false);
    ASSERT_TRUE(morePasses(2));
    sim[1]->requestSave(true);
    ASSERT_TRUE(waitFor([&] { return size() == 2228424L; }));
}

TEST_F(AcDcLink, InitialSettingsReplay)
{
    // Branch 1's parameters, without a record for 72; a one-shot parameter 92 set.
    std::string branch;
    const std::string base = tree.readFile("conf/default/param.ini");
    for (int i = 0; i < 400; ++i) {
        std::string line = base.substr(size_t(i) * 16, 16);
        if (i == 71)
            line = "0071/0000002000\n";
        else if (i == 73)
            line = "0073/0000001000\n";
        else if (i == 81)
            line = "0081/-000049800\n";
        else if (i == 92)
            line = "0092/0000001000\n";
        else if (i == 261)
            line = "0261/0000058400\n";
        else if (i == 262)
            line = "0262/0000000000\n";   // not left to the sample's default
        else if (i == 72)
            line = "0999/0000000000\n";
        branch += line;
    }
    tree.writeFile("conf/param_1001.ini", branch);
    start(1, { 1, 2, 11 });
    ASSERT_TRUE(waitFor([&] { return online(1) && online(2); }));
    ASSERT_EQ(writeAndPoll(0, 69, 3.0f), 0);
    ASSERT_EQ(writeAndPoll(0, 67, 2.0f), 0);
    ASSERT_EQ(writeAndPoll(1001, 70, 150.0f), 0);
    ASSERT_EQ(writeAndPoll(1001, 66, 12.0f), 0);
    const size_t before = sim[1]->writes().size();

    sim[1]->requestInitialSettings(true);
    ASSERT_TRUE(waitFor([&] { return sim[1]->initialSettingsAnswered() == 1; }));
    // The resend of the branch set-points follows in a later pass.
    ASSERT_TRUE(waitFor([&] { return sim[1]->writes().size() >= before + 6; }));
    ASSERT_TRUE(morePasses(2));
    std::vector<std::string> w = sim[1]->writes();
    w.erase(w.begin(), w.begin() + long(before));
    ASSERT_EQ(w.size(), 6u);

    std::vector<int> first = words(w[0]);
    ASSERT_EQ(first.size(), 122u);
    EXPECT_EQ(first[0], 16);
    EXPECT_EQ(first[1], AcModuleSim::INIT_BLOCK_1);
    const int* p = first.data() + 2;      // parameter 71 + k at word k
    EXPECT_EQ(p[0], 2);                   // 2.0 with scale 1
    EXPECT_EQ(p[1], 0);                   // 72 missing: 0 in its own place
    EXPECT_EQ(p[2], 1);                   // 73 not shifted onto 72
    EXPECT_EQ(p[10], 0x10000 - 4980);     // 81: -49.8 with scale 100
    EXPECT_EQ(p[18], 3);                  // the value of setting 69
    EXPECT_EQ(p[21], 0);                  // the one-shot 92 goes out as 0
    EXPECT_EQ(p[5], 0);                   // 76 has no row, so no scale
    std::vector<int> second = words(w[1]);
    ASSERT_EQ(second.size(), 122u);
    EXPECT_EQ(second[1], AcModuleSim::INIT_BLOCK_2);
    EXPECT_EQ(second[2], 5840);           // 58.4 with scale 100
    EXPECT_EQ(second[3], 0);
    EXPECT_EQ(w[2], "6 4098 3");          // setting 69
    EXPECT_EQ(w[3], "6 4355 2");          // setting 67
    EXPECT_EQ(w[4], "16 4368 0 150");     // branch 1's index-70 set-point
    EXPECT_EQ(w[5], "6 4354 120");        // and its index-66 one
    EXPECT_EQ(sim[1]->holding(103) >> 6 & 1, 0);

    // The one-shot parameter is cleared everywhere, on disk too.
    float v = 1.0f;
    for (int id : { 0, 1001 }) {
        EXPECT_EQ(dev->getConfig(id, 92, &v), 0);
        EXPECT_EQ(v, 0.0f) << id;
    }
    ASSERT_TRUE(waitFor([&] {
        const std::string f = tree.readFile("conf/param_1001.ini");
        return f.size() >= 93 * 16 && f.substr(92 * 16, 16) == "0092/0000000000\n";
    }));

    // Module 2 has not asked: it got nothing of it.
    EXPECT_TRUE(writesAt(2, AcModuleSim::INIT_BLOCK_1).empty());
}

// A typed decimal reaches the module as typed, and the initial-settings replay of the same
// parameter sends the same word.
TEST_F(AcDcLink, TypedDecimalsArriveAsTypedAndReplayTheSame)
{
    start(1, { 1, 2, 11 });
    ASSERT_TRUE(waitFor([&] { return online(11); }));
    struct Case { int index; float typed; int word; } cases[] = {
        { 162, 2.3f, 23 },     // scale 10
        { 164, 2.37f, 23 },    // digits beyond the scale are cut
        { 97, 1.15f, 115 },    // scale 100
        { 81, 0.95f, 95 },
    };
    for (const Case& c : cases) {
        ASSERT_EQ(writeAndPoll(11, c.index, c.typed), 0) << c.index;
        const int address = AcModuleSim::PARAMETERS + c.index;
        std::vector<std::string> w = writesAt(11, address);
        ASSERT_FALSE(w.empty()) << c.index;
        EXPECT_EQ(words(w.back()), (std::vector<int>{ 6, address, c.word })) << c.index;
    }
    sim[11]->requestInitialSettings(true);
    ASSERT_TRUE(waitFor([&] { return sim[11]->initialSettingsAnswered() == 1; }));
    std::vector<std::string> blocks = writesAt(11, AcModuleSim::INIT_BLOCK_1);
    ASSERT_FALSE(blocks.empty());
    std::vector<int> first = words(blocks.back());
    ASSERT_EQ(first.size(), 122u);
    for (const Case& c : cases)
        EXPECT_EQ(first[2 + c.index - 71], c.word) << c.index;
}

TEST_F(AcDcLink, FaultRecordFlagMakesOneRecord)
{
    start(1, { 1, 2, 11 });
    ASSERT_TRUE(waitFor([&] { return online(2); }));
    EXPECT_EQ(dev->getFaultRecordSize(), 0);
    sim[2]->requestFaultRecord(1);
    ASSERT_TRUE(waitFor([&] { return dev->getFaultRecordSize() == 1; }));
    EXPECT_EQ((sim[2]->holding(103) >> 4) & 3, 0);
    ASSERT_TRUE(morePasses(3));
    EXPECT_EQ(dev->getFaultRecordSize(), 1);
    FaultRecord r;
    ASSERT_EQ(dev->getFaultRecord(0, &r), 1);
    EXPECT_EQ(r.module, 2);
    EXPECT_EQ(r.type, 1);
    EXPECT_EQ(r.data[0][0], 2000);        // register 0
    EXPECT_EQ(r.data[0][1], 2018);        // register 18 begins the second block
    EXPECT_EQ(r.data[1][0], 2001);
    EXPECT_EQ(r.data[17][6], 2125);       // the last of 126

    // Another kind is read but makes no record.
    sim[2]->requestFaultRecord(2);
    ASSERT_TRUE(waitFor([&] { return (sim[2]->holding(103) >> 4 & 3) == 0; }));
    ASSERT_TRUE(morePasses(2));
    EXPECT_EQ(dev->getFaultRecordSize(), 1);
}
