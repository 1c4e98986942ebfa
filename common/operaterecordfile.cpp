#include "operaterecordfile.h"
#include "configfile.h"

#include <algorithm>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <vector>

namespace norvale {

namespace {
// "[索引 操作时间 操作类型编号 操作名称 模块编号 原始值 修改值]" in GBK, as the file has always held it.
#define OPERATE_CAPTION                                                                                   \
    "\x5b\xcb\xf7\xd2\xfd\x20\xb2\xd9\xd7\xf7\xca\xb1\xbc\xe4\x20\xb2\xd9\xd7\xf7\xc0\xe0\xd0\xcd\xb1\xe0" \
    "\xba\xc5\x20\xb2\xd9\xd7\xf7\xc3\xfb\xb3\xc6\x20\xc4\xa3\xbf\xe9\xb1\xe0\xba\xc5\x20\xd4\xad\xca\xbc" \
    "\xd6\xb5\x20\xd0\xde\xb8\xc4\xd6\xb5\x5d"
const char HEADER[] = "[NEXT]\n0001\n\n[SIZE]\n0000\n\n" OPERATE_CAPTION "\n[RECORD]";
static_assert(sizeof HEADER - 1 == OperateRecordFile::FIRST_SLOT, "header ends where slot 0 begins");

// A thousandfold as the file keeps it: fractions cut off, within the ten-character field.
double field(double thousandfold)
{
    if (isnan(thousandfold))
        return 0.0;
    if (thousandfold < -999999999.0)
        return -999999999.0;
    if (thousandfold > 2147483647.0)
        return 2147483647.0;
    return trunc(thousandfold);
}
}

const char* const OperateRecordFile::TIME_FORMAT = "%Y-%m-%d %H:%M:%S";
const char* const OperateRecordFile::NULL_STRING = "                   ";
const char* const OperateRecordFile::BAR_STRING = "-------------------";

OperateRecordFile::OperateRecordFile(const char* path, bool dbg)
    : ring(path, HEADER, int(sizeof HEADER - 1), FIRST_SLOT, SLOT_SIZE, MAX_RECORD_SIZE), debug(dbg), loaded(false),
      headerKnown(false), next(1), filled(0)
{
}

OperateRecordFile::~OperateRecordFile()
{
    clearCache();
}

void OperateRecordFile::clearCache()
{
    for (OperateRecord* r : cache)
        delete r;
    cache.clear();
    dirty.clear();
}

bool OperateRecordFile::create()
{
    if (!ring.create()) {
        fprintf(stderr, "can't create %sfile\n", ring.path().c_str());
        return false;
    }
    return true;
}

void OperateRecordFile::formatSlot(const OperateRecord& r, char slot[SLOT_SIZE + 1])
{
    char t[20];
    RingStore::cleanTime(r.time, t);
    int n = snprintf(slot, SLOT_SIZE + 1, "\n%04d/%s/%04d/%32s/%04d/%010d/%010d", int(RingStore::clamp(r.index, 0, 9999)), t,
        int(RingStore::clamp(r.oid, -999, 9999)), "", int(RingStore::clamp(r.modules, -999, 9999)),
        int(field(r.rdata)), int(field(r.mdata)));
    if (n != SLOT_SIZE)
        memset(slot, ' ', SLOT_SIZE);
    slot[0] = '\n';
    slot[SLOT_SIZE] = '\0';
}

bool OperateRecordFile::parseSlot(const char* slot, int k, OperateRecord* out, bool debug)
{
    char line[SLOT_SIZE];
    char* parts[8];
    const int fields = RingStore::slotFields(slot, line, sizeof line, parts, 8);
    if (fields == 0)
        return false;
    if (fields < 7) {
        if (debug)
            printf("OperateRecordFile OperateReadRecord split error i=%d\n", k);
        return false;
    }
    if (strlen(parts[1]) != 19) {
        if (debug)
            printf("OperateRecordFile OperateReadRecord strlen error i=%d\n", k);
        return false;
    }
    int64_t index, oid, modules, rdata, mdata;
    if (!RingStore::parseInt(parts[0], &index) || !RingStore::parseInt(parts[2], &oid)
        || !RingStore::parseInt(parts[4], &modules) || !RingStore::parseInt(parts[5], &rdata)
        || !RingStore::parseInt(parts[6], &mdata))
        return false;
    memset(out, 0, sizeof *out);
    out->index = k;
    memcpy(out->time, parts[1], 19);
    out->oid = int32_t(RingStore::clamp(oid, INT32_MIN, INT32_MAX));
    out->modules = int32_t(RingStore::clamp(modules, INT32_MIN, INT32_MAX));
    out->rdata = double(RingStore::clamp(rdata, INT32_MIN, INT32_MAX));
    out->mdata = double(RingStore::clamp(mdata, INT32_MIN, INT32_MAX));
    out->dirty = 0;
    return true;
}

void OperateRecordFile::takeHeader(const std::string& image)
{
    ring.takeCounters(image, &next, &filled, [&](int k) {
        OperateRecord r;
        return parseSlot(ring.slot(image, k), k, &r, false) ? std::string(r.time) : std::string();
    });
    headerKnown = true;
}

bool OperateRecordFile::read()
{
    std::lock_guard<std::mutex> guard(lock);
    clearCache();
    headerKnown = false;
    int o = ring.open();
    if (o == 0 && create())
        o = ring.open();
    std::string image;
    if (o != 1 || !ring.load(&image)) {
        printf("OperateRecordFile read open error\n");
        ring.close();
        return false;
    }
    takeHeader(image);
    if (debug)
        printf("OperateRecordFile open next=%d size=%d\n", next, filled);
    std::vector<int> slots;
    ring.order(next, filled, &slots);
    for (int k : slots) {
        OperateRecord r;
        if (parseSlot(ring.slot(image, k), k, &r, debug))
            cache.push_back(new OperateRecord(r));
    }
    ring.close();
    loaded = true;
    return true;
}

int OperateRecordFile::size()
{
    std::lock_guard<std::mutex> guard(lock);
    return int(cache.size());
}

int OperateRecordFile::get(int i, OperateRecord* out)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!out || i < 0 || i >= int(cache.size()))
        return 0;
    *out = *cache[size_t(i)];
    out->rdata /= 1000.0;
    out->mdata /= 1000.0;
    return 1;
}

