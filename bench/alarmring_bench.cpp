// Appending alarms one at a time to the alarm history ring, from an empty file to a full one and
// on round the ring, each append written at once as the panel does: CPU time and the bytes
// handed to the file per append at several fill levels. The goal: CPU flat whatever the fill
// level (an append never walks the cached records) and the bytes near the 80 of one slot line
// plus the counters.
// Usage: alarmring_bench [appends past the full ring, default 1000]
#include "alarmrecordfile.h"
#include "syspath.h"

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

// wchar: bytes handed to write calls; write_bytes: bytes the process sent to the storage layer.
bool ioCounters(long long* wchar, long long* writeBytes)
{
    FILE* f = fopen("/proc/self/io", "r");
    if (!f)
        return false;
    char line[128];
    *wchar = *writeBytes = -1;
    while (fgets(line, sizeof line, f)) {
        sscanf(line, "wchar: %lld", wchar);
        sscanf(line, "write_bytes: %lld", writeBytes);
    }
    fclose(f);
    return *wchar >= 0;
}

double threadCpuUs()
{
    struct timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

double wallUs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

ChargerFault alarm(int code, int point)
{
    ChargerFault a;
    memset(&a, 0, sizeof a);
    a.code = code;
    a.index = point;
    strcpy(a.startTime, "2024-01-02 03:04:05");
    a.active = 1;
    return a;
}

struct Band {
    int from, to;   // records in the ring after the append, inclusive
    double cpuUs = 0, wallUs = 0;
    long long wchar = 0, disk = 0;
    int appends = 0;
};

} // namespace

int main(int argc, char** argv)
{
    const int ring = norvale::RecordFile::MAX_RECORD_SIZE;
    const int past = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const char* tmp = getenv("TMPDIR");
    std::string dir = SysPath::resolve(tmp ? tmp : "/tmp") + "/sp-bench-XXXXXX";
    if (!mkdtemp(&dir[0])) {
        perror("mkdtemp");
        return 1;
    }
    const std::string path = dir + "/history.log";

    std::vector<Band> bands;
    const int edges[][2] = { { 1, 10 }, { 11, 100 }, { 101, 1000 }, { 1001, 3000 }, { 3001, 5000 }, { 5001, 6400 },
        { 6401, 6500 } };
    for (const auto& e : edges) {
        Band b;
        b.from = e[0];
        b.to = e[1];
        bands.push_back(b);
    }
    Band wrap;
    wrap.from = ring + 1;
    wrap.to = ring + past;
    bands.push_back(wrap);

    norvale::AlarmRecordFile file(path.c_str(), false);
    file.read();
    int n = 0;
    bool haveIo = true;
    for (Band& b : bands) {
        long long w0, d0, w1, d1;
        haveIo = ioCounters(&w0, &d0) && haveIo;
        for (; n < b.to; ++n) {
            ChargerFault a = alarm(100 + n % 11, n % 150);
            const double c = threadCpuUs(), t = wallUs();
            file.set(&a);
            file.write();
            b.cpuUs += threadCpuUs() - c;
            b.wallUs += wallUs() - t;
            ++b.appends;
        }
        haveIo = ioCounters(&w1, &d1) && haveIo;
        b.wchar = w1 - w0;
        b.disk = (d0 >= 0 && d1 >= 0) ? d1 - d0 : -1;
    }

    struct stat st;
    stat(path.c_str(), &st);
    printf("alarm history ring: %d slots of %d bytes, file %lld bytes; each append is set() and write()\n", ring,
        norvale::RecordFile::SLOT_SIZE, (long long)st.st_size);
    printf("goal: CPU per append flat over the fill levels; bytes per append = one %d-byte slot + the counters\n",
        norvale::RecordFile::SLOT_SIZE);
    printf("%-13s %8s %13s %14s %15s %16s\n", "records", "appends", "CPU us/append", "wall us/append",
        "bytes/append", "to storage/app.");
    for (const Band& b : bands) {
        char range[32];
        if (b.from > ring)
            snprintf(range, sizeof range, "full+%d", b.to - ring);
        else
            snprintf(range, sizeof range, "%d-%d", b.from, b.to);
        printf("%-13s %8d %13.1f %14.1f", range, b.appends, b.cpuUs / b.appends, b.wallUs / b.appends);
        if (haveIo)
            printf(" %15.1f %16.1f\n", double(b.wchar) / b.appends, b.disk >= 0 ? double(b.disk) / b.appends : -1.0);
        else
            printf(" %15s %16s\n", "n/a", "n/a");
    }

    unlink(path.c_str());
    rmdir(dir.c_str());
    return 0;
}
