#ifndef WRITEPOLL_H
#define WRITEPOLL_H

class DeviceData;

// Writes one value and waits for the device to resolve it, keeping the GUI alive meanwhile.
// 0 = done, -1 = refused, failed or no answer within 20 s (the watchdog bites at 30 s).
int writeAndPoll(DeviceData* device, int module, int index, float value);

#endif
