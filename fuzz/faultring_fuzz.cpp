// Any bytes as a fault record file: reading never crashes (a damaged file is set aside), and
// adding a fault never writes outside the ring.
#include "faultrecordfile.h"
#include "fuzzdir.h"

#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzzDir() + "/dcacfaultRecord.log";
    putFile(path, data, size);
    FaultRecordFile f(path.c_str(), false);
    if (!f.read())
        return 0;
    int n = f.size();
    FaultRecord r;
    for (int i = 0; i < n; ++i)
        if (!f.get(i, &r))
            abort();
    memset(&r, 0, sizeof r);
    strcpy(r.time, "2024-01-01 00:00:00");
    r.module = 3;
    if (!f.add(&r))
        abort();
    f.write();
    long limit = FaultRecordFile::FIRST_SLOT + long(FaultRecordFile::SLOT_SIZE) * FaultRecordFile::MAX_RECORD_SIZE;
    if (fileSize(path) > (long(size) > limit ? long(size) : limit))
        abort();
    return 0;
}
