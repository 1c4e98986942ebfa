#ifndef RACKTABLE_H
#define RACKTABLE_H

#include "rackconfig.h"

extern RackInfoMap rackInfoMap;
extern RackConfig rackConfig;
extern RackInfoStuct currentRackInfo;

// Reads "SockConfig.pdu" into rackInfoMap and makes the row of machineType current; a type
// without a row gets an all-zero row, which is added to the table.
void loadRackTable(int machineType);
// The row of machineType (all zero and added when absent), as the machine-type apply takes it.
RackInfoStuct rackRow(int machineType);

#endif
