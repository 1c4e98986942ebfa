#ifndef OPERATERECORDFILE_H
#define OPERATERECORDFILE_H

#include "operaterecord.h"
#include "ringstore.h"

#include <deque>
#include <mutex>
#include <string>

namespace norvale {

// The operation log and the status log: a ring of 9999 fixed 90-byte lines behind a NEXT/SIZE
// header and a GBK caption. Records are only ever appended; the cache keeps both values
// multiplied by 1000, exactly as the file holds them.
class OperateRecordFile {
public:
    OperateRecordFile(const char* path, bool debug);
    virtual ~OperateRecordFile();

    // Loads the cache, creating a missing file; a damaged header is rebuilt from the slots;
    // a file that exists but cannot be opened is left alone (false).
    virtual bool read();
    virtual bool write();
    virtual int size();
    // Record i, 0 = oldest, values in natural units: 1, or 0 when out of range or out is null.
    virtual int get(int i, OperateRecord* out);
    // Appends a record (only after a successful read()); true when appended.
    virtual bool set(const OperateRecord* record);

    static const char* const TIME_FORMAT;
    static const char* const NULL_STRING;
    static const char* const BAR_STRING;
    enum { MAX_RECORD_SIZE = 9999, SLOT_SIZE = 90, FIRST_SLOT = 95 };

    // The 90 bytes of a slot from a cached record (values already x 1000).
    static void formatSlot(const OperateRecord& r, char slot[SLOT_SIZE + 1]);
    static bool parseSlot(const char* slot, int k, OperateRecord* out, bool debug);

private:
    OperateRecordFile(const OperateRecordFile&);
    OperateRecordFile& operator=(const OperateRecordFile&);

    bool create();
    void takeHeader(const std::string& image);
    void clearCache();

    RingStore ring;
    bool debug;
    bool loaded;
    bool headerKnown;
    int next;
    int filled;
    std::deque<OperateRecord*> cache;
    std::deque<OperateRecord*> dirty;   // appended records still to be written, oldest first
    std::mutex lock;
};

} // namespace norvale

#endif
