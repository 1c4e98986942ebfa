// Any bytes as the rack table "SockConfig.pdu": every row read has its texts ended inside their
// fields.
#include "fuzzdir.h"
#include "rackconfig.h"

#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    putFile(fuzzTree() + "/bin/SockConfig.pdu", data, size);
    RackConfig config;
    RackInfoMap rows;
    config.getRackInf("SockConfig.pdu", &rows);
    for (const auto& r : rows) {
        const RackInfoStuct& row = r.second;
        if (row.machineType != r.first || strnlen(row.name, sizeof row.name) == sizeof row.name
            || strnlen(row.text1, sizeof row.text1) == sizeof row.text1
            || strnlen(row.text2, sizeof row.text2) == sizeof row.text2)
            abort();
    }
    return 0;
}