bool OperateRecordFile::set(const OperateRecord* record)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!loaded || !record)
        return false;
    if (cache.size() >= size_t(MAX_RECORD_SIZE)) {
        OperateRecord* oldest = cache.front();
        if (oldest->dirty)
            dirty.erase(std::remove(dirty.begin(), dirty.end(), oldest), dirty.end());
        delete oldest;
        cache.pop_front();
    }
    OperateRecord* r = new OperateRecord(*record);
    r->index = -1;
    char t[20];
    RingStore::cleanTime(record->time, t);
    memset(r->time, 0, sizeof r->time);
    memcpy(r->time, t, 19);
    memset(r->name, 0, sizeof r->name);
    r->oid = int32_t(RingStore::clamp(r->oid, -999, 9999));
    r->modules = int32_t(RingStore::clamp(r->modules, -999, 9999));
    r->rdata = field(record->rdata * 1000.0);
    r->mdata = field(record->mdata * 1000.0);
    r->dirty = 1;
    cache.push_back(r);
    dirty.push_back(r);
    return true;
}

bool OperateRecordFile::write()
{
    std::lock_guard<std::mutex> guard(lock);
    if (dirty.empty())
        return true;
    std::string image;
    if (ring.open() != 1 || (!headerKnown && !ring.load(&image))) {
        printf("OperateRecordFile write open error\n");
        ring.close();
        return false;
    }
    if (!headerKnown)
        takeHeader(image);
    bool ok = ring.writeDirty(&cache, &dirty, &next, &filled, [](const OperateRecord& r, char* bytes) {
        char slot[SLOT_SIZE + 1];
        formatSlot(r, slot);
        memcpy(bytes, slot, SLOT_SIZE);
    });
    ring.close();
    if (!ok) {
        printf("OperateRecordFile::write: %s not completely written\n", ring.path().c_str());
    }
    return ok;
}

} // namespace norvale
