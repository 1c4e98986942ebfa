#ifndef FUZZDIR_H
#define FUZZDIR_H

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>

inline std::string& scratchDir()
{
    static std::string dir;
    return dir;
}

inline void emptyDir(const std::string& dir)
{
    DIR* d = opendir(dir.c_str());
    while (d) {
        struct dirent* e = readdir(d);
        if (!e)
            break;
        if (e->d_name[0] != '.')
            unlink((dir + "/" + e->d_name).c_str());
    }
    if (d)
        closedir(d);
}

inline void removeScratchDir()
{
    emptyDir(scratchDir());
    rmdir(scratchDir().c_str());
}

// A scratch directory for one fuzzer process, emptied before every input, removed at exit.
inline const std::string& fuzzDir()
{
    std::string& dir = scratchDir();
    if (dir.empty()) {
        const char* tmp = getenv("TMPDIR");
        dir = std::string(tmp ? tmp : "/tmp") + "/sp-fuzz-XXXXXX";
        if (!mkdtemp(&dir[0]))
            abort();
        atexit(removeScratchDir);
    }
    emptyDir(dir);
    return dir;
}

inline void putFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        abort();
    if (size)
        fwrite(data, 1, size, f);
    fclose(f);
}

inline long fileSize(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return -1;
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    fclose(f);
    return n;
}

#endif
