// Any bytes as a stream of received CAN frames for the DC/DC link, then values read back: the
// ends of the index range and the indices the getters treat apart, for every kind of module
// number, and indices the input's last bytes pick (all 200 of every module after each input
// cost many times the decoding itself).
#include "canframe.h"
#include "dchandler.h"
#include "timeseam.h"

#include <sys/stat.h>

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

namespace {
std::string g_dir;

void leave()
{
    rmdir((g_dir + "/bin").c_str());
    rmdir(g_dir.c_str());
}

// The handler's files are relative to a bin/ directory: one of our own, without log/ beside
// it, so that nothing is written anywhere.
DcHandler* makeHandler()
{
    const char* tmp = getenv("TMPDIR");
    g_dir = std::string(tmp ? tmp : "/tmp") + "/sp-fuzz-XXXXXX";
    if (!mkdtemp(&g_dir[0]) || mkdir((g_dir + "/bin").c_str(), 0755) != 0 || chdir((g_dir + "/bin").c_str()) != 0)
        abort();
    atexit(leave);
    return new DcHandler("can0", 1000000, 800, false);
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Sleeps of a module initialisation return at once.
    TimeSeam::useFakeClock(true);
    static DcHandler* h = makeHandler();
    for (size_t at = 0; at + sizeof(CanFrame) <= size; at += sizeof(CanFrame)) {
        CanFrame f;
        memcpy(&f, data + at, sizeof f);
        h->process(&f);
        h->checkconnect();
    }
    const int modules[] = { -1, 0, 1, 10, 11, 20, 65, 128, 1001, 1008, 1009 };
    int indices[16] = { -1, 0, DcHandler::ONLINE, DcHandler::INDICES - 1, DcHandler::INDICES };
    int count = 5;
    for (size_t k = 0; k < 4 && k < size; ++k)
        indices[count++] = data[size - 1 - k] % DcHandler::INDICES;
    for (int m : modules)
        for (int n = 0; n < count; ++n) {
            const int i = indices[n];
            float v = 0;
            h->getAnalog(m, i, &v);
            h->getAlarm(m, i);
            if (i >= 0 && i < DcHandler::INDICES)
                h->getStatus(m, i);
        }
    return 0;
}
