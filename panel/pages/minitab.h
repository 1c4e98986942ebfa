#ifndef MINITAB_H
#define MINITAB_H

#include <QStringList>
#include <QWidget>

#include <vector>

struct ChargerFault;
namespace norvale {
class AlarmRecordFile;
}

// A small painted table of 13 rows under four column titles. The records tab keeps four of them
// on tabs it never shows, so their rows only ever show placeholders; the alarm loading and
// naming below are kept for the day a table is given a file.
class MiniTab : public QWidget {
    Q_OBJECT
public:
    explicit MiniTab(QWidget* parent = nullptr);
    ~MiniTab() override;

    // Replaces the column titles; shown at the next repaint.
    void settile(const QStringList& titles);
    QStringList titles() const { return m_titles; }

    void setChargerFaultFile(norvale::AlarmRecordFile* file);
    void setAlarmName(char (*acdc)[32], char (*dcdc)[32], char (*sts)[32]);
    // Loads the ended alarms, newest first.
    void freshHistory();
    QString showname(int code, int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static char (*m_dcacAlarmName)[32];
    static char (*m_dcdcAlarmName)[32];
    static char (*m_stsAlarmName)[32];

    QStringList m_titles;
    int m_page = 1;
    norvale::AlarmRecordFile* m_file = nullptr;
    std::vector<ChargerFault> m_records; // room for 6500, made at the first load
};

#endif
