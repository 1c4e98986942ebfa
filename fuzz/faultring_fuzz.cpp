// Any bytes as a fault record file: reading never crashes (a damaged file is set aside), and
// adding a fault never writes outside the ring.
#include "faultrecordfile.h"
#include "fuzzdir.h"

#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = fuzzDirKept() + "/dcacfaultRecord.log";
    putFile(path, data, size);
    struct stat put;
    if (stat(path.c_str(), &put) != 0)
        abort();
    FaultRecordFile f(path.c_str(), false);
    if (!f.read()) {
        fuzzDir();
        return 0;
    }
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
    struct stat after;
    if (stat(path.c_str(), &after) != 0)
        abort();
    if (after.st_size > (long(size) > limit ? long(size) : limit))
        abort();
    // A damaged file was set aside under a name of its own and a new ring started: the set-aside
    // copies go, or the search for a free name would grow with every input.
    if (after.st_ino != put.st_ino)
        fuzzDir();
    return 0;
}
