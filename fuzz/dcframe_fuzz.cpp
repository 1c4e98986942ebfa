// Any bytes as a stream of received CAN frames for the DC/DC link, then every value read.
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
    const int modules[] = { -1, 0, 1, 5, 10, 11, 20, 1001, 1004, 1008, 1009 };
    for (int m : modules)
        for (int i = -1; i <= 200; ++i) {
            float v = 0;
            h->getAnalog(m, i, &v);
            h->getAlarm(m, i);
            if (i >= 0 && i < 200)
                h->getStatus(m, i);
        }
    return 0;
}
