#include "paramfile.h"
#include "paramline.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

ParamFileLock::ParamFileLock(const std::string& paramPath)
    : fd(-1)
{
    const std::string name = paramPath + ".lock";
    fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        // A missing directory fails the writer's own open too, and says so there.
        if (errno != ENOENT)
            printf("ParamFileLock: %s cannot be opened: %s\n", name.c_str(), strerror(errno));
        return;
    }
    int r;
    while ((r = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (r != 0) {
        printf("ParamFileLock: %s cannot be locked: %s\n", name.c_str(), strerror(errno));
        ::close(fd);
        fd = -1;
    }
}

ParamFileLock::~ParamFileLock()
{
    // Closing the only descriptor of the lock file releases the lock.
    if (fd >= 0)
        ::close(fd);
}

namespace Modbus485 {

ParamFile::ParamFile(const char* dir, int moduleId)
    : ParamFile(AcDcForm, dir, moduleId)
{
}

ParamFile::ParamFile(Form f, const char* dir, int moduleId)
    : writeRequest(false), id(moduleId), form(f)
{
    memset(directory, 0, sizeof directory);
    memset(path, 0, sizeof path);
    if (dir && strlen(dir) <= 99)
        strcpy(directory, dir);
    if (directory[0])
        snprintf(path, sizeof path, "%s/param_%d.ini", directory, id);
}

ParamFile::~ParamFile()
{
    clearRecords();
}

void ParamFile::clearRecords()
{
    for (auto& r : records)
        delete r.second;
    records.clear();
}

const char* ParamFile::defaultText() const
{
    return form == DcDcForm ? "use default param file(conf-dcdc/default/param.ini)" : "use default param file";
}

int ParamFile::read()
{
    std::lock_guard<std::mutex> guard(lock);
    int ok = internalRead();
    if (!ok && form == AcDcForm)
        ok = internalRead();
    return ok;
}

int ParamFile::write()
{
    writeRequest = true;
    return 1;
}

bool ParamFile::takeWriteRequest()
{
    return writeRequest.exchange(false);
}

void ParamFile::get(std::map<int, ParamRecord*>& out)
{
    std::lock_guard<std::mutex> guard(lock);
    if (&out != &records)
        out = records;
}

int ParamFile::add(ParamRecord* record)
{
    if (!record)
        return 0;
    char line[ParamLine::SIZE + 1];
    if (!ParamLine::format(record->index, record->value, line))
        return 0;
    std::lock_guard<std::mutex> guard(lock);
    auto it = records.find(record->index);
    if (it == records.end()) {
        records[record->index] = new ParamRecord{ record->index, record->value, 0 };
        return 1;
    }
    ParamRecord* own = it->second;
    // Our own record handed back after a change through get()'s pointer: it can no longer be
    // compared with its line, so the line is written again.
    if (own == record) {
        own->saved = 0;
        return 1;
    }
    if (own->value == record->value)
        return 1;
    own->value = record->value;
    own->saved = 0;
    return 1;
}

int ParamFile::copyDefault()
{
    std::string from = std::string(directory) + "/default/param.ini";
    std::string tmp = std::string(path) + ".tmp";
    FILE* in = fopen(from.c_str(), "rb");
    if (!in)
        return 0;
    FILE* out = fopen(tmp.c_str(), "wb");
    if (!out) {
        fclose(in);
        return 0;
    }
    char buf[4096];
    size_t n;
    bool ok = true;
    while ((n = fread(buf, 1, sizeof buf, in)) > 0)
        ok = ok && fwrite(buf, 1, n, out) == n;
    ok = ok && !ferror(in) && fflush(out) == 0 && fsync(fileno(out)) == 0;
    fclose(in);
    ok = fclose(out) == 0 && ok;
    // Through a temporary name, so that a power loss never leaves half a default behind.
    if (!ok || rename(tmp.c_str(), path) != 0) {
        unlink(tmp.c_str());
        return 0;
    }
    return 1;
}

int ParamFile::internalRead()
{
    clearRecords();
    if (!directory[0]) {
        printf("ParamFile::read: no directory for param_%d.ini\n", id);
        return 0;
    }
    FILE* fp = fopen(path, "rb");
    if (!fp && errno == ENOENT) {
        fprintf(stderr, "%s for read\n", defaultText());
        {
            ParamFileLock writing(path);
            copyDefault();
        }
        fp = fopen(path, "rb");
    }
    if (!fp) {
        fprintf(stderr, "cannot open param file(%s) for read\n", path);
        return 0;
    }
    struct stat st;
    if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode)) {
        fprintf(stderr, "cannot open param file(%s) for read\n", path);
        fclose(fp);
        return 0;
    }

    const size_t maxLine = form == DcDcForm ? 399 : 255;
    std::string line;
    for (int number = 1;; ++number) {
        line.clear();
        int c;
        bool tooLong = false;
        while ((c = getc(fp)) != EOF && c != '\n') {
            // The zero bytes that a write beyond the last line leaves are passed over.
            if (c == '\0' && line.empty())
                continue;
            if (line.size() == maxLine)
                tooLong = true;
            else
                line += char(c);
        }
        // A last line without its line feed may be cut short: it is not taken.
        if (c != '\n')
            break;
        // One damaged line costs its own parameter, not the ones after it.
        int index;
        float value;
        if (tooLong || !ParamLine::parse(line.c_str(), &index, &value)) {
            if (!line.empty())
                printf("ParamFile::read: %s line %d is damaged, skipped\n", path, number);
            continue;
        }
        auto it = records.find(index);
        if (it != records.end()) {
            it->second->value = value;
            it->second->saved = 1;
        } else {
            records[index] = new ParamRecord{ index, value, 1 };
        }
    }
    fclose(fp);
    return 1;
}

