#ifndef UPGRADEHEXLINE_H
#define UPGRADEHEXLINE_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// One record of a firmware file as the modules' boot loaders take it: the hexadecimal digits
// after the colon turned into bytes, the two bytes of every 16-bit word swapped. The record
// travels whole (byte count, address, type, data, checksum); the boot loader checks it.
class UpgradeHexLine {
public:
    enum {
        MAX_BYTES = 100,    // what one line may carry
        FRAME_BYTES = 104,  // 13 data frames of 8
        LINE_CHARS = 1 + 2 * MAX_BYTES,  // the longest record line: colon and digits
    };

    // The digits (without the colon and the line end) into out, zero beyond the record: the
    // number of bytes, or -1 for an empty record, an odd number of digits, a character that is
    // not a hexadecimal digit, or more than MAX_BYTES bytes.
    static int convert(const char* digits, size_t len, uint8_t (&out)[FRAME_BYTES]);

    // The record's own checks, before any of it goes to a module: its byte count field agrees
    // with its length and its checksum makes the sum of its bytes 0 modulo 256. The record
    // type, or -1.
    static int check(const char* digits, size_t len);

    // A whole firmware file: every line that begins with ":" passes check(), no line is longer
    // than LINE_CHARS before its line end, and the last record is the end-of-file record (type
    // 1, no data). 0 when sound; else the number of the first line that fails, the number of
    // lines + 1 when the end record is missing, or -1 when the file cannot be read. A line is
    // refused as soon as it runs past the longest record, so no more of it is read.
    static int checkFile(const char* path);
    // The same over a stream open for reading, which the caller closes.
    static int checkStream(FILE* fp);
};

#endif
