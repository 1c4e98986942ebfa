#include "writepoll.h"
#include "devicedata.h"
#include "timeseam.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QTimer>

using ::testing::_;
using ::testing::Return;

namespace {
class MockDevice : public DeviceData {
public:
    MOCK_METHOD(int, open, (), (override));
    MOCK_METHOD(int, close, (), (override));
    MOCK_METHOD(int, getAnalog, (int, int, float*), (override));
    MOCK_METHOD(int, getStatus, (int, int), (override));
    MOCK_METHOD(int, getAlarm, (int, int), (override));
    MOCK_METHOD(int, getConfig, (int, int, float*), (override));
    MOCK_METHOD(int, setting, (int, int, float, int), (override));
    MOCK_METHOD(int, getSettingResult, (int), (override));
    MOCK_METHOD(int, getOperateRecord, (OperateRecord*), (override));
    MOCK_METHOD(int, getVersion, (char*, int), (override));
    MOCK_METHOD(int, getFaultRecordSize, (), (override));
    MOCK_METHOD(int, getFaultRecord, (int, FaultRecord*), (override));
};

struct FakeClock {
    FakeClock() { TimeSeam::useFakeClock(true); }
    ~FakeClock() { TimeSeam::useFakeClock(false); }
};
}

TEST(WriteAndPoll, RefusedWriteEndsWithoutPolling)
{
    MockDevice dev;
    EXPECT_CALL(dev, setting(3, 61, 1.0f, 0)).WillOnce(Return(-2));
    EXPECT_CALL(dev, getSettingResult(_)).Times(0);
    EXPECT_EQ(writeAndPoll(&dev, 3, 61, 1.0f), -1);
}

TEST(WriteAndPoll, FinalResultDecides)
{
    struct Case { const char* name; int final; int expected; } cases[] = {
        { "done", 0, 0 }, { "no answer", 1, -1 }, { "not open", -1, -1 }, { "unknown module", -2, -1 },
    };
    FakeClock clock;
    for (const Case& c : cases) {
        MockDevice dev;
        EXPECT_CALL(dev, setting(0, 67, 2.0f, 0)).WillOnce(Return(0));
        EXPECT_CALL(dev, getSettingResult(0)).WillOnce(Return(2)).WillOnce(Return(2)).WillOnce(Return(c.final));
        EXPECT_EQ(writeAndPoll(&dev, 0, 67, 2.0f), c.expected) << c.name;
    }
}

TEST(WriteAndPoll, KeepsTheGuiAliveWhilePending)
{
    FakeClock clock;
    MockDevice dev;
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    int polls = 0;
    EXPECT_CALL(dev, setting(_, _, _, _)).WillOnce(Return(0));
    EXPECT_CALL(dev, getSettingResult(1)).WillRepeatedly([&] { return (++polls < 50 || !timerRan) ? 2 : 0; });
    EXPECT_EQ(writeAndPoll(&dev, 1, 5, 1.0f), 0);
    EXPECT_TRUE(timerRan);
}

TEST(WriteAndPoll, DeviceThatNeverAnswersGivesUpAfterTwentySeconds)
{
    FakeClock clock;
    MockDevice dev;
    EXPECT_CALL(dev, setting(_, _, _, _)).WillOnce(Return(0));
    EXPECT_CALL(dev, getSettingResult(_)).WillRepeatedly(Return(2));
    int64_t t0 = TimeSeam::monotonicMs();
    EXPECT_EQ(writeAndPoll(&dev, 2, 1, 0.0f), -1);
    int64_t waited = TimeSeam::monotonicMs() - t0;
    EXPECT_GE(waited, 20000);
    EXPECT_LT(waited, 21000);
}
