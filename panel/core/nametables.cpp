#include "nametables.h"
#include "configfile.h"

#include <stdio.h>
#include <string.h>
#include <string>

char text_dcac_status[NAME_ROWS][NAME_WIDTH];
char text_dcac_alarm[NAME_ROWS][NAME_WIDTH];
char text_dcac_analog[NAME_ROWS][NAME_WIDTH];
char text_dcdc_status[NAME_ROWS][NAME_WIDTH];
char text_dcdc_alarm[NAME_ROWS][NAME_WIDTH];
char text_dcdc_analog[NAME_ROWS][NAME_WIDTH];
char text_sts_status[NAME_ROWS][NAME_WIDTH];
char text_sts_alarm[NAME_ROWS][NAME_WIDTH];
char text_sts_analog[NAME_ROWS][NAME_WIDTH];
char text_dcac_config[DCAC_CONFIG_ROWS][CONFIG_WIDTH];
char text_dcdc_config[DCDC_CONFIG_ROWS][CONFIG_WIDTH];
char text_sts_config[STS_CONFIG_ROWS][CONFIG_WIDTH];

UiDataInfo uiDataInfo[UI_DATA_ROWS];
UiDataInfo uiBmsDataInfo[UI_BMS_ROWS];
int BmsDataCmd[UI_BMS_ROWS];
UiRzData uiRzData[UI_RZ_ROWS];

namespace {

typedef char Word[esf::ConfigFile::LINE_SIZE];

// Copies a text into a zeroed field of size bytes, cut to fit.
void copyCut(char* dst, size_t size, const char* src)
{
    memset(dst, 0, size);
    memcpy(dst, src, strnlen(src, size - 1));
}

// A name table viewed as rows of a fixed width.
struct Table {
    char* base;
    int rows;
    int width;
};

template <int R, int W>
Table table(char (&t)[R][W])
{
    Table x = { &t[0][0], R, W };
    return x;
}

// Copies a name into its zeroed entry, cut to fit; rows outside the table are skipped.
void putName(const Table& t, int index, const char* name)
{
    if (index < 0 || index >= t.rows)
        return;
    copyCut(t.base + size_t(index) * size_t(t.width), size_t(t.width), name);
}

// Finds a count section and its data section; the count, or -1 when the data section is missing.
int openSection(esf::ConfigFile& cf, const char* numSection, const char* dataSection)
{
    int count = 0;
    if (cf.find(numSection))
        cf.read("%d", &count);
    if (!cf.find(dataSection))
        return -1;
    return count;
}

// Row formats of the two kinds of map file: where the index and the name stand.
enum RowKind { IndexName, IndexNameNumber, ConfDcdc, NumberIndexNameNumber };

bool readNameRow(esf::ConfigFile& cf, RowKind kind, int* index, char* name)
{
    int a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;
    switch (kind) {
    case IndexName:
        return cf.read("%d%512s", index, name);
    case IndexNameNumber:
        return cf.read("%d%512s%d", index, name, &a);
    case ConfDcdc:
        return cf.read("%d%d%512s%d%x%d%d%d", index, &a, name, &b, &c, &d, &e, &f);
    case NumberIndexNameNumber:
        return cf.read("%d%d%512s%d", &a, index, name, &b);
    }
    return 0;
}

void readNames(esf::ConfigFile& cf, const char* numSection, const char* dataSection, RowKind kind, const Table& t)
{
    int count = openSection(cf, numSection, dataSection);
    for (int i = 0; i < count; ++i) {
        int index = -1;
        Word name = "";
        if (!readNameRow(cf, kind, &index, name))
            break;   // a count from the file is not trusted past the rows that are there
        putName(t, index, name);
    }
}

std::string fileName(const char* base, bool english)
{
    std::string s(base);
    if (english)
        s.insert(s.size() - 4, "_english");
    return s;
}

void readUiRows(esf::ConfigFile& cf, const char* numSection, const char* dataSection, UiDataInfo* rows,
    int rowCount, int* cmds)
{
    int count = openSection(cf, numSection, dataSection);
    for (int i = 0; i < count; ++i) {
        int row = -1, index = 0, decimals = 0, cmd = 0;
        Word name = "";
        int ok = cmds ? cf.read("%d%d%512s%d%d", &row, &index, name, &decimals, &cmd)
                      : cf.read("%d%d%512s%d", &row, &index, name, &decimals);
        if (!ok)
            break;
        if (row < 0 || row >= rowCount)
            continue;
        UiDataInfo& r = rows[row];
        copyCut(r.name, sizeof r.name, name);
        r.index = index;
        r.decimals = decimals;
        if (cmds)
            cmds[row] = cmd;
    }
}

const char* const kGridNum[] = { "[UiRzVersionNum_China]", "[UiRzVersionNum_America]",
    "[UiRzVersionNum_Australia]", "[UiRzVersionNum_UK]" };
const char* const kGridData[] = { "[UiRzVersion_China]", "[UiRzVersion_America]", "[UiRzVersion_Australia]",
    "[UiRzVersion_UK]" };

int readGridRows(esf::ConfigFile& cf, int gridCode, unsigned char* loaded)
{
    if (gridCode < 0 || gridCode > 3)
        gridCode = 0;
    memset(uiRzData, 0, sizeof uiRzData);
    if (loaded)
        memset(loaded, 0, UI_RZ_ROWS);
    int count = openSection(cf, kGridNum[gridCode], kGridData[gridCode]);
    int read = 0;
    for (int i = 0; i < count; ++i) {
        int row = -1, ac = 0, sts = -1;
        float lo = 0, hi = 0, def = 0;
        Word name = "", hint = "";
        if (!cf.read("%d%d%d%512s%512s%f%f%f", &row, &ac, &sts, name, hint, &lo, &hi, &def))
            break;
        ++read;
        if (row < 0 || row >= UI_RZ_ROWS) {
            printf("readGridRows %s row %d outside 0..%d skipped\n", kGridData[gridCode], row, UI_RZ_ROWS - 1);
            continue;
        }
        if (loaded)
            loaded[row] = 1;
        UiRzData& r = uiRzData[row];
        r.acIdx = ac;
        r.stsIdx = sts;
        copyCut(r.name, sizeof r.name, name);
        copyCut(r.hint, sizeof r.hint, hint);
        r.minValue = lo;
        r.maxValue = hi;
        r.defaultValue = def;
    }
    return read;
}

} // namespace

