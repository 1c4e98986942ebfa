#ifndef INTERFACE4_1_H
#define INTERFACE4_1_H

#include <QWidget>

namespace norvale {
class AlarmRecordFile;
}

// The current-alarm list of the records tab. Until the list is drawn it keeps what start-up
// hands it: the alarm history and the three alarm-name tables (150 names each, not owned).
class INTERFACE4_1 : public QWidget {
    Q_OBJECT
public:
    explicit INTERFACE4_1(QWidget* parent = nullptr);

    void setChargerFaultFile(norvale::AlarmRecordFile* file);
    void setAlarmName(char (*acdc)[32], char (*dcdc)[32], char (*sts)[32]);

    norvale::AlarmRecordFile* chargerFaultFile() const { return m_file; }
    char (*dcacAlarmName() const)[32] { return m_dcacAlarmName; }
    char (*dcdcAlarmName() const)[32] { return m_dcdcAlarmName; }
    char (*stsAlarmName() const)[32] { return m_stsAlarmName; }

private:
    norvale::AlarmRecordFile* m_file = nullptr;
    char (*m_dcacAlarmName)[32] = nullptr;
    char (*m_dcdcAlarmName)[32] = nullptr;
    char (*m_stsAlarmName)[32] = nullptr;
};

#endif
