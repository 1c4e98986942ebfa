#include "recordfile.h"

#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <vector>
#include "configfile.h"

namespace norvale {

namespace {
const char HEADER[] = "[NEXT]\n0001\n\n[SIZE]\n0000\n\n[RECORD]";

void setTime(char dst[32], const char* src)
{
    memset(dst, 0, 32);
    memcpy(dst, src, 19);
}

bool is19(const char* t)
{
    return strnlen(t, 32) == 19;
}
}

const char* const RecordFile::TIME_FORMAT = "%Y-%m-%d %H:%M:%S";
const char* const RecordFile::NULL_STRING = "                   ";
const char* const RecordFile::BAR_STRING = "-------------------";

RecordFile::RecordFile(const char* path, bool dbg)
    : ring(path, HEADER, int(sizeof HEADER - 1), FIRST_SLOT, SLOT_SIZE, MAX_RECORD_SIZE), debug(dbg),
      headerKnown(false), next(1), filled(0)
{
}

RecordFile::~RecordFile()
{
    clearCache();
}

void RecordFile::clearCache()
{
    for (Record* r : cache)
        delete r;
    cache.clear();
    dirty.clear();
}

void RecordFile::dropOldest()
{
    Record* r = cache.front();
    if (r->dirty)
        dirty.erase(std::remove(dirty.begin(), dirty.end(), r), dirty.end());
    delete r;
    cache.pop_front();
}

bool RecordFile::create()
{
    if (!ring.create()) {
        printf("%s(%d)- %s  error\n", "bool norvale::RecordFile::create()", __LINE__, ring.path().c_str());
        return false;
    }
    return true;
}

void RecordFile::formatSlot(const Record& r, char slot[SLOT_SIZE + 1])
{
    char start[20], end[20];
    RingStore::cleanTime(r.startTime, start);
    RingStore::cleanTime(r.endTime, end);
    int n = snprintf(slot, SLOT_SIZE + 1, "\n%04d/%010d/%010d/%010d/%s/%s/%01d",
        int(RingStore::clamp(r.index, 0, 9999)), int(RingStore::clamp(r.item1, -999999999, 2147483647)),
        int(RingStore::clamp(r.item2, -999999999, 2147483647)), int(RingStore::clamp(r.item3, -999999999, 2147483647)),
        start, end, r.active ? 1 : 0);
    if (n != SLOT_SIZE)
        memset(slot, ' ', SLOT_SIZE);
    slot[0] = '\n';
    slot[SLOT_SIZE] = '\0';
}

bool RecordFile::parseSlot(const char* slot, int k, Record* out, bool debug)
{
    char line[SLOT_SIZE];
    char* parts[8];
    const int fields = RingStore::slotFields(slot, line, sizeof line, parts, 8);
    if (fields == 0)
        return false;
    if (fields < 7) {
        if (debug)
            printf("RecordFile readRecord split error i=%d\n", k);
        return false;
    }
    if (strlen(parts[4]) != 19 || strlen(parts[5]) != 19) {
        if (debug)
            printf("RecordFile readRecord strlen error i=%d\n", k);
        return false;
    }
    int64_t v[4], active;
    for (int i = 0; i < 4; ++i)
        if (!RingStore::parseInt(parts[i], &v[i]))
            return false;
    if (!RingStore::parseInt(parts[6], &active))
        return false;
    memset(out, 0, sizeof *out);
    // The slot it was read from, whatever the line says: closing rewrites exactly this slot.
    out->index = k;
    out->item1 = int32_t(RingStore::clamp(v[1], INT32_MIN, INT32_MAX));
    out->item2 = int32_t(RingStore::clamp(v[2], INT32_MIN, INT32_MAX));
    out->item3 = int32_t(RingStore::clamp(v[3], INT32_MIN, INT32_MAX));
    setTime(out->startTime, parts[4]);
    setTime(out->endTime, parts[5]);
    out->active = active != 0;
    out->dirty = 0;
    return true;
}

bool RecordFile::takeHeader(const std::string& image)
{
    ring.takeCounters(image, &next, &filled, [&](int k) {
        Record r;
        return parseSlot(ring.slot(image, k), k, &r, false) ? std::string(r.startTime) : std::string();
    });
    headerKnown = true;
    return true;
}

bool RecordFile::read()
{
    std::lock_guard<std::mutex> guard(lock);
    clearCache();
    headerKnown = false;
    int o = ring.open();
    if (o == 0 && create())
        o = ring.open();
    std::string image;
    if (o != 1 || !ring.load(&image)) {
        printf("%s(%d)-open %s  error\n", "virtual bool norvale::RecordFile::read()", __LINE__, ring.path().c_str());
        ring.close();
        return false;
    }
    takeHeader(image);
    if (debug)
        printf("RecordFile open next=%d size=%d\n", next, filled);
    std::vector<int> slots;
    ring.order(next, filled, &slots);
    for (int k : slots) {
        Record r;
        if (parseSlot(ring.slot(image, k), k, &r, debug))
            cache.push_back(new Record(r));
    }
    while (cache.size() > size_t(MAX_RECORD_SIZE))
        dropOldest();
    ring.close();
    return true;
}

int RecordFile::size()
{
    std::lock_guard<std::mutex> guard(lock);
    return int(cache.size());
}

int RecordFile::get(int i, Record* out)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!out || i < 0 || i >= int(cache.size()))
        return 0;
    *out = *cache[size_t(i)];
    return 1;
}

