#include "testenv.h"

#include <clocale>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

std::string g_runtimeDir;
pid_t g_owner = 0;

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return remove(path);
}

void removeRuntimeDir()
{
    // A child made by fork() runs the exit handlers too; only the process that made it removes it.
    if (!g_runtimeDir.empty() && getpid() == g_owner)
        nftw(g_runtimeDir.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// Qt's runtime folder lives in the test's own throw-away folder, not in a fixed one under /tmp
// that would outlive the run or be shared by every test process.
void makeRuntimeDir()
{
    const char* tmp = getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/sp-xdg-XXXXXX";
    if (!mkdtemp(&tmpl[0])) {
        perror("setUpTestEnvironment: mkdtemp");
        return;
    }
    chmod(tmpl.c_str(), 0700);
    g_runtimeDir = tmpl;
    g_owner = getpid();
    setenv("XDG_RUNTIME_DIR", g_runtimeDir.c_str(), 1);
    atexit(removeRuntimeDir);
}

}

void setUpTestEnvironment()
{
    setenv("LC_ALL", "C", 1);
    setenv("TZ", "Asia/Shanghai", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    makeRuntimeDir();
    setlocale(LC_ALL, "C");
    tzset();
}
