#include "esf/log.h"

#include <stdio.h>

namespace esf {

void Log::log(const char* text)
{
    if (text)
        printf("%s\n", text);
}

}
