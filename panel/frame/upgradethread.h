#ifndef UPGRADETHREAD_H
#define UPGRADETHREAD_H

#include <QString>
#include <QThread>

#include <atomic>
#include <climits>
#include <vector>

class DeviceData;
class DcdcData;

// One firmware upgrade pass over the modules of one kind. The upgrade engine of the DC/DC link
// does the work over CAN for every kind; this thread starts it, follows each step through
// getStatus every 200 ms and reports lines of text, progress and the end of the pass.
class UpgradeThread : public QThread {
    Q_OBJECT
public:
    explicit UpgradeThread(QObject* parent = nullptr);

    // The largest firmware file taken from a USB stick: well above the hex text of any module's
    // program, and small beside the board's memory, where /tmp lives.
    static constexpr long long FILE_MAX_BYTES = 16LL << 20;

    void setDiviceData(DcdcData* device);
    // The engine's DeviceData view, for callers that hold the view rather than the object.
    void setDiviceData(DeviceData* device);
    // kind: 0 AC/DC modules, 1 DC/DC modules, 2 U2 unit, 3 static transfer switch.
    void initUpradeModule(std::vector<int>& modules, int kind);

    // The pass that run() makes once per start(); tests call it directly.
    void onePass();
    // Waits until run() has returned (false when ms ran out first); what the pass wrote is then
    // the caller's to read, change or free.
    bool join(unsigned long ms = ULONG_MAX);
    // What the next pass upgrades; read only while no pass runs.
    const std::vector<int>& upgradeModules() const { return m_modules; }
    int upgradeKind() const { return m_kind; }

signals:
    void setUpgradeEdit(QString line);
    void sendUpgradeFinish();
    void sendUpgradFault();
    void sendUpgradeSuccess();
    void setProgressBar(int value);
    void sendUpgradeFail(int address);

protected:
    void run() override;

private:
    void showUpgradeState(int address, const QString& text);
    QString stateToStr(bool ok, int step);
    void getUpgradeState(int step);
    void getUpgradeDataProgressState();
    // Step 7 for the all-modules addresses; true when several modules answered and the pass stops.
    bool severalAnswered(int first);
    void pause();

    DeviceData* m_device = nullptr;
    std::vector<int> m_modules;
    int m_kind = 0;
    bool m_singleFault = false;
    bool m_inThread = false;
    // Counted at the end of each run() and read by join(): QThread's own end-of-run hand-off
    // happens inside Qt, which ThreadSanitizer does not see; this pair costs nothing on the board.
    std::atomic<int> m_runsEnded{0};
};

#endif
