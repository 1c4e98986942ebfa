#include "debugargs.h"

#include <stdlib.h>
#include <string.h>

int parseDebugArgs(int argc, char* argv[])
{
    if (argc < 3 || !argv[1] || strncmp(argv[1], "debug", 5) != 0 || !argv[2])
        return 0;
    char* end = nullptr;
    long v = strtol(argv[2], &end, 10);
    return (end == argv[2] || *end != '\0') ? 0 : int(v);
}
