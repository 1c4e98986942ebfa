#include "registerslave.h"

#include <string.h>

namespace {
uint16_t word(const std::vector<uint8_t>& r, size_t at)
{
    return uint16_t((r[at] << 8) | r[at + 1]);
}
}

int RegisterSlave::handle(const std::vector<uint8_t>& request, std::vector<uint8_t>* reply)
{
    if (request.size() < 5)
        return 3;
    const int fc = request[0];
    const int address = word(request, 1);
    std::lock_guard<std::mutex> lock(mutex_);
    reply->clear();
    reply->push_back(uint8_t(fc));
    switch (fc) {
    case 1:
    case 2: {
        const int count = word(request, 3);
        if (count < 1 || count > 2000)
            return 3;
        beforeRead(fc, address, count);
        std::vector<uint8_t> bytes(size_t((count + 7) / 8), 0);
        for (int i = 0; i < count; ++i) {
            bool v = fc == 1 ? coil_[address + i] : discrete_[address + i];
            if (v)
                bytes[size_t(i / 8)] |= uint8_t(1 << (i % 8));
        }
        reply->push_back(uint8_t(bytes.size()));
        reply->insert(reply->end(), bytes.begin(), bytes.end());
        afterRead(fc, address, count);
        return 0;
    }
    case 3:
    case 4: {
        const int count = word(request, 3);
        // 126 registers still fit the one-byte count; the modules' fault record uses that.
        if (count < 1 || count > 127)
            return 3;
        beforeRead(fc, address, count);
        reply->push_back(uint8_t(count * 2));
        for (int i = 0; i < count; ++i) {
            uint16_t v = fc == 3 ? holding_[address + i] : input_[address + i];
            reply->push_back(uint8_t(v >> 8));
            reply->push_back(uint8_t(v & 0xFF));
        }
        afterRead(fc, address, count);
        return 0;
    }
    case 5:
    case 6: {
        const uint16_t v = word(request, 3);
        if (fc == 5)
            coil_[address] = v == 0xFF00;
        else
            holding_[address] = v;
        writes_.push_back(std::to_string(fc) + " " + std::to_string(address) + " " + std::to_string(v));
        written(fc, address, { v });
        reply->insert(reply->end(), request.begin() + 1, request.begin() + 5);
        return 0;
    }
    case 16: {
        const int count = word(request, 3);
        if (request.size() < 6 || count < 1 || count > 123 || request[5] != count * 2
            || request.size() < size_t(6 + count * 2))
            return 3;
        std::vector<uint16_t> words;
        std::string line = "16 " + std::to_string(address);
        for (int i = 0; i < count; ++i) {
            uint16_t v = word(request, size_t(6 + 2 * i));
            holding_[address + i] = v;
            words.push_back(v);
            line += " " + std::to_string(v);
        }
        writes_.push_back(line);
        written(fc, address, words);
        reply->insert(reply->end(), request.begin() + 1, request.begin() + 5);
        return 0;
    }
    default:
        return 1;
    }
}

void RegisterSlave::setHolding(int address, uint16_t value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    holding_[address] = value;
}

void RegisterSlave::setInput(int address, uint16_t value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    input_[address] = value;
}

void RegisterSlave::setDiscrete(int address, bool value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    discrete_[address] = value;
}

void RegisterSlave::setCoil(int address, bool value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    coil_[address] = value;
}

uint16_t RegisterSlave::holding(int address)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return holding_[address];
}

uint16_t RegisterSlave::input(int address)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return input_[address];
}

bool RegisterSlave::discrete(int address)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return discrete_[address];
}

void RegisterSlave::setHolding32(int address, int32_t value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    holding_[address] = uint16_t(uint32_t(value) >> 16);
    holding_[address + 1] = uint16_t(uint32_t(value) & 0xFFFF);
}

void RegisterSlave::setHolding32LowFirst(int address, int32_t value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    holding_[address] = uint16_t(uint32_t(value) & 0xFFFF);
    holding_[address + 1] = uint16_t(uint32_t(value) >> 16);
}

void RegisterSlave::setHoldingFloat(int address, float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    setHolding32(address, int32_t(bits));
}

std::vector<std::string> RegisterSlave::writes()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
}

void RegisterSlave::written(int, int, const std::vector<uint16_t>&) {}
void RegisterSlave::beforeRead(int, int, int) {}
void RegisterSlave::afterRead(int, int, int) {}
