#ifndef INTERFACE4_2_H
#define INTERFACE4_2_H

#include "recordlistpage.h"

#include <memory>

struct OperateRecord;
namespace norvale {
class OperateRecordFile;
}

// The operation-log list of the records tab: the settings written through the converter
// libraries (codes 1100..1599) and the panel's own control events (3000..3219), newest first,
// each with its old and new value. Named by the three setting-name tables of start-up.
class INTERFACE4_2 : public RecordListPage {
    Q_OBJECT
public:
    explicit INTERFACE4_2(QWidget* parent = nullptr);
    ~INTERFACE4_2() override;

    void setOperateRecordFile(norvale::OperateRecordFile* file);
    void setConfigName(char (*acdc)[48], char (*dcdc)[48], char (*sts)[48]);

    void setpositiontext();
    void freshme();

    // The name column for a record's code and point.
    static QString showname(int code, int index);
    // The operation column: old and new value of a record.
    static QString operationText(const OperateRecord& r);

    norvale::OperateRecordFile* operateRecordFile() const { return m_file; }
    static char (*dcacConfigName())[48] { return m_dcacConfigName; }
    static char (*dcdcConfigName())[48] { return m_dcdcConfigName; }
    static char (*stsConfigName())[48] { return m_stsConfigName; }

signals:
    void sendcommondtoparent(int code);

protected:
    void rowText(int e, QString* name, QString* third, QString* fourth) const override;

private:
    static char (*m_dcacConfigName)[48];
    static char (*m_dcdcConfigName)[48];
    static char (*m_stsConfigName)[48];

    norvale::OperateRecordFile* m_file = nullptr;
    std::unique_ptr<OperateRecord[]> m_records;
};

#endif
