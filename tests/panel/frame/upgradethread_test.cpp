#include "upgradethread.h"

#include "fakeupgradeengine.h"
#include "timeseam.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>
#include <QApplication>
#include <QObject>
#include <QThread>
#include <QTranslator>
#include <QCoreApplication>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string u8(const QString& s)
{
    return s.toUtf8().toStdString();
}

// Every signal of the worker as one event string, in the order received.
struct Recorder {
    QObject context;
    std::vector<std::string> events;
    bool allInGuiThread = true;

    explicit Recorder(UpgradeThread* w)
    {
        auto note = [this](const std::string& e) {
            if (QThread::currentThread() != qApp->thread())
                allInGuiThread = false;
            events.push_back(e);
        };
        QObject::connect(w, &UpgradeThread::setUpgradeEdit, &context, [note](QString s) { note("line " + u8(s)); });
        QObject::connect(w, &UpgradeThread::sendUpgradeFinish, &context, [note]() { note("finish"); });
        QObject::connect(w, &UpgradeThread::sendUpgradFault, &context, [note]() { note("fault"); });
        QObject::connect(w, &UpgradeThread::sendUpgradeSuccess, &context, [note]() { note("success"); });
        QObject::connect(w, &UpgradeThread::setProgressBar, &context,
            [note](int v) { note("progress " + std::to_string(v)); });
        QObject::connect(w, &UpgradeThread::sendUpgradeFail, &context,
            [note](int a) { note("fail " + std::to_string(a)); });
    }
};

// A worker over the fake engine; the pass is called directly and its 200 ms polls step the fake clock.
struct Pass {
    FakeUpgradeEngine engine;
    UpgradeThread worker;
    Recorder rec{ &worker };

    Pass() { TimeSeam::useFakeClock(true); }
    ~Pass() { TimeSeam::useFakeClock(false); }
    void run(std::vector<int> modules, int kind)
    {
        worker.setDiviceData(static_cast<DeviceData*>(&engine));
        worker.initUpradeModule(modules, kind);
        worker.onePass();
    }
};

const char* const kClosing = "line 升级结束,请检查升级过程中是否有失败的模块！";

} // namespace

TEST(UpgradeThread, TwoModulesGoThroughEveryStep)
{
    Pass p;
    p.engine.succeeds(129);
    p.engine.succeeds(131);
    p.engine.script(129, 0, { 0, 0, 1 });
    p.engine.script(129, 6, { 500 });
    p.engine.script(131, 6, { 1000 });

    p.run({ 129, 131 }, 1);

    const std::vector<std::string> expected = {
        "line DCDC#1准备升级...",
        "line DCDC#3准备升级...",
        "line DCDC#1软件升级已就绪，Boot启动",
        "line DCDC#3软件升级已就绪，Boot启动",
        "line 正在解密...",
        "line DCDC#1解密成功....",
        "line DCDC#3解密成功....",
        "line 正在擦除...",
        "line DCDC#1擦除成功,开始烧录....",
        "line DCDC#3擦除成功,开始烧录....",
        "line DCDC#1发送数据成功....",
        "progress 500",
        "line DCDC#3发送数据成功....",
        "progress 1000",
        "line DCDC#1升级成功",
        "line DCDC#3升级成功",
        "success",
        kClosing,
        "finish",
    };
    EXPECT_EQ(p.rec.events, expected);
    EXPECT_EQ(p.engine.settings(0), std::vector<std::string> { "129/1" });
    EXPECT_EQ(p.engine.settings(1), (std::vector<std::string> { "129/0", "131/0" }));
    EXPECT_EQ(p.engine.settings(2), std::vector<std::string> { "129/0" });

    // A step still running is asked again every 200 ms.
    const auto boot = p.engine.polls(129, 0);
    ASSERT_EQ(boot.size(), 3u);
    EXPECT_EQ(boot[1].ms - boot[0].ms, 200);
    EXPECT_EQ(boot[2].ms - boot[1].ms, 200);
    // The all-modules check belongs to the addresses 79 and 143 only.
    EXPECT_TRUE(p.engine.polls(129, 7).empty());
}

