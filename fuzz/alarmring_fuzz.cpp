// Any bytes as an alarm history: reading never crashes, and adding and closing alarms never
// writes outside the ring.
#include "alarmrecordfile.h"
#include "fuzzdir.h"

#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The ring is the directory's only file, rewritten whole by every input.
    static const std::string path = fuzzDirKept() + "/history.log";
    putFile(path, data, size);
    norvale::AlarmRecordFile f(path.c_str(), false);
    if (!f.read())
        return 0;
    int n = f.size();
    ChargerFault a;
    for (int i = 0; i < n; ++i)
        if (!f.get(i, &a))
            abort();
    if (n > 0) {
        f.get(0, &a);
        a.active = 0;
        strcpy(a.endTime, "2024-01-01 00:00:00");
        f.set(&a);
    }
    memset(&a, 0, sizeof a);
    a.code = 101;
    strcpy(a.startTime, "2024-01-01 00:00:00");
    a.active = 1;
    f.set(&a);
    f.write();
    long limit = norvale::RecordFile::FIRST_SLOT + long(norvale::RecordFile::SLOT_SIZE) * norvale::RecordFile::MAX_RECORD_SIZE;
    if (fileSize(path) > (long(size) > limit ? long(size) : limit))
        abort();
    return 0;
}
