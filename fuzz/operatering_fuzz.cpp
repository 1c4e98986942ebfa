// Any bytes as an operation log: reading never crashes and appending never writes outside
// the ring.
#include "fuzzdir.h"
#include "operaterecordfile.h"

#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The ring is the directory's only file, rewritten whole by every input.
    static const std::string path = fuzzDirKept() + "/operaterecord.log";
    putFile(path, data, size);
    norvale::OperateRecordFile f(path.c_str(), false);
    if (!f.read())
        return 0;
    int n = f.size();
    OperateRecord r;
    for (int i = 0; i < n; ++i)
        if (!f.get(i, &r))
            abort();
    memset(&r, 0, sizeof r);
    strcpy(r.time, "2024-01-01 00:00:00");
    r.oid = 87;
    r.modules = 101;
    r.mdata = 1.5;
    f.set(&r);
    f.write();
    long limit = norvale::OperateRecordFile::FIRST_SLOT
        + long(norvale::OperateRecordFile::SLOT_SIZE) * norvale::OperateRecordFile::MAX_RECORD_SIZE;
    if (fileSize(path) > (long(size) > limit ? long(size) : limit))
        abort();
    return 0;
}