TEST(UpgradeThread, OneModuleFailingBootEndsThePass)
{
    Pass p;
    p.engine.script(67, 0, { 0, -2 });
    p.run({ 67 }, 0);
    const std::vector<std::string> expected = {
        "line DCAC#3准备升级...",
        "line DCAC#3软件升级未就绪，升级失败",
        "fail 67",
        kClosing,
        "finish",
    };
    EXPECT_EQ(p.rec.events, expected);
    EXPECT_EQ(p.engine.polls().size(), 2u); // no later step is asked
}

struct DropCase {
    const char* name;
    int step;
    int answer;
    const char* line;
};

void PrintTo(const DropCase& c, std::ostream* os)
{
    *os << c.name;
}

class UpgradeThreadDrop : public ::testing::TestWithParam<DropCase> {
};

// Module 129 fails one step: it is dropped with its text, 131 goes on to the end.
TEST_P(UpgradeThreadDrop, FailedModuleLeavesThePass)
{
    const DropCase& c = GetParam();
    Pass p;
    p.engine.succeeds(129);
    p.engine.succeeds(131);
    p.engine.script(129, c.step, { 0, c.answer });

    p.run({ 129, 131 }, 1);

    const auto& ev = p.rec.events;
    const auto failed = std::find(ev.begin(), ev.end(), std::string("line DCDC#1") + c.line);
    ASSERT_NE(failed, ev.end()) << c.line;
    ASSERT_NE(failed + 1, ev.end());
    EXPECT_EQ(*(failed + 1), "fail 129");
    EXPECT_EQ(std::count(ev.begin(), ev.end(), "fail 129"), 1);
    EXPECT_NE(std::find(ev.begin(), ev.end(), "line DCDC#3升级成功"), ev.end());
    EXPECT_EQ(std::vector<std::string>(ev.end() - 3, ev.end()),
        (std::vector<std::string> { "success", kClosing, "finish" }));
    // Steps before the failure asked it, later steps skip it.
    bool dropped = false;
    for (int s : { 0, 1, 2, 5, 3 }) {
        EXPECT_EQ(p.engine.polls(129, s).empty(), dropped) << "step " << s;
        if (s == c.step)
            dropped = true;
    }
}

const DropCase kDropCases[] = {
    { "decryption", 1, -2, "解密失败,停止升级...." },
    { "erase", 2, -2, "擦除失败,停止升级...." },
    { "data", 5, -2, "发送数据帧失败,停止升级...." },
    { "file_open", 5, -1, "升级文件打开失败" },
    { "end_frame", 3, -2, "发送结束帧失败,停止升级...." },
};

INSTANTIATE_TEST_SUITE_P(Steps, UpgradeThreadDrop, ::testing::ValuesIn(kDropCases),
    [](const ::testing::TestParamInfo<DropCase>& info) { return std::string(info.param.name); });

TEST(UpgradeThread, EveryDataPollPassesTheProgressOn)
{
    Pass p;
    p.engine.succeeds(131);
    p.engine.script(131, 5, { 0, 0, 0, 1 });
    p.engine.script(131, 6, { 10, 20, 30, 40 });
    p.run({ 131 }, 1);

    std::vector<std::string> progress;
    for (const std::string& e : p.rec.events)
        if (e.compare(0, 9, "progress ") == 0)
            progress.push_back(e);
    EXPECT_EQ(progress, (std::vector<std::string> { "progress 10", "progress 20", "progress 30", "progress 40" }));
    const auto data = p.engine.polls(131, 5);
    ASSERT_EQ(data.size(), 4u);
    for (size_t i = 1; i < data.size(); ++i)
        EXPECT_EQ(data[i].ms - data[i - 1].ms, 200);
}

struct PrefixCase {
    const char* name;
    int kind;
    int address;
    const char* prefix;
};

void PrintTo(const PrefixCase& c, std::ostream* os)
{
    *os << c.name;
}

class UpgradeThreadPrefix : public ::testing::TestWithParam<PrefixCase> {
};

