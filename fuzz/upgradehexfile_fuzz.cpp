// Any bytes as a firmware file: the whole-file check runs over them from memory, and a file it
// passes must go through the upgrade's line loop whole (every record line converts, the end
// record is last), since that loop sends each converted line to a module as it goes.
#include "upgradehexline.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/types.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    FILE* fp = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (!fp)
        abort();
    const int bad = UpgradeHexLine::checkStream(fp);
    if (bad < 0)
        abort();   // a memory stream does not fail to read
    if (bad != 0) {
        fclose(fp);
        return 0;
    }
    // The loop of the data phase, as it reads the file a second time.
    rewind(fp);
    char* line = nullptr;
    size_t cap = 0;
    ssize_t len;
    bool ended = false;
    while ((len = getline(&line, &cap, fp)) >= 0) {
        while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r'))
            --len;
        if (len == 0 || line[0] != ':')
            continue;
        if (ended)
            abort();
        uint8_t bytes[UpgradeHexLine::FRAME_BYTES];
        const int n = UpgradeHexLine::convert(line + 1, size_t(len - 1), bytes);
        if (n != (len - 1) / 2 || n < 5)
            abort();
        // Bytes are swapped per word: the record type is the third byte as written.
        ended = bytes[2] == 1;
    }
    free(line);
    fclose(fp);
    if (!ended)
        abort();
    return 0;
}
