#ifndef FILECOPY_H
#define FILECOPY_H

#include <string>

// Copies a file whole: the target is replaced only once the complete copy is on disk, so a power
// cut, a pulled stick or a full disk never leaves half a file under the target's name.
// 0 on success; -1 with errno set and a line printed.
int copyWhole(const std::string& from, const std::string& to);

#endif
