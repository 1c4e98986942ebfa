#ifndef SIMFRAME_H
#define SIMFRAME_H

#include <stdint.h>
#include <string>

// A CAN frame as the simulated cabinet sees it, packed into and out of the 16 bytes of the
// kernel's can_frame that the virtual bus carries: identifier word (little-endian; bit 31
// extended, bit 30 remote request, bit 29 error), length, three zero bytes, eight data bytes.
// Extended identifiers are split the J1939 way: priority in bits 26-28, PDU format in 16-23,
// destination in 8-15, source in 0-7.
struct SimFrame {
    uint32_t id = 0;          // 29 or 11 bits
    bool extended = true;
    bool remote = false;
    bool error = false;
    uint8_t length = 8;
    uint8_t data[8] = { 0, 0, 0, 0, 0, 0, 0, 0 };

    enum { WIRE_SIZE = 16 };

    static SimFrame j1939(int priority, int pf, int da, int sa);
    int priority() const { return int((id >> 26) & 7); }
    int pf() const { return int((id >> 16) & 0xFF); }
    int da() const { return int((id >> 8) & 0xFF); }
    int sa() const { return int(id & 0xFF); }
    // Little-endian 16-bit word k (data bytes 2k and 2k+1).
    uint16_t word(int k) const { return uint16_t(data[2 * k] | (data[2 * k + 1] << 8)); }
    void setWord(int k, int value);

    void pack(uint8_t out[WIRE_SIZE]) const;
    static SimFrame unpack(const uint8_t in[WIRE_SIZE]);
    std::string text() const;
};

#endif
