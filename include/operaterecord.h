#ifndef OPERATERECORD_H
#define OPERATERECORD_H

#include <stdint.h>

// One setting, status change or event. Filled by the libraries into a buffer the caller owns,
// so the layout is fixed-width and identical on both sides of the library boundary.
struct OperateRecord {
    int32_t index;      // slot number given by the log when stored
    char time[32];      // "%Y-%m-%d %H:%M:%S", NUL-terminated
    int32_t oid;        // point or setting index
    char name[32];      // not filled; the log writes blanks
    int32_t modules;    // device or event code
    double rdata;       // old value
    double mdata;       // new value
    int32_t dirty;      // set while waiting to be written
};

#endif
