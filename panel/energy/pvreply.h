#ifndef PVREPLY_H
#define PVREPLY_H

// Answers of the PV inverter over Modbus TCP, as the control thread reads them: when an answer
// is whole, and what the measurement and state answers carry. No socket here, so that any
// bytes can be put through it.
class PvReply {
public:
    enum {
        MBAP_BYTES = 6,
        // Measurements: input registers from 200; the first 40 are kept, then the power limit
        // and power in kW, the running and hold bits of the state answer.
        REGISTERS = 40, LIMIT = 40, POWER = 41, RUNNING = 42, HOLD_BIT = 43, VALUES = 44,
        TID_MEASUREMENTS = 0x0100, TID_STATE = 0x0D00, FC_READ_HOLDING = 3, FC_READ_INPUT = 4
    };

    // True once the first have bytes of buf hold the bytes the header's length field announces.
    static bool complete(const unsigned char* buf, int have);

    // An answer of n bytes to the measurement request: the registers into values[0..REGISTERS)
    // and LIMIT, POWER derived. False, values untouched, for anything else (an exception answer
    // carries the same first byte).
    static bool measurements(const unsigned char* buf, int n, float* values);

    // An answer of n bytes to the state request: RUNNING and HOLD_BIT from its state byte.
    // False, values untouched, for anything else.
    static bool state(const unsigned char* buf, int n, float* values);
};

#endif
