#include "testenv.h"

#include <clocale>
#include <stdlib.h>
#include <time.h>

void setUpTestEnvironment()
{
    setenv("LC_ALL", "C", 1);
    setenv("TZ", "Asia/Shanghai", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!getenv("XDG_RUNTIME_DIR"))
        setenv("XDG_RUNTIME_DIR", "/tmp/runtime-root", 1);
    setlocale(LC_ALL, "C");
    tzset();
}
