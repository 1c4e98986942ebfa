// Any bytes as ../conf/acconfig.pdu, loaded and freed by a connection without a serial line.
//
// On the fake clock: a pass over the signals yields 50 ms after every 200 of them, so that a
// cabinet's other threads get the processor; here it made an input with a few hundred signals
// cost more than thousands of others.
#include "fuzzdir.h"
#include "modbusconnection.h"
#include "timeseam.h"

#include <string.h>

// The fuzzer's edge counters, as each instrumented module hands them over at start-up (the call
// is routed here at link time).
namespace {
struct Counters {
    uint8_t* start;
    uint8_t* stop;
};
Counters g_counters[64];
int g_modules = 0;
}

extern "C" void __real___sanitizer_cov_8bit_counters_init(uint8_t* start, uint8_t* stop);
extern "C" void __wrap___sanitizer_cov_8bit_counters_init(uint8_t* start, uint8_t* stop)
{
    if (g_modules < 64)
        g_counters[g_modules++] = { start, stop };
    __real___sanitizer_cov_8bit_counters_init(start, stop);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool fake = (TimeSeam::useFakeClock(true), true);
    (void)fake;
    putFile(fuzzTree() + "/conf/acconfig.pdu", data, size);
    size_t signals = 0;
    {
        cp::ModbusConnection c("../conf/acconfig.pdu", nullptr, 1, false);
        if (c.open())
            c.process(false);
        signals = c.dataSignals().size() + c.eventSignals().size();
    }
    // A table of over 128 signals and events (a template count is a single number) is run but
    // not kept to be mutated further: its copies are each a few allocations and map entries, and
    // reach no line the first copies do not; as such tables filled the corpus the speed fell to
    // a third. This libFuzzer keeps an input whatever the target returns, so the coverage it
    // recorded is cleared: nothing new was seen. The connection is gone by then, so that its
    // freeing is cleared too.
    if (signals > 128) {
        for (int m = 0; m < g_modules; ++m)
            memset(g_counters[m].start, 0, size_t(g_counters[m].stop - g_counters[m].start));
        return -1;
    }
    return 0;
}
