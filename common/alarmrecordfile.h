#ifndef ALARMRECORDFILE_H
#define ALARMRECORDFILE_H

#include "chargerfault.h"
#include "recordfile.h"

namespace norvale {

// The alarm history as the panel uses it: alarms opened and closed as ChargerFault over one
// RecordFile. Alarms left open by a power loss are closed with BAR_STRING when it is read.
class AlarmRecordFile {
public:
    AlarmRecordFile(const char* path, bool debug);
    virtual ~AlarmRecordFile();

    virtual bool read();
    virtual bool write();
    virtual int size();
    // Alarm i, 0 = oldest by opening: 1, or 0 when i is out of range or out is null.
    virtual int get(int i, ChargerFault* out);
    // Active: opens an alarm with its start time. Not active: closes the newest open alarm of
    // the same code and point with its end time. True when the history changed.
    virtual bool set(const ChargerFault* fault);

private:
    AlarmRecordFile(const AlarmRecordFile&);
    AlarmRecordFile& operator=(const AlarmRecordFile&);

    RecordFile* file;
};

} // namespace norvale

#endif