TEST_P(UpgradeThreadPrefix, LinesOfAModule)
{
    const PrefixCase& c = GetParam();
    Pass p;
    p.engine.script(c.address, 0, { -2 });
    p.engine.script(c.address, 7, { -2 });
    p.run({ c.address }, c.kind);
    ASSERT_GE(p.rec.events.size(), 2u);
    EXPECT_EQ(p.rec.events[0], std::string("line ") + c.prefix + "准备升级...");
    EXPECT_EQ(p.rec.events[1], std::string("line ") + c.prefix + "软件升级未就绪，升级失败");
}

const PrefixCase kPrefixCases[] = {
    { "ac_module_3", 0, 67, "DCAC#3" },
    { "dc_module_3", 1, 131, "DCDC#3" },
    { "u2_unit", 2, 75, "U2#11" },
    { "transfer_switch", 3, 76, "STS#12" },
    { "ac_address_as_dc_kind", 1, 67, "" },
    { "dc_address_whatever_kind", 0, 131, "DCDC#3" },
    { "all_ac_modules", 0, 79, "DCAC#15" },
    { "all_dc_modules", 1, 143, "DCDC#15" },
    { "ac_range_end", 0, 126, "DCAC#62" },
    { "past_ac_range", 0, 127, "" },
    { "past_u2_range", 2, 80, "" },
    { "dc_range_end", 1, 190, "DCDC#62" },
    { "past_dc_range", 1, 191, "" },
};

INSTANTIATE_TEST_SUITE_P(Table, UpgradeThreadPrefix, ::testing::ValuesIn(kPrefixCases),
    [](const ::testing::TestParamInfo<PrefixCase>& info) { return std::string(info.param.name); });

struct AllModulesCase {
    const char* name;
    int address;
    int kind;
    std::vector<int> check; // answers of step 7
    const char* stopsAfter; // the last line before "升级结束", or null when the pass runs through
};

void PrintTo(const AllModulesCase& c, std::ostream* os)
{
    *os << c.name;
}

class UpgradeThreadAllModules : public ::testing::TestWithParam<AllModulesCase> {
};

// 79 and 143 stand for every module of a kind at one address: after boot and after decryption
// the engine's single-answer check must pass, or the pass stops without its end signal.
TEST_P(UpgradeThreadAllModules, SingleAnswerCheck)
{
    const AllModulesCase& c = GetParam();
    Pass p;
    p.engine.succeeds(c.address);
    p.engine.script(c.address, 7, c.check);
    p.run({ c.address }, c.kind);

    const auto& ev = p.rec.events;
    if (c.stopsAfter) {
        ASSERT_GE(ev.size(), 3u);
        EXPECT_EQ(ev[ev.size() - 3], std::string("line ") + c.stopsAfter);
        EXPECT_EQ(ev[ev.size() - 2], "line 升级结束");
        EXPECT_EQ(ev.back(), "fault");
        EXPECT_EQ(std::count(ev.begin(), ev.end(), "finish"), 0);
        EXPECT_EQ(std::count(ev.begin(), ev.end(), "success"), 0);
    } else {
        EXPECT_EQ(p.engine.polls(c.address, 7).size(), 3u); // once pending, then after boot and decryption
        EXPECT_EQ(std::vector<std::string>(ev.end() - 3, ev.end()),
            (std::vector<std::string> { "success", kClosing, "finish" }));
        EXPECT_EQ(std::count(ev.begin(), ev.end(), "fault"), 0);
    }
}

const AllModulesCase kAllModulesCases[] = {
    { "dc_several_answer_boot", 143, 1, { 0, -2 }, "DCDC#15软件升级已就绪，Boot启动" },
    { "ac_several_answer_decryption", 79, 0, { 1, -2 }, "DCAC#15解密成功...." },
    { "ac_one_answers", 79, 0, { 0, 1 }, nullptr },
};

INSTANTIATE_TEST_SUITE_P(Table, UpgradeThreadAllModules, ::testing::ValuesIn(kAllModulesCases),
    [](const ::testing::TestParamInfo<AllModulesCase>& info) { return std::string(info.param.name); });

