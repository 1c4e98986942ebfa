#ifndef ACMODULESIM_H
#define ACMODULESIM_H

#include "registerslave.h"

// One AC/DC converter module (or the U2 unit, node 11) as our sample acconfig.pdu polls it:
// measurements in holding registers 0..63 (46..48 inverter voltages, 49..51 inductor currents,
// 52..54 the words at the three debug addresses, parameters 211..213; 55..57 heat-sink and reactor
// temperatures and insulation resistance, 58 rated power, 59..63 the set-points it holds), states and requests in 100..103 (register 100: run
// state in bits 0-1, charging bit 2, discharging bit 3, off-grid bit 4), DC paths in input
// registers 200.. and 210.., relays in discrete inputs 0..7; commands at 0x1000..0x1002,
// set-points at 0x1100.., the two initial-settings blocks at 0x1200 and 0x1300, every other
// parameter i as the register 0x1400 + i, fault and operation records readable at 0x2000 and
// 0x2080 (126 registers each).
class AcModuleSim : public RegisterSlave {
public:
    enum RunState { Stopped = 0, Running = 1, Faulted = 2, Standby = 3 };
    enum {
        RUN_COMMAND = 0x1000,
        RESET_COMMAND = 0x1001,
        MODE_COMMAND = 0x1002,
        POWER_SETTING = 0x1100,
        INIT_BLOCK_1 = 0x1200,
        INIT_BLOCK_2 = 0x1300,
        PARAMETERS = 0x1400,
        FIRST_BLOCK_PARAMETER = 71,
        SECOND_BLOCK_PARAMETER = 261,
        FAULT_RECORD = 0x2000,
        OPERATION_RECORD = 0x2080,
        RECORD_WORDS = 126,
        MEASUREMENT_WORDS = 64,
        RATED_KW = 50,
        DEBUG_VALUES = 52,
        FIRST_DEBUG_ADDRESS = 211,
    };

    explicit AcModuleSim(int node);

    // Moves the values on by dt seconds (power, energy since the last read, temperatures).
    void tick(double dtSeconds);

    void setRunState(RunState s);
    RunState runState();
    // Alarm bits: group 0 is register 101 (grid and DC), group 1 register 102 (temperatures).
    void setAlarm(int group, int bit, bool on);
    void setBranch(int branch, bool member);        // 1..8
    void requestSave(bool on);
    void requestFaultRecord(int level);             // 0..3
    void requestInitialSettings(bool on);
    void setPower(double kW);                       // the power it runs at (positive: discharging)
    double energyWh(bool charge);                   // total since start
    // Energy the next read of the measurement block reports, on top of what running adds.
    void addEnergy(double chargeWh, double dischargeWh);
    // Whole Wh reported by reads of the measurement block since start.
    double reportedWh(bool charge);
    // Initial-settings exchanges answered: both blocks arrived after a request.
    int initialSettingsAnswered();
    // The word the module holds for parameter i: the last single write of it, or what the
    // initial-settings blocks carried for it, whichever came last.
    uint16_t parameter(int index);

    int node() const { return node_; }

protected:
    void written(int function, int address, const std::vector<uint16_t>& words) override;
    void afterRead(int function, int address, int count) override;

private:
    void setBits(int reg, int shift, int width, int value);
    void publish();
    void publishUnlocked();

    int node_;
    double t_ = 0;
    double powerKw_ = 0;
    bool powerSet_ = false;
    double pendingChargeWh_ = 0, pendingDischargeWh_ = 0, pendingPvWh_ = 0;
    double totalChargeWh_ = 0, totalDischargeWh_ = 0;
    double reportedChargeWh_ = 0, reportedDischargeWh_ = 0;
    bool firstBlockSeen_ = false;
    int initAnswered_ = 0;
    double igbtRaw_ = 2000, ambientRaw_ = 2100;
    double runSeconds_ = 0;
};

#endif
