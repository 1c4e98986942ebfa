// Our sample signal tables against what the settings pages write: every AC/DC index that a
// settings entry sends needs a setting row with a register, or the link answers the write with
// a failure; and no two rows may share a register, or one parameter would overwrite another.
#include "modbusconnection.h"

#include "runtimetree.h"

#include <cctype>
#include <gtest/gtest.h>
#include <map>
#include <stdio.h>
#include <sstream>
#include <string>
#include <vector>

using cp::ModbusConnection;

namespace {

struct SubPage {
    const char* name;
    std::vector<int> indices;
};

// The AC/DC indices each settings sub-page writes (DC branch parameters through the AC/DC
// library included), certification rows aside: those come from the interface files below.
const SubPage kSubPages[] = {
    { "basic", { 94, 108, 145, 90, 93, 95, 101, 102, 103, 116, 117, 118, 119, 120, 121, 122, 123 } },
    { "machine type", { 156, 104, 109, 80, 79, 99, 72, 110, 126, 71, 94, 90, 93, 101, 102, 103, 116, 119, 120, 121,
                          123 } },
    { "system", { 73, 108, 275, 124, 125, 128, 129, 105, 106, 276, 277, 278, 279, 65 } },
    { "monitor", { 98 } },
    { "AC", { 145, 94, 112, 86, 88, 100, 113, 74, 190, 111, 273, 97, 75, 78, 81, 130, 131, 132, 82, 133, 134, 135,
                136, 137, 264, 83, 138, 139, 140, 84, 141, 142, 143, 146, 147, 148, 149, 150, 157, 158, 159, 160,
                161, 151, 152, 153, 154, 162, 163, 164, 165, 179, 180, 166, 167, 168, 169, 170, 171, 181, 182, 186,
                188, 172, 174, 175, 176, 189, 183, 184, 185, 187, 261, 262, 263, 127, 155, 144, 173, 115 } },
    { "DC", { 90, 93, 95, 101, 102, 103, 104, 116, 117, 118, 119, 120, 121, 122, 123 } },
    { "AC debug and calibration", { 201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 214, 215, 216,
                                      217, 218, 219, 220, 221, 222 } },
};

// The AC page's entries that are not certification rows; its ramp-rate entry (88) is the
// certification row 61 of every standard.
const std::vector<int> kAcPageOwnEntries = { 145, 94, 112, 86, 100, 113, 74, 190, 111, 273, 97, 75, 78, 127, 155,
    144, 173, 115 };

struct CertRow {
    std::string section;
    int row, acIdx;
    float defaultValue;
};

// The certification rows of every standard in one interface file.
std::vector<CertRow> certificationRows(const std::string& text)
{
    std::vector<CertRow> out;
    std::istringstream in(text);
    std::string line, section;
    bool inRows = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            inRows = line.compare(0, 13, "[UiRzVersion_") == 0;
            section = line;
            continue;
        }
        int row, acIdx, stsIdx;
        char name[100], hint[100];
        float lo, hi, def;
        if (inRows
            && sscanf(line.c_str(), "%d\t%d\t%d\t%99[^\t]\t%99[^\t]\t%f\t%f\t%f", &row, &acIdx, &stsIdx, name, hint,
                   &lo, &hi, &def)
                == 8)
            out.push_back({ section, row, acIdx, def });
    }
    return out;
}

std::vector<int> certificationIndices(const std::string& text)
{
    std::vector<int> out;
    for (const CertRow& r : certificationRows(text))
        out.push_back(r.acIdx);
    return out;
}

// The value of each line of a module parameter file, by index.
std::map<int, double> paramLines(const std::string& text)
{
    std::map<int, double> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        int index;
        long long thousandfold;
        if (sscanf(line.c_str(), "%d/%lld", &index, &thousandfold) == 2)
            out[index] = thousandfold / 1000.0;
    }
    return out;
}

class SampleAcConfig : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(conn.open(), 1); }

    void expectRow(const std::string& where, int index)
    {
        auto it = conn.settingSignals().find(index);
        if (it == conn.settingSignals().end()) {
            ADD_FAILURE() << where << ": no setting row for AC/DC index " << index;
            return;
        }
        EXPECT_NE(it->second->address, 0xFFFF) << where << ": index " << index << " is sent nowhere";
        EXPECT_GE(it->second->count, 1) << where << ": index " << index;
    }

    RuntimeTree tree{ true };
    ModbusConnection conn{ "../conf/acconfig.pdu", nullptr, 1, false };
};

}

