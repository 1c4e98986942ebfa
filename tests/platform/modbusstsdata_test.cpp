#include "modbusstsdata.h"
#include "paramfile.h"
#include "runtimetree.h"
#include "timeseam.h"

#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <thread>
#include <time.h>

namespace {

// An opened switch device in a fresh runtime tree, on a stepped clock.
struct Opened {
    RuntimeTree tree;
    ModbusSTSData sts { 1 * 256 + 1, "/dev/ttySAC2", "19200,n,8,1", 800, 0 };
    Opened()
    {
        TimeSeam::useFakeClock(true);
        EXPECT_EQ(sts.open(), 0);
    }
    std::string paramLine(int id, int index) const
    {
        const std::string bytes = tree.readFile("conf-sts/param_" + std::to_string(id) + ".ini");
        return bytes.size() >= size_t(16 * (index + 1)) ? bytes.substr(size_t(16 * index), 16) : "";
    }
};

float analog(ModbusSTSData& d, int module, int index)
{
    float v = -12345.0f;
    d.getAnalog(module, index, &v);
    return v;
}

float config(ModbusSTSData& d, int module, int index)
{
    float v = -12345.0f;
    d.getConfig(module, index, &v);
    return v;
}

} // namespace

TEST(ModbusSTSData, KeepsTheArgumentsItWasBuiltWith)
{
    ModbusSTSData sts(3 * 256 + 1, "/dev/ttySAC2", "19200,n,8,1", 800, 1);
    EXPECT_EQ(sts.address(), 769);
    EXPECT_EQ(sts.port(), "/dev/ttySAC2");
    EXPECT_EQ(sts.lineSettings(), "19200,n,8,1");
    EXPECT_EQ(sts.timeoutMs(), 800);
    EXPECT_EQ(sts.trace(), 1);
}

TEST(ModbusSTSData, ServesPlausibleValuesOnceOpen)
{
    Opened o;
    struct Case {
        const char* name;
        float got;
        float want;
        float tol;
    };
    const Case cases[] = {
        { "switch online", float(o.sts.getStatus(0, 0)), 1, 0 },
        { "switch data online", float(o.sts.getStatus(1, 0)), 1, 0 },
        { "grid voltage A", analog(o.sts, 0, 0), 230, 3 },
        { "grid voltage C", analog(o.sts, 0, 2), 230, 3 },
        { "grid frequency", analog(o.sts, 0, 6), 50, 0.1f },
        { "load voltage A", analog(o.sts, 0, 27), 230, 3 },
        { "grid power kW", analog(o.sts, 0, 21), 10.4f, 0.5f },
        { "load power kW", analog(o.sts, 0, 48), 8.3f, 0.5f },
        { "firmware version", analog(o.sts, 1, 66), 101, 0 },
        { "grid contact closed", float(o.sts.getStatus(1, 18)), 1, 0 },
        { "load contact closed", float(o.sts.getStatus(1, 19)), 1, 0 },
        { "no alarm", float(o.sts.getStatus(1, 12)), 0, 0 },
        { "no fault", float(o.sts.getStatus(1, 13)), 0, 0 },
        { "over-voltage threshold", config(o.sts, 0, 44), 1.10f, 1e-5f },
        { "under-frequency threshold", config(o.sts, 0, 47), -1.50f, 1e-5f },
        { "grid meter online", float(o.sts.getStatus(10, 0)), 1, 0 },
        { "grid meter code", analog(o.sts, 10, 35), 0x0302, 0 },
        { "grid meter line voltage raw", analog(o.sts, 10, 40), 3985, 0 },
        { "load meter power raw", analog(o.sts, 11, 49), 8326, 0 },
        { "monitor 8 online", float(o.sts.getStatus(27, 0)), 1, 0 },
        { "monitor 1 positive resistance", analog(o.sts, 20, 4), 5000, 0 },
        { "monitor 1 bus fault", analog(o.sts, 20, 6), 0, 0 },
    };
    for (const Case& c : cases)
        EXPECT_NEAR(c.got, c.want, c.tol) << c.name;
}

