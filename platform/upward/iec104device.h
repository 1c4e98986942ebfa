#ifndef IEC104DEVICE_H
#define IEC104DEVICE_H

#include "upwardregisterstore.h"

// The upward IEC 60870-5-104 station.
class Iec104Device : public UpwardRegisterStore {
public:
    Iec104Device(DeviceData* ac, DeviceData* dc, DeviceData* sts, int port, int commonAddress, int reserved, int trace);

    int port() const { return port_; }
    int commonAddress() const { return commonAddress_; }
    int reserved() const { return reserved_; }

private:
    int port_;
    int commonAddress_;
    int reserved_;
};

#endif
