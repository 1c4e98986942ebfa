#ifndef CERTPARAMFILE_H
#define CERTPARAMFILE_H

#include "nametables.h"

#include <string>

// The certification lines of one module parameter file: each loaded grid-code row puts its
// default on the line of its AC/DC or switch index. The file is patched in memory and replaced
// whole, so a power cut leaves the old file or the new one; the whole patch holds the lock of the
// file's writers (ParamFileLock), so that no line a link library writes meanwhile is lost.
class CertParamFile {
public:
    enum Column { AcDc, Switch };

    // Lines placed (0 when none). -1 when the file is missing or could not be replaced; a
    // missing file is not reported, it only means the module was never there.
    static int patch(const std::string& path, Column column, const UiRzData* rows, const unsigned char* loaded);
    // Every AC/DC module and branch file and both switch files.
    static void patchAll(const UiRzData* rows, const unsigned char* loaded);

    // The default as it is written: moved 0.000005 away from zero, so that a value such as 0.02,
    // stored a little below itself in a float, still prints as 20.
    static float nudged(float v);
};

#endif
