// Any bytes as the settings stream "monitorset.txt", as a copy being restored (read whole and
// parsed from memory): a damaged copy changes nothing, an intact one becomes the settings, whole
// (entry 58 "Y"). An intact copy is then in place, and loading it as the panel does at start
// leaves the settings whole too (entry 0 set, entry 58 "Y").
//
// What loading does with a damaged file does not depend on its bytes (the file is set aside,
// the defaults are saved and the network set to match), so that runs once, for the first input,
// not for every one: it alone cost several times the parsing.
#include "fuzzdir.h"
#include "monitorset.h"

#include <unistd.h>

namespace {
bool whole()
{
    return set[0].value >= 1 && set[58].text == QLatin1String("Y");
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = fuzzTree();
    static bool started = false;
    if (!started) {
        const uint8_t junk[] = { 0x7f };
        putFile(root + "/bin/monitorset.txt", junk, sizeof junk);
        readmonitorset();
        if (!whole())
            abort();
        started = true;
    }
    setvalue before[80];
    for (int i = 0; i < 80; ++i)
        before[i] = set[i];
    putFile(root + "/bin/copy.txt", data, size);
    const int r = restoremonitorset("copy.txt");
    if (r < 0) {
        for (int i = 0; i < 80; ++i)
            if (set[i].value != before[i].value || set[i].text != before[i].text)
                abort();
    } else if (r == 1) {
        if (set[58].text != QLatin1String("Y"))
            abort();
        readmonitorset();
        if (!whole())
            abort();
        // The network commands of fresh settings are only recorded; the record must not pile
        // up. Only a load can leave it or a file set aside (two system calls an input spared).
        unlink((root + "/commands.log").c_str());
        unlink((root + "/bin/monitorset.txt.bad").c_str());
    } else {
        abort();   // the copy is there
    }
    return 0;
}
