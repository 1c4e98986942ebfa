#ifndef DATAEXPORTDEVICE_H
#define DATAEXPORTDEVICE_H

#include "upwardregisterstore.h"

namespace modbus {

// The data-export service.
class DataExportDevice : public UpwardRegisterStore {
public:
    DataExportDevice(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port, int reserved, int trace);

    int port() const { return port_; }
    int reserved() const { return reserved_; }

private:
    int port_;
    int reserved_;
};

} // namespace modbus

#endif
