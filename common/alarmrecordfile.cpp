#include "alarmrecordfile.h"

#include <string.h>

namespace norvale {

AlarmRecordFile::AlarmRecordFile(const char* path, bool debug)
    : file(new RecordFile(path, debug))
{
}

AlarmRecordFile::~AlarmRecordFile()
{
    delete file;
}

bool AlarmRecordFile::read()
{
    if (!file->read())
        return false;
    bool closed = false;
    // Newest first: closing matches the newest open alarm of the same items, which is then
    // always the one at hand.
    for (int i = file->size() - 1; i >= 0; --i) {
        Record r;
        if (!file->get(i, &r))
            continue;
        if (!r.active && strncmp(r.endTime, RecordFile::NULL_STRING, 32) != 0)
            continue;
        memset(r.endTime, 0, sizeof r.endTime);
        memcpy(r.endTime, RecordFile::BAR_STRING, 19);
        r.active = 0;
        closed = file->set(&r) || closed;
    }
    if (closed)
        file->write();
    return true;
}

bool AlarmRecordFile::write()
{
    return file->write();
}

int AlarmRecordFile::size()
{
    return file->size();
}

int AlarmRecordFile::get(int i, ChargerFault* out)
{
    Record r;
    if (!out || !file->get(i, &r))
        return 0;
    memset(out, 0, sizeof *out);
    out->code = r.item1;
    out->index = r.item2;
    memcpy(out->startTime, r.startTime, sizeof out->startTime);
    memcpy(out->endTime, r.endTime, sizeof out->endTime);
    out->active = r.active;
    return 1;
}

bool AlarmRecordFile::set(const ChargerFault* fault)
{
    if (!fault)
        return false;
    Record r;
    memset(&r, 0, sizeof r);
    r.index = -1;
    r.item1 = fault->code;
    r.item2 = fault->index;
    r.item3 = 0;
    r.active = fault->active ? 1 : 0;
    if (r.active) {
        memcpy(r.startTime, fault->startTime, sizeof r.startTime);
        memcpy(r.endTime, RecordFile::NULL_STRING, 19);
    } else {
        memcpy(r.startTime, RecordFile::NULL_STRING, 19);
        memcpy(r.endTime, fault->endTime, sizeof r.endTime);
    }
    r.startTime[31] = '\0';
    r.endTime[31] = '\0';
    return file->set(&r);
}

} // namespace norvale