TEST(ModbusSTSData, UnknownModulesAndPointsAnswerNegativeAndZeroTheOutput)
{
    Opened o;
    EXPECT_EQ(o.sts.getStatus(2, 0), -1);
    EXPECT_EQ(o.sts.getStatus(1, 200), -1);
    EXPECT_EQ(o.sts.getStatus(1, -1), -1);
    EXPECT_EQ(o.sts.getAlarm(28, 0), -1);
    float v = 7.0f;
    EXPECT_EQ(o.sts.getAnalog(12, 0, &v), -2);
    EXPECT_EQ(v, 0.0f);
    v = 7.0f;
    EXPECT_EQ(o.sts.getConfig(0, 200, &v), -1);
    EXPECT_EQ(v, 0.0f);
}

TEST(ModbusSTSData, ASettingIsPendingForOneRoundTripThenDoneAndRecorded)
{
    setenv("TZ", "Asia/Shanghai", 1);
    tzset();
    Opened o;
    TimeSeam::setWallTime(1700000000); // 2023-11-15 06:13:20 in Asia/Shanghai
    ASSERT_EQ(o.sts.setting(0, 44, 1.2f, 0), 0);
    EXPECT_EQ(o.sts.getSettingResult(0), 2);
    EXPECT_NEAR(config(o.sts, 0, 44), 1.10f, 1e-6);
    OperateRecord r;
    EXPECT_EQ(o.sts.getOperateRecord(&r), 0);

    TimeSeam::advanceMs(ModbusSTSData::WRITE_MS - 1);
    EXPECT_EQ(o.sts.getSettingResult(0), 2);
    TimeSeam::advanceMs(1);
    EXPECT_EQ(o.sts.getSettingResult(0), 0);
    EXPECT_NEAR(config(o.sts, 0, 44), 1.2f, 1e-6);

    ASSERT_EQ(o.sts.getOperateRecord(&r), 1);
    EXPECT_EQ(r.modules, 301);
    EXPECT_EQ(r.oid, 44);
    EXPECT_NEAR(r.rdata, 1.10, 1e-6);
    EXPECT_NEAR(r.mdata, 1.2, 1e-6);
    EXPECT_STREQ(r.time, "2023-11-15 06:13:20");
    EXPECT_EQ(o.sts.getOperateRecord(&r), 0);
}

TEST(ModbusSTSData, TwoWritesToOneModuleStayPendingUntilBothAreDone)
{
    Opened o;
    ASSERT_EQ(o.sts.setting(0, 53, 1, 0), 0);
    TimeSeam::advanceMs(60);
    ASSERT_EQ(o.sts.setting(0, 54, 2, 0), 0);
    TimeSeam::advanceMs(40);
    EXPECT_EQ(o.sts.getSettingResult(0), 2);
    EXPECT_EQ(config(o.sts, 0, 53), 1.0f);
    EXPECT_EQ(config(o.sts, 0, 54), 0.0f);
    TimeSeam::advanceMs(60);
    EXPECT_EQ(o.sts.getSettingResult(0), 0);
    EXPECT_EQ(config(o.sts, 0, 54), 2.0f);
    OperateRecord r;
    EXPECT_EQ(o.sts.getOperateRecord(&r), 1);
    EXPECT_EQ(r.oid, 53);
    EXPECT_EQ(o.sts.getOperateRecord(&r), 1);
    EXPECT_EQ(r.oid, 54);
}

TEST(ModbusSTSData, AnOfflineMonitorFailsItsSettingAfterTheTimeOutWithoutARecord)
{
    Opened o;
    ASSERT_EQ(o.sts.setOnline(22, false), 0);
    EXPECT_EQ(o.sts.getStatus(22, 0), 0);
    ASSERT_EQ(o.sts.setting(22, 23, 2.0f, 0), 0);
    TimeSeam::advanceMs(799);
    EXPECT_EQ(o.sts.getSettingResult(22), 2);
    TimeSeam::advanceMs(1);
    EXPECT_EQ(o.sts.getSettingResult(22), 1);
    EXPECT_EQ(config(o.sts, 22, 23), 1.0f);

    // A monitor's working-mode writes come every measurement window: they are no operations.
    ASSERT_EQ(o.sts.setting(21, 23, 2.0f, 0), 0);
    TimeSeam::advanceMs(100);
    EXPECT_EQ(o.sts.getSettingResult(21), 0);
    EXPECT_EQ(config(o.sts, 21, 23), 2.0f);
    OperateRecord r;
    EXPECT_EQ(o.sts.getOperateRecord(&r), 0);
}

