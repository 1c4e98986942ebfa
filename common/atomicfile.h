#ifndef ATOMICFILE_H
#define ATOMICFILE_H

#include <stddef.h>
#include <string>
#include <sys/types.h>
#include <vector>

// Replaces the whole content of a file so that a power cut at any moment leaves the old
// content or the new one, never a mix: the bytes go to "<path>.new", are flushed to disk and
// renamed over the path, and the directory is flushed so that the rename itself survives.
class AtomicFile {
public:
    typedef ssize_t (*WriteFn)(int fd, const void* buf, size_t len);
    struct Piece {
        const void* data;
        size_t size;
    };

    // The pieces in order as the file's new content. false when any step fails: the file is
    // then as it was and the temporary is gone. write: null for write(2).
    static bool replace(const std::string& path, const std::vector<Piece>& pieces, WriteFn write = nullptr);
    static std::string temporary(const std::string& path);
    // Writes n bytes whole, through interruptions and short writes. write: null for write(2).
    static bool writeAll(int fd, const void* data, size_t n, WriteFn write = nullptr);
};

#endif
