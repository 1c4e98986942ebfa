#ifndef CP_MODBUSCONSTANTS_H
#define CP_MODBUSCONSTANTS_H

namespace cp {

// The table-driven Modbus CRC-16 (0xA001 reflected): entry i holds the low (Hi table) and
// high (Lo table) byte of the register after shifting the single byte i from 0.
extern const unsigned char CrcHiTable[256];
extern const unsigned char CrcLoTable[256];

class ModbusConstants {
public:
    static const int FUNCTION_CODE_01 = 1;
    static const int FUNCTION_CODE_02 = 2;
    static const int FUNCTION_CODE_03 = 3;
    static const int FUNCTION_CODE_04 = 4;
    static const int FUNCTION_CODE_05 = 5;
    static const int FUNCTION_CODE_06 = 6;
    static const int FUNCTION_CODE_0F = 15;
    static const int FUNCTION_CODE_16 = 16;
    static const int FRAME_HEADER_SIZE = 2;
    static const int FRAME_TAIL_SIZE = 2;
    static const int FRAME_BUFFER_SIZE = 4096;
    static const int RTN_OK = 0;

    // CRC over len bytes. A frame sends the result's high byte first: a non-zero order gives
    // the standard Modbus byte order, 0 the two bytes swapped. -1 for bad arguments.
    static int getCheckSum(const unsigned char* data, int len, int order);
};

}

#endif
