// Any bytes as ../conf/acconfig.pdu, loaded and freed by a connection without a serial line.
#include "modbusconnection.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static char dir[] = "/tmp/sp-fuzz-XXXXXX";
    if (!mkdtemp(dir))
        abort();
    std::string root = dir;
    mkdir((root + "/bin").c_str(), 0755);
    mkdir((root + "/conf").c_str(), 0755);
    setenv("STATIONPANEL_ROOT", dir, 1);
    if (chdir((root + "/bin").c_str()) != 0)
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = fopen("../conf/acconfig.pdu", "w");
    if (!f)
        return 0;
    fwrite(data, 1, size, f);
    fclose(f);
    cp::ModbusConnection c("../conf/acconfig.pdu", nullptr, 1, false);
    if (c.open())
        c.process(false);
    return 0;
}