bool RecordFile::set(const Record* record)
{
    if (!record || !is19(record->startTime) || !is19(record->endTime))
        return false;
    std::lock_guard<std::mutex> guard(lock);
    if (record->active) {
        if (cache.size() >= size_t(MAX_RECORD_SIZE))
            dropOldest();
        Record* r = new Record(*record);
        r->index = -1;
        for (int32_t* v : { &r->item1, &r->item2, &r->item3 })
            *v = int32_t(RingStore::clamp(*v, -999999999, INT32_MAX));
        char t[20];
        RingStore::cleanTime(record->startTime, t);
        setTime(r->startTime, t);
        RingStore::cleanTime(record->endTime, t);
        setTime(r->endTime, t);
        r->active = 1;
        r->dirty = 1;
        cache.push_back(r);
        dirty.push_back(r);
        return true;
    }
    int32_t items[3] = { record->item1, record->item2, record->item3 };
    for (int32_t& v : items)
        v = int32_t(RingStore::clamp(v, -999999999, INT32_MAX));
    for (auto it = cache.rbegin(); it != cache.rend(); ++it) {
        Record* r = *it;
        if (r->item1 == items[0] && r->item2 == items[1] && r->item3 == items[2]
            && strncmp(r->endTime, NULL_STRING, 32) == 0) {
            char t[20];
            RingStore::cleanTime(record->endTime, t);
            setTime(r->endTime, t);
            r->active = 0;
            if (!r->dirty)
                dirty.push_back(r);
            r->dirty = 1;
            return true;
        }
    }
    return false;
}

bool RecordFile::write()
{
    std::lock_guard<std::mutex> guard(lock);
    if (dirty.empty())
        return true;
    std::string image;
    if (ring.open() != 1 || (!headerKnown && !(ring.load(&image) && takeHeader(image)))) {
        printf("RecordFile write open error\n");
        ring.close();
        return false;
    }
    bool ok = ring.writeDirty(&cache, &dirty, &next, &filled, [](const Record& r, char* bytes) {
        char slot[SLOT_SIZE + 1];
        formatSlot(r, slot);
        memcpy(bytes, slot, SLOT_SIZE);
    });
    ring.close();
    if (!ok) {
        printf("RecordFile::write: %s not completely written\n", ring.path().c_str());
    }
    return ok;
}

} // namespace norvale
