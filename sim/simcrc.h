#ifndef SIMCRC_H
#define SIMCRC_H

#include <stddef.h>
#include <stdint.h>

// Modbus CRC-16, computed bit by bit: written apart from the link's table-driven CRC so that a
// fault in one cannot hide in the other.
uint16_t simCrc16(const uint8_t* data, size_t len);

#endif
