#ifndef RACKCONFIG_H
#define RACKCONFIG_H

#include "configfile.h"

#include <stdint.h>
#include <map>

// One row of the rack table: how a cabinet of one machine type is built.
struct RackInfoStuct {
    int32_t seq;            // row number as written in the file
    int32_t machineType;    // key of the table (monitor setting 22)
    char name[32];
    int32_t typeOption;     // sets the U2 flag of the AC/DC link
    int32_t dcViaAcDc;      // non-zero: DC branches are switched through the AC/DC device
    int32_t stringCount;    // battery strings
    int32_t moduleCount;    // AC/DC converter modules
    int32_t dcParamSet;     // DC parameter set (1 and 3: fixed DC limits)
    int32_t relayLayout;    // relay and trip wiring
    int32_t diagramLayout;  // 1: second layout of the one-line diagram
    char text1[32];
    char text2[32];
};

typedef std::map<int, RackInfoStuct> RackInfoMap;

class RackConfig {
public:
    // Reads "SockConfig.pdu"-style files into rows; a machine type already present keeps its
    // first row. Returns 0 (also when the file cannot be opened, rows then unchanged).
    int getRackInf(const char* path, RackInfoMap* rows);

private:
    esf::ConfigFile file;
};

#endif
