#include "certparamfile.h"

#include "atomicfile.h"
#include "paramfile.h"
#include "paramline.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <vector>

float CertParamFile::nudged(float v)
{
    double d = v;
    if (d > 0)
        d += 0.000005;
    else if (d < 0)
        d -= 0.000005;
    return float(d);
}

namespace {
bool readWhole(const std::string& path, std::vector<char>* out)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buf[4096];
    ssize_t got;
    while ((got = ::read(fd, buf, sizeof buf)) != 0) {
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return false;
        }
        out->insert(out->end(), buf, buf + got);
    }
    ::close(fd);
    return true;
}
}

int CertParamFile::patch(const std::string& path, Column column, const UiRzData* rows, const unsigned char* loaded)
{
    // A module that was never there gets no lock file either.
    if (::access(path.c_str(), F_OK) != 0)
        return -1;
    // The link libraries write lines of the same file in place: read, patched and replaced under
    // their lock, so that a line written just before the patch is in the copy that replaces it.
    ParamFileLock writing(path);
    std::vector<char> text;
    if (!readWhole(path, &text))
        return -1;
    const std::vector<char> before = text;
    int placed = 0;
    for (int r = 0; r < UI_RZ_ROWS; ++r) {
        // A slot the file did not fill would put index 0 over line 0.
        if (!loaded[r])
            continue;
        const int index = column == AcDc ? rows[r].acIdx : rows[r].stsIdx;
        if (column == Switch && index == -1)
            continue;
        char line[ParamLine::SIZE + 1];
        if (!ParamLine::format(index, nudged(rows[r].defaultValue), line)) {
            printf("CertParamFile::patch %s row %d: index %d or default %g does not fit a line, skipped\n",
                path.c_str(), r, index, double(rows[r].defaultValue));
            continue;
        }
        const size_t at = size_t(index) * ParamLine::SIZE;
        if (at + ParamLine::SIZE > text.size()) {
            printf("CertParamFile::patch %s row %d: line %d lies past the end of the file, skipped\n", path.c_str(),
                r, index);
            continue;
        }
        memcpy(&text[at], line, ParamLine::SIZE);
        ++placed;
    }
    if (text == before)
        return placed;
    if (!AtomicFile::replace(path, { { text.data(), text.size() } })) {
        printf("CertParamFile::patch %s not replaced\n", path.c_str());
        return -1;
    }
    return placed;
}

void CertParamFile::patchAll(const UiRzData* rows, const unsigned char* loaded)
{
    char path[64];
    for (int m = 0; m <= 12; ++m) {
        snprintf(path, sizeof path, "../conf/param_%d.ini", m);
        patch(path, AcDc, rows, loaded);
    }
    for (int b = 1001; b <= 1008; ++b) {
        snprintf(path, sizeof path, "../conf/param_%d.ini", b);
        patch(path, AcDc, rows, loaded);
    }
    for (int m = 0; m <= 1; ++m) {
        snprintf(path, sizeof path, "../conf-sts/param_%d.ini", m);
        patch(path, Switch, rows, loaded);
    }
}
