#include "faultrecordfile.h"
#include "configfile.h"
#include "timeseam.h"

#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <vector>

namespace {
// "[索引、故障发生时间、模块类型、模块编号、故障数据]" in GBK.
#define FAULT_CAPTION                                                                                     \
    "\x5b\xcb\xf7\xd2\xfd\xa1\xa2\xb9\xca\xd5\xcf\xb7\xa2\xc9\xfa\xca\xb1\xbc\xe4\xa1\xa2\xc4\xa3\xbf\xe9" \
    "\xc0\xe0\xd0\xcd\xa1\xa2\xc4\xa3\xbf\xe9\xb1\xe0\xba\xc5\xa1\xa2\xb9\xca\xd5\xcf\xca\xfd\xbe\xdd\x5d"
const char HEADER[] = "[NEXT]\n0001\n\n[SIZE]\n0000\n\n" FAULT_CAPTION "\n[RECORD]";
static_assert(sizeof HEADER - 1 == FaultRecordFile::FIRST_SLOT, "header ends where slot 0 begins");
const int TITLE_SIZE = 34;   // a data row is 43 bytes

// The next line of a slot from pos, without its newline; false when the slot ends first.
bool nextLine(const char* slot, int* pos, std::string* line)
{
    line->clear();
    while (*pos < FaultRecordFile::SLOT_SIZE) {
        char c = slot[(*pos)++];
        if (c == '\n')
            return true;
        if (c == '\0')
            return false;
        *line += c;
    }
    return false;
}
}

FaultRecordFile::FaultRecordFile(const char* path, bool dbg)
    : ring(path, HEADER, int(sizeof HEADER - 1), FIRST_SLOT, SLOT_SIZE, MAX_RECORD_SIZE), debug(dbg), loaded(false),
      next(1), filled(0)
{
}

FaultRecordFile::~FaultRecordFile()
{
    clearCache();
}

void FaultRecordFile::clearCache()
{
    for (FaultRecord* r : cache)
        delete r;
    cache.clear();
    dirty.clear();
}

int FaultRecordFile::create()
{
    if (!ring.create()) {
        fprintf(stderr, "can't create %sfile\n", ring.path().c_str());
        return 0;
    }
    return 1;
}

void FaultRecordFile::formatSlot(const FaultRecord& r, char slot[SLOT_SIZE + 1])
{
    char t[20];
    RingStore::cleanTime(r.time, t);
    char* p = slot;
    p += snprintf(p, size_t(TITLE_SIZE + 3), "\n%04d/%s/%04d/%04d\n", int(RingStore::clamp(r.index, 0, 9999)), t,
        int(RingStore::clamp(r.type, -999, 9999)), int(RingStore::clamp(r.module, -999, 9999)));
    memcpy(p, "[data]\n", 7);
    p += 7;
    for (int row = 0; row < FAULT_DATA_ROWS; ++row) {
        // "%05u," by hand: a 16-bit word always has five digits, and a slot has 126 of them.
        for (int col = 0; col < FAULT_DATA_COLS; ++col) {
            unsigned v = r.data[row][col];
            for (int d = 4; d >= 0; --d, v /= 10)
                p[d] = char('0' + v % 10);
            p[5] = ',';
            p += 6;
        }
        *p++ = '\n';
    }
    *p++ = '\n';
    *p = '\0';
}

int FaultRecordFile::parseSlot(const char* slot, int k, FaultRecord* out, bool debug)
{
    int pos = 0;
    std::string line;
    // Never written, or an empty title line: passed over.
    if (slot[0] == '\0' || (slot[0] == '\n' && (slot[1] == '\n' || slot[1] == '\0')))
        return 0;
    if (slot[0] != '\n')
        return -1;
    pos = 1;
    if (!nextLine(slot, &pos, &line) || line.size() > 255)
        return -1;
    std::vector<char> text(line.begin(), line.end());
    text.push_back('\0');
    char* parts[8];
    char slash[] = "/";
    if (esf::ConfigFile::split(text.data(), slash, parts, 8) < 4) {
        if (debug)
            printf("FaultRecordFile FaultReadRecord split error loop=%d\n", k);
        return -1;
    }
    if (strlen(parts[1]) != 19) {
        if (debug)
            printf("FaultRecordFile FaultReadRecord strlen error loop=%d\n", k);
        return -1;
    }
    int64_t type, module;
    if (!RingStore::parseInt(parts[2], &type) || !RingStore::parseInt(parts[3], &module))
        return -1;
    memset(out, 0, sizeof *out);
    memcpy(out->time, parts[1], 19);
    out->type = int32_t(RingStore::clamp(type, INT32_MIN, INT32_MAX));
    out->module = int32_t(RingStore::clamp(module, INT32_MIN, INT32_MAX));
    out->index = k;
    if (!nextLine(slot, &pos, &line))
        return -1;
    for (int row = 0; row < FAULT_DATA_ROWS; ++row) {
        if (!nextLine(slot, &pos, &line)) {
            if (debug)
                printf("FaultRecordFile FaultReadRecord slot %d row %d string=%s \n", k, row, line.c_str());
            return -1;
        }
        std::vector<char> words(line.begin(), line.end());
        words.push_back('\0');
        char* w[FAULT_DATA_COLS + 1];
        char comma[] = ",";
        if (esf::ConfigFile::split(words.data(), comma, w, FAULT_DATA_COLS + 1) < FAULT_DATA_COLS) {
            if (debug)
                printf("FaultRecordFile FaultReadRecord slot %d row %d string=%s \n", k, row, line.c_str());
            return -1;
        }
        for (int col = 0; col < FAULT_DATA_COLS; ++col) {
            int64_t v;
            if (!RingStore::parseInt(w[col], &v))
                return -1;
            out->data[row][col] = uint16_t(RingStore::clamp(v, 0, 65535));
        }
    }
    out->dirty = 0;
    return 1;
}

