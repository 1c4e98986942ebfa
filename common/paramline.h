#ifndef PARAMLINE_H
#define PARAMLINE_H

#include <stdio.h>

// One line of a module parameter file: "%04d/%010.0f" of (index, value x 1000) and a line
// feed, 16 bytes, so that parameter n starts at byte 16 x n. Every writer of these files goes
// through here, so that no line can grow into its neighbour.
class ParamLine {
public:
    enum { SIZE = 16, MAX_INDEX = 1023 };

    // The 15 characters and the line feed into line (NUL-terminated) and 1; 0 with an empty
    // line when the index is outside 0..1023 or the thousandfold (taken in single precision,
    // rounded to nearest) is not a number that fits ten characters.
    static int format(int index, float value, char line[SIZE + 1]);

    // Puts the line of (index, value) at byte 16 x index of an open file and flushes it.
    // 1 = written; 0 = refused (nothing written); -1 = an I/O error (the stream's error state
    // is cleared).
    static int writeAt(FILE* fp, int index, float value);

    // Reads "index/thousandfold" as the files hold it: the thousandfold is taken as a signed
    // 32-bit number (clamped to that range) and divided by 1000. 0 for fewer than two fields
    // or a field that is not an optional sign and digits (a trailing line end is allowed).
    static int parse(const char* line, int* index, float* value);
};

#endif
