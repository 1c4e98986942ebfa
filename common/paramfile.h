#ifndef PARAMFILE_H
#define PARAMFILE_H

#include "paramrecord.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>

// Held by every writer of a module parameter file while it writes the file: an exclusive flock()
// on "<file>.lock" beside it. A file lock, because the program and each link library carry their
// own copy of this code and no mutex of it is shared between them; beside the file, because a
// writer that replaces the file whole puts a new file under the name.
class ParamFileLock {
public:
    explicit ParamFileLock(const std::string& paramPath);
    ~ParamFileLock();
    // false when the lock file could not be opened or locked: the writer goes on without it.
    bool held() const { return fd >= 0; }

private:
    ParamFileLock(const ParamFileLock&) = delete;
    ParamFileLock& operator=(const ParamFileLock&) = delete;
    int fd;
};

namespace Modbus485 {

// The last values of one module's operating parameters, "<directory>/param_<id>.ini", one
// 16-byte line per parameter (see ParamLine). The owner changes records with add() and asks
// for a write with write(); its parameter thread writes the changed lines in place with
// ansywrite(). A missing file starts as a copy of "<directory>/default/param.ini".
class ParamFile {
public:
    ParamFile(const char* directory, int id);
    virtual ~ParamFile();

    // Replaces the records by the file's content: 1, or 0 when the file cannot be opened.
    virtual int read();
    // Only requests a write pass: 1.
    virtual int write();
    // out becomes a copy of the record map; the records stay owned by this file and live
    // until the next read().
    virtual void get(std::map<int, ParamRecord*>& out);
    // Takes over the record's index and value: 1, or 0 for a null record, an index outside
    // 0..1023 or a value that does not fit its line.
    virtual int add(ParamRecord* record);
    // The write pass: every changed record to its line. 1, or 0 when the file cannot be opened.
    virtual int ansywrite();

    // For the owner's parameter thread: whether write() was called since the last look,
    // clearing the request.
    bool takeWriteRequest();

    enum { MAX_INDEX = 1023 };

protected:
    enum Form { AcDcForm, DcDcForm };
    ParamFile(Form form, const char* directory, int id);

    std::atomic<bool> writeRequest;

private:
    ParamFile(const ParamFile&);
    ParamFile& operator=(const ParamFile&);

    int internalRead();
    int copyDefault();
    void clearRecords();
    const char* defaultText() const;

    std::map<int, ParamRecord*> records;
    int id;
    char directory[128];
    char path[160];
    Form form;
    std::mutex lock;  // add() and ansywrite() run on different threads
};

} // namespace Modbus485

// libbattconv's form of the same file, fixed to "../conf-dcdc"; its owner writes every second
// and clears the request itself.
class ParamFile : public Modbus485::ParamFile {
public:
    explicit ParamFile(int id);
    virtual int setWriteState();
};

#endif