bool FaultRecordFile::FaultReadRecord(int start, int end, const std::string& image)
{
    bool all = true;
    for (int k = start; k <= end; ++k) {
        FaultRecord r;
        int p = parseSlot(ring.slot(image, k), k, &r, debug);
        // A slot cut short by a power loss costs its own record, not the ring.
        if (p < 0) {
            printf("FaultRecordFile::FaultReadRecord: %s slot %d does not read, skipped\n", ring.path().c_str(), k);
            all = false;
        }
        if (p > 0)
            cache.push_back(new FaultRecord(r));
    }
    return all;
}

// Keeps a damaged file under a name of its own, beside the new one.
bool FaultRecordFile::moveAside()
{
    time_t t = TimeSeam::wallTime();
    struct tm tmv;
    localtime_r(&t, &tmv);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &tmv);
    std::string aside = ring.path() + ".bad-" + stamp;
    struct stat st;
    for (int n = 1; stat(aside.c_str(), &st) == 0 && n < 1000; ++n)
        aside = ring.path() + ".bad-" + stamp + "-" + std::to_string(n);
    if (rename(ring.path().c_str(), aside.c_str()) != 0) {
        printf("FaultRecordFile::read: %s is damaged and cannot be moved aside\n", ring.path().c_str());
        return false;
    }
    printf("FaultRecordFile::read: %s is damaged, kept as %s, a new one is started\n", ring.path().c_str(), aside.c_str());
    return true;
}

bool FaultRecordFile::anySlotReads(const std::string& image)
{
    for (int k = 0; k < MAX_RECORD_SIZE; ++k) {
        FaultRecord r;
        if (parseSlot(ring.slot(image, k), k, &r, false) > 0)
            return true;
    }
    return false;
}

int FaultRecordFile::internalRead()
{
    clearCache();
    loaded = false;
    int o = ring.open();
    if (o == 0 && create())
        o = ring.open();
    std::string image;
    if (o != 1 || !ring.load(&image)) {
        printf("FaultRecordFile read open error\n");
        ring.close();
        return 0;
    }
    // Neither a ring header nor a single readable slot: this is not a record file, keep it.
    if (!ring.headerText(image) && !anySlotReads(image)) {
        ring.close();
        if (!moveAside() || !create())
            return 0;
        next = 1;
        filled = 0;
        loaded = true;
        return 1;
    }
    // Counters that disagree (a cut between the two) are rebuilt from the slots.
    ring.takeCounters(image, &next, &filled, [&](int k) {
        FaultRecord r;
        return parseSlot(ring.slot(image, k), k, &r, false) > 0 ? std::string(r.time, 19) : std::string();
    });
    if (debug)
        printf("FaultRecordFile open next=%d size=%d\n", next, filled);
    std::vector<int> slots;
    ring.order(next, filled, &slots);
    for (int k : slots)
        FaultReadRecord(k, k, image);
    ring.close();
    loaded = true;
    return 1;
}

int FaultRecordFile::read()
{
    std::lock_guard<std::mutex> guard(lock);
    return internalRead();
}

int FaultRecordFile::size()
{
    std::lock_guard<std::mutex> guard(lock);
    return int(cache.size());
}

int FaultRecordFile::get(int i, FaultRecord* out)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!out || i < 0 || i >= int(cache.size()))
        return 0;
    *out = *cache[size_t(i)];
    return 1;
}

int FaultRecordFile::add(const FaultRecord* record)
{
    std::lock_guard<std::mutex> guard(lock);
    // A file that could not be opened before is tried again rather than given up for good.
    if (!record || (!loaded && !internalRead()))
        return 0;
    if (cache.size() >= size_t(MAX_RECORD_SIZE)) {
        FaultRecord* oldest = cache.front();
        if (oldest->dirty)
            dirty.erase(std::remove(dirty.begin(), dirty.end(), oldest), dirty.end());
        delete oldest;
        cache.pop_front();
    }
    FaultRecord* r = new FaultRecord(*record);
    char t[20];
    RingStore::cleanTime(record->time, t);
    memset(r->time, 0, sizeof r->time);
    memcpy(r->time, t, 19);
    r->type = int32_t(RingStore::clamp(r->type, -999, 9999));
    r->module = int32_t(RingStore::clamp(r->module, -999, 9999));
    r->index = -1;
    r->dirty = 1;
    cache.push_back(r);
    dirty.push_back(r);
    return 1;
}

int FaultRecordFile::write()
{
    std::lock_guard<std::mutex> guard(lock);
    if (!loaded || ring.open() != 1) {
        printf("FaultRecordFile write open error\n");
        ring.close();
        return 0;
    }
    bool ok = ring.writeDirty(&cache, &dirty, &next, &filled, [](const FaultRecord& r, char* bytes) {
        char slot[SLOT_SIZE + 1];
        formatSlot(r, slot);
        memcpy(bytes, slot, SLOT_SIZE);
    });
    ring.close();
    if (!ok)
        printf("FaultRecordFile::write: %s not completely written\n", ring.path().c_str());
    return ok ? 1 : 0;
}
