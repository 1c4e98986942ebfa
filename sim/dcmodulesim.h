#ifndef DCMODULESIM_H
#define DCMODULESIM_H

#include "simframe.h"

#include <map>
#include <mutex>
#include <vector>

// One DC/DC converter module on the CAN bus, at address 0x80 + its number. It reports status
// bits on PDU formats 1 and 2, alarm bits on 8 and 9, and analogs on 16..23 (four signed words
// a frame: voltages, currents and power in tenths, the heat-sink and ambient sensors raw at 20
// and 25, the firmware version at 21, energy since the last report at 18 and 19), all to the
// monitor address 0x7F. Commands on PDU formats 0x60..0x6F addressed to it are acknowledged
// with their code on the same format, to the sender; so are broadcast parameter rows (0x61..0x6F),
// not the broadcast commands of 0x60 (heartbeat, dispatch, on/off). A module that asks to be initialised (status 21) keeps
// asking until the "initialised" command (code 7, value 1) arrives. A module with a fault to
// report sets status 19 and, asked for its fault data (code 6, byte 2 = 1), uploads it in 21
// frames on PDU formats 48..68; word w of frame k is faultWord(k, w). A debug address (codes
// 107..109) picks one of its own analogs, reported again as analog 12..14. It reports the limits
// it was given (analogs 10, 15..17), its insulation resistance (11), module and ambient
// temperatures in tenths (6, 7) and the power set-point it runs at (24).
// Its boot loader takes a firmware upgrade from 0x12 on priority 1, addressed to its upgrade
// address (its own unless set) or broadcast to 0xBF: boot request, decryption, erase, records
// in data frames (each 16-bit word's bytes swapped; a record whose checksum fails is refused),
// end; each answered with 0xCCCC (or 0x3333) on PF 0x81, 0x82, 0x84, 0x88, 0x89. Until a boot
// request has come it ignores the rest.
class DcModuleSim {
public:
    enum {
        STATUS_RUNNING = 0,
        STATUS_STOPPED = 1,
        STATUS_FAULT = 25,
        STATUS_ALARM = 24,
        STATUS_CHARGING = 48,
        STATUS_DISCHARGING = 49,
        STATUS_FIRST_GROUP = 8,     // 8..15: member of group 1..8
        STATUS_SYSTEM_HOST = 17,
        STATUS_GROUP_HOST = 18,
        STATUS_FAULT_DATA = 19,
        STATUS_INIT_REQUEST = 21,
        STATUS_SAVE_REQUEST = 23,
        STATUS_PRESENT = 100,
        CODE_HEARTBEAT = 1,
        CODE_FAULT_UPLOAD = 6,
        CODE_INITIALISED = 7,
        CODE_DISPATCH = 12,
        CODE_POWER = 13,
        CODE_ON_OFF = 16,
        CODE_START = 32,
        CODE_STOP = 33,
        CODE_DEBUG_ADDRESS = 107,   // 107..109: debug addresses 1 to 3 (rows 75 to 77 of the sample map)
        // Limits of the sample map's rows 24 (whole amperes), 44, 37 and 46 (tenths), reported
        // back in whole units as analogs 15, 16, 17 and 10 once given.
        CODE_MAX_CHARGE_CURRENT = 56,
        CODE_MAX_DISCHARGE_CURRENT = 76,
        CODE_CHARGE_VOLTAGE = 69,
        CODE_DISCHARGE_VOLTAGE = 78,
        FIRMWARE = 1205,
    };

    explicit DcModuleSim(int number);

    int number() const { return number_; }
    int address() const { return 0x80 + number_; }

    // The frames it reports now.
    std::vector<SimFrame> report();
    // A frame seen on the bus; the replies it sends.
    std::vector<SimFrame> receive(const SimFrame& f);
    // Moves values on by dt seconds.
    void tick(double dtSeconds);

    void setStatus(int index, bool on);
    bool status(int index);
    void setAlarm(int index, bool on);
    void setGroup(int group, bool member);   // 1..8
    void setPower(double kW);                // positive: discharging
    void setSilent(bool on);                 // sends nothing at all
    bool silent();
    void setAcknowledging(bool on);
    void requestInit(bool on);
    // Energy the next report carries as increments, on top of what running adds.
    void addEnergy(int charge, int discharge);
    void setAnalog(int index, int raw);      // a raw word reported as it stands
    // Raises a fault whose data waits to be asked for (status 19).
    void raiseFault();
    static uint16_t faultWord(int frame, int word) { return uint16_t(0x1000 * (word + 1) + frame); }
    int faultUploads();

    enum UpgradeFault { UPGRADE_FAIL = 1, UPGRADE_SILENT = 2 };
    void setUpgradeAddress(int address);
    // The next `times` replies on reply PF `pf` (-1: all) fail or do not come.
    void injectUpgradeFault(int pf, int kind, int times);
    // The records accepted since the last erase, as in the file; whether the end came after them.
    std::vector<std::vector<uint8_t>> upgradeRecords();
    bool upgraded();
    int upgradeRequests(int pf);   // frames received per upgrade PF (data frames on 0x06)

    // What arrived: the last raw value of each command code addressed to it, and all of them.
    int lastValue(int code, int word = 1);
    int commandsReceived(int code);
    std::vector<SimFrame> commands();
    int heartbeats();

private:
    std::vector<SimFrame> framesOfBits(int firstPf, const bool* bits, int count);
    void upgradeFrame(const SimFrame& f, std::vector<SimFrame>& out);
    void upgradeReply(int pf, bool ok, std::vector<SimFrame>& out);
    void applyCommand(const SimFrame& f);

    std::mutex lock_;
    int number_;
    bool status_[200] = {};
    bool alarm_[200] = {};
    int analog_[32] = {};
    int debugAddress_[3] = { -1, -1, -1 };
    double powerKw_ = 0;
    double chargeWh_ = 0, dischargeWh_ = 0;
    int pendingCharge_ = 0, pendingDischarge_ = 0;
    bool silent_ = false;
    bool acknowledging_ = true;
    int heartbeats_ = 0;
    int faultUploads_ = 0;
    int upgradeAddress_ = -1;
    std::map<int, std::pair<int, int>> upgradeFaults_;
    std::map<int, int> upgradeRequests_;
    std::vector<uint8_t> record_;
    std::vector<std::vector<uint8_t>> records_;
    bool booted_ = false, upgraded_ = false;
    std::map<int, SimFrame> last_;
    std::map<int, int> counts_;
    std::vector<SimFrame> commands_;
    double t_ = 0;
};

#endif
