#include "racktable.h"

RackInfoMap rackInfoMap;
RackConfig rackConfig;
RackInfoStuct currentRackInfo;

RackInfoStuct rackRow(int machineType)
{
    RackInfoMap::iterator it = rackInfoMap.find(machineType);
    if (it == rackInfoMap.end()) {
        RackInfoStuct zero = RackInfoStuct();
        it = rackInfoMap.insert(std::make_pair(machineType, zero)).first;
    }
    return it->second;
}

void loadRackTable(int machineType)
{
    rackConfig.getRackInf("SockConfig.pdu", &rackInfoMap);
    currentRackInfo = rackRow(machineType);
}