TEST_F(SampleAcConfig, EveryIndexTheSettingsPagesWriteHasARow)
{
    for (const SubPage& p : kSubPages)
        for (int index : p.indices)
            expectRow(p.name, index);
    for (const char* file : { "bin/pcs_interface.pdu", "bin/pcs_interface_english.pdu" }) {
        const std::vector<int> rows = certificationIndices(tree.readFile(file));
        EXPECT_FALSE(rows.empty()) << file;
        for (int index : rows)
            expectRow(std::string(file) + " certification row", index);
    }
}

TEST_F(SampleAcConfig, RowsDoNotShareRegisters)
{
    std::map<int, int> owner;   // register -> setting
    for (const auto& s : conn.settingSignals()) {
        if (s.second->address == 0xFFFF)
            continue;
        for (int r = s.second->address; r < s.second->address + s.second->count; ++r) {
            auto taken = owner.find(r);
            EXPECT_TRUE(taken == owner.end())
                << "register 0x" << std::hex << r << std::dec << " of setting " << s.first << " is also setting "
                << taken->second << "'s";
            owner[r] = s.first;
        }
    }
    EXPECT_GT(owner.size(), 100u);
}

// A certification row and another entry on the same index would overwrite each other: the
// switch-over puts the row's default on a line the other entry owns.
TEST_F(SampleAcConfig, CertificationRowsKeepOffTheIndicesOfOtherEntries)
{
    std::map<int, std::string> owner;
    for (const SubPage& p : kSubPages)
        if (std::string(p.name) != "AC")
            for (int index : p.indices)
                owner[index] = p.name;
    for (int index : kAcPageOwnEntries)
        owner[index] = "AC";
    for (const char* file : { "bin/pcs_interface.pdu", "bin/pcs_interface_english.pdu" }) {
        const std::vector<CertRow> rows = certificationRows(tree.readFile(file));
        EXPECT_GT(rows.size(), 200u) << file;
        for (const CertRow& r : rows) {
            auto taken = owner.find(r.acIdx);
            EXPECT_TRUE(taken == owner.end()) << file << " " << r.section << " row " << r.row << ": index " << r.acIdx
                                              << " is also an entry of the " << taken->second << " page";
        }
    }
}

// The sample default file is what a fresh module starts from: the China rows (the standard a
// fresh cabinet has) hold their defaults, and no other line lies outside its entry's range.
TEST_F(SampleAcConfig, DefaultParametersHoldTheChinaRowsAndLieInTheirRanges)
{
    const std::map<int, double> lines = paramLines(tree.readFile("conf/default/param.ini"));
    for (const CertRow& r : certificationRows(tree.readFile("bin/pcs_interface.pdu"))) {
        if (r.section != "[UiRzVersion_China]")
            continue;
        EXPECT_NEAR(lines.at(r.acIdx), r.defaultValue, 1e-3) << "China row " << r.row << " at line " << r.acIdx;
    }
    struct Range {
        int index;
        double lo, hi;
        const char* what;
    } ranges[] = {
        { 99, 1, 10, "rack number" },
        { 124, 5, 131, "virtual machine H, in tenths" },
        { 125, 10, 500, "virtual machine kD" },
        { 128, 50, 1000, "kAFR, in ten-thousandths" },
        { 129, 250, 3000, "kAVR, in ten-thousandths" },
        { 90, 600, 900, "DC lower-limit voltage" },
        { 93, 600, 900, "float-charge voltage" },
        { 101, 600, 900, "topping-charge voltage" },
        { 103, 0, 1500, "maximum charge current" },
        { 117, 1, 2400, "battery capacity" },
        { 118, 1, 396, "cells in series" },
        { 121, 0, 1500, "maximum discharge current" },
        { 123, 30, 900, "end-of-discharge voltage" },
    };
    for (const Range& r : ranges)
        EXPECT_TRUE(lines.at(r.index) >= r.lo && lines.at(r.index) <= r.hi)
            << r.what << " (line " << r.index << ") is " << lines.at(r.index);
    for (int config : { 201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 217, 218, 219, 220, 221, 222 })
        EXPECT_TRUE(lines.at(config) >= 0.9 && lines.at(config) <= 1.1)
            << "calibration coefficient " << config << " is " << lines.at(config);
    // The charging voltages of a branch stand in their order.
    EXPECT_LT(lines.at(123), lines.at(93));
    EXPECT_LT(lines.at(90), lines.at(123));
    EXPECT_LT(lines.at(93), lines.at(101));
}

