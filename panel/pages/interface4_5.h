#ifndef INTERFACE4_5_H
#define INTERFACE4_5_H

#include "recordlistpage.h"

#include <memory>

struct OperateRecord;
namespace norvale {
class OperateRecordFile;
}

// The status-log list of the records tab: the switch's status changes (codes 300..399), those of
// the sides and their strings (1100..1299) and the panel's start-up (2000), newest first. Named
// by the three status-name tables of start-up.
class Interface4_5 : public RecordListPage {
    Q_OBJECT
public:
    explicit Interface4_5(QWidget* parent = nullptr);
    ~Interface4_5() override;

    // Despite the name this stores the file.
    void getStatusRecordFile(norvale::OperateRecordFile* file);
    void setStatusName(char (*acdc)[32], char (*dcdc)[32], char (*sts)[32]);

    void setpositiontext();
    void freshme();

    // The name column for a record's code and point.
    static QString showname(int code, int index);

    norvale::OperateRecordFile* statusRecordFile() const { return m_file; }
    static char (*dcacStatusName())[32] { return m_dcacStatusName; }
    static char (*dcdcStatusName())[32] { return m_dcdcStatusName; }
    static char (*stsStatusName())[32] { return m_stsStatusName; }

protected:
    void rowText(int e, QString* name, QString* third, QString* fourth) const override;

private:
    static char (*m_dcacStatusName)[32];
    static char (*m_dcdcStatusName)[32];
    static char (*m_stsStatusName)[32];

    norvale::OperateRecordFile* m_file = nullptr;
    std::unique_ptr<OperateRecord[]> m_records;
};

#endif
