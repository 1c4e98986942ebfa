#include "rackconfig.h"

#include <stdio.h>
#include <string.h>

int RackConfig::getRackInf(const char* path, RackInfoMap* rows)
{
    if (!rows || !file.open(path))
        return 0;
    int count = 0;
    if (file.find("[SOCK_NUM]"))
        file.read("%d", &count);
    if (count > 0 && file.find("[SOCK_TYPE]")) {
        // The count comes from the file: stop at the first row that is not there.
        for (int i = 0; i < count; ++i) {
            RackInfoStuct row;
            memset(&row, 0, sizeof row);
            if (!file.read("%d%d%32s%d%d%d%d%d%d%d%32s%32s", &row.seq, &row.machineType, row.name,
                    &row.typeOption, &row.dcViaAcDc, &row.stringCount, &row.moduleCount, &row.dcParamSet,
                    &row.relayLayout, &row.diagramLayout, row.text1, row.text2)) {
                printf("RackConfig::getRackInf %s holds %d of %d rows\n", path, i, count);
                break;
            }
            rows->insert(std::make_pair(row.machineType, row));
        }
    }
    return file.close();
}
