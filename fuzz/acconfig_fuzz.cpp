// Any bytes as ../conf/acconfig.pdu, loaded and freed by a connection without a serial line.
//
// On the fake clock: a pass over the signals yields 50 ms after every 200 of them, so that a
// cabinet's other threads get the processor; here it made an input with a few hundred signals
// cost more than thousands of others.
#include "fuzzdir.h"
#include "modbusconnection.h"
#include "timeseam.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool fake = (TimeSeam::useFakeClock(true), true);
    (void)fake;
    putFile(fuzzTree() + "/conf/acconfig.pdu", data, size);
    cp::ModbusConnection c("../conf/acconfig.pdu", nullptr, 1, false);
    if (c.open())
        c.process(false);
    // A table of thousands of signals (a template count is a single number) is run but not kept
    // to be mutated further: each costs milliseconds and reaches no line a cabinet's few hundred
    // do not, and as they filled the corpus the speed fell to a fifth.
    return c.dataSignals().size() + c.eventSignals().size() > 1024 ? -1 : 0;
}
