#ifndef NAMETABLES_H
#define NAMETABLES_H

#include <stdint.h>

// One display row: caption, analog index in its device, decimals shown.
struct UiDataInfo {
    char name[40];
    int32_t index;
    int32_t decimals;
};

// One parameter row of the current grid code (certification set).
struct UiRzData {
    int32_t acIdx;          // AC/DC parameter index
    int32_t stsIdx;         // switch parameter index, -1 none
    char name[100];
    char hint[100];
    float minValue;
    float maxValue;
    float defaultValue;     // the value written into the parameter files
};

enum {
    NAME_ROWS = 150, NAME_WIDTH = 32, CONFIG_WIDTH = 48,
    DCAC_CONFIG_ROWS = 300, DCDC_CONFIG_ROWS = 150, STS_CONFIG_ROWS = 200,
    UI_DATA_ROWS = 350, UI_BMS_ROWS = 100, UI_RZ_ROWS = 100
};

extern char text_dcac_status[NAME_ROWS][NAME_WIDTH];
extern char text_dcac_alarm[NAME_ROWS][NAME_WIDTH];
extern char text_dcac_analog[NAME_ROWS][NAME_WIDTH];
extern char text_dcdc_status[NAME_ROWS][NAME_WIDTH];
extern char text_dcdc_alarm[NAME_ROWS][NAME_WIDTH];
extern char text_dcdc_analog[NAME_ROWS][NAME_WIDTH];
extern char text_sts_status[NAME_ROWS][NAME_WIDTH];
extern char text_sts_alarm[NAME_ROWS][NAME_WIDTH];
extern char text_sts_analog[NAME_ROWS][NAME_WIDTH];
extern char text_dcac_config[DCAC_CONFIG_ROWS][CONFIG_WIDTH];
extern char text_dcdc_config[DCDC_CONFIG_ROWS][CONFIG_WIDTH];
extern char text_sts_config[STS_CONFIG_ROWS][CONFIG_WIDTH];

extern UiDataInfo uiDataInfo[UI_DATA_ROWS];
extern UiDataInfo uiBmsDataInfo[UI_BMS_ROWS];
extern int BmsDataCmd[UI_BMS_ROWS];
extern UiRzData uiRzData[UI_RZ_ROWS];

// Zeroes every name and display table.
void clearNameTables();
// Point names of the three devices from their map files (English variants when english).
void loadDeviceNames(bool english);
// Display rows, the battery rows of bmsType (bmsVariant picks the second set of type 5) and the
// grid-code rows of gridCode (0..3). Returns the number of grid-code rows read.
int loadInterfaceFile(bool english, int bmsType, int bmsVariant, int gridCode);
// Just the grid-code rows, as the certification switch-over reloads them. Returns the count.
// loaded (UI_RZ_ROWS bytes, may be null) marks the rows that the file filled.
int loadGridCodeRows(bool english, int gridCode, unsigned char* loaded = nullptr);

// The section pair of the battery rows for a battery type and variant.
const char* bmsNumSection(int bmsType, int bmsVariant);
const char* bmsDataSection(int bmsType, int bmsVariant);

#endif
