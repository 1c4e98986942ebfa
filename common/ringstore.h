#ifndef RINGSTORE_H
#define RINGSTORE_H

#include <stdint.h>
#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// The bytes that the record rings share: a header with NEXT (the 1-based slot the next record
// takes, 4 digits at byte 7) and SIZE (filled slots, 4 digits at byte 20), then `capacity`
// slots of `slotSize` bytes from byte `firstSlot`. Everything is written in place, so adding
// a record costs one slot and the two counters, never a rewrite of the file.
class RingStore {
public:
    // header: the file's fresh header, headerSize bytes, counters "0001" and "0000".
    RingStore(const char* path, const char* header, int headerSize, int firstSlot, int slotSize, int capacity);
    ~RingStore();

    // 1 = open for reading and writing; 0 = the file does not exist; -1 = any other failure.
    int open();
    void close();
    // Creates a missing file with its fresh header; never replaces an existing one.
    bool create();

    // The header and the slots the file holds (a cut slot padded with zero bytes); slot()
    // answers a slot past them as zero bytes.
    bool load(std::string* image);
    // Slots a loaded image holds.
    int slotsIn(const std::string& image) const;
    // NEXT and SIZE of an image whose header is intact: NEXT 1..capacity, SIZE 0..capacity,
    // and NEXT = SIZE + 1 while the ring is not full.
    bool counters(const std::string& image, int* next, int* size) const;
    // The header's fixed text is intact (the counters may still be damaged).
    bool headerText(const std::string& image) const;
    const char* slot(const std::string& image, int k) const;
    // Slots oldest first for the given counters.
    void order(int next, int size, std::vector<int>* slots) const;
    // Counters for a ring whose header was lost, from the time stamps of its slots (an empty
    // stamp: no readable record there).
    void rebuild(const std::vector<std::string>& stamps, int* next, int* size) const;

    // Counters of a loaded image; a short, damaged or contradictory header is rebuilt from the
    // slots (stamp(k): the time of slot k's record, "" when it holds none) and written back.
    void takeCounters(const std::string& image, int* next, int* size, const std::function<std::string(int)>& stamp);

    // Writes the dirty records of a cache to their slots, in the order they were marked (the
    // `dirty` list; a null entry is skipped). A record without a slot (index < 0) takes slot
    // NEXT - 1, and the record that held that slot before leaves the cache: the cache is kept
    // oldest first in ring order, so that record can only be its front. Then the counters, then
    // a flush to disk. Written entries leave the list; the rest stay for the next call. Rec has
    // `index` and `dirty`; format(record, bytes) fills slotSize bytes. Nothing here walks the
    // cache, so an append costs the same however full the ring is.
    template <class Rec, class Format>
    bool writeDirty(std::deque<Rec*>* cache, std::deque<Rec*>* dirty, int* next, int* size, Format format);

    // Writes a whole slot (slotSize bytes).
    bool writeSlot(int k, const char* bytes);
    bool writeCounters(int next, int size);
    // The whole header with these counters.
    bool writeHeader(int next, int size);
    bool flush();

    const std::string& path() const { return path_; }
    int capacity() const { return capacity_; }
    int slotSize() const { return slotSize_; }

    // A clean 19-character time text: a printable text without "/" is kept (blank-padded when
    // shorter); anything else becomes the current time.
    static void cleanTime(const char* in, char out[20]);
    // The text of a slot (after its leading newline, up to the next one) into line, which holds
    // size bytes, and its "/"-separated fields into parts; the number of fields, or 0 when the
    // slot does not start with a newline or is empty.
    static int slotFields(const char* slot, char* line, size_t size, char** parts, int maxParts);
    static void now(char out[20]);
    static int64_t clamp(int64_t v, int64_t lo, int64_t hi);
    // A whole decimal integer (optional sign, digits, nothing else).
    static bool parseInt(const char* text, int64_t* out);

private:
    RingStore(const RingStore&);
    RingStore& operator=(const RingStore&);

    std::string path_;
    std::string header_;
    int firstSlot_;
    int slotSize_;
    int capacity_;
    int fd_;
    bool stale_;  // the counters on disk lag behind the caller's
    std::string blank_;   // a slot of zero bytes, for slots past the end of a loaded file
};

template <class Rec, class Format>
bool RingStore::writeDirty(std::deque<Rec*>* cache, std::deque<Rec*>* dirty, int* next, int* size, Format format)
{
    std::string bytes(size_t(slotSize_) + 1, '\0');
    bool ok = true;
    bool moved = false;
    size_t done = 0;
    for (; done < dirty->size(); ++done) {
        Rec* r = (*dirty)[done];
        if (!r)
            continue;
        bool fresh = r->index < 0;
        if (fresh) {
            int k = *next - 1;
            // Nothing may later rewrite this slot on behalf of its previous record.
            Rec* old = cache->empty() ? nullptr : cache->front();
            if (old && old != r && old->index == k) {
                if (old->dirty)
                    std::replace(dirty->begin() + long(done), dirty->end(), old, static_cast<Rec*>(nullptr));
                delete old;
                cache->pop_front();
            }
            r->index = k;
        }
        format(*r, &bytes[0]);
        if (!writeSlot(r->index, bytes.data())) {
            if (fresh)
                r->index = -1;
            ok = false;
            break;
        }
        if (fresh) {
            *next = *next >= capacity_ ? 1 : *next + 1;
            *size = *size < capacity_ ? *size + 1 : capacity_;
            moved = true;
        }
        r->dirty = 0;
    }
    dirty->erase(dirty->begin(), dirty->begin() + long(done));
    // Slots first, counters after: a power loss in between loses the new lines, not the ring.
    if ((moved || stale_) && !writeCounters(*next, *size))
        ok = false;
    if (!flush())
        ok = false;
    return ok;
}

#endif
