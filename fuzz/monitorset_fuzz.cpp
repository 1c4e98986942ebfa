// Any bytes as the settings stream "monitorset.txt": loading never crashes nor grows without
// bound, and afterwards the settings are whole (entry 0 set, entry 58 "Y").
#include "fuzzdir.h"
#include "monitorset.h"

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = fuzzTree();
    putFile(root + "/bin/monitorset.txt", data, size);
    readmonitorset();
    if (set[0].value < 1 || set[58].text != QLatin1String("Y"))
        abort();
    // The network commands of a fresh file are only recorded; the record must not pile up.
    unlink((root + "/commands.log").c_str());
    unlink((root + "/bin/monitorset.txt.bad").c_str());
    return 0;
}