int ParamFile::ansywrite()
{
    std::lock_guard<std::mutex> guard(lock);
    if (!directory[0]) {
        printf("ParamFile::ansywrite: no directory for param_%d.ini\n", id);
        return 0;
    }
    // Held until the file is closed: a writer that replaces the file whole (the panel's
    // certification patch) must not read it before these lines are in, nor put its copy under
    // the name while they are being written.
    ParamFileLock writing(path);
    bool fromDefault = false;
    FILE* fp = fopen(path, "r+b");
    if (!fp && errno == ENOENT) {
        fprintf(stderr, "%s for write\n", defaultText());
        copyDefault();
        fp = fopen(path, "r+b");
        fromDefault = fp != nullptr;
    }
    if (!fp) {
        // Only a missing file is replaced; any other failure leaves the module's values alone.
        fprintf(stderr, "cannot open param file(%s) for write\n", path);
        return 0;
    }
    bool wrote = fromDefault;
    for (auto& r : records) {
        ParamRecord* rec = r.second;
        if (rec->saved == 1 && !fromDefault)
            continue;
        int w = ParamLine::writeAt(fp, rec->index, rec->value);
        wrote = true;
        if (w == 1)
            rec->saved = 1;
        else if (w == 0)
            printf("ParamFile::ansywrite: %s line %d (%f) does not fit, skipped\n", path, rec->index, double(rec->value));
    }
    // Both forms: a value the module was sent must survive a power cut. A pass that changed
    // nothing has nothing to flush: the DC/DC link runs one every second on every file.
    if (wrote && fsync(fileno(fp)) != 0)
        printf("ParamFile::ansywrite: %s not flushed: %s\n", path, strerror(errno));
    fclose(fp);
    return 1;
}

} // namespace Modbus485

ParamFile::ParamFile(int id)
    : Modbus485::ParamFile(DcDcForm, "../conf-dcdc", id)
{
}

int ParamFile::setWriteState()
{
    writeRequest = false;
    return 1;
}
