#include "canbackend.h"
#include "socketcanbackend.h"
#include "syspath.h"
#include "virtualcanbackend.h"

CanBackend* CanBackend::make()
{
    if (!SysPath::root().empty())
        return new VirtualCanBackend(SysPath::root());
    return new SocketCanBackend;
}
