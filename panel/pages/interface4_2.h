#ifndef INTERFACE4_2_H
#define INTERFACE4_2_H

#include <QWidget>

namespace norvale {
class OperateRecordFile;
}

// The operation-log list of the records tab. Until the list is drawn it keeps what start-up
// hands it: the operation log and the three setting-name tables (300, 150 and 200 names).
class INTERFACE4_2 : public QWidget {
    Q_OBJECT
public:
    explicit INTERFACE4_2(QWidget* parent = nullptr);

    void setOperateRecordFile(norvale::OperateRecordFile* file);
    void setConfigName(char (*acdc)[48], char (*dcdc)[48], char (*sts)[48]);

    norvale::OperateRecordFile* operateRecordFile() const { return m_file; }
    char (*dcacConfigName() const)[48] { return m_dcacConfigName; }
    char (*dcdcConfigName() const)[48] { return m_dcdcConfigName; }
    char (*stsConfigName() const)[48] { return m_stsConfigName; }

private:
    norvale::OperateRecordFile* m_file = nullptr;
    char (*m_dcacConfigName)[48] = nullptr;
    char (*m_dcdcConfigName)[48] = nullptr;
    char (*m_stsConfigName)[48] = nullptr;
};

#endif
