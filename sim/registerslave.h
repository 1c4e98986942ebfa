#ifndef REGISTERSLAVE_H
#define REGISTERSLAVE_H

#include "rtuslave.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

// A slave with the four Modbus tables. Reads answer from the tables; writes go to the tables
// and to written(), which a device model overrides to act on them. Unknown addresses read 0.
class RegisterSlave : public RtuSlave {
public:
    int handle(const std::vector<uint8_t>& request, std::vector<uint8_t>* reply) override;

    void setHolding(int address, uint16_t value);
    void setInput(int address, uint16_t value);
    void setDiscrete(int address, bool value);
    void setCoil(int address, bool value);
    uint16_t holding(int address);
    uint16_t input(int address);
    bool discrete(int address);
    void setHolding32(int address, int32_t value);          // most significant word first
    void setHolding32LowFirst(int address, int32_t value);  // least significant word first
    void setHoldingFloat(int address, float value);

    // Every write the panel made, oldest first: "fc address word word ...".
    std::vector<std::string> writes();

protected:
    // For subclasses that already hold the lock.
    uint16_t holding(int address, bool locked) { return locked ? holding_[address] : holding(address); }
    void setHoldingUnlocked(int address, uint16_t value) { holding_[address] = value; }
    void setInputUnlocked(int address, uint16_t value) { input_[address] = value; }

    // Called under the lock after a write has been stored.
    virtual void written(int function, int address, const std::vector<uint16_t>& words);
    // Called under the lock before a read is answered, and after it (to clear read-once values).
    virtual void beforeRead(int function, int address, int count);
    virtual void afterRead(int function, int address, int count);

    std::mutex mutex_;

private:
    std::map<int, uint16_t> holding_;
    std::map<int, uint16_t> input_;
    std::map<int, bool> discrete_;
    std::map<int, bool> coil_;
    std::vector<std::string> writes_;
};

#endif
