#ifndef RECORDFILE_H
#define RECORDFILE_H

#include "record.h"
#include "ringstore.h"

#include <deque>
#include <mutex>
#include <string>

namespace norvale {

// The alarm history: a ring of 6500 fixed 80-byte lines behind a NEXT/SIZE header. Every
// record has its own slot, so opening or closing an alarm writes one line in place. All
// records are also kept in memory, oldest first; read() loads them, set() changes them and
// write() brings the file up to date.
class RecordFile {
public:
    RecordFile(const char* path, bool debug);
    virtual ~RecordFile();

    // Loads the cache from the file, creating a missing file. A damaged header is rebuilt
    // from the slots; a file that exists but cannot be opened is left alone (false).
    virtual bool read();
    // Every changed record to its slot, then the counters, then a flush to disk.
    virtual bool write();
    virtual int size();
    // Record i, 0 = oldest: 1, or 0 when i is out of range or out is null.
    virtual int get(int i, Record* out);
    // An opening record (active 1) is appended; a closing one closes the newest open record
    // of the same items. Both times must be 19 characters. True when the cache changed.
    virtual bool set(const Record* record);

    static const char* const TIME_FORMAT;
    static const char* const NULL_STRING;
    static const char* const BAR_STRING;
    enum { MAX_RECORD_SIZE = 6500, SLOT_SIZE = 80, FIRST_SLOT = 36 };

    // The 80 bytes of a slot: a newline and the 79-character line. Out-of-range numbers are
    // clamped and bad time texts replaced, so a line never reaches into the next slot.
    static void formatSlot(const Record& r, char slot[SLOT_SIZE + 1]);
    // A slot's line back into a record (dirty 0, index k); false for an empty or bad line.
    static bool parseSlot(const char* slot, int k, Record* out, bool debug);

private:
    RecordFile(const RecordFile&);
    RecordFile& operator=(const RecordFile&);

    bool create();
    bool takeHeader(const std::string& image);
    void clearCache();
    // The cache's oldest record leaves it (and the list of records still to be written).
    void dropOldest();

    RingStore ring;
    bool debug;
    bool headerKnown;
    int next;
    int filled;
    std::deque<Record*> cache;
    std::deque<Record*> dirty;   // records of the cache still to be written, in order of change
    std::mutex lock;
};

} // namespace norvale

#endif
