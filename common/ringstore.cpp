#include "ringstore.h"
#include "configfile.h"
#include "timeseam.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {
const int NEXT_AT = 7;
const int SIZE_AT = 20;

bool fourDigits(const char* p, int* out)
{
    int v = 0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return false;
        v = v * 10 + (p[i] - '0');
    }
    *out = v;
    return true;
}

bool writeAll(int fd, const char* p, size_t n, off_t at)
{
    while (n > 0) {
        ssize_t w = pwrite(fd, p, n, at);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= size_t(w);
        at += w;
    }
    return true;
}
}

RingStore::RingStore(const char* path, const char* header, int headerSize, int firstSlot, int slotSize, int capacity)
    : path_(path ? path : ""), header_(header, size_t(headerSize)), firstSlot_(firstSlot), slotSize_(slotSize),
      capacity_(capacity), fd_(-1), stale_(false), blank_(size_t(slotSize > 0 ? slotSize : 1), '\0')
{
}

RingStore::~RingStore()
{
    close();
}

int RingStore::open()
{
    close();
    fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ >= 0)
        return 1;
    return errno == ENOENT ? 0 : -1;
}

void RingStore::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool RingStore::create()
{
    close();
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, header_.data(), header_.size(), 0) && fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool RingStore::load(std::string* image)
{
    image->clear();
    if (fd_ < 0)
        return false;
    // Only what the file holds, in whole slots: a short ring (a new one, or one cut by the
    // fuzzer) costs its own size, not the full ring's; slot() answers the rest as empty.
    const size_t total = size_t(firstSlot_) + size_t(slotSize_) * size_t(capacity_);
    size_t want = total;
    struct stat st;
    if (fstat(fd_, &st) == 0 && st.st_size >= 0 && size_t(st.st_size) < total) {
        want = size_t(st.st_size) <= size_t(firstSlot_)
            ? size_t(firstSlot_)
            : size_t(firstSlot_) + (size_t(st.st_size) - size_t(firstSlot_) + size_t(slotSize_) - 1) / size_t(slotSize_) * size_t(slotSize_);
    }
    image->assign(want, '\0');
    size_t got = 0;
    while (got < want) {
        ssize_t r = pread(fd_, &(*image)[got], want - got, off_t(got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return false;
        if (r == 0)
            break;
        got += size_t(r);
    }
    return true;
}

int RingStore::slotsIn(const std::string& image) const
{
    if (image.size() <= size_t(firstSlot_))
        return 0;
    const size_t n = (image.size() - size_t(firstSlot_)) / size_t(slotSize_);
    return n < size_t(capacity_) ? int(n) : capacity_;
}

bool RingStore::headerText(const std::string& image) const
{
    if (image.size() < header_.size())
        return false;
    for (size_t i = 0; i < header_.size(); ++i) {
        bool digit = (int(i) >= NEXT_AT && int(i) < NEXT_AT + 4) || (int(i) >= SIZE_AT && int(i) < SIZE_AT + 4);
        if (!digit && image[i] != header_[i])
            return false;
    }
    return true;
}

bool RingStore::counters(const std::string& image, int* next, int* size) const
{
    if (!headerText(image))
        return false;
    int n, s;
    if (!fourDigits(image.data() + NEXT_AT, &n) || !fourDigits(image.data() + SIZE_AT, &s))
        return false;
    if (n < 1 || n > capacity_ || s < 0 || s > capacity_)
        return false;
    if (s < capacity_ && n != s + 1)
        return false;
    *next = n;
    *size = s;
    return true;
}

const char* RingStore::slot(const std::string& image, int k) const
{
    if (k < 0 || k >= slotsIn(image))
        return blank_.data();
    return image.data() + firstSlot_ + size_t(slotSize_) * size_t(k);
}

void RingStore::order(int next, int size, std::vector<int>* slots) const
{
    slots->clear();
    if (size < capacity_) {
        for (int k = 0; k < size; ++k)
            slots->push_back(k);
        return;
    }
    for (int k = next - 1; k < capacity_; ++k)
        slots->push_back(k);
    for (int k = 0; k < next - 1; ++k)
        slots->push_back(k);
}

void RingStore::rebuild(const std::vector<std::string>& stamps, int* next, int* size) const
{
    int last = -1;
    for (int k = 0; k < capacity_ && k < int(stamps.size()); ++k)
        if (!stamps[size_t(k)].empty())
            last = k;
    if (last < capacity_ - 1) {
        // Never wrapped: the filled part runs from slot 0 to the last readable one.
        *size = last + 1;
        *next = last + 2;
        return;
    }
    // Wrapped: the newest record is the last of the latest time stamps before the seam.
    std::string newest;
    for (const std::string& s : stamps)
        if (s > newest)
            newest = s;
    int k = capacity_ - 1;
    for (int i = 0; i < capacity_; ++i) {
        if (stamps[size_t(i)] == newest && stamps[size_t((i + 1) % capacity_)] != newest) {
            k = i;
            break;
        }
    }
    *size = capacity_;
    *next = (k + 1) % capacity_ + 1;
}

void RingStore::takeCounters(const std::string& image, int* next, int* size, const std::function<std::string(int)>& stamp)
{
    if (counters(image, next, size))
        return;
    // Slots past the end of the file hold nothing.
    std::vector<std::string> stamps(static_cast<size_t>(slotsIn(image)));
    for (int k = 0; k < int(stamps.size()); ++k)
        stamps[size_t(k)] = stamp(k);
    rebuild(stamps, next, size);
    printf("RingStore::takeCounters: %s header rebuilt next=%d size=%d\n", path_.c_str(), *next, *size);
    if (!writeHeader(*next, *size))
        printf("RingStore::takeCounters: %s header not written\n", path_.c_str());
}

bool RingStore::writeSlot(int k, const char* bytes)
{
    if (fd_ < 0 || k < 0 || k >= capacity_)
        return false;
    return writeAll(fd_, bytes, size_t(slotSize_), off_t(firstSlot_) + off_t(slotSize_) * k);
}

bool RingStore::writeCounters(int next, int size)
{
    if (fd_ < 0 || next < 1 || next > capacity_ || size < 0 || size > capacity_)
        return false;
    // NEXT and SIZE with the header text between them, in one write: a cut cannot leave one
    // counter new and the other old.
    char both[32];
    int n = snprintf(both, sizeof both, "%04d\n\n[SIZE]\n%04d\n", next, size);
    stale_ = !(n == SIZE_AT + 5 - NEXT_AT && writeAll(fd_, both, size_t(n), NEXT_AT));
    return !stale_;
}

bool RingStore::writeHeader(int next, int size)
{
    if (fd_ < 0)
        return false;
    return writeAll(fd_, header_.data(), header_.size(), 0) && writeCounters(next, size) && flush();
}

bool RingStore::flush()
{
    return fd_ >= 0 && fdatasync(fd_) == 0;
}

void RingStore::now(char out[20])
{
    time_t t = TimeSeam::wallTime();
    struct tm tmv;
    localtime_r(&t, &tmv);
    if (strftime(out, 20, "%Y-%m-%d %H:%M:%S", &tmv) != 19)
        memcpy(out, "1970-01-01 00:00:00", 20);
}

void RingStore::cleanTime(const char* in, char out[20])
{
    size_t n = in ? strnlen(in, 32) : 0;
    bool clean = n > 0 && n <= 19;
    for (size_t i = 0; clean && i < n; ++i) {
        unsigned char c = (unsigned char)in[i];
        clean = c >= 0x20 && c < 0x7f && c != '/';
    }
    if (!clean) {
        now(out);
        return;
    }
    memset(out, ' ', 19);
    memcpy(out, in, n);
    out[19] = '\0';
}

int64_t RingStore::clamp(int64_t v, int64_t lo, int64_t hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

bool RingStore::parseInt(const char* text, int64_t* out)
{
    const char* p = text;
    if (*p == '-' || *p == '+')
        ++p;
    if (!*p)
        return false;
    int64_t v = 0;
    for (; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        if (v < 100000000000LL)
            v = v * 10 + (*p - '0');
    }
    *out = text[0] == '-' ? -v : v;
    return true;
}

int RingStore::slotFields(const char* slot, char* line, size_t size, char** parts, int maxParts)
{
    if (slot[0] != '\n')
        return 0;
    size_t n = 0;
    while (n < size - 1 && slot[1 + n] != '\n' && slot[1 + n] != '\0') {
        line[n] = slot[1 + n];
        ++n;
    }
    line[n] = '\0';
    if (n == 0)
        return 0;
    char slash[] = "/";
    int count = esf::ConfigFile::split(line, slash, parts, maxParts);
    return count < 0 ? 0 : count;
}
