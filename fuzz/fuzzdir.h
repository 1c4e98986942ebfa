#ifndef FUZZDIR_H
#define FUZZDIR_H

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
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

inline int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    remove(path);
    return 0;
}

inline void removeScratchDir()
{
    nftw(scratchDir().c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// Where scratch files go: $TMPDIR, else the memory file system when there is one, so that an
// input's file round trip costs no disk.
inline std::string scratchBase()
{
    const char* tmp = getenv("TMPDIR");
    if (tmp && *tmp)
        return tmp;
    return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
}

inline std::string& makeScratchDir()
{
    std::string& dir = scratchDir();
    if (dir.empty()) {
        dir = scratchBase() + "/sp-fuzz-XXXXXX";
        if (!mkdtemp(&dir[0]))
            abort();
        atexit(removeScratchDir);
    }
    return dir;
}

// The scratch directory as it is, for a target whose input's file is the only one in it (it is
// overwritten by the next input): no listing and emptying of the directory for every input.
inline const std::string& fuzzDirKept()
{
    return makeScratchDir();
}

// A scratch directory for one fuzzer process, emptied before every input, removed at exit.
inline const std::string& fuzzDir()
{
    std::string& dir = makeScratchDir();
    emptyDir(dir);
    return dir;
}

// For readers of fixed relative paths: the scratch directory as a runtime tree (bin, conf,
// conf-dcdc, conf-sts, log), named by STATIONPANEL_ROOT, with bin as the working directory.
// Made once; an input's files are overwritten by the next.
inline const std::string& fuzzTree()
{
    static bool made = false;
    std::string& dir = makeScratchDir();
    if (!made) {
        for (const char* sub : { "/bin", "/conf", "/conf-dcdc", "/conf-sts", "/log" })
            if (mkdir((dir + sub).c_str(), 0755) != 0)
                abort();
        setenv("STATIONPANEL_ROOT", dir.c_str(), 1);
        if (chdir((dir + "/bin").c_str()) != 0)
            abort();
        made = true;
    }
    return dir;
}

// Plain system calls, no stdio: an input's file round trip is most of what some targets do.
inline void putFile(const std::string& path, const uint8_t* data, size_t size)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        abort();
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n <= 0)
            abort();
        data += n;
        size -= size_t(n);
    }
    close(fd);
}

inline long fileSize(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

#endif
