#include "interface_switch.h"

#include "devicedata.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Records the settings it is given.
class RecordingDevice : public DeviceData {
public:
    std::vector<std::string> writes;
    int answer = 0;
    int open() override { return 0; }
    int close() override { return 0; }
    int getAnalog(int, int, float* out) override { *out = 0; return 0; }
    int getStatus(int, int) override { return 0; }
    int getAlarm(int, int) override { return 0; }
    int getConfig(int, int, float* out) override { *out = 0; return 0; }
    int setting(int module, int index, float value, int flag) override
    {
        writes.push_back(std::to_string(module) + "," + std::to_string(index) + "," + std::to_string(value) + ","
            + std::to_string(flag));
        return answer;
    }
    int getSettingResult(int) override { return 0; }
    int getOperateRecord(OperateRecord*) override { return 0; }
    int getVersion(char*, int) override { return 0; }
    int getFaultRecordSize() override { return 0; }
    int getFaultRecord(int, FaultRecord*) override { return 0; }
};

// The converter classes come from libraries not built yet, so their DeviceData views are set here.
class SwitchWithDevices : public interface_Switch {
public:
    void setViews(DeviceData* acdc, DeviceData* dcdc)
    {
        m_acdcData = acdc;
        m_dcdcData = dcdc;
    }
    DeviceData* acdcView() const { return m_acdcData; }
    DeviceData* dcdcView() const { return m_dcdcData; }
};

} // namespace

TEST(interface_Switch, TimeoutOffStopsBothConverters)
{
    RecordingDevice ac, dc;
    dc.answer = -1; // a refusal is only logged
    SwitchWithDevices page;
    page.setViews(&ac, &dc);
    page.timeout_off();
    EXPECT_EQ(ac.writes, std::vector<std::string> { "0,68,1.000000,0" });
    EXPECT_EQ(dc.writes, std::vector<std::string> { "0,8,1.000000,0" });
}

TEST(interface_Switch, TimeoutOffWithoutDevicesDoesNothing)
{
    RecordingDevice ac;
    SwitchWithDevices page;
    page.timeout_off();
    page.setViews(&ac, nullptr);
    page.timeout_off();
    EXPECT_EQ(ac.writes.size(), 1u);
}

TEST(interface_Switch, NullDevicesGiveNoViews)
{
    RecordingDevice ac;
    SwitchWithDevices page;
    page.setViews(&ac, &ac);
    page.setDeviceData(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(page.acdcView(), nullptr);
    EXPECT_EQ(page.dcdcView(), nullptr);
    page.freshme();
    page.timeout_off();
    EXPECT_TRUE(ac.writes.empty());
}
