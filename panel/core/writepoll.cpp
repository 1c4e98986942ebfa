#include "writepoll.h"
#include "devicedata.h"
#include "timeseam.h"

#include <QCoreApplication>
#include <stdio.h>

namespace {
const int64_t kGiveUpMs = 20000;
const int64_t kPollMs = 5;
}

int writeAndPoll(DeviceData* device, int module, int index, float value)
{
    if (!device)
        return -1;
    if (device->setting(module, index, value, 0) != 0)
        return -1;
    const int64_t start = TimeSeam::monotonicMs();
    int result;
    while ((result = device->getSettingResult(module)) == 2) {
        if (TimeSeam::monotonicMs() - start >= kGiveUpMs) {
            printf("writeAndPoll module=%d index=%d no result after %lld ms\n", module, index,
                (long long)kGiveUpMs);
            return -1;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        TimeSeam::sleepMs(kPollMs);
    }
    return result == 0 ? 0 : -1;
}
