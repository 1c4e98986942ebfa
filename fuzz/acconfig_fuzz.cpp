// Any bytes as ../conf/acconfig.pdu, loaded and freed by a connection without a serial line.
#include "fuzzdir.h"
#include "modbusconnection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    putFile(fuzzTree() + "/conf/acconfig.pdu", data, size);
    cp::ModbusConnection c("../conf/acconfig.pdu", nullptr, 1, false);
    if (c.open())
        c.process(false);
    return 0;
}
