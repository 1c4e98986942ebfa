// Any text as an expression, compiled into the tables' 32 slots and freed again.
#include "modbusconnection.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    cp::ModbusConnection::Expression* out[cp::ModbusConnection::MAX_EXPRESSIONS];
    for (int base : { 10, 16 }) {
        if (cp::ModbusConnection::parseExpression(text.data(), out, sizeof out, 1, base) == 0)
            cp::ModbusConnection::freeExpressions(out, cp::ModbusConnection::MAX_EXPRESSIONS);
    }
    std::string shifted;
    cp::ModbusConnection::expandExpression(text.data(), shifted, 12);
    return 0;
}
