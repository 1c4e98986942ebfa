#ifndef CANFRAME_H
#define CANFRAME_H

#include <stdint.h>

// One CAN frame as the sockets carry it: the 16 bytes of SocketCAN's can_frame. Bytes 0..3,
// read as a little-endian word, are the kernel's identifier word: the 29-bit identifier split
// the J1939 way, then the error, remote-request and extended flags. An 11-bit identifier sits
// in bits 0-10 of the same word.
struct CanFrame {
    uint8_t sa;        // source address: identifier bits 0-7
    uint8_t da;        // destination address or PDU-specific byte: bits 8-15
    uint8_t pf;        // PDU format: bits 16-23
    uint8_t dp : 1;    // data page: bit 24
    uint8_t edp : 1;   // extended data page: bit 25
    uint8_t p : 3;     // priority: bits 26-28
    uint8_t err : 1;   // error frame
    uint8_t rtr : 1;   // remote request
    uint8_t ff : 1;    // extended (29-bit) frame
    uint8_t dlc;       // data length code, 0..8
    uint8_t pad[3];    // zero
    uint8_t data[8];
};

static_assert(sizeof(CanFrame) == 16, "a CAN frame image is 16 bytes");

#endif