// The DC/DC modules' defaults: limits in their entries' ranges (the DC/DC link's DC parameter
// selector 0 allows 30 to 800 V) and around the battery the simulated modules report (650 V).
TEST(SampleDcConfig, DefaultParametersLieInTheirRangesAroundTheBattery)
{
    RuntimeTree tree{ true };
    const std::map<int, double> lines = paramLines(tree.readFile("conf-dcdc/default/param.ini"));
    struct Range {
        int index;
        double lo, hi;
        const char* what;
    } ranges[] = {
        { 30, 30, 650, "DC lower-limit voltage" },
        { 46, 30, 650, "end-of-discharge voltage" },
        { 27, 650, 800, "float-charge voltage" },
        { 37, 650, 800, "topping-charge voltage" },
        { 40, 30, 900, "pre-charge voltage" },
        { 24, 0.1, 1500, "maximum charge current" },
        { 44, 0.1, 1500, "maximum discharge current" },
        { 43, 1, 1500, "maximum pre-charge current" },
        { 41, 1, 2400, "battery capacity" },
        { 42, 1, 396, "cells in series" },
        { 36, 1, 10, "rack number" },
    };
    for (const Range& r : ranges)
        EXPECT_TRUE(lines.at(r.index) >= r.lo && lines.at(r.index) <= r.hi)
            << r.what << " (line " << r.index << ") is " << lines.at(r.index);
    for (int config = 70; config <= 74; ++config)
        EXPECT_DOUBLE_EQ(lines.at(config), 1.0) << "calibration coefficient " << config;
    EXPECT_LT(lines.at(30), lines.at(46));
    EXPECT_LT(lines.at(27), lines.at(37));
}

// The setting names the record pages and exports print: a row carries the name of what the
// settings pages write there (DC/DC rows: the DC parameter and debug pages; AC/DC rows: the
// system page and the dispatch set-points).
TEST(SampleDcConfig, SettingRowsAreNamedAfterWhatThePagesWrite)
{
    RuntimeTree tree{ true };
    auto names = [&](const char* file, const char* section, int nameField) {
        std::map<int, std::string> out;
        std::istringstream in(tree.readFile(file));
        std::string line;
        bool inRows = false;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] == '[') {
                inRows = line == section;
                continue;
            }
            std::vector<std::string> fields;
            std::istringstream words(line);
            std::string w;
            while (std::getline(words, w, '\t'))
                fields.push_back(w);
            if (inRows && int(fields.size()) > nameField && !fields[0].empty() && isdigit(fields[0][0]))
                out[std::stoi(fields[0])] = fields[nameField];
        }
        return out;
    };
    const std::map<int, std::string> dc = names("conf-dcdc/map.pdu", "[CONF_DATA_INFO]", 2);
    const std::pair<int, const char*> dcRows[] = { { 24, "最大充电电流" }, { 26, "直流控制模式" }, { 27, "浮充电压" },
        { 30, "直流下限电压" }, { 35, "直流输入类型" }, { 37, "均充电压" }, { 41, "电池总容量" }, { 42, "串联电池单体数" },
        { 44, "最大放电电流" }, { 46, "放电终止电压" }, { 70, "电池电流校准系数" }, { 75, "调试变量1地址" },
        { 76, "调试变量2地址" }, { 80, "测试参数3" } };
    for (const auto& r : dcRows)
        EXPECT_EQ(dc.at(r.first), r.second) << "DC/DC setting row " << r.first;
    const std::map<int, std::string> ac = names("conf/map.pdu", "[CONF_DATA]", 1);
    const std::pair<int, const char*> acRows[] = { { 72, "工作模式" }, { 73, "启动方式" }, { 76, "无功功率设定" },
        { 85, "功率因数设定" }, { 87, "有功功率设定" }, { 128, "控制参数4" }, { 129, "控制参数5" } };
    for (const auto& r : acRows)
        EXPECT_EQ(ac.at(r.first), r.second) << "AC/DC setting row " << r.first;
}
