// Any bytes as a module parameter file: reading never crashes, and a write pass only ever
// writes whole 16-byte lines of indices 0..1023.
#include "fuzzdir.h"
#include "paramfile.h"

#include <map>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The parameter file is the directory's only file, rewritten whole by every input.
    static const std::string dir = fuzzDirKept();
    static const std::string path = dir + "/param_1.ini";
    putFile(path, data, size);
    Modbus485::ParamFile f(dir.c_str(), 1);
    if (!f.read())
        abort();
    std::map<int, ParamRecord*> records;
    f.get(records);
    ParamRecord r{ size > 0 ? int(data[0]) * 4 : 0, size > 1 ? float(data[1]) - 100.0f : 0.0f, 0 };
    f.add(&r);
    for (auto& p : records)
        f.add(p.second);
    f.ansywrite();
    long limit = 16L * 1024;
    if (fileSize(path) > (long(size) > limit ? long(size) : limit))
        abort();
    return 0;
}
