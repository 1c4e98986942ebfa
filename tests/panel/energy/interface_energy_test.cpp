#include "interface_energy.h"
#include "energythread.h"
#include "modbusacdcdata.h"
#include "modbusrtudevice.h"
#include "modbusstsdata.h"
#include "modbustcpdevice.h"
#include "monitorset.h"
#include "rtuline.h"
#include "runtimetree.h"

#include <gtest/gtest.h>
#include <QThread>
#include <stdio.h>
#include <string>

namespace {

// The option record with the given insulation monitors enabled (words 42 + m).
std::string optionRecord(std::initializer_list<int> monitors)
{
    std::string record(840, '\0');
    for (int m : monitors)
        record[4 * (42 + m)] = 1;
    return record;
}

// The converter's anti-backflow enable (parameter 280) in its parameter file.
void antiBackflowInParamFile(RuntimeTree& tree, int on)
{
    std::string param = tree.readFile("conf/default/param.ini");
    char line[17];
    snprintf(line, sizeof line, "0280/%010d", on * 1000);
    param.replace(280 * 16, 15, line);
    tree.writeFile("conf/param_0.ini", param);
}

} // namespace

TEST(interface_Energy, WithoutTheConverterTheThreadIsNotStarted)
{
    RuntimeTree tree{ true };
    set[42].value = 1;
    interface_Energy page;
    EXPECT_EQ(page.findChild<EnergyThread*>(), nullptr);
    page.setDeviceData(nullptr, nullptr, nullptr, nullptr, nullptr);
    EnergyThread* t = page.findChild<EnergyThread*>();
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(t->isRunning());
    EXPECT_EQ(set[42].value, 1);
}

TEST(interface_Energy, StartsTheThreadOnceWithTheConvertersAntiBackflowAndTheMonitorEnables)
{
    RuntimeTree tree{ true };
    antiBackflowInParamFile(tree, 1);
    tree.writeFile("log/partdata.dat", optionRecord({ 1, 3 }));
    RtuLine line;
    ASSERT_TRUE(line.open(tree.path("dev/ttySAC1")));
    line.start();
    ModbusAcDcData ac(13, const_cast<char*>("/dev/ttySAC1"), const_cast<char*>("19200,n,8,1"), 300, 0);
    ASSERT_EQ(ac.open(), 0);
    ModbusSTSData sts(1, "/dev/ttySAC2", "19200,n,8,1", 800, 0);
    sts.open();
    modbus::ModbusrtuDevice rtu(nullptr, nullptr, nullptr, "/dev/ttySAC3", 19200, 1, 1, 0, 0);
    modbus::ModbustcpDevice tcp(nullptr, nullptr, nullptr, 502, 1, 0, 0);
    readmonitorset();
    set[42].value = 0;
    {
        interface_Energy page;
        page.setDeviceData(&ac, nullptr, &sts, &rtu, &tcp);
        EnergyThread* t = page.findChild<EnergyThread*>();
        ASSERT_NE(t, nullptr);
        EXPECT_TRUE(t->isRunning());
        EXPECT_EQ(set[42].value, 1);
        EXPECT_EQ(t->insulationEnable[1], 1);
        EXPECT_EQ(t->insulationEnable[3], 1);
        EXPECT_EQ(t->insulationEnable[0], 0);
        page.setDeviceData(&ac, nullptr, &sts, &rtu, &tcp);
        EXPECT_EQ(page.findChildren<EnergyThread*>().size(), 1);

        // The thread's start publishes the enables to the slaves.
        float v = 0;
        for (int i = 0; i < 2000 && tcp.getAnalog(0, 404, &v) != 0; ++i)
            QThread::msleep(1);
        EXPECT_EQ(v, 1.0f);
        EXPECT_EQ(rtu.getStatus(0, 402), 1);
        EXPECT_EQ(rtu.getStatus(0, 401), 0);
    }   // the page stops its thread
    set[42].value = 0;
    readmonitorset();
    EXPECT_EQ(set[42].value, 1);   // saved
}

TEST(interface_Energy, AShortOptionRecordEnablesNoMonitor)
{
    RuntimeTree tree{ true };
    tree.writeFile("log/partdata.dat", std::string(100, '\1'));
    interface_Energy page;
    page.setDeviceData(nullptr, nullptr, nullptr, nullptr, nullptr);
    EnergyThread* t = page.findChild<EnergyThread*>();
    ASSERT_NE(t, nullptr);
    for (int m = 0; m < EnergyThread::MONITORS; ++m)
        EXPECT_EQ(t->insulationEnable[m], 0) << m;
}
