#ifndef RTUSLAVE_H
#define RTUSLAVE_H

#include <stdint.h>
#include <vector>

// One simulated Modbus RTU slave: answers a request (without its CRC) with a reply body
// (without CRC), or nothing. Exceptions are built by the line.
class RtuSlave {
public:
    virtual ~RtuSlave() {}
    // 0 = reply in *reply, > 0 = exception code, < 0 = stay silent.
    virtual int handle(const std::vector<uint8_t>& request, std::vector<uint8_t>* reply) = 0;
};

#endif
