// Appending one alarm to a full alarm history ring and writing it: time per append and the
// bytes it puts on disk, against the 80 bytes of one slot line. The ring is written in place,
// so the ratio should stay near 1 however large the file.
#include "alarmrecordfile.h"
#include "syspath.h"
#include "timeseam.h"

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
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

ChargerFault alarm(int code, int point, bool open)
{
    ChargerFault a;
    memset(&a, 0, sizeof a);
    a.code = code;
    a.index = point;
    strcpy(open ? a.startTime : a.endTime, "2024-01-02 03:04:05");
    a.active = open ? 1 : 0;
    return a;
}

} // namespace

int main(int argc, char** argv)
{
    const int appends = argc > 1 ? atoi(argv[1]) : 2000;
    const char* tmp = getenv("TMPDIR");
    std::string dir = SysPath::resolve(tmp ? tmp : "/tmp") + "/sp-bench-XXXXXX";
    if (!mkdtemp(&dir[0])) {
        perror("mkdtemp");
        return 1;
    }
    const std::string path = dir + "/history.log";

    norvale::AlarmRecordFile ring(path.c_str(), false);
    ring.read();
    for (int i = 0; i < norvale::RecordFile::MAX_RECORD_SIZE; ++i) {
        ChargerFault a = alarm(100 + i % 11, i % 150, true);
        ring.set(&a);
    }
    int64_t t0 = TimeSeam::monotonicUs();
    ring.write();
    int64_t fillUs = TimeSeam::monotonicUs() - t0;

    t0 = TimeSeam::monotonicUs();
    norvale::AlarmRecordFile reread(path.c_str(), false);
    reread.read();
    int64_t readUs = TimeSeam::monotonicUs() - t0;

    struct stat st;
    stat(path.c_str(), &st);
    const long long fileSize = st.st_size;

    long long w0, b0, w1, b1;
    bool haveIo = ioCounters(&w0, &b0);
    std::vector<int64_t> us;
    us.reserve(size_t(appends));
    for (int i = 0; i < appends; ++i) {
        ChargerFault a = alarm(200 + i % 10, i % 150, true);
        int64_t s = TimeSeam::monotonicUs();
        ring.set(&a);
        ring.write();
        us.push_back(TimeSeam::monotonicUs() - s);
    }
    haveIo = ioCounters(&w1, &b1) && haveIo;
    stat(path.c_str(), &st);

    std::sort(us.begin(), us.end());
    double mean = 0;
    for (int64_t u : us)
        mean += double(u);
    mean /= double(us.size());
    const double slot = norvale::RecordFile::SLOT_SIZE;

    printf("alarm history ring: %d slots of %d bytes, file %lld bytes (after appends %lld)\n",
        norvale::RecordFile::MAX_RECORD_SIZE, norvale::RecordFile::SLOT_SIZE, fileSize, (long long)st.st_size);
    printf("fill %d records with one write: %.1f ms; read of the full ring: %.1f ms\n",
        norvale::RecordFile::MAX_RECORD_SIZE, double(fillUs) / 1000.0, double(readUs) / 1000.0);
    printf("append + write to the full ring (%d times): mean %.1f us, median %lld us, p99 %lld us\n", appends, mean,
        (long long)us[us.size() / 2], (long long)us[us.size() * 99 / 100]);
    if (haveIo) {
        double perWrite = double(w1 - w0) / appends;
        printf("bytes written per record: %.1f (ratio to one slot line: %.2f)\n", perWrite, perWrite / slot);
        if (b0 >= 0 && b1 >= 0) {
            double perDisk = double(b1 - b0) / appends;
            printf("bytes sent to storage per record: %.1f (ratio %.2f; page-sized with each flush)\n", perDisk,
                perDisk / slot);
        }
    } else {
        printf("bytes written per record: /proc/self/io not available\n");
    }

    unlink(path.c_str());
    rmdir(dir.c_str());
    return 0;
}
