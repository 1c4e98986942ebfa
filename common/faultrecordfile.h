#ifndef FAULTRECORDFILE_H
#define FAULTRECORDFILE_H

#include "faultrecord.h"
#include "ringstore.h"

#include <deque>
#include <mutex>
#include <string>

// The faults of a link's modules with their data snapshots: a ring of 256 slots of 818 bytes
// behind a NEXT/SIZE header and a GBK caption. The owner reads it once, adds each new fault
// and writes; the panel asks for size() and get(). Torn counters are rebuilt from the slots
// and a torn slot is skipped; a file that is no ring at all is kept beside the new one under
// another name, so recording goes on.
class FaultRecordFile {
public:
    FaultRecordFile(const char* path, bool debug);
    virtual ~FaultRecordFile();

    // 1 = loaded (a missing file is created, one that is no ring replaced); 0 = cannot be opened.
    virtual int read();
    virtual int write();
    virtual int size();
    virtual int get(int i, FaultRecord* out);
    // A copy appended, the oldest dropped beyond 256: 1; 0 for a null record or when the
    // file cannot be loaded.
    virtual int add(const FaultRecord* record);

    int create();

    enum { MAX_RECORD_SIZE = 256, SLOT_SIZE = 818, FIRST_SLOT = 85 };

    static void formatSlot(const FaultRecord& r, char slot[SLOT_SIZE + 1]);
    // 1 = a record; 0 = an empty slot; -1 = a damaged slot.
    static int parseSlot(const char* slot, int k, FaultRecord* out, bool debug);

private:
    FaultRecordFile(const FaultRecordFile&);
    FaultRecordFile& operator=(const FaultRecordFile&);

    int internalRead();
    bool FaultReadRecord(int start, int end, const std::string& image);
    bool anySlotReads(const std::string& image);
    bool moveAside();
    void clearCache();

    RingStore ring;
    bool debug;
    bool loaded;
    int next;
    int filled;
    std::deque<FaultRecord*> cache;
    std::deque<FaultRecord*> dirty;   // added records still to be written, oldest first
    std::mutex lock;
};

namespace pcsdcdc {
// libbattconv's own copy of the class, the same code.
class FaultRecordFile : public ::FaultRecordFile {
public:
    using ::FaultRecordFile::FaultRecordFile;
};
} // namespace pcsdcdc

#endif