TEST(ModbusSTSData, RefusesWritesItCannotCarry)
{
    RuntimeTree tree;
    ModbusSTSData sts(257, "/dev/ttySAC2", "19200,n,8,1", 800, 0);
    OperateRecord r;
    memset(&r, 0x55, sizeof r);
    EXPECT_EQ(sts.getOperateRecord(&r), -1);
    EXPECT_EQ(r.modules, 0);
    EXPECT_EQ(r.time[0], '\0');
    EXPECT_EQ(sts.setting(0, 44, 1.2f, 0), -1) << "not open";
    EXPECT_EQ(sts.getSettingResult(0), -1);
    EXPECT_EQ(sts.getStatus(0, 0), 0);

    ASSERT_EQ(sts.open(), 0);
    struct Case {
        const char* name;
        int module, index;
        float value;
        int want;
    };
    const Case cases[] = {
        { "unknown module", 2, 1, 1, -2 },
        { "index past the table", 0, 200, 1, -1 },
        { "negative index", 0, -1, 1, -1 },
        { "not a number", 0, 44, NAN, -1 },
        { "infinite", 0, 44, INFINITY, -1 },
        { "too large for a parameter line", 0, 44, 1e10f, -1 },
        { "largest that fits", 0, 44, 9999999.0f, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(sts.setting(c.module, c.index, c.value, 0), c.want) << c.name;
    EXPECT_EQ(sts.getSettingResult(2), -2);
    EXPECT_EQ(sts.getOperateRecord(nullptr), -1);
}

TEST(ModbusSTSData, WritesBothParameterFilesAndPatchesTheLineOfASetting)
{
    Opened o;
    for (int id : { 0, 1 })
        EXPECT_EQ(o.tree.readFile("conf-sts/param_" + std::to_string(id) + ".ini").size(), 16u * ModbusSTSData::POINTS);
    EXPECT_EQ(o.paramLine(0, 0), "0000/0000000000\n");
    EXPECT_EQ(o.paramLine(0, 44), "0044/0000001100\n");
    EXPECT_EQ(o.paramLine(0, 47), "0047/-000001500\n");
    EXPECT_EQ(o.paramLine(0, 60), "0060/0000001100\n");
    EXPECT_EQ(o.paramLine(0, 70), "0070/0000002000\n");
    EXPECT_EQ(o.paramLine(1, 20), "0020/0000230000\n");

    ASSERT_EQ(o.sts.setting(0, 45, 0.9f, 0), 0);
    ASSERT_EQ(o.sts.setting(1, 21, 60.0f, 0), 0);
    EXPECT_EQ(o.paramLine(0, 45), "0045/0000000850\n") << "not before the write is done";
    TimeSeam::advanceMs(100);
    EXPECT_EQ(o.sts.getSettingResult(0), 0);
    EXPECT_EQ(o.paramLine(0, 45), "0045/0000000900\n");
    EXPECT_EQ(o.paramLine(0, 44), "0044/0000001100\n");
    EXPECT_EQ(o.paramLine(1, 21), "0021/0000060000\n");
}

TEST(ModbusSTSData, TakesStoredParametersAndOnlyAddsTheMissingLines)
{
    RuntimeTree tree;
    const std::string head = "0000/0000000000\n0001/0000000001\n0002/0000000000\n0003/-000000500\n";
    tree.writeFile("conf-sts/param_0.ini", head);
    ModbusSTSData sts(257, "/dev/ttySAC2", "19200,n,8,1", 800, 0);
    ASSERT_EQ(sts.open(), 0);
    EXPECT_NEAR(config(sts, 0, 1), 0.001f, 1e-7);
    EXPECT_NEAR(config(sts, 0, 3), -0.5f, 1e-7);
    const std::string bytes = tree.readFile("conf-sts/param_0.ini");
    ASSERT_EQ(bytes.size(), 16u * ModbusSTSData::POINTS);
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    EXPECT_EQ(bytes.substr(16 * 4, 16), "0004/0000000000\n");
    EXPECT_EQ(bytes.substr(16 * 61, 16), "0061/0000000850\n");
}

TEST(ModbusSTSData, ClearingFaultsClearsTheSwitchAlarms)
{
    Opened o;
    ASSERT_EQ(o.sts.setAlarm(1, 5, 1), 0);
    ASSERT_EQ(o.sts.setStatus(1, 13, 1), 0);
    EXPECT_EQ(o.sts.getAlarm(1, 5), 1);
    ASSERT_EQ(o.sts.setting(0, 2, 1.0f, 0), 0);
    TimeSeam::advanceMs(100);
    EXPECT_EQ(o.sts.getSettingResult(0), 0);
    EXPECT_EQ(o.sts.getAlarm(1, 5), 0);
    EXPECT_EQ(o.sts.getStatus(1, 13), 0);
}

TEST(ModbusSTSData, CountsFaultRecordsAndCopiesThemOut)
{
    Opened o;
    EXPECT_EQ(o.sts.getFaultRecordSize(), 0);
    FaultRecord f;
    memset(&f, 0, sizeof f);
    strcpy(f.time, "2024-01-02 03:04:05");
    f.type = 3;
    f.module = 1;
    f.data[2][1] = 0xBEEF;
    o.sts.addFaultRecord(f);
    EXPECT_EQ(o.sts.getFaultRecordSize(), 1);
    FaultRecord out;
    ASSERT_EQ(o.sts.getFaultRecord(0, &out), 1);
    EXPECT_STREQ(out.time, "2024-01-02 03:04:05");
    EXPECT_EQ(out.data[2][1], 0xBEEF);
    EXPECT_EQ(o.sts.getFaultRecord(1, &out), 0);
    EXPECT_EQ(o.sts.getFaultRecord(-1, &out), 0);
    EXPECT_EQ(o.tree.readFile("log/stsfaultRecord.log"), "0\t2024-01-02 03:04:05\t3\t1\n");
}

TEST(ModbusSTSData, CalibrationMovesTheReadingAndDebugAddressesPickAValue)
{
    Opened o;
    ASSERT_EQ(o.sts.setAnalog(0, 27, 200.0f), 0);
    ASSERT_EQ(o.sts.setting(0, 107, 1.01f, 0), 0);
    ASSERT_EQ(o.sts.setting(0, 114, 27.0f, 0), 0);
    ASSERT_EQ(o.sts.setting(0, 115, 9999.0f, 0), 0);
    TimeSeam::advanceMs(ModbusSTSData::WRITE_MS);
    EXPECT_EQ(o.sts.getSettingResult(0), 0);
    EXPECT_NEAR(config(o.sts, 0, 107), 1.01f, 1e-6);
    EXPECT_NEAR(analog(o.sts, 0, 27), 202.0f, 1e-3);
    EXPECT_NEAR(analog(o.sts, 0, 64), 202.0f, 1e-3);
    EXPECT_EQ(analog(o.sts, 0, 65), 0.0f);
}

// The certification switch-over holds the lock of a switch parameter file while it replaces the
// file: the write of a setting's line waits for it, so the replacement cannot lose the line.
TEST(ModbusSTSData, ASettingsLineWaitsForTheFilesLock)
{
    Opened o;
    ASSERT_EQ(o.sts.setting(0, 45, 0.9f, 0), 0);
    std::atomic<bool> done{ false };
    std::thread writer;
    {
        ParamFileLock patch(o.tree.path("conf-sts/param_0.ini"));
        ASSERT_TRUE(patch.held());
        TimeSeam::advanceMs(ModbusSTSData::WRITE_MS);
        writer = std::thread([&] {
            o.sts.getSettingResult(0);
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(done);
        EXPECT_EQ(o.paramLine(0, 45), "0045/0000000850\n");
    }
    writer.join();
    EXPECT_EQ(o.sts.getSettingResult(0), 0);
    EXPECT_EQ(o.paramLine(0, 45), "0045/0000000900\n");
}
