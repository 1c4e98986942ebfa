#ifndef FILECOPY_H
#define FILECOPY_H

#include <string>

// Copies a file whole: the target is replaced only once the complete copy is on disk, so a power
// cut, a pulled stick or a full disk never leaves half a file under the target's name, and a copy
// that fails or is killed leaves no temporary file beside it.
// 0 on success; -1 with errno set and a line printed.
int copyWhole(const std::string& from, const std::string& to);

// What copyFromStick refuses before it copies anything; -1 stays a failed copy.
enum {
    COPY_NOT_REGULAR = -2,  // a FIFO, device, directory, socket or symbolic link
    COPY_TOO_LARGE = -3,    // more than the caller's limit
};

// copyWhole for a file a user brings in on a USB stick, which may be anything: only a regular
// file of at most maxBytes is copied. The name is opened without following a link and without
// waiting for a FIFO's writer, and the opened file itself is checked, so a name swapped between
// a look and the copy is caught too. 0, -1, COPY_NOT_REGULAR or COPY_TOO_LARGE.
int copyFromStick(const std::string& from, const std::string& to, long long maxBytes);

#endif