void clearNameTables()
{
    memset(text_dcac_status, 0, sizeof text_dcac_status);
    memset(text_dcac_alarm, 0, sizeof text_dcac_alarm);
    memset(text_dcac_analog, 0, sizeof text_dcac_analog);
    memset(text_dcdc_status, 0, sizeof text_dcdc_status);
    memset(text_dcdc_alarm, 0, sizeof text_dcdc_alarm);
    memset(text_dcdc_analog, 0, sizeof text_dcdc_analog);
    memset(text_sts_status, 0, sizeof text_sts_status);
    memset(text_sts_alarm, 0, sizeof text_sts_alarm);
    memset(text_sts_analog, 0, sizeof text_sts_analog);
    memset(text_dcac_config, 0, sizeof text_dcac_config);
    memset(text_dcdc_config, 0, sizeof text_dcdc_config);
    memset(text_sts_config, 0, sizeof text_sts_config);
    memset(uiDataInfo, 0, sizeof uiDataInfo);
    memset(uiBmsDataInfo, 0, sizeof uiBmsDataInfo);
    memset(BmsDataCmd, 0, sizeof BmsDataCmd);
    memset(uiRzData, 0, sizeof uiRzData);
}

void loadDeviceNames(bool english)
{
    esf::ConfigFile cf;
    if (cf.open(fileName("../conf-dcdc/map.pdu", english).c_str())) {
        readNames(cf, "[STATUS_DATA_NUM]", "[STATUS_DATA_INFO]", IndexName, table(text_dcdc_status));
        readNames(cf, "[ALARM_DATA_NUM]", "[ALARM_DATA_INFO]", IndexName, table(text_dcdc_alarm));
        readNames(cf, "[ANALOG_DATA_NUM]", "[ANALOG_DATA_INFO]", IndexNameNumber, table(text_dcdc_analog));
        readNames(cf, "[CONF_DATA_NUM]", "[CONF_DATA_INFO]", ConfDcdc, table(text_dcdc_config));
        cf.close();
    }
    struct Device {
        const char* file;
        Table status, alarm, analog, config;
    } devices[] = {
        { "../conf/map.pdu", table(text_dcac_status), table(text_dcac_alarm), table(text_dcac_analog),
            table(text_dcac_config) },
        { "../conf-sts/map.pdu", table(text_sts_status), table(text_sts_alarm), table(text_sts_analog),
            table(text_sts_config) },
    };
    for (const Device& d : devices) {
        if (!cf.open(fileName(d.file, english).c_str()))
            continue;
        readNames(cf, "[STATUS_NUM]", "[STATUS_DATA]", NumberIndexNameNumber, d.status);
        readNames(cf, "[ALARM_NUM]", "[ALARM_DATA]", NumberIndexNameNumber, d.alarm);
        readNames(cf, "[ANALOG_NUM]", "[ANALOG_DATA]", NumberIndexNameNumber, d.analog);
        readNames(cf, "[CONF_NUM]", "[CONF_DATA]", IndexName, d.config);
        cf.close();
    }
}

