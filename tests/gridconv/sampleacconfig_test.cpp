// Our sample signal tables against what the settings pages write: every AC/DC index that a
// settings entry sends needs a setting row with a register, or the link answers the write with
// a failure; and no two rows may share a register, or one parameter would overwrite another.
#include "modbusconnection.h"

#include "runtimetree.h"

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

// The AC/DC indices of the certification rows of every standard in one interface file.
std::vector<int> certificationIndices(const std::string& text)
{
    std::vector<int> out;
    std::istringstream in(text);
    std::string line;
    bool inRows = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            inRows = line.compare(0, 13, "[UiRzVersion_") == 0;
            continue;
        }
        int row, acIdx;
        if (inRows && sscanf(line.c_str(), "%d\t%d", &row, &acIdx) == 2)
            out.push_back(acIdx);
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
