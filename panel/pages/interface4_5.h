#ifndef INTERFACE4_5_H
#define INTERFACE4_5_H

#include <QWidget>

namespace norvale {
class OperateRecordFile;
}

// The status-log list of the records tab. Until the list is drawn it keeps what start-up hands
// it: the status log and the three status-name tables (150 names each, not owned).
class Interface4_5 : public QWidget {
    Q_OBJECT
public:
    explicit Interface4_5(QWidget* parent = nullptr);

    // Despite the name this stores the file.
    void getStatusRecordFile(norvale::OperateRecordFile* file);
    void setStatusName(char (*acdc)[32], char (*dcdc)[32], char (*sts)[32]);

    norvale::OperateRecordFile* statusRecordFile() const { return m_file; }
    char (*dcacStatusName() const)[32] { return m_dcacStatusName; }
    char (*dcdcStatusName() const)[32] { return m_dcdcStatusName; }
    char (*stsStatusName() const)[32] { return m_stsStatusName; }

private:
    norvale::OperateRecordFile* m_file = nullptr;
    char (*m_dcacStatusName)[32] = nullptr;
    char (*m_dcdcStatusName)[32] = nullptr;
    char (*m_stsStatusName)[32] = nullptr;
};

#endif