namespace {
struct BmsSections {
    const char* num;
    const char* data;
};

BmsSections bmsSections(int bmsType, int bmsVariant)
{
    switch (bmsType) {
    case 1:
    case 2: return { "[UiBmsInfoNum_BMSA]", "[UiBmsInfo_BMSA]" };
    case 3: return { "[UiBmsInfoNum_NANDU]", "[UiBmsInfo_NANDU]" };
    case 4: return { "[UiBmsInfoNum_GCL]", "[UiBmsInfo_GCL]" };
    case 5:
        if (bmsVariant == 1)
            return { "[UiBmsInfoNum_BMSD_2]", "[UiBmsInfo_BMSD_2]" };
        return { "[UiBmsInfoNum_BMSD]", "[UiBmsInfo_BMSD]" };
    case 6: return { "[UiBmsInfoNum_BMSE]", "[UiBmsInfo_BMSE]" };
    case 7: return { "[UiBmsInfoNum_BMSF]", "[UiBmsInfo_BMSF]" };
    case 9: return { "[UiBmsInfoNum_BMSG_2]", "[UiBmsInfo_BMSG_2]" };
    case 10: return { "[UiBmsInfoNum_BMSE_CAN]", "[UiBmsInfo_BMSE_CAN]" };
    case 11: return { "[UiBmsInfoNum_BMSH]", "[UiBmsInfo_BMSH]" };
    default: return { "[UiBmsInfoNum_DEF]", "[UiBmsInfo_DEF]" };
    }
}
} // namespace

const char* bmsNumSection(int bmsType, int bmsVariant)
{
    return bmsSections(bmsType, bmsVariant).num;
}

const char* bmsDataSection(int bmsType, int bmsVariant)
{
    return bmsSections(bmsType, bmsVariant).data;
}

int loadInterfaceFile(bool english, int bmsType, int bmsVariant, int gridCode)
{
    esf::ConfigFile cf;
    if (!cf.open(fileName("pcs_interface.pdu", english).c_str()))
        return 0;
    readUiRows(cf, "[UiDataNumInfo]", "[UiDataInfo]", uiDataInfo, UI_DATA_ROWS, nullptr);
    readUiRows(cf, bmsNumSection(bmsType, bmsVariant), bmsDataSection(bmsType, bmsVariant), uiBmsDataInfo,
        UI_BMS_ROWS, BmsDataCmd);
    cf.close();
    // Read apart: a battery section missing from the file must not cost the grid-code rows.
    return loadGridCodeRows(english, gridCode);
}

int loadGridCodeRows(bool english, int gridCode, unsigned char* loaded)
{
    esf::ConfigFile cf;
    if (!cf.open(fileName("pcs_interface.pdu", english).c_str())) {
        memset(uiRzData, 0, sizeof uiRzData);
        if (loaded)
            memset(loaded, 0, UI_RZ_ROWS);
        return 0;
    }
    int n = readGridRows(cf, gridCode, loaded);
    cf.close();
    return n;
}
