#ifndef INTERFACE4_1_H
#define INTERFACE4_1_H

#include "recordlistpage.h"

#include <memory>

struct ChargerFault;
namespace norvale {
class AlarmRecordFile;
}

// The alarm list of the records tab: either the alarms still open or those that have ended,
// newest first by opening time. Named by the three alarm-name tables of start-up.
class INTERFACE4_1 : public RecordListPage {
    Q_OBJECT
public:
    explicit INTERFACE4_1(QWidget* parent = nullptr);
    ~INTERFACE4_1() override;

    void setChargerFaultFile(norvale::AlarmRecordFile* file);
    void setAlarmName(char (*acdc)[32], char (*dcdc)[32], char (*sts)[32]);

    void setpositiontext();
    // Reloads the open alarms (list mode 1) or the ended ones (list mode 0) and redraws.
    void freshme();
    void freshhistory();
    void freshToPage1();
    int listMode() const { return m_listMode; }

    // The text of the name column for an alarm code and point.
    static QString showname(int code, int index);

    norvale::AlarmRecordFile* chargerFaultFile() const { return m_file; }
    static char (*dcacAlarmName())[32] { return m_dcacAlarmName; }
    static char (*dcdcAlarmName())[32] { return m_dcdcAlarmName; }
    static char (*stsAlarmName())[32] { return m_stsAlarmName; }

protected:
    void rowText(int e, QString* name, QString* third, QString* fourth) const override;
    bool redrawOnStep() const override { return true; }

private:
    void load(bool active);

    static char (*m_dcacAlarmName)[32];
    static char (*m_dcdcAlarmName)[32];
    static char (*m_stsAlarmName)[32];

    norvale::AlarmRecordFile* m_file = nullptr;
    int m_listMode = 1;
    std::unique_ptr<ChargerFault[]> m_history; // ended alarms
    std::unique_ptr<ChargerFault[]> m_current; // open alarms
};

#endif