TEST(UpgradeThread, MissingFileTouchesNoModule)
{
    Pass p;
    p.engine.prepareResult = -3;
    p.run({ 65, 66 }, 0);
    EXPECT_EQ(p.rec.events, (std::vector<std::string> { "line 升级文件不存在...", "finish", "fail 0" }));
    EXPECT_EQ(p.engine.writes.size(), 1u);
    EXPECT_EQ(p.engine.settings(0), std::vector<std::string> { "65/0" });
    EXPECT_TRUE(p.engine.polls().empty());
}

TEST(UpgradeThread, AFileThatFailsItsChecksTouchesNoModule)
{
    Pass p;
    p.engine.prepareResult = -9;
    p.run({ 65, 66 }, 0);
    EXPECT_EQ(p.rec.events, (std::vector<std::string> { "line 升级文件校验失败", "finish", "fail 0" }));
    EXPECT_EQ(p.engine.settings(0), std::vector<std::string> { "65/0" });
    EXPECT_TRUE(p.engine.settings(1).empty());
    EXPECT_TRUE(p.engine.settings(2).empty());
}

TEST(UpgradeThread, PassWithoutDeviceOrModulesStillEnds)
{
    Pass p;
    std::vector<int> none;
    p.worker.initUpradeModule(none, 1);
    p.worker.onePass();
    EXPECT_EQ(p.rec.events, (std::vector<std::string> { "finish", "fail 0" }));
    p.rec.events.clear();
    p.worker.setDiviceData(static_cast<DcdcData*>(nullptr)); // not in this build: no view
    std::vector<int> one { 129 };
    p.worker.initUpradeModule(one, 1);
    p.worker.onePass();
    EXPECT_EQ(p.rec.events, (std::vector<std::string> { "finish", "fail 0" }));
}

// start() runs one pass in the worker thread, whose polls wait for the stepped clock; the
// signals reach the GUI thread queued. The object serves the next pass as well.
TEST(UpgradeThread, StartRunsOnePassInItsThread)
{
    FakeUpgradeEngine engine;
    UpgradeThread worker;
    Recorder rec(&worker);
    TimeSeam::useFakeClock(true);
    worker.setDiviceData(static_cast<DeviceData*>(&engine));

    for (int address : { 129, 130 }) {
        rec.events.clear();
        engine.succeeds(address);
        engine.script(address, 0, { 0, 0, 0, 1 });
        std::vector<int> modules { address };
        worker.initUpradeModule(modules, 1);
        worker.start();
        for (int i = 0; i < 20000 && !(worker.isFinished() && !rec.events.empty() && rec.events.back() == "finish");
             ++i) {
            TimeSeam::advanceMs(50);
            QApplication::processEvents();
            usleep(200);
        }
        ASSERT_TRUE(worker.join(5000));
        QApplication::processEvents();
        ASSERT_FALSE(rec.events.empty());
        EXPECT_EQ(rec.events.back(), "finish");
        EXPECT_NE(std::find(rec.events.begin(), rec.events.end(), "success"), rec.events.end());
        EXPECT_TRUE(rec.allInGuiThread);
        const auto boot = engine.polls(address, 0);
        ASSERT_EQ(boot.size(), 4u);
        for (size_t i = 1; i < boot.size(); ++i)
            EXPECT_GE(boot[i].ms - boot[i - 1].ms, 200);
    }
    TimeSeam::useFakeClock(false);
}

TEST(UpgradeThread, EnglishLines)
{
    QTranslator translator;
    ASSERT_TRUE(translator.load(QCoreApplication::applicationDirPath() + "/abc.qm"));
    QCoreApplication::installTranslator(&translator);
    {
        Pass p;
        p.engine.script(131, 0, { -2 });
        p.run({ 131 }, 1);
        const std::vector<std::string> expected = {
            "line DCDC#3Ready to upgrade",
            "line DCDC#3Upgrade no ready,Upgrade failed",
            "fail 131",
            "line The upgrade is over, check if there are any failed modules during the upgrade!",
            "finish",
        };
        EXPECT_EQ(p.rec.events, expected);
    }
    QCoreApplication::removeTranslator(&translator);
}
